#include "controls/XcCombos.h"

#include <set>

#include "controls/CtlUtils.h"
#include "framework/Printers.h"
#include "framework/core/Strings.h"
#include "framework/core/SysUtils.h"

namespace {

TRectI FromRect(const RECT& r) {
    return TRectI{r.left, r.top, r.right, r.bottom};
}

// A name drawn like the combo's names: one line, centred vertically, "&" as it is.
void DrawName(TCanvas* canvas, RECT rect, int left, const std::string& name) {
    rect.left = left;
    canvas->Brush()->SetStyle(bsClear);
    canvas->RequireTools();
    DrawTextA(canvas->Handle(), name.c_str(), static_cast<int>(name.size()), &rect,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    canvas->Brush()->SetStyle(bsSolid);
}

}  // namespace

// ---- TOwnerDrawComboBox -----------------------------------------------------------------

TOwnerDrawComboBox::TOwnerDrawComboBox(TComponent* owner) : TCustomComboBox(owner) {
    TCustomComboBox::SetStyle(csDropDownList);
}

void TOwnerDrawComboBox::SetStyle(TComboBoxStyle style) {
    if (style != csDropDown && style != csSimple) style = csDropDownList;
    TCustomComboBox::SetStyle(style);
}

void TOwnerDrawComboBox::CreateParams(TCreateParams& params) {
    TCustomComboBox::CreateParams(params);
    params.Style |= CBS_OWNERDRAWFIXED;
}

int TOwnerDrawComboBox::MinItemHeight() {
    return OwnerDrawItemHeight(FontMetrics(Font()).tmHeight, 0);
}

void TOwnerDrawComboBox::ResetItemHeight() {
    int h = MinItemHeight();
    SetItemHeight(h);
    if (HandleAllocated()) {
        SendMessageA(Handle(), CB_SETITEMHEIGHT, 0, h);
        SendMessageA(Handle(), CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), h);
    }
}

void TOwnerDrawComboBox::CreateWnd() {
    SetItemHeight(MinItemHeight());
    TCustomComboBox::CreateWnd();
    ResetItemHeight();
}

void TOwnerDrawComboBox::FontChanged() {
    TCustomComboBox::FontChanged();
    ResetItemHeight();
}

void TOwnerDrawComboBox::WndProc(TMessage& message) {
    if (message.Msg == CN_COMMAND) {
        switch (HIWORD(message.WParam)) {
            case CBN_SELCHANGE: {
                // The edit of an editable box shows the chosen item only after this notice.
                int i = ItemIndex();
                if (i >= 0 && IsEditable()) SetWindowTextA(Handle(), Items()->Strings(i).c_str());
                Click();
                ItemChosen(i);
                message.Result = 0;
                return;
            }
            case CBN_EDITCHANGE:
                TextChanged();
                message.Result = 0;
                return;
            default:
                break;
        }
    }
    TCustomComboBox::WndProc(message);
}

void TOwnerDrawComboBox::DoChange() {
    if (!FUpdating && !(ComponentState() & csLoading)) Change();
}

// ---- TColorComboBox ---------------------------------------------------------------------

TColorComboBox::TColorComboBox(TComponent* owner) : TOwnerDrawComboBox(owner) {
    FColorNames.OnChange = [this](TStringList&) { ColorNamesChanged(); };
}

TColor TColorComboBox::ItemColor(int index) {
    return static_cast<TColor>(reinterpret_cast<intptr_t>(Items()->Objects(index)));
}

void TColorComboBox::PopulateList() {
    FUpdating = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{FUpdating};
    Items()->BeginUpdate();
    Items()->Clear();
    for (int i = 0; i < kColorComboCount; ++i) {
        TColor color = ColorComboColor(i);
        std::string name = i < FColorNames.Count() ? FColorNames.Strings(i) : std::string();
        if (name.empty()) name = ColorDisplayName(color);
        Items()->AddObject(name, reinterpret_cast<void*>(static_cast<intptr_t>(color)));
    }
    Items()->EndUpdate();
    SetItemIndex(-1);
    SetColorValue(FColorValue);
}

void TColorComboBox::CreateWnd() {
    TOwnerDrawComboBox::CreateWnd();
    PopulateList();
}

