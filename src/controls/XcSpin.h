// Spin edits: a numeric edit with spin buttons (TXcSpinEdit), the diagonal two-way spin
// button it may carry (TXcSpinButton, also the windows' spin button wherever they want
// one) and the standard up-down control it carries otherwise (TXcUpDown). The value
// rules are controls/core/XcSpinRules.h.
#pragma once

#include <memory>

#include "controls/core/XcSpinRules.h"
#include "framework/ComCtrls.h"
#include "framework/GraphicControl.h"
#include "framework/StdCtrls.h"

class TTimer;

// A square button split by its diagonal from the bottom-left to the top-right corner: the
// upper half clicks "top", the lower "bottom". A held half clicks again after 400 ms and
// then every 100 ms while the mouse stays on it.
class TXcSpinButton : public TGraphicControl {
public:
    explicit TXcSpinButton(TComponent* owner);
    ~TXcSpinButton() override;

    // The arrows ("XCSPINUP" and "XCSPINDOWN" at first; magenta is transparent).
    TBitmap* UpGlyph() { return FUpGlyph.get(); }
    TBitmap* DownGlyph() { return FDownGlyph.get(); }
    void SetUpGlyph(TBitmap* glyph);
    void SetDownGlyph(TBitmap* glyph);
    TSpinButtonState State() const { return FDown; }
    // Takes the focus when the button is pressed.
    TWinControl* FocusControl() const { return FFocusControl; }
    void SetFocusControl(TWinControl* control);

    TNotifyEvent OnTopClick;
    TNotifyEvent OnBottomClick;

    void SetEnabled(bool enabled) override;

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void Notification(TComponent* component, TOperation operation) override;
    // Whether the left button is still down (the thread's key state).
    virtual bool LeftButtonDown() const;

private:
    void HalfClick(TSpinButtonState half);
    void SetState(TSpinButtonState state);
    void TimerExpired();
    void DrawAllBitmaps();
    std::unique_ptr<TBitmap> DrawBitmap(TSpinButtonState state);

    std::unique_ptr<TBitmap> FUpGlyph, FDownGlyph;
    std::unique_ptr<TBitmap> FUpBitmap, FDownBitmap, FNotDownBitmap;
    bool FBitmapsValid = false;
    TSpinButtonState FDown = sbNotDown;
    TSpinButtonState FFirstDown = sbNotDown;
    bool FDragging = false;
    TTimer* FRepeatTimer = nullptr;
    TWinControl* FFocusControl = nullptr;
};

// The standard up-down of a spin edit: every press is a click of its upper or lower
// button, and the position goes back to the middle.
class TXcUpDown : public TCustomUpDown {
public:
    explicit TXcUpDown(TComponent* owner);
    void SetBounds(int left, int top, int width, int height) override;
    void WndProc(TMessage& message) override;

private:
    bool FChanging = false;
};

class TXcSpinEdit : public TCustomEdit {
public:
    explicit TXcSpinEdit(TComponent* owner);
    ~TXcSpinEdit() override;

    double MinValue() const { return FRules.MinValue; }
    void SetMinValue(double v) { FRules.MinValue = v; }
    double MaxValue() const { return FRules.MaxValue; }
    void SetMaxValue(double v) { FRules.MaxValue = v; }
    double Increment() const { return FRules.Increment; }
    void SetIncrement(double v) { FRules.Increment = v; }
    int Decimal() const { return FRules.Decimal; }
    // Re-writes the text with the new number of digits.
    void SetDecimal(int digits);
    TValueType ValueType() const { return FRules.ValueType; }
    void SetValueType(TValueType type);
    // Off: nothing can be typed or deleted, the buttons still work.
    bool EditorEnabled = true;
    bool ArrowKeys() const { return FArrowKeys; }
    void SetArrowKeys(bool on);
    TSpinButtonKind ButtonKind() const { return FButtonKind; }
    void SetButtonKind(TSpinButtonKind kind);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment alignment);

    // The number the text shows (MinValue when it shows none), and the text of a value
    // held to the limits.
    double Value() const;
    void SetValue(double value);
    int AsInteger() const;
    void SetAsInteger(int value) { SetValue(value); }
    int ButtonWidth() const;
    // The button in use (the other is nullptr).
    TXcUpDown* UpDown() const { return FUpDown; }
    TXcSpinButton* SpinButton() const { return FButton; }

    TNotifyEvent OnTopClick;
    TNotifyEvent OnBottomClick;

    // One step up or down (a beep only while read-only).
    virtual void UpClick(TComponent* sender);
    virtual void DownClick(TComponent* sender);

    void SetBounds(int left, int top, int width, int height) override;
    void SetEnabled(bool enabled) override;
    void WndProc(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void FontChanged() override;
    void DoEnter() override;
    void DoExit() override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void KeyPress(char& key) override;
    void Change() override;

private:
    void Step(bool up);
    void RecreateButton();
    void ResizeButton();
    void SetEditRect();
    void UpdateBuddy();
    int MinHeight();

    TSpinRules FRules;
    bool FChanging = false;
    bool FArrowKeys = true;
    TSpinButtonKind FButtonKind = bkDiagonal;
    TAlignment FAlignment = taLeftJustify;
    TWinControl* FButtonHolder = nullptr;
    TXcSpinButton* FButton = nullptr;
    TXcUpDown* FUpDown = nullptr;
};
