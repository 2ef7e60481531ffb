#include "comm/core/StatusLights.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "comm/core/FakeDevice.h"
#include "comm/core/FakePortWindows.h"

using namespace quiro::comm::test;

namespace {

struct FakeLamp : ILinkLamp {
  bool lit = false;
  int changes = 0;
  TComponent* component = nullptr;
  bool Lit() const override { return lit; }
  void SetLit(bool on) override {
    changes += on != lit;
    lit = on;
  }
  TComponent* LampComponent() override { return component; }
};

class StatusLightsTest : public ::testing::Test {
 protected:
  StatusLightsTest() {
    port.SetComNumber(1);
    port.CustomDispatcher = [](TLinkCustomComPort&) { return std::make_unique<FakeDevice>(); };
    // The application's own handlers, there before monitoring starts.
    port.SetOnTriggerAvail([this](TComponent* s, uint16_t n) {
      seen.push_back("avail " + std::to_string(n) + (s == &port ? "" : " from elsewhere"));
      if (readAll) {
        std::string b(n, '\0');
        port.GetBlock(b.data(), n);
      }
    });
    port.SetOnTriggerTimer([this](TComponent*, uint16_t h) { seen.push_back("timer " + std::to_string(h)); });
    port.SetOnTriggerStatus([this](TComponent*, uint16_t h) { seen.push_back("status " + std::to_string(h)); });
    TLightSet set;
    set.RXDLight = &rx;
    set.TXDLight = &tx;
    set.CTSLight = &cts;
    set.DCDLight = &dcd;
    set.RINGLight = &ring;
    set.ERRORLight = &error;
    lights.SetLights(set);
    lights.SetComPort(&port);
  }
  FakeDevice& Dev() { return *static_cast<FakeDevice*>(port.Dispatcher()); }
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) {
      platform.now += kMsPerTick;
      Dev().ProcessIdleRound();
    }
  }
  void Arrive(const std::string& s) {
    Dev().Receive(s);
    Dev().ProcessComEvent(evRxChar);
  }
  size_t TriggerCount() {
    TTriggerSave save;
    Dev().SaveTriggers(save);
    return save.Timers.size() + save.Data.size() + save.Status.size();
  }

  FakePlatform platform;
  FakePortWindows windows;
  std::vector<std::string> seen;
  bool readAll = true;
  FakeLamp rx, tx, cts, dcd, ring, error;
  TLinkComPort port;
  TLinkSLController lights;
};

TEST_F(StatusLightsTest, TrafficLightsTheLampsAndTheirTimersPutThemOut) {
  port.SetOpen(true);
  lights.SetMonitoring(true);
  Arrive("abc");
  EXPECT_TRUE(rx.lit);
  EXPECT_EQ(seen, std::vector<std::string>{"avail 3"});
  Ticks(2);
  EXPECT_FALSE(rx.lit);

  // Unread input keeps the lamp lit; it goes out a tick after the buffer is emptied.
  readAll = false;
  Arrive("de");
  Ticks(3);
  EXPECT_TRUE(rx.lit);
  char b[2];
  port.GetBlock(b, 2);
  Ticks(2);
  EXPECT_FALSE(rx.lit);

  port.PutString("x");
  Dev().ProcessIdleRound();
  EXPECT_TRUE(tx.lit);
  Ticks(3);
  EXPECT_TRUE(tx.lit);  // still queued in the device
  Dev().CompleteWrites(1);
  Ticks(2);
  EXPECT_FALSE(tx.lit);
  port.PutString("y");  // the output-sent trigger was armed again
  Dev().ProcessIdleRound();
  EXPECT_TRUE(tx.lit);
}

TEST_F(StatusLightsTest, TheApplicationsHandlersStillHearEverything) {
  port.SetOpen(true);
  uint16_t own = port.AddTimerTrigger();
  lights.SetMonitoring(true);
  seen.clear();
  Arrive("abcd");
  port.SetTimerTrigger(own, 1, true);
  Ticks(2);
  std::vector<std::string> mine;
  for (const std::string& s : seen)
    if (s == "avail 4" || s == "timer " + std::to_string(own)) mine.push_back(s);
  EXPECT_EQ(mine, (std::vector<std::string>{"avail 4", "timer " + std::to_string(own)}));
  EXPECT_GT(seen.size(), mine.size());  // the lamps' own triggers pass through too

  // Switched off: exactly the handlers of before are back; the lamps are left alone.
  lights.SetMonitoring(false);
  seen.clear();
  Arrive("ef");
  Ticks(3);
  EXPECT_EQ(seen, std::vector<std::string>{"avail 2"});
  EXPECT_FALSE(rx.lit);
  EXPECT_EQ(TriggerCount(), 1u);  // only the application's timer
}

