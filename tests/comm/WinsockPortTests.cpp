// The Winsock port against real TCP servers on 127.0.0.1, started by the tests, and
// against a Winsock table that injects faults.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>
#include <string>
#include <vector>

#include "CommTestKit.h"
#include "comm/CommExcept.h"
#include "comm/WinsockPort.h"

using namespace quiro::comm::test;

namespace {

class WinsockPortTest : public ::testing::Test {
 protected:
  WinsockPortTest() {
    port.SetDeviceLayer(dlWinsock);
    port.AutoOpen = false;
    port.Telnet = false;
    port.OnWsConnect = [this](TComponent*) { events.push_back("connect"); };
    port.OnWsDisconnect = [this](TComponent*) {
      events.push_back("disconnect");
      atDisconnect = received.size();
    };
    port.OnWsError = [this](TComponent*, int32_t e) { errors.push_back(e); };
    port.SetOnTriggerAvail([this](TComponent*, uint16_t n) {
      std::string s(n, '\0');
      port.GetBlock(s.data(), n);
      received += s;
    });
  }
  void Connect(uint16_t p) {
    port.SetWsAddress("127.0.0.1");
    port.SetWsPort(std::to_string(p));
    port.SetOpen(true);
  }
  int Count(const std::string& e) const { return int(std::count(events.begin(), events.end(), e)); }
  bool Closed() const { return Count("disconnect") > 0; }

  std::vector<std::string> events;
  std::vector<int32_t> errors;
  std::string received;
  size_t atDisconnect = 0;
  // The server goes after the port, whose close ends the server's reading.
  std::optional<TestServer> server;
  TLinkWinsockPort port;
};

TEST_F(WinsockPortTest, EchoBothWaysAndALocalClose) {
  server.emplace(&Echo);
  Connect(server->Port());
  ASSERT_TRUE(PumpUntil([&] { return Count("connect") == 1; }));
  EXPECT_EQ(port.DeviceLayer(), dlWinsock);
  EXPECT_EQ(port.TapiMode, TTapiMode::tmOff);
  std::string text = "hello\r\n" + PatternBytes(3000, 1);
  port.PutString(text);
  ASSERT_TRUE(PumpUntil([&] { return received.size() >= text.size(); }));
  EXPECT_EQ(received, text);
  port.SetOpen(false);
  EXPECT_EQ(Count("disconnect"), 1);
  EXPECT_EQ(port.PortState(), psClosed);
  EXPECT_TRUE(errors.empty());
}

// A host that sends its last screen and closes at once: every byte reaches the port before
// it hears of the close, also when the screen is larger than all the rings together and
// the close is noticed while the screen still waits in the socket (as Windows tells of it
// when the peer's FIN arrives; here the notice is sent early and the first reads find
// nothing).
TEST_F(WinsockPortTest, AClosingHostsLastScreenArrivesWhole) {
  FaultyWinsock faulty;
  std::string screen = PatternBytes(200000, 2);
  for (bool early : {false, true}) {
    SCOPED_TRACE(early);
    events.clear();
    received.clear();
    server.emplace([&](SOCKET s) { SendAll(s, screen); });
    Connect(server->Port());
    if (early) {
      faulty.faults.wouldBlockRecvs = 1000;
      ASSERT_TRUE(PumpUntil([&] { return Count("connect") == 1; }));
      SOCKET s = SOCKET(port.WinsockDispatcher()->ComHandle);
      PostMessageA(LinkDeviceSocket().Handle(), LinkMsgSocketEvent, WPARAM(s), WSAMAKESELECTREPLY(FD_CLOSE, 0));
      PumpPending();
      EXPECT_FALSE(Closed());
      faulty.faults.wouldBlockRecvs = 0;
    }
    ASSERT_TRUE(PumpUntil([&] { return Closed(); }, 30000));
    EXPECT_EQ(atDisconnect, screen.size());
    EXPECT_TRUE(received == screen);
    EXPECT_EQ(Count("disconnect"), 1);
    EXPECT_EQ(port.PortState(), psClosed);
    EXPECT_FALSE(port.Open());
  }
}

TEST_F(WinsockPortTest, ARefusedConnectionIsAnErrorEventAndThePortStaysOpen) {
  Connect(RefusingPort());
  ASSERT_TRUE(PumpUntil([&] { return !errors.empty(); }));
  EXPECT_EQ(errors, std::vector<int32_t>{10061});
  EXPECT_EQ(Count("connect"), 0);
  EXPECT_EQ(port.PortState(), psOpen);
  port.SetOpen(false);
  EXPECT_EQ(Count("disconnect"), 1);
}

TEST_F(WinsockPortTest, APeerThatResetsClosesThePortOnce) {
  std::string data = PatternBytes(50000, 3);
  server.emplace([&](SOCKET s) {
    SendAll(s, data);
    linger l{1, 0};
    ::setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&l), sizeof l);
  });
  Connect(server->Port());
  ASSERT_TRUE(PumpUntil([&] { return Closed(); }, 30000));
  PumpPending();
  EXPECT_EQ(Count("disconnect"), 1);
  EXPECT_EQ(port.PortState(), psClosed);
  EXPECT_EQ(data.compare(0, received.size(), received), 0);  // what came is what was sent
}

