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

std::vector<std::string> AllLines(const std::string& data, size_t chunk) {
  BytesStream s(data, chunk);
  TLineReader r(s);
  std::vector<std::string> lines;
  while (!r.Eof()) lines.push_back(r.NextLine());
  return lines;
}

// A row: the text, the most bytes a read hands out, the lines.
TEST(LinkLineReader, SplitsLinesAcrossPagesAndShortReads) {
  using V = std::vector<std::string>;
  const std::string page(4095, 'x'), longLine(9000, 'y');
  const std::string shortReads = "first\r\nsec\x1A" "ond\r\n\x1A\x1Athird\x1A";
  const struct Row {
    std::string text;
    size_t chunk;
    V lines;
  } rows[] = {
      {"A\r\nB\rC", 1 << 20, {"A", "B", "C"}},
      {"A\r\nB\r\n\x1A", 1 << 20, {"A", "B"}},
      {"A\r\nB\x1A", 1 << 20, {"A", "B"}},
      {"", 1 << 20, {}},
      {"\r\r\n", 1 << 20, {"", ""}},
      {page + "\r\nnext\r\nlast", 1 << 20, {page, "next", "last"}},  // CR ends a page, LF starts the next
      {longLine + "\r\nz", 4096, {longLine, "z"}},                   // longer than a page, pages cut short
      {page + "\x1A" "b\x1A", 1 << 20, {page + "\x1A" "b"}},          // only the stream's last Ctrl-Z goes
      {shortReads, 1, {"first", "sec\x1A" "ond", "\x1A\x1Athird"}},
      {shortReads, 2, {"first", "sec\x1A" "ond", "\x1A\x1Athird"}},
      {shortReads, 3, {"first", "sec\x1A" "ond", "\x1A\x1Athird"}},
      {shortReads, 5, {"first", "sec\x1A" "ond", "\x1A\x1Athird"}},
  };
  for (const Row& r : rows) EXPECT_EQ(AllLines(r.text, r.chunk), r.lines) << r.text.size() << " bytes, reads of " << r.chunk;
}

}  // namespace
