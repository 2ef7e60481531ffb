#include "framework/Timers.h"

#include <map>

#include "framework/Graphics.h"
#include "framework/WindowUtils.h"

struct TimerWindow {
    HWND window = nullptr;
    UINT_PTR nextId = 1;
    std::map<UINT_PTR, TTimer*> timers;

    static TimerWindow& Get() {
        static TimerWindow w;
        return w;
    }

    HWND Window() {
        if (!window) {
            window = AllocateHWnd([this](TMessage& m) {
                if (m.Msg != WM_TIMER) {
                    DefaultUtilMessage(window, m);
                    return;
                }
                m.Result = 0;
                auto it = timers.find(static_cast<UINT_PTR>(m.WParam));
                if (it == timers.end()) return;  // a tick left over from a stopped timer
                // The timer may stop or free itself in here: nothing of it is touched after.
                it->second->Timer();
            });
        }
        return window;
    }
};

TTimer::TTimer(TComponent* owner) : TComponent(owner) {}

TTimer::~TTimer() {
    FEnabled = false;
    FOnTimer = nullptr;
    UpdateTimer();
}

void TTimer::SetEnabled(bool enabled) {
    if (enabled == FEnabled) return;
    FEnabled = enabled;
    UpdateTimer();
}

void TTimer::SetInterval(unsigned interval) {
    if (interval == FInterval) return;
    FInterval = interval;
    UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent handler) {
    bool had = static_cast<bool>(FOnTimer);
    FOnTimer = std::move(handler);
    if (had != static_cast<bool>(FOnTimer)) UpdateTimer();
}

void TTimer::UpdateTimer() {
    TimerWindow& w = TimerWindow::Get();
    if (FId) {
        KillTimer(w.window, FId);
        w.timers.erase(FId);
        FId = 0;
    }
    if (!FEnabled || FInterval == 0 || !FOnTimer || IsDestroying()) return;
    HWND window = w.Window();
    UINT_PTR id = w.nextId++;
    if (!SetTimer(window, id, FInterval, nullptr))
        throw EOutOfResources("Not enough timers available");
    FId = id;
    w.timers[id] = this;
}

void TTimer::Timer() {
    if (FEnabled && FOnTimer && !IsDestroying()) {
        TNotifyEvent handler = FOnTimer;  // survives the timer freeing itself
        handler(this);
    }
}
