#include "framework/Controls.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <unordered_map>

#include "framework/Forms.h"
#include "framework/Menus.h"
#include "framework/Screen.h"
#include "framework/WindowUtils.h"
#include "framework/core/Exception.h"

namespace {

// The controls by their windows' handles. The window procedure asks for every message; a
// window property would answer too, but on some systems each look at one is a round trip
// to a server process. Windows may be made on any thread.
class ControlsByHandle {
public:
    void Bind(HWND handle, TWinControl* control) {
        std::lock_guard lock(FLock);
        FControls[handle] = control;
    }
    void Unbind(HWND handle, const TWinControl* control) {
        std::lock_guard lock(FLock);
        auto it = FControls.find(handle);
        if (it != FControls.end() && it->second == control) FControls.erase(it);
    }
    TWinControl* Find(HWND handle) {
        std::lock_guard lock(FLock);
        auto it = FControls.find(handle);
        return it == FControls.end() ? nullptr : it->second;
    }

private:
    std::mutex FLock;
    std::unordered_map<HWND, TWinControl*> FControls;
};

// Never destroyed: a window may still get its last message while the program's statics go.
ControlsByHandle& Bound() {
    static auto* controls = new ControlsByHandle;
    return *controls;
}

// The control whose window is being created on this thread: the first message of the new
// window binds the two.
thread_local TWinControl* gCreating = nullptr;

// Our registered classes and the window procedure each one defers to.
std::map<std::string, WNDPROC>& ClassDefaults() {
    static std::map<std::string, WNDPROC> classes;
    return classes;
}

// Child windows by their control id: WM_MEASUREITEM names its control only by the id.
TIdMap<TWinControl>& ControlIds() {
    static TIdMap<TWinControl> ids(1000, 0xFFFF);
    return ids;
}

// A press (or double click) of a mouse button in the client area.
bool IsButtonPress(UINT msg) {
    return msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_MBUTTONDOWN ||
           msg == WM_LBUTTONDBLCLK || msg == WM_RBUTTONDBLCLK || msg == WM_MBUTTONDBLCLK;
}

bool IsMouseMessage(UINT msg) {
    switch (msg) {
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
            return true;
        default:
            return false;
    }
}

}  // namespace

LRESULT CALLBACK QuiroStdWndProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);

LRESULT CALLBACK QuiroInitWndProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    TWinControl* control = gCreating;
    if (!control) return DefWindowProcA(hwnd, msg, wparam, lparam);
    gCreating = nullptr;
    control->FHandle = hwnd;
    Bound().Bind(hwnd, control);
    SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&QuiroStdWndProc));
    return QuiroStdWndProc(hwnd, msg, wparam, lparam);
}

LRESULT CALLBACK QuiroStdWndProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    TWinControl* control = Bound().Find(hwnd);
    if (!control) return DefWindowProcA(hwnd, msg, wparam, lparam);
    TMessage m{msg, wparam, lparam, 0};
    if (msg == WM_NCDESTROY) {
        // The last message: let the system clean up, then unbind.
        GuardCallback([&] { control->WndProc(m); });
        Bound().Unbind(hwnd, control);
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
        if (Application) Application->HandleException(nullptr);
    }
}

// The keys held, in one question to the system (each is a round trip on some systems).
static TShiftState HeldKeys(bool alt) {
    BYTE keys[256] = {};
    if (!GetKeyboardState(keys)) return 0;
    TShiftState s = 0;
    if (keys[VK_SHIFT] & 0x80) s |= ssShift;
    if (keys[VK_CONTROL] & 0x80) s |= ssCtrl;
    if (alt && (keys[VK_MENU] & 0x80)) s |= ssAlt;
    return s;
}

TShiftState KeyDataToShiftState(LPARAM keyData) {
    TShiftState s = HeldKeys(false);
    if (keyData & 0x20000000) s |= ssAlt;
    return s;
}

TShiftState KeyboardShiftState() { return HeldKeys(true); }

TShiftState MouseFlagsToShiftState(WPARAM flags) {
    TShiftState s = 0;
    if (flags & MK_SHIFT) s |= ssShift;
    if (flags & MK_CONTROL) s |= ssCtrl;
    if (flags & MK_LBUTTON) s |= ssLeft;
    if (flags & MK_RBUTTON) s |= ssRight;
    if (flags & MK_MBUTTON) s |= ssMiddle;
    if (GetKeyState(VK_MENU) < 0) s |= ssAlt;
    return s;
}

// ---- TControl ---------------------------------------------------------------------------

TControl::TControl(TComponent* owner) : TComponent(owner) {
    FFont.OnChange = [this](TGraphicsObject*) {
        if (!FFollowingParent) FParentFont = false;
        FontChanged();
    };
}

TControl::~TControl() {
    ForgetDragControl(this);
    FFont.OnChange = nullptr;
    SetPopupMenu(nullptr);
    SetParent(nullptr);
}

