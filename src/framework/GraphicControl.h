// Windowless controls: they live in their parent's window, paint inside the parent's
// WM_PAINT (TWinControl::PaintControls) and get the parent's mouse messages when the
// mouse is over them (TWinControl routes them by hit test, in client coordinates of the
// control; a press keeps the mouse until every button is up).
#pragma once

#include "framework/Controls.h"
#include "framework/Graphics.h"

class TGraphicControl;

// A canvas on the control's rectangle of its parent's window: the parent's paint context
// while painting, else a context of the parent's window with the origin at the control's
// top-left corner, clipped to the control.
class TGraphicControlCanvas : public TCanvas {
public:
    explicit TGraphicControlCanvas(TGraphicControl* control) : FControl(control) {}
    ~TGraphicControlCanvas() override;
    void FreeContext() { FreeHandle(); }
    // The window whose context the canvas holds (nullptr: none held).
    HWND ContextWindow() const { return FWnd; }

protected:
    void CreateHandle() override;
    void FreeHandle() override;

private:
    TGraphicControl* FControl;
    HWND FWnd = nullptr;
    HDC FDC = nullptr;
};

class TGraphicControl : public TControl {
public:
    explicit TGraphicControl(TComponent* owner);
    ~TGraphicControl() override;

    // The canvas (its context is made again when the parent's window was replaced).
    TCanvas* Canvas();

    // Marks the control's rectangle of the parent for repainting.
    void Invalidate();
    // Invalidate, then paint now.
    void Repaint();

    void SetParent(TWinControl* parent) override;
    void SetBounds(int left, int top, int width, int height) override;
    void SetVisible(bool visible) override;
    void SetEnabled(bool enabled) override;

    // WM_PAINT with the parent's context in WParam runs Paint on the canvas.
    void WndProc(TMessage& message) override;

protected:
    virtual void Paint() {}
    bool MouseInControl() const { return FMouseInControl; }

private:
    TGraphicControlCanvas FCanvas;
    bool FMouseInControl = false;
};

// A windowless control that paints through OnPaint.
class TPaintBox : public TGraphicControl {
public:
    explicit TPaintBox(TComponent* owner) : TGraphicControl(owner) { FClickEvents = true; }
    TNotifyEvent OnPaint;

protected:
    void Paint() override;
};
