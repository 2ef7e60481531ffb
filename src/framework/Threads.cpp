#include "framework/Threads.h"

#include <process.h>

#include <deque>
#include <iterator>
#include <string>

#include "framework/WindowUtils.h"

namespace {

constexpr UINT kSyncMessage = WM_APP + 0x3020;

const DWORD gMainThread = GetCurrentThreadId();  // static start-up runs on the main thread

struct SyncRequest {
    const TThreadMethod* method;
    std::exception_ptr error;
    HANDLE done;
};

struct SyncState {
    CRITICAL_SECTION lock;
    std::deque<SyncRequest*> queue;
    HANDLE event;  // auto-reset: a request arrived
    std::atomic<HWND> window{nullptr};
    SyncState() {
        InitializeCriticalSection(&lock);
        event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    }
};

SyncState& Sync() {
    static SyncState state;
    return state;
}

// The hidden window whose message makes any message loop of the main thread serve the
// requests. Made on the main thread only.
void EnsureSyncWindow() {
    if (GetCurrentThreadId() != gMainThread || Sync().window.load()) return;
    try {
        Sync().window = AllocateHWnd([](TMessage& m) {
            if (m.Msg == kSyncMessage) {
                CheckSynchronize();
                m.Result = 0;
            } else {
                DefaultUtilMessage(Sync().window.load(), m);
            }
        });
    } catch (...) {
        // Without the window the application's idle step and WaitFor still serve requests.
    }
}

void WakeMainThread() {
    HWND w = Sync().window.load();
    if (!w || !PostMessageA(w, kSyncMessage, 0, 0)) PostThreadMessageA(gMainThread, WM_NULL, 0, 0);
}

const int kPriorities[] = {THREAD_PRIORITY_IDLE,   THREAD_PRIORITY_LOWEST,
                           THREAD_PRIORITY_BELOW_NORMAL, THREAD_PRIORITY_NORMAL,
                           THREAD_PRIORITY_ABOVE_NORMAL, THREAD_PRIORITY_HIGHEST,
                           THREAD_PRIORITY_TIME_CRITICAL};

}  // namespace

DWORD MainThreadID() { return gMainThread; }

HANDLE SyncEvent() { return Sync().event; }

bool CheckSynchronize() {
    if (GetCurrentThreadId() != gMainThread) return false;
    EnsureSyncWindow();
    bool ran = false;
    for (;;) {
        SyncRequest* r = nullptr;
        EnterCriticalSection(&Sync().lock);
        if (!Sync().queue.empty()) {
            r = Sync().queue.front();
            Sync().queue.pop_front();
        }
        LeaveCriticalSection(&Sync().lock);
        if (!r) return ran;
        ran = true;
        try {
            (*r->method)();
        } catch (...) {
            r->error = std::current_exception();
        }
        SetEvent(r->done);
    }
}

// ---- TThread ----------------------------------------------------------------------------

TThread::TThread() {
    EnsureSyncWindow();
    unsigned id = 0;
    uintptr_t h = _beginthreadex(nullptr, 0, &ThreadProc,
                                 this, CREATE_SUSPENDED, &id);
    if (!h) throw EThread("Thread creation error: " + std::to_string(GetLastError()));
    FHandle = reinterpret_cast<HANDLE>(h);
    FThreadID = id;
}

TThread::~TThread() {
    if (!FHandle) return;
    if (GetCurrentThreadId() != FThreadID) {
        FreeOnTerminate = false;  // the thread must not free what is being freed here
        FTerminated = true;
        if (!FStarted) {
            FStarted = true;
            ResumeThread(FHandle);  // runs to its end without calling Execute
        }
        try {
            WaitFor();
        } catch (...) {
        }
    }
    CloseHandle(FHandle);
}

unsigned __stdcall TThread::ThreadProc(void* param) {
    auto* t = static_cast<TThread*>(param);
    try {
        if (!t->FTerminated) t->Execute();
    } catch (...) {
        t->FatalException = std::current_exception();
    }
    bool freeIt = t->FreeOnTerminate;
    auto result = static_cast<unsigned>(t->ReturnValue);
    t->FFinished = true;
    if (freeIt) delete t;
    return result;
}

void TThread::Start() {
    if (FStarted) return;
    EnsureSyncWindow();
    FStarted = true;
    ResumeThread(FHandle);
}

int TThread::WaitFor() {
    if (FreeOnTerminate) throw EThread("Cannot wait for a thread that frees itself");
    if (GetCurrentThreadId() == FThreadID) throw EThread("A thread cannot wait for itself");
    if (!FStarted) throw EThread("Cannot wait for a thread that was not started");
    if (GetCurrentThreadId() == gMainThread) {
        HANDLE handles[2] = {FHandle, Sync().event};
        for (;;) {
            DWORD r = MsgWaitForMultipleObjects(2, handles, FALSE, INFINITE, QS_SENDMESSAGE);
            if (r == WAIT_OBJECT_0) break;
            if (r == WAIT_OBJECT_0 + 1) {
                CheckSynchronize();
            } else if (r == WAIT_OBJECT_0 + 2) {
                MSG msg;
                PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // lets sent messages in
            } else {
                throw EThread("Waiting for a thread failed: " + std::to_string(GetLastError()));
            }
        }
        CheckSynchronize();
    } else {
        WaitForSingleObject(FHandle, INFINITE);
    }
    return ReturnValue;
}

TThreadPriority TThread::Priority() const {
    int p = GetThreadPriority(FHandle);
    for (int i = 0; i < static_cast<int>(std::size(kPriorities)); ++i)
        if (kPriorities[i] == p) return static_cast<TThreadPriority>(i);
    return tpNormal;
}

void TThread::SetPriority(TThreadPriority priority) {
    if (priority < tpIdle || priority > tpTimeCritical) return;
    SetThreadPriority(FHandle, kPriorities[priority]);
}

void TThread::Synchronize(const TThreadMethod& method) { StaticSynchronize(method); }

void TThread::StaticSynchronize(const TThreadMethod& method) {
    if (GetCurrentThreadId() == gMainThread) {
        method();
        return;
    }
    SyncRequest r{&method, nullptr, CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    if (!r.done) throw EThread("Cannot synchronize: " + std::to_string(GetLastError()));
    EnterCriticalSection(&Sync().lock);
    Sync().queue.push_back(&r);
    LeaveCriticalSection(&Sync().lock);
    SetEvent(Sync().event);
    WakeMainThread();
    WaitForSingleObject(r.done, INFINITE);
    CloseHandle(r.done);
    if (r.error) std::rethrow_exception(r.error);
}

// ---- TEvent -----------------------------------------------------------------------------

TEvent::TEvent(bool manualReset, bool initialState)
    : FHandle(CreateEventA(nullptr, manualReset, initialState, nullptr)) {
    if (!FHandle) throw EThread("Cannot create an event: " + std::to_string(GetLastError()));
}

TEvent::~TEvent() { CloseHandle(FHandle); }

TWaitResult TEvent::WaitFor(DWORD timeout) {
    switch (WaitForSingleObject(FHandle, timeout)) {
        case WAIT_OBJECT_0:
            return wrSignaled;
        case WAIT_TIMEOUT:
            return wrTimeout;
        case WAIT_ABANDONED:
            return wrAbandoned;
        default:
            return wrError;
    }
}