void TControl::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == FPopupMenu) FPopupMenu = nullptr;
}

void TControl::SetParent(TWinControl* parent) {
    if (FParent == parent) return;
    TWinControl* old = FParent;
    if (FParent) FParent->RemoveControl(this);
    FParent = nullptr;
    if (old && FAlign != alNone) old->AlignControls();
    if (parent) {
        parent->InsertControl(this);
        if (FParentFont) ParentFontChanged();
        if (FParentColor) ParentColorChanged();
        if (FAlign != alNone) RequestAlign();
    }
}

TForm* TControl::ParentForm() const {
    const TControl* c = this;
    while (c->FParent) c = c->FParent;
    return dynamic_cast<TForm*>(const_cast<TControl*>(c));
}

bool TControl::Showing() const {
    for (const TControl* c = this; c; c = c->FParent)
        if (!c->FVisible) return false;
    return true;
}

void TControl::SetBounds(int left, int top, int width, int height) {
    FLeft = left;
    FTop = top;
    FWidth = width;
    FHeight = height;
    BoundsChanged();
    if (FAlign != alNone) RequestAlign();
    Resized();
}

void TControl::Resized() {
    if (FWidth == FOldWidth && FHeight == FOldHeight) return;
    FOldWidth = FWidth;
    FOldHeight = FHeight;
    if (OnResize) OnResize(this);
}

POINT TControl::ClientToScreen(POINT p) const {
    const TControl* c = this;
    while (!dynamic_cast<const TWinControl*>(c) && c->FParent) {
        p.x += c->FLeft;
        p.y += c->FTop;
        c = c->FParent;
    }
    auto* win = const_cast<TWinControl*>(dynamic_cast<const TWinControl*>(c));
    if (win) ::ClientToScreen(win->Handle(), &p);
    return p;
}

POINT TControl::ScreenToClient(POINT p) const {
    POINT origin = ClientToScreen(POINT{0, 0});
    return POINT{p.x - origin.x, p.y - origin.y};
}

void TControl::SetAlign(TAlign align) {
    if (align == FAlign) return;
    TAlign old = FAlign;
    FAlign = align;
    if (FParent && (old != alNone || align != alNone)) FParent->AlignControls();
}

void TControl::RequestAlign() {
    if (FParent && FVisible) FParent->AlignControls();
}

void TControl::SetAutoSize(bool autoSize) {
    if (autoSize == FAutoSize) return;
    FAutoSize = autoSize;
    AdjustSize();
}

void TControl::AdjustSize() {
    int w = FWidth, h = FHeight;
    if (FAutoSize && CanAutoSize(w, h) && (w != FWidth || h != FHeight))
        SetBounds(FLeft, FTop, w, h);
}

void TControl::SetVisible(bool visible) {
    if (visible == FVisible) return;
    FVisible = visible;
    if (FAlign != alNone && FParent) FParent->AlignControls();
}

void TControl::SetEnabled(bool enabled) {
    FEnabled = enabled;
}

void TControl::SetCaption(const std::string& caption) {
    FCaption = caption;
    AdjustSize();
}

void TControl::SetColor(TColor color) {
    if (!FFollowingParent) FParentColor = false;
    if (color == FColor) return;
    FColor = color;
    ColorChanged();
}

void TControl::SetParentColor(bool parentColor) {
    FParentColor = parentColor;
    if (parentColor) ParentColorChanged();
}

void TControl::ParentColorChanged() {
    if (!FParent || !FParentColor) return;
    FFollowingParent = true;
    SetColor(FParent->Color());
    FFollowingParent = false;
}

void TControl::SetParentFont(bool parentFont) {
    FParentFont = parentFont;
    if (parentFont) ParentFontChanged();
}

void TControl::ParentFontChanged() {
    if (!FParent || !FParentFont) return;
    FFollowingParent = true;
    FFont.Assign(*FParent->Font());
    FFollowingParent = false;
}

void TControl::FontChanged() {
    AdjustSize();
    Invalidate();
}

void TControl::ColorChanged() {
    Invalidate();
}

void TControl::SetShowHint(bool showHint) {
    FShowHint = showHint;
    FParentShowHint = false;
}

void TControl::SetParentShowHint(bool parentShowHint) {
    FParentShowHint = parentShowHint;
}

void TControl::SetPopupMenu(TPopupMenu* menu) {
    if (menu == FPopupMenu) return;
    if (FPopupMenu) FPopupMenu->RemoveFreeNotification(this);
    FPopupMenu = menu;
    if (menu) menu->FreeNotification(this);
}

// A control without a window is painted by its parent: its place there is repainted.
void TControl::Invalidate() {
    if (!FVisible || !FParent || !FParent->HandleAllocated()) return;
    const RECT r = BoundsRect();
    InvalidateRect(FParent->Handle(), &r, TRUE);
}

