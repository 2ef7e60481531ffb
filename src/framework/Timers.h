// TTimer: a window timer. All timers of the program share one hidden window of the thread
// that made the first one (the main thread); a tick finds its timer by a number that is
// never reused, so a timer may be disabled or freed from inside its own OnTimer.
#pragma once

#include <windows.h>

#include "framework/Controls.h"

class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* owner = nullptr);
    ~TTimer() override;

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool enabled);
    // Milliseconds between ticks (1000 at first); 0 stops the timer.
    unsigned Interval() const { return FInterval; }
    void SetInterval(unsigned interval);
    const TNotifyEvent& OnTimer() const { return FOnTimer; }
    // The timer runs only while it has a handler.
    void SetOnTimer(TNotifyEvent handler);

protected:
    // Calls OnTimer.
    virtual void Timer();

private:
    friend struct TimerWindow;
    // Throws EOutOfResources "Not enough timers available" when the system has none left.
    void UpdateTimer();

    bool FEnabled = true;
    unsigned FInterval = 1000;
    TNotifyEvent FOnTimer;
    UINT_PTR FId = 0;  // the running system timer, 0 when none
};
