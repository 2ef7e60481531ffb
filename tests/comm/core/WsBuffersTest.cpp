#include "comm/core/WsBuffers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <string>

namespace {

// A scripted socket: each Recv answers from the next script entry (bytes, or a result code
// when the entry is empty), each Send takes at most `sendRoom` bytes.
class ScriptSocket : public ILinkSocketIO {
 public:
  struct Step {
    std::string bytes;
    int32_t result = 0;  // used when bytes is empty
  };
  std::deque<Step> script;
  std::string wire;
  uint32_t sendRoom = 1u << 30;
  int recvCalls = 0;

  int32_t Recv(uint8_t* buf, int32_t size) override {
    ++recvCalls;
    if (script.empty()) return kLinkWouldBlock;
    Step& s = script.front();
    if (s.bytes.empty()) {
      int32_t r = s.result;
      script.pop_front();
      return r;
    }
    int32_t n = std::min<int32_t>(size, int32_t(s.bytes.size()));
    std::copy_n(s.bytes.begin(), n, buf);
    s.bytes.erase(0, size_t(n));
    if (s.bytes.empty()) script.pop_front();
    return n;
  }
  int32_t Send(const uint8_t* buf, int32_t size) override {
    if (sendRoom == 0) return kLinkWouldBlock;
    uint32_t n = std::min<uint32_t>(uint32_t(size), sendRoom);
    sendRoom -= n;
    wire.append(reinterpret_cast<const char*>(buf), n);
    return int32_t(n);
  }
};

std::string ReadAll(TWsBuffers& b) {
  std::string s(b.InChars(), '\0');
  b.Read(reinterpret_cast<uint8_t*>(s.data()), uint32_t(s.size()));
  return s;
}

TEST(WsBuffers, ReadsWhatFitsAndNoticesTheEnd) {
  ScriptSocket io;
  TWsBuffers b(8, 100, false);
  io.script = {{"0123456789abc"}, {"", kLinkWouldBlock}, {"", 0}};
  EXPECT_EQ(b.Pull(io), 8u);
  EXPECT_TRUE(b.InputFull());
  EXPECT_EQ(b.Pull(io), 0u);
  EXPECT_EQ(io.recvCalls, 1);  // a full ring does not read
  EXPECT_EQ(ReadAll(b), "01234567");
  EXPECT_EQ(b.Pull(io), 5u);
  EXPECT_EQ(b.Pull(io), 0u);
  EXPECT_FALSE(b.PeerClosed());  // would block: nothing now
  EXPECT_EQ(b.Pull(io), 0u);
  EXPECT_TRUE(b.PeerClosed());
  EXPECT_EQ(ReadAll(b), "89abc");

  TWsBuffers c(8, 100, false);
  io.script = {{"", -10054}};
  c.Pull(io);
  EXPECT_EQ(c.Error(), 10054);
  EXPECT_FALSE(c.PeerClosed());
}

TEST(WsBuffers, OutputWaitsForTheSocketInOrder) {
  ScriptSocket io;
  TWsBuffers b(8, 16, false);
  io.sendRoom = 3;
  EXPECT_TRUE(b.Write(reinterpret_cast<const uint8_t*>("abcdef"), 6, io));
  EXPECT_EQ(io.wire, "abc");
  EXPECT_EQ(b.OutChars(), 3u);
  EXPECT_TRUE(b.Write(reinterpret_cast<const uint8_t*>("gh"), 2, io));
  io.sendRoom = 100;
  EXPECT_EQ(b.Flush(io), 0u);
  EXPECT_EQ(io.wire, "abcdefgh");
}

// The output ring is OutSize + 4096 bytes: a block that its telnet doubling would not fit
// is refused whole instead of running past the ring.
TEST(WsBuffers, ABlockThatCannotFitAfterDoublingIsRefused) {
  ScriptSocket io;
  io.sendRoom = 0;
  std::string ffs(4200, '\xFF');
  auto p = reinterpret_cast<const uint8_t*>(ffs.data());
  TWsBuffers plain(8, 200, false), telnet(8, 200, true);
  EXPECT_TRUE(plain.Write(p, 4200, io));
  EXPECT_FALSE(telnet.Write(p, 4200, io));
  EXPECT_EQ(telnet.OutChars(), 0u);
  EXPECT_TRUE(telnet.Write(p, 2148, io));
  EXPECT_EQ(telnet.OutChars(), 4296u);
  EXPECT_FALSE(telnet.Write(reinterpret_cast<const uint8_t*>("x"), 1, io));
}

TEST(WsBuffers, TelnetAnswersQueueBehindHalfSentOutput) {
  ScriptSocket io;
  TWsBuffers b(64, 64, true);
  io.sendRoom = 1;
  ASSERT_TRUE(b.Write(reinterpret_cast<const uint8_t*>("\xFF"), 1, io));
  EXPECT_EQ(io.wire, "\xFF");  // half of the doubled 255 went out
  io.script = {{std::string("a\xFF\xFD\x18" "b")}};
  EXPECT_EQ(b.Pull(io), 2u);
  EXPECT_EQ(ReadAll(b), "ab");
  io.sendRoom = 100;
  b.Flush(io);
  EXPECT_EQ(io.wire, "\xFF\xFF\xFF\xFB\x18");

  b.TelnetRequest(TTelnetFilter::DO, TTelnetFilter::optBinary, io);
  EXPECT_EQ(io.wire.substr(5), std::string("\xFF\xFD\0", 3));
  EXPECT_EQ(b.Telnet()->PeerOption(TTelnetFilter::optBinary), tnoNegotiating);
}

}  // namespace
