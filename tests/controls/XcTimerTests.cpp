// The timer in its three modes: ticks counted over a second, a timer that frees itself in
// its own tick, and timers that are told not to tick.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>

#include "controls/XcTimer.h"
#include "framework/Forms.h"
#include "framework/Timers.h"
#include "framework/PumpUntil.h"

namespace {

enum Mode { WindowTimer, ThreadSynced, ThreadFree };

void SetMode(TXcTimer& t, Mode mode) {
    t.SetThreaded(mode != WindowTimer);
    t.SetSyncEvent(mode == ThreadSynced);
}

class XcTimerTest : public ::testing::TestWithParam<Mode> {
protected:
    TApplication app;
};

TEST_P(XcTimerTest, TicksAboutTwentyTimesASecond) {
    TXcTimer timer(nullptr);
    SetMode(timer, GetParam());
    timer.SetInterval(50);
    std::atomic<int> ticks{0};
    std::atomic<bool> onMainThread{true};
    timer.SetOnTimer([&](TComponent*) {
        ++ticks;
        if (GetCurrentThreadId() != MainThreadID()) onMainThread = false;
    });
    const DWORD start = GetTickCount();
    PumpUntil([&] { return GetTickCount() - start >= 1000; });
    timer.SetEnabled(false);
    const int counted = ticks;
    EXPECT_GE(counted, 8);  // a loaded machine may lose some
    EXPECT_LE(counted, 22);
    EXPECT_EQ(onMainThread.load(), GetParam() != ThreadFree);
    // Disabled, it stays quiet while a witness ticks.
    TTimer witness(nullptr);
    int seen = 0;
    witness.SetInterval(20);
    witness.SetOnTimer([&](TComponent*) { ++seen; });
    ASSERT_TRUE(PumpUntil([&] { return seen >= 5; }));
    EXPECT_EQ(ticks.load(), counted);
}

TEST_P(XcTimerTest, FreedInsideItsOwnTick) {
    std::atomic<int> ticks{0};
    auto* timer = new TXcTimer(nullptr);
    SetMode(*timer, GetParam());
    timer->SetInterval(10);
    timer->SetOnTimer([&](TComponent* sender) {
        ++ticks;
        delete sender;
    });
    // A witness ticks on meanwhile; the freed timer never ticks again.
    TTimer witness(nullptr);
    int seen = 0;
    witness.SetInterval(20);
    witness.SetOnTimer([&](TComponent*) { ++seen; });
    ASSERT_TRUE(PumpUntil([&] { return ticks > 0 && seen >= 10; }));
    EXPECT_EQ(ticks.load(), 1);
}

TEST_P(XcTimerTest, QuietWithoutIntervalEnabledOrHandler) {
    std::atomic<int> zeroInterval{0}, disabled{0}, handlerLater{0};
    TXcTimer a(nullptr), b(nullptr), c(nullptr);
    for (TXcTimer* t : {&a, &b, &c}) {
        SetMode(*t, GetParam());
        t->SetInterval(10);
    }
    a.SetInterval(0);
    a.SetOnTimer([&](TComponent*) { ++zeroInterval; });
    b.SetEnabled(false);
    b.SetOnTimer([&](TComponent*) { ++disabled; });
    TTimer witness(nullptr);
    int seen = 0;
    witness.SetInterval(20);
    witness.SetOnTimer([&](TComponent*) { ++seen; });
    ASSERT_TRUE(PumpUntil([&] { return seen >= 5; }));
    EXPECT_EQ(zeroInterval.load() + disabled.load(), 0);
    // The first handler starts the timer; replacing it does not restart it.
    c.SetOnTimer([&](TComponent*) { ++handlerLater; });
    ASSERT_TRUE(PumpUntil([&] { return handlerLater >= 3; }));
    c.SetOnTimer([&](TComponent*) { handlerLater += 100; });
    ASSERT_TRUE(PumpUntil([&] { return handlerLater >= 100; }));
}

std::string ModeName(const ::testing::TestParamInfo<Mode>& info) {
    static const char* const kNames[] = {"Window", "ThreadSynced", "ThreadFree"};
    return kNames[info.param];
}

INSTANTIATE_TEST_SUITE_P(Modes, XcTimerTest,
                         ::testing::Values(WindowTimer, ThreadSynced, ThreadFree), ModeName);

}  // namespace
