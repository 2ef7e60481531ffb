#include "framework/Controls.h"

#include <algorithm>
#include <map>

#include "framework/Forms.h"
#include "framework/Screen.h"
#include "framework/core/Exception.h"

namespace {

const char kControlProp[] = "QuiroControl";

// The control whose window is being created on this thread: the first message of the new
// window binds the two.
thread_local TWinControl* gCreating = nullptr;

// Our registered classes and the window procedure each one defers to.
std::map<std::string, WNDPROC>& ClassDefaults() {
    static std::map<std::string, WNDPROC> classes;
    return classes;
}

}  // namespace

LRESULT CALLBACK QuiroStdWndProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);

LRESULT CALLBACK QuiroInitWndProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    TWinControl* control = gCreating;
    if (!control) return DefWindowProcA(hwnd, msg, wparam, lparam);
    gCreating = nullptr;
    control->FHandle = hwnd;
    SetPropA(hwnd, kControlProp, reinterpret_cast<HANDLE>(control));
    SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&QuiroStdWndProc));
    return QuiroStdWndProc(hwnd, msg, wparam, lparam);
}

LRESULT CALLBACK QuiroStdWndProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    auto* control = reinterpret_cast<TWinControl*>(GetPropA(hwnd, kControlProp));
    if (!control) return DefWindowProcA(hwnd, msg, wparam, lparam);
    TMessage m{msg, wparam, lparam, 0};
    if (msg == WM_NCDESTROY) {
        // The last message: let the system clean up, then unbind.
        GuardCallback([&] { control->WndProc(m); });
        RemovePropA(hwnd, kControlProp);
        control->FHandle = nullptr;
        return m.Result;
    }
    // The control may free itself while handling the message: touch nothing of it after.
    GuardCallback([&] { control->WndProc(m); });
    return m.Result;
}

void GuardCallback(const std::function<void()>& fn) {
    try {
        fn();
    } catch (...) {
        if (Application)
            Application->HandleException(nullptr);
    }
}

// ---- TControl ---------------------------------------------------------------------------

TControl::TControl(TComponent* owner) : TComponent(owner) {}

TControl::~TControl() { SetParent(nullptr); }

void TControl::SetParent(TWinControl* parent) {
    if (FParent == parent) return;
    if (FParent) FParent->RemoveControl(this);
    FParent = nullptr;
    if (parent) parent->InsertControl(this);
}

void TControl::SetBounds(int left, int top, int width, int height) {
    FLeft = left;
    FTop = top;
    FWidth = width;
    FHeight = height;
    BoundsChanged();
}

void TControl::SetVisible(bool visible) { FVisible = visible; }

void TControl::SetEnabled(bool enabled) { FEnabled = enabled; }

void TControl::SetCaption(const std::string& caption) { FCaption = caption; }

void TControl::WndProc(TMessage& message) { DefaultHandler(message); }

void TControl::DefaultHandler(TMessage& message) { message.Result = 0; }

LRESULT TControl::Perform(UINT msg, WPARAM wparam, LPARAM lparam) {
    TMessage m{msg, wparam, lparam, 0};
    WndProc(m);
    return m.Result;
}

// ---- TWinControl ------------------------------------------------------------------------

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl() {
    // Whoever watches the window (a subclass, a hook) sees the control going, not a window
    // being re-created.
    Destroying();
    // Child controls go with their parent (they leave their owners' lists as they go).
    while (!FControls.empty()) delete FControls.back();
    if (FHandle) DestroyWnd();
}

void TWinControl::InsertControl(TControl* control) {
    FControls.push_back(control);
    control->FParent = this;
    auto* win = dynamic_cast<TWinControl*>(control);
    if (win && FHandle && win->FVisible) win->HandleNeeded();
}

void TWinControl::RemoveControl(TControl* control) {
    auto it = std::find(FControls.begin(), FControls.end(), control);
    if (it != FControls.end()) FControls.erase(it);
    if (FMouseControl == control) FMouseControl = nullptr;
    if (FCaptureControl == control) FCaptureControl = nullptr;
    control->FParent = nullptr;
    auto* win = dynamic_cast<TWinControl*>(control);
    if (win && win->FHandle && !win->FDestroyingHandle) win->DestroyWnd();
}

HWND TWinControl::Handle() {
    if (!FHandle) {
        if (FParent) FParent->HandleNeeded();
        if (!FHandle) CreateWnd();
    }
    return FHandle;
}

void TWinControl::RecreateWnd() {
    if (!FHandle) return;
    FCaption = Caption();
    DestroyWnd();
    CreateWnd();
}

TWinControl* TWinControl::FromHandle(HWND handle) {
    if (!handle) return nullptr;
    return reinterpret_cast<TWinControl*>(GetPropA(handle, kControlProp));
}

