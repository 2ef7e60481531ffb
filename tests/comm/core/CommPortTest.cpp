// The port component over a scripted device and windows without a window system.
#include "comm/core/CommPort.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <tuple>

#include "comm/core/CommErrors.h"
#include "comm/core/FakePortWindows.h"

using namespace quiro::comm::test;

namespace {

class TestPort : public TLinkComPort {
 public:
  TestPort() { AcceptedLayers.push_back(dlWinsock); }
  uint16_t chosenPort = 0;

 protected:
  uint16_t SelectPort() override { return chosenPort; }
};

std::string ReadFile(const std::filesystem::path& p) {
  std::stringstream s;
  s << std::ifstream(p, std::ios::binary).rdbuf();
  return s.str();
}

class CommPortTest : public ::testing::Test, public PortRig<TestPort> {};

TEST_F(CommPortTest, DefaultsAreTheDocumentedOnes) {
  TLinkComPort p;
  EXPECT_EQ(std::tuple(p.DeviceLayer(), p.ComNumber(), p.Baud(), p.Parity(), p.DataBits(), p.StopBits()),
            std::tuple(dlWin32, 0, 19200, pNone, 8, 1));
  EXPECT_EQ(std::tuple(p.InSize(), p.OutSize(), p.GetOutBuffFree(), p.BufferFull(), p.BufferResume(), p.TriggerLength()),
            std::tuple(4096, 4096, 4096, 0, 0, 1));
  EXPECT_EQ(std::tuple(p.PromptForPort, p.AutoOpen, p.Open(), p.DTR(), p.RTS(), p.UseMSRShadow(), p.UseEventWord()),
            std::tuple(true, true, false, true, true, true, true));
  EXPECT_EQ(std::tuple(p.HWFlowOptions(), p.SWFlowOptions(), p.XOnChar(), p.XOffChar(), p.RS485Mode(), p.ThreadBoost()),
            std::tuple(0, swfNone, 17, 19, false, tbNone));
  EXPECT_EQ(std::tuple(p.Tracing(), p.TraceSize(), p.TraceName, p.TraceHex, p.Logging(), p.LogSize(), p.LogName, p.LogHex),
            std::tuple(tlOff, 10000u, "LINK.TRC", true, tlOff, 10000u, "LINK.LOG", true));
  EXPECT_EQ(std::tuple(p.CommNotificationLevel(), p.TapiMode, p.PortState(), p.LinkVersion()),
            std::tuple(10, TTapiMode::tmAuto, psClosed, "v2.58"));
}

TEST_F(CommPortTest, OpeningMakesTheDeviceAndTheWindowClosingFreesThem) {
  port.SetComNumber(0);
  for (bool prompt : {false, true}) {  // no port chosen, or the choice cancelled
    port.PromptForPort = prompt;
    EXPECT_THROW(port.SetOpen(true), ENoPortSelected);
  }
  port.chosenPort = 3;
  port.RegisterUser(77);  // told, with the users' callbacks, last registered first
  port.SetOpen(true);
  port.SetOpen(true);
  EXPECT_EQ(std::tuple(windows.userMessages.at(0).Wnd, windows.userMessages.at(0).Msg), std::tuple(77u, LinkMsgPortOpened));
  EXPECT_EQ(std::tuple(port.PortState(), port.Open(), made, port.ComNumber()), std::tuple(psOpen, true, 1, 3));
  EXPECT_EQ(Dev().opened, std::vector<std::string>{"\\\\.\\COM3"});
  ASSERT_EQ(windows.windows.size(), 1u);
  EXPECT_EQ(windows.windows.begin()->first, port.PortWindow());
  port.SetOpen(false);
  port.SetOpen(false);
  EXPECT_EQ(std::tuple(port.PortState(), port.Dispatcher(), windows.windows.size()), std::tuple(psClosed, nullptr, 0u));
}

TEST_F(CommPortTest, SettersReachAnOpenDeviceOnly) {
  port.SetBaud(9600);
  port.SetParity(pEven);
  port.SetDeviceLayer(dlFossil);  // not a layer this port accepts
  EXPECT_EQ(std::tuple(made, port.DeviceLayer()), std::tuple(0, dlWin32));
  port.SetOpen(true);
  EXPECT_EQ(std::tuple(Dev().GetDCB().BaudRate, Dev().GetDCB().Parity), std::tuple(9600u, parEven));
  port.SetStopBits(2);
  EXPECT_EQ(Dev().GetDCB().StopBits, sbTwo);
  Dev().escapes.clear();
  port.SetDTR(false);
  port.SetDTR(false);  // unchanged: the device is not asked again
  EXPECT_EQ(Dev().escapes, std::vector<int32_t>{escClrDtr});
  port.SetUseEventWord(false);
  EXPECT_FALSE(Dev().OptionsAreOn(kDispatchOptionEventWord));
  port.SetOutSize(1024);
  EXPECT_EQ(port.GetOutBuffFree(), 1024);
  // The device layer stays while the port is not closed; the refusal is logged.
  port.SetLogging(tlOn);
  port.SetDeviceLayer(dlWinsock);
  EXPECT_EQ(port.DeviceLayer(), dlWin32);
  EXPECT_NE(Dev().DispatchLogText(false, {}).find("DeviceLayer"), std::string::npos);
  port.SetLogging(tlOff);
  port.SetOpen(false);
  port.SetDeviceLayer(dlWinsock);
  EXPECT_EQ(port.DeviceLayer(), dlWinsock);
}

TEST_F(CommPortTest, ANewComNumberReopensKeepingTriggersAndTrace) {
  port.SetOnTriggerData([&](TComponent*, uint16_t h) { seen.push_back(std::to_string(h)); });
  port.SetOpen(true);
  port.SetTracing(tlOn);
  uint16_t ok = port.AddDataTrigger("OK", false);
  port.SetComNumber(2);
  EXPECT_EQ(std::tuple(made, Dev().opened.at(0), port.Tracing()), std::tuple(2, "\\\\.\\COM2", tlOn));
  Arrive("xOK");
  EXPECT_EQ(seen, std::vector<std::string>{std::to_string(ok)});
}

TEST_F(CommPortTest, FlowThresholdsFollowTheInputSize) {
  struct Row {
    THWFlowOptionSet hw;
    TSWFlowOptions sw;
    uint16_t presetFull, full, resume;
  } rows[] = {
      {hwfRequireCTS, swfNone, 0, 3686, 409}, {0, swfBoth, 0, 3072, 1024},     {hwfUseDTR, swfNone, 5000, 3686, 409},
      {hwfUseRTS, swfNone, 2000, 2000, 409},  {0, swfReceive, 2000, 2000, 1024},
  };
  for (const Row& r : rows) {
    TLinkComPort p;
    p.SetBufferFull(r.presetFull);
    if (r.hw) p.SetHWFlowOptions(r.hw);
    if (r.sw != swfNone) p.SetSWFlowOptions(r.sw);
    EXPECT_EQ(std::tuple(p.BufferFull(), p.BufferResume()), std::tuple(r.full, r.resume)) << int(r.hw) << int(r.sw);
  }
  port.SetOpen(true);
  port.SetHWFlowOptions(hwfRequireCTS | hwfUseDTR);
  TLinkDCB dcb = Dev().GetDCB();
  EXPECT_EQ(std::tuple(dcb.XoffLim, dcb.XonLim, bool(dcb.Flags & dcbOutxCtsFlow), DcbDtrControl(dcb)),
            std::tuple(4096 - 3686, 409, true, dtrHandshake));
  port.SetSWFlowOptions(swfTransmit);
  EXPECT_EQ(Dev().GetDCB().Flags & (dcbOutX | dcbInX), dcbOutX);
  Dev().holdFlags = csCtsHold;
  EXPECT_EQ(port.GetFlowState(), fcCtsHold);
}

TEST_F(CommPortTest, RS485AndHardwareFlowExcludeEachOther) {
  port.SetOpen(true);
  port.SetHWFlowOptions(hwfUseRTS | hwfRequireCTS | hwfRequireDSR);
  port.SetRS485Mode(true);
  EXPECT_EQ(std::tuple(port.HWFlowOptions(), port.RTS(), Dev().RS485Mode), std::tuple(hwfRequireDSR, false, true));
  port.SetHWFlowOptions(hwfRequireCTS);
  EXPECT_EQ(std::tuple(port.RS485Mode(), Dev().RS485Mode), std::tuple(false, false));
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
  port.PutString("ab");
  port.SetTracing(tlPause);
  EXPECT_EQ(port.Tracing(), tlPause);
  port.PutString("c");
  port.SetTracing(tlOn);
  port.PutString("d");
  port.SetTracing(tlDump);
  EXPECT_EQ(std::tuple(port.Tracing(), ReadFile(dir / "t.trc")), std::tuple(tlOff, "Transmit: abd\r\n"));
  port.SetTracing(tlOn);
  port.PutString("e");
  port.SetTracing(tlClear);
  port.PutString("f");
  port.SetTracing(tlAppend);
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

TEST_F(CommPortTest, SizesChangedWhileRecordingTakeEffectAtOnce) {
  port.SetTracing(tlOn);
  port.SetLogging(tlOn);
  port.SetOpen(true);
  port.PutString("abcdef");
  port.SetTraceSize(3);
  port.PutString("g");
  EXPECT_EQ(Dev().TraceText(false), "Transmit: efg\r\n");
  port.AddStringToLog("first");
  port.AddStringToLog("second");
  port.SetLogSize(30);  // room for the last entry only
  std::string log = Dev().DispatchLogText(false, {});
  EXPECT_EQ(std::tuple(log.find("first"), log.find("second") != std::string::npos), std::tuple(std::string::npos, true));
  port.SetTracing(tlOff);  // nothing to write when the port closes
  port.SetLogging(tlOff);
}

// Assign copies every setting, and the copy opens when the source is open; a port is found
// among an owner's components depth first; a port read from its form opens once loaded.
TEST_F(CommPortTest, AssignSearchAndOpenAfterLoading) {
  TestPort source;
  source.CustomDispatcher = [](TLinkCustomComPort&) { return std::make_unique<FakeDevice>(); };
  source.SetComNumber(7);
  source.SetBaud(2400);
  source.SetInSize(2048);
  source.SetSWFlowOptions(swfBoth);
  source.TraceName = "copy.trc";
  source.PromptForPort = false;
  source.TapiMode = TTapiMode::tmOff;
  port.Assign(source);
  EXPECT_EQ(std::tuple(port.ComNumber(), port.Baud(), port.InSize(), port.SWFlowOptions(), port.BufferFull(),
                       port.TraceName, port.PromptForPort, port.TapiMode, port.PortState()),
            std::tuple(7, 2400, 2048, swfBoth, 1536, "copy.trc", false, TTapiMode::tmOff, psClosed));
  source.SetOpen(true);
  port.Assign(source);
  EXPECT_EQ(std::tuple(port.PortState(), Dev().opened.at(0), Dev().GetDCB().BaudRate), std::tuple(psOpen, "\\\\.\\COM7", 2400u));

  TComponent form;
  EXPECT_EQ(TLinkCustomComPort::SearchComPort(&form), nullptr);
  auto* panel = new TComponent(&form);
  auto* later = new TLinkComPort(&form);
  auto* inner = new TLinkComPort(panel);
  EXPECT_EQ(TLinkCustomComPort::SearchComPort(&form), inner);
  EXPECT_EQ(TLinkCustomComPort::SearchComPort(later), nullptr);

  for (bool forced : {false, true}) {
    TestPort loaded;
    loaded.SetComNumber(1);
    loaded.CustomDispatcher = [](TLinkCustomComPort&) { return std::make_unique<FakeDevice>(); };
    loaded.BeginLoading();
    if (forced)
      loaded.ForcePortOpen();
    else
      loaded.SetOpen(true);
    EXPECT_EQ(loaded.PortState(), psClosed);  // only noted while loading
    loaded.Loaded();
    EXPECT_EQ(loaded.PortState(), psOpen);
  }
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
  std::string pat = std::to_string(port.AddDataTrigger("PAT", false));
  Arrive("xyzPATrest");
  // The data handler read nothing: the pattern comes with the rest.
  EXPECT_EQ(seen, (std::vector<std::string>{"T1:3,3", "avail xyz", "T2:" + pat + ",3", "data " + pat, "T1:7,7", "avail PATrest"}));
  seen.clear();
  uint16_t sent = port.AddStatusTrigger(stOutSent), timer = port.AddTimerTrigger();
  port.SetStatusTrigger(sent, 0, true);
  port.SetTimerTrigger(timer, 1, true);
  port.PutString("x");
  Ticks(2);
  std::string s = std::to_string(sent), t = std::to_string(timer);
  EXPECT_EQ(seen, (std::vector<std::string>{"T4:" + s + ",0", "status " + s, "sent", "T3:" + t + ",0", "timer " + t}));
}

TEST_F(CommPortTest, ACloseInsideAHandlerIsFinishedLater) {
  port.OnPortClosed = [&](TComponent*) { ++count; };
  port.SetOnTriggerAvail([&](TComponent*, uint16_t) {
    port.SetOpen(false);
    EXPECT_EQ(port.PortState(), psShuttingDown);
    EXPECT_FALSE(port.WaitForString("x", 10, false, false));  // a port shutting down does nothing
    port.SetOpen(true);  // remembered until the close is done...
    if (seen.size() == 1) port.SetOpen(false);  // ...unless closed again
    seen.push_back("handled");
  });
  port.SetOpen(true);
  Arrive("bye");
  EXPECT_EQ(std::tuple(port.PortState(), count), std::tuple(psShuttingDown, 1));
  windows.Pump();
  EXPECT_EQ(std::tuple(port.PortState(), made, windows.windows.size()), std::tuple(psOpen, 2, 1u));
  Arrive("again");
  windows.Pump();
  EXPECT_EQ(std::tuple(port.PortState(), made), std::tuple(psClosed, 2));
}

// The user reconnects from the close's own events (the main window's end of session lets the
// next click in): the open waits for the close and then happens.
TEST_F(CommPortTest, AnOpenAskedForByTheCloseEventsHappensOnceClosed) {
  port.SetOpen(true);
  port.OnPortClosed = [&](TComponent*) {
    if (count++ == 0) port.SetOpen(true);
  };
  port.SetOpen(false);
  EXPECT_EQ(std::tuple(port.PortState(), port.Open(), made), std::tuple(psOpen, true, 2));
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

// The main thread busy past the notice's time-out while data arrives: the system took the
// notice back undelivered. It is sent again (nothing is stranded, the notices go on), and
// the port still closes at once.
TEST_F(CommPortTest, AWithdrawnNoticeIsSentAgain) {
  port.SetOnTriggerAvail([&](TComponent*, uint16_t n) { seen.push_back(Take(n)); });
  port.SetOpen(true);
  windows.withdraw = 2;
  Arrive("abc");
  EXPECT_EQ(windows.withdrawn, 2);
  EXPECT_FALSE(Dev().NotifyBusy());
  Arrive("de");
  EXPECT_EQ(seen, (std::vector<std::string>{"abc", "de"}));
  port.SetOpen(false);
  windows.Pump(10);
  EXPECT_EQ(port.PortState(), psClosed);
}

// A dispatcher that tells of a failed line: the port says why to its close events, closes
// itself once the notice is over, and forgets the failure with the close.
TEST_F(CommPortTest, AFailedLineClosesThePortAndSaysWhy) {
  port.OnPortClosed = [&](TComponent*) { seen.push_back(std::to_string(port.LineFailure())); };
  port.SetOnTriggerAvail([&](TComponent*, uint16_t) {});  // the port's window takes notices
  port.SetOpen(true);
  Dev().SendNotify(LinkMsgLineLost, 160, 0);
  EXPECT_EQ(std::tuple(port.PortState(), port.LineFailure()), std::tuple(psOpen, ecDeviceWriteError));
  windows.Pump();
  EXPECT_EQ(std::tuple(port.PortState(), port.LineFailure()), std::tuple(psClosed, 0));
  EXPECT_EQ(seen, std::vector<std::string>{"-160"});
}

TEST_F(CommPortTest, AnOpenFailingAfterTheDeviceOpenedUnwinds) {
  port.SetTraceSize(kMaxTraceEntries + 1);
  port.SetTracing(tlOn);
  EXPECT_THROW(port.SetOpen(true), EBadArgument);
  windows.failCreate = true;
  port.SetTraceSize(100);
  EXPECT_THROW(port.SetOpen(true), std::runtime_error);
  EXPECT_EQ(std::tuple(port.PortState(), port.Open(), port.Dispatcher(), windows.windows.size()),
            std::tuple(psClosed, false, nullptr, 0u));
  windows.failCreate = false;
  port.SetOpen(true);
  EXPECT_EQ(std::tuple(port.PortState(), port.Tracing()), std::tuple(psOpen, tlOn));
}

TEST_F(CommPortTest, BlocksAreAllOrNothingAndAClosedPortOpensOnUse) {
  port.AutoOpen = false;
  EXPECT_THROW(port.PutString("x"), ECommNotOpen);
  port.AutoOpen = true;
  std::string big(70000, 'x');
  EXPECT_THROW(port.PutBlock(big.data(), uint32_t(big.size())), EOutputBufferTooSmall);
  EXPECT_THROW(port.PutBlock(big.data(), 4097), EOutputBufferTooSmall);
  EXPECT_EQ(port.PortState(), psOpen);
  EXPECT_TRUE(Dev().written.empty());
  port.PutBlock(big.data(), 4096);
  EXPECT_EQ(port.GetOutBuffFree(), 0);
}

TEST_F(CommPortTest, WaitsEndOnTextTimeOutOrQuit) {
  uint8_t i = 0;
  EXPECT_FALSE(TLinkCustomComPort::CheckForString(i, 'x', "xy", false));
  EXPECT_FALSE(TLinkCustomComPort::CheckForString(i, 'x', "xy", false));  // restarts at the first
  EXPECT_TRUE(TLinkCustomComPort::CheckForString(i, 'y', "xy", false));
  EXPECT_FALSE(TLinkCustomComPort::CheckForString(i, 'X', "xy", true));
  EXPECT_TRUE(TLinkCustomComPort::CheckForString(i, 'Y', "xy", true));
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

TEST_F(CommPortTest, ATelephonyOpenTakesTheLineFromTheDevice) {
  port.TapiMode = TTapiMode::tmOn;
  port.SetComNumber(0);  // not needed for a telephony line
  intptr_t handle = 0;
  port.CustomDispatcher = [&](TLinkCustomComPort&) {
    auto d = std::make_unique<FakeDevice>();
    d->ComHandle = handle;
    d->state.BaudRate = 2400;
    d->state.ByteSize = 7;
    d->state.Flags = dcbOutxCtsFlow | dcbInX;
    return d;
  };
  EXPECT_THROW(port.SetOpen(true), ENotOpenedByTapi);  // no call handed over
  handle = -1;
  EXPECT_THROW(port.SetOpen(true), ENotOpenedByTapi);
  handle = 7;
  port.SetOpen(true);
  EXPECT_EQ(Dev().opened, std::vector<std::string>{""});
  EXPECT_EQ(std::tuple(port.Baud(), port.DataBits(), port.HWFlowOptions(), port.SWFlowOptions()),
            std::tuple(2400, 7, hwfRequireCTS, swfReceive));
}

}  // namespace
