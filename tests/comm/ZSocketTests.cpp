// TZSocket under Wine: asynchronous name lookups (real ones, and replies that the fault table
// holds back to answer at awkward moments) and connections between two components on 127.0.0.1.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
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

// ---- Connections between two components on 127.0.0.1 ----------------------------------------

class ZSocketConnectionTest : public ::testing::Test {
 protected:
  ZSocketConnectionTest() {
    server.OnConnectionRequest = [this](TComponent*) { log.push_back(server.ZAccept() ? "s:accepted" : "s:turned away"); };
    server.OnSendComplete = [this](TComponent*) { log.push_back("s:sent"); };
    server.OnClose = [this](TComponent*) {
      log.push_back("s:close");
      server.ZClose();
    };
    client.OnConnect = [this](TComponent*) { log.push_back("c:connect"); };
    client.OnSendComplete = [this](TComponent*) { log.push_back("c:sent"); };
    client.OnDataAvailable = [this](TComponent*) {
      char buf[65536];
      for (int n; (n = client.ZReceive(buf, sizeof buf)) > 0;) received.append(buf, size_t(n));
    };
    client.OnClose = [this](TComponent*) {
      log.push_back("c:close " + std::to_string(received.size()));
      client.ZClose();
    };
    for (TZSocket* s : {&server, &client}) {
      s->OnError = [this, s](TComponent*, SOCKET, int code, const std::string&) {
        log.push_back(std::string(s == &server ? "s:" : "c:") + "error " + std::to_string(code) + " " + s->ErrorPlace());
      };
    }
  }
  void Listen() {
    server.LocalPort = "0";
    server.ZListen();
    ASSERT_NE(server.LocalPort, "0");
  }
  void Connect(const std::string& addr) {
    client.RemoteAddr = addr;
    client.RemotePort = server.LocalPort;
    client.ZConnect();
  }
  bool Logged(const std::string& e) const { return std::find(log.begin(), log.end(), e) != log.end(); }
  bool Wait(const std::string& e) { return PumpUntil([&] { return Logged(e); }); }
  bool Connected() { return PumpUntil([&] { return Logged("c:connect") && Logged("s:accepted"); }); }

  std::vector<std::string> log;
  std::string received;  // by the client
  TZSocket server, client;
};

TEST_F(ZSocketConnectionTest, DataBothWaysThenTheClientCloses) {
  Listen();
  Connect("localhost");
  EXPECT_EQ(client.State(), TZSocket::stConnectIssued);
  ASSERT_TRUE(Connected());
  EXPECT_EQ(std::tuple(client.GetRemoteAddr(), std::to_string(client.GetRemotePort()), client.GetPeerAddr()),
            std::tuple("127.0.0.1", server.LocalPort, "127.0.0.1"));
  EXPECT_EQ(std::tuple(server.GetPeerAddr(), server.GetPeerPort()), std::tuple("127.0.0.1", server.GetRemotePort()));

  // Client to server, taken in pieces: a peek leaves the bytes, a receive takes at most
  // BufferSize, Text takes the rest.
  client.SetText("hello");
  EXPECT_TRUE(Logged("c:sent"));
  ASSERT_TRUE(PumpUntil([&] { return server.BytesAvailable == 5; }));
  char buf[16] = {};
  ASSERT_EQ(server.ZPeek(buf, sizeof buf), 5);
  EXPECT_EQ(std::string(buf, 5), "hello");
  server.BufferSize = 3;
  ASSERT_EQ(server.ZReceive(buf, sizeof buf), 3);
  EXPECT_EQ(std::string(buf, 3), "hel");
  EXPECT_EQ(server.GetText(), "lo");
  EXPECT_EQ(server.ZReceive(buf, sizeof buf), SOCKET_ERROR);  // nothing there: no error

  // Server to client, more than the two sockets hold: the rest waits, a later text goes
  // behind it, and the completion is told once, when all has gone.
  int small = 8192, got = 0, size = sizeof got;
  ASSERT_EQ(server.SetSocketOption(SOL_SOCKET, SO_SNDBUF, &small, sizeof small), 0);
  ASSERT_EQ(server.GetSocketOption(SOL_SOCKET, SO_SNDBUF, &got, &size), 0);
  EXPECT_GE(got, small);
  std::string big = PatternBytes(2 << 20, 7);
  server.SetText(big);
  server.SetText("tail");
  EXPECT_FALSE(Logged("s:sent"));
  ASSERT_TRUE(PumpUntil([&] { return received.size() >= big.size() + 4 && Logged("s:sent"); }, 30000));
  EXPECT_TRUE(received == big + "tail");
  EXPECT_EQ(std::count(log.begin(), log.end(), "s:sent"), 1);

  client.ZClose();
  ASSERT_TRUE(Wait("s:close"));
  EXPECT_EQ(std::tuple(server.SocketHandle, Logged("c:close 0")), std::tuple(INVALID_SOCKET, false));
  EXPECT_EQ(std::count_if(log.begin(), log.end(), [](const std::string& e) { return e.find("error") != e.npos; }), 0);
}

