#include "controls/XcTimer.h"

#include <map>

#include "framework/Forms.h"
#include "framework/Graphics.h"
#include "framework/WindowUtils.h"

namespace {

// Posted by a worker to run its timer's tick on the main thread: WParam is the timer's
// number.
constexpr UINT kTickMessage = WM_APP + 0x3101;

}  // namespace

// The hidden window of the main thread that the timers' ticks arrive at: window timers
// and the workers' requests. A tick finds its timer by number, so a timer freed meanwhile
// (or in its own tick) is never touched.
struct XcTimerWindow {
    HWND window = nullptr;
    UINT_PTR nextId = 1;

    // The timer of a number (nullptr when it is gone). A timer freed on its worker leaves
    // the list from there, hence the lock.
    TXcTimer* Find(UINT_PTR id) {
        TCriticalSectionLock lock(FLock);
        auto it = FTimers.find(id);
        return it == FTimers.end() ? nullptr : it->second;
    }
    void Add(UINT_PTR id, TXcTimer* timer) {
        TCriticalSectionLock lock(FLock);
        FTimers[id] = timer;
    }
    void Remove(UINT_PTR id) {
        TCriticalSectionLock lock(FLock);
        FTimers.erase(id);
    }

    static XcTimerWindow& Get() {
        static XcTimerWindow w;
        return w;
    }

    HWND Window() {
        if (!window) window = AllocateHWnd([this](TMessage& m) { Handle(m); });
        return window;
    }

    void Handle(TMessage& m);

private:
    TCriticalSection FLock;
    std::map<UINT_PTR, TXcTimer*> FTimers;
};

// The worker of thread mode. Its settings are changed under a lock and announced by the
// wake event; the stop event ends it. It touches its timer only to tick, and never after
// the stop event was set.
class TXcTimerThread : public TThread {
public:
    TXcTimerThread(TXcTimer* owner, UINT_PTR id) : FOwner(owner), FId(id) {}
    ~TXcTimerThread() override {
        Stop();
        if (!Suspended() && !FreeOnTerminate && !Finished()) WaitFor();
    }

    void Configure(bool active, unsigned interval, bool sync) {
        {
            TCriticalSectionLock lock(FLock);
            FActive = active;
            FInterval = interval;
            FSync = sync;
        }
        FWake.SetEvent();
    }
    void Stop() {
        Terminate();
        FStop.SetEvent();
    }
    // The main thread ran the tick it was asked for.
    void TickDone() { FTickDone.SetEvent(); }

protected:
    void Execute() override {
        for (;;) {
            bool active, sync;
            unsigned interval;
            {
                TCriticalSectionLock lock(FLock);
                active = FActive;
                interval = FInterval;
                sync = FSync;
            }
            HANDLE waits[2] = {FStop.Handle(), FWake.Handle()};
            DWORD r = WaitForMultipleObjects(2, waits, FALSE, active ? interval : INFINITE);
            if (r == WAIT_OBJECT_0 || Terminated()) return;
            if (r != WAIT_TIMEOUT) continue;  // new settings: the interval starts again
            if (Application && Application->Terminated()) return;
            if (sync) {
                FTickDone.ResetEvent();
                PostMessageA(XcTimerWindow::Get().window, kTickMessage, FId, 0);
                HANDLE done[2] = {FStop.Handle(), FTickDone.Handle()};
                if (WaitForMultipleObjects(2, done, FALSE, INFINITE) == WAIT_OBJECT_0) return;
            } else {
                try {
                    FOwner->Timer();  // may free the timer: the stop event tells
                } catch (...) {
                    if (Application) Application->HandleException(nullptr);
                }
            }
        }
    }

private:
    TXcTimer* FOwner;
    const UINT_PTR FId;
    TEvent FStop{true, false};
    TEvent FWake{false, false};
    TEvent FTickDone{false, false};
    TCriticalSection FLock;
    bool FActive = false;
    unsigned FInterval = 1000;
    bool FSync = true;
};

