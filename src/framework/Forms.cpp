#include "framework/Forms.h"

#include <algorithm>
#include <vector>

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
    if (HandleAllocated()) DestroyWnd();
}

void TForm::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.Style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    params.ExStyle = WS_EX_CONTROLPARENT;
    params.WndParent = nullptr;
    if (FLeft == 0 && FTop == 0) {
        params.X = CW_USEDEFAULT;
        params.Y = CW_USEDEFAULT;
    }
    params.WinClassName = "QuiroForm";
    params.Background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
}

void TForm::Show() {
    if (!FVisible) {
        FVisible = true;
        HandleNeeded();
        DoShow();
        ShowWindow(Handle(), SW_SHOW);
    }
    BringWindowToTop(Handle());
    SetForegroundWindow(Handle());
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
    HWND previous = GetActiveWindow();
    TDisabledWindows disabled;
    FModal = true;
    ModalResult = mrNone;
    try {
        Show();
        while (Application && !Application->Terminated()) {
            Application->HandleMessage();
            if (ModalResult != mrNone) {
                TModalResult result = ModalResult;
                // The form may still refuse, or OnClose may keep it open.
                TCloseAction action = caHide;
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
    return ModalResult;
}

bool TForm::IsDialogKey(const MSG&) { return false; }

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
    DestroyComponents();
    if (Application == this) Application = nullptr;
}

void TApplication::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == FMainForm) FMainForm = nullptr;
}

void TApplication::Run() {
    if (FMainForm) {
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

bool TApplication::ProcessMessage(MSG& msg) {
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
    if (msg.message == WM_QUIT) {
        FTerminated = true;
        ExitCode = static_cast<int>(msg.wParam);
        return true;
    }
    try {
        bool handled = false;
        if (OnMessage) OnMessage(msg, handled);
        if (!handled) handled = IsModelessDialogMessage(msg);
        if (!handled && (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN ||
                         msg.message == WM_CHAR)) {
            auto* form =
                dynamic_cast<TForm*>(TWinControl::FromHandle(GetAncestor(msg.hwnd, GA_ROOT)));
            if (form) handled = form->IsDialogKey(msg);
        }
        if (!handled) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    } catch (...) {
        HandleException(this);
    }
    return true;
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
