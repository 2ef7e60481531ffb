// What the communications library's Win32 tests share: a bounded message pump, TCP servers
// on 127.0.0.1 run by the test itself, and a Winsock table that injects faults.
#pragma once

#include <winsock2.h>

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "comm/WinsockUtil.h"
#include "comm/core/CommPort.h"

namespace quiro::comm::test {

// Dispatches messages until done() holds or ms pass; false on time-out.
bool PumpUntil(const std::function<bool()>& done, DWORD ms = 10000);
// Dispatches what is queued now (and what that posts), without waiting for more.
void PumpPending();

// A server on 127.0.0.1 (a free port) that runs serve on the one connection it accepts,
// on a thread of its own (plain blocking Winsock). The destructor waits for serve.
class TestServer {
 public:
  explicit TestServer(std::function<void(SOCKET)> serve);
  ~TestServer();
  uint16_t Port() const { return port_; }

 private:
  uint16_t port_ = 0;  // before the listener, which sets it
  SOCKET listener_;
  std::thread thread_;
};

uint16_t RefusingPort();  // a port on 127.0.0.1 where nobody listens
SOCKET ConnectTo(uint16_t port);  // a blocking client socket connected to 127.0.0.1
void SendAll(SOCKET s, const std::string& data);
// What arrives until the peer closes; with echo, sent back as it arrives.
std::string RecvAll(SOCKET s, bool echo = false);
inline void Echo(SOCKET s) { RecvAll(s, true); }
// Makes the port's input handler read what it announces and append it to got.
inline void CollectInput(TLinkCustomComPort& port, std::string& got) {
  port.SetOnTriggerAvail([&port, &got](TComponent*, uint16_t n) {
    std::string s(n, '\0');
    port.GetBlock(s.data(), n);
    got += s;
  });
}
// Bytes that show where a piece was lost or repeated.
std::string PatternBytes(size_t n, uint32_t seed);

// Installs, while it lives, a table that passes every call on to Winsock except where a
// fault is set.
class FaultyWinsock {
 public:
  FaultyWinsock();
  ~FaultyWinsock();

  int wouldBlockRecvs = 0;  // the next recv calls find nothing although data waits
  int wouldBlockSends = 0;  // the next send calls take nothing
  int sendLimit = 0;        // > 0: a send takes at most this many bytes
  enum class Lookups { Pass, Fail, Hold } lookups = Lookups::Pass;
  struct Held {  // a lookup whose reply the test gives (Answer)
    HWND wnd;
    UINT msg;
    char* buf;
    HANDLE handle;
    bool cancelled, answered;
  };
  std::vector<Held> held;
  // Queues the reply of held lookup i: an IPv4 address, an error, or no IPv4 address.
  void Answer(size_t i, uint32_t address = 0x0100007F, int error = 0, bool noAddress = false);
  // Winsock that cannot start for the sockets made from now on: an entry point missing,
  // a library of another version, or a start-up refused with this error.
  enum class Startup { MissingEntry, OtherVersion, Refused };
  void FailStartup(Startup how, int error = 0);
  int startupError = 0;
};

}  // namespace quiro::comm::test
