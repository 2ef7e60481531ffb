// Forms and the application object: the message loop every window of the program runs in.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/Controls.h"
#include "framework/core/Colors.h"

enum TCloseAction { caNone, caHide, caFree, caMinimize };

using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = IDOK;
constexpr TModalResult mrCancel = IDCANCEL;
constexpr TModalResult mrAbort = IDABORT;
constexpr TModalResult mrRetry = IDRETRY;
constexpr TModalResult mrIgnore = IDIGNORE;
constexpr TModalResult mrYes = IDYES;
constexpr TModalResult mrNo = IDNO;
constexpr TModalResult mrAll = IDNO + 1;  // the message dialog's All

using TCloseEvent = std::function<void(TComponent* sender, TCloseAction& action)>;
using TCloseQueryEvent = std::function<void(TComponent* sender, bool& canClose)>;

enum TBorderIconFlag : unsigned { biSystemMenu = 1, biMinimize = 2, biMaximize = 4, biHelp = 8 };
using TBorderIcons = unsigned;
enum TFormStyle { fsNormal, fsStayOnTop };
// Where a form first shows: as set (poDesigned; a form left at 0, 0 is placed by the
// system), placed by the system, or centred on the screen, the main form or its owner.
enum TPosition { poDesigned, poDefault, poScreenCenter, poMainFormCenter, poOwnerFormCenter };

class TMainMenu;

class TForm : public TWinControl {
public:
    explicit TForm(TComponent* owner);
    ~TForm() override;

    // Runs OnCreate, once (CreateForm does; Show and ShowModal do when nobody has).
    void DoCreate();
    // Shows the form (creating its window) and brings it to the front.
    void Show();
    // Shows the form, also when it was already shown, in front of the other windows
    // without activating it: the active window and the focus stay.
    void ShowNoActivate();
    // Asks OnCloseQuery, then OnClose decides what closing means; closing the main form
    // ends the program.
    void Close();
    // Shows the form modally; returns when ModalResult is set (Close sets mrCancel).
    TModalResult ShowModal();
    TModalResult ModalResult = mrNone;
    bool Modal() const { return FModal; }

    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle style);
    TBorderIcons BorderIcons() const { return FBorderIcons; }
    void SetBorderIcons(TBorderIcons icons);
    TFormStyle FormStyle() const { return FFormStyle; }
    void SetFormStyle(TFormStyle style);
    TPosition Position = poDesigned;
    TWindowState WindowState() const;
    void SetWindowState(TWindowState state);
    // The window this one is owned by (stays above it); by default the owning form, else
    // the application's main form.
    void SetPopupParent(TForm* form) { FPopupParent = form; }
    TMainMenu* Menu() const { return FMenu; }
    void SetMenu(TMainMenu* menu);

    // The control that has (or gets, when the form is next active) the keyboard focus.
    TWinControl* ActiveControl() const { return FActiveControl; }
    void SetActiveControl(TWinControl* control);
    // The form sees key events before the focused control.
    bool KeyPreview = false;
    // The shortcuts of the form's menu bar.
    virtual bool IsShortCut(TShortCut shortCut);

    int ClientWidth() const override;
    int ClientHeight() const override;

    TNotifyEvent OnCreate;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TNotifyEvent OnDestroy;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;

    virtual bool CloseQuery();

    void WndProc(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateHandleDone() override;
    void Notification(TComponent* component, TOperation operation) override;
    virtual void DoShow();
    virtual void DoClose(TCloseAction& action);

private:
    friend class TWinControl;
    // Told by a control of the form that took the keyboard focus: OnExit and OnEnter
    // along the parents, the Screen's active control.
    void FocusChanged(TWinControl* control);
    void ControlDestroying(TWinControl* control);
    void DialogKey(TMessage& message);
    // The window styles of the border style, icons and form style; the frame's size.
    void FrameStyle(DWORD& style, DWORD& exStyle) const;
    SIZE FrameSize() const;
    void ApplyPosition();
    void Activated(TMessage& message);
    // Makes a hidden form visible, activating its window or not.
    void ShowWindowAs(bool activate);
    // While a modal form runs, another form goes below it: true when it did.
    bool StayBelowModal();

    bool FModal = false;
    bool FShown = false;
    bool FCreated = false;
    TFormBorderStyle FBorderStyle = bsSizeable;
    TBorderIcons FBorderIcons = biSystemMenu | biMinimize | biMaximize;
    TFormStyle FFormStyle = fsNormal;
    TWindowState FWindowState = wsNormal;
    TForm* FPopupParent = nullptr;
    TMainMenu* FMenu = nullptr;
    TWinControl* FActiveControl = nullptr;
    TWinControl* FFocusedControl = nullptr;  // the control OnEnter ran for last
};

using TMessageEvent = std::function<void(MSG& msg, bool& handled)>;
using TIdleEvent = std::function<void(TComponent* sender, bool& done)>;
using TExceptionEvent = std::function<void(TComponent* sender, std::exception_ptr e)>;
// Help requests: returns true when the request was dealt with; callHelp false stops the
// default help.
using THelpEvent = std::function<bool(WORD command, DWORD data, bool& callHelp)>;

