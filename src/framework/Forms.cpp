#include "framework/Forms.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "framework/Hints.h"
#include "framework/Menus.h"
#include "framework/SysLocale.h"
#include "framework/Threads.h"
#include "framework/WindowUtils.h"
#include "framework/core/CommandLine.h"
#include "framework/core/Exception.h"
#include "framework/core/SysUtils.h"

TApplication* Application = nullptr;

namespace {

// Posted to a form that freed itself from inside one of its own handlers.
constexpr UINT CM_RELEASE = WM_APP + 0x3000;

std::vector<HWND>& ModelessDialogs() {
    static std::vector<HWND> dialogs;
    return dialogs;
}

// Gives a message for a window of a registered modeless dialog to that dialog.
bool IsModelessDialogMessage(MSG& msg) {
    for (HWND dialog : ModelessDialogs())
        if (msg.hwnd == dialog || IsChild(dialog, msg.hwnd))
            return IsDialogMessageA(dialog, &msg) != FALSE;
    return false;
}

}  // namespace

// ---- TForm ------------------------------------------------------------------------------

TForm::TForm(TComponent* owner) : TWinControl(owner) {
    FVisible = false;
    FWidth = 640;
    FHeight = 480;
}

TForm::~TForm() {
    Destroying();
    if (OnDestroy) GuardCallback([&] { OnDestroy(this); });
    if (Screen && Screen->FActiveForm == this) Screen->FActiveForm = nullptr;
    if (HandleAllocated()) DestroyWnd();
}

void TForm::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation != opRemove) return;
    if (component == FMenu) FMenu = nullptr;
    if (component == FPopupParent) FPopupParent = nullptr;
}

void TForm::DoCreate() {
    if (FCreated) return;
    FCreated = true;
    if (OnCreate) OnCreate(this);
}

void TForm::FrameStyle(DWORD& style, DWORD& exStyle) const {
    style = WS_CLIPCHILDREN;
    exStyle = WS_EX_CONTROLPARENT;
    if (FParent) {
        // Merged into another control: a child window without a frame.
        style |= WS_CHILD | WS_CLIPSIBLINGS;
        return;
    }
    TBorderIcons icons = FBorderIcons;
    switch (FBorderStyle) {
        case bsNone:
            style |= WS_POPUP;
            icons = 0;
            break;
        case bsSingle:
            style |= WS_CAPTION | WS_BORDER;
            break;
        case bsSizeable:
            style |= WS_CAPTION | WS_THICKFRAME;
            break;
        case bsDialog:
            style |= WS_POPUP | WS_CAPTION;
            exStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
            icons &= biSystemMenu | biHelp;
            break;
        case bsToolWindow:
            style |= WS_CAPTION;
            exStyle |= WS_EX_TOOLWINDOW;
            icons &= biSystemMenu;
            break;
        case bsSizeToolWin:
            style |= WS_CAPTION | WS_THICKFRAME;
            exStyle |= WS_EX_TOOLWINDOW;
            icons &= biSystemMenu;
            break;
    }
    if (icons & biSystemMenu) {
        style |= WS_SYSMENU;
        if (icons & biMinimize) style |= WS_MINIMIZEBOX;
        if (icons & biMaximize) style |= WS_MAXIMIZEBOX;
        if ((icons & biHelp) && !(icons & (biMinimize | biMaximize))) exStyle |= WS_EX_CONTEXTHELP;
    }
    if (FFormStyle == fsStayOnTop) exStyle |= WS_EX_TOPMOST;
}

void TForm::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    FrameStyle(params.Style, params.ExStyle);
    TForm* owner = FPopupParent ? FPopupParent : dynamic_cast<TForm*>(Owner());
    if (!owner && Application && Application->MainForm() != this) owner = Application->MainForm();
    params.WndParent = owner && owner != this ? owner->Handle() : nullptr;
    if (FParent) params.WndParent = FParent->Handle();
    if (Position == poDefault || (Position == poDesigned && FLeft == 0 && FTop == 0)) {
        params.X = CW_USEDEFAULT;
        params.Y = CW_USEDEFAULT;
    }
    params.WinClassName = "QuiroForm";
    params.Background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
}

