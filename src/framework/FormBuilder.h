// Forms built in code from a table: one row per component (kind, name, parent, bounds in
// pixels, caption, style flags, tag), made in table order, owned by the form and found
// again by name (FindComponent, or FindAs for a typed pointer).
//
//   const TComponentRow kRows[] = {
//       {Make<TPanel>, "MAIN_PANEL_Address", "", 0, 0, 400, 30, "", bfAlignTop, 0},
//       {Make<TComboBox>, "MAIN_COMBO_Address", "MAIN_PANEL_Address", 4, 4, 200, 21, "", 0, 0},
//       {Make<TButton>, "OkBtn", "", 10, 90, 75, 25, "OK", bfDefault | bfModalResult(mrOk), 0},
//       {Make<TPopupMenu>, "MAIN_PMENU_Console", "MAIN_PANEL_Console", 0, 0, 0, 0, "", 0, 0},
//       {Make<TMenuItem>, "CopyItem", "MAIN_PMENU_Console", 0, 0, 0, 0, "Copy",
//        bfShortCut(ShortCut(VK_INSERT, ssCtrl)), 0},
//   };
//   BuildForm(form, kRows);
//
// Parent: a control's parent window ("" the form; a cool bar gets a band for the control,
// a page control a page); a menu item's menu or parent item; a pop-up menu's control ("" the
// form). A TMainMenu becomes the form's menu. Caption: the text; for list boxes, combo
// boxes, tab controls and memos a caption with '\n' gives their items, tabs or lines.
#pragma once

#include <cstdint>
#include <iterator>
#include <string>

#include "framework/Forms.h"
#include "framework/core/Exception.h"

using TComponentFactory = TComponent* (*)(TComponent* owner);
template <class T>
TComponent* Make(TComponent* owner) {
    return new T(owner);
}

// Style flags of a row. The low three bits are the alignment (TAlign); bits 16 and up
// hold a menu item's shortcut, bits 24 and up a button's modal result.
enum TBuildFlag : uint32_t {
    bfAlignTop = alTop,
    bfAlignBottom = alBottom,
    bfAlignLeft = alLeft,
    bfAlignRight = alRight,
    bfAlignClient = alClient,
    bfHidden = 1u << 3,
    bfDisabled = 1u << 4,
    bfChecked = 1u << 5,  // check box, radio button, menu item; a speed button down
    bfDefault = 1u << 6,  // button, speed button, menu item
    bfCancel = 1u << 7,   // button, speed button
    bfNoTabStop = 1u << 8,
    bfTabStop = 1u << 9,
    bfReadOnly = 1u << 10,      // edit, memo
    bfPassword = 1u << 11,      // edit ('*')
    bfAutoSize = 1u << 12,      // label, image (on); others: off when absent
    bfDropDownList = 1u << 13,  // combo box
    bfOwnerDraw = 1u << 14,     // list box, combo box (fixed height)
    bfSorted = 1u << 15,        // list box, combo box
    bfVertical = 1u << 16,      // scroll bar, up-down
    bfFlat = 1u << 17,          // speed button
    bfWordWrap = 1u << 18,      // label, memo
};
constexpr uint32_t bfShortCut(TShortCut shortCut) {
    return static_cast<uint32_t>(shortCut) << 16;
}
constexpr uint32_t bfModalResult(TModalResult result) {
    return static_cast<uint32_t>(result) << 24;
}

struct TComponentRow {
    TComponentFactory Make;
    const char* Name;
    const char* Parent;
    int Left, Top, Width, Height;
    const char* Caption;
    uint32_t Style;
    intptr_t Tag;
};

// Makes the rows' components on `form`, in order. A parent must come before its children;
// an unknown parent or a duplicate name throws. The components are loading while they are
// made; at the end each one's Loaded() runs, in the order of the rows.
void BuildForm(TForm* form, const TComponentRow* rows, size_t count);
template <size_t N>
void BuildForm(TForm* form, const TComponentRow (&rows)[N]) {
    BuildForm(form, rows, N);
}

// The component of that name owned by `owner`, as a T; throws when there is none or it is
// of another kind.
template <class T>
T* FindAs(const TComponent* owner, const std::string& name) {
    TComponent* c = owner->FindComponent(name);
    auto* t = dynamic_cast<T*>(c);
    if (!t)
        throw Exception(c ? "Component " + name + " is of another kind"
                          : "Component " + name + " not found");
    return t;
}
