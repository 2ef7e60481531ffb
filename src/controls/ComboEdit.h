// Edits with a button: TCustomComboEdit, a masked single-line edit with a small speed
// button (TEditButton) inside its right edge that Alt+Down also clicks; a descendant opens
// a dialog there or drops down a TPopupWindow under the edit. The arithmetic is
// controls/core/ComboEditRules.h.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "controls/XcButtons.h"
#include "controls/core/ComboEditRules.h"
#include "framework/Mask.h"

class TCustomComboEdit;

// What goes to and comes from a popup: a text, or none (std::nullopt, "Null").
using TPopupValue = std::optional<std::string>;
using TCloseUpEvent = std::function<void(TComponent* sender, bool accept)>;

// A window that drops down under an edit without taking the activation from its form.
class TPopupWindow : public TCustomControl {
public:
    // `editor` is the control it drops down under (it owns the popup).
    explicit TPopupWindow(TCustomComboEdit* editor);
    TCustomComboEdit* Editor() const { return FEditor; }
    TCloseUpEvent CloseUpHandler;

    virtual TPopupValue GetValue() = 0;
    virtual void SetValue(const TPopupValue& value) = 0;
    virtual void CloseUp(bool accept);
    virtual std::string GetPopupText() { return std::string(); }
    // Shows it with its top-left corner at a screen point / hides it.
    void ShowAt(POINT screen);
    void HidePopup();
    // Repaints the editor's text area (not its button) at once.
    void InvalidateEditor();

    void WndProc(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

private:
    TCustomComboEdit* FEditor;
};

// The speed button of a combo edit; the press that closes the popup does not open it again.
class TEditButton : public TXcSpeedButton {
public:
    explicit TEditButton(TComponent* owner) : TXcSpeedButton(owner) { SetParentShowHint(true); }
    TCustomComboEdit* Edit = nullptr;
    void Click() override;

protected:
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void Paint() override;

private:
    bool FSwallowClick = false;
};

class TCustomComboEdit : public TCustomMaskEdit {
public:
    explicit TCustomComboEdit(TComponent* owner);
    ~TCustomComboEdit() override;

    TEditButton* Button() const { return FButton; }
    int ButtonWidth() const;
    void SetButtonWidth(int width);
    std::string ButtonHint() const { return FButton->Hint(); }
    void SetButtonHint(const std::string& hint) { FButton->SetHint(hint); }
    TBitmap* Glyph() { return FButton->Glyph(); }
    // A picture of one's own (GlyphKind becomes gkCustom).
    void SetGlyph(TBitmap* glyph);
    int NumGlyphs() const { return FButton->NumGlyphs(); }
    void SetNumGlyphs(int count);
    TGlyphKind GlyphKind() const { return FGlyphKind; }
    void SetGlyphKind(TGlyphKind kind);
    // The key that clicks the button (Alt+Down at first).
    TShortCut ClickKey = static_cast<TShortCut>(scAlt | VK_DOWN);
    // Typing is allowed (the button works either way).
    bool DirectInput() const { return FDirectInput; }
    void SetDirectInput(bool on);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool readOnly);
    bool ButtonWhenReadOnly = false;
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment alignment);
    TPopupAlign PopupAlign = epaRight;
    bool PopupVisible() const { return FPopup && FPopupShown; }
    TPopupWindow* Popup() const { return FPopup; }
    bool HasFocus() const { return FFocused; }

    TNotifyEvent OnButtonClick;

    // As a click of the button.
    void DoClick() { EditButtonClick(); }
    void SelectAll();
    void SetBounds(int left, int top, int width, int height) override;
    void SetEnabled(bool enabled) override;
    void WndProc(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void FontChanged() override;
    void DoEnter() override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void KeyPress(char& key) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void Change() override;

    // The picture for gkDefault (none here); `destroy`: the caller frees it.
    virtual TBitmap* GetDefaultBitmap(bool& destroy);
    virtual void ButtonClick();
    virtual void PopupDropDown(bool disableEdit);
    virtual void ShowPopup(POINT origin);
    virtual void HidePopup();
    virtual bool AcceptPopup(TPopupValue& value);
    virtual void AcceptValue(const TPopupValue& value);
    virtual void SetPopupValue(const TPopupValue& value);
    virtual TPopupValue GetPopupValue();
    virtual void PopupChange() {}
    bool EditCanModify() const { return !FReadOnly; }
    void PopupCloseUp(TComponent* sender, bool accept);
    // The default glyph count (gkDefault).
    int DefaultGlyphCount = 1;
    TPopupWindow* FPopup = nullptr;

private:
    friend class TEditButton;
    void EditButtonClick();
    void RecreateGlyph();
    void UpdateButtonBounds();
    void SetEditRect();
    void ApplyInnerReadOnly();
    int MinHeight();

    TWinControl* FButtonHolder;
    TEditButton* FButton;
    TGlyphKind FGlyphKind = gkCustom;
    bool FDirectInput = true;
    bool FReadOnly = false;
    TAlignment FAlignment = taLeftJustify;
    bool FPopupShown = false;
    bool FFocused = false;
    bool FCreating = true;
};

class TComboEdit : public TCustomComboEdit {
public:
    using TCustomComboEdit::TCustomComboEdit;
};

// The edit's text margins: x the left, y the top.
POINT EditorTextMargins(TCustomEdit* editor);
// Paints an edit's text itself (while disabled, or under its popup): false when the
// edit's own painting should be used instead.
bool PaintComboEdit(TCustomComboEdit* editor, const std::string& text, TAlignment alignment,
                    bool standardPaint, TMessage& message);
