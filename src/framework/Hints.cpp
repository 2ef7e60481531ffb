#include "framework/Hints.h"

#include "framework/Forms.h"
#include "framework/Screen.h"
#include "framework/Timers.h"

std::string GetShortHint(const std::string& hint) {
    size_t bar = hint.find('|');
    return bar == std::string::npos ? hint : hint.substr(0, bar);
}

std::string GetLongHint(const std::string& hint) {
    size_t bar = hint.find('|');
    return bar == std::string::npos ? hint : hint.substr(bar + 1);
}

// ---- THintWindow ------------------------------------------------------------------------

THintWindow::THintWindow(TComponent* owner) : TCustomControl(owner) {
    FVisible = false;
    SetColor(clInfoBk);
    Font()->SetColor(clInfoText);
}

void THintWindow::CreateParams(TCreateParams& params) {
    TCustomControl::CreateParams(params);
    params.Style = WS_POPUP | WS_BORDER;
    params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
    params.WndParent = nullptr;
    params.WinClassName = "QuiroHintWindow";
    params.ClassStyle = CS_SAVEBITS;
}

void THintWindow::ActivateHint(POINT at, const std::string& text, int maxWidth) {
    Font()->Assign(*Screen->HintFont());
    Font()->SetColor(clInfoText);
    SetCaption(text);
    HDC dc = GetDC(Handle());
    HGDIOBJ old = SelectObject(dc, Font()->Handle());
    RECT r{0, 0, maxWidth, 0};
    DrawTextA(dc, text.c_str(), -1, &r, DT_CALCRECT | DT_NOPREFIX | DT_WORDBREAK);
    SelectObject(dc, old);
    ReleaseDC(Handle(), dc);
    int w = r.right + 8, h = r.bottom + 4;
    RECT work = Screen ? Screen->WorkAreaRect() : RECT{0, 0, 800, 600};
    if (at.x + w > work.right) at.x = work.right - w;
    if (at.y + h > work.bottom) at.y = at.y - h - 24;
    if (at.x < work.left) at.x = work.left;
    if (at.y < work.top) at.y = work.top;
    SetWindowPos(Handle(), HWND_TOPMOST, at.x, at.y, w, h, SWP_SHOWWINDOW | SWP_NOACTIVATE);
    FShowing = true;
    Invalidate();
}

void THintWindow::ReleaseHandle() {
    if (HandleAllocated()) ShowWindow(Handle(), SW_HIDE);
    FShowing = false;
}

void THintWindow::Paint() {
    RECT r = ClientRect();
    Canvas()->Brush()->SetColor(Color());
    Canvas()->FillRect(r);
    InflateRect(&r, -2, -1);
    SetBkMode(Canvas()->Handle(), TRANSPARENT);
    Canvas()->RequireTools();
    std::string text = Caption();
    DrawTextA(Canvas()->Handle(), text.c_str(), -1, &r, DT_NOPREFIX | DT_WORDBREAK | DT_LEFT);
}

// ---- THintController --------------------------------------------------------------------

THintController::THintController(TApplication* application)
    : FApplication(application),
      FWindow(new THintWindow(this)),
      FShowTimer(new TTimer(this)),
      FHideTimer(new TTimer(this)) {
    FShowTimer->SetEnabled(false);
    FHideTimer->SetEnabled(false);
    FShowTimer->SetOnTimer([this](TComponent*) { ShowNow(); });
    FHideTimer->SetOnTimer([this](TComponent*) { Hide(); });
}

THintController::~THintController() {
    if (FControl) FControl->RemoveFreeNotification(this);
}

void THintController::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == FControl) {
        FControl = nullptr;
        Hide();
    }
}

bool THintController::HintsOn(TControl* control) const {
    if (!control || !FApplication->ShowHint) return false;
    const TControl* c = control;
    while (c->ParentShowHint() && c->Parent()) c = c->Parent();
    return c->ShowHint();
}

void THintController::Message(const MSG& msg) {
    switch (msg.message) {
        case WM_MOUSEMOVE: {
            if (FWindow->HandleAllocated() && msg.hwnd == FWindow->Handle()) return;
            TWinControl* win = TWinControl::FindControl(msg.hwnd);
            TControl* control = win;
            if (win && win->HandleAllocated()) {
                POINT p{static_cast<short>(LOWORD(msg.lParam)),
                        static_cast<short>(HIWORD(msg.lParam))};
                MapWindowPoints(msg.hwnd, win->Handle(), &p, 1);
                if (TControl* under = win->ControlAtPos(p)) control = under;
            }
            if (control != FControl) ControlChanged(control);
            return;
        }
        case WM_NCMOUSEMOVE:
            if (FControl) ControlChanged(nullptr);
            return;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDOWN:
        case WM_MBUTTONDBLCLK:
        case WM_NCLBUTTONDOWN:
        case WM_NCRBUTTONDOWN:
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_MOUSEWHEEL:
            Hide();
            return;
        default:
            return;
    }
}

void THintController::ControlChanged(TControl* control) {
    bool wasShowing = FWindow->Shown();
    Hide();
    if (FControl) FControl->RemoveFreeNotification(this);
    FControl = control;
    if (control) control->FreeNotification(this);
    std::string hint;
    for (TControl* c = control; c; c = c->Parent()) {
        if (!c->Hint().empty()) {
            hint = c->Hint();
            break;
        }
    }
    std::string longHint = GetLongHint(hint);
    if (longHint != FApplication->Hint) {
        FApplication->Hint = longHint;
        if (FApplication->OnHint) FApplication->OnHint(FApplication);
    }
    FText = GetShortHint(hint);
    if (!HintsOn(control) || FText.empty()) return;
    int pause = wasShowing ? FApplication->HintShortPause : FApplication->HintPause;
    FShowTimer->SetInterval(static_cast<unsigned>(pause > 0 ? pause : 1));
    FShowTimer->SetEnabled(true);
}

void THintController::ShowNow() {
    FShowTimer->SetEnabled(false);
    if (!FControl) return;
    POINT cursor;
    GetCursorPos(&cursor);
    THintInfo info;
    info.HintControl = FControl;
    info.HintStr = FText;
    info.HintPos = POINT{cursor.x, cursor.y + 20};
    info.HintMaxWidth = Screen ? Screen->Width() : 640;
    info.HintColor = FApplication->HintColor;
    info.CursorRect = FControl->ClientRect();
    info.CursorPos = FControl->ScreenToClient(cursor);
    info.HideTimeout = FApplication->HintHidePause;
    bool canShow = true;
    std::string text = info.HintStr;
    if (FApplication->OnShowHint) FApplication->OnShowHint(text, canShow, info);
    if (!canShow || text.empty()) return;
    FWindow->SetColor(info.HintColor);
    FWindow->ActivateHint(info.HintPos, text, info.HintMaxWidth);
    if (info.HideTimeout > 0) {
        FHideTimer->SetInterval(static_cast<unsigned>(info.HideTimeout));
        FHideTimer->SetEnabled(true);
    }
}

void THintController::Hide() {
    FShowTimer->SetEnabled(false);
    FHideTimer->SetEnabled(false);
    FWindow->ReleaseHandle();
}

void THintController::Cancel() {
    Hide();
    if (FControl) FControl->RemoveFreeNotification(this);
    FControl = nullptr;
}