void TControl::Repaint() {
    Invalidate();
}

void TControl::Click() {
    if (OnClick) OnClick(this);
}

void TControl::DblClick() {
    if (OnDblClick) OnDblClick(this);
}

void TControl::WndProc(TMessage& message) {
    if (IsMouseMessage(message.Msg)) MouseMessage(message);
    DefaultHandler(message);
}

void TControl::DefaultHandler(TMessage& message) {
    message.Result = 0;
}

LRESULT TControl::Perform(UINT msg, WPARAM wparam, LPARAM lparam) {
    TMessage m{msg, wparam, lparam, 0};
    WndProc(m);
    return m.Result;
}

void TControl::MouseMessage(TMessage& message) {
    int x = static_cast<short>(LOWORD(message.LParam));
    int y = static_cast<short>(HIWORD(message.LParam));
    TShiftState shift = MouseFlagsToShiftState(message.WParam);
    auto* win = dynamic_cast<TWinControl*>(this);
    // What the focused control dropped down closes, unless the press is its own.
    if (IsButtonPress(message.Msg))
        if (TForm* form = ParentForm())
            if (TWinControl* active = form->ActiveControl())
                active->Perform(CM_CANCELMODE, 0, reinterpret_cast<LPARAM>(this));
    switch (message.Msg) {
        case WM_MOUSEMOVE:
            MouseMove(shift, x, y);
            return;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            if (win && FCaptureMouse) SetCapture(win->Handle());
            if (FClickEvents) FClicked = true;
            if (message.Msg == WM_LBUTTONDBLCLK) {
                shift |= ssDouble;
                if (FClickEvents) DblClick();
            }
            MouseDown(mbLeft, shift, x, y);
            if (DragMode == dmAutomatic && !Dragging()) BeginAutoDrag(shift);
            return;
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK:
            MouseDown(mbRight,
                      shift | (message.Msg == WM_RBUTTONDBLCLK ? TShiftState{ssDouble} : 0u), x, y);
            return;
        case WM_MBUTTONDOWN:
        case WM_MBUTTONDBLCLK:
            MouseDown(mbMiddle,
                      shift | (message.Msg == WM_MBUTTONDBLCLK ? TShiftState{ssDouble} : 0u), x, y);
            return;
        case WM_LBUTTONUP: {
            if (win && FCaptureMouse && GetCapture() == win->Handle()) ReleaseCapture();
            bool clicked = FClicked;
            FClicked = false;
            if (clicked && x >= 0 && y >= 0 && x < ClientWidth() && y < ClientHeight()) Click();
            MouseUp(mbLeft, shift, x, y);
            return;
        }
        case WM_RBUTTONUP:
            MouseUp(mbRight, shift, x, y);
            return;
        case WM_MBUTTONUP:
            MouseUp(mbMiddle, shift, x, y);
            return;
        default:
            return;
    }
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
    if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

// ---- TWinControl ------------------------------------------------------------------------

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {
    FBrush.SetColor(FColor);
}

TWinControl::~TWinControl() {
    // Whoever watches the window (a subclass, a hook) sees the control going, not a window
    // being re-created.
    Destroying();
    if (TForm* form = ParentForm()) form->ControlDestroying(this);
    if (Screen && Screen->FActiveControl == this) Screen->FActiveControl = nullptr;
    // Child controls go with their parent (they leave their owners' lists as they go).
    while (!FControls.empty()) delete FControls.back();
    if (FHandle) DestroyWnd();
    // Leave the parent here, while still a windowed control: from TControl's destructor the
    // parent could no longer tell, and would keep the freed control in its tab order.
    SetParent(nullptr);
}

void TWinControl::InsertControl(TControl* control) {
    FControls.push_back(control);
    control->FParent = this;
    auto* win = dynamic_cast<TWinControl*>(control);
    if (win) {
        FTabList.push_back(win);
        if (FHandle && win->FVisible) win->HandleNeeded();
    }
}

void TWinControl::RemoveControl(TControl* control) {
    auto it = std::find(FControls.begin(), FControls.end(), control);
    if (it != FControls.end()) FControls.erase(it);
    if (FMouseControl == control) FMouseControl = nullptr;
    if (FCaptureControl == control) FCaptureControl = nullptr;
    control->FParent = nullptr;
    auto* win = dynamic_cast<TWinControl*>(control);
    if (win) {
        auto t = std::find(FTabList.begin(), FTabList.end(), win);
        if (t != FTabList.end()) FTabList.erase(t);
        if (win->FHandle && !win->FDestroyingHandle) win->DestroyWnd();
    }
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
    bool focused = Focused();
    DestroyWnd();
    CreateWnd();
    if (focused && CanFocus()) ::SetFocus(FHandle);
}

TWinControl* TWinControl::FromHandle(HWND handle) {
    return handle ? Bound().Find(handle) : nullptr;
}

TWinControl* TWinControl::FindControl(HWND handle) {
    for (HWND h = handle; h; h = GetParent(h)) {
        if (TWinControl* c = FromHandle(h)) return c;
        if (!(GetWindowLongA(h, GWL_STYLE) & WS_CHILD)) break;
    }
    return nullptr;
}

void TWinControl::CreateParams(TCreateParams& params) {
    params.Caption = FCaption;
    params.Style = WS_CHILD | WS_CLIPSIBLINGS | (FVisible ? WS_VISIBLE : 0) |
                   (FEnabled ? 0 : WS_DISABLED) | (FTabStop ? WS_TABSTOP : 0);
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
        if (!RegisterClassA(&wc)) throw Exception("Cannot register window class " + p.WinClassName);
        known = classes.emplace(p.WinClassName, def).first;
    }
    FDefWndProc = known->second;
    HMENU id = nullptr;
    if (p.Style & WS_CHILD) {
        if (!FControlId) FControlId = ControlIds().Add(this);
        id = reinterpret_cast<HMENU>(static_cast<UINT_PTR>(FControlId));
    }
    gCreating = this;
    HWND h = CreateWindowExA(p.ExStyle, p.WinClassName.c_str(), p.Caption.c_str(), p.Style, p.X,
                             p.Y, p.Width, p.Height, p.WndParent, id, inst, nullptr);
    gCreating = nullptr;
    if (!h) {
        FHandle = nullptr;
        throw Exception("Cannot create window (error " + std::to_string(GetLastError()) + ")");
    }
    SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(FFont.Handle()), FALSE);
    UpdateBoundsFromWindow();
    CreateHandleDone();
    for (TControl* c : FControls) {
        auto* win = dynamic_cast<TWinControl*>(c);
        if (win && win->FVisible && !win->FHandle) win->CreateWnd();
    }
    AlignControls();
}

