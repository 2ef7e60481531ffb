// Asynchronous name lookups of TZSocket: real ones through Winsock, and replies that the
// fault table holds back to answer at awkward moments.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
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

TEST_F(ZSocketTest, RealLookupsEndInOneEventEach) {
  dns.GetRemoteName("localhost");
  EXPECT_EQ(dns.State(), TZSocket::stLookingUp);
  ASSERT_TRUE(PumpUntil([&] { return !events.empty(); }));
  PumpPending();
  EXPECT_EQ(std::tuple(events, dns.State()), std::tuple(std::vector<std::string>{"resolved 127.0.0.1"}, TZSocket::stResolved));
  dns.GetRemoteName("no-such-host.invalid");  // fails, and leaves the last address
  ASSERT_TRUE(PumpUntil([&] { return events.size() == 2; }, 30000));
  PumpPending();
  EXPECT_EQ(std::tuple(events.back(), events.size(), dns.RemoteAddr, dns.State()),
            std::tuple("failed", 2u, "127.0.0.1", TZSocket::stLookingUp));
}

TEST_F(ZSocketTest, CancelledLookupsStaySilent) {
  FaultyWinsock faulty;
  faulty.lookups = FaultyWinsock::Lookups::Hold;
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
  EXPECT_TRUE(faulty.held[0].cancelled);
}

TEST_F(ZSocketTest, OnlyTheReplyOfTheLatestLookupCounts) {
  FaultyWinsock faulty;
  faulty.lookups = FaultyWinsock::Lookups::Hold;
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
  faulty.lookups = FaultyWinsock::Lookups::Fail;
  dns.GetRemoteName("host.example");
  EXPECT_EQ(events.back(), "error 10050 Network is down");
}

}  // namespace
