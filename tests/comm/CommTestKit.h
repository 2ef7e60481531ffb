// What the communications library's Win32 tests share: a bounded message pump, TCP servers
// on 127.0.0.1 run by the test itself, and a Winsock table that injects faults.
#pragma once

#include <winsock2.h>

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "comm/WinsockUtil.h"

namespace quiro::comm::test {

// Dispatches messages until done() holds or ms pass; false on time-out.
bool PumpUntil(const std::function<bool()>& done, DWORD ms = 10000);
// Dispatches what is queued now (and what that posts), without waiting for more.
void PumpPending();

// A server on 127.0.0.1 (a free port) that runs serve on the one connection it accepts,
// on a thread of its own (plain blocking Winsock).
class TestServer {
 public:
  explicit TestServer(std::function<void(SOCKET)> serve);
  ~TestServer();  // waits for serve to end
  uint16_t Port() const { return port_; }

 private:
  SOCKET listener_ = INVALID_SOCKET;
  uint16_t port_ = 0;
  std::thread thread_;
};

// A port on 127.0.0.1 where nobody listens.
uint16_t RefusingPort();
void SendAll(SOCKET s, const std::string& data);
std::string RecvAll(SOCKET s);  // until the peer closes
void Echo(SOCKET s);            // sends back what arrives, until the peer closes
// Bytes that show where a piece was lost or repeated.
std::string PatternBytes(size_t n, uint32_t seed);

// Faults that the table below injects; set them while it is installed.
struct WinsockFaults {
  bool refuseConnect = false;         // connect fails at once with 10061
  std::atomic<int> wouldBlockRecvs{0};  // the next recv calls find nothing although data waits
  std::atomic<int> wouldBlockSends{0};  // the next send calls take nothing
  int sendLimit = 0;                  // > 0: a send takes at most this many bytes
  int64_t resetAfter = -1;            // >= 0: recv fails with 10054 after this many bytes
  int64_t received = 0;
  enum class Lookups { Pass, Fail, Hold } lookups = Lookups::Pass;
  struct Held {
    HWND wnd;
    UINT msg;
    char* buf;
    int len;
    HANDLE handle;
    bool cancelled = false, answered = false;
  };
  std::vector<Held> held;
};

// Installs, while it lives, a table that passes every call on to Winsock except where a
// fault is set.
class FaultyWinsock {
 public:
  FaultyWinsock();
  ~FaultyWinsock();
  WinsockFaults& faults;
  // Answers held lookup number i (queues its reply): an IPv4 address, an error, or a
  // reply that carries no IPv4 address.
  void Answer(size_t i, uint32_t address = 0x0100007F, int error = 0, bool noAddress = false);
};

// A table with an entry point missing.
TLinkWinsockTable TableWithoutSelect();

}  // namespace quiro::comm::test