void TWinControl::DestroyWnd() {
    if (!FHandle) return;
    // Children first, so each keeps its state before the system takes its window along.
    for (TControl* c : FControls) {
        auto* win = dynamic_cast<TWinControl*>(c);
        if (win && win->FHandle) win->DestroyWnd();
    }
    FCaption = Caption();
    FDestroyingHandle = true;
    const HWND handle = FHandle;
    DestroyWindow(handle);
    FDestroyingHandle = false;
    Bound().Unbind(handle, this);  // (its last message did, unless someone kept it from us)
    FHandle = nullptr;
    if (FControlId) {
        ControlIds().Remove(FControlId);
        FControlId = 0;
    }
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
    if (FHandle) {
        FLeft = left;
        FTop = top;
        FWidth = width;
        FHeight = height;
        SetWindowPos(FHandle, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
        UpdateBoundsFromWindow();
        BoundsChanged();
        if (FAlign != alNone) RequestAlign();
        AlignControls();
        Resized();
        return;
    }
    TControl::SetBounds(left, top, width, height);
    AlignControls();
}

int TWinControl::ClientWidth() const {
    if (!FHandle) return FWidth;
    RECT r;
    GetClientRect(FHandle, &r);
    return r.right;
}

int TWinControl::ClientHeight() const {
    if (!FHandle) return FHeight;
    RECT r;
    GetClientRect(FHandle, &r);
    return r.bottom;
}

void TWinControl::SetVisible(bool visible) {
    if (FVisible == visible) return;
    if (!visible) DefocusIfFocused();
    FVisible = visible;
    if (visible) {
        if (!FHandle && (!FParent || FParent->HandleAllocated())) CreateWnd();
        if (FHandle) ShowWindow(FHandle, SW_SHOW);
    } else if (FHandle) {
        ShowWindow(FHandle, SW_HIDE);
    }
    if (FAlign != alNone && FParent) FParent->AlignControls();
}

void TWinControl::SetEnabled(bool enabled) {
    if (!enabled) DefocusIfFocused();
    FEnabled = enabled;
    if (FHandle) EnableWindow(FHandle, enabled);
}

void TWinControl::DefocusIfFocused() {
    TForm* form = ParentForm();
    if (!form || form == this) return;
    TWinControl* active = form->ActiveControl();
    if (!active || !ContainsControl(active)) return;
    TWinControl* next = FParent;
    while (next && next != form && !next->CanFocus()) next = next->FParent;
    bool hadFocus = active->Focused();
    if (next && next != form) {
        form->SetActiveControl(next);
    } else {
        form->FActiveControl = nullptr;
        if (hadFocus && form->HandleAllocated()) ::SetFocus(form->Handle());
    }
}

std::string TWinControl::Caption() const {
    if (!FHandle) return FCaption;
    // Some windows count characters, not bytes (a rich edit under Wine): room for a
    // double-byte code page's two bytes each.
    int n = 2 * GetWindowTextLengthA(FHandle) + 1;
    std::string s(static_cast<size_t>(n), '\0');
    n = GetWindowTextA(FHandle, s.data(), n);
    s.resize(static_cast<size_t>(n > 0 ? n : 0));
    return s;
}

void TWinControl::SetCaption(const std::string& caption) {
    FCaption = caption;
    if (FHandle) SetWindowTextA(FHandle, caption.c_str());
    AdjustSize();
}

void TWinControl::Invalidate() {
    if (FHandle) InvalidateRect(FHandle, nullptr, TRUE);
}

void TWinControl::Repaint() {
    if (!FHandle) return;
    InvalidateRect(FHandle, nullptr, TRUE);
    UpdateWindow(FHandle);
}

void TWinControl::FontChanged() {
    if (FHandle) SendMessageA(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(FFont.Handle()), TRUE);
    for (TControl* c : FControls)
        if (c->FParentFont) c->ParentFontChanged();
    TControl::FontChanged();
}

void TWinControl::ColorChanged() {
    FBrush.SetColor(FColor);
    for (TControl* c : FControls)
        if (c->FParentColor) c->ParentColorChanged();
    TControl::ColorChanged();
}

// ---- Focus and tab order ----------------------------------------------------------------

bool TWinControl::CanFocus() const {
    for (const TControl* c = this; c; c = c->FParent)
        if (!c->FVisible || !c->FEnabled) return false;
    return true;
}

void TWinControl::SetFocus() {
    if (!CanFocus()) throw Exception("Cannot focus a disabled or invisible window");
    TForm* form = ParentForm();
    if (form && form != this)
        form->SetActiveControl(this);
    else
        ::SetFocus(Handle());
}

bool TWinControl::Focused() const {
    if (!FHandle) return false;
    HWND focus = GetFocus();
    if (focus == FHandle) return true;
    // A window of the system's inside this control (a combo box's edit) counts as this.
    return focus && IsChild(FHandle, focus) && FindControl(focus) == this;
}

void TWinControl::SetTabStop(bool tabStop) {
    FTabStop = tabStop;
    if (!FHandle) return;
    LONG style = GetWindowLongA(FHandle, GWL_STYLE);
    SetWindowLongA(FHandle, GWL_STYLE, tabStop ? style | WS_TABSTOP : style & ~WS_TABSTOP);
}

int TWinControl::TabOrder() const {
    if (!FParent) return -1;
    const auto& list = FParent->FTabList;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TWinControl::SetTabOrder(int order) {
    if (!FParent) return;
    auto& list = FParent->FTabList;
    auto it = std::find(list.begin(), list.end(), this);
    if (it == list.end()) return;
    list.erase(it);
    order = std::clamp(order, 0, static_cast<int>(list.size()));
    list.insert(list.begin() + order, this);
}

bool TWinControl::ContainsControl(const TControl* control) const {
    for (const TControl* c = control; c; c = c->FParent)
        if (c == this) return true;
    return false;
}

TWinControl* TWinControl::FindNextControl(TWinControl* current, bool forward,
                                          bool checkTabStop) const {
    return FindNext(current, forward, checkTabStop, false);
}

TWinControl* TWinControl::FindNext(TWinControl* current, bool forward, bool checkTabStop,
                                   bool checkParent) const {
    std::vector<TWinControl*> order;
    std::function<void(const TWinControl*)> collect = [&](const TWinControl* parent) {
        for (TWinControl* c : parent->FTabList) {
            order.push_back(c);
            collect(c);
        }
    };
    collect(this);
    if (order.empty()) return nullptr;
    int n = static_cast<int>(order.size());
    auto at = std::find(order.begin(), order.end(), current);
    int start = at == order.end() ? (forward ? n - 1 : 0) : static_cast<int>(at - order.begin());
    for (int step = 1; step <= n; ++step) {
        int i = ((start + (forward ? step : -step)) % n + n) % n;
        TWinControl* c = order[static_cast<size_t>(i)];
        if (c->CanFocus() && (!checkTabStop || c->FTabStop) && (!checkParent || c->FParent == this))
            return c;
    }
    return nullptr;
}

void TWinControl::SelectNext(TWinControl* current, bool forward, bool checkTabStop) {
    TWinControl* next = FindNext(current, forward, checkTabStop, !checkTabStop);
    if (next) next->SetFocus();
}

void TWinControl::SelectFirst() {
    TWinControl* first = FindNextControl(nullptr, true, true);
    if (first) first->SetFocus();
}

void TWinControl::NotifyFocused() {
    TForm* form = ParentForm();
    if (form && form != this) form->FocusChanged(this);
}

void TWinControl::DoEnter() {
    if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
    if (OnExit) OnExit(this);
}

// ---- Keys -------------------------------------------------------------------------------

void TWinControl::KeyDown(WORD& key, TShiftState shift) {
    if (OnKeyDown) OnKeyDown(this, key, shift);
}

void TWinControl::KeyPress(char& key) {
    if (OnKeyPress) OnKeyPress(this, key);
}

void TWinControl::KeyUp(WORD& key, TShiftState shift) {
    if (OnKeyUp) OnKeyUp(this, key, shift);
}

bool TWinControl::DoKeyDown(TMessage& message) {
    TForm* form = ParentForm();
    if (form && form != this && form->KeyPreview && form->DoKeyDown(message)) return true;
    WORD key = static_cast<WORD>(message.WParam);
    KeyDown(key, KeyDataToShiftState(message.LParam));
    message.WParam = key;
    return key == 0;
}

bool TWinControl::DoKeyPress(TMessage& message) {
    TForm* form = ParentForm();
    if (form && form != this && form->KeyPreview && form->DoKeyPress(message)) return true;
    char key = static_cast<char>(message.WParam);
    KeyPress(key);
    message.WParam = static_cast<unsigned char>(key);
    return key == 0;
}

bool TWinControl::DoKeyUp(TMessage& message) {
    TForm* form = ParentForm();
    if (form && form != this && form->KeyPreview && form->DoKeyUp(message)) return true;
    WORD key = static_cast<WORD>(message.WParam);
    KeyUp(key, KeyDataToShiftState(message.LParam));
    message.WParam = key;
    return key == 0;
}

bool TWinControl::IsMenuKey(TMessage& message) {
    TShortCut sc =
        ShortCut(static_cast<uint16_t>(message.WParam), KeyDataToShiftState(message.LParam));
    if (!sc) return false;
    for (TControl* c = this; c; c = c->FParent)
        if (c->FPopupMenu && c->FPopupMenu->IsShortCut(sc)) return true;
    TForm* form = ParentForm();
    return form && form->IsShortCut(sc);
}

// The loop's first look at a key: shortcuts, then the keys a dialog uses when the
// focused control does not want them itself.
void TWinControl::KeyMessage(TMessage& message) {
    message.Result = 0;
    TForm* form = ParentForm();
    switch (message.Msg) {
        case CN_KEYDOWN:
        case CN_SYSKEYDOWN: {
            if (IsMenuKey(message)) {
                message.Result = 1;
                return;
            }
            if (message.Msg != CN_KEYDOWN || !form) return;
            LRESULT mask = 0;
            switch (message.WParam) {
                case VK_TAB:
                    mask = DLGC_WANTTAB;
                    break;
                case VK_LEFT:
                case VK_RIGHT:
                case VK_UP:
                case VK_DOWN:
                    mask = DLGC_WANTARROWS;
                    break;
                case VK_RETURN:
                case VK_ESCAPE:
                case VK_EXECUTE:
                case VK_CANCEL:
                    mask = DLGC_WANTALLKEYS;
                    break;
                default:
                    break;
            }
            if (mask && !(Perform(WM_GETDLGCODE, 0, 0) & mask) &&
                form->Perform(CM_DIALOGKEY, message.WParam, message.LParam))
                message.Result = 1;
            return;
        }
        case CN_CHAR:
            if (form && !(Perform(WM_GETDLGCODE, 0, 0) & DLGC_WANTCHARS) &&
                form->Perform(CM_DIALOGCHAR, message.WParam, message.LParam))
                message.Result = 1;
            return;
        case CN_SYSCHAR:
            if (form && message.WParam != VK_SPACE)
                message.Result = form->Perform(CM_DIALOGCHAR, message.WParam, message.LParam);
            return;
        default:
            return;
    }
}

void TWinControl::Broadcast(TMessage& message) {
    std::vector<TControl*> controls = FControls;
    for (TControl* c : controls) {
        if (std::find(FControls.begin(), FControls.end(), c) == FControls.end()) continue;
        c->WndProc(message);
        if (message.Result) return;
    }
}

// ---- Notifications, colours, cursor, context menu ---------------------------------------

bool TWinControl::ReflectNotification(TMessage& message) {
    HWND from = nullptr;
    TWinControl* target = nullptr;
    switch (message.Msg) {
        case WM_COMMAND:
        case WM_HSCROLL:
        case WM_VSCROLL:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
            from = reinterpret_cast<HWND>(message.LParam);
            break;
        case WM_NOTIFY:
            from = reinterpret_cast<NMHDR*>(message.LParam)->hwndFrom;
            break;
        case WM_DRAWITEM: {
            auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(message.LParam);
            if (dis->CtlType == ODT_MENU) return false;
            from = dis->hwndItem;
            break;
        }
        case WM_MEASUREITEM: {
            auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(message.LParam);
            if (mis->CtlType == ODT_MENU) return false;
            target = ControlIds().Find(mis->CtlID);
            break;
        }
        default:
            return false;
    }
    if (!target) target = FromHandle(from);
    if (!target || target == this) {
        // A colour request of a window of the system's inside this control (the edit of
        // a combo box) is answered with this control's colours.
        if (from && message.Msg >= WM_CTLCOLORMSGBOX && message.Msg <= WM_CTLCOLORSTATIC &&
            IsChild(FHandle, from) && FindControl(from) == this) {
            CtlColor(message);
            return true;
        }
        return false;
    }
    TMessage m{CN_BASE + message.Msg, message.WParam, message.LParam, 0};
    target->WndProc(m);
    message.Result = m.Result;
    return true;
}

void TWinControl::CtlColor(TMessage& message) {
    HDC dc = reinterpret_cast<HDC>(message.WParam);
    SetTextColor(dc, ColorToGdi(FFont.Color()));
    SetBkColor(dc, ColorToGdi(FColor));
    message.Result = reinterpret_cast<LRESULT>(ColorBrush());
}

bool TWinControl::SetCursorFor(TMessage& message) {
    if (LOWORD(message.LParam) != HTCLIENT) return false;
    // A program-wide cursor (the hourglass while busy) wins over the window's own.
    if (Screen && Screen->Cursor() != crDefault) {
        ::SetCursor(Screen->Cursors(Screen->Cursor()));
        return true;
    }
    if (reinterpret_cast<HWND>(message.WParam) != FHandle) return false;
    POINT p;
    GetCursorPos(&p);
    ::ScreenToClient(FHandle, &p);
    TControl* under = ControlAtPos(p);
    TCursor cursor = under && under->FCursor != crDefault ? under->FCursor : FCursor;
    if (cursor == crDefault || !Screen) return false;
    ::SetCursor(Screen->Cursors(cursor));
    return true;
}

void TWinControl::ContextMenu(TMessage& message) {
    if (reinterpret_cast<HWND>(message.WParam) == FHandle) {
        POINT screen{static_cast<short>(LOWORD(message.LParam)),
                     static_cast<short>(HIWORD(message.LParam))};
        TPopupMenu* menu = nullptr;
        if (screen.x == -1 && screen.y == -1) {
            // From the keyboard: at the top-left corner of the control.
            screen = POINT{0, 0};
            ::ClientToScreen(FHandle, &screen);
        } else {
            POINT p = screen;
            ::ScreenToClient(FHandle, &p);
            TControl* under = ControlAtPos(p);
            if (under) menu = under->GetPopupMenu();
        }
        if (!menu) menu = GetPopupMenu();
        if (menu && menu->AutoPopup) {
            menu->SetPopupComponent(this);
            menu->Popup(screen.x, screen.y);
            message.Result = 0;
            return;
        }
    }
    DefaultHandler(message);
}

// ---- The window procedure ---------------------------------------------------------------

void TWinControl::WndProc(TMessage& message) {
    if (ReflectNotification(message)) return;
    if (IsMouseMessage(message.Msg)) {
        if (RouteMouse(message)) {
            // The right button let go over a windowless control asks for the context menu
            // as it does over the window itself.
            if (message.Msg == WM_RBUTTONUP) DefaultHandler(message);
            return;
        }
        DefaultHandler(message);
        MouseMessage(message);
        return;
    }
    switch (message.Msg) {
        case WM_PAINT:
            if (HasWindowlessChildren()) {
                PaintHandler(message);
                return;
            }
            DefaultHandler(message);
            return;
        case WM_MOUSELEAVE:
            SetMouseControl(nullptr);
            DefaultHandler(message);
            return;
        case WM_CAPTURECHANGED:
            FCaptureControl = nullptr;
            DefaultHandler(message);
            return;
        case WM_SYSCOLORCHANGE:
            DefaultHandler(message);
            Perform(CM_SYSCOLORCHANGE, 0, 0);
            return;
        case CM_SYSCOLORCHANGE: {
            const std::vector<TControl*> children = FControls;
            for (TControl* c : children) c->Perform(CM_SYSCOLORCHANGE, 0, 0);
            message.Result = 0;
            return;
        }
        case WM_SETCURSOR:
            if (SetCursorFor(message)) {
                message.Result = TRUE;
                return;
            }
            DefaultHandler(message);
            return;
        case WM_CONTEXTMENU:
            ContextMenu(message);
            return;
        case WM_ERASEBKGND:
            if (FDefWndProc == &DefWindowProcA) {
                RECT r;
                GetClientRect(FHandle, &r);
                FillRect(reinterpret_cast<HDC>(message.WParam), &r, ColorBrush());
                message.Result = 1;
                return;
            }
            DefaultHandler(message);
            return;
        case WM_SIZE:
        case WM_MOVE:
            DefaultHandler(message);
            UpdateBoundsFromWindow();
            if (message.Msg == WM_SIZE) {
                AlignControls();
                Resized();
            }
            return;
        case WM_SETFOCUS:
            DefaultHandler(message);
            NotifyFocused();
            return;
        case CN_KEYDOWN:
        case CN_SYSKEYDOWN:
        case CN_CHAR:
        case CN_SYSCHAR:
            KeyMessage(message);
            return;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            if (DoKeyDown(message)) return;
            DefaultHandler(message);
            return;
        case WM_CHAR:
            if (DoKeyPress(message)) return;
            DefaultHandler(message);
            return;
        case WM_KEYUP:
        case WM_SYSKEYUP:
            if (DoKeyUp(message)) return;
            DefaultHandler(message);
            return;
        case CM_DIALOGKEY:
        case CM_DIALOGCHAR:
        case CM_FOCUSCHANGED:
            Broadcast(message);
            return;
        case CN_CTLCOLOREDIT:
        case CN_CTLCOLORLISTBOX:
        case CN_CTLCOLORBTN:
        case CN_CTLCOLORSCROLLBAR:
        case CN_CTLCOLORSTATIC:
            CtlColor(message);
            return;
        default:
            if (message.Msg >= CN_BASE && message.Msg < CN_BASE + 0x400) {
                // A notification nobody here handles: what the parent would have answered.
                TMessage m{message.Msg - CN_BASE, message.WParam, message.LParam, 0};
                if (FHandle && GetParent(FHandle))
                    message.Result = DefWindowProcA(GetParent(FHandle), m.Msg, m.WParam, m.LParam);
                return;
            }
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

// ---- Aligning ---------------------------------------------------------------------------

RECT TWinControl::AlignRect() {
    return RECT{0, 0, ClientWidth(), ClientHeight()};
}

void TWinControl::AlignControls() {
    if (FAligning) return;
    std::vector<TControl*> aligned;
    std::vector<TAlignItem> items;
    for (TControl* c : FControls) {
        if (c->FAlign == alNone || !c->FVisible) continue;
        aligned.push_back(c);
        items.push_back({c->FAlign, c->FLeft, c->FTop, c->FWidth, c->FHeight});
    }
    if (aligned.empty()) return;
    RECT r = AlignRect();
    AlignItems(TRectI{r.left, r.top, r.right, r.bottom}, items);
    FAligning = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{FAligning};
    for (size_t i = 0; i < aligned.size(); ++i) {
        const TAlignItem& a = items[i];
        TControl* c = aligned[i];
        if (a.Left != c->FLeft || a.Top != c->FTop || a.Width != c->FWidth ||
            a.Height != c->FHeight)
            c->SetBounds(a.Left, a.Top, a.Width, a.Height);
    }
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
    bool down = IsButtonPress(message.Msg);
    bool up =
        message.Msg == WM_LBUTTONUP || message.Msg == WM_RBUTTONUP || message.Msg == WM_MBUTTONUP;
    if (down && !FCaptureControl) {
        FCaptureControl = target;
        if (FHandle) SetCapture(FHandle);
    }
    // The last button let go frees the mouse before the control hears of it: what its
    // click opens (a modal window, a message box) gets the next clicks.
    if (up && (message.WParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) == 0) {
        FCaptureControl = nullptr;
        if (FHandle && GetCapture() == FHandle) ReleaseCapture();
    }
    TMessage m{
        message.Msg, message.WParam,
        MAKELPARAM(static_cast<WORD>(p.x - target->FLeft), static_cast<WORD>(p.y - target->FTop)),
        0};
    target->WndProc(m);
    message.Result = m.Result;
    return true;
}

// ---- TCustomControl ---------------------------------------------------------------------

TCustomControl::TCustomControl(TComponent* owner) : TWinControl(owner), FCanvas(this) {
    FCaptureMouse = true;
}

TCustomControl::~TCustomControl() {
    FCanvas.FreeContext();
}

void TCustomControl::DestroyWnd() {
    FCanvas.FreeContext();
    TWinControl::DestroyWnd();
}

void TCustomControl::Paint() {
    if (OnPaint) OnPaint(this);
}

void TCustomControl::WndProc(TMessage& message) {
    if (message.Msg != WM_PAINT) {
        TWinControl::WndProc(message);
        return;
    }
    struct PaintScope {
        HWND wnd;
        PAINTSTRUCT ps{};
        HDC dc = nullptr;
        bool own = false;
        TControlCanvas& canvas;
        ~PaintScope() {
            canvas.SetHandle(nullptr);
            if (own) EndPaint(wnd, &ps);
        }
    } scope{FHandle, {}, reinterpret_cast<HDC>(message.WParam), false, FCanvas};
    if (!scope.dc) {
        scope.dc = BeginPaint(FHandle, &scope.ps);
        scope.own = true;
    }
    FCanvas.FreeContext();
    FCanvas.SetHandle(scope.dc);
    FCanvas.Font()->Assign(FFont);
    FCanvas.Brush()->SetColor(FColor);
    {
        int saved = SaveDC(scope.dc);
        struct Restore {
            HDC dc;
            int id;
            ~Restore() { RestoreDC(dc, id); }
        } restore{scope.dc, saved};
        Paint();
    }
    PaintControls(scope.dc);
    message.Result = 0;
}
