#include "console/FrameAlarm.h"

#include <mmsystem.h>

#include <algorithm>
#include <utility>

bool TFrameAlarm::Set(HWND target, UINT message, int64_t micros) {
    if (id_) return true;
    target_ = target;
    message_ = message;
    const UINT ms = static_cast<UINT>(std::clamp<int64_t>((micros + 999) / 1000, 1, 1000));
    // Killed synchronously: once Cancel has returned, Ring runs no more.
    id_ = timeSetEvent(ms, 1, &TFrameAlarm::Ring, reinterpret_cast<DWORD_PTR>(this),
                       TIME_ONESHOT | TIME_CALLBACK_FUNCTION | TIME_KILL_SYNCHRONOUS);
    return id_ != 0;
}

void TFrameAlarm::Cancel() {
    if (id_) timeKillEvent(std::exchange(id_, 0));  // (one that has rung is gone already)
}

// On the system's timer thread.
void CALLBACK TFrameAlarm::Ring(UINT id, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    const auto* alarm = reinterpret_cast<const TFrameAlarm*>(user);
    PostMessageA(alarm->target_, alarm->message_, id, 0);
}
