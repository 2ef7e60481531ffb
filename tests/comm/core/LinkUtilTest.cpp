#include "comm/core/LinkUtil.h"

#include <gtest/gtest.h>

#include <cstring>

#include "comm/core/FakeDevice.h"

using namespace quiro::comm::test;

namespace {

TEST(LinkTimers, TickConversions) {
  EXPECT_EQ(Secs2Ticks(1), 18);
  EXPECT_EQ(Secs2Ticks(10), 182);
  EXPECT_EQ(Ticks2Secs(18), 1);
  EXPECT_EQ(Ticks2Secs(0), 0);
  EXPECT_EQ(Secs2Ticks(3600), 65543);
}

TEST(LinkTimers, TimerRunsItsLengthAcrossTheWrap) {
  FakePlatform p;
  struct Row {
    int32_t start, length;
  } rows[] = {{100, 10}, {kTicksPerWrap - 3, 10}, {kTicksPerWrap - 1, 1}, {5, 0}};
  for (const auto& r : rows) {
    SCOPED_TRACE(r.start);
    p.SetTicks(r.start);
    EventTimer et;
    NewTimer(et, r.length);
    for (int32_t t = 0; t <= r.length; ++t) {
      p.SetTicks((r.start + t) % kTicksPerWrap);
      EXPECT_FALSE(TimerExpired(et)) << "after " << t;
      EXPECT_EQ(ElapsedTime(et), t);
      EXPECT_EQ(RemainingTime(et), r.length - t);
    }
    p.SetTicks((r.start + r.length + 1) % kTicksPerWrap);
    EXPECT_TRUE(TimerExpired(et));
    EXPECT_EQ(RemainingTime(et), 0);
  }
}

TEST(LinkWaiting, SafeYieldKeepsTheQuitMessage) {
  FakePlatform p;
  EXPECT_EQ(SafeYield(), 0u);
  p.queue.push_back({0, 0x0100, 0, 0});
  p.queue.push_back({0, kLinkQuitMessage, 3, 0});
  EXPECT_EQ(SafeYield(), 0x0100u);
  EXPECT_EQ(p.dispatched, std::vector<uint32_t>{0x0100});
  EXPECT_EQ(SafeYield(), kLinkQuitMessage);
  ASSERT_EQ(p.queue.size(), 1u);
  EXPECT_EQ(p.queue.front().Id, kLinkQuitMessage);
  EXPECT_EQ(p.queue.front().WParam, 3u);
}

TEST(LinkWaiting, DelaysEndOnTheClockOrOnQuit) {
  FakePlatform p;
  p.clockStep = 7;
  DelayMS(100);
  EXPECT_GE(p.now, 100u);
  p.queue.push_back({0, kLinkQuitMessage, 0, 0});
  EXPECT_EQ(DelayTicks(1000, true), kLinkQuitMessage);  // leaves at once
  EXPECT_LT(p.now, 1000u * kMsPerTick);
  EXPECT_EQ(DelayTicks(0, true), 0u);
  uint32_t before = p.now;
  DelayTicks(2, false);
  EXPECT_GE(p.now - before, 2 * kMsPerTick);
}

TEST(LinkPaths, Helpers) {
  struct Row {
    const char* in;
    const char* path;
    const char* file;
    const char* ext;
    const char* name;
  } rows[] = {
      {"C:\\FILE.TXT", "C:\\", "FILE.TXT", "TXT", "FILE"},
      {"C:\\DIR\\SUB\\A.B.C", "C:\\DIR\\SUB", "A.B.C", "C", "A"},
      {"FILE.TXT", "", "FILE.TXT", "TXT", "FILE"},
      {"\\FILE", "\\", "FILE", "", "FILE"},
      {"C:FILE.LONGEXT", "C:", "FILE.LONGEXT", "LON", "FILE"},
      {"DIR.X\\FILE", "DIR.X", "FILE", "", "FILE"},
      {"", "", "", "", ""},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.in);
    EXPECT_EQ(JustPathnameZ(r.in), r.path);
    EXPECT_EQ(JustFilenameZ(r.in), r.file);
    EXPECT_EQ(JustExtensionZ(r.in), r.ext);
    EXPECT_EQ(JustName(r.in), r.name);
  }
  EXPECT_EQ(ForceExtensionZ("DIR.X\\FILE", "LOG"), "DIR.X\\FILE.LOG");
  EXPECT_EQ(ForceExtensionZ("A.TXT", "LOG"), "A.LOG");
  EXPECT_EQ(DefaultExtensionZ("A", "TRC"), "A.TRC");
  EXPECT_EQ(DefaultExtensionZ("A.X", "TRC"), "A.X");
  EXPECT_EQ(AddBackSlash("C:"), "C:");
  EXPECT_EQ(AddBackSlash("C:\\D"), "C:\\D\\");
  EXPECT_EQ(AddBackSlash(""), "");
  int32_t n = 0;
  EXPECT_TRUE(Str2LongZ("-2147483648", n));
  EXPECT_EQ(n, INT32_MIN);
  EXPECT_FALSE(Str2LongZ("2147483648", n));
  EXPECT_FALSE(Str2LongZ("12a", n));
}

