// The two sample controls the windows use: a percentage gauge and a two-way spin button.
#pragma once

#include "framework/Controls.h"
#include "framework/GraphicControl.h"

class TTimer;

enum TCGaugeKind { gkText, gkHorizontalBar, gkVerticalBar };

// A bar filled to Progress between MinValue and MaxValue, with the percentage in its
// middle (in ForeColor over the empty part, BackColor over the filled part).
class TCGauge : public TGraphicControl {
public:
    explicit TCGauge(TComponent* owner);
    int MinValue() const { return FMin; }
    void SetMinValue(int v);
    int MaxValue() const { return FMax; }
    void SetMaxValue(int v);
    int Progress() const { return FProgress; }
    // Held to MinValue..MaxValue.
    void SetProgress(int v);
    void AddProgress(int v) { SetProgress(FProgress + v); }
    int PercentDone() const;
    TCGaugeKind Kind() const { return FKind; }
    void SetKind(TCGaugeKind kind);
    TColor ForeColor() const { return FForeColor; }
    void SetForeColor(TColor color);
    TColor BackColor() const { return FBackColor; }
    void SetBackColor(TColor color);
    bool ShowText() const { return FShowText; }
    void SetShowText(bool show);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle style);

protected:
    void Paint() override;

private:
    int FMin = 0, FMax = 100, FProgress = 0;
    TCGaugeKind FKind = gkHorizontalBar;
    TColor FForeColor = clBlack;
    TColor FBackColor = clWhite;
    bool FShowText = true;
    TBorderStyle FBorderStyle = bsSingle;
};

// Two arrow buttons, one above the other: a press clicks the half and repeats while held
// (after 400 ms, then every 100 ms); the arrow keys click too while it has the focus.
class TCSpinButton : public TCustomControl {
public:
    explicit TCSpinButton(TComponent* owner);
    TNotifyEvent OnUpClick;
    TNotifyEvent OnDownClick;
    // Takes the focus when the button is pressed.
    TWinControl* FocusControl() const { return FFocusControl; }
    void SetFocusControl(TWinControl* control);

    void WndProc(TMessage& message) override;

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    void ClickHalf(int half);
    void Repeat();
    int FPressed = 0;  // 1 upper half, 2 lower half, 0 none
    TTimer* FTimer;
    TWinControl* FFocusControl = nullptr;
};
