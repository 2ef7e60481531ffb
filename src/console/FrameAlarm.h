#pragma once

#include <windows.h>

#include <cstdint>

// A one-shot alarm, to the millisecond, that posts a message to a window: the main thread
// wakes for the console's next frame. The system's window timers fire no sooner than 10 ms
// after they are set (later still where the system's tick is coarser), so a picture waiting
// for a frame a few milliseconds away would be held back past it whenever the host pauses.
class TFrameAlarm {
public:
    TFrameAlarm() = default;
    ~TFrameAlarm() { Cancel(); }
    TFrameAlarm(const TFrameAlarm&) = delete;
    TFrameAlarm& operator=(const TFrameAlarm&) = delete;

    // Posts `message` to `target` after `micros` (rounded up to whole milliseconds), with
    // the alarm's number as wParam. One alarm at a time: while one is set, the call does
    // nothing. False when the system has no alarm to give.
    bool Set(HWND target, UINT message, int64_t micros);
    // An alarm's message arrived (its wParam): when it was this alarm's, the next Set sets
    // one again.
    void Rang(WPARAM id) {
        if (id == id_) id_ = 0;
    }
    // No message comes after this returns.
    void Cancel();
    bool Waiting() const { return id_ != 0; }

private:
    static void CALLBACK Ring(UINT id, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR);
    HWND target_ = nullptr;
    UINT message_ = 0;
    UINT id_ = 0;
};