// A stream that hands out at most `chunk` bytes a read, like a pipe (which does not know
// its size) or a slow file.
class BytesStream : public ILinkStream {
 public:
  BytesStream(std::string data, size_t chunk) : data_(std::move(data)), chunk_(chunk) {}
  uint64_t Size() override { return chunk_ < TLineReader::kPageSize ? 0 : data_.size(); }
  size_t Read(uint8_t* buf, size_t len) override {
    size_t n = std::min({len, chunk_, data_.size() - pos_});
    std::memcpy(buf, data_.data() + pos_, n);
    pos_ += n;
    return n;
  }

 private:
  std::string data_;
  size_t chunk_;
  size_t pos_ = 0;
};

std::vector<std::string> AllLines(const std::string& data, size_t chunk = 1 << 20) {
  BytesStream s(data, chunk);
  TLineReader r(s);
  std::vector<std::string> lines;
  while (!r.Eof()) lines.push_back(r.NextLine());
  return lines;
}

TEST(LinkLineReader, SplitsLines) {
  using V = std::vector<std::string>;
  EXPECT_EQ(AllLines("A\r\nB\rC"), (V{"A", "B", "C"}));
  EXPECT_EQ(AllLines("A\r\nB\r\n\x1A"), (V{"A", "B"}));
  EXPECT_EQ(AllLines("A\r\nB\x1A"), (V{"A", "B"}));
  EXPECT_EQ(AllLines(""), V{});
  EXPECT_EQ(AllLines("\r\r\n"), (V{"", ""}));
}

TEST(LinkLineReader, PagesThatSplitCrLf) {
  // The CR is the last byte of the first page and the LF the first of the next.
  std::string first(4095, 'x');
  std::string data = first + "\r\nnext\r\nlast";
  using V = std::vector<std::string>;
  EXPECT_EQ(AllLines(data), (V{first, "next", "last"}));
  // A line longer than a page, and pages cut short by the stream.
  std::string longLine(9000, 'y');
  EXPECT_EQ(AllLines(longLine + "\r\nz", 4096), (V{longLine, "z"}));
  // A Ctrl-Z inside the text is data; only the last byte of the stream is dropped.
  std::string mid = std::string(4095, 'a') + "\x1A" + "b\x1A";
  EXPECT_EQ(AllLines(mid), (V{std::string(4095, 'a') + "\x1A" + "b"}));
}

TEST(LinkLineReader, ShortReadsDoNotEndTheText) {
  using V = std::vector<std::string>;
  std::string text = "first\r\nsec\x1Aond\r\n\x1A\x1Athird\x1A";
  for (size_t chunk : {1, 2, 3, 5}) {
    SCOPED_TRACE(chunk);
    EXPECT_EQ(AllLines(text, chunk), (V{"first", "sec\x1Aond", "\x1A\x1Athird"}));
  }
}

}  // namespace
