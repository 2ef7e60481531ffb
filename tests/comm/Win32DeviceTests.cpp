// The serial device layer under Wine, over pseudo-terminal pairs made by socat: the
// dispatcher's threads, its trigger messages to a window on this (the main) thread, and
// the far end as a second COM port.
#include "comm/Win32Device.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "comm/CommExcept.h"
#include "comm/PortSelect.h"
#include "comm/PortWindows.h"
#include "CommTestKit.h"
#include "DialogDriver.h"
#include "HarnessCheck.h"
#include "comm/SerialPair.h"
#include "comm/core/SameBytes.h"
#include "comm/core/CommErrors.h"
#include "comm/WinsockPort.h"
#include "comm/core/CommPort.h"
#include "framework/Forms.h"

using namespace quiro::comm::test;

namespace {

uint64_t CpuMs() {
  FILETIME create, exit, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &create, &exit, &kernel, &user);
  auto ms = [](FILETIME f) { return ((uint64_t(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 10000; };
  return ms(kernel) + ms(user);
}

class Win32Device : public ::testing::Test {
 protected:
  void SetUp() override {
    InitLinkLibrary();
    QUIRO_NEEDS_HARNESS(InWinePrefix(), "the Wine harness with its serial lines");
  }
  int32_t Open(TLinkBaseDispatcher& d, const TSerialPair& pair, int32_t baud = 115200, uint8_t stopbits = 1) {
    return d.InitPort(pair.Near().c_str(), baud, parNone, 8, stopbits, 8192, 8192, true, true);
  }
  // Queues out as the output ring makes room, letting messages through meanwhile.
  bool Send(TLinkBaseDispatcher& d, const std::string& out, const std::function<bool()>& also = [] { return true; }) {
    size_t sent = 0;
    return PumpUntil(
        [&] {
          while (sent < out.size()) {
            uint32_t n = uint32_t(std::min<size_t>(1024, out.size() - sent));
            if (d.PutBlock(reinterpret_cast<const uint8_t*>(out.data() + sent), n) != 0) break;
            sent += n;
          }
          return sent == out.size() && also();
        },
        180000);
  }
};

TEST_F(Win32Device, TenMegabytesEachWay) {
  TSerialPair pair(21, 22);
  ASSERT_TRUE(pair.Ready());
  TLinkWin32Dispatcher d;
  ASSERT_EQ(Open(d, pair), 0);
  TLineWindow window(d);
  TFarEnd peer(pair.Far());
  ASSERT_TRUE(peer.Open());
  const size_t kSize = 10 << 20;
  std::string in = PatternBytes(kSize, 1), out = PatternBytes(kSize, 2);
  std::thread writer([&] {
    for (size_t i = 0; i < in.size(); i += 65536) peer.Write(in.substr(i, 65536));
  });
  bool done = Send(d, out, [&] { return window.got.size() >= kSize && peer.GotSize() >= kSize; });
  writer.join();
  EXPECT_TRUE(done) << window.got.size() << " in, " << peer.GotSize() << " out";
  EXPECT_TRUE(Same(window.got, in));
  EXPECT_TRUE(Same(peer.Got(), out));
  EXPECT_EQ(d.DonePort(), 0);
  EXPECT_EQ(d.ActiveThreadCount(), 0);
}

// Input the port holds and has not handed on yet, in its ring or still queued below it,
// is gone after a flush: what the far end sends next arrives alone.
TEST_F(Win32Device, FlushedInputIsGoneWhereverItWaited) {
  TSerialPair pair(35, 36);
  ASSERT_TRUE(pair.Ready());
  TLinkWin32Dispatcher d;
  ASSERT_EQ(Open(d, pair), 0);
  TFarEnd peer(pair.Far());
  ASSERT_TRUE(peer.Open());
  const uint32_t kSent = 20000;  // more than the ring holds
  ASSERT_TRUE(peer.Write(PatternBytes(kSent, 5)));
  TLinkComStat stat;
  ASSERT_TRUE(PumpUntil([&] {
    d.GetComError(stat);
    return d.InBuffUsed() == int32_t(TLinkBaseDispatcher::kRingSize) &&
           stat.cbInQue == kSent - TLinkBaseDispatcher::kRingSize;
  })) << d.InBuffUsed() << " in the ring, " << stat.cbInQue << " below it";
  ASSERT_EQ(d.FlushInBuffer(), 0);
  EXPECT_EQ(d.InBuffUsed(), 0);
  TLineWindow window(d);
  ASSERT_TRUE(peer.Write("fresh"));
  ASSERT_TRUE(PumpUntil([&] { return window.got.size() >= 5; })) << window.got.size();
  EXPECT_EQ(window.got, "fresh");
  d.DonePort();
}

TEST_F(Win32Device, LineSettingsReadBack) {
  TSerialPair pair(23, 24);
  ASSERT_TRUE(pair.Ready());
  TLinkWin32Dispatcher d;
  ASSERT_EQ(Open(d, pair, 38400, 2), 0);
  // A pseudo-terminal holds the rate and the stop bits (its byte is always 8 bits, no parity).
  TLinkDCB dcb;
  ASSERT_EQ(d.GetComState(dcb), 0);
  EXPECT_EQ(dcb.BaudRate, 38400u);
  EXPECT_EQ(dcb.StopBits, sbTwo);
  ASSERT_EQ(d.SetLine(9600, 5, 9, 1), 0);
  ASSERT_EQ(d.GetComState(dcb), 0);
  EXPECT_EQ(dcb.BaudRate, 9600u);
  EXPECT_EQ(dcb.StopBits, sbOne);
  d.DonePort();
}

TEST_F(Win32Device, XoffFromTheFarEndHoldsOutput) {
  TSerialPair pair(25, 26);
  ASSERT_TRUE(pair.Ready());
  TLinkWin32Dispatcher d;
  ASSERT_EQ(Open(d, pair), 0);
  TLineWindow window(d);
  ASSERT_EQ(d.SWFlowEnable(6000, 2000, 1), 0);  // the peer end may stop our output
  TFarEnd peer(pair.Far());
  ASSERT_TRUE(peer.Open());
  // The marker arrives after the XOFF went through the line's flow control.
  ASSERT_TRUE(peer.Write("\x13" "marker"));
  ASSERT_TRUE(PumpUntil([&] { return window.got == "marker"; }));
  ASSERT_EQ(d.PutString("held until XON"), 0);
  EXPECT_FALSE(PumpUntil([&] { return peer.GotSize() > 0; }, 500)) << peer.Got();
  ASSERT_TRUE(peer.Write("\x11"));
  EXPECT_TRUE(PumpUntil([&] { return peer.Got() == "held until XON"; })) << peer.Got();
  d.DonePort();
}

TEST_F(Win32Device, FarEndKilledMidTransfer) {
  auto pair = std::make_unique<TSerialPair>(27, 28);
  ASSERT_TRUE(pair->Ready());
  auto d = std::make_unique<TLinkWin32Dispatcher>();
  ASSERT_EQ(Open(*d, *pair), 0);
  TLineWindow window(*d);
  {
    TFarEnd peer(pair->Far());
    ASSERT_TRUE(peer.Open());
    std::string block = PatternBytes(4096, 3);
    ASSERT_TRUE(peer.Write(block));
    ASSERT_TRUE(Send(*d, PatternBytes(65536, 4), [&] { return window.got.size() >= 1024; }));
    pair->Kill();
    ASSERT_TRUE(PumpUntil([&] { return window.lost == 1; }));
  }
  // Neither the threads nor the output left behind may spin now.
  for (int i = 0; i < 8; ++i) d->PutString(PatternBytes(1000, i));
  uint64_t cpu = CpuMs();
  auto start = std::chrono::steady_clock::now();
  PumpUntil([] { return false; }, 1000);
  uint64_t used = CpuMs() - cpu;
  auto wall = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LT(used, uint64_t(wall) / 2) << used << " ms of CPU in " << wall << " ms";
  EXPECT_EQ(window.lost, 1);
  EXPECT_EQ(d->DonePort(), 0);
  d.reset();
}

TEST_F(Win32Device, OpenAndCloseTwoHundredTimes) {
  TSerialPair pair(29, 30);
  ASSERT_TRUE(pair.Ready());
  std::atomic<bool> done{false};
  std::thread watchdog([&] {
    for (int i = 0; i < 1800 && !done; ++i) Sleep(100);
    if (!done) {
      std::fprintf(stderr, "open/close cycles did not end: hung\n");
      std::fflush(stderr);
      ExitProcess(3);
    }
  });
  for (int i = 0; i < 200; ++i) {
    TLinkWin32Dispatcher d;
    ASSERT_EQ(Open(d, pair), 0) << "cycle " << i;
    ASSERT_EQ(d.PutString("x"), 0);
    ASSERT_EQ(d.DonePort(), 0);
    ASSERT_EQ(d.ActiveThreadCount(), 0);
  }
  done = true;
  watchdog.join();
}

// The far end goes: the port closes as if the user had closed it, after what arrived
// before, and the session ends as a closed telnet connection does.
TEST_F(Win32Device, ALostLineClosesThePort) {
  TSerialPair pair(47, 48);
  ASSERT_TRUE(pair.Ready());
  TLinkWinsockPort port;
  port.TapiMode = TTapiMode::tmOff;
  port.SetComNumber(47);
  std::string got;
  size_t atDisconnect = 0;
  int disconnects = 0;
  int32_t why = 0;
  port.OnWsDisconnect = [&](TComponent*) {
    ++disconnects;
    atDisconnect = got.size();
    why = port.LineFailure();
  };
  CollectInput(port, got);
  port.SetOpen(true);
  {
    TFarEnd peer(pair.Far());
    ASSERT_TRUE(peer.Write("NO CARRIER"));
    ASSERT_TRUE(PumpUntil([&] { return got.size() == 10; }));
  }
  pair.Kill();
  ASSERT_TRUE(PumpUntil([&] { return disconnects > 0; }));
  PumpPending();
  EXPECT_EQ(std::tuple(disconnects, atDisconnect, port.PortState(), port.Open()), std::tuple(1, size_t(10), psClosed, false));
  EXPECT_LT(why, 0);  // the close events can tell the user why
}

// RS-485 mode switched on an open port lifts its running output thread above the others at
// once, and back.
TEST_F(Win32Device, RS485ModeRaisesTheRunningOutputThread) {
  TSerialPair pair(33, 34);
  ASSERT_TRUE(pair.Ready());
  TLinkComPort port;
  port.SetComNumber(33);
  port.SetOpen(true);
  auto* d = static_cast<TLinkWin32Dispatcher*>(port.Dispatcher());
  auto priorities = [&] {
    return std::tuple(d->RunningPriority(TLinkThreadKind::Out), d->RunningPriority(TLinkThreadKind::Disp));
  };
  EXPECT_EQ(priorities(), std::tuple(THREAD_PRIORITY_NORMAL, THREAD_PRIORITY_NORMAL));
  port.SetRS485Mode(true);
  EXPECT_EQ(priorities(), std::tuple(THREAD_PRIORITY_ABOVE_NORMAL, THREAD_PRIORITY_NORMAL));
  port.SetRS485Mode(false);
  EXPECT_EQ(priorities(), std::tuple(THREAD_PRIORITY_NORMAL, THREAD_PRIORITY_NORMAL));
}

// The ports' windows as the library makes them, with a notifier that says when a notice's
// time-out passed.
class TWatchedPortWindows : public TLinkPortWindows, public ILinkNotifier {
 public:
  TWatchedPortWindows() : previous_(LinkPortWindows()), timedOut_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    SetLinkPortWindows(this);
  }
  ~TWatchedPortWindows() override {
    SetLinkPortWindows(previous_);
    CloseHandle(timedOut_);
  }
  ILinkNotifier* Notifier() override { return this; }
  TLinkNotifyOutcome SendTriggerMessage(TLinkWindow wnd, uint32_t msg, uint32_t wParam, int32_t lParam,
                                        uint32_t timeoutMs) override {
    TLinkNotifyOutcome outcome = LinkWindowNotifier().SendTriggerMessage(wnd, msg, wParam, lParam, timeoutMs);
    if (outcome == TLinkNotifyOutcome::TimedOut) SetEvent(timedOut_);
    return outcome;
  }
  HANDLE TimedOut() const { return timedOut_; }

 private:
  ILinkPortWindows* previous_;
  HANDLE timedOut_;
};

// The main thread held past a notice's time-out while data arrives (a wait that lets no
// message through): the system takes the notice back undelivered. It is sent again, every
// byte is offered once the thread is free, and the port still closes.
TEST_F(Win32Device, AMainThreadBusyPastTheTimeOutStrandsNothing) {
  TSerialPair pair(31, 32);
  ASSERT_TRUE(pair.Ready());
  TWatchedPortWindows windows;
  TLinkComPort port;
  port.SetComNumber(31);
  std::string got;
  CollectInput(port, got);
  port.SetOpen(true);
  TFarEnd peer(pair.Far());
  ASSERT_TRUE(peer.Write("while busy"));
  ASSERT_EQ(WaitForSingleObject(windows.TimedOut(), 30000), WAIT_OBJECT_0);
  ASSERT_TRUE(peer.Write(", and after"));
  EXPECT_TRUE(PumpUntil([&] { return got == "while busy, and after"; })) << got;
  port.SetOpen(false);
  EXPECT_TRUE(PumpUntil([&] { return port.PortState() == psClosed; }));
}

// A port without a number asks the user for one, among the ports present; the chosen one
// carries data both ways.
TEST_F(Win32Device, APortWithoutANumberAsksForOne) {
  TSerialPair pair(45, 46);
  ASSERT_TRUE(pair.Ready());
  TApplication app;
  TLinkComPort port;
  std::vector<std::string> listed;
  {
    TDialogDriver driver("Select Port", [&](HWND dialog) {
      listed = ComboItems(Control(dialog, "QuiroComboBox"));
      Press(Control(dialog, "QuiroButton", "Cancel"));
    });
    EXPECT_THROW(port.SetOpen(true), ENoPortSelected);
  }
  for (const char* present : {"COM45", "COM46"})
    EXPECT_NE(std::find(listed.begin(), listed.end(), present), listed.end()) << present;
  {
    TDialogDriver driver("Select Port", [&](HWND dialog) {
      ChooseAndPress(Control(dialog, "QuiroComboBox"), "COM45", Control(dialog, "QuiroButton", "OK"),
                     Control(dialog, "QuiroButton", "Cancel"));
    });
    port.SetOpen(true);
  }
  EXPECT_EQ(std::tuple(port.ComNumber(), port.PortState()), std::tuple(uint16_t(45), psOpen));
  std::string got;
  CollectInput(port, got);
  TFarEnd peer(pair.Far());
  ASSERT_TRUE(peer.Write("from the far end"));
  EXPECT_TRUE(PumpUntil([&] { return got == "from the far end"; })) << got;
  port.PutString("chosen");
  EXPECT_TRUE(PumpUntil([&] { return peer.Got() == "chosen"; })) << peer.Got();
  port.SetOpen(false);
  EXPECT_EQ(port.PortState(), psClosed);
}

// With no serial port at all the dialog lists nothing and OK cannot be pressed; the open
// that asked is refused as after Cancel.
TEST(PortSelection, WithoutPortsThereIsNothingToChoose) {
  InitLinkLibrary();
  TApplication app;
  SetLinkPortSelector([] { return SelectComPort([](uint16_t) { return TPortProbe::Failed; }); });
  TLinkComPort port;
  std::vector<std::string> listed{"not read"};
  bool okEnabled = true;
  {
    TDialogDriver driver("Select Port", [&](HWND dialog) {
      listed = ComboItems(Control(dialog, "QuiroComboBox"));
      okEnabled = IsWindowEnabled(Control(dialog, "QuiroButton", "OK"));
      Press(Control(dialog, "QuiroButton", "Cancel"));
    });
    EXPECT_THROW(port.SetOpen(true), ENoPortSelected);
    EXPECT_TRUE(driver.Acted());
  }
  SetLinkPortSelector([] { return SelectComPort(); });
  EXPECT_TRUE(listed.empty());
  EXPECT_FALSE(okEnabled);
  EXPECT_EQ(port.PortState(), psClosed);
}

TEST_F(Win32Device, OpenFailures) {
  TLinkWin32Dispatcher missing;
  EXPECT_EQ(missing.InitPort("\\\\.\\COM77", 9600, parNone, 8, 1, 4096, 4096, true, true), -ERROR_FILE_NOT_FOUND);
  TLinkTAPI32Dispatcher noCall(nullptr, nullptr);
  EXPECT_EQ(noCall.InitPort(nullptr, 9600, parNone, 8, 1, 4096, 4096, true, true), ecCommNotOpen);
}

}  // namespace