TEST_F(StatusLightsTest, MonitoringWaitsForTheOpenPortAndStopsWithItsClose) {
  TLinkSLController orphan;
  EXPECT_THROW(orphan.SetMonitoring(true), EPortNotAssigned);
  lights.SetMonitoring(true);  // the port is closed: only remembered
  EXPECT_FALSE(lights.Monitoring());
  EXPECT_FALSE(rx.lit || tx.lit || cts.lit);
  port.SetOpen(true);
  EXPECT_TRUE(lights.Monitoring());
  Arrive("a");
  EXPECT_TRUE(rx.lit);
  port.SetOpen(false);
  EXPECT_FALSE(lights.Monitoring());
  EXPECT_FALSE(rx.lit);
  port.SetOpen(true);
  EXPECT_TRUE(lights.Monitoring());
  // The lamps' triggers of the last session were not kept: one set, for seven lamps' needs.
  EXPECT_EQ(TriggerCount(), 7u);
  seen.clear();
  Arrive("b");
  EXPECT_EQ(seen, std::vector<std::string>{"avail 1"});
  EXPECT_TRUE(rx.lit);
}

TEST_F(StatusLightsTest, ModemLinesRingAndLineErrors) {
  port.SetOpen(true);
  lights.SetMonitoring(true);
  Dev().modemLines = msCTS | msDCD;
  Dev().ProcessComEvent(evCts);
  EXPECT_TRUE(cts.lit);
  EXPECT_TRUE(dcd.lit);
  Dev().SetRingFlag();
  Dev().ProcessComEvent(evRing);
  EXPECT_TRUE(ring.lit);
  Ticks(9);
  EXPECT_FALSE(ring.lit);
  Dev().modemLines = msCTS;
  Dev().ProcessComEvent(evRlsd);
  EXPECT_FALSE(dcd.lit);
  EXPECT_TRUE(cts.lit);

  Dev().lineErrors = ceOverrun;
  Dev().ProcessComEvent(evErr);
  EXPECT_TRUE(error.lit);
  Ticks(37);
  EXPECT_FALSE(error.lit);
  Dev().lineErrors = ceFrame;  // the line trigger was armed again
  Dev().ProcessComEvent(evErr);
  EXPECT_TRUE(error.lit);
}

// Switched on and off at every trigger arm over a long session: the triggers go with each
// switch and their handles are given out again, far past the first 4096.
TEST_F(StatusLightsTest, ManySwitchesReuseTriggerHandles) {
  port.SetOpen(true);
  for (int i = 0; i < 5000; ++i) {
    lights.SetMonitoring(true);
    ASSERT_TRUE(lights.Monitoring()) << i;
    lights.SetMonitoring(false);
  }
  EXPECT_EQ(TriggerCount(), 0u);
  EXPECT_EQ(port.AddTimerTrigger(), 8);
  lights.SetMonitoring(true);
  Arrive("z");
  EXPECT_TRUE(rx.lit);
}

TEST_F(StatusLightsTest, RemovedLampsAndPortsAreLetGo) {
  auto* lampOwner = new TComponent;
  FakeLamp gone;
  gone.component = lampOwner;
  TLightSet set = lights.Lights();
  set.BREAKLight = &gone;
  lights.SetLights(set);
  delete lampOwner;
  EXPECT_EQ(lights.Lights().BREAKLight, nullptr);
  EXPECT_EQ(lights.Lights().RXDLight, &rx);

  auto* other = new TLinkComPort;
  lights.SetComPort(other);
  delete other;
  EXPECT_EQ(lights.ComPort(), nullptr);
  EXPECT_FALSE(lights.Monitoring());
}

}  // namespace
