// Window hooks: a component that lets a form see, change or swallow the messages of one
// windowed control (or of the form itself) before and after the control's own window
// procedure, without deriving a new control class.
//
// Every hook on one control shares one record (TControlHook), which puts a single
// framework subclass (TWindowSubclass) in front of the control's window; the records live
// in one process-wide list (THookList) with a hidden utility window. When the control's
// window is destroyed the record leaves it, and when the window is re-created (a style
// change, re-parenting) a message posted to the utility window puts the record back once
// the queue is pumped; messages the new window receives before that are not seen.
//
// Because the record is one link of the framework's per-window chain, nothing it leaves
// behind can be freed while another subclass installed later still calls it: detaching
// only takes the link out of the chain, and messages go on to the control.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "framework/Controls.h"
#include "framework/WindowUtils.h"

class TControlHook;
class THookList;

using THookMessageEvent = std::function<void(TComponent* sender, TMessage& msg, bool& handled)>;

// Messages of the hook list's utility window; lParam is the record.
constexpr UINT HM_REHOOK = 0xB052;   // put the record's subclass on its control's new window
constexpr UINT HM_RELEASE = 0xB053;  // free the record when no hook is attached to it

class TXcWindowHook : public TComponent {
public:
    explicit TXcWindowHook(TComponent* owner);
    ~TXcWindowHook() override;

    // Attached while true (the default).
    bool Active() const { return FActive; }
    void SetActive(bool value);
    // The watched control (nullptr: none).
    TWinControl* WinControl() const;
    void SetWinControl(TWinControl* value);
    // True when the watched control is the owner and the owner is a form; setting it true
    // makes an owner that is a form the watched control.
    bool IsForm() const;
    void SetIsForm(bool value);

    // Called with Sender = this hook: before the control's procedure (set Handled to keep
    // the message from it) and after it (the message's Result holds the control's answer).
    THookMessageEvent BeforeMessage;
    THookMessageEvent AfterMessage;

    void HookControl();
    void UnhookControl();
    // The hook list's utility window, or INVALID_HANDLE_VALUE while there is no list.
    HWND GetHookHandle() const;

protected:
    void Notification(TComponent* component, TOperation operation) override;
    virtual void DoBeforeMessage(TMessage& msg, bool& handled);
    virtual void DoAfterMessage(TMessage& msg, bool& handled);

private:
    friend class TControlHook;
    void DoUnhookControl();

    bool FActive = true;
    TWinControl* FControl = nullptr;
    TControlHook* FControlHook = nullptr;
};

// The subclassing record of one control, shared by the hooks attached to it (in attach
// order). A component only to hear of its control's end.
class TControlHook : public TComponent {
public:
    ~TControlHook() override;

    TWinControl* Control() const { return FControl; }
    void AddHook(TXcWindowHook* hook);
    void RemoveHook(TXcWindowHook* hook);
    void SetControl(TWinControl* value);
    // Puts the subclass on the control's window (making the window when needed).
    void Subclass();
    // Takes the subclass out of the window's chain.
    void RestoreWndProc();

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class THookList;
    friend class TXcWindowHook;
    TControlHook();
    void WindowProc(TMessage& msg);
    void Dispatch(TMessage& msg, bool& handled, void (TXcWindowHook::*call)(TMessage&, bool&));
    void LeaveWindowProc();
    void PostToList(UINT msg);

    TWinControl* FControl = nullptr;
    TWindowSubclass FSubclass;
    std::vector<TXcWindowHook*> FHooks;
    bool FDestroying = false;
    // While a message is inside WindowProc (depth > 0) the subclass stays in the chain and
    // the record stays alive; leaving or freeing waits for the way out.
    int FDepth = 0;
    bool FRestorePending = false;
    bool FReleasePending = false;
};

class THookList {
public:
    THookList();
    THookList(const THookList&) = delete;
    THookList& operator=(const THookList&) = delete;

    // The first record for `control` in list order (nullptr for none or a null control).
    TControlHook* FindForControl(TWinControl* control) const;
    TControlHook* GetOrCreateForControl(TWinControl* control);
    bool Contains(const TControlHook* record) const;
    int Count() const { return static_cast<int>(FItems.size()); }
    HWND Handle() const { return FHandle; }

private:
    friend class TControlHook;
    void UtilityWndProc(TMessage& msg);

    std::vector<TControlHook*> FItems;
    HWND FHandle = nullptr;
};

// The process's hook list: nullptr until a hook first attaches. It lives as long as the
// process (its records go with the hooks that use them).
THookList* HookListInstance();
