// The Winsock port against real TCP servers on 127.0.0.1, started by the tests, and
// against a Winsock table that injects faults.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "CommTestKit.h"
#include "comm/CommExcept.h"
#include "comm/SocketLayer.h"
#include "comm/WinsockPort.h"

using namespace quiro::comm::test;

namespace {

class WinsockPortTest : public ::testing::Test {
 protected:
  WinsockPortTest() {
    port.SetDeviceLayer(dlWinsock);
    port.Telnet = false;
    port.OnWsConnect = [this](TComponent*) { events.push_back("connect"); };
    port.OnWsDisconnect = [this](TComponent*) {
      events.push_back("disconnect");
      atDisconnect = received.size();
    };
    port.OnWsError = [this](TComponent*, int32_t e) { errors.push_back(e); };
    CollectInput(port, received);
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
  std::optional<TestServer> server;  // goes after the port, whose close ends its reading
  TLinkWinsockPort port;
};

TEST_F(WinsockPortTest, EchoAndALocalClose) {
  server.emplace(&Echo);
  Connect(server->Port());
  ASSERT_TRUE(PumpUntil([&] { return Count("connect") == 1; }));
  EXPECT_EQ(std::tuple(port.DeviceLayer(), port.TapiMode), std::tuple(dlWinsock, TTapiMode::tmOff));
  port.SetWsAddress(" 127.0.0.1");  // the same after trimming: allowed while open
  EXPECT_THROW(port.SetWsPort("24"), ELinkSocketException);
  EXPECT_THROW(port.SetWsMode(wsServer), ELinkSocketException);
  std::string text = "hello\r\n" + PatternBytes(3000, 1);
  port.PutString(text);
  ASSERT_TRUE(PumpUntil([&] { return received.size() >= text.size(); }));
  EXPECT_EQ(received, text);
  port.SetOpen(false);
  EXPECT_EQ(std::tuple(Count("disconnect"), port.PortState(), errors.size()), std::tuple(1, psClosed, 0u));
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
    events.clear();
    received.clear();
    server.emplace([&](SOCKET s) { SendAll(s, screen); });
    Connect(server->Port());
    if (early) {
      faulty.wouldBlockRecvs = 1000;
      ASSERT_TRUE(PumpUntil([&] { return Count("connect") == 1; }));
      SOCKET s = SOCKET(port.WinsockDispatcher()->ComHandle);
      PostMessageA(LinkDeviceSocket().Handle(), LinkMsgSocketEvent, WPARAM(s), WSAMAKESELECTREPLY(FD_CLOSE, 0));
      PumpPending();
      EXPECT_FALSE(Closed());
      faulty.wouldBlockRecvs = 0;
    }
    ASSERT_TRUE(PumpUntil([&] { return Closed(); }, 30000));
    EXPECT_EQ(std::tuple(atDisconnect, received == screen, Count("disconnect"), port.PortState()),
              std::tuple(screen.size(), true, 1, psClosed))
        << early;
  }
}

// A host that floods and then closes: the read notices do not pile up in the queue
// behind the reads, so the close is told as soon as the last byte is in. (A dispatch that
// read the socket several times left a notice queued for each read that found more
// waiting, hundreds for a few MB, and the close waited behind them all.)
TEST_F(WinsockPortTest, ReadNoticesDoNotPileUpBehindAFlood) {
  std::string flood = PatternBytes(4 << 20, 4);
  server.emplace([&](SOCKET s) { SendAll(s, flood); });
  Connect(server->Port());
  int afterLastByte = 0;
  DWORD start = GetTickCount();
  while (!Closed() && GetTickCount() - start < 30000) {
    MSG m;
    if (!PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
      continue;
    }
    if (m.hwnd == LinkDeviceSocket().Handle() && m.message == LinkMsgSocketEvent &&
        WSAGETSELECTEVENT(m.lParam) == FD_READ && received.size() == flood.size())
      ++afterLastByte;
    TranslateMessage(&m);
    DispatchMessageA(&m);
  }
  EXPECT_EQ(std::tuple(Closed(), received == flood), std::tuple(true, true));
  EXPECT_LE(afterLastByte, 2);
}

TEST_F(WinsockPortTest, RefusalIsAnErrorEventResetIsAClose) {
  Connect(RefusingPort());
  ASSERT_TRUE(PumpUntil([&] { return !errors.empty(); }));
  EXPECT_EQ(std::tuple(errors, Count("connect"), port.PortState()), std::tuple(std::vector<int32_t>{10061}, 0, psOpen));
  port.SetOpen(false);
  std::string data = PatternBytes(50000, 3);
  server.emplace([&](SOCKET s) {
    SendAll(s, data);
    linger l{1, 0};  // closed with a reset
    ::setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&l), sizeof l);
  });
  events.clear();
  Connect(server->Port());
  ASSERT_TRUE(PumpUntil([&] { return Closed(); }, 30000));
  PumpPending();
  EXPECT_EQ(std::tuple(Count("disconnect"), port.PortState()), std::tuple(1, psClosed));
  EXPECT_EQ(data.compare(0, received.size(), received), 0);  // what came is what was sent
}

