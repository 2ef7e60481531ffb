// Asynchronous name lookups of TZSocket: real ones through Winsock, and replies that the
// fault table holds back to answer at awkward moments.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CommTestKit.h"
#include "comm/ZSocket.h"

using namespace quiro::comm::test;

namespace {

class ZSocketTest : public ::testing::Test {
 protected:
  ZSocketTest() {
    dns.OnNameResolved = [this](TComponent*) { events.push_back("resolved " + dns.RemoteAddr); };
    dns.OnNameLookupFailed = [this](TComponent*) { events.push_back("failed"); };
    dns.OnError = [this](TComponent*, SOCKET, int code, const std::string& text) {
      events.push_back("error " + std::to_string(code) + " " + text);
    };
  }
  std::vector<std::string> events;
  TZSocket dns;
};

TEST_F(ZSocketTest, LocalhostResolvesOnce) {
  dns.GetRemoteName("localhost");
  EXPECT_EQ(dns.State(), TZSocket::stLookingUp);
  ASSERT_TRUE(PumpUntil([&] { return !events.empty(); }));
  PumpPending();
  EXPECT_EQ(events, std::vector<std::string>{"resolved 127.0.0.1"});
  EXPECT_EQ(dns.State(), TZSocket::stResolved);
}

TEST_F(ZSocketTest, AMissingNameFailsOnceAndKeepsTheAddress) {
  dns.RemoteAddr = "10.1.1.1";
  dns.GetRemoteName("no-such-host.invalid");
  ASSERT_TRUE(PumpUntil([&] { return !events.empty(); }, 30000));
  PumpPending();
  EXPECT_EQ(events, std::vector<std::string>{"failed"});
  EXPECT_EQ(dns.RemoteAddr, "10.1.1.1");
  EXPECT_EQ(dns.State(), TZSocket::stLookingUp);
}

TEST_F(ZSocketTest, CancelledLookupsStaySilent) {
  FaultyWinsock faulty;
  faulty.faults.lookups = WinsockFaults::Lookups::Hold;
  // Cancelled before the reply came: Winsock sends nothing.
  dns.GetRemoteName("host.one");
  dns.ZAsyncCancel();
  EXPECT_EQ(dns.State(), TZSocket::stCancelled);
  faulty.Answer(0);
  // Cancelled after the reply was queued: it arrives, and is not taken.
  dns.GetRemoteName("host.two");
  faulty.Answer(1);
  dns.ZAsyncCancel();
  PumpPending();
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(dns.State(), TZSocket::stCancelled);
  EXPECT_TRUE(faulty.faults.held[0].cancelled);
}

TEST_F(ZSocketTest, OnlyTheReplyOfTheLatestLookupCounts) {
  FaultyWinsock faulty;
  faulty.faults.lookups = WinsockFaults::Lookups::Hold;
  dns.GetRemoteName("old.example");
  faulty.Answer(0, 0x0101010A);  // 10.1.1.1, queued but not yet seen
  dns.GetRemoteName("new.example");
  PumpPending();
  EXPECT_TRUE(events.empty());
  faulty.Answer(1);
  PumpPending();
  EXPECT_EQ(events, std::vector<std::string>{"resolved 127.0.0.1"});
  // A reply that carries no IPv4 address is a failed lookup.
  dns.GetRemoteName("odd.example");
  faulty.Answer(2, 0, 0, true);
  PumpPending();
  EXPECT_EQ(events.back(), "failed");
  dns.GetRemoteName("gone.example");
  faulty.Answer(3, 0, WSAHOST_NOT_FOUND);
  PumpPending();
  EXPECT_EQ(events.size(), 3u);
  EXPECT_EQ(events.back(), "failed");
}

TEST_F(ZSocketTest, LookupsThatCannotStartAreErrors) {
  dns.GetRemoteName("");
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].rfind("error ", 0), 0u);
  EXPECT_EQ(dns.State(), TZSocket::stError);
  FaultyWinsock faulty;
  faulty.faults.lookups = WinsockFaults::Lookups::Fail;
  dns.GetRemoteName("host.example");
  EXPECT_EQ(events.back(), "error 10050 Network is down");
  EXPECT_EQ(TZSocket::SocketErrorText(10038), "Socket operation on non-socket");
  EXPECT_EQ(TZSocket::SocketErrorText(10061), "Connection refused");
  EXPECT_EQ(TZSocket::SocketErrorText(10071), "Too many levels of remote in path");
  EXPECT_EQ(TZSocket::SocketErrorText(10072), "Not a WinSock error");
}

}  // namespace
