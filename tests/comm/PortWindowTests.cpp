// The port's hidden window under the real message system: trigger notifications sent with
// SendMessageTimeout, a handler that throws, and the close that waits for a posted message.
#include <windows.h>

#include <gtest/gtest.h>

#include <tuple>

#include "CommTestKit.h"
#include "comm/CommExcept.h"
#include "comm/PortWindows.h"
#include "comm/core/FakeDevice.h"
#include "framework/Forms.h"

using quiro::comm::test::FakeDevice;
using quiro::comm::test::PumpUntil;

namespace {

TEST(PortWindow, TriggersComeThroughTheWindowAndAThrowingHandlerIsContained) {
  InitLinkLibrary();
  TApplication app;
  int errors = 0, calls = 0;
  app.OnException = [&](TComponent*, std::exception_ptr) { ++errors; };
  TLinkComPort port;
  port.SetComNumber(1);
  FakeDevice* dev = nullptr;
  port.CustomDispatcher = [&](TLinkCustomComPort&) {
    auto d = std::make_unique<FakeDevice>();
    dev = d.get();
    return d;
  };
  port.SetOnTriggerAvail([&](TComponent*, uint16_t) {
    if (++calls == 1) throw Exception("handler failed");
  });
  port.SetOpen(true);
  char cls[32] = {};
  GetClassNameA(AsHwnd(port.PortWindow()), cls, sizeof cls);
  EXPECT_STREQ(cls, "lkComWindow");
  for (const char* bytes : {"one", "two"}) {
    dev->Receive(bytes);
    dev->ProcessComEvent(evRxChar);
  }
  EXPECT_EQ(std::tuple(calls, errors), std::tuple(2, 1));
  // Closed from its own handler: finished through the posted close message.
  port.SetOnTriggerAvail([&](TComponent*, uint16_t) { port.SetOpen(false); });
  dev->Receive("x");
  dev->ProcessComEvent(evRxChar);
  EXPECT_TRUE(PumpUntil([&] { return port.PortState() == psClosed; }));
  EXPECT_EQ(port.PortWindow(), 0u);
}

}  // namespace
