#include "controls/AppEvent.h"

#include <typeinfo>
#include <utility>

#include "controls/core/EventChain.h"
#include "framework/Screen.h"

using quiro::controls::CallsSaved;
using quiro::controls::EventChain;
using quiro::controls::ShowsException;

namespace {

// One handler slot of Application or Screen while the list sits in it: the handler that
// was there before, and the type of the dispatcher put in its place (to know whether it is
// still ours when giving the slot back).
template <class Owner, class Fn>
struct Slot {
    Fn Owner::*property;
    Fn saved;
    const std::type_info* ours = nullptr;

    void Take(Owner* owner, Fn dispatcher) {
        saved = std::move(owner->*property);
        ours = &dispatcher.target_type();
        owner->*property = std::move(dispatcher);
    }
    bool HasSaved() const { return static_cast<bool>(saved); }
    // Runs the saved handler from a copy: it may end the list, which takes the slot back.
    template <class... Args>
    auto CallSaved(Args&... args) const {
        Fn copy = saved;
        return copy(args...);
    }
    void GiveBack(Owner* owner) {
        if (owner && ours && (owner->*property).target_type() == *ours)
            owner->*property = std::move(saved);
        saved = nullptr;
        ours = nullptr;
    }
};

class TAppEventList {
public:
    void AddEvents(TAppEvents* events) {
        if (FChain.Add(events) && FChain.Count() == 1) Hook();
    }
    void RemoveEvents(TAppEvents* events) {
        if (FChain.Remove(events) && FChain.Empty()) ClearAppEvents();
    }

private:
    void Hook();
    void ClearAppEvents();

    // The walk of one event over the members; `call` returns true to stop it.
    template <class Fn, class Call, class Failed>
    quiro::controls::EventWalk Walk(Fn TAppEvents::*handler, Call&& call, Failed&& failed) {
        return FChain.Walk([](TAppEvents* m) { return m->Chained; },
                           [handler](TAppEvents* m) { return static_cast<bool>(m->*handler); },
                           std::forward<Call>(call), std::forward<Failed>(failed));
    }
    static void Failed() {
        if (Application) Application->HandleException(nullptr);
    }
    // The events whose arguments only pass through every handler.
    template <class Owner, class Fn, class... Args>
    void Relay(Fn TAppEvents::*handler, const Slot<Owner, Fn>& slot, Args&... args) {
        auto walk = Walk(
            handler, [&](TAppEvents* m) { return (m->*handler)(args...), false; }, &Failed);
        if (CallsSaved(walk, slot.HasSaved())) slot.CallSaved(args...);
    }