TEST_F(WinsockPortTest, OpeningNeedsAnAddressAndAPort) {
  const std::tuple<const char*, const char*, int32_t> rows[] = {
      {"", "23", ecDestinationRequired},
      {"no-such-host.invalid", "23", ecCannotResolve},
      {"127.0.0.1", "0", ecInvalidPort},
      {"127.0.0.1", "no-such-service", ecInvalidPort},
  };
  for (auto [address, service, code] : rows) {
    port.SetWsAddress(address);
    port.SetWsPort(service);
    try {
      port.SetOpen(true);
      ADD_FAILURE() << "opened";
    } catch (const ELinkSocketException& e) {
      EXPECT_EQ(e.ErrorCode, code);
    }
    EXPECT_EQ(std::tuple(port.PortState(), port.PortWindow()), std::tuple(psClosed, 0u));
  }
  TLinkDeviceSocket& ds = LinkDeviceSocket();
  EXPECT_EQ(ds.LookupService("telnet"), 23);
  EXPECT_EQ(ds.String2NetAddr(" 127.0.0.1 "), 0x0100007Fu);
  for (const char* notDotted : {"192.168.001.100.example.net", "1.2.3", "1.2.3.4.", "1..2.3"})
    EXPECT_EQ(ds.String2NetAddr(notDotted), INADDR_NONE) << notDotted;
}

// The socket takes nothing for a while: the output ring fills and a block that does not
// fit is refused whole. Then, with short sends and reads that find nothing at first,
// everything still leaves and comes back in order.
TEST_F(WinsockPortTest, AFullOutputRingAndAStormOfShortCallsLoseNothing) {
  FaultyWinsock faulty;
  server.emplace(&Echo);
  Connect(server->Port());
  ASSERT_TRUE(PumpUntil([&] { return Count("connect") == 1; }));
  faulty.wouldBlockSends = 1 << 30;
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
  faulty.wouldBlockSends = 0;
  faulty.sendLimit = 7;
  faulty.wouldBlockRecvs = 20;
  ASSERT_TRUE(PumpUntil([&] { return received.size() >= sent.size(); }, 30000));
  EXPECT_TRUE(received == sent);
}

// A listening port: an accepted client's line arrives and its going is told; a refused
// client is cut off; the port goes on listening.
TEST_F(WinsockPortTest, AListeningPortAcceptsOrRefusesItsPeers) {
  uint16_t p = RefusingPort();
  std::vector<uint32_t> peers;
  port.OnWsAccept = [&](TComponent*, uint32_t addr, bool& ok) {
    peers.push_back(addr);
    ok = peers.size() == 1;
  };
  port.SetWsMode(wsServer);
  port.SetWsPort(std::to_string(p));
  port.SetOpen(true);
  for (const char* line : {"first\r\n", "second"}) {
    std::thread client([p, line] {
      SOCKET s = ConnectTo(p);
      SendAll(s, line);
      ::shutdown(s, SD_SEND);
      RecvAll(s);
      ::closesocket(s);
    });
    size_t n = peers.size() + 1;
    ASSERT_TRUE(PumpUntil([&] { return peers.size() == n && Count("disconnect") == 1; }));
    client.join();
    PumpPending();
  }
  EXPECT_EQ(std::tuple(received, peers.at(0), port.PortState()), std::tuple("first\r\n", 0x0100007Fu, psOpen));
}

