// TCustomMaskEdit: an edit whose text follows an edit mask (framework/core/EditMask.h).
// The literals stand in place, typed characters overwrite the positions they fit, Backspace
// and Delete empty positions; without a mask it is a plain edit.
#pragma once

#include <string>

#include "framework/StdCtrls.h"
#include "framework/core/EditMask.h"

class TCustomMaskEdit : public TCustomEdit {
public:
    explicit TCustomMaskEdit(TComponent* owner) : TCustomEdit(owner) {}

    const std::string& EditMask() const { return FEditMask; }
    // Re-shows the text in the new mask.
    void SetEditMask(const std::string& mask);
    bool IsMasked() const { return !FMask.Empty(); }
    const TEditMask& Mask() const { return FMask; }
    // What the edit shows (literals and blanks included).
    std::string EditText() const { return TCustomEdit::Caption(); }
    // The text: with a mask as the mask's save field says.
    std::string Caption() const override;
    void SetCaption(const std::string& caption) override;

    void WndProc(TMessage& message) override;

protected:
    void CreateWnd() override;
    void KeyPress(char& key) override;
    void KeyDown(WORD& key, TShiftState shift) override;

private:
    // Puts a typed character at the caret (a beep when it fits nowhere).
    void TypeChar(char c);
    // Empties the positions from `start` to `end` (literals stay).
    void ClearRange(int start, int end);
    void Replace(int start, int end, const std::string& text);
    std::string FEditMask;
    TEditMask FMask;
};