void TColorComboBox::SetColorValue(TColor color) {
    if (ItemIndex() >= 0 && color == FColorValue) return;
    FColorValue = color;
    for (int i = 0; i < Items()->Count(); ++i)
        if (ItemColor(i) == color) {
            if (ItemIndex() != i) SetItemIndex(i);
            DoChange();
            return;
        }
    SetItemIndex(-1);
    if (IsEditable()) SetText(ColorDisplayName(color));
    DoChange();
}

TColor TColorComboBox::ColorValue() const {
    auto* self = const_cast<TColorComboBox*>(this);
    // An editable box whose text is no longer its selected item's: the text decides.
    int i = ItemIndex();
    if (!IsEditable() || (i >= 0 && self->Items()->Strings(i) == Caption())) return FColorValue;
    std::vector<std::string> names;
    std::vector<TColor> colors;
    for (int i = 0; i < self->Items()->Count(); ++i) {
        names.push_back(self->Items()->Strings(i));
        colors.push_back(self->ItemColor(i));
    }
    return ColorFromText(Caption(), names, colors, FColorValue);
}

void TColorComboBox::SetDisplayNames(bool display) {
    if (display == FDisplayNames) return;
    FDisplayNames = display;
    Invalidate();
}

void TColorComboBox::SetColorNames(const TStrings& names) {
    FColorNames.Assign(names);
}

void TColorComboBox::ColorNamesChanged() {
    if (!HandleAllocated()) return;
    PopulateList();
    Invalidate();
}

void TColorComboBox::DrawItem(int index, RECT rect, TOwnerDrawState state) {
    (void)state;
    TCanvas* c = Canvas();
    c->FillRect(rect);
    if (index < 0 || index >= Items()->Count()) return;
    TRectI swatch = ColorSwatchRect(FromRect(rect), FDisplayNames);
    TColor brush = c->Brush()->Color();
    c->Pen()->SetColor(clWindowText);
    c->Brush()->SetColor(ItemColor(index));
    c->Rectangle(swatch.Left, swatch.Top, swatch.Right, swatch.Bottom);
    c->Brush()->SetColor(brush);
    if (FDisplayNames) DrawName(c, rect, ColorNameLeft(swatch), Items()->Strings(index));
}

void TColorComboBox::ItemChosen(int index) {
    if (index < 0) return;
    FColorValue = ItemColor(index);
    DoChange();
}

void TColorComboBox::TextChanged() {
    TColor value = ColorValue();
    if (value == FColorValue) return;
    FColorValue = value;
    DoChange();
}

// ---- TFontComboBox ----------------------------------------------------------------------

namespace {

struct FontEnumeration {
    TFontListOptions options;
    std::set<std::string> seen;  // upper-cased
    std::vector<std::pair<std::string, DWORD>> found;
};

int CALLBACK EnumFamily(const LOGFONTA* font, const TEXTMETRICA*, DWORD type, LPARAM data) {
    auto* e = reinterpret_cast<FontEnumeration*>(data);
    GuardCallback([&] {
        std::string name = font->lfFaceName;
        TFontFamilyInfo info{font->lfCharSet, static_cast<unsigned>(type),
                             font->lfPitchAndFamily};
        if (FontPassesOptions(e->options, info) && e->seen.insert(AnsiUpperCase(name)).second)
            e->found.emplace_back(name, type);
    });
    return 1;
}

std::unique_ptr<TBitmap> Mark(LPCSTR name) {
    auto mark = MakeBitmap(name);
    mark->Transparent = true;
    mark->TransparentMode = tmFixed;
    mark->SetTransparentColor(clFuchsia);
    return mark;
}

}  // namespace

TFontComboBox::TFontComboBox(TComponent* owner)
    : TOwnerDrawComboBox(owner), FTrueTypeMark(Mark("TRUETYPE_FNT")), FDeviceMark(Mark("DEVICE_FNT")) {
    SetSorted(true);
    if (Application)
        Application->HookMainWindow(this, [this](TMessage& m) {
            if (m.Msg == WM_FONTCHANGE && HandleAllocated()) Reset();
            return false;
        });
}

TFontComboBox::~TFontComboBox() {
    if (Application) Application->UnhookMainWindow(this);
}

int TFontComboBox::MinItemHeight() {
    return OwnerDrawItemHeight(FontMetrics(Font()).tmHeight, FTrueTypeMark->Height());
}

