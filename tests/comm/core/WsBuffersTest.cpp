#include "comm/core/WsBuffers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <string>

namespace {

// A scripted socket: each Recv answers from the next script entry (its bytes, or its code
// when it has none), each Send takes at most `sendRoom` bytes.
struct ScriptSocket : ILinkSocketIO {
  std::deque<std::pair<std::string, int32_t>> script;
  std::string wire;
  uint32_t sendRoom = 1u << 30;
  int recvCalls = 0;

  int32_t Recv(uint8_t* buf, int32_t size) override {
    ++recvCalls;
    if (script.empty()) return kLinkWouldBlock;
    auto& [bytes, code] = script.front();
    int32_t n = bytes.empty() ? code : std::min<int32_t>(size, int32_t(bytes.size()));
    if (n > 0) {
      std::copy_n(bytes.begin(), n, buf);
      bytes.erase(0, size_t(n));
    }
    if (bytes.empty()) script.pop_front();
    return n;
  }
  int32_t Send(const uint8_t* buf, int32_t size) override {
    uint32_t n = std::min<uint32_t>(uint32_t(size), sendRoom);
    sendRoom -= n;
    wire.append(reinterpret_cast<const char*>(buf), n);
    return n ? int32_t(n) : kLinkWouldBlock;
  }
};

std::string ReadAll(TWsBuffers& b) {
  std::string s(b.InChars(), '\0');
  b.Read(reinterpret_cast<uint8_t*>(s.data()), uint32_t(s.size()));
  return s;
}

bool Write(TWsBuffers& b, const std::string& s, ScriptSocket& io) {
  return b.Write(reinterpret_cast<const uint8_t*>(s.data()), uint32_t(s.size()), io);
}

TEST(WsBuffers, ReadsWhatFitsAndNoticesTheEnd) {
  ScriptSocket io;
  TWsBuffers b(8, 100, false), c(8, 100, false);
  io.script = {{"0123456789abc", 0}, {"", kLinkWouldBlock}, {"", 0}, {"", -10054}};
  EXPECT_EQ(b.Pull(io), 8u);
  EXPECT_EQ(b.Pull(io), 0u);
  EXPECT_EQ(io.recvCalls, 1);  // a full ring does not read
  EXPECT_EQ(ReadAll(b), "01234567");
  EXPECT_EQ(b.Pull(io), 5u);
  b.Pull(io);
  EXPECT_FALSE(b.PeerClosed());  // would block: nothing now
  b.Pull(io);
  EXPECT_TRUE(b.PeerClosed());
  EXPECT_EQ(ReadAll(b), "89abc");
  c.Pull(io);
  EXPECT_EQ(c.Error(), 10054);
}

// What the socket does not take waits, in order. The output ring is OutSize + 4096 bytes:
// a block that its telnet doubling would not fit is refused whole.
TEST(WsBuffers, OutputWaitsInOrderAndABlockThatCannotFitIsRefused) {
  ScriptSocket io;
  TWsBuffers b(8, 16, false);
  io.sendRoom = 3;
  EXPECT_TRUE(Write(b, "abcdef", io));
  EXPECT_EQ(b.OutChars(), 3u);
  EXPECT_TRUE(Write(b, "gh", io));
  io.sendRoom = 100;
  EXPECT_EQ(b.Flush(io), 0u);
  EXPECT_EQ(io.wire, "abcdefgh");
  io.sendRoom = 0;
  TWsBuffers plain(8, 200, false), telnet(8, 200, true);
  EXPECT_TRUE(Write(plain, std::string(4200, '\xFF'), io));
  EXPECT_FALSE(Write(telnet, std::string(4200, '\xFF'), io));
  EXPECT_EQ(telnet.OutChars(), 0u);
  EXPECT_TRUE(Write(telnet, std::string(2148, '\xFF'), io));
  EXPECT_EQ(telnet.OutChars(), 4296u);
  EXPECT_FALSE(Write(telnet, "x", io));
}

TEST(WsBuffers, TelnetAnswersQueueBehindHalfSentOutput) {
  ScriptSocket io;
  TWsBuffers b(64, 64, true);
  io.sendRoom = 1;
  ASSERT_TRUE(Write(b, "\xFF", io));  // half of the doubled 255 goes out
  io.script = {{std::string("a\xFF\xFD\x18" "b"), 0}};
  EXPECT_EQ(b.Pull(io), 2u);
  EXPECT_EQ(ReadAll(b), "ab");
  io.sendRoom = 100;
  b.Flush(io);
  EXPECT_EQ(io.wire, "\xFF\xFF\xFF\xFB\x18");
}

}  // namespace