void TWinControl::CreateParams(TCreateParams& params) {
    params.Caption = FCaption;
    params.Style = WS_CHILD | WS_CLIPSIBLINGS | (FVisible ? WS_VISIBLE : 0) |
                   (FEnabled ? 0 : WS_DISABLED);
    params.X = FLeft;
    params.Y = FTop;
    params.Width = FWidth;
    params.Height = FHeight;
    params.WndParent = FParent ? FParent->Handle() : nullptr;
    params.WinClassName = "QuiroWinControl";
    params.Cursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
}

void TWinControl::CreateWnd() {
    TCreateParams p;
    CreateParams(p);
    HINSTANCE inst = GetModuleHandleA(nullptr);
    auto& classes = ClassDefaults();
    auto known = classes.find(p.WinClassName);
    if (known == classes.end()) {
        WNDCLASSA wc{};
        WNDPROC def = &DefWindowProcA;
        if (!p.SystemClassName.empty()) {
            if (!GetClassInfoA(nullptr, p.SystemClassName.c_str(), &wc))
                throw Exception("Window class " + p.SystemClassName + " is not available");
            def = wc.lpfnWndProc;
        } else {
            wc.style = p.ClassStyle;
            wc.hCursor = p.Cursor;
            wc.hbrBackground = p.Background;
        }
        wc.lpfnWndProc = &QuiroInitWndProc;
        wc.hInstance = inst;
        wc.lpszClassName = p.WinClassName.c_str();
        if (!RegisterClassA(&wc))
            throw Exception("Cannot register window class " + p.WinClassName);
        known = classes.emplace(p.WinClassName, def).first;
    }
    FDefWndProc = known->second;
    gCreating = this;
    HWND h = CreateWindowExA(p.ExStyle, p.WinClassName.c_str(), p.Caption.c_str(), p.Style, p.X,
                             p.Y, p.Width, p.Height, p.WndParent, nullptr, inst, nullptr);
    gCreating = nullptr;
    if (!h) {
        FHandle = nullptr;
        throw Exception("Cannot create window (error " + std::to_string(GetLastError()) + ")");
    }
    UpdateBoundsFromWindow();
    CreateHandleDone();
    for (TControl* c : FControls) {
        auto* win = dynamic_cast<TWinControl*>(c);
        if (win && win->FVisible && !win->FHandle) win->CreateWnd();
    }
}

void TWinControl::DestroyWnd() {
    if (!FHandle) return;
    FCaption = Caption();
    FDestroyingHandle = true;
    DestroyWindow(FHandle);
    FDestroyingHandle = false;
    FHandle = nullptr;
}

