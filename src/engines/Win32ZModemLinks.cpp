#include "engines/Win32ZModemLinks.h"

#include <windows.h>

uint32_t TWin32Clock::NowMs() {
    return GetTickCount();
}

TWin32PumpTimer::TWin32PumpTimer() {
    FTimer.SetEnabled(false);
}

// The engine calls these in the middle of its own work and does not expect exceptions: a
// system out of timers is reported by the application and the pump stays silent (the
// engine's time-outs then end the transfer).
void TWin32PumpTimer::SetInterval(uint32_t ms) {
    GuardCallback([&] { FTimer.SetInterval(ms); });
}

void TWin32PumpTimer::SetEnabled(bool enabled) {
    GuardCallback([&] { FTimer.SetEnabled(enabled); });
}

void TWin32PumpTimer::SetHandler(std::function<void()> handler) {
    FHandler = std::move(handler);
    if (!FHandler) {
        FTimer.SetOnTimer(nullptr);
        return;
    }
    GuardCallback([&] {
        FTimer.SetOnTimer([this](TComponent*) {
            // A copy: the handler may replace itself or free this pump while it runs, and
            // nothing of the pump is touched after it returns.
            std::function<void()> handler = FHandler;
            GuardCallback(handler);
        });
    });
}