void TFontComboBox::PopulateList() {
    if (!HandleAllocated()) return;
    FontEnumeration e{FOptions, {}, {}};
    if (FDevice == fdScreen || FDevice == fdBoth) {
        HDC dc = GetDC(nullptr);
        EnumFontFamiliesA(dc, nullptr, EnumFamily, reinterpret_cast<LPARAM>(&e));
        ReleaseDC(nullptr, dc);
    }
    if (FDevice == fdPrinter || FDevice == fdBoth) {
        try {
            TPrinter printer;
            EnumFontFamiliesA(printer.Handle(), nullptr, EnumFamily, reinterpret_cast<LPARAM>(&e));
        } catch (const Exception&) {
            // No printer: the screen's fonts only (when the device includes the screen).
        }
    }
    Items()->BeginUpdate();
    Items()->Clear();
    for (const auto& [name, type] : e.found)
        Items()->AddObject(name, reinterpret_cast<void*>(static_cast<uintptr_t>(type)));
    Items()->EndUpdate();
}

void TFontComboBox::Reset() {
    FUpdating = true;
    std::string name = FontName();
    {
        struct Done {
            bool& flag;
            ~Done() { flag = false; }
        } done{FUpdating};
        PopulateList();
        SetFontName(name);
    }
    if (FontName() != name) DoChange();
}

void TFontComboBox::CreateWnd() {
    std::string name = FontName();
    TOwnerDrawComboBox::CreateWnd();
    FUpdating = true;
    {
        struct Done {
            bool& flag;
            ~Done() { flag = false; }
        } done{FUpdating};
        if (IsEditable()) SetWindowTextA(Handle(), "");
        PopulateList();
        SetFontName(name);
    }
    if (FontName() != name) DoChange();
}

void TFontComboBox::SetFontName(const std::string& name) {
    if (FontName() == name) return;
    if (ComponentState() & csLoading) {
        SetText(name);
        return;
    }
    HandleNeeded();
    for (int i = 0; i < Items()->Count(); ++i)
        if (AnsiCompareText(Items()->Strings(i), name) == 0) {
            SetItemIndex(i);
            DoChange();
            return;
        }
    if (IsEditable()) {
        SetText(name);
    } else if (name.empty()) {
        SetItemIndex(-1);
    } else {
        // Not listed (not installed, or not of the chosen kind): kept as an item of its own,
        // so that whoever reads the name back gets what was set, not an empty name.
        SetItemIndex(Items()->Add(name));
    }
    DoChange();
}

void TFontComboBox::SetOptions(TFontListOptions options) {
    if (options == FOptions) return;
    FOptions = options;
    if (HandleAllocated()) Reset();
}

void TFontComboBox::SetTrueTypeOnly(bool on) {
    TFontListOptions o = FOptions & ~FontListOption(foTrueTypeOnly);
    SetOptions(on ? o | FontListOption(foTrueTypeOnly) : o);
}

void TFontComboBox::SetDevice(TFontDevice device) {
    if (device == FDevice) return;
    FDevice = device;
    if (HandleAllocated()) Reset();
}

void TFontComboBox::DrawItem(int index, RECT rect, TOwnerDrawState state) {
    (void)state;
    TCanvas* c = Canvas();
    c->FillRect(rect);
    if (index < 0 || index >= Items()->Count()) return;
    auto type = static_cast<unsigned>(reinterpret_cast<uintptr_t>(Items()->Objects(index)));
    TFontMark kind = FontMarkOf(type);
    TBitmap* mark = kind == fmTrueType ? FTrueTypeMark.get()
                    : kind == fmDevice ? FDeviceMark.get()
                                       : nullptr;
    TRectI item = FromRect(rect);
    if (mark) {
        TPointI at = FontMarkOrigin(item, mark->Height());
        DrawBitmapTransparent(c, at.X, at.Y, mark, clFuchsia);
    }
    DrawName(c, rect, FontNameLeft(item, mark ? mark->Width() : 0), Items()->Strings(index));
}

void TFontComboBox::TextChanged() {
    int i = Items()->IndexOf(Caption());
    if (i >= 0 && Items()->Strings(i) == Caption() && ItemIndex() != i) SetItemIndex(i);
    DoChange();
}
