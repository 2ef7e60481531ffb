// The console's frame alarm: one message per alarm, with its number; none after a cancel.
#include <gtest/gtest.h>

#include <vector>

#include "comm/CommTestKit.h"
#include "console/FrameAlarm.h"

using namespace quiro::comm::test;

namespace {

constexpr UINT kAlarm = WM_APP + 7;

// A window that notes the alarms' messages it is posted (their wParam).
class Receiver {
public:
    Receiver() {
        WNDCLASSA c{};
        c.lpfnWndProc = &Receiver::Proc;
        c.hInstance = GetModuleHandleA(nullptr);
        c.lpszClassName = "FrameAlarmTestReceiver";
        RegisterClassA(&c);
        window_ = CreateWindowA(c.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, c.hInstance, nullptr);
        SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~Receiver() { DestroyWindow(window_); }
    HWND Window() const { return window_; }
    std::vector<WPARAM> rang;

private:
    static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
        if (m == kAlarm) {
            reinterpret_cast<Receiver*>(GetWindowLongPtrA(w, GWLP_USERDATA))->rang.push_back(wp);
            return 0;
        }
        return DefWindowProcA(w, m, wp, lp);
    }
    HWND window_;
};

TEST(FrameAlarm, RingsOnceWithItsNumberAndCanBeSetAgain) {
    Receiver r;
    TFrameAlarm alarm;
    ASSERT_TRUE(alarm.Set(r.Window(), kAlarm, 3000));
    EXPECT_TRUE(alarm.Set(r.Window(), kAlarm, 1000));  // one is set: nothing more
    ASSERT_TRUE(PumpUntil([&] { return !r.rang.empty(); }));
    ASSERT_EQ(r.rang.size(), 1u);
    EXPECT_NE(r.rang[0], 0u);
    alarm.Rang(r.rang[0]);
    EXPECT_FALSE(alarm.Waiting());

    // A message of an alarm gone before leaves the one now set as it is.
    ASSERT_TRUE(alarm.Set(r.Window(), kAlarm, 60000));
    alarm.Rang(r.rang[0]);
    EXPECT_TRUE(alarm.Waiting());
    alarm.Cancel();

    alarm.Set(r.Window(), kAlarm, 1000);
    ASSERT_TRUE(PumpUntil([&] { return r.rang.size() == 2; }));
    alarm.Rang(r.rang[1]);
    EXPECT_FALSE(alarm.Waiting());
}

TEST(FrameAlarm, NothingComesAfterACancel) {
    Receiver r;
    TFrameAlarm cancelled, later;
    ASSERT_TRUE(cancelled.Set(r.Window(), kAlarm, 2000));
    cancelled.Cancel();
    EXPECT_FALSE(cancelled.Waiting());
    // The later alarm rings well after the cancelled one would have.
    ASSERT_TRUE(later.Set(r.Window(), kAlarm, 30000));
    ASSERT_TRUE(PumpUntil([&] { return !r.rang.empty(); }));
    later.Rang(r.rang[0]);
    EXPECT_FALSE(later.Waiting());
    EXPECT_EQ(r.rang.size(), 1u);
    {
        // Going with an alarm set takes it along.
        TFrameAlarm gone;
        gone.Set(r.Window(), kAlarm, 1000);
    }
    ASSERT_TRUE(later.Set(r.Window(), kAlarm, 30000));
    ASSERT_TRUE(PumpUntil([&] { return r.rang.size() == 2; }));
    later.Rang(r.rang[1]);
    EXPECT_FALSE(later.Waiting());
}

}  // namespace