// The inetutils telnet server through the library's own telnet filter: the terminal type
// is answered from the device socket, and binary mode goes both ways.
TEST_F(WinsockPortTest, TelnetServerThroughTheFilter) {
  const std::string dir = "/tmp/quiro-comm-" + std::to_string(GetCurrentProcessId()), winDir = "Z:" + dir;
  CreateDirectoryA(winDir.c_str(), nullptr);
  std::ofstream(winDir + "/probe.sh", std::ios::binary)
      << "#!/bin/sh\necho \"TERM=$TERM\"\nstty raw -echo\necho READY\n"
         "printf 'GOT=%s\\n' \"$(head -c 4 | od -An -tx1 | tr -d ' \\n')\"\nprintf 'HIGH=\\377\\200\\n'\nsleep 1\n";
  std::string cmd = std::string(QUIRO_COMM_PEER) + " telnetd " + dir + "/port " + dir + "/probe.sh";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  ASSERT_TRUE(CreateProcessA(("Z:" + std::string(QUIRO_COMM_PEER)).c_str(), cmd.data(), nullptr, nullptr, FALSE, 0,
                             nullptr, nullptr, &si, &pi));
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  std::string portText;
  ASSERT_TRUE(PumpUntil([&] { return bool(std::getline(std::ifstream(winDir + "/port"), portText)); }));
  port.Telnet = true;
  Connect(uint16_t(std::stoi(portText)));
  ASSERT_TRUE(PumpUntil([&] { return received.find("READY") != std::string::npos; }, 20000)) << received;
  EXPECT_NE(received.find("TERM=vt100"), std::string::npos) << received;
  TWsConnection* c = port.WinsockDispatcher()->Connection();
  c->Buffers.TelnetRequest(TTelnetFilter::WILL, TTelnetFilter::optBinary, *c);
  c->Buffers.TelnetRequest(TTelnetFilter::DO, TTelnetFilter::optBinary, *c);
  TTelnetFilter* f = c->Buffers.Telnet();
  ASSERT_TRUE(PumpUntil([&] {
    return f->OwnOption(TTelnetFilter::optBinary) == tnoTrue && f->PeerOption(TTelnetFilter::optBinary) == tnoTrue;
  }));
  port.PutBlock("\xC7\xFF\r\0", 4);
  ASSERT_TRUE(PumpUntil([&] { return Closed(); }, 20000)) << received;
  EXPECT_NE(received.find("GOT=c7ff0d00"), std::string::npos) << received;
  EXPECT_NE(received.find("HIGH=\xFF\x80"), std::string::npos) << received;
  EXPECT_EQ(received.find("\xFF\xFB"), std::string::npos);  // no negotiation in the data
  for (const char* name : {"/probe.sh", "/port"}) DeleteFileA((winDir + name).c_str());
  RemoveDirectoryA(winDir.c_str());
}

// Winsock that cannot start: the socket layer raises nothing then; its first use says why,
// "Winsock not initialized - " and the reason.
TEST(WinsockStartup, AFailureIsToldAtTheFirstUse) {
  InitLinkLibrary();
  struct Row {
    FaultyWinsock::Startup how;
    const char* reason;
  };
  const Row rows[] = {
      {FaultyWinsock::Startup::MissingEntry, "Error loading Winsock DLL"},
      {FaultyWinsock::Startup::OtherVersion, "Incorrect version of Winsock"},
      {FaultyWinsock::Startup::Refused, "Network subsystem unusable"},
  };
  for (const Row& row : rows) {
    FaultyWinsock faulty;
    faulty.FailStartup(row.how, WSASYSNOTREADY);
    TLinkSocket socket;
    try {
      socket.CreateSocket();
      ADD_FAILURE() << row.reason << ": no error";
    } catch (const ELinkSocketException& e) {
      EXPECT_EQ(e.ErrorCode, 9004);
      EXPECT_EQ(std::string(e.what()), std::string("Winsock not initialized - ") + row.reason);
    }
  }
}

}  // namespace
