#include "controls/XcHook.h"

#include <algorithm>

#include "controls/core/HookDispatch.h"
#include "framework/Forms.h"

using quiro::controls::DispatchHooks;
using quiro::controls::HookMessageKind;
using quiro::controls::RouteHookedMessage;

namespace {

THookList* gHookList = nullptr;

THookList& HookList() {
    if (!gHookList) gHookList = new THookList();
    return *gHookList;
}

}  // namespace

THookList* HookListInstance() {
    return gHookList;
}

// ---- TXcWindowHook ----------------------------------------------------------------------

TXcWindowHook::TXcWindowHook(TComponent* owner) : TComponent(owner) {}

TXcWindowHook::~TXcWindowHook() {
    Destroying();
    SetActive(false);
    SetWinControl(nullptr);
}

void TXcWindowHook::SetActive(bool value) {
    if (value == FActive) return;
    if (value)
        HookControl();
    else
        UnhookControl();
}

void TXcWindowHook::HookControl() {
    FActive = true;
    if (FControl && !IsDestroying()) HookList().GetOrCreateForControl(FControl)->AddHook(this);
}

void TXcWindowHook::UnhookControl() {
    DoUnhookControl();
    FActive = false;
}

void TXcWindowHook::DoUnhookControl() {
    if (FControlHook) FControlHook->RemoveHook(this);
}

TWinControl* TXcWindowHook::WinControl() const {
    return FControlHook ? FControlHook->Control() : FControl;
}

void TXcWindowHook::SetWinControl(TWinControl* value) {
    if (value == FControl) return;
    bool wasActive = FActive;
    THookList* list = HookListInstance();
    // The old control's record, also when this hook was deactivated earlier.
    TControlHook* old = FControlHook ? FControlHook
                        : list       ? list->FindForControl(FControl)
                                     : nullptr;
    DoUnhookControl();
    if (FControl) RemoveFreeNotification(FControl);
    FControl = value;
    if (value) FreeNotification(value);
    if (old && old->FHooks.empty()) old->PostToList(HM_RELEASE);
    if (wasActive) HookControl();
}

bool TXcWindowHook::IsForm() const {
    return FControl && FControl == Owner() && dynamic_cast<TForm*>(Owner());
}

void TXcWindowHook::SetIsForm(bool value) {
    if (!value) return;
    if (auto* form = dynamic_cast<TForm*>(Owner())) SetWinControl(form);
}

HWND TXcWindowHook::GetHookHandle() const {
    THookList* list = HookListInstance();
    return list ? list->Handle() : static_cast<HWND>(INVALID_HANDLE_VALUE);
}

void TXcWindowHook::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == FControl) SetWinControl(nullptr);
}

void TXcWindowHook::DoBeforeMessage(TMessage& msg, bool& handled) {
    if (BeforeMessage) BeforeMessage(this, msg, handled);
}

void TXcWindowHook::DoAfterMessage(TMessage& msg, bool& handled) {
    if (AfterMessage) AfterMessage(this, msg, handled);
}

// ---- TControlHook -----------------------------------------------------------------------

TControlHook::TControlHook() : FSubclass([this](TMessage& msg) { WindowProc(msg); }) {}

TControlHook::~TControlHook() {
    FDestroying = true;
    if (gHookList) std::erase(gHookList->FItems, this);
    while (!FHooks.empty()) RemoveHook(FHooks.back());
    SetControl(nullptr);
}

void TControlHook::AddHook(TXcWindowHook* hook) {
    if (std::find(FHooks.begin(), FHooks.end(), hook) == FHooks.end()) {
        FHooks.push_back(hook);
        hook->FControlHook = this;
        SetControl(hook->FControl);
    }
    Subclass();
}

void TControlHook::RemoveHook(TXcWindowHook* hook) {
    hook->FControlHook = nullptr;
    std::erase(FHooks, hook);
    if (FHooks.empty()) RestoreWndProc();
}

void TControlHook::SetControl(TWinControl* value) {
    if (value == FControl) return;
    RestoreWndProc();
    if (FControl) RemoveFreeNotification(FControl);
    FControl = value;
    if (value) FreeNotification(value);
    if (!FHooks.empty()) Subclass();
}

void TControlHook::Subclass() {
    if (!FControl || FControl->IsDestroying() || FDestroying || FHooks.empty()) return;
    FRestorePending = false;
    HWND wnd = FControl->Handle();
    if (FSubclass.Window() != wnd) FSubclass.Attach(wnd);
}

