#include "framework/GraphicControl.h"

TGraphicControlCanvas::~TGraphicControlCanvas() { TGraphicControlCanvas::FreeHandle(); }

void TGraphicControlCanvas::CreateHandle() {
    TWinControl* parent = FControl->Parent();
    if (!parent) throw EInvalidGraphicOperation("Control has no parent window");
    FWnd = parent->Handle();
    FDC = GetDC(FWnd);
    if (!FDC) throw EOutOfResources("Out of system resources");
    SetViewportOrgEx(FDC, FControl->Left(), FControl->Top(), nullptr);
    IntersectClipRect(FDC, 0, 0, FControl->Width(), FControl->Height());
    SetHandle(FDC);
}

void TGraphicControlCanvas::FreeHandle() {
    TCanvas::FreeHandle();
    if (FDC) {
        SetViewportOrgEx(FDC, 0, 0, nullptr);
        SelectClipRgn(FDC, nullptr);
        ReleaseDC(FWnd, FDC);
    }
    FDC = nullptr;
    FWnd = nullptr;
}

TGraphicControl::TGraphicControl(TComponent* owner) : TControl(owner), FCanvas(this) {}

TGraphicControl::~TGraphicControl() {
    FCanvas.FreeContext();
    Invalidate();
}

TCanvas* TGraphicControl::Canvas() {
    HWND held = FCanvas.ContextWindow();
    if (held && (!FParent || !FParent->HandleAllocated() || FParent->Handle() != held))
        FCanvas.FreeContext();
    return &FCanvas;
}

void TGraphicControl::Invalidate() {
    if (!FParent || !FParent->HandleAllocated()) return;
    RECT r = BoundsRect();
    InvalidateRect(FParent->Handle(), &r, TRUE);
}

void TGraphicControl::Repaint() {
    Invalidate();
    if (FParent && FParent->HandleAllocated()) UpdateWindow(FParent->Handle());
}

void TGraphicControl::SetParent(TWinControl* parent) {
    if (parent == FParent) return;
    FCanvas.FreeContext();
    Invalidate();
    TControl::SetParent(parent);
    Invalidate();
}

void TGraphicControl::SetBounds(int left, int top, int width, int height) {
    if (left == FLeft && top == FTop && width == FWidth && height == FHeight) return;
    FCanvas.FreeContext();
    Invalidate();
    TControl::SetBounds(left, top, width, height);
    Invalidate();
}

void TGraphicControl::SetVisible(bool visible) {
    if (visible == FVisible) return;
    TControl::SetVisible(visible);
    Invalidate();
}

void TGraphicControl::SetEnabled(bool enabled) {
    if (enabled == FEnabled) return;
    TControl::SetEnabled(enabled);
    Invalidate();
}

void TGraphicControl::WndProc(TMessage& message) {
    switch (message.Msg) {
        case WM_PAINT:
            if (message.WParam) {
                FCanvas.FreeContext();
                FCanvas.SetHandle(reinterpret_cast<HDC>(message.WParam));
                struct Release {
                    TGraphicControlCanvas& c;
                    ~Release() { c.SetHandle(nullptr); }
                } release{FCanvas};
                Paint();
            }
            message.Result = 0;
            return;
        case CM_MOUSEENTER:
            FMouseInControl = true;
            break;
        case CM_MOUSELEAVE:
            FMouseInControl = false;
            break;
        default:
            break;
    }
    TControl::WndProc(message);
}

void TPaintBox::Paint() {
    if (OnPaint) OnPaint(this);
}