    EventChain<TAppEvents> FChain;
    TApplication* FApp = nullptr;
    Slot<TApplication, TNotifyEvent> FActivate{&TApplication::OnActivate, {}};
    Slot<TApplication, TNotifyEvent> FDeactivate{&TApplication::OnDeactivate, {}};
    Slot<TApplication, TExceptionEvent> FException{&TApplication::OnException, {}};
    Slot<TApplication, TIdleEvent> FIdle{&TApplication::OnIdle, {}};
    Slot<TApplication, THelpEvent> FHelp{&TApplication::OnHelp, {}};
    Slot<TApplication, TNotifyEvent> FHint{&TApplication::OnHint, {}};
    Slot<TApplication, TMessageEvent> FMessage{&TApplication::OnMessage, {}};
    Slot<TApplication, TNotifyEvent> FMinimize{&TApplication::OnMinimize, {}};
    Slot<TApplication, TNotifyEvent> FRestore{&TApplication::OnRestore, {}};
    Slot<TApplication, TShowHintEvent> FShowHint{&TApplication::OnShowHint, {}};
    Slot<TScreen, TNotifyEvent> FActiveControlChange{&TScreen::OnActiveControlChange, {}};
    Slot<TScreen, TNotifyEvent> FActiveFormChange{&TScreen::OnActiveFormChange, {}};
};

void TAppEventList::Hook() {
    FApp = Application;
    if (FApp) {
        auto notify = [this](TNotifyEvent TAppEvents::*handler,
                             Slot<TApplication, TNotifyEvent>& slot) {
            slot.Take(FApp,
                      [this, handler, &slot](TComponent* sender) { Relay(handler, slot, sender); });
        };
        notify(&TAppEvents::OnActivate, FActivate);
        notify(&TAppEvents::OnDeactivate, FDeactivate);
        notify(&TAppEvents::OnHint, FHint);
        notify(&TAppEvents::OnMinimize, FMinimize);
        notify(&TAppEvents::OnRestore, FRestore);
        FIdle.Take(FApp, [this](TComponent* sender, bool& done) {
            Relay(&TAppEvents::OnIdle, FIdle, sender, done);
        });
        FShowHint.Take(FApp, [this](std::string& hint, bool& canShow, THintInfo& info) {
            Relay(&TAppEvents::OnShowHint, FShowHint, hint, canShow, info);
        });
        FMessage.Take(FApp, [this](MSG& msg, bool& handled) {
            auto walk = Walk(
                &TAppEvents::OnMessage,
                [&](TAppEvents* m) {
                    m->OnMessage(msg, handled);
                    return handled;
                },
                &Failed);
            if (CallsSaved(walk, FMessage.HasSaved())) FMessage.CallSaved(msg, handled);
        });
        FHelp.Take(FApp, [this](WORD command, DWORD data, bool& callHelp) {
            bool result = false;
            auto walk = Walk(
                &TAppEvents::OnHelp,
                [&](TAppEvents* m) {
                    result = m->OnHelp(command, data, callHelp);
                    return false;
                },
                &Failed);
            if (CallsSaved(walk, FHelp.HasSaved()))
                result = FHelp.CallSaved(command, data, callHelp);
            return result;
        });
        FException.Take(FApp, [this](TComponent* sender, std::exception_ptr e) {
            // A member's handler that fails itself is shown, not handed back here.
            auto show = [] {
                if (Application) Application->ShowException(std::current_exception());
            };
            auto walk = Walk(
                &TAppEvents::OnException,
                [&](TAppEvents* m) { return m->OnException(sender, e), false; }, show);
            bool hasSaved = FException.HasSaved();
            if (CallsSaved(walk, hasSaved)) FException.CallSaved(sender, e);
            if (ShowsException(walk, hasSaved) && Application) Application->ShowException(e);
        });
    }
    if (Screen) {
        auto notify = [this](TNotifyEvent TAppEvents::*handler, Slot<TScreen, TNotifyEvent>& slot) {
            slot.Take(Screen,
                      [this, handler, &slot](TComponent* sender) { Relay(handler, slot, sender); });
        };
        notify(&TAppEvents::OnActiveControlChange, FActiveControlChange);
        notify(&TAppEvents::OnActiveFormChange, FActiveFormChange);
    }
}

void TAppEventList::ClearAppEvents() {
    // The application hooked may be gone: its slots are then only forgotten.
    TApplication* app = Application == FApp ? FApp : nullptr;
    for (auto* slot : {&FActivate, &FDeactivate, &FHint, &FMinimize, &FRestore})
        slot->GiveBack(app);
    FException.GiveBack(app);
    FIdle.GiveBack(app);
    FHelp.GiveBack(app);
    FMessage.GiveBack(app);
    FShowHint.GiveBack(app);
    FActiveControlChange.GiveBack(Screen);
    FActiveFormChange.GiveBack(Screen);
    FApp = nullptr;
}

TAppEventList& AppEventList() {
    static TAppEventList list;
    return list;
}

}  // namespace

// ---- TAppEvents -------------------------------------------------------------------------

TAppEvents::TAppEvents(TComponent* owner) : TComponent(owner) {
    if (Application)
        Application->HookMainWindow(this, [this](TMessage& m) { return MessageHook(m); });
    AppEventList().AddEvents(this);
}

TAppEvents::~TAppEvents() {
    if (Application) Application->UnhookMainWindow(this);
    AppEventList().RemoveEvents(this);
}

void TAppEvents::Loaded() {
    TComponent::Loaded();
    UpdateAppProps();
}

void TAppEvents::UpdateAppProps() {
    if (!Application) return;
    Application->HintColor = FHintColor;
    Application->HintPause = FHintPause;
    Application->HintShortPause = FHintShortPause;
    Application->HintHidePause = FHintHidePause;
    Application->ShowHint = FShowHint;
    Application->ShowMainForm = FShowMainForm;
    Application->UpdateFormatSettings = FUpdateFormatSettings;
    Application->UpdateMetricSettings = FUpdateMetricSettings;
}

template <class T>
T TAppEvents::Mirrored(T TAppEvents::*field, T TApplication::*property) const {
    return Application ? Application->*property : this->*field;
}