void TControlHook::RestoreWndProc() {
    if (FDepth > 0) {
        // A message is on its way through the record: it still needs the chain.
        FRestorePending = FSubclass.Window() != nullptr;
        return;
    }
    FRestorePending = false;
    FSubclass.Detach();
}

void TControlHook::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation != opRemove || component != FControl) return;
    SetControl(nullptr);
    if (FHooks.empty()) PostToList(HM_RELEASE);
}

void TControlHook::PostToList(UINT msg) {
    if (gHookList) PostMessageA(gHookList->FHandle, msg, 0, reinterpret_cast<LPARAM>(this));
}

void TControlHook::WindowProc(TMessage& msg) {
    ++FDepth;
    struct Leave {
        TControlHook* self;
        ~Leave() { self->LeaveWindowProc(); }
    } leave{this};
    HookMessageKind kind = msg.Msg == WM_DESTROY ? HookMessageKind::Destroy
                           : msg.Msg == WM_QUIT  ? HookMessageKind::Quit
                                                 : HookMessageKind::Ordinary;
    bool watching = FControl != nullptr;
    RouteHookedMessage(
        kind, watching,
        [&](bool& handled) { Dispatch(msg, handled, &TXcWindowHook::DoBeforeMessage); },
        [&] { FSubclass.CallPrevious(msg); },
        [&](bool& handled) { Dispatch(msg, handled, &TXcWindowHook::DoAfterMessage); });
    if (watching && kind == HookMessageKind::Destroy) {
        RestoreWndProc();
        // A window destroyed while its control lives is being re-created: come back to the
        // new one once the re-creation is over.
        if (!FDestroying && FControl && !FControl->IsDestroying()) PostToList(HM_REHOOK);
    }
}

void TControlHook::Dispatch(TMessage& msg, bool& handled,
                            void (TXcWindowHook::*call)(TMessage&, bool&)) {
    if (FHooks.empty() || !FControl || FDestroying || FControl->IsDestroying()) return;
    DispatchHooks(
        std::vector<TXcWindowHook*>(FHooks), handled,
        [&](TXcWindowHook* hook, bool& h) { (hook->*call)(msg, h); },
        [this](TXcWindowHook* hook) {
            // A hook going with its owner (a form whose window takes its children's along)
            // no longer calls the owner's handlers.
            return std::find(FHooks.begin(), FHooks.end(), hook) != FHooks.end() &&
                   !hook->IsDestroying() && !(hook->Owner() && hook->Owner()->IsDestroying());
        },
        [] {
            if (Application) Application->HandleException(nullptr);
        });
}

void TControlHook::LeaveWindowProc() {
    if (--FDepth > 0) return;
    if (FRestorePending) {
        FRestorePending = false;
        FSubclass.Detach();
    }
    if (FReleasePending) {
        FReleasePending = false;
        PostToList(HM_RELEASE);
    }
}

// ---- THookList --------------------------------------------------------------------------

THookList::THookList() {
    FHandle = AllocateHWnd([this](TMessage& msg) { UtilityWndProc(msg); });
}

TControlHook* THookList::FindForControl(TWinControl* control) const {
    if (!control) return nullptr;
    auto it = std::find_if(FItems.begin(), FItems.end(),
                           [control](TControlHook* r) { return r->FControl == control; });
    return it == FItems.end() ? nullptr : *it;
}

TControlHook* THookList::GetOrCreateForControl(TWinControl* control) {
    if (TControlHook* found = FindForControl(control)) return found;
    auto* record = new TControlHook();
    FItems.push_back(record);
    record->SetControl(control);
    return record;
}

bool THookList::Contains(const TControlHook* record) const {
    return std::find(FItems.begin(), FItems.end(), record) != FItems.end();
}

void THookList::UtilityWndProc(TMessage& msg) {
    auto* record = reinterpret_cast<TControlHook*>(msg.LParam);
    switch (msg.Msg) {
        case HM_REHOOK:
            if (Contains(record)) record->Subclass();
            return;
        case HM_RELEASE:
            if (!Contains(record) || !record->FHooks.empty()) return;
            if (record->FDepth > 0)
                record->FReleasePending = true;
            else
                delete record;
            return;
        default:
            DefaultUtilMessage(FHandle, msg);
    }
}