void XcTimerWindow::Handle(TMessage& m) {
    if (m.Msg != WM_TIMER && m.Msg != kTickMessage) {
        DefaultUtilMessage(window, m);
        return;
    }
    m.Result = 0;
    const UINT_PTR id = m.WParam;
    TXcTimer* timer = Find(id);
    if (!timer) return;  // left over from a timer that stopped or went
    if (m.Msg == WM_TIMER) {
        timer->Timer();
        return;
    }
    // A worker waits for this tick; after it, the timer may be gone.
    struct Done {
        UINT_PTR id;
        ~Done() {
            TXcTimer* still = XcTimerWindow::Get().Find(id);
            if (still && still->FThread) still->FThread->TickDone();
        }
    } done{id};
    timer->Timer();
}

TXcTimer::TXcTimer(TComponent* owner) : TComponent(owner) {
    XcTimerWindow& w = XcTimerWindow::Get();
    w.Window();
    FId = w.nextId++;
    w.Add(FId, this);
}

TXcTimer::~TXcTimer() {
    FDestroying = true;
    FEnabled = false;
    XcTimerWindow& w = XcTimerWindow::Get();
    w.Remove(FId);
    if (FWindowTimer) KillTimer(w.window, FId);
    if (FThread && GetCurrentThreadId() == FThread->ThreadID()) {
        // Freed in its own tick on the worker: the worker ends after the tick and frees
        // itself.
        FThread->Stop();
        FThread->FreeOnTerminate = true;
        FThread.release();
        return;
    }
    FThread.reset();  // stops and joins
}

void TXcTimer::SetEnabled(bool enabled) {
    if (enabled == FEnabled) return;
    FEnabled = enabled;
    UpdateTimer();
}

void TXcTimer::SetInterval(unsigned interval) {
    if (interval == FInterval) return;
    FInterval = interval;
    UpdateTimer();
}

void TXcTimer::SetSyncEvent(bool sync) {
    if (sync == FSyncEvent) return;
    FSyncEvent = sync;
    if (FThreaded) UpdateTimer();
}

void TXcTimer::SetThreaded(bool threaded) {
    if (threaded == FThreaded) return;
    FThreaded = threaded;
    UpdateTimer();
}

void TXcTimer::SetThreadPriority(TThreadPriority priority) {
    if (priority == FPriority) return;
    FPriority = priority;
    if (FThreaded) UpdateTimer();
}

void TXcTimer::SetOnTimer(TNotifyEvent handler) {
    bool had;
    {
        TCriticalSectionLock lock(FHandlerLock);
        had = static_cast<bool>(FOnTimer);
        FOnTimer = std::move(handler);
    }
    if (had != static_cast<bool>(FOnTimer)) UpdateTimer();
}

bool TXcTimer::Running() const {
    return FEnabled && FInterval != 0 && FOnTimer && !FDestroying;
}

void TXcTimer::UpdateTimer() {
    XcTimerWindow& w = XcTimerWindow::Get();
    const bool run = Running();
    if (FWindowTimer) {
        KillTimer(w.window, FId);
        FWindowTimer = false;
    }
    if (FThreaded) {
        if (run && !FThread) {
            FThread = std::make_unique<TXcTimerThread>(this, FId);
            FThread->Start();
        }
        if (FThread) {
            if (run) FThread->SetPriority(FPriority);
            FThread->Configure(run, FInterval, FSyncEvent);
        }
        return;
    }
    if (FThread) FThread->Configure(false, FInterval, FSyncEvent);  // waits, idle
    if (!run) return;
    if (!SetTimer(w.Window(), FId, FInterval, nullptr))
        throw EOutOfResources("Not enough timers available");
    FWindowTimer = true;
}

void TXcTimer::Timer() {
    if (!FEnabled || FDestroying) return;
    TNotifyEvent handler;
    {
        TCriticalSectionLock lock(FHandlerLock);
        handler = FOnTimer;  // survives the timer freeing itself
    }
    if (handler) handler(this);
}

void TXcTimer::Synchronize(const TThreadMethod& method) {
    TThread::StaticSynchronize(method);
}