void TWinControl::UpdateBoundsFromWindow() {
    if (!FHandle) return;
    RECT r;
    GetWindowRect(FHandle, &r);
    HWND parent = GetParent(FHandle);
    if (parent && (GetWindowLongA(FHandle, GWL_STYLE) & WS_CHILD)) {
        MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    }
    FLeft = r.left;
    FTop = r.top;
    FWidth = r.right - r.left;
    FHeight = r.bottom - r.top;
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
    TControl::SetBounds(left, top, width, height);
    if (FHandle)
        SetWindowPos(FHandle, nullptr, left, top, width, height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
}

void TWinControl::SetVisible(bool visible) {
    if (FVisible == visible) return;
    FVisible = visible;
    if (visible) {
        if (!FHandle && (!FParent || FParent->HandleAllocated())) CreateWnd();
        if (FHandle) ShowWindow(FHandle, SW_SHOW);
    } else if (FHandle) {
        ShowWindow(FHandle, SW_HIDE);
    }
}

void TWinControl::SetEnabled(bool enabled) {
    FEnabled = enabled;
    if (FHandle) EnableWindow(FHandle, enabled);
}

std::string TWinControl::Caption() const {
    if (!FHandle) return FCaption;
    int n = GetWindowTextLengthA(FHandle);
    std::string s(static_cast<size_t>(n) + 1, '\0');
    n = GetWindowTextA(FHandle, s.data(), n + 1);
    s.resize(static_cast<size_t>(n > 0 ? n : 0));
    return s;
}

void TWinControl::SetCaption(const std::string& caption) {
    FCaption = caption;
    if (FHandle) SetWindowTextA(FHandle, caption.c_str());
}

void TWinControl::SetFocus() { ::SetFocus(Handle()); }

bool TWinControl::Focused() const { return FHandle && GetFocus() == FHandle; }

void TWinControl::WndProc(TMessage& message) {
    switch (message.Msg) {
        case WM_PAINT:
            if (HasWindowlessChildren()) {
                PaintHandler(message);
                return;
            }
            DefaultHandler(message);
            return;
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
        case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDOWN:
        case WM_MBUTTONUP:
        case WM_MBUTTONDBLCLK:
            if (!RouteMouse(message)) DefaultHandler(message);
            return;
        case WM_MOUSELEAVE:
            SetMouseControl(nullptr);
            DefaultHandler(message);
            return;
        case WM_CAPTURECHANGED:
            FCaptureControl = nullptr;
            DefaultHandler(message);
            return;
        case WM_SETCURSOR:
            // A program-wide cursor (the hourglass while busy) wins over the window's own.
            if (Screen && Screen->Cursor() != crDefault && LOWORD(message.LParam) == HTCLIENT) {
                ::SetCursor(Screen->Cursors(Screen->Cursor()));
                message.Result = TRUE;
                return;
            }
            DefaultHandler(message);
            return;
        case WM_SIZE:
        case WM_MOVE:
            DefaultHandler(message);
            UpdateBoundsFromWindow();
            return;
        default:
            DefaultHandler(message);
    }
}

void TWinControl::DefaultHandler(TMessage& message) {
    if (FHandle && FDefWndProc)
        message.Result =
            CallWindowProcA(FDefWndProc, FHandle, message.Msg, message.WParam, message.LParam);
    else
        message.Result = 0;
}

// ---- Windowless children: painting and mouse routing ------------------------------------

bool TWinControl::HasWindowlessChildren() const {
    return std::any_of(FControls.begin(), FControls.end(),
                       [](TControl* c) { return !dynamic_cast<TWinControl*>(c); });
}

TControl* TWinControl::ControlAtPos(POINT point) const {
    for (auto it = FControls.rbegin(); it != FControls.rend(); ++it) {
        TControl* c = *it;
        if (dynamic_cast<TWinControl*>(c) || !c->FVisible || !c->FEnabled) continue;
        RECT r = c->BoundsRect();
        if (PtInRect(&r, point)) return c;
    }
    return nullptr;
}

void TWinControl::PaintControls(HDC dc) {
    // Copy: a paint handler may add or remove controls.
    std::vector<TControl*> controls = FControls;
    for (TControl* c : controls) {
        if (dynamic_cast<TWinControl*>(c) || !c->FVisible) continue;
        if (std::find(FControls.begin(), FControls.end(), c) == FControls.end()) continue;
        RECT r = c->BoundsRect();
        if (r.right <= r.left || r.bottom <= r.top || !RectVisible(dc, &r)) continue;
        // The context goes back to its state also when the control's paint fails.
        struct Saved {
            HDC dc;
            int id;
            ~Saved() { RestoreDC(dc, id); }
        } saved{dc, SaveDC(dc)};
        OffsetViewportOrgEx(dc, r.left, r.top, nullptr);
        IntersectClipRect(dc, 0, 0, r.right - r.left, r.bottom - r.top);
        c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
    }
}

void TWinControl::PaintHandler(TMessage& message) {
    struct Paint {
        HWND wnd;
        HDC dc;
        PAINTSTRUCT ps{};
        bool own = false;
        // EndPaint also when a paint handler fails, or the context would never be released.
        ~Paint() {
            if (own) EndPaint(wnd, &ps);
        }
    } paint{FHandle, reinterpret_cast<HDC>(message.WParam)};
    if (!paint.dc) {
        paint.dc = BeginPaint(FHandle, &paint.ps);
        paint.own = true;
    }
    message.Result = 0;
    // The window paints itself first (system classes draw into the given context).
    TMessage self{WM_PAINT, reinterpret_cast<WPARAM>(paint.dc), 0, 0};
    if (FDefWndProc != &DefWindowProcA) DefaultHandler(self);
    PaintControls(paint.dc);
}

void TWinControl::SetMouseControl(TControl* control) {
    if (control == FMouseControl) return;
    TControl* old = FMouseControl;
    FMouseControl = control;
    if (old) old->Perform(CM_MOUSELEAVE, 0, 0);
    if (control) {
        control->Perform(CM_MOUSEENTER, 0, 0);
        // Ask for WM_MOUSELEAVE so the control hears when the mouse leaves the window.
        TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, FHandle, 0};
        if (FHandle) TrackMouseEvent(&tme);
    }
}

bool TWinControl::RouteMouse(TMessage& message) {
    POINT p{static_cast<short>(LOWORD(message.LParam)), static_cast<short>(HIWORD(message.LParam))};
    if (message.Msg == WM_MOUSEMOVE) SetMouseControl(ControlAtPos(p));
    TControl* target = FCaptureControl ? FCaptureControl : ControlAtPos(p);
    if (!target) return false;
    bool down = message.Msg == WM_LBUTTONDOWN || message.Msg == WM_RBUTTONDOWN ||
                message.Msg == WM_MBUTTONDOWN || message.Msg == WM_LBUTTONDBLCLK ||
                message.Msg == WM_RBUTTONDBLCLK || message.Msg == WM_MBUTTONDBLCLK;
    bool up = message.Msg == WM_LBUTTONUP || message.Msg == WM_RBUTTONUP ||
              message.Msg == WM_MBUTTONUP;
    if (down && !FCaptureControl) {
        FCaptureControl = target;
        if (FHandle) SetCapture(FHandle);
    }
    TMessage m{message.Msg, message.WParam,
               MAKELPARAM(static_cast<WORD>(p.x - target->FLeft), static_cast<WORD>(p.y - target->FTop)),
               0};
    target->WndProc(m);
    message.Result = m.Result;
    if (up && (message.WParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) == 0) {
        FCaptureControl = nullptr;
        if (FHandle && GetCapture() == FHandle) ReleaseCapture();
    }
    return true;
}
