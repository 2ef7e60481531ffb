#include "framework/Samples.h"

#include <algorithm>

#include "framework/Timers.h"

// ---- TCGauge ----------------------------------------------------------------------------

TCGauge::TCGauge(TComponent* owner) : TGraphicControl(owner) {
    FWidth = 100;
    FHeight = 100;
}

void TCGauge::SetMinValue(int v) {
    FMin = v;
    if (FMax < FMin) FMax = FMin;
    FProgress = std::clamp(FProgress, FMin, FMax);
    Invalidate();
}

void TCGauge::SetMaxValue(int v) {
    FMax = v;
    if (FMin > FMax) FMin = FMax;
    FProgress = std::clamp(FProgress, FMin, FMax);
    Invalidate();
}

void TCGauge::SetProgress(int v) {
    v = std::clamp(v, FMin, FMax);
    if (v == FProgress) return;
    FProgress = v;
    Invalidate();
}

int TCGauge::PercentDone() const {
    return GaugePercent(FMin, FMax, FProgress);
}

void TCGauge::SetKind(TCGaugeKind kind) {
    FKind = kind;
    Invalidate();
}

void TCGauge::SetForeColor(TColor color) {
    FForeColor = color;
    Invalidate();
}

void TCGauge::SetBackColor(TColor color) {
    FBackColor = color;
    Invalidate();
}

void TCGauge::SetShowText(bool show) {
    FShowText = show;
    Invalidate();
}

void TCGauge::SetBorderStyle(TBorderStyle style) {
    FBorderStyle = style;
    Invalidate();
}

void TCGauge::Paint() {
    TCanvas* c = Canvas();
    HDC dc = c->Handle();
    RECT r = ClientRect();
    if (FBorderStyle == bsSingle) {
        c->Brush()->SetColor(clWindowFrame);
        c->FrameRect(r);
        InflateRect(&r, -1, -1);
    }
    int percent = PercentDone();
    RECT filled = r;
    if (FKind == gkVerticalBar)
        filled.top = r.bottom - (r.bottom - r.top) * percent / 100;
    else if (FKind == gkHorizontalBar)
        filled.right = r.left + (r.right - r.left) * percent / 100;
    else
        filled.right = filled.left;
    c->Brush()->SetColor(FBackColor);
    c->FillRect(r);
    c->Brush()->SetColor(FForeColor);
    c->FillRect(filled);
    if (!FShowText) return;
    std::string text = GaugeText(percent);
    c->Font()->Assign(*Font());
    c->RequireTools();
    SetBkMode(dc, TRANSPARENT);
    // The text in the colour that stands out from what lies under each part of it.
    auto draw = [&](const RECT& clip, TColor color) {
        if (clip.right <= clip.left || clip.bottom <= clip.top) return;
        int saved = SaveDC(dc);
        IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
        SetTextColor(dc, ColorToGdi(color));
        RECT tr = r;
        DrawTextA(dc, text.c_str(), -1, &tr, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
        RestoreDC(dc, saved);
    };
    RECT empty = r;
    if (FKind == gkVerticalBar)
        empty.bottom = filled.top;
    else
        empty.left = filled.right;
    draw(filled, FBackColor);
    draw(empty, FForeColor);
}

// ---- TCSpinButton -----------------------------------------------------------------------

TCSpinButton::TCSpinButton(TComponent* owner) : TCustomControl(owner), FTimer(new TTimer(this)) {
    FWidth = 20;
    FHeight = 25;
    FTabStop = true;
    FTimer->SetEnabled(false);
    FTimer->SetOnTimer([this](TComponent*) { Repeat(); });
}

void TCSpinButton::SetFocusControl(TWinControl* control) {
    if (FFocusControl) FFocusControl->RemoveFreeNotification(this);
    FFocusControl = control;
    if (control) control->FreeNotification(this);
}

void TCSpinButton::Notification(TComponent* component, TOperation operation) {
    TCustomControl::Notification(component, operation);
    if (operation == opRemove && component == FFocusControl) FFocusControl = nullptr;
}

void TCSpinButton::ClickHalf(int half) {
    if (half == 1 && OnUpClick) OnUpClick(this);
    if (half == 2 && OnDownClick) OnDownClick(this);
}

void TCSpinButton::Repeat() {
    FTimer->SetInterval(100);
    if (FPressed && HandleAllocated() && GetCapture() == Handle())
        ClickHalf(FPressed);
    else
        FTimer->SetEnabled(false);
}

void TCSpinButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TCustomControl::MouseDown(button, shift, x, y);
    if (button != mbLeft || !Enabled()) return;
    if (FFocusControl && FFocusControl->CanFocus() && !FFocusControl->Focused())
        FFocusControl->SetFocus();
    else if (!FFocusControl && CanFocus() && !Focused())
        SetFocus();
    FPressed = y < FHeight / 2 ? 1 : 2;
    Invalidate();
    ClickHalf(FPressed);
    FTimer->SetInterval(400);
    FTimer->SetEnabled(true);
}

void TCSpinButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TCustomControl::MouseUp(button, shift, x, y);
    if (button != mbLeft) return;
    FPressed = 0;
    FTimer->SetEnabled(false);
    Invalidate();
}

void TCSpinButton::KeyDown(WORD& key, TShiftState shift) {
    TCustomControl::KeyDown(key, shift);
    if (key == VK_UP)
        ClickHalf(1);
    else if (key == VK_DOWN)
        ClickHalf(2);
}

void TCSpinButton::WndProc(TMessage& message) {
    if (message.Msg == WM_GETDLGCODE) {
        message.Result = DLGC_WANTARROWS;
        return;
    }
    TCustomControl::WndProc(message);
}

void TCSpinButton::Paint() {
    HDC dc = Canvas()->Handle();
    RECT up{0, 0, FWidth, FHeight / 2}, down{0, FHeight / 2, FWidth, FHeight};
    UINT disabled = Enabled() ? 0 : DFCS_INACTIVE;
    DrawFrameControl(dc, &up, DFC_SCROLL,
                     DFCS_SCROLLUP | disabled | (FPressed == 1 ? DFCS_PUSHED : 0));
    DrawFrameControl(dc, &down, DFC_SCROLL,
                     DFCS_SCROLLDOWN | disabled | (FPressed == 2 ? DFCS_PUSHED : 0));
}
