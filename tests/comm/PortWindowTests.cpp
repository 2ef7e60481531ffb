// The port's hidden window under the real message system: trigger notifications sent with
// SendMessageTimeout, a handler that throws, and the close that waits for a posted message.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "CommTestKit.h"
#include "comm/CommExcept.h"
#include "comm/PortWindows.h"
#include "comm/core/CommPort.h"
#include "comm/core/FakeDevice.h"
#include "framework/Forms.h"

using quiro::comm::test::FakeDevice;
using quiro::comm::test::PumpUntil;

namespace {

TEST(PortWindow, TriggersComeThroughTheWindowAndAThrowingHandlerIsContained) {
  InitLinkLibrary();
  TApplication app;
  std::vector<std::string> errors;
  app.OnException = [&](TComponent*, std::exception_ptr e) {
    try {
      std::rethrow_exception(e);
    } catch (const std::exception& x) {
      errors.push_back(x.what());
    }
  };
  std::vector<std::string> got;
  TLinkComPort port;
  port.SetComNumber(1);
  FakeDevice* dev = nullptr;
  port.CustomDispatcher = [&](TLinkCustomComPort&) {
    auto d = std::make_unique<FakeDevice>();
    dev = d.get();
    return d;
  };
  port.SetOnTriggerAvail([&](TComponent*, uint16_t n) {
    if (got.empty()) {
      got.push_back("thrown");
      throw Exception("handler failed");
    }
    std::string s(n, '\0');
    port.GetBlock(s.data(), n);
    got.push_back(s);
  });
  port.SetOpen(true);
  char cls[32] = {};
  GetClassNameA(AsHwnd(port.PortWindow()), cls, sizeof cls);
  EXPECT_STREQ(cls, "lkComWindow");
  dev->Receive("one");
  dev->ProcessComEvent(evRxChar);
  dev->Receive("two");
  dev->ProcessComEvent(evRxChar);
  EXPECT_EQ(got, (std::vector<std::string>{"thrown", "onetwo"}));
  EXPECT_EQ(errors, std::vector<std::string>{"handler failed"});

  // Closed from its own handler: finished through the posted close message.
  port.SetOnTriggerAvail([&](TComponent*, uint16_t) { port.SetOpen(false); });
  dev->Receive("x");
  dev->ProcessComEvent(evRxChar);
  EXPECT_TRUE(PumpUntil([&] { return port.PortState() == psClosed; }));
  EXPECT_EQ(port.PortWindow(), 0u);
}

}  // namespace
