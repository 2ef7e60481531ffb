#include "comm/core/Trace.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "comm/core/CommErrors.h"
#include "comm/core/FakeDevice.h"

using namespace quiro::comm::test;

namespace {

std::string Golden(const std::string& name, bool fullPath = false) {
  std::ifstream f(fullPath ? name : std::string(QUIRO_SOURCE_DIR) + "/tests/comm/core/data/" + name, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

// The files under data/ were checked by hand against the dump format and are never rewritten
// from the code's output: a change of format changes them on purpose, in review.
void ExpectGolden(const std::string& name, const std::string& text) { EXPECT_EQ(text, Golden(name)) << name; }

void Add(TLinkTrace& t, char kind, const std::string& bytes) {
  for (char c : bytes) t.AddTraceEntry(kind, uint8_t(c));
}

TEST(LinkTrace, DumpTexts) {
  TLinkTrace t;
  ASSERT_EQ(t.InitTracing(1000), 0);
  Add(t, 'T', "ATDT 0123\r");
  Add(t, 'R', "\r\nCONNECT 28800\r\n");
  Add(t, 'R', std::string("\xB0\xA1 [x]\x1B[0m", 10));
  Add(t, 'T', std::string(90, '*'));  // breaks into lines below 79 columns
  Add(t, 'X', "?");
  Add(t, 'R', "\x18\x7F ");
  std::string text = t.TraceText(false);
  EXPECT_FALSE(t.TracingOn());  // a dump switches tracing off
  ExpectGolden("trace_dec.txt", text);
  ExpectGolden("trace_hex.txt", t.TraceText(true));
  for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    EXPECT_LT(end - start, 79u);
}

// A trace or log in use that is given a new size keeps its newest entries.
TEST(LinkTrace, ResizedHistoriesKeepTheirNewestEntries) {
  TLinkTrace t;
  EXPECT_EQ(t.Resize(5), 0);  // nothing recorded: nothing to keep
  ASSERT_EQ(t.InitTracing(5), 0);
  Add(t, 'T', "abcdefg");
  ASSERT_EQ(t.Resize(3), 0);
  Add(t, 'T', "h");
  ASSERT_EQ(t.Resize(8), 0);
  Add(t, 'R', "ij");
  EXPECT_EQ(t.Resize(kMaxTraceEntries + 1), ecBadArgument);
  EXPECT_EQ(t.TraceText(false), "Transmit: fgh\r\nReceive: ij\r\n");

  TLinkDispatchLog log;
  ASSERT_EQ(log.InitDispatchLogging(200), 0);
  for (uint32_t i = 1; i <= 5; ++i) log.AddDispatchEntry(dtUser, dstNone, i, "12345678", 8, 0);
  ASSERT_EQ(log.Resize(60), 0);  // room for two entries of 24 bytes
  EXPECT_EQ(log.EntryCount(), 2u);
  std::string text = log.DispatchLogText(false, {});
  EXPECT_EQ(text.find("00000003"), std::string::npos);
  EXPECT_NE(text.find("00000004"), std::string::npos);
  EXPECT_NE(text.find("00000005"), std::string::npos);
}

TEST(LinkTrace, WrappedTraceStartsWithTheOldestEntry) {
  TLinkTrace t;
  EXPECT_EQ(t.InitTracing(4000001), ecBadArgument);
  EXPECT_FALSE(t.TracingOn());
  ASSERT_EQ(t.InitTracing(100), 0);
  std::string sent;
  for (int i = 0; i < 150; ++i) sent += char('A' + i % 26);
  Add(t, 'T', sent);
  EXPECT_EQ(t.TraceText(false).substr(0, 13), "Transmit: " + sent.substr(50, 3));
  TLinkTrace empty;
  EXPECT_EQ(empty.TraceText(false), "");
}

TEST(LinkDispatchLog, DumpText) {
  FakePlatform platform;
  FakeDevice dev;
  ASSERT_EQ(dev.InitPort("COM1", 115200, parNone, 8, 1, 4096, 4096, true, true), 0);
  ASSERT_EQ(dev.InitDispatchLogging(4096), 0);
  platform.now += 1234;
  dev.ChangeLengthTrigger(1);
  int data = dev.AddDataTrigger("rz\r", true);
  int timer = dev.AddTimerTrigger();
  int status = dev.AddStatusTrigger(stOutBuffFree);
  dev.SetTimerTrigger(uint16_t(timer), 182, true);
  dev.SetTimerTrigger(uint16_t(timer), 0, false);
  dev.SetStatusTrigger(uint16_t(status), 2048, true);
  dev.RegisterWndTriggerHandler(0x1234);
  dev.UpdateHandlerFlags(fuEnablePort);
  platform.now += 50;
  dev.PutString("ATZ\r");
  dev.Receive("OK\r\n" + std::string(80, '-') + "rz\r");
  dev.ProcessComEvent(evRxChar);
  dev.RemoveTrigger(uint16_t(data));
  dev.RemoveTrigger(uint16_t(status));
  dev.AddStringToLog("user note");
  TDispatchLogHeader header{"g++ 12", "Windows NT 5.1"};
  ExpectGolden("dispatch_log.txt", dev.DispatchLogText(false, header));
  EXPECT_EQ(dev.DispatchLogText(false, header).find("ReadCom"), std::string::npos);  // taken out
}

TEST(LinkTrace, DumpsToFilesSwitchTheHistoryOff) {
  FakePlatform platform;
  FakeDevice dev;
  ASSERT_EQ(dev.InitPort("COM1", 115200, parNone, 8, 1, 4096, 4096, true, true), 0);
  std::string name = (std::filesystem::temp_directory_path() / "quiro_comm_trace.trc").string();
  std::filesystem::remove(name);
  for (const char* sent : {"one", "two"}) {
    ASSERT_EQ(dev.InitTracing(100), 0);
    dev.PutString(sent);
    ASSERT_EQ(dev.AppendTrace(name, false), 0);  // creates the file, then appends to it
    dev.PutString("lost");                        // tracing is off after a dump
  }
  EXPECT_EQ(Golden(name, true), "Transmit: one\r\nTransmit: two\r\n");
  ASSERT_EQ(dev.InitTracing(100), 0);
  dev.PutString("new");
  ASSERT_EQ(dev.DumpTrace(name, false), 0);
  EXPECT_EQ(Golden(name, true), "Transmit: new\r\n");
  ASSERT_EQ(dev.InitDispatchLogging(1000), 0);
  ASSERT_EQ(dev.DumpDispatchLog(name, false, false, {}), 0);
  dev.AddStringToLog("after");
  EXPECT_EQ(dev.DispatchLogText(false, {}).find("after"), std::string::npos);
  std::filesystem::remove(name);
}

// An entry used to go in as two pushes, header and extra bytes, so making room for the
// second could drop the header just written.
TEST(LinkDispatchLog, EntriesGoInWholeOrNotAtAll) {
  TLinkDispatchLog log;
  EXPECT_EQ(log.InitDispatchLogging(16), ecBadArgument);
  ASSERT_EQ(log.InitDispatchLogging(100), 0);
  std::string big(100 - kDispatchHeaderSize, 'b');
  EXPECT_TRUE(log.AddDispatchEntry(dtUser, dstNone, 1, "a", 1, 0));
  EXPECT_FALSE(log.AddDispatchEntry(dtUser, dstNone, 2, big.data(), uint32_t(big.size()), 0));
  EXPECT_EQ(log.EntryCount(), 1u);  // older entries stay
  for (uint32_t i = 0; i < 50; ++i) {
    std::string more(i % 40, char('a' + i % 26));
    ASSERT_TRUE(log.AddDispatchEntry(dtUser, dstNone, i, more.data(), uint32_t(more.size()), i));
  }
  // The newest entries survive whole and in order; the text shows each one complete.
  std::string text = log.DispatchLogText(false, {});
  size_t last = text.rfind("\r\n", text.size() - 3);
  EXPECT_NE(text.find(std::string(9, char('a' + 49 % 26)), last), std::string::npos);
  EXPECT_NE(text.find("00000031"), std::string::npos);
  EXPECT_EQ(text.find("00000001  "), std::string::npos);
  log.AbortDispatchLogging();
  EXPECT_FALSE(log.AddDispatchEntry(dtUser, dstNone, 0, nullptr, 0, 0));
}

}  // namespace
