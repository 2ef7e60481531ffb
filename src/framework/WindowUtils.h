// Windows bound to objects: hidden utility windows that deliver their messages to a
// method (timers, socket notices, cross-thread notices), and subclassing of a window the
// framework did not create.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <vector>

#include "framework/Controls.h"

using TWndMethod = std::function<void(TMessage& message)>;

// Creates a hidden window whose messages go to `method`. The method sets Result; messages
// it does not handle should go to DefWindowProcA (see DefaultUtilMessage).
HWND AllocateHWnd(TWndMethod method);
void DeallocateHWnd(HWND wnd);
// The default processing for a message of a utility window.
void DefaultUtilMessage(HWND wnd, TMessage& message);

// Puts a handler in front of a window's procedure. Several subclasses of one window chain:
// the last attached sees a message first and passes it on with CallPrevious.
class TWindowSubclass {
public:
    explicit TWindowSubclass(TWndMethod handler);
    ~TWindowSubclass();
    TWindowSubclass(const TWindowSubclass&) = delete;
    TWindowSubclass& operator=(const TWindowSubclass&) = delete;

    void Attach(HWND wnd);
    void Detach();
    HWND Window() const { return FWnd; }
    // Hands the message to the procedure that was in place before this subclass.
    void CallPrevious(TMessage& message);

private:
    friend LRESULT CALLBACK QuiroSubclassProc(HWND, UINT, WPARAM, LPARAM);
    TWndMethod FHandler;
    HWND FWnd = nullptr;
};

// Disables the thread's visible, enabled windows but `except` while it lives, as a modal
// window or dialog wants them, and enables them again when it goes (or at Restore).
class TDisabledWindows {
public:
    explicit TDisabledWindows(HWND except = nullptr);
    ~TDisabledWindows() { Restore(); }
    TDisabledWindows(const TDisabledWindows&) = delete;
    TDisabledWindows& operator=(const TDisabledWindows&) = delete;

    void Restore();

private:
    friend BOOL CALLBACK QuiroDisableWindow(HWND, LPARAM);
    HWND FExcept;
    std::vector<HWND> FWindows;
};

// Numbers handed out to objects the system names only by a number (child-window ids, menu
// commands): from `first` to `last`, none given twice while it is in use.
template <class T>
class TIdMap {
public:
    TIdMap(UINT first, UINT last) : FFirst(first), FLast(last), FNext(first) {}
    UINT Add(T* object) {
        while (FMap.count(FNext)) FNext = FNext >= FLast ? FFirst : FNext + 1;
        UINT id = FNext;
        FMap[id] = object;
        FNext = FNext >= FLast ? FFirst : FNext + 1;
        return id;
    }
    void Remove(UINT id) { FMap.erase(id); }
    T* Find(UINT id) const {
        auto it = FMap.find(id);
        return it == FMap.end() ? nullptr : it->second;
    }

private:
    std::map<UINT, T*> FMap;
    UINT FFirst, FLast, FNext;
};
