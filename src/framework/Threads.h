// Threads, events and critical sections.
//
// TThread runs Execute on a thread of its own. A thread is created suspended and runs
// from Start(), once the object is fully built (a constructor must not start it: Execute
// is virtual). WaitFor joins it. With FreeOnTerminate the thread frees the object itself
// when Execute has returned; the creator must then not touch it after Start() and may not
// WaitFor it.
//
// Synchronize(method) runs the method on the main thread and waits for it. The main
// thread serves these requests in every message loop (through a hidden window, so also
// inside modal loops and message boxes), in TApplication's idle step, and while it waits
// in WaitFor. An exception from the method is passed back to the calling thread.
#pragma once

#include <windows.h>

#include <atomic>
#include <exception>
#include <functional>

#include "framework/core/Exception.h"

class EThread : public Exception {
public:
    using Exception::Exception;
};

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

using TThreadMethod = std::function<void()>;

class TThread {
public:
    // The operating-system thread is made at once but runs only from Start().
    TThread();
    // Frees the object; a thread still running is asked to terminate and joined first.
    // Derived classes whose Execute uses their own members must end it (Terminate,
    // WaitFor) in their own destructors.
    virtual ~TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    void Start();
    void Resume() { Start(); }
    // True until Start().
    bool Suspended() const { return !FStarted; }
    // Asks Execute to finish (it polls Terminated()).
    void Terminate() { FTerminated = true; }
    bool Terminated() const { return FTerminated; }
    // Joins the thread and returns ReturnValue. On the main thread, Synchronize requests
    // and sent messages are served meanwhile. EThread for a thread that frees itself,
    // or for a call from the thread itself.
    int WaitFor();
    bool Finished() const { return FFinished; }

    bool FreeOnTerminate = false;
    int ReturnValue = 0;
    // The exception that ended Execute, if any (on a thread that does not free itself).
    std::exception_ptr FatalException;

    TThreadPriority Priority() const;
    void SetPriority(TThreadPriority priority);
    HANDLE Handle() const { return FHandle; }
    DWORD ThreadID() const { return FThreadID; }

    // Runs `method` on the main thread (directly when called there) and waits.
    void Synchronize(const TThreadMethod& method);
    static void StaticSynchronize(const TThreadMethod& method);

protected:
    virtual void Execute() = 0;

private:
    static unsigned __stdcall ThreadProc(void* param);

    HANDLE FHandle = nullptr;
    DWORD FThreadID = 0;
    std::atomic<bool> FTerminated{false};
    std::atomic<bool> FFinished{false};
    bool FStarted = false;
};

// The main thread's id (the thread that started the program).
DWORD MainThreadID();
// Runs the Synchronize requests that are waiting; on the main thread only (elsewhere it
// does nothing). True when it ran at least one.
bool CheckSynchronize();
// An event that becomes signalled when a Synchronize request arrives (for loops that wait
// with WaitForMultipleObjects on the main thread and then call CheckSynchronize).
HANDLE SyncEvent();

enum TWaitResult { wrSignaled, wrTimeout, wrAbandoned, wrError };

// A Win32 event.
class TEvent {
public:
    explicit TEvent(bool manualReset = true, bool initialState = false);
    ~TEvent();
    TEvent(const TEvent&) = delete;
    TEvent& operator=(const TEvent&) = delete;

    void SetEvent() { ::SetEvent(FHandle); }
    void ResetEvent() { ::ResetEvent(FHandle); }
    TWaitResult WaitFor(DWORD timeout = INFINITE);
    HANDLE Handle() const { return FHandle; }

private:
    HANDLE FHandle;
};

// A Win32 critical section (recursive on one thread).
class TCriticalSection {
public:
    TCriticalSection() { InitializeCriticalSection(&FSection); }
    ~TCriticalSection() { DeleteCriticalSection(&FSection); }
    TCriticalSection(const TCriticalSection&) = delete;
    TCriticalSection& operator=(const TCriticalSection&) = delete;

    void Enter() { EnterCriticalSection(&FSection); }
    void Leave() { LeaveCriticalSection(&FSection); }
    void Acquire() { Enter(); }
    void Release() { Leave(); }
    bool TryEnter() { return TryEnterCriticalSection(&FSection) != 0; }

private:
    CRITICAL_SECTION FSection;
};

// Holds a critical section for a scope.
class TCriticalSectionLock {
public:
    explicit TCriticalSectionLock(TCriticalSection& section) : FSection(section) { FSection.Enter(); }
    ~TCriticalSectionLock() { FSection.Leave(); }
    TCriticalSectionLock(const TCriticalSectionLock&) = delete;
    TCriticalSectionLock& operator=(const TCriticalSectionLock&) = delete;

private:
    TCriticalSection& FSection;
};
