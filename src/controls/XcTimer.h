// TXcTimer: a timer that ticks either from a window timer or from a worker thread of its
// own (Threaded, the default). In thread mode the tick runs on the main thread while the
// worker waits (SyncEvent, the default), or on the worker itself; the period is then
// Interval plus the time the tick takes, the first tick one Interval after the timer
// starts.
//
// The worker is never suspended: it waits for the interval or for a change of the
// settings, and ends on a stop event; the timer joins it before it goes. A timer may stop
// or free itself from inside its own tick, in every mode.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>

#include "framework/Controls.h"
#include "framework/Threads.h"

class TXcTimerThread;

class TXcTimer : public TComponent {
public:
    explicit TXcTimer(TComponent* owner = nullptr);
    ~TXcTimer() override;

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool enabled);
    // Milliseconds; 0 stops the timer.
    unsigned Interval() const { return FInterval; }
    void SetInterval(unsigned interval);
    bool SyncEvent() const { return FSyncEvent; }
    void SetSyncEvent(bool sync);
    bool Threaded() const { return FThreaded; }
    void SetThreaded(bool threaded);
    TThreadPriority ThreadPriority() const { return FPriority; }
    void SetThreadPriority(TThreadPriority priority);
    // The timer runs only while it has a handler.
    void SetOnTimer(TNotifyEvent handler);

    // Runs `method` on the main thread (at once when called there).
    void Synchronize(const TThreadMethod& method);

protected:
    // Calls OnTimer when enabled, not being destroyed and assigned.
    virtual void Timer();

private:
    friend class TXcTimerThread;
    friend struct XcTimerWindow;
    void UpdateTimer();
    bool Running() const;

    std::atomic<bool> FEnabled{true};
    unsigned FInterval = 1000;
    bool FSyncEvent = true;
    bool FThreaded = true;
    TThreadPriority FPriority = tpNormal;
    TNotifyEvent FOnTimer;
    TCriticalSection FHandlerLock;  // FOnTimer, read by the worker
    std::atomic<bool> FDestroying{false};
    UINT_PTR FId;               // this timer's number with the shared window, never reused
    bool FWindowTimer = false;  // a window timer is set
    std::unique_ptr<TXcTimerThread> FThread;
};