TEST_F(WinsockPortTest, OpeningNeedsAnAddressAndAPort) {
  struct Row {
    const char* address;
    const char* service;
    int32_t code;
  } rows[] = {
      {"", "23", ecDestinationRequired},
      {"no-such-host.invalid", "23", ecCannotResolve},
      {"127.0.0.1", "0", ecInvalidPort},
      {"127.0.0.1", "no-such-service", ecInvalidPort},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.address + std::string(" ") + r.service);
    port.SetWsAddress(r.address);
    port.SetWsPort(r.service);
    try {
      port.SetOpen(true);
      ADD_FAILURE() << "opened";
    } catch (const ELinkSocketException& e) {
      EXPECT_EQ(e.ErrorCode, r.code);
    }
    EXPECT_EQ(port.PortState(), psClosed);
    EXPECT_EQ(port.PortWindow(), 0u);
  }
  TLinkDeviceSocket& ds = LinkDeviceSocket();
  EXPECT_EQ(ds.LookupService("telnet"), 23);
  EXPECT_EQ(ds.String2NetAddr(" 127.0.0.1 "), 0x0100007Fu);
  EXPECT_EQ(ds.String2NetAddr("192.168.001.100.example.net"), INADDR_NONE);
  port.SetWsAddress("  127.0.0.1  ");
  EXPECT_EQ(port.WsAddress(), "127.0.0.1");
}

TEST_F(WinsockPortTest, PeerSettingsAreFixedWhileOpen) {
  server.emplace([](SOCKET s) { RecvAll(s); });
  Connect(server->Port());
  port.SetWsAddress(" 127.0.0.1");  // the same after trimming: allowed
  EXPECT_THROW(port.SetWsPort("24"), ELinkSocketException);
  EXPECT_THROW(port.SetWsMode(wsServer), ELinkSocketException);
  port.SetDeviceLayer(dlWin32);  // ignored while open
  EXPECT_EQ(port.DeviceLayer(), dlWinsock);
}

TEST_F(WinsockPortTest, TenMegabytesArriveIntact) {
  std::string data = PatternBytes(10 << 20, 4);
  server.emplace([&](SOCKET s) { SendAll(s, data); });
  Connect(server->Port());
  ASSERT_TRUE(PumpUntil([&] { return Closed(); }, 120000));
  EXPECT_EQ(received.size(), data.size());
  EXPECT_TRUE(received == data);
}

