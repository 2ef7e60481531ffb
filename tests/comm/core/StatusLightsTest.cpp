#include "comm/core/StatusLights.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "comm/core/FakePortWindows.h"

using namespace quiro::comm::test;

namespace {

struct FakeLamp : ILinkLamp {
  bool lit = false;
  TComponent* component = nullptr;
  bool Lit() const override { return lit; }
  void SetLit(bool on) override { lit = on; }
  TComponent* LampComponent() override { return component; }
};

class StatusLightsTest : public ::testing::Test, public PortRig<TLinkComPort> {
 protected:
  StatusLightsTest() {
    // The application's own handlers, there before monitoring starts.
    port.SetOnTriggerAvail([this](TComponent* s, uint16_t n) {
      seen.push_back("avail " + std::to_string(n) + (s == &port ? "" : " from elsewhere"));
      if (readAll) Take(n);
    });
    port.SetOnTriggerTimer([this](TComponent*, uint16_t h) { seen.push_back("timer " + std::to_string(h)); });
    port.SetOnTriggerStatus([this](TComponent*, uint16_t h) { seen.push_back("status " + std::to_string(h)); });
    lights.SetLights({&cts, nullptr, &dcd, &ring, &tx, &rx, &error, nullptr});
    lights.SetComPort(&port);
  }
  size_t TriggerCount() {
    TTriggerSave save;
    Dev().SaveTriggers(save);
    return save.Timers.size() + save.Data.size() + save.Status.size();
  }

  bool readAll = true;
  FakeLamp rx, tx, cts, dcd, ring, error;
  TLinkSLController lights;
};

TEST_F(StatusLightsTest, TrafficLightsTheLampsAndTheirTimersPutThemOut) {
  port.SetOpen(true);
  lights.SetMonitoring(true);
  Arrive("abc");
  EXPECT_EQ(std::tuple(rx.lit, seen), std::tuple(true, std::vector<std::string>{"avail 3"}));
  Ticks(2);
  EXPECT_FALSE(rx.lit);
  readAll = false;  // unread input keeps the lamp lit; it goes out a tick after it is read
  Arrive("de");
  Ticks(3);
  EXPECT_TRUE(rx.lit);
  Take(2);
  Ticks(2);
  EXPECT_FALSE(rx.lit);

  port.PutString("x");
  Ticks(3);
  EXPECT_TRUE(tx.lit);  // still queued in the device
  Dev().CompleteWrites(1);
  Ticks(2);
  EXPECT_FALSE(tx.lit);
  port.PutString("y");  // the output-sent trigger was armed again
  Dev().ProcessIdleRound();
  EXPECT_TRUE(tx.lit);
  // The application's handlers heard the lamps' triggers too. Switched off: the handlers
  // of before are back, the lamps' triggers gone.
  EXPECT_TRUE(std::any_of(seen.begin(), seen.end(), [](const std::string& e) { return e.rfind("timer ", 0) == 0; }));
  lights.SetMonitoring(false);
  seen.clear();
  Arrive("ef");
  Ticks(3);
  EXPECT_EQ(std::tuple(seen, rx.lit, TriggerCount()), std::tuple(std::vector<std::string>{"avail 2"}, false, 0u));
}

TEST_F(StatusLightsTest, MonitoringWaitsForTheOpenPortAndStopsWithItsClose) {
  TLinkSLController orphan;
  EXPECT_THROW(orphan.SetMonitoring(true), EPortNotAssigned);
  lights.SetMonitoring(true);  // the port is closed: only remembered
  EXPECT_FALSE(lights.Monitoring());
  port.SetOpen(true);
  Arrive("a");
  EXPECT_EQ(std::tuple(lights.Monitoring(), rx.lit), std::tuple(true, true));
  port.SetOpen(false);
  EXPECT_EQ(std::tuple(lights.Monitoring(), rx.lit), std::tuple(false, false));
  port.SetOpen(true);
  // On again, without the triggers of the last session: seven, for the lamps present.
  EXPECT_EQ(std::tuple(lights.Monitoring(), TriggerCount()), std::tuple(true, 7u));
}

TEST_F(StatusLightsTest, ModemLinesRingAndLineErrors) {
  port.SetOpen(true);
  lights.SetMonitoring(true);
  Dev().modemLines = msCTS | msDCD;
  Dev().ProcessComEvent(evCts);
  Dev().SetRingFlag();
  Dev().ProcessComEvent(evRing);
  EXPECT_EQ(std::tuple(cts.lit, dcd.lit, ring.lit), std::tuple(true, true, true));
  Ticks(9);
  Dev().modemLines = msCTS;
  Dev().ProcessComEvent(evRlsd);
  EXPECT_EQ(std::tuple(cts.lit, dcd.lit, ring.lit), std::tuple(true, false, false));
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
}

TEST_F(StatusLightsTest, RemovedLampsAndPortsAreLetGo) {
  auto* lampOwner = new TComponent;
  FakeLamp gone;
  gone.component = lampOwner;
  TLightSet set = lights.Lights();
  set.BREAKLight = &gone;
  lights.SetLights(set);
  delete lampOwner;
  EXPECT_EQ(std::tuple(lights.Lights().BREAKLight, lights.Lights().RXDLight), std::tuple(nullptr, &rx));
  auto* other = new TLinkComPort;
  lights.SetComPort(other);
  delete other;
  EXPECT_EQ(std::tuple(lights.ComPort(), lights.Monitoring()), std::tuple(nullptr, false));
}

// A controller without a port takes the first port made beside it, whenever that comes;
// one that has a port keeps it.
TEST(StatusLightsPickUp, AControllerWithoutAPortTakesTheFirstOneAdded) {
  TComponent form;
  auto* early = new TLinkSLController(&form);
  auto* first = new TLinkComPort(&form);
  auto* late = new TLinkSLController(&form);
  auto* second = new TLinkComPort(&form);
  EXPECT_EQ(std::tuple(early->ComPort(), late->ComPort()), std::tuple(first, second));
  TComponent elsewhere;
  TLinkComPort notBeside(&elsewhere);
  EXPECT_EQ(early->ComPort(), first);
  delete first;
  EXPECT_EQ(early->ComPort(), nullptr);
  new TLinkComPort(&form);
  EXPECT_NE(early->ComPort(), nullptr);
  EXPECT_EQ(late->ComPort(), second);
}

}  // namespace
