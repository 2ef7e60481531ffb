#include "framework/FormBuilder.h"

#include <vector>

#include "framework/Buttons.h"
#include "framework/ComCtrls.h"
#include "framework/ExtCtrls.h"
#include "framework/Menus.h"
#include "framework/StdCtrls.h"

namespace {

// "a\nb\nc" as list items.
void FillLines(TStrings& lines, const std::string& text) {
    lines.Clear();
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.Add(text.substr(start, end - start));
        start = end + 1;
    }
}

void BuildMenuItem(TForm* form, TMenuItem* item, const TComponentRow& row) {
    TComponent* parent = form->FindComponent(row.Parent);
    if (auto* menu = dynamic_cast<TMenu*>(parent))
        menu->Items()->Add(item);
    else if (auto* up = dynamic_cast<TMenuItem*>(parent))
        up->Add(item);
    else
        throw Exception(std::string("Menu item ") + row.Name + " has no menu " + row.Parent);
    item->SetCaption(row.Caption);
    item->SetShortCut(static_cast<TShortCut>(row.Style >> 16));
    if (row.Style & bfHidden) item->SetVisible(false);
    if (row.Style & bfDisabled) item->SetEnabled(false);
    if (row.Style & bfChecked) item->SetChecked(true);
    if (row.Style & bfDefault) item->SetDefault(true);
}

// Flags that only some kinds of control know.
void ApplyKindStyle(TControl* control, uint32_t style, const std::string& caption) {
    if (auto* button = dynamic_cast<TButton*>(control)) {
        button->SetDefault(style & bfDefault);
        button->Cancel = style & bfCancel;
        button->ModalResult = static_cast<TModalResult>(style >> 24);
    }
    if (auto* check = dynamic_cast<TCheckBox*>(control)) {
        if (style & bfChecked) check->SetChecked(true);
    }
    if (auto* radio = dynamic_cast<TRadioButton*>(control)) {
        if (style & bfChecked) radio->SetChecked(true);
    }
    if (auto* speed = dynamic_cast<TSpeedButton*>(control)) {
        speed->SetFlat(style & bfFlat);
        speed->Default = style & bfDefault;
        speed->Cancel = style & bfCancel;
    }
    if (auto* edit = dynamic_cast<TCustomEdit*>(control)) {
        edit->SetReadOnly(style & bfReadOnly);
        if (style & bfPassword) edit->SetPasswordChar('*');
    }
    if (auto* memo = dynamic_cast<TCustomMemo*>(control)) {
        memo->SetWordWrap(style & bfWordWrap);
        if (caption.find('\n') != std::string::npos) memo->Lines()->SetText(caption);
    }
    if (auto* list = dynamic_cast<TCustomListBox*>(control)) {
        list->SetSorted(style & bfSorted);
        if (style & bfOwnerDraw) list->SetStyle(lbOwnerDrawFixed);
        if (caption.find('\n') != std::string::npos) FillLines(*list->Items(), caption);
    }
    if (auto* combo = dynamic_cast<TCustomComboBox*>(control)) {
        combo->SetSorted(style & bfSorted);
        if (style & bfOwnerDraw)
            combo->SetStyle(csOwnerDrawFixed);
        else if (style & bfDropDownList)
            combo->SetStyle(csDropDownList);
        if (caption.find('\n') != std::string::npos) FillLines(*combo->Items(), caption);
    }
    if (auto* tabs = dynamic_cast<TTabControl*>(control)) {
        if (!caption.empty()) FillLines(*tabs->Tabs(), caption);
        if (tabs->Tabs()->Count() > 0) tabs->SetTabIndex(0);
    }
    if (auto* bar = dynamic_cast<TScrollBar*>(control)) {
        if (style & bfVertical) bar->SetKind(sbVertical);
    }
    if (auto* updown = dynamic_cast<TCustomUpDown*>(control)) {
        updown->SetOrientation(style & bfVertical ? udVertical : udHorizontal);
    }
    if (auto* label = dynamic_cast<TLabel*>(control)) {
        label->SetWordWrap(style & bfWordWrap);
    }
}

bool TakesCaptionAsText(TControl* control, const std::string& caption) {
    bool listLike = dynamic_cast<TCustomListBox*>(control) || dynamic_cast<TTabControl*>(control) ||
                    dynamic_cast<TCustomMemo*>(control) || dynamic_cast<TCustomComboBox*>(control);
    return !listLike || caption.find('\n') == std::string::npos;
}

void BuildControl(TForm* form, TControl* control, const TComponentRow& row) {
    std::string parentName = row.Parent ? row.Parent : "";
    TWinControl* parent = form;
    if (!parentName.empty()) {
        parent = dynamic_cast<TWinControl*>(form->FindComponent(parentName));
        if (!parent)
            throw Exception(std::string("Control ") + row.Name + " has no parent " + parentName);
    }
    control->SetBounds(row.Left, row.Top, row.Width, row.Height);
    control->SetParent(parent);
    if (auto* bar = dynamic_cast<TCoolBar*>(parent)) {
        if (auto* win = dynamic_cast<TWinControl*>(control)) {
            TCoolBand* band = bar->Bands()->Add();
            band->SetWidth(row.Width);
            band->SetControl(win);
        }
    }
    std::string caption = row.Caption ? row.Caption : "";
    uint32_t style = row.Style;
    ApplyKindStyle(control, style, caption);
    // Some kinds turn on a change of theirs (a vertical scroll bar swaps its sides).
    control->SetBounds(row.Left, row.Top, row.Width, row.Height);
    if (!caption.empty() && TakesCaptionAsText(control, caption)) control->SetCaption(caption);
    bool autoSize = style & bfAutoSize;
    if (control->AutoSize() != autoSize) {
        control->SetAutoSize(autoSize);
        // A label sized to its caption while it still sized itself takes the row's size.
        if (!autoSize) control->SetBounds(row.Left, row.Top, row.Width, row.Height);
    }
    if (auto* win = dynamic_cast<TWinControl*>(control)) {
        if (style & bfNoTabStop) win->SetTabStop(false);
        if (style & bfTabStop) win->SetTabStop(true);
    }
    if (style & bfDisabled) control->SetEnabled(false);
    if (style & bfHidden) control->SetVisible(false);
    if (auto align = static_cast<TAlign>(style & 7)) control->SetAlign(align);
}

}  // namespace

void BuildForm(TForm* form, const TComponentRow* rows, size_t count) {
    // Every component is loading until all are made; then each is told, in the order made.
    std::vector<TComponent*> made;
    for (size_t i = 0; i < count; ++i) {
        const TComponentRow& row = rows[i];
        if (form->FindComponent(row.Name))
            throw Exception(std::string("Duplicate name ") + row.Name);
        TComponent* component = row.Make(form);
        component->BeginLoading();
        made.push_back(component);
        component->SetName(row.Name);
        component->Tag = row.Tag;
        if (auto* item = dynamic_cast<TMenuItem*>(component)) {
            BuildMenuItem(form, item, row);
        } else if (auto* control = dynamic_cast<TControl*>(component)) {
            BuildControl(form, control, row);
        } else if (auto* main = dynamic_cast<TMainMenu*>(component)) {
            form->SetMenu(main);
        } else if (auto* popup = dynamic_cast<TPopupMenu*>(component)) {
            std::string at = row.Parent ? row.Parent : "";
            auto* target = at.empty() ? form : dynamic_cast<TControl*>(form->FindComponent(at));
            if (!target)
                throw Exception(std::string("Pop-up menu ") + row.Name + " has no control " + at);
            target->SetPopupMenu(popup);
        }
    }
    for (TComponent* component : made) component->Loaded();
}