// What a hint about to be shown is about: the control under the mouse, where the hint
// window goes, and for how long it stays.
struct THintInfo {
    TControl* HintControl = nullptr;
    POINT HintPos{};
    int HintMaxWidth = 0;
    TColor HintColor = 0;
    RECT CursorRect{};
    POINT CursorPos{};
    int ReshowTimeout = 0;
    int HideTimeout = 0;
    std::string HintStr;
};
using TShowHintEvent =
    std::function<void(std::string& hintStr, bool& canShow, THintInfo& hintInfo)>;
// A hook on the application's messages before the main window sees them; true = handled.
using TWindowHook = std::function<bool(TMessage& message)>;

class THintController;

class TApplication : public TComponent {
public:
    explicit TApplication(TComponent* owner = nullptr);
    ~TApplication() override;

    const std::string& Title() const { return FTitle; }
    void SetTitle(const std::string& title) { FTitle = title; }

    // Creates a form; the first one created becomes the main form.
    template <class F>
    F* CreateForm() {
        F* form = new F(this);
        if (!FMainForm) FMainForm = form;
        form->DoCreate();
        return form;
    }
    TForm* MainForm() const { return FMainForm; }
    void SetMainForm(TForm* form) { FMainForm = form; }

    // Shows the main form and runs the message loop until the program ends.
    void Run();
    // Handles every queued message, then returns.
    void ProcessMessages();
    // Handles one message, or goes idle (OnIdle, then waits) when there is none.
    void HandleMessage();
    void Terminate();
    bool Terminated() const { return FTerminated; }

    TMessageEvent OnMessage;
    TIdleEvent OnIdle;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TExceptionEvent OnException;
    THelpEvent OnHelp;
    TNotifyEvent OnHint;
    TShowHintEvent OnShowHint;
    TNotifyEvent OnMinimize;
    TNotifyEvent OnRestore;

    // Hints of the controls (shown after HintPause ms, the next one after HintShortPause,
    // hidden after HintHidePause).
    std::string Hint;
    TColor HintColor = clInfoBk;
    int HintPause = 500;
    int HintShortPause = 50;
    int HintHidePause = 2500;
    bool ShowHint = true;
    // Run shows the main form first.
    bool ShowMainForm = true;
    // When the system's settings change, the formats of dates and numbers are read again /
    // the screen's metrics (Screen->GetMetricSettings).
    bool UpdateFormatSettings = true;
    bool UpdateMetricSettings = true;

    // Called inside a catch block: gives the current exception to OnException, or shows it;
    // EAbort, the silent one, is dropped.
    void HandleException(TComponent* sender);
    void ShowException(std::exception_ptr e);
    static std::string ExceptionMessage(std::exception_ptr e);

    // A message box over the active window, captioned with the title unless one is given.
    int MessageBox(const std::string& text, const std::string& caption, UINT flags);

    // Hides a shown hint and forgets the control it was for.
    void CancelHint();

    // Told by the forms' windows of WM_ACTIVATEAPP.
    void Activate(bool active);
    bool Active() const { return FActive; }

    // The application's window. The program has no hidden window of its own: the main form
    // is it (its task-bar button, its minimised state, the system's broadcasts such as
    // WM_SETTINGCHANGE). nullptr while the main form has no window.
    HWND Handle() const;
    // Hooks on the main window: each of its messages is offered to them, the first hooked
    // first, before the form handles it; a hook that returns true has handled it (its
    // Result stands). One hook per owner: hooking again replaces the owner's hook.
    void HookMainWindow(const void* owner, TWindowHook hook);
    void UnhookMainWindow(const void* owner);

    // Help requests go to OnHelp (the program opens its help file itself; there is no
    // default help viewer); true when they were dealt with.
    bool HelpCommand(WORD command, DWORD data);
    bool HelpContext(int context) { return HelpCommand(HELP_CONTEXT, static_cast<DWORD>(context)); }

    int ExitCode = 0;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TForm;
    // The main form's messages pass here first: its hooks, then minimising and restoring
    // (OnMinimize, OnRestore). True when a hook handled the message.
    bool MainWindowMessage(TMessage& message);
    bool ProcessMessage(MSG& msg);
    // Takes the next message: the user's keys and mouse before messages posted meanwhile
    // (the notices of a socket that a host floods come one after another and would keep
    // them waiting), the characters a key made before the next key.
    bool NextMessage(MSG& msg);
    // A key message goes first to the focused control as CN_KEYDOWN, CN_CHAR, … for its
    // shortcuts and dialog keys; true when it was used there.
    bool IsKeyMsg(MSG& msg);
    void Idle();

    std::vector<std::pair<const void*, TWindowHook>> FWindowHooks;
    bool FMinimized = false;

    std::string FTitle;
    TForm* FMainForm = nullptr;
    bool FTerminated = false;
    bool FKeyTranslated = false;  // characters of the last key may wait in the queue
    bool FActive = false;
    std::unique_ptr<THintController> FHints;
};

extern TApplication* Application;

// Modeless system dialogs (find, replace): while one is registered, the application's loop
// gives the messages of its windows to IsDialogMessage (Tab, Enter, Esc, accelerators).
void AddModelessDialog(HWND dialog);
void RemoveModelessDialog(HWND dialog);

// The command line's arguments: ParamStr(0) is the program; ParamCount() the others.
int ParamCount();
std::string ParamStr(int index);