// The socket takes nothing for a while: the output ring fills, a block that does not fit
// is refused whole, and once the socket takes data again everything leaves in order.
TEST_F(WinsockPortTest, ASocketThatTakesNothingFillsTheOutputRing) {
  FaultyWinsock faulty;
  std::string got;
  server.emplace([&](SOCKET s) { got = RecvAll(s); });
  Connect(server->Port());
  ASSERT_TRUE(PumpUntil([&] { return Count("connect") == 1; }));
  faulty.faults.wouldBlockSends = 1 << 30;
  std::string sent;
  for (uint32_t seed = 10;; ++seed) {
    std::string block = PatternBytes(1000, seed);
    try {
      port.PutBlock(block.data(), uint32_t(block.size()));
    } catch (const EOutputBufferTooSmall&) {
      break;
    }
    sent += block;
    ASSERT_LT(sent.size(), 100000u) << "the ring never filled";
  }
  EXPECT_EQ(sent.size(), 4000u);
  EXPECT_LT(port.GetOutBuffFree(), 1000);
  faulty.faults.wouldBlockSends = 0;
  faulty.faults.sendLimit = 7;  // short sends from now on
  ASSERT_TRUE(PumpUntil([&] { return port.GetOutBuffUsed() == 0; }));
  port.SetOpen(false);
  server.reset();
  EXPECT_TRUE(got == sent);
}

TEST_F(WinsockPortTest, WouldBlockStormsAndShortSendsLoseNothing) {
  FaultyWinsock faulty;
  server.emplace(&Echo);
  Connect(server->Port());
  ASSERT_TRUE(PumpUntil([&] { return Count("connect") == 1; }));
  faulty.faults.sendLimit = 3;
  std::string text = PatternBytes(20000, 5);
  for (size_t at = 0; at < text.size(); at += 2000) {
    faulty.faults.wouldBlockRecvs = 5;
    std::string piece = text.substr(at, 2000);
    ASSERT_TRUE(PumpUntil([&] { return port.GetOutBuffFree() >= piece.size(); }));
    port.PutString(piece);
  }
  ASSERT_TRUE(PumpUntil([&] { return received.size() >= text.size(); }, 30000));
  EXPECT_TRUE(received == text);
}

TEST_F(WinsockPortTest, AReadFailureClosesThePortAndReportsTheReset) {
  FaultyWinsock faulty;
  faulty.faults.resetAfter = 1000;
  std::string data = PatternBytes(5000, 6);
  server.emplace([&](SOCKET s) {
    SendAll(s, data);
    RecvAll(s);
  });
  Connect(server->Port());
  ASSERT_TRUE(PumpUntil([&] { return Closed(); }));
  PumpPending();
  EXPECT_EQ(received, data.substr(0, 1000));
  EXPECT_EQ(errors, std::vector<int32_t>{10054});
  EXPECT_EQ(Count("disconnect"), 1);
}

TEST_F(WinsockPortTest, AConnectRefusedAtOnceFailsTheOpenWhole) {
  FaultyWinsock faulty;
  faulty.faults.refuseConnect = true;
  try {
    Connect(RefusingPort());
    ADD_FAILURE() << "opened";
  } catch (const ELinkSocketException& e) {
    EXPECT_EQ(e.ErrorCode, 10061);
    EXPECT_STREQ(e.what(), "The attempt to connect was forcibly refused");
  }
  EXPECT_EQ(port.PortState(), psClosed);
  EXPECT_EQ(port.PortWindow(), 0u);
  EXPECT_TRUE(events.empty());
}

// A listening port: a client that is accepted sends its line and goes; a refused one is
// cut off; the port goes on listening.
TEST_F(WinsockPortTest, AListeningPortAcceptsOrRefusesItsPeers) {
  uint16_t p = RefusingPort();
  bool accept = true;
  std::vector<uint32_t> peers;
  port.OnWsAccept = [&](TComponent*, uint32_t addr, bool& ok) {
    peers.push_back(addr);
    ok = accept;
  };
  port.SetWsMode(wsServer);
  port.SetWsPort(std::to_string(p));
  port.SetOpen(true);
  auto client = [p](const std::string& line) {
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(p);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    SendAll(s, line);
    ::shutdown(s, SD_SEND);
    std::string back = RecvAll(s);
    ::closesocket(s);
    return back;
  };
  std::thread first([&] { client("first\r\n"); });
  ASSERT_TRUE(PumpUntil([&] { return Closed(); }));
  first.join();
  EXPECT_EQ(received, "first\r\n");
  EXPECT_EQ(peers, std::vector<uint32_t>{0x0100007Fu});
  EXPECT_EQ(port.PortState(), psOpen);  // still listening
  accept = false;
  std::thread second([&] { client("second"); });
  ASSERT_TRUE(PumpUntil([&] { return peers.size() == 2; }));
  second.join();
  PumpPending();
  EXPECT_EQ(received, "first\r\n");
  port.SetOpen(false);
  EXPECT_EQ(Count("disconnect"), 2);
}

