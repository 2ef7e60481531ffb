// Dragging a control onto another: one drag at a time, driven by a hidden window that
// holds the mouse while the drag lasts.
#include <windows.h>

#include <cstdlib>

#include "framework/Controls.h"
#include "framework/WindowUtils.h"

class TDragSession {
public:
    static TDragSession& Current() {
        static TDragSession session;
        return session;
    }

    bool Active() const { return FSource != nullptr; }
    TControl* Source() const { return FSource; }

    void Begin(TControl* source, bool immediate) {
        if (FSource) return;
        FSource = source;
        FStarted = false;
        FTarget = nullptr;
        FAccepted = false;
        GetCursorPos(&FOrigin);
        if (!FWindow) FWindow = AllocateHWnd([this](TMessage& m) { Message(m); });
        SetCapture(FWindow);
        if (immediate) Start();
    }

    // Ends the drag: a drop on the control that accepts it (when `drop`), else the source
    // hears that nothing took it; then the source is told where it ended.
    void Finish(bool drop) {
        TControl* source = FSource;
        if (!source) return;
        TControl* target = drop && FStarted && FAccepted ? FTarget : nullptr;
        POINT p;
        GetCursorPos(&p);
        FSource = nullptr;
        FTarget = nullptr;
        if (GetCapture() == FWindow) ReleaseCapture();
        if (FStarted) SetCursor(LoadCursorA(nullptr, IDC_ARROW));
        GuardCallback([&] {
            POINT at = target ? target->ScreenToClient(p) : POINT{0, 0};
            if (target) target->DragDrop(source, at.x, at.y);
            if (!target) source->DragCanceled();
            source->DoEndDrag(target, at.x, at.y);
        });
    }

    // A control that goes away takes no further part.
    void Forget(TControl* control) {
        if (control == FTarget) FTarget = nullptr;
        if (control != FSource) return;
        FSource = nullptr;
        FTarget = nullptr;
        if (GetCapture() == FWindow) ReleaseCapture();
    }

private:
    void Start() {
        FStarted = true;
        GuardCallback([&] { FSource->DoStartDrag(); });
        if (FSource) Move();
    }

    // The control under the mouse: the windowless child of the window there, else the
    // window's own control.
    static TControl* ControlAt(POINT screen) {
        TWinControl* win = TWinControl::FindControl(WindowFromPoint(screen));
        if (!win) return nullptr;
        if (TControl* child = win->ControlAtPos(win->ScreenToClient(screen))) return child;
        return win;
    }

    void Offer(TControl* target, POINT screen, TDragState state, bool& accept) {
        POINT at = target->ScreenToClient(screen);
        GuardCallback([&] { target->DragOver(FSource, at.x, at.y, state, accept); });
    }

    void Move() {
        POINT p;
        GetCursorPos(&p);
        TControl* under = ControlAt(p);
        if (under != FTarget) {
            if (FTarget) {
                bool ignored = false;
                Offer(FTarget, p, dsDragLeave, ignored);
            }
            FTarget = FSource ? under : nullptr;
            FAccepted = false;
            if (FTarget) Offer(FTarget, p, dsDragEnter, FAccepted);
        } else if (FTarget) {
            FAccepted = false;
            Offer(FTarget, p, dsDragMove, FAccepted);
        }
        SetCursor(LoadCursorA(nullptr, FAccepted ? IDC_ARROW : IDC_NO));
    }

    void Message(TMessage& m) {
        if (!FSource) {
            DefaultUtilMessage(FWindow, m);
            return;
        }
        switch (m.Msg) {
            case WM_MOUSEMOVE:
                if (!FStarted) {
                    POINT p;
                    GetCursorPos(&p);
                    if (std::abs(p.x - FOrigin.x) < kThreshold && std::abs(p.y - FOrigin.y) < kThreshold)
                        return;
                    Start();
                } else {
                    Move();
                }
                return;
            case WM_LBUTTONUP:
                Finish(true);
                return;
            case WM_RBUTTONDOWN:
            case WM_CANCELMODE:
                Finish(false);
                return;
            case WM_CAPTURECHANGED:
                if (reinterpret_cast<HWND>(m.LParam) != FWindow) Finish(false);
                return;
            default:
                DefaultUtilMessage(FWindow, m);
        }
    }

    static constexpr int kThreshold = 5;
    TControl* FSource = nullptr;
    TControl* FTarget = nullptr;
    bool FStarted = false;
    bool FAccepted = false;
    POINT FOrigin{};
    HWND FWindow = nullptr;
};

void TControl::BeginDrag(bool immediate) {
    TDragSession::Current().Begin(this, immediate);
}

void TControl::EndDrag(bool drop) {
    if (Dragging()) TDragSession::Current().Finish(drop);
}

bool TControl::Dragging() const {
    return TDragSession::Current().Source() == this;
}

void TControl::BeginAutoDrag(TShiftState) {
    BeginDrag(false);
}

void TControl::DragOver(TControl* source, int x, int y, TDragState state, bool& accept) {
    accept = false;
    if (OnDragOver) {
        accept = true;
        OnDragOver(this, source, x, y, state, accept);
    }
}

void TControl::DragDrop(TControl* source, int x, int y) {
    if (OnDragDrop) OnDragDrop(this, source, x, y);
}

void TControl::DoStartDrag() {
    if (OnStartDrag) OnStartDrag(this);
}

void TControl::DoEndDrag(TControl* target, int x, int y) {
    if (OnEndDrag) OnEndDrag(this, target, x, y);
}

void ForgetDragControl(TControl* control) {
    TDragSession::Current().Forget(control);
}

bool DragKeyMessage(const MSG& msg) {
    TDragSession& drag = TDragSession::Current();
    if (!drag.Active() || msg.message != WM_KEYDOWN || msg.wParam != VK_ESCAPE) return false;
    drag.Finish(false);
    return true;
}
