#include "CommTestKit.h"

#include <cstring>
#include <new>
#include <random>

namespace quiro::comm::test {

bool PumpUntil(const std::function<bool()>& done, DWORD ms) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > ms) return false;
    PumpPending();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return true;
}

void PumpPending() {
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&m);
    DispatchMessageA(&m);
  }
}

namespace {

sockaddr_in Loopback(uint16_t port) {
  static const bool started = [] {
    WSADATA d;
    return WSAStartup(MAKEWORD(2, 2), &d) == 0;
  }();
  (void)started;
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return a;
}

SOCKET Listen(uint16_t& port) {
  sockaddr_in a = Loopback(0);
  SOCKET s = ::socket(AF_INET, SOCK_STREAM, 0);
  int len = sizeof a;
  ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  ::listen(s, 1);
  ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
  port = ntohs(a.sin_port);
  return s;
}

}  // namespace

TestServer::TestServer(std::function<void(SOCKET)> serve) : listener_(Listen(port_)) {
  thread_ = std::thread([this, serve = std::move(serve)] {
    SOCKET c = ::accept(listener_, nullptr, nullptr);
    if (c == INVALID_SOCKET) return;  // the test ended without connecting
    serve(c);
    ::closesocket(c);
  });
}

TestServer::~TestServer() {
  ::closesocket(listener_);  // ends an accept that still waits
  thread_.join();
}

uint16_t RefusingPort() {
  uint16_t port = 0;
  ::closesocket(Listen(port));
  return port;
}

SOCKET ConnectTo(uint16_t port) {
  sockaddr_in a = Loopback(port);
  SOCKET s = ::socket(AF_INET, SOCK_STREAM, 0);
  ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  return s;
}

void SendAll(SOCKET s, const std::string& data) {
  for (size_t at = 0; at < data.size();) {
    int n = ::send(s, data.data() + at, int(std::min<size_t>(data.size() - at, 65536)), 0);
    if (n <= 0) return;
    at += size_t(n);
  }
}

std::string RecvAll(SOCKET s, bool echo) {
  std::string all;
  char buf[65536];
  for (int n; (n = ::recv(s, buf, sizeof buf, 0)) > 0;) {
    if (echo) SendAll(s, std::string(buf, size_t(n)));
    all.append(buf, size_t(n));
  }
  return all;
}

std::string PatternBytes(size_t n, uint32_t seed) {
  std::mt19937 gen(seed);
  std::string s(n, '\0');
  for (char& c : s) c = char(gen() & 0xFF);
  return s;
}

// ---- The fault-injecting table ----------------------------------------------------------------

namespace {

FaultyWinsock* gFaults = nullptr;
TLinkWinsockTable gTable;

const TLinkWinsockTable& Real() { return LinkWinsockLibrary(); }

// Counts one down; true ("would block") while it was above 0.
bool Blocked(int& countdown) {
  if (countdown <= 0) return false;
  --countdown;
  Real().WSASetLastError(WSAEWOULDBLOCK);
  return true;
}

int WSAAPI FaultyRecv(SOCKET s, char* buf, int len, int flags) {
  return Blocked(gFaults->wouldBlockRecvs) ? SOCKET_ERROR : Real().recv(s, buf, len, flags);
}

int WSAAPI FaultySend(SOCKET s, const char* buf, int len, int flags) {
  if (Blocked(gFaults->wouldBlockSends)) return SOCKET_ERROR;
  return Real().send(s, buf, gFaults->sendLimit > 0 ? std::min(len, gFaults->sendLimit) : len, flags);
}

HANDLE WSAAPI FaultyLookup(HWND wnd, u_int msg, const char* name, char* buf, int len) {
  if (gFaults->lookups == FaultyWinsock::Lookups::Pass) return Real().WSAAsyncGetHostByName(wnd, msg, name, buf, len);
  if (gFaults->lookups == FaultyWinsock::Lookups::Fail) {
    Real().WSASetLastError(WSAENETDOWN);
    return nullptr;
  }
  HANDLE h = reinterpret_cast<HANDLE>(uintptr_t(0x7000 + gFaults->held.size() + 1));
  gFaults->held.push_back({wnd, msg, buf, h, false, false});
  return h;
}

int WSAAPI FaultyCancel(HANDLE h) {
  for (FaultyWinsock::Held& held : gFaults->held) {
    if (held.handle != h) continue;
    if (held.answered) {
      Real().WSASetLastError(WSAEALREADY);
      return SOCKET_ERROR;
    }
    held.cancelled = true;
    return 0;
  }
  return Real().WSACancelAsyncRequest(h);
}

int WSAAPI OtherVersionStartup(WORD version, LPWSADATA data) {
  int rc = Real().WSAStartup(version, data);
  if (rc == 0) data->wVersion = MAKEWORD(1, 0);
  return rc;
}

int WSAAPI RefusedStartup(WORD, LPWSADATA) { return gFaults->startupError; }

}  // namespace

void FaultyWinsock::FailStartup(Startup how, int error) {
  startupError = error;
  switch (how) {
    case Startup::MissingEntry: gTable.WSAAsyncSelect = nullptr; break;
    case Startup::OtherVersion: gTable.WSAStartup = &OtherVersionStartup; break;
    case Startup::Refused: gTable.WSAStartup = &RefusedStartup; break;
  }
}

FaultyWinsock::FaultyWinsock() {
  gFaults = this;
  gTable = Real();
  gTable.recv = &FaultyRecv;
  gTable.send = &FaultySend;
  gTable.WSAAsyncGetHostByName = &FaultyLookup;
  gTable.WSACancelAsyncRequest = &FaultyCancel;
  SetLinkWinsockTable(&gTable);
}

FaultyWinsock::~FaultyWinsock() {
  SetLinkWinsockTable(nullptr);
  gFaults = nullptr;
}

void FaultyWinsock::Answer(size_t i, uint32_t address, int error, bool noAddress) {
  Held& h = held.at(i);
  if (h.cancelled) return;  // Winsock sends nothing for a cancelled request
  h.answered = true;
  struct Reply {
    hostent he;
    char* aliases[1];
    char* list[2];
    uint32_t addr;
    char name[8];
  };
  auto* r = new (h.buf) Reply{};  // the caller's buffer holds 1024 bytes
  r->addr = address;
  r->list[0] = noAddress ? nullptr : reinterpret_cast<char*>(&r->addr);
  std::strcpy(r->name, "host");
  r->he = {r->name, r->aliases, AF_INET, short(noAddress ? 16 : 4), r->list};
  PostMessageA(h.wnd, h.msg, WPARAM(h.handle), WSAMAKEASYNCREPLY(sizeof(Reply), error));
}

}  // namespace quiro::comm::test
