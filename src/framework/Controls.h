// Controls: TControl (anything with bounds inside a parent) and TWinControl (a control
// with its own window). Windows are created lazily, when a handle is first needed, from
// the parameters a class fills in CreateParams; a class may superclass a system window
// class, and then the system's window procedure is its DefaultHandler.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/core/Component.h"

struct TMessage {
    UINT Msg = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
    LRESULT Result = 0;
};

using TNotifyEvent = std::function<void(TComponent* sender)>;

// Sent to a windowless control when the mouse comes over it and when it leaves.
constexpr UINT CM_MOUSEENTER = WM_APP + 0x3011;
constexpr UINT CM_MOUSELEAVE = WM_APP + 0x3012;

struct TCreateParams {
    std::string Caption;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    int X = CW_USEDEFAULT;
    int Y = CW_USEDEFAULT;
    int Width = CW_USEDEFAULT;
    int Height = CW_USEDEFAULT;
    HWND WndParent = nullptr;
    // Our class name, and the system class it superclasses (empty: a plain window).
    std::string WinClassName;
    std::string SystemClassName;
    UINT ClassStyle = CS_DBLCLKS;
    HCURSOR Cursor = nullptr;
    HBRUSH Background = nullptr;
};

class TWinControl;

class TControl : public TComponent {
public:
    explicit TControl(TComponent* owner);
    ~TControl() override;

    TWinControl* Parent() const { return FParent; }
    virtual void SetParent(TWinControl* parent);

    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    virtual void SetBounds(int left, int top, int width, int height);
    void SetLeft(int v) { SetBounds(v, FTop, FWidth, FHeight); }
    void SetTop(int v) { SetBounds(FLeft, v, FWidth, FHeight); }
    void SetWidth(int v) { SetBounds(FLeft, FTop, v, FHeight); }
    void SetHeight(int v) { SetBounds(FLeft, FTop, FWidth, v); }
    RECT BoundsRect() const { return RECT{FLeft, FTop, FLeft + FWidth, FTop + FHeight}; }

    bool Visible() const { return FVisible; }
    virtual void SetVisible(bool visible);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    bool Enabled() const { return FEnabled; }
    virtual void SetEnabled(bool enabled);

    // Caption and Text are one string, as in the framework the program is written for.
    virtual std::string Caption() const { return FCaption; }
    virtual void SetCaption(const std::string& caption);
    std::string Text() const { return Caption(); }
    void SetText(const std::string& text) { SetCaption(text); }

    // Every message for this control passes here; the default sends it to DefaultHandler.
    virtual void WndProc(TMessage& message);
    virtual void DefaultHandler(TMessage& message);
    // Sends a message straight to WndProc (no window needed).
    LRESULT Perform(UINT msg, WPARAM wparam, LPARAM lparam);

protected:
    // Told when the control's bounds, visibility or caption changed (windowed controls
    // pass the change on to their window).
    virtual void BoundsChanged() {}

    friend class TWinControl;
    TWinControl* FParent = nullptr;
    int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
    bool FVisible = true;
    bool FEnabled = true;
    std::string FCaption;
};

class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;

    HWND Handle();  // creates the window when there is none yet
    bool HandleAllocated() const { return FHandle != nullptr; }
    void HandleNeeded() { Handle(); }
    void RecreateWnd();

    int ControlCount() const { return static_cast<int>(FControls.size()); }
    TControl* Controls(int index) const { return FControls.at(static_cast<size_t>(index)); }

    void SetBounds(int left, int top, int width, int height) override;
    void SetVisible(bool visible) override;
    void SetEnabled(bool enabled) override;
    std::string Caption() const override;
    void SetCaption(const std::string& caption) override;

    void SetFocus();
    bool Focused() const;

    void WndProc(TMessage& message) override;
    void DefaultHandler(TMessage& message) override;

    // Finds the control that owns a window made by this framework (nullptr: none).
    static TWinControl* FromHandle(HWND handle);

    // The visible, enabled windowless child at a client point, the topmost first.
    TControl* ControlAtPos(POINT point) const;
    // Paints the windowless children into the client-area context `dc`, each with its
    // origin at its top-left corner and clipped to its bounds (WM_PAINT with the context).
    void PaintControls(HDC dc);

protected:
    virtual void CreateParams(TCreateParams& params);
    virtual void CreateWnd();
    virtual void DestroyWnd();
    // Called once the window exists (children are created after it).
    virtual void CreateHandleDone() {}

    HWND FHandle = nullptr;
    WNDPROC FDefWndProc = nullptr;

private:
    friend class TControl;
    friend LRESULT CALLBACK QuiroInitWndProc(HWND, UINT, WPARAM, LPARAM);
    friend LRESULT CALLBACK QuiroStdWndProc(HWND, UINT, WPARAM, LPARAM);
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);
    void UpdateBoundsFromWindow();
    bool HasWindowlessChildren() const;
    void PaintHandler(TMessage& message);
    bool RouteMouse(TMessage& message);
    void SetMouseControl(TControl* control);

    std::vector<TControl*> FControls;
    TControl* FMouseControl = nullptr;    // windowless child under the mouse
    TControl* FCaptureControl = nullptr;  // windowless child that took the mouse on a press
    bool FDestroyingHandle = false;
};

// Runs fn, handing any exception to the application instead of letting it cross into
// Windows (window procedures, timer and enumeration callbacks use this).
void GuardCallback(const std::function<void()>& fn);
