// The transfer engine's clock, pump timer and status outlet on Win32.
#pragma once

#include <functional>
#include <string>
#include <utility>

#include "engines/core/ZModemLinks.h"
#include "framework/Timers.h"

// The system's millisecond tick count (it wraps after 49.7 days; the engine takes differences).
class TWin32Clock : public quiro::engines::Clock {
public:
    uint32_t NowMs() override;
};

// A window timer of the thread that makes it. It starts disabled and without a handler.
// The handler runs from the message loop; an exception it raises goes to the application
// and the timer keeps running. The handler may disable the pump, replace its own handler
// or free the pump while it runs.
class TWin32PumpTimer : public quiro::engines::PumpTimer {
public:
    TWin32PumpTimer();
    TWin32PumpTimer(const TWin32PumpTimer&) = delete;
    TWin32PumpTimer& operator=(const TWin32PumpTimer&) = delete;

    void SetInterval(uint32_t ms) override;
    void SetEnabled(bool enabled) override;
    bool Enabled() const override { return FTimer.Enabled(); }
    void SetHandler(std::function<void()> handler) override;

    uint32_t Interval() const { return FTimer.Interval(); }

private:
    TTimer FTimer;
    std::function<void()> FHandler;
};

// Hands each status text to a function (the front end sets a panel caption with it).
class TFunctionStatusOutlet : public quiro::engines::StatusOutlet {
public:
    explicit TFunctionStatusOutlet(std::function<void(const std::string&)> show = {})
        : FShow(std::move(show)) {}
    void SetShow(std::function<void(const std::string&)> show) { FShow = std::move(show); }
    void ShowStatusText(const std::string& text) override {
        if (FShow) FShow(text);
    }

private:
    std::function<void(const std::string&)> FShow;
};