// A peer from another address is turned away; one from the allowed address is taken, and
// when the server closes right after its last bytes, the client has them before the close.
TEST_F(ZSocketConnectionTest, LimitAddrAndAServerThatClosesAfterItsLastBytes) {
  server.LimitAddr = "127.0.0.2";
  Listen();
  Connect("127.0.0.1");
  ASSERT_TRUE(Wait("c:close 0"));
  EXPECT_EQ(std::tuple(Logged("s:turned away"), server.SocketHandle), std::tuple(true, INVALID_SOCKET));
  server.LimitAddr = " 127.0.0.1 ";
  log.clear();
  Connect("127.0.0.1");
  ASSERT_TRUE(Connected());
  server.SetText("bye");
  server.ZClose();
  ASSERT_TRUE(Wait("c:close 3"));
  EXPECT_EQ(received, "bye");
}

// Each failure reaches OnError with its code and the place that names the operation.
TEST_F(ZSocketConnectionTest, FailuresNameTheirPlace) {
  client.RemoteAddr = "127.0.0.1";
  client.RemotePort = std::to_string(RefusingPort());
  client.ZConnect();  // refused at once, or later by notice
  ASSERT_TRUE(PumpUntil([&] { return !log.empty(); }));
  EXPECT_TRUE(log[0] == "c:error 10061 FD_CONNECT" || log[0] == "c:error 10061 ZConnect (connect)") << log[0];
  EXPECT_EQ(std::tuple(client.SocketHandle, client.State()), std::tuple(INVALID_SOCKET, TZSocket::stError));
  log.clear();

  Listen();
  TZSocket second;
  second.OnError = [&](TComponent*, SOCKET, int code, const std::string&) {
    log.push_back("error " + std::to_string(code) + " " + second.ErrorPlace());
  };
  char buf[4];
  std::vector<std::pair<std::function<void()>, std::string>> rows = {
      {[&] { second.RemotePort = ""; second.ZConnect(); }, "error 10022 ZConnect"},
      {[&] { second.RemotePort = "1"; second.RemoteAddr = " "; second.ZConnect(); }, "error 10039 ZConnect"},
      {[&] { second.LocalPort = "telnet"; second.ZListen(); }, "error 10022 ZListen (NULL port)"},
      {[&] { second.LocalPort = server.LocalPort; second.ZListen(); }, "error 10048 ZListen (bind)"},
      {[&] { second.ZReceive(buf, sizeof buf); }, "error 10038 ZReceive"},
      {[&] { second.SetText("x"); }, "error 10038 SetText (send)"},
  };
  for (auto& [call, expected] : rows) {
    log.clear();
    call();
    EXPECT_EQ(log, std::vector<std::string>{expected});
  }
  EXPECT_EQ(second.ListenSocketHandle, INVALID_SOCKET);
}

}  // namespace