template <class T>
void TAppEvents::Mirror(T TAppEvents::*field, T TApplication::*property, T value) {
    this->*field = value;
    if (Application) Application->*property = value;
}

TColor TAppEvents::HintColor() const {
    return Mirrored(&TAppEvents::FHintColor, &TApplication::HintColor);
}
void TAppEvents::SetHintColor(TColor v) {
    Mirror(&TAppEvents::FHintColor, &TApplication::HintColor, v);
}
int TAppEvents::HintPause() const {
    return Mirrored(&TAppEvents::FHintPause, &TApplication::HintPause);
}
void TAppEvents::SetHintPause(int v) {
    Mirror(&TAppEvents::FHintPause, &TApplication::HintPause, v);
}
int TAppEvents::HintShortPause() const {
    return Mirrored(&TAppEvents::FHintShortPause, &TApplication::HintShortPause);
}
void TAppEvents::SetHintShortPause(int v) {
    Mirror(&TAppEvents::FHintShortPause, &TApplication::HintShortPause, v);
}
int TAppEvents::HintHidePause() const {
    return Mirrored(&TAppEvents::FHintHidePause, &TApplication::HintHidePause);
}
void TAppEvents::SetHintHidePause(int v) {
    Mirror(&TAppEvents::FHintHidePause, &TApplication::HintHidePause, v);
}
bool TAppEvents::ShowHint() const {
    return Mirrored(&TAppEvents::FShowHint, &TApplication::ShowHint);
}
void TAppEvents::SetShowHint(bool v) {
    Mirror(&TAppEvents::FShowHint, &TApplication::ShowHint, v);
}
bool TAppEvents::ShowMainForm() const {
    return Mirrored(&TAppEvents::FShowMainForm, &TApplication::ShowMainForm);
}
void TAppEvents::SetShowMainForm(bool v) {
    Mirror(&TAppEvents::FShowMainForm, &TApplication::ShowMainForm, v);
}
bool TAppEvents::UpdateFormatSettings() const {
    return Mirrored(&TAppEvents::FUpdateFormatSettings, &TApplication::UpdateFormatSettings);
}
void TAppEvents::SetUpdateFormatSettings(bool v) {
    Mirror(&TAppEvents::FUpdateFormatSettings, &TApplication::UpdateFormatSettings, v);
}
bool TAppEvents::UpdateMetricSettings() const {
    return Mirrored(&TAppEvents::FUpdateMetricSettings, &TApplication::UpdateMetricSettings);
}
void TAppEvents::SetUpdateMetricSettings(bool v) {
    Mirror(&TAppEvents::FUpdateMetricSettings, &TApplication::UpdateMetricSettings, v);
}

TCanvas* TAppEvents::Canvas() {
    if (!FCanvas) FCanvas = std::make_unique<TCanvas>();
    return FCanvas.get();
}

bool TAppEvents::MessageHook(TMessage& msg) {
    if (msg.Msg == WM_PAINT) {
        HWND wnd = Application ? Application->Handle() : nullptr;
        if (!OnPaintIcon || !wnd || !IsIconic(wnd)) return false;
        PaintIcon();
        return true;
    }
    if (msg.Msg == WM_WININICHANGE) {
        try {
            SettingsChanged();
        } catch (...) {
            if (Application) Application->HandleException(this);
        }
    }
    return false;
}

void TAppEvents::PaintIcon() {
    HWND wnd = Application ? Application->Handle() : nullptr;
    if (!wnd) return;
    // Ends the paint and drops the canvas (before the context goes), also when the
    // handler fails.
    struct Paint {
        HWND wnd;
        PAINTSTRUCT ps{};
        std::unique_ptr<TCanvas>& canvas;
        ~Paint() {
            canvas.reset();
            EndPaint(wnd, &ps);
        }
    } paint{wnd, {}, FCanvas};
    HDC dc = BeginPaint(wnd, &paint.ps);
    FCanvas = std::make_unique<TCanvas>();
    FCanvas->SetHandle(dc);
    FCanvas->Brush()->SetColor(clBackground);
    if (paint.ps.fErase) FCanvas->FillRect(paint.ps.rcPaint);
    OnPaintIcon(this);
}

void TAppEvents::SettingsChanged() {
    if (OnSettingsChanged) OnSettingsChanged(this);
}