TEST(WinsockLayer, WithoutWinsockTheFirstUseSaysSo) {
  TLinkWinsockTable broken = TableWithoutSelect();
  SetLinkWinsockTable(&broken);
  TLinkSocket s;
  SetLinkWinsockTable(nullptr);
  try {
    s.CreateSocket();
    ADD_FAILURE();
  } catch (const ELinkSocketException& e) {
    EXPECT_EQ(e.ErrorCode, ecWinsockNotReady);
    EXPECT_STREQ(e.what(), "Winsock not initialized - Error loading Winsock DLL");
  }
}

// The inetutils telnet server, through the library's own telnet filter: the terminal type
// is answered from the device socket, and binary mode goes both ways.
TEST_F(WinsockPortTest, TelnetServerThroughTheFilter) {
  const std::string dir = "/tmp/quiro-comm-" + std::to_string(GetCurrentProcessId());
  const std::string winDir = "Z:" + dir;
  CreateDirectoryA(winDir.c_str(), nullptr);
  {
    std::ofstream probe(winDir + "/probe.sh", std::ios::binary);
    probe << "#!/bin/sh\n"
             "echo \"TERM=$TERM\"\n"
             "stty raw -echo\n"
             "echo READY\n"
             "printf 'GOT=%s\\n' \"$(head -c 4 | od -An -tx1 | tr -d ' \\n')\"\n"
             "printf 'HIGH=\\377\\200\\n'\n"
             "sleep 1\n";
  }
  std::string cmd = std::string(QUIRO_COMM_PEER) + " telnetd " + dir + "/port " + dir + "/probe.sh";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::string unixExe = std::string("Z:") + QUIRO_COMM_PEER;
  ASSERT_TRUE(CreateProcessA(unixExe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  std::string portText;
  ASSERT_TRUE(PumpUntil([&] {
    std::ifstream f(winDir + "/port");
    return bool(std::getline(f, portText)) && !portText.empty();
  }));

  port.Telnet = true;
  Connect(uint16_t(std::stoi(portText)));
  ASSERT_TRUE(PumpUntil([&] { return received.find("READY") != std::string::npos; }, 20000)) << received;
  EXPECT_NE(received.find("TERM=vt100"), std::string::npos) << received;
  TWsConnection* c = port.WinsockDispatcher()->Connection();
  c->Buffers.TelnetRequest(TTelnetFilter::WILL, TTelnetFilter::optBinary, *c);
  c->Buffers.TelnetRequest(TTelnetFilter::DO, TTelnetFilter::optBinary, *c);
  ASSERT_TRUE(PumpUntil([&] {
    TTelnetFilter* f = c->Buffers.Telnet();
    return f->OwnOption(TTelnetFilter::optBinary) == tnoTrue && f->PeerOption(TTelnetFilter::optBinary) == tnoTrue;
  }));
  const char payload[] = {'\xC7', '\xFF', '\r', '\0'};
  port.PutBlock(payload, sizeof payload);
  ASSERT_TRUE(PumpUntil([&] { return received.find("HIGH=") != std::string::npos; }, 20000)) << received;
  EXPECT_NE(received.find("GOT=c7ff0d00"), std::string::npos) << received;
  EXPECT_NE(received.find("HIGH=\xFF\x80"), std::string::npos) << received;
  EXPECT_EQ(received.find('\xFF' + std::string("\xFB")), std::string::npos);  // no negotiation in the data
  ASSERT_TRUE(PumpUntil([&] { return Closed(); }, 20000));
  DeleteFileA((winDir + "/probe.sh").c_str());
  DeleteFileA((winDir + "/port").c_str());
  RemoveDirectoryA(winDir.c_str());
}

}  // namespace
