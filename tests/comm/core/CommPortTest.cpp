// The port component over a scripted device and windows without a window system.
#include "comm/core/CommPort.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "comm/core/CommErrors.h"
#include "comm/core/FakeDevice.h"
#include "comm/core/FakePortWindows.h"

using namespace quiro::comm::test;

namespace {

class TestPort : public TLinkComPort {
 public:
  TestPort() { AcceptedLayers.push_back(dlWinsock); }
  uint16_t chosenPort = 0;
  int layerChanges = 0;

 protected:
  uint16_t SelectPort() override { return chosenPort; }
  void DeviceLayerChanged() override { ++layerChanges; }
};

std::string ReadFile(const std::filesystem::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

class CommPortTest : public ::testing::Test {
 protected:
  CommPortTest() {
    port.SetComNumber(1);
    port.CustomDispatcher = [this](TLinkCustomComPort&) {
      ++made;
      auto d = std::make_unique<FakeDevice>();
      d->ComHandle = handleForTapi;
      return d;
    };
  }
  FakeDevice& Dev() { return *static_cast<FakeDevice*>(port.Dispatcher()); }
  void Arrive(const std::string& bytes) {
    Dev().Receive(bytes);
    Dev().ProcessComEvent(evRxChar);
  }
  std::string Take(uint16_t n) {
    std::string s(n, '\0');
    port.GetBlock(s.data(), n);
    return s;
  }

  FakePlatform platform;
  FakePortWindows windows;
  int made = 0;
  intptr_t handleForTapi = -1;
  // What the handlers note; declared before the port, which may call them until it goes.
  std::vector<std::string> seen;
  int count = 0;
  TestPort port;
};

TEST_F(CommPortTest, DefaultsAreTheDocumentedOnes) {
  TLinkComPort p;
  EXPECT_EQ(p.DeviceLayer(), dlWin32);
  EXPECT_EQ(p.ComNumber(), 0);
  EXPECT_EQ(p.Baud(), 19200);
  EXPECT_TRUE(p.PromptForPort);
  EXPECT_EQ(p.Parity(), pNone);
  EXPECT_EQ(p.DataBits(), 8);
  EXPECT_EQ(p.StopBits(), 1);
  EXPECT_EQ(p.InSize(), 4096);
  EXPECT_EQ(p.OutSize(), 4096);
  EXPECT_TRUE(p.AutoOpen);
  EXPECT_FALSE(p.Open());
  EXPECT_TRUE(p.DTR());
  EXPECT_TRUE(p.RTS());
  EXPECT_EQ(p.HWFlowOptions(), 0);
  EXPECT_EQ(p.SWFlowOptions(), swfNone);
  EXPECT_EQ(p.XOnChar(), 17);
  EXPECT_EQ(p.XOffChar(), 19);
  EXPECT_EQ(p.BufferFull(), 0);
  EXPECT_EQ(p.BufferResume(), 0);
  EXPECT_EQ(p.Tracing(), tlOff);
  EXPECT_EQ(p.TraceSize(), 10000u);
  EXPECT_EQ(p.TraceName, "LINK.TRC");
  EXPECT_TRUE(p.TraceHex);
  EXPECT_EQ(p.Logging(), tlOff);
  EXPECT_EQ(p.LogSize(), 10000u);
  EXPECT_EQ(p.LogName, "LINK.LOG");
  EXPECT_TRUE(p.LogHex);
  EXPECT_TRUE(p.UseMSRShadow());
  EXPECT_TRUE(p.UseEventWord());
  EXPECT_EQ(p.CommNotificationLevel(), 10);
  EXPECT_EQ(p.TapiMode, TTapiMode::tmAuto);
  EXPECT_FALSE(p.RS485Mode());
  EXPECT_EQ(p.ThreadBoost(), tbNone);
  EXPECT_EQ(p.TriggerLength(), 1);
  EXPECT_EQ(p.PortState(), psClosed);
  EXPECT_EQ(p.GetOutBuffFree(), 4096);
  EXPECT_EQ(p.LinkVersion(), "v2.58");
}

TEST_F(CommPortTest, OpeningMakesTheDeviceAndTheWindowClosingFreesThem) {
  port.SetOpen(true);
  EXPECT_EQ(port.PortState(), psOpen);
  EXPECT_TRUE(port.Open());
  EXPECT_EQ(Dev().opened, std::vector<std::string>{"\\\\.\\COM1"});
  EXPECT_TRUE(Dev().Active);
  ASSERT_EQ(windows.windows.size(), 1u);
  EXPECT_EQ(windows.windows.begin()->first, port.PortWindow());
  port.SetOpen(true);
  EXPECT_EQ(made, 1);
  port.SetOpen(false);
  EXPECT_EQ(port.PortState(), psClosed);
  EXPECT_EQ(port.Dispatcher(), nullptr);
  EXPECT_TRUE(windows.windows.empty());
  port.SetOpen(false);
  EXPECT_EQ(port.PortState(), psClosed);
}

TEST_F(CommPortTest, APortMustBeChosen) {
  port.SetComNumber(0);
  for (bool prompt : {false, true}) {
    port.PromptForPort = prompt;
    EXPECT_THROW(port.SetOpen(true), ENoPortSelected);
    EXPECT_EQ(made, 0);
  }
  port.chosenPort = 3;
  port.SetOpen(true);
  EXPECT_EQ(port.ComNumber(), 3);
  EXPECT_EQ(Dev().opened, std::vector<std::string>{"\\\\.\\COM3"});
}

TEST_F(CommPortTest, DeviceLayerChangesOnlyWhileClosed) {
  port.SetDeviceLayer(dlFossil);  // not a layer this port accepts
  EXPECT_EQ(port.DeviceLayer(), dlWin32);
  port.SetOpen(true);
  port.SetLogging(tlOn);
  port.SetDeviceLayer(dlWinsock);
  EXPECT_EQ(port.DeviceLayer(), dlWin32);
  EXPECT_NE(Dev().DispatchLogText(false, {}).find("DeviceLayer"), std::string::npos);
  port.SetLogging(tlOff);
  port.SetOpen(false);
  port.SetDeviceLayer(dlWinsock);
  EXPECT_EQ(port.DeviceLayer(), dlWinsock);
  EXPECT_EQ(port.layerChanges, 1);
}

TEST_F(CommPortTest, SettersReachAnOpenDeviceOnly) {
  port.SetBaud(9600);
  port.SetDataBits(7);
  port.SetParity(pEven);
  EXPECT_EQ(made, 0);
  port.SetOpen(true);
  TLinkDCB dcb = Dev().GetDCB();
  EXPECT_EQ(dcb.BaudRate, 9600u);
  EXPECT_EQ(dcb.ByteSize, 7);
  EXPECT_EQ(dcb.Parity, parEven);
  port.SetStopBits(2);
  EXPECT_EQ(Dev().GetDCB().StopBits, sbTwo);
  Dev().escapes.clear();
  port.SetDTR(false);
  port.SetDTR(false);  // unchanged: the device is not asked again
  EXPECT_EQ(Dev().escapes, std::vector<int32_t>{escClrDtr});
  port.SetXOnChar('Q');
  EXPECT_EQ(Dev().GetDCB().XonChar, 'Q');
  port.SetUseEventWord(false);
  EXPECT_FALSE(Dev().OptionsAreOn(kDispatchOptionEventWord));
  port.SetOutSize(1024);
  EXPECT_EQ(port.GetOutBuffFree(), 1024);
}

TEST_F(CommPortTest, ANewComNumberReopensKeepingTriggersAndTrace) {
  port.SetOnTriggerData([&](TComponent*, uint16_t) {});
  port.SetOpen(true);
  port.SetTracing(tlOn);
  uint16_t ok = port.AddDataTrigger("OK", false);
  port.SetComNumber(2);
  EXPECT_EQ(made, 2);
  EXPECT_EQ(Dev().opened, std::vector<std::string>{"\\\\.\\COM2"});
  EXPECT_EQ(port.Tracing(), tlOn);
  port.SetOnTriggerData([&](TComponent*, uint16_t h) { seen.push_back(std::to_string(h)); });
  Arrive("xOK");
  EXPECT_EQ(seen, std::vector<std::string>{std::to_string(ok)});
}

TEST_F(CommPortTest, FlowThresholdsFollowTheInputSize) {
  struct Row {
    THWFlowOptionSet hw;
    TSWFlowOptions sw;
    uint16_t presetFull, full, resume;
  } rows[] = {
      {hwfRequireCTS, swfNone, 0, 3686, 409},
      {0, swfBoth, 0, 3072, 1024},
      {hwfUseDTR, swfNone, 5000, 3686, 409},  // above InSize: replaced
      {hwfUseRTS, swfNone, 2000, 2000, 409},
      {0, swfReceive, 2000, 2000, 1024},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << int(r.hw) << "/" << int(r.sw));
    TLinkComPort p;
    p.SetBufferFull(r.presetFull);
    if (r.hw) p.SetHWFlowOptions(r.hw);
    if (r.sw != swfNone) p.SetSWFlowOptions(r.sw);
    EXPECT_EQ(p.BufferFull(), r.full);
    EXPECT_EQ(p.BufferResume(), r.resume);
  }
  port.SetOpen(true);
  port.SetHWFlowOptions(hwfRequireCTS | hwfUseDTR);
  TLinkDCB dcb = Dev().GetDCB();
  EXPECT_EQ(dcb.XoffLim, 4096 - 3686);
  EXPECT_EQ(dcb.XonLim, 409);
  EXPECT_TRUE(dcb.Flags & dcbOutxCtsFlow);
  EXPECT_EQ(DcbDtrControl(dcb), dtrHandshake);
  port.SetSWFlowOptions(swfTransmit);
  EXPECT_TRUE(Dev().GetDCB().Flags & dcbOutX);
  EXPECT_FALSE(Dev().GetDCB().Flags & dcbInX);
  Dev().holdFlags = csCtsHold;
  EXPECT_EQ(port.GetFlowState(), fcCtsHold);
}

TEST_F(CommPortTest, RS485AndHardwareFlowExcludeEachOther) {
  port.SetOpen(true);
  port.SetHWFlowOptions(hwfUseRTS | hwfRequireCTS | hwfRequireDSR);
  port.SetRS485Mode(true);
  EXPECT_EQ(port.HWFlowOptions(), hwfRequireDSR);
  EXPECT_FALSE(port.RTS());
  EXPECT_TRUE(Dev().RS485Mode);
  port.SetHWFlowOptions(hwfRequireCTS);
  EXPECT_FALSE(port.RS485Mode());
  EXPECT_FALSE(Dev().RS485Mode);
}

TEST_F(CommPortTest, TracingAndLoggingStates) {
  auto dir = std::filesystem::temp_directory_path() / ("quiro-port-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  std::filesystem::create_directories(dir);
  port.TraceName = (dir / "t.trc").string();
  port.LogName = (dir / "t.log").string();
  port.TraceHex = false;
  port.SetTracing(tlDump);  // closed: only off and on are kept
  EXPECT_EQ(port.Tracing(), tlOff);
  port.SetTracing(tlOn);
  port.SetOpen(true);
  EXPECT_EQ(port.Tracing(), tlOn);
  port.PutString("ab");
  port.SetTracing(tlPause);
  EXPECT_EQ(port.Tracing(), tlPause);
  port.PutString("c");
  port.SetTracing(tlOn);
  port.PutString("d");
  port.SetTracing(tlDump);
  EXPECT_EQ(port.Tracing(), tlOff);
  EXPECT_EQ(ReadFile(dir / "t.trc"), "Transmit: abd\r\n");
  port.SetTracing(tlOn);
  port.PutString("e");
  port.SetTracing(tlClear);
  port.PutString("f");
  port.SetTracing(tlAppend);
  EXPECT_EQ(ReadFile(dir / "t.trc"), "Transmit: abd\r\nTransmit: f\r\n");
  port.SetTracing(tlOn);
  port.SetTracing(tlOff);
  port.SetTracing(tlDump);  // nothing running: nothing written
  EXPECT_EQ(ReadFile(dir / "t.trc"), "Transmit: abd\r\nTransmit: f\r\n");

  port.SetLogging(tlOn);
  port.AddStringToLog("hello");
  port.SetOpen(false);  // a running log is written when the port closes
  EXPECT_NE(ReadFile(dir / "t.log").find("hello"), std::string::npos);
  EXPECT_EQ(port.Logging(), tlOff);
  std::filesystem::remove_all(dir);
}

TEST_F(CommPortTest, TriggersReachTheEventsInOrder) {
  port.SetOnTrigger([&](TComponent*, uint16_t msg, uint16_t h, uint16_t data) {
    seen.push_back("T" + std::to_string(msg - LinkMsgTriggerAvail + 1) + ":" + std::to_string(h) + "," + std::to_string(data));
  });
  port.SetOnTriggerAvail([&](TComponent*, uint16_t n) { seen.push_back("avail " + Take(n)); });
  port.SetOnTriggerData([&](TComponent*, uint16_t h) { seen.push_back("data " + std::to_string(h)); });
  port.SetOnTriggerTimer([&](TComponent*, uint16_t h) { seen.push_back("timer " + std::to_string(h)); });
  port.SetOnTriggerStatus([&](TComponent*, uint16_t h) { seen.push_back("status " + std::to_string(h)); });
  port.SetOnTriggerOutSent([&](TComponent*) { seen.push_back("sent"); });
  port.SetOpen(true);
  uint16_t pat = port.AddDataTrigger("PAT", false);
  Arrive("xyzPATrest");
  std::string p = std::to_string(pat);
  // The data handler read nothing: the pattern comes with the rest.
  EXPECT_EQ(seen, (std::vector<std::string>{"T1:3,3", "avail xyz", "T2:" + p + ",3", "data " + p, "T1:7,7", "avail PATrest"}));
  seen.clear();
  uint16_t sent = port.AddStatusTrigger(stOutSent);
  port.SetStatusTrigger(sent, 0, true);
  port.PutString("x");
  Dev().ProcessIdleRound();
  std::string s = std::to_string(sent);
  EXPECT_EQ(seen, (std::vector<std::string>{"T4:" + s + ",0", "status " + s, "sent"}));
  seen.clear();
  uint16_t timer = port.AddTimerTrigger();
  port.SetTimerTrigger(timer, 1, true);
  platform.SetTicks(5);
  Dev().ProcessIdleRound();
  EXPECT_EQ(seen, (std::vector<std::string>{"T3:" + std::to_string(timer) + ",0", "timer " + std::to_string(timer)}));
}

TEST_F(CommPortTest, WithoutEventsTheWindowHearsNothing) {
  port.SetOpen(true);
  port.SetOnTriggerAvail([&](TComponent*, uint16_t) { ++count; });
  port.SetOnTriggerAvail(nullptr);
  Arrive("abc");
  EXPECT_EQ(count, 0);
  EXPECT_EQ(port.GetInBuffUsed(), 3);
}

TEST_F(CommPortTest, ACloseInsideAHandlerIsFinishedLater) {
  port.OnPortClosed = [&](TComponent*) { ++count; };
  port.SetOnTriggerAvail([&](TComponent*, uint16_t) {
    port.SetOpen(false);
    EXPECT_EQ(port.PortState(), psShuttingDown);
    port.SetOpen(true);  // remembered until the close is done
    EXPECT_EQ(port.GetInBuffUsed(), 0);  // a port shutting down does nothing
  });
  port.SetOpen(true);
  Arrive("bye");
  EXPECT_EQ(port.PortState(), psShuttingDown);
  EXPECT_EQ(count, 1);
  windows.Pump();
  EXPECT_EQ(port.PortState(), psOpen);
  EXPECT_EQ(made, 2);
  EXPECT_EQ(windows.windows.size(), 1u);
}

TEST_F(CommPortTest, APendingOpenIsDroppedByAClose) {
  port.SetOnTriggerAvail([&](TComponent*, uint16_t) {
    port.SetOpen(false);
    port.SetOpen(true);
    port.SetOpen(false);
  });
  port.SetOpen(true);
  Arrive("x");
  windows.Pump();
  EXPECT_EQ(port.PortState(), psClosed);
  EXPECT_EQ(made, 1);
}

// A handler that throws must not leave the notification open: the window side says it was
// delivered on every way out, also when the sender had already given up waiting.
TEST_F(CommPortTest, AThrowingHandlerDoesNotStopDelivery) {
  windows.reportTimeout = true;
  port.SetOnTriggerAvail([&](TComponent*, uint16_t n) {
    if (seen.empty()) {
      seen.push_back("thrown");
      throw std::runtime_error("handler failed");
    }
    seen.push_back(Take(n));
  });
  port.SetOpen(true);
  Arrive("one");
  EXPECT_EQ(windows.handlerErrors, std::vector<std::string>{"handler failed"});
  EXPECT_FALSE(Dev().NotifyBusy());
  Arrive("two");
  EXPECT_EQ(seen, (std::vector<std::string>{"thrown", "onetwo"}));
}

TEST_F(CommPortTest, AnOpenFailingAfterTheDeviceOpenedUnwinds) {
  port.SetTraceSize(kMaxTraceEntries + 1);
  port.SetTracing(tlOn);
  EXPECT_THROW(port.SetOpen(true), EBadArgument);
  EXPECT_EQ(port.PortState(), psClosed);
  EXPECT_FALSE(port.Open());
  EXPECT_EQ(port.Dispatcher(), nullptr);
  EXPECT_TRUE(windows.windows.empty());
  windows.failCreate = true;
  port.SetTraceSize(100);
  EXPECT_THROW(port.SetOpen(true), std::runtime_error);
  EXPECT_EQ(port.PortState(), psClosed);
  EXPECT_FALSE(port.Open());
  EXPECT_EQ(port.Dispatcher(), nullptr);
  windows.failCreate = false;
  port.SetOpen(true);
  EXPECT_EQ(port.PortState(), psOpen);
  EXPECT_EQ(port.Tracing(), tlOn);
}

TEST_F(CommPortTest, BlocksAreAllOrNothing) {
  port.SetOpen(true);
  std::string big(70000, 'x');
  EXPECT_THROW(port.PutBlock(big.data(), uint32_t(big.size())), EOutputBufferTooSmall);
  EXPECT_THROW(port.PutBlock(big.data(), 4097), EOutputBufferTooSmall);
  EXPECT_TRUE(Dev().written.empty());
  port.PutBlock(big.data(), 4096);
  EXPECT_EQ(port.GetOutBuffFree(), 0);
  Dev().Receive("ab");
  Dev().ExtractData();
  char buf[3];
  EXPECT_THROW(port.GetBlock(buf, 3), EBufferIsEmpty);
  EXPECT_EQ(port.PeekChar(2), 'b');
  EXPECT_EQ(port.GetChar(), 'a');
  EXPECT_THROW(port.AddDataTrigger(std::string(22, 'x'), false), ETriggerTooLong);
  EXPECT_NE(port.AddDataTrigger(std::string(21, 'x'), false), 0);
}

TEST_F(CommPortTest, AClosedPortOpensOnFirstUseOnlyWithAutoOpen) {
  port.AutoOpen = false;
  EXPECT_THROW(port.PutString("x"), ECommNotOpen);
  port.AutoOpen = true;
  port.PutString("x");
  EXPECT_EQ(port.PortState(), psOpen);
  EXPECT_EQ(Dev().written, "x");
}

TEST_F(CommPortTest, CheckForStringRestartsOnTheFirstCharacter) {
  uint8_t i = 0;
  EXPECT_FALSE(TLinkCustomComPort::CheckForString(i, 'x', "xy", false));
  EXPECT_FALSE(TLinkCustomComPort::CheckForString(i, 'x', "xy", false));
  EXPECT_TRUE(TLinkCustomComPort::CheckForString(i, 'y', "xy", false));
  EXPECT_EQ(i, 0);
  EXPECT_FALSE(TLinkCustomComPort::CheckForString(i, 'X', "xy", false));
  EXPECT_FALSE(TLinkCustomComPort::CheckForString(i, 'X', "xy", true));
  EXPECT_TRUE(TLinkCustomComPort::CheckForString(i, 'Y', "xy", true));
}

TEST_F(CommPortTest, WaitsEndOnTextTimeOutQuitOrClose) {
  port.SetOpen(true);
  port.OnWaitChar = [&](TComponent*, char) { ++count; };
  Dev().Receive("..login:");
  Dev().ExtractData();
  EXPECT_TRUE(port.WaitForString("LOGIN:", 10, false, true));
  EXPECT_EQ(count, 8);
  EXPECT_FALSE(Dev().NotifyBusy());  // the wait gave the dispatcher back

  platform.clockStep = kMsPerTick;
  EXPECT_FALSE(port.WaitForString("never", 3, false, false));

  platform.PostQuit(0);  // the application is ending
  EXPECT_FALSE(port.WaitForString("never", 1000, true, false));
  ASSERT_FALSE(platform.queue.empty());
  EXPECT_EQ(platform.queue.back().Id, kLinkQuitMessage);

  Dev().Receive("xxBUSY");
  Dev().ExtractData();
  EXPECT_EQ(port.WaitForMultiString("ERROR|OK|BUSY|", 10, false, false, '|'), 3);
  EXPECT_EQ(port.WaitForMultiString("ERROR|OK", 3, false, false, '|'), 0);
  Dev().Receive("ok");
  Dev().ExtractData();
  EXPECT_EQ(port.WaitForMultiString("ERROR|OK", 3, false, true, '|'), 2);
}

TEST_F(CommPortTest, AWaitOnAPortShuttingDownFails) {
  port.SetOnTriggerAvail([&](TComponent*, uint16_t) {
    port.SetOpen(false);
    count = port.WaitForString("x", 10, false, false) ? 1 : 2;
  });
  port.SetOpen(true);
  Arrive("x");
  EXPECT_EQ(count, 2);
}

TEST_F(CommPortTest, UsersHearOfOpeningAndClosingLastFirst) {
  std::vector<std::string>& heard = seen;
  int key1 = 0, key2 = 0;
  port.RegisterUser(77);
  port.RegisterUserCallback(&key1, [&](TLinkCustomComPort*, bool o) { heard.push_back(o ? "cb1 open" : "cb1 close"); });
  port.RegisterUserCallback(&key2, [&](TLinkCustomComPort*, bool o) { heard.push_back(o ? "cb2 open" : "cb2 close"); });
  port.OnPortOpened = [&](TComponent*) { heard.push_back("event open"); };
  port.DeregisterUserCallback(&key2);
  port.SetOpen(true);
  port.DeregisterUser(77);
  port.SetOpen(false);
  EXPECT_EQ(heard, (std::vector<std::string>{"cb1 open", "event open", "cb1 close"}));
  ASSERT_EQ(windows.userMessages.size(), 1u);
  EXPECT_EQ(windows.userMessages[0].Wnd, 77u);
  EXPECT_EQ(windows.userMessages[0].Msg, LinkMsgPortOpened);
}

TEST_F(CommPortTest, ATelephonyOpenTakesTheLineFromTheDevice) {
  port.TapiMode = TTapiMode::tmOn;
  port.SetComNumber(0);  // not needed for a telephony line
  EXPECT_THROW(port.SetOpen(true), ENotOpenedByTapi);
  handleForTapi = 7;
  port.CustomDispatcher = [this](TLinkCustomComPort&) {
    auto d = std::make_unique<FakeDevice>();
    d->ComHandle = handleForTapi;
    d->state.BaudRate = 2400;
    d->state.ByteSize = 7;
    d->state.Parity = parOdd;
    d->state.Flags = dcbOutxCtsFlow | dcbInX;
    return d;
  };
  port.SetOpen(true);
  EXPECT_EQ(Dev().opened, std::vector<std::string>{""});
  EXPECT_EQ(port.Baud(), 2400);
  EXPECT_EQ(port.DataBits(), 7);
  EXPECT_EQ(port.Parity(), pOdd);
  EXPECT_EQ(port.HWFlowOptions(), hwfRequireCTS);
  EXPECT_EQ(port.SWFlowOptions(), swfReceive);
}

}  // namespace