void TForm::CreateHandleDone() {
    if (FMenu) {
        FMenu->SetWindow(FHandle);
        ::SetMenu(FHandle, FMenu->Handle());
    }
}

SIZE TForm::FrameSize() const {
    DWORD style = 0, ex = 0;
    FrameStyle(style, ex);
    RECT r{0, 0, 0, 0};
    AdjustWindowRectEx(&r, style, FMenu != nullptr, ex);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

int TForm::ClientWidth() const {
    return HandleAllocated() ? TWinControl::ClientWidth() : FWidth - FrameSize().cx;
}

int TForm::ClientHeight() const {
    return HandleAllocated() ? TWinControl::ClientHeight() : FHeight - FrameSize().cy;
}

void TForm::SetBorderStyle(TFormBorderStyle style) {
    if (style == FBorderStyle) return;
    FBorderStyle = style;
    RecreateWnd();
}

void TForm::SetBorderIcons(TBorderIcons icons) {
    if (icons == FBorderIcons) return;
    FBorderIcons = icons;
    RecreateWnd();
}

void TForm::SetFormStyle(TFormStyle style) {
    FFormStyle = style;
    if (HandleAllocated())
        SetWindowPos(FHandle, style == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TForm::SetMenu(TMainMenu* menu) {
    if (FMenu) FMenu->SetWindow(nullptr);
    FMenu = menu;
    if (menu) menu->FreeNotification(this);
    if (!HandleAllocated()) return;
    if (menu) menu->SetWindow(FHandle);
    ::SetMenu(FHandle, menu ? menu->Handle() : nullptr);
}

bool TForm::IsShortCut(TShortCut shortCut) {
    return FMenu && FMenu->IsShortCut(shortCut);
}

namespace {
int ShowCommand(TWindowState state) {
    switch (state) {
        case wsMinimized:
            return SW_SHOWMINIMIZED;
        case wsMaximized:
            return SW_SHOWMAXIMIZED;
        default:
            return SW_SHOWNORMAL;
    }
}

// The modal forms running, the innermost last.
std::vector<HWND>& ModalWindows() {
    static std::vector<HWND> windows;
    return windows;
}

// The running modal form's window that `wnd` must stay below: none when `wnd` is that
// form's own or one it owns.
HWND CoveringModalWindow(HWND wnd) {
    if (ModalWindows().empty()) return nullptr;
    HWND modal = ModalWindows().back();
    for (HWND h = wnd; h; h = GetWindow(h, GW_OWNER))
        if (h == modal) return nullptr;
    return modal;
}

BOOL CALLBACK QuiroNoteWindow(HWND wnd, LPARAM windows) {
    GuardCallback([&] { reinterpret_cast<std::vector<HWND>*>(windows)->push_back(wnd); });
    return TRUE;
}

// The program's stay-on-top forms are on top of every window but a running modal form:
// they stay below that one (it must stay reachable) and are on top again after it, and
// after another form came to the front. Among themselves they keep their order: each is
// put on top in turn, the lowest first.
void ArrangeStayOnTopForms() {
    std::vector<HWND> windows;  // in Z order, the top first
    EnumThreadWindows(GetCurrentThreadId(), &QuiroNoteWindow, reinterpret_cast<LPARAM>(&windows));
    constexpr UINT kKeep = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        HWND wnd = *it;
        auto* form = dynamic_cast<TForm*>(TWinControl::FindControl(wnd));
        if (!form || form->FormStyle() != fsStayOnTop || form->Modal() || !IsWindowVisible(wnd)) continue;
        if (HWND modal = CoveringModalWindow(wnd)) {
            SetWindowPos(wnd, modal, 0, 0, 0, 0, kKeep);
            continue;
        }
        // Placed again even when the system has it on top already: the display server may
        // have stacked the form that came to the front over it (seen under Wine, where the
        // stay-on-top form's pictures then never reached the screen).
        SetWindowPos(wnd, HWND_NOTOPMOST, 0, 0, 0, 0, kKeep);
        SetWindowPos(wnd, HWND_TOPMOST, 0, 0, 0, 0, kKeep);
    }
}
}  // namespace

TWindowState TForm::WindowState() const {
    if (!HandleAllocated() || !FVisible) return FWindowState;
    if (IsIconic(FHandle)) return wsMinimized;
    if (IsZoomed(FHandle)) return wsMaximized;
    return wsNormal;
}

void TForm::SetWindowState(TWindowState state) {
    FWindowState = state;
    if (!HandleAllocated() || !FVisible) return;
    if (state != wsNormal) {
        ShowWindow(FHandle, ShowCommand(state));
        return;
    }
    // Restoring a minimised window may bring back its maximised size first.
    for (int i = 0; i < 2 && (IsIconic(FHandle) || IsZoomed(FHandle)); ++i)
        ShowWindow(FHandle, SW_RESTORE);
}

void TForm::ApplyPosition() {
    RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    RECT work = Screen ? Screen->WorkAreaRect() : screen;
    RECT outer = screen;
    TForm* around = nullptr;
    switch (Position) {
        case poScreenCenter:
            break;
        case poMainFormCenter:
            around = Application ? Application->MainForm() : nullptr;
            break;
        case poOwnerFormCenter:
            around = FPopupParent ? FPopupParent : dynamic_cast<TForm*>(Owner());
            break;
        default:
            return;
    }
    if (around && around != this && around->HandleAllocated() && around->FVisible)
        GetWindowRect(around->Handle(), &outer);
    int left = 0, top = 0;
    CenterBox({outer.left, outer.top, outer.right, outer.bottom}, FWidth, FHeight,
              {work.left, work.top, work.right, work.bottom}, left, top);
    SetBounds(left, top, FWidth, FHeight);
}

void TForm::Show() {
    ShowWindowAs(true);
    if (StayBelowModal()) return;
    BringWindowToTop(Handle());
    if (!FParent) {
        SetForegroundWindow(Handle());
        // (A modal form arranges them as it starts.)
        if (FFormStyle != fsStayOnTop && !FModal) ArrangeStayOnTopForms();
    }
    if (FParent && FAlign != alNone) RequestAlign();
}

void TForm::ShowNoActivate() {
    ShowWindowAs(false);
    if (!FParent && !StayBelowModal())
        SetWindowPos(Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (FParent && FAlign != alNone) RequestAlign();
}

bool TForm::StayBelowModal() {
    HWND modal = FModal || FParent ? nullptr : CoveringModalWindow(Handle());
    if (modal) SetWindowPos(Handle(), modal, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return modal != nullptr;
}

void TForm::ShowWindowAs(bool activate) {
    DoCreate();
    if (FVisible) return;
    FVisible = true;
    HandleNeeded();
    if (!FShown && !FParent) ApplyPosition();
    DoShow();
    if (!FActiveControl) FActiveControl = FindNextControl(nullptr, true, true);
    // A normal form shows as its window is: OnShow may have minimised or maximised it.
    // While a modal form runs, another form shows below it and leaves it the keyboard.
    if (activate && !FModal && !FParent && CoveringModalWindow(Handle())) activate = false;
    if (FWindowState != wsNormal)
        ShowWindow(Handle(), ShowCommand(FWindowState));
    else
        ShowWindow(Handle(), activate ? SW_SHOW : SW_SHOWNOACTIVATE);
}

void TForm::DoShow() {
    FShown = true;
    if (OnShow) OnShow(this);
}

bool TForm::CloseQuery() {
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(this, canClose);
    return canClose;
}

void TForm::DoClose(TCloseAction& action) {
    if (OnClose) OnClose(this, action);
}

void TForm::Close() {
    if (FModal) {
        ModalResult = mrCancel;
        return;
    }
    if (!CloseQuery()) return;
    TCloseAction action = (Application && Application->MainForm() == this) ? caFree : caHide;
    DoClose(action);
    if (action == caNone) return;
    if (Application && Application->MainForm() == this) {
        Application->Terminate();
    } else if (action == caHide) {
        Hide();
    } else if (action == caMinimize) {
        ShowWindow(Handle(), SW_MINIMIZE);
    } else {
        PostMessageA(Handle(), CM_RELEASE, 0, 0);
    }
}

TModalResult TForm::ShowModal() {
    if (FVisible || FModal) throw Exception("Cannot make a visible window modal");
    DoCreate();
    if (Application) Application->CancelHint();
    HWND previous = GetActiveWindow();
    // A window that holds the mouse (a press that opened this form) lets it go: the
    // form's first click is its own.
    if (HWND capture = GetCapture()) SendMessageA(capture, WM_CANCELMODE, 0, 0);
    ReleaseCapture();
    TDisabledWindows disabled;
    FModal = true;
    ModalResult = mrNone;
    TCloseAction action = caHide;
    struct ModalScope {
        HWND wnd;
        explicit ModalScope(HWND w) : wnd(w) {
            ModalWindows().push_back(w);
            ArrangeStayOnTopForms();
        }
        ~ModalScope() {
            auto& windows = ModalWindows();
            windows.erase(std::remove(windows.begin(), windows.end(), wnd), windows.end());
            ArrangeStayOnTopForms();
        }
    };
    try {
        Show();
        ModalScope scope(Handle());
        while (Application && !Application->Terminated()) {
            Application->HandleMessage();
            if (ModalResult != mrNone) {
                TModalResult result = ModalResult;
                // The form may still refuse, or OnClose may keep it open.
                action = caHide;
                if (CloseQuery()) DoClose(action);
                else action = caNone;
                if (action == caNone) {
                    ModalResult = mrNone;
                    continue;
                }
                ModalResult = result;
                break;
            }
        }
        if (ModalResult == mrNone) ModalResult = mrCancel;
    } catch (...) {
        FModal = false;
        throw;
    }
    disabled.Restore();
    Hide();
    FModal = false;
    if (previous && IsWindow(previous)) SetActiveWindow(previous);
    if (action == caFree) PostMessageA(Handle(), CM_RELEASE, 0, 0);
    return ModalResult;
}

// ---- Focus --------------------------------------------------------------------------------

void TForm::SetActiveControl(TWinControl* control) {
    if (control && !control->CanFocus())
        throw Exception("Cannot focus a disabled or invisible window");
    FActiveControl = control;
    if (!FVisible || !HandleAllocated()) return;
    HWND target = control ? control->Handle() : FHandle;
    if (GetFocus() == target) {
        if (control) FocusChanged(control);
    } else {
        ::SetFocus(target);
    }
}

void TForm::FocusChanged(TWinControl* control) {
    FActiveControl = control;
    if (Screen && Screen->FActiveForm != this) Screen->SetActiveForm(this);
    if (control != FFocusedControl) {
        TWinControl* old = FFocusedControl;
        FFocusedControl = control;
        std::vector<TWinControl*> exits, enters;
        for (TWinControl* c = old; c && c != this && !c->ContainsControl(control); c = c->Parent())
            exits.push_back(c);
        for (TWinControl* c = control; c && c != this && !(old && c->ContainsControl(old));
             c = c->Parent())
            enters.push_back(c);
        for (TWinControl* c : exits) {
            c->DoExit();
            if (FFocusedControl != control) return;  // a handler moved the focus on
        }
        for (auto it = enters.rbegin(); it != enters.rend(); ++it) {
            (*it)->DoEnter();
            if (FFocusedControl != control) return;
        }
        Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(control));
    }
    if (Screen) Screen->SetActiveControl(control);
}

void TForm::ControlDestroying(TWinControl* control) {
    if (FActiveControl == control) FActiveControl = nullptr;
    if (FFocusedControl == control) FFocusedControl = nullptr;
}

void TForm::Activated(TMessage& message) {
    if (LOWORD(message.WParam) == WA_INACTIVE) {
        DefaultHandler(message);
        return;
    }
    if (Screen) {
        Screen->SetActiveForm(this);
        Screen->SetActiveControl(FActiveControl);
    }
    message.Result = 0;
    if (HIWORD(message.WParam)) return;  // minimised: the focus stays put
    if (FActiveControl && FActiveControl->CanFocus())
        ::SetFocus(FActiveControl->Handle());
    else
        ::SetFocus(FHandle);
}

// Tab and Shift+Tab move through the tab order, arrows among the controls of one parent;
// other keys go to every control (the default and cancel buttons take Enter and Esc).
void TForm::DialogKey(TMessage& message) {
    TShiftState shift = KeyDataToShiftState(message.LParam);
    if (!(shift & (ssAlt | ssCtrl))) {
        switch (message.WParam) {
            case VK_TAB:
                SelectNext(FActiveControl, !(shift & ssShift), true);
                message.Result = 1;
                return;
            case VK_LEFT:
            case VK_RIGHT:
            case VK_UP:
            case VK_DOWN:
                if (FActiveControl && FActiveControl->Parent()) {
                    FActiveControl->Parent()->SelectNext(
                        FActiveControl, message.WParam == VK_RIGHT || message.WParam == VK_DOWN,
                        false);
                    message.Result = 1;
                    return;
                }
                break;
            default:
                break;
        }
    }
    Broadcast(message);
}

void TForm::WndProc(TMessage& message) {
    if (Application && Application->MainForm() == this && Application->MainWindowMessage(message))
        return;
    switch (message.Msg) {
        case WM_CLOSE:
            Close();
            message.Result = 0;
            return;
        case WM_ACTIVATEAPP:
            if (Application) Application->Activate(message.WParam != 0);
            break;
        case WM_ACTIVATE:
            Activated(message);
            return;
        case WM_SETFOCUS:
            // The form passes the focus on to its active control.
            if (FActiveControl && FActiveControl->CanFocus()) {
                ::SetFocus(FActiveControl->Handle());
                return;
            }
            DefaultHandler(message);
            return;
        case WM_COMMAND:
            if (message.LParam == 0) {  // a menu choice (or an accelerator)
                if (TMenuItem* item = TMenuItem::FromCommand(LOWORD(message.WParam))) {
                    item->Click();
                    message.Result = 0;
                    return;
                }
            }
            break;
        case CM_DIALOGKEY:
            DialogKey(message);
            return;
        case WM_SHOWWINDOW:
            if (!message.WParam && FVisible && message.LParam == 0) {
                FVisible = false;
                if (OnHide) OnHide(this);
            }
            break;
        case CM_RELEASE:
            delete this;
            return;
        default:
            break;
    }
    TWinControl::WndProc(message);
}

// ---- TApplication -----------------------------------------------------------------------

TApplication::TApplication(TComponent* owner) : TComponent(owner) {
    Application = this;
}

TApplication::~TApplication() {
    FHints.reset();
    DestroyComponents();
    if (Application == this) Application = nullptr;
}

void TApplication::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == FMainForm) FMainForm = nullptr;
}

void TApplication::Run() {
    if (FMainForm && ShowMainForm) {
        try {
            FMainForm->Show();
        } catch (...) {
            HandleException(this);
        }
    }
    while (!FTerminated) HandleMessage();
}

void TApplication::Terminate() {
    if (!FTerminated) PostQuitMessage(0);
}

bool TApplication::NextMessage(MSG& msg) {
    // Each look into the queue is a round trip to the system. When only keys wait, one look
    // in the keys' range takes the characters a key made (posted, so they come first) or
    // else the first key.
    bool keysFirst = std::exchange(FKeyTranslated, false);
    if (!keysFirst) {
        const UINT input = HIWORD(GetQueueStatus(QS_INPUT)) & QS_INPUT;
        if (input == QS_KEY && PeekMessageA(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) return true;
        keysFirst = input != 0;
    }
    if (keysFirst && (PeekMessageA(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE | PM_QS_POSTMESSAGE) ||
                      PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_INPUT)))
        return true;
    return PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
}

bool TApplication::ProcessMessage(MSG& msg) {
    if (!NextMessage(msg)) return false;
    if (msg.message == WM_QUIT) {
        FTerminated = true;
        ExitCode = static_cast<int>(msg.wParam);
        return true;
    }
    try {
        bool handled = false;
        if (OnMessage) OnMessage(msg, handled);
        if (!handled) handled = DragKeyMessage(msg);
        if (!handled) handled = IsModelessDialogMessage(msg);
        if (!handled) {
            if (!FHints) FHints = std::make_unique<THintController>(this);
            FHints->Message(msg);
            handled = IsKeyMsg(msg);
        }
        if (!handled) {
            if (TranslateMessage(&msg) && (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN))
                FKeyTranslated = true;
            DispatchMessageA(&msg);
        } else if (msg.message == WM_SYSKEYDOWN && (msg.lParam & KF_ALTDOWN << 16) &&
                   msg.wParam != VK_MENU) {
            // The default procedure opens the window menu when Alt is let go with no other
            // key pressed meanwhile, and it learns of the other keys only from their
            // WM_SYSKEYDOWN: one taken here (a shortcut) is told to it as a key of no
            // other meaning, or the next keys would go to that menu's loop.
            DefWindowProcA(msg.hwnd, WM_SYSKEYDOWN, 0, msg.lParam);
        }
    } catch (...) {
        HandleException(this);
    }
    return true;
}

bool TApplication::IsKeyMsg(MSG& msg) {
    switch (msg.message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_CHAR:
        case WM_SYSCHAR:
            break;
        default:
            return false;
    }
    TWinControl* control = TWinControl::FindControl(msg.hwnd);
    return control && control->Perform(CN_BASE + msg.message, msg.wParam, msg.lParam) != 0;
}

void TApplication::CancelHint() {
    if (FHints) FHints->Cancel();
}

void TApplication::ProcessMessages() {
    MSG msg;
    while (ProcessMessage(msg)) {
    }
}

void TApplication::HandleMessage() {
    MSG msg;
    if (!ProcessMessage(msg)) Idle();
}

void TApplication::Idle() {
    if (CheckSynchronize()) return;  // requests of worker threads first
    bool done = true;
    if (OnIdle) {
        try {
            OnIdle(this, done);
        } catch (...) {
            HandleException(this);
        }
    }
    if (done) WaitMessage();
}

void TApplication::HandleException(TComponent* sender) {
    std::exception_ptr e = std::current_exception();
    if (!e) return;
    try {
        std::rethrow_exception(e);
    } catch (const EAbort&) {
        return;  // the silent one
    } catch (...) {
    }
    if (OnException) {
        try {
            OnException(sender, e);
            return;
        } catch (...) {
            e = std::current_exception();
        }
    }
    ShowException(e);
}

std::string TApplication::ExceptionMessage(std::exception_ptr e) {
    try {
        std::rethrow_exception(e);
    } catch (const Exception& ex) {
        return ex.Message;
    } catch (const std::exception& ex) {
        return ex.what();
    } catch (...) {
        return "Unknown error";
    }
}

void TApplication::ShowException(std::exception_ptr e) {
    std::string text = ExceptionMessage(e);
    if (!text.empty() && text.back() != '.') text += '.';
    MessageBox(text, FTitle, MB_OK | MB_ICONSTOP);
}

int TApplication::MessageBox(const std::string& text, const std::string& caption, UINT flags) {
    HWND owner = GetActiveWindow();
    return ::MessageBoxA(owner, text.c_str(), caption.empty() ? FTitle.c_str() : caption.c_str(),
                         flags);
}

void TApplication::Activate(bool active) {
    if (active == FActive) return;
    if (!active) CancelHint();
    FActive = active;
    if (active && OnActivate) OnActivate(this);
    if (!active && OnDeactivate) OnDeactivate(this);
}

HWND TApplication::Handle() const {
    return FMainForm && FMainForm->HandleAllocated() ? FMainForm->Handle() : nullptr;
}

void TApplication::HookMainWindow(const void* owner, TWindowHook hook) {
    for (auto& h : FWindowHooks) {
        if (h.first == owner) {
            h.second = std::move(hook);
            return;
        }
    }
    FWindowHooks.emplace_back(owner, std::move(hook));
}

void TApplication::UnhookMainWindow(const void* owner) {
    std::erase_if(FWindowHooks, [owner](const auto& h) { return h.first == owner; });
}

bool TApplication::MainWindowMessage(TMessage& message) {
    // The system's settings changed (WM_SETTINGCHANGE, also sent as WM_WININICHANGE): the
    // formats of dates and numbers and the screen's metrics follow when asked to, before
    // the hooks hear of it.
    if (message.Msg == WM_SETTINGCHANGE) {
        if (UpdateFormatSettings) GetLocaleFormatSettings(FormatSettings());
        if (UpdateMetricSettings && Screen) Screen->GetMetricSettings();
    }
    // A copy: a hook may hook or unhook others, or itself; one that left is not called.
    const auto hooks = FWindowHooks;
    for (const auto& h : hooks) {
        bool present = std::any_of(FWindowHooks.begin(), FWindowHooks.end(),
                                   [&](const auto& now) { return now.first == h.first; });
        if (present && h.second && h.second(message)) return true;
    }
    if (message.Msg == WM_SIZE) {
        bool minimized = message.WParam == SIZE_MINIMIZED;
        bool restored = message.WParam == SIZE_RESTORED || message.WParam == SIZE_MAXIMIZED;
        if (minimized && !FMinimized) {
            FMinimized = true;
            if (OnMinimize) OnMinimize(this);
        } else if (restored && FMinimized) {
            FMinimized = false;
            if (OnRestore) OnRestore(this);
        }
    }
    return false;
}

bool TApplication::HelpCommand(WORD command, DWORD data) {
    bool callHelp = true;
    return OnHelp ? OnHelp(command, data, callHelp) : false;
}

void AddModelessDialog(HWND dialog) {
    auto& dialogs = ModelessDialogs();
    if (dialog && std::find(dialogs.begin(), dialogs.end(), dialog) == dialogs.end())
        dialogs.push_back(dialog);
}

void RemoveModelessDialog(HWND dialog) {
    auto& dialogs = ModelessDialogs();
    dialogs.erase(std::remove(dialogs.begin(), dialogs.end(), dialog), dialogs.end());
}

int ParamCount() {
    auto args = quiro::framework::SplitCommandLine(GetCommandLineA());
    return args.empty() ? 0 : static_cast<int>(args.size()) - 1;
}

std::string ParamStr(int index) {
    auto args = quiro::framework::SplitCommandLine(GetCommandLineA());
    if (index < 0 || static_cast<size_t>(index) >= args.size()) return std::string();
    if (index == 0) {
        char path[MAX_PATH];
        DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
        if (n > 0 && n < MAX_PATH) return std::string(path, n);
    }
    return args[static_cast<size_t>(index)];
}
