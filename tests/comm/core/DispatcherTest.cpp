#include "comm/core/Dispatcher.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "comm/core/CommErrors.h"
#include "comm/core/FakeDevice.h"

using namespace quiro::comm::test;

namespace {

struct Event {
  uint32_t msg, trigger, low;
  std::string read;  // what the handler read
  bool operator==(const Event&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Event& e) {
  return os << std::hex << e.msg << std::dec << "(" << e.trigger << "," << e.low << ",\"" << e.read << "\")";
}

// An event handler that records every notification and reads a chosen amount.
struct Recorder {
  explicit Recorder(TLinkBaseDispatcher& d, int readAvail = -1, int readData = 0) : d(d), readAvail(readAvail), readData(readData) {
    d.RegisterEventTriggerHandler(Handler());
  }
  TLinkTriggerEvent Handler() { return {&Recorder::Call, this}; }
  static void Call(void* self, uint32_t msg, uint32_t trigger, int32_t lParam) {
    auto* r = static_cast<Recorder*>(self);
    Event e{msg, trigger, uint32_t(lParam) & 0xFFFF, ""};
    int want = msg == LinkMsgTriggerAvail ? (r->readAvail < 0 ? int(trigger) : r->readAvail)
               : msg == LinkMsgTriggerData ? r->readData : 0;
    if (want > 0) {
      std::string buf(size_t(want), '\0');
      if (r->d.GetBlock(reinterpret_cast<uint8_t*>(buf.data()), uint32_t(want)) == 0) e.read = buf;
    }
    r->events.push_back(e);
    if (r->onCall) r->onCall(msg);
  }
  TLinkBaseDispatcher& d;
  int readAvail, readData;
  std::vector<Event> events;
  std::function<void(uint32_t)> onCall;
};

class DispatcherTest : public ::testing::Test {
 protected:
  void Open(int32_t outSize = 4096) {
    ASSERT_EQ(dev.InitPort("COM1", 115200, parNone, 8, 1, 4096, outSize, true, true), 0);
  }
  void Arrive(const std::string& bytes) {
    dev.Receive(bytes);
    dev.ProcessComEvent(evRxChar);
  }
  std::string Take(uint32_t n) {
    std::string s(n, '\0');
    EXPECT_EQ(dev.GetBlock(reinterpret_cast<uint8_t*>(s.data()), n), 0);
    return s;
  }
  FakePlatform platform;
  FakeDevice dev;
};

TEST_F(DispatcherTest, OpenSetsTheLineAndItsFlags) {
  dev.state.Flags = dcbParity | dcbNull | dcbDsrSensitivity;
  Open();
  ASSERT_FALSE(dev.stateWrites.empty());
  const TLinkDCB& dcb = dev.stateWrites.back();
  EXPECT_EQ(dcb.BaudRate, 115200u);
  EXPECT_EQ(dcb.Flags & (dcbBinary | dcbTXContinueOnXoff), dcbBinary | dcbTXContinueOnXoff);
  EXPECT_EQ(dcb.Flags & (dcbParity | dcbNull | dcbDsrSensitivity), 0u);
  EXPECT_TRUE(dev.Active);
  // Nothing to change: the device is not touched.
  size_t writes = dev.stateWrites.size();
  EXPECT_EQ(dev.SetLine(0, 5, 9, 3), 0);
  EXPECT_EQ(dev.SetLine(115200, parNone, 8, 1), 0);
  EXPECT_EQ(dev.stateWrites.size(), writes);
  // Five data bits take one and a half stop bits for either request.
  EXPECT_EQ(dev.SetLine(0, 5, 5, 2), 0);
  EXPECT_EQ(dev.stateWrites.back().StopBits, sbOne5);
  EXPECT_EQ(dev.SetLine(0, 5, 8, 7), 0);  // above 2 counts as 2
  EXPECT_EQ(dev.stateWrites.back().StopBits, sbTwo);
  int32_t baud;
  uint8_t parity, databits, stopbits;
  dev.GetLine(baud, parity, databits, stopbits);
  EXPECT_EQ(baud, 115200);
  EXPECT_EQ(stopbits, 2);
  EXPECT_EQ(MapBaudCode(0xFF19), 0xFF19);  // an empty slot of the index codes
  EXPECT_EQ(MapBaudCode(0xFF27), 256000);
  EXPECT_EQ(MapBaudCode(0xFEFF), 115200);
}

TEST_F(DispatcherTest, ALineThatReportsNoBaudRateCanStillBeChanged) {
  dev.state.BaudRate = 0;  // a pseudo-terminal under Wine
  ASSERT_EQ(dev.InitPort("COM1", 0, parNone, 8, 1, 4096, 4096, true, true), 0);
  EXPECT_EQ(dev.SetLine(0, parEven, 8, 1), 0);
  EXPECT_EQ(dev.stateWrites.back().Parity, parEven);
  EXPECT_EQ(platform.slept, 0u);  // no wait computed from a rate of 0
}

TEST_F(DispatcherTest, OpenFailuresReportACode) {
  dev.openResult = -1;
  dev.systemError = 2;
  EXPECT_EQ(dev.InitPort("COM9", 9600, parNone, 8, 1, 4096, 4096, true, true), -2);
  dev.systemError = 0;  // failed without an error number: still a failure
  EXPECT_EQ(dev.InitPort("COM9", 9600, parNone, 8, 1, 4096, 4096, true, true), ecUnknownFailure);
  dev.openResult = ecOutOfMemory;
  EXPECT_EQ(dev.InitPort("COM9", 9600, parNone, 8, 1, 4096, 4096, true, true), ecOutOfMemory);
  dev.openResult = 5;
  dev.setupResult = false;
  dev.systemError = 87;
  EXPECT_EQ(dev.InitPort("COM9", 9600, parNone, 8, 1, 4096, 4096, true, true), -87);
  EXPECT_FALSE(dev.Active);
}

TEST_F(DispatcherTest, PutBlockIsAllOrNothing) {
  Open(100);
  dev.outQueued = 40;
  EXPECT_EQ(dev.OutBuffFree(), 60);
  EXPECT_EQ(dev.PutBlock(reinterpret_cast<const uint8_t*>(std::string(61, 'x').data()), 61), ecOutputBufferTooSmall);
  EXPECT_EQ(dev.written, "");
  EXPECT_EQ(dev.PutString(std::string(60, 'y')), 0);
  EXPECT_TRUE(dev.OBufFull);
  EXPECT_EQ(dev.PutChar('z'), ecOutputBufferTooSmall);
  EXPECT_EQ(dev.written, std::string(60, 'y'));
  dev.CompleteWrites(100);
  dev.writeFailures = 1;
  EXPECT_EQ(dev.PutString("ab"), ecPutBlockFail);
  EXPECT_EQ(dev.PutString(""), 0);
  // RS-485 without NT's driver help needs the UART address.
  dev.SetRS485Mode(true);
  platform.nt = false;
  EXPECT_EQ(dev.PutString("ab"), ecBaseAddressNotSet);
  dev.SetBaseAddress(0x3F8);
  EXPECT_EQ(dev.PutString("ab"), 0);
  EXPECT_EQ(dev.escapes.back(), escSetRts);
}

TEST_F(DispatcherTest, ReadsNeverTakeFewerBytesThanAsked) {
  Open();
  dev.Receive("hello");
  dev.ExtractData();
  uint8_t buf[8];
  EXPECT_EQ(dev.GetBlock(buf, 6), ecBufferIsEmpty);
  EXPECT_EQ(dev.InBuffUsed(), 5);
  uint8_t c = 0;
  EXPECT_EQ(dev.PeekChar(c, 5), 0);
  EXPECT_EQ(c, 'o');
  EXPECT_EQ(dev.PeekChar(c, 6), ecBufferIsEmpty);
  EXPECT_EQ(dev.PeekBlock(buf, 5), 0);
  EXPECT_EQ(dev.InBuffUsed(), 5);
  EXPECT_EQ(dev.GetChar(c), 0);
  EXPECT_EQ(c, 'h');
  EXPECT_EQ(Take(4), "ello");
  EXPECT_FALSE(dev.CharReady());
  EXPECT_EQ(dev.GetChar(c), ecBufferIsEmpty);
}

TEST_F(DispatcherTest, RingWrapsAndFillsExactly) {
  Open();
  std::string a(8000, 'a'), b;
  for (int i = 0; i < 1000; ++i) b += char('0' + i % 10);
  dev.Receive(a);
  dev.ExtractData();
  EXPECT_EQ(Take(8000), a);
  dev.Receive(b);
  dev.ExtractData();
  EXPECT_EQ(Take(1000), b);  // read across the end of the ring
  dev.Receive(std::string(9000, 'c'));
  dev.ExtractData();
  EXPECT_TRUE(dev.DBufFull());
  EXPECT_TRUE(dev.MoreData());
  EXPECT_EQ(dev.InBuffUsed(), 8192);
  EXPECT_EQ(dev.InBuffFree(), 0);
}

// Per matched position: an avail notice for the bytes before the pattern, the data
// notification, then one avail notice for the rest (the avail handler reads what it is
// offered, the data handler reads `readData` bytes).
TEST_F(DispatcherTest, AvailAndDataTriggersFireInOrder) {
  const std::string zm = "**\x18" "B01";
  struct Row {
    std::string pattern;
    bool ignoreCase;
    int readData;
    std::vector<std::string> arrivals;
    std::vector<Event> events;  // trigger 0 in a data event stands for the pattern's handle
  } rows[] = {
      {zm, false, 6, {"xyz" + zm + "rest"},
       {{LinkMsgTriggerAvail, 3, 0, "xyz"}, {LinkMsgTriggerData, 0, 6, zm}, {LinkMsgTriggerAvail, 4, 0, "rest"}}},
      {"aab", true, 0, {"zzA", "aB!"},  // split over two reads
       {{LinkMsgTriggerAvail, 3, 0, "zzA"}, {LinkMsgTriggerData, 0, 3, ""}, {LinkMsgTriggerAvail, 3, 0, "aB!"}}},
      {"END", false, 0, {"abEND"},  // the pattern's own bytes are announced after it
       {{LinkMsgTriggerAvail, 2, 0, "ab"}, {LinkMsgTriggerData, 0, 3, ""}, {LinkMsgTriggerAvail, 3, 0, "END"}}},
      {"ab", false, 2, {"ab"}, {{LinkMsgTriggerData, 0, 2, "ab"}}},
  };
  for (auto& row : rows) {
    SCOPED_TRACE(row.pattern);
    FakeDevice d;
    ASSERT_EQ(d.InitPort("COM1", 115200, parNone, 8, 1, 4096, 4096, true, true), 0);
    Recorder r(d, -1, row.readData);
    d.ChangeLengthTrigger(1);
    int h = d.AddDataTrigger(row.pattern.c_str(), row.ignoreCase);
    ASSERT_GT(h, 0);
    for (auto& e : row.events)
      if (e.msg == LinkMsgTriggerData) e.trigger = uint32_t(h);
    for (const auto& part : row.arrivals) {
      d.Receive(part);
      d.ProcessComEvent(evRxChar);
    }
    EXPECT_EQ(r.events, row.events);
    EXPECT_EQ(d.InBuffUsed(), 0);
  }
}

TEST_F(DispatcherTest, HandlersOfOneNotificationSeeTheSameBytes) {
  Open();
  Recorder five(dev, 5), ten(dev, 10);
  dev.ChangeLengthTrigger(1);
  dev.Receive("0123456789AB");
  dev.ExtractData();
  EXPECT_FALSE(dev.CheckReceiveTriggers());  // 12 announced, 10 taken
  ASSERT_EQ(five.events.size(), 1u);
  EXPECT_EQ(five.events[0].read, "01234");
  EXPECT_EQ(ten.events[0].read, "0123456789");
  EXPECT_EQ(dev.InBuffUsed(), 2);
  // What is left is offered again only with new data.
  EXPECT_FALSE(dev.CheckReceiveTriggers());
  EXPECT_EQ(five.events.size(), 1u);
}

// A full ring used to look empty to the trigger scan (head and scan position equal), so
// the data sat unannounced and nothing more could come in.
TEST_F(DispatcherTest, AFullRingBetweenTwoChecksIsAnnounced) {
  Open();
  Recorder r(dev);
  dev.ChangeLengthTrigger(1);
  Arrive("abc");
  dev.Receive(std::string(8192, 'q'));
  dev.ExtractData();
  ASSERT_TRUE(dev.DBufFull());
  EXPECT_TRUE(dev.CheckReceiveTriggers());
  ASSERT_EQ(r.events.size(), 2u);
  EXPECT_EQ(r.events[1].trigger, 8192u);
  EXPECT_EQ(dev.InBuffUsed(), 0);
}

// Bytes taken in on the idle path (the device held more than the ring could take) used to
// wait for the next device event, which never comes when the peer has gone quiet.
TEST_F(DispatcherTest, BytesTakenWhileIdleAreAnnounced) {
  Open();
  Recorder r(dev);
  dev.ChangeLengthTrigger(1);
  Arrive(std::string(8192 + 100, 'z'));
  ASSERT_EQ(r.events.size(), 1u);
  EXPECT_EQ(r.events[0].trigger, 8192u);
  EXPECT_TRUE(dev.MoreData());
  dev.ProcessIdleRound();  // no device event
  ASSERT_EQ(r.events.size(), 2u);
  EXPECT_EQ(r.events[1].trigger, 100u);
}

TEST_F(DispatcherTest, FlushInBufferForgetsDataAndPartialMatches) {
  Open();
  Recorder r(dev, 0);
  dev.ChangeLengthTrigger(1);
  int h = dev.AddDataTrigger("abc", false);
  Arrive("ab");
  EXPECT_EQ(dev.FlushInBuffer(), 0);
  EXPECT_EQ(dev.InBuffUsed(), 0);
  Arrive("c");
  for (const auto& e : r.events) EXPECT_NE(e.trigger, uint32_t(h));
}

TEST_F(DispatcherTest, ReadFailureCountsAsNoBytes) {
  Open();
  dev.Receive("abc");
  dev.readFailures = 1;
  EXPECT_TRUE(dev.ExtractData());
  EXPECT_EQ(dev.InBuffUsed(), 0);
  EXPECT_EQ(dev.eventMaskClears, 1);
  dev.ExtractData();
  EXPECT_EQ(dev.InBuffUsed(), 3);
}

TEST_F(DispatcherTest, TimersFireOncePerArming) {
  Open();
  Recorder r(dev);
  int h = dev.AddTimerTrigger();
  ASSERT_EQ(h, 8);
  EXPECT_EQ(dev.SetTimerTrigger(uint16_t(h), 2, true), 0);
  dev.CheckTimerAndStatusTriggers();
  EXPECT_TRUE(r.events.empty());
  platform.now += 3 * kMsPerTick + 1;
  dev.CheckTimerAndStatusTriggers();
  dev.CheckTimerAndStatusTriggers();
  ASSERT_EQ(r.events.size(), 1u);
  EXPECT_EQ(r.events[0].msg, LinkMsgTriggerTimer);
  EXPECT_EQ(dev.SetTimerTrigger(uint16_t(h), 0, true), 0);  // same length again
  platform.now += 3 * kMsPerTick;
  dev.ProcessIdleRound();
  EXPECT_EQ(r.events.size(), 2u);
  EXPECT_EQ(dev.SetTimerTrigger(16, 1, true), ecBadTriggerHandle);
}

TEST_F(DispatcherTest, StatusTriggersAreOneShot) {
  Open(4096);
  Recorder r(dev);
  int h = dev.AddStatusTrigger(stOutBuffFree);
  ASSERT_EQ(h & 7, stOutBuffFree);
  dev.outQueued = 3000;
  dev.SetStatusTrigger(uint16_t(h), 2048, true);
  dev.CheckTimerAndStatusTriggers();
  EXPECT_TRUE(r.events.empty());
  dev.CompleteWrites(2000);
  dev.CheckTimerAndStatusTriggers();
  dev.CheckTimerAndStatusTriggers();
  ASSERT_EQ(r.events.size(), 1u);
  EXPECT_EQ(r.events[0], (Event{LinkMsgTriggerStatus, uint32_t(h), 3096, ""}));
  dev.SetStatusTrigger(uint16_t(h), 2048, true);
  dev.CheckTimerAndStatusTriggers();
  EXPECT_EQ(r.events.size(), 2u);
}

TEST_F(DispatcherTest, ModemAndLineStatusTriggers) {
  Open();
  Recorder r(dev);
  int modem = dev.AddStatusTrigger(stModem);
  int line = dev.AddStatusTrigger(stLine);
  int sent = dev.AddStatusTrigger(stOutSent);
  EXPECT_EQ(dev.AddStatusTrigger(6), ecBadArgument);
  dev.SetStatusTrigger(uint16_t(modem), msDCD, true);
  dev.SetStatusTrigger(uint16_t(line), 2, true);  // parity
  dev.SetStatusTrigger(uint16_t(sent), 0, true);
  dev.modemLines = msCTS;  // not watched
  dev.ProcessComEvent(evCts);
  EXPECT_TRUE(r.events.empty());
  EXPECT_TRUE(dev.CheckDeltaCTS());
  EXPECT_FALSE(dev.CheckDeltaCTS());  // cleared by the check
  dev.modemLines = msCTS | msDCD;
  dev.ProcessComEvent(evRlsd);
  ASSERT_EQ(r.events.size(), 1u);
  EXPECT_EQ(r.events[0].trigger, uint32_t(modem));
  dev.lineErrors = ceFrame;
  dev.ProcessComEvent(evErr);
  EXPECT_EQ(r.events.size(), 1u);  // framing is not watched
  dev.lineErrors = ceRxParity | ceBreak;
  dev.ProcessComEvent(evErr);
  ASSERT_EQ(r.events.size(), 2u);
  EXPECT_EQ(r.events[1].trigger, uint32_t(line));
  EXPECT_EQ(dev.GetLineError(), 3);  // parity comes before framing
  EXPECT_EQ(dev.GetLineError(), 9);
  EXPECT_TRUE(dev.CheckLineBreak());
  EXPECT_EQ(dev.GetLineError(), 0);
  dev.PutString("x");
  dev.CheckTimerAndStatusTriggers();
  ASSERT_EQ(r.events.size(), 3u);
  EXPECT_EQ(r.events[2].trigger, uint32_t(sent));
}

TEST_F(DispatcherTest, TriggerHandlesAndRemoval) {
  Open();
  EXPECT_EQ(dev.AddDataTriggerLen(reinterpret_cast<const uint8_t*>("0123456789012345678901"), false, 22), ecTriggerTooLong);
  int a = dev.AddDataTriggerLen(reinterpret_cast<const uint8_t*>("012345678901234567890"), false, 21);
  int b = dev.AddTimerTrigger();
  EXPECT_EQ(a, 8);
  EXPECT_EQ(b, 16);
  EXPECT_EQ(dev.RemoveTrigger(uint16_t(a)), 0);
  EXPECT_EQ(dev.RemoveTrigger(uint16_t(a)), ecBadTriggerHandle);
  EXPECT_EQ(dev.RemoveTrigger(kAvailTriggerHandle), 0);
  TTriggerSave save;
  dev.SaveTriggers(save);
  dev.RemoveAllTriggers();
  EXPECT_EQ(dev.RemoveTrigger(uint16_t(b)), ecBadTriggerHandle);
  dev.RestoreTriggers(save);
  EXPECT_EQ(dev.SetTimerTrigger(uint16_t(b), 5, true), 0);
  EXPECT_NE(dev.AddTimerTrigger(), b);  // a restored handle is not given out again
}

TEST_F(DispatcherTest, QueuesResizeWhileOpenUnlessOutputWaits) {
  Open();
  EXPECT_EQ(dev.SetCommBuffers(2048, 1024), 0);
  int32_t in = 0, out = 0;
  dev.BufferSizes(in, out);
  EXPECT_EQ(in, 2048);
  EXPECT_EQ(out, 1024);
  EXPECT_EQ(dev.OutBuffFree(), 1024);
  const uint8_t two[] = {1, 2};
  ASSERT_TRUE(dev.OutputRingPut(two, 2));
  EXPECT_EQ(dev.SetCommBuffers(2048, 4096), ecBadArgument);
  EXPECT_EQ(dev.SetCommBuffers(4096, 1024), 0);  // the ring keeps its size: allowed
  dev.setupResult = false;
  dev.systemError = 87;
  EXPECT_EQ(dev.SetCommBuffers(512, 1024), -87);
  dev.BufferSizes(in, out);
  EXPECT_EQ(in, 4096);
}

TEST_F(DispatcherTest, FlowControlSettings) {
  Open();
  EXPECT_EQ(dev.HWFlowOptions(100, 200, 1), ecBadArgument);
  EXPECT_EQ(dev.HWFlowOptions(5000, 200, 1), ecBadArgument);
  EXPECT_EQ(dev.HWFlowOptions(3000, 1000, 1 | 8), 0);
  TLinkDCB dcb = dev.GetDCB();
  EXPECT_EQ(DcbDtrControl(dcb), dtrHandshake);
  EXPECT_EQ(DcbRtsControl(dcb), rtsEnable);
  EXPECT_EQ(dcb.XoffLim, 4096 - 3000);
  EXPECT_EQ(dcb.XonLim, 1000);
  EXPECT_TRUE(dcb.Flags & dcbOutxCtsFlow);
  EXPECT_EQ(dev.SetDtr(false), 1);  // the handshake owns the line
  EXPECT_EQ(dev.HWFlowState(), 2);
  dev.holdFlags = csCtsHold | csDsrHold;
  EXPECT_EQ(dev.HWFlowState(), 4);
  EXPECT_EQ(dev.SWFlowState(), 1);
  EXPECT_EQ(dev.SWFlowEnable(3000, 1000, 3), 0);
  dcb = dev.GetDCB();
  EXPECT_EQ(dcb.Flags & (dcbInX | dcbOutX), dcbInX | dcbOutX);
  EXPECT_EQ(dcb.XonChar, 17);
  dev.holdFlags = csXoffHold | csXoffSent;
  EXPECT_EQ(dev.SWFlowState(), 8);
  dev.holdFlags = csXoffSent;
  EXPECT_EQ(dev.SWFlowState(), 7);
  EXPECT_EQ(dev.SWFlowDisable(), 0);
  EXPECT_EQ(dev.SWFlowState(), 1);
  EXPECT_EQ(dev.HWFlowOptions(3000, 1000, 0), 0);
  EXPECT_EQ(dev.HWFlowState(), 1);
  EXPECT_EQ(dev.SetDtr(false), 0);
  EXPECT_EQ(dev.escapes.back(), escClrDtr);
}

// The flow settings read back as they were set, whatever came before them (software flow
// in one direction after both leaves the other off).
TEST_F(DispatcherTest, FlowOptionsReadBackAsSet) {
  Open();
  const struct {
    uint8_t hardware, software;
    uint16_t full, resume;
  } rows[] = {{1 | 8, 0, 3000, 1000}, {2 | 4, 3, 3686, 409}, {0, 2, 3072, 1024}, {0, 1, 4096, 0}, {0, 0, 100, 100}};
  for (const auto& r : rows) {
    ASSERT_EQ(dev.HWFlowOptions(r.full, r.resume, r.hardware), 0);
    ASSERT_EQ(r.software ? dev.SWFlowEnable(r.full, r.resume, r.software) : dev.SWFlowDisable(), 0);
    TLinkFlowOptions flow;
    ASSERT_EQ(dev.GetFlowOptions(flow), 0);
    EXPECT_EQ(flow, (TLinkFlowOptions{r.hardware, r.software, r.full, r.resume, 17, 19})) << int(r.hardware);
  }
  ASSERT_EQ(dev.SWFlowChars('a', 'b'), 0);
  TLinkFlowOptions flow;
  dev.GetFlowOptions(flow);
  EXPECT_EQ(std::pair(flow.XonChar, flow.XoffChar), std::pair('a', 'b'));
}

TEST_F(DispatcherTest, CloseFromInsideANotificationIsFinishedAfterIt) {
  Open();
  Recorder first(dev), second(dev);
  first.onCall = [&](uint32_t) { dev.DonePort(); };
  dev.ChangeLengthTrigger(1);
  Arrive("abc");
  EXPECT_EQ(first.events.size(), 1u);
  EXPECT_TRUE(second.events.empty());  // the notification stopped after the closing handler
  EXPECT_TRUE(dev.ClosePending());
  EXPECT_EQ(dev.closes, 1);
  dev.DonePortPrim();  // what the driving thread does on its way out
  EXPECT_FALSE(dev.Active);
}

TEST_F(DispatcherTest, HandlersRemovedDuringANotificationGoAfterIt) {
  Open();
  Recorder a(dev), b(dev, 0);
  a.onCall = [&](uint32_t) { dev.DeregisterEventTriggerHandler(b.Handler()); };
  dev.ChangeLengthTrigger(1);
  Arrive("abc");
  EXPECT_EQ(b.events.size(), 0u);  // marked deleted before its turn
  Arrive("d");
  EXPECT_EQ(a.events.size(), 2u);
  EXPECT_EQ(b.events.size(), 0u);
}

}  // namespace
