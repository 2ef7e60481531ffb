#include "CommTestKit.h"

#include <cstring>
#include <random>

namespace quiro::comm::test {

bool PumpUntil(const std::function<bool()>& done, DWORD ms) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > ms) return false;
    MSG m;
    if (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageA(&m);
    } else {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
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

struct WinsockUser {
  WinsockUser() {
    WSADATA d;
    WSAStartup(MAKEWORD(2, 2), &d);
  }
} gWinsockUser;

SOCKET Listen(uint16_t& port) {
  SOCKET s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int len = sizeof a;
  ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  ::listen(s, 1);
  ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
  port = ntohs(a.sin_port);
  return s;
}

}  // namespace

TestServer::TestServer(std::function<void(SOCKET)> serve) {
  listener_ = Listen(port_);
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
  SOCKET s = Listen(port);
  ::closesocket(s);
  return port;
}

void SendAll(SOCKET s, const std::string& data) {
  size_t at = 0;
  while (at < data.size()) {
    int n = ::send(s, data.data() + at, int(std::min<size_t>(data.size() - at, 65536)), 0);
    if (n <= 0) return;
    at += size_t(n);
  }
}

std::string RecvAll(SOCKET s) {
  std::string all;
  char buf[65536];
  for (;;) {
    int n = ::recv(s, buf, sizeof buf, 0);
    if (n <= 0) return all;
    all.append(buf, size_t(n));
  }
}

void Echo(SOCKET s) {
  char buf[65536];
  for (;;) {
    int n = ::recv(s, buf, sizeof buf, 0);
    if (n <= 0) return;
    SendAll(s, std::string(buf, size_t(n)));
  }
}

std::string PatternBytes(size_t n, uint32_t seed) {
  std::mt19937 gen(seed);
  std::string s(n, '\0');
  for (char& c : s) c = char(gen() & 0xFF);
  return s;
}

// ---- The fault-injecting table ----------------------------------------------------------------

namespace {

WinsockFaults* gFaults = nullptr;
TLinkWinsockTable gTable;

const TLinkWinsockTable& Real() { return LinkWinsockLibrary(); }

int WSAAPI FaultyConnect(SOCKET s, const sockaddr* a, int len) {
  if (gFaults->refuseConnect) {
    Real().WSASetLastError(WSAECONNREFUSED);
    return SOCKET_ERROR;
  }
  return Real().connect(s, a, len);
}

int WSAAPI FaultyRecv(SOCKET s, char* buf, int len, int flags) {
  WinsockFaults& f = *gFaults;
  if (f.wouldBlockRecvs > 0) {
    --f.wouldBlockRecvs;
    Real().WSASetLastError(WSAEWOULDBLOCK);
    return SOCKET_ERROR;
  }
  if (f.resetAfter >= 0) {
    if (f.received >= f.resetAfter) {
      Real().WSASetLastError(WSAECONNRESET);
      return SOCKET_ERROR;
    }
    len = int(std::min<int64_t>(len, f.resetAfter - f.received));
  }
  int n = Real().recv(s, buf, len, flags);
  if (n > 0) f.received += n;
  return n;
}

int WSAAPI FaultySend(SOCKET s, const char* buf, int len, int flags) {
  WinsockFaults& f = *gFaults;
  if (f.wouldBlockSends > 0) {
    --f.wouldBlockSends;
    Real().WSASetLastError(WSAEWOULDBLOCK);
    return SOCKET_ERROR;
  }
  if (f.sendLimit > 0) len = std::min(len, f.sendLimit);
  return Real().send(s, buf, len, flags);
}

HANDLE WSAAPI FaultyLookup(HWND wnd, u_int msg, const char* name, char* buf, int len) {
  WinsockFaults& f = *gFaults;
  switch (f.lookups) {
    case WinsockFaults::Lookups::Fail:
      Real().WSASetLastError(WSAENETDOWN);
      return nullptr;
    case WinsockFaults::Lookups::Hold: {
      HANDLE h = reinterpret_cast<HANDLE>(uintptr_t(0x7000 + f.held.size() + 1));
      f.held.push_back({wnd, msg, buf, len, h});
      return h;
    }
    default:
      return Real().WSAAsyncGetHostByName(wnd, msg, name, buf, len);
  }
}

int WSAAPI FaultyCancel(HANDLE h) {
  for (WinsockFaults::Held& held : gFaults->held)
    if (held.handle == h) {
      if (held.answered) {
        Real().WSASetLastError(WSAEALREADY);
        return SOCKET_ERROR;
      }
      held.cancelled = true;
      return 0;
    }
  return Real().WSACancelAsyncRequest(h);
}

}  // namespace

FaultyWinsock::FaultyWinsock() : faults(*new WinsockFaults) {
  gFaults = &faults;
  gTable = Real();
  gTable.connect = &FaultyConnect;
  gTable.recv = &FaultyRecv;
  gTable.send = &FaultySend;
  gTable.WSAAsyncGetHostByName = &FaultyLookup;
  gTable.WSACancelAsyncRequest = &FaultyCancel;
  SetLinkWinsockTable(&gTable);
}

FaultyWinsock::~FaultyWinsock() {
  SetLinkWinsockTable(nullptr);
  gFaults = nullptr;
  delete &faults;
}

void FaultyWinsock::Answer(size_t i, uint32_t address, int error, bool noAddress) {
  WinsockFaults::Held& h = faults.held.at(i);
  if (h.cancelled) return;  // Winsock sends nothing for a cancelled request
  h.answered = true;
  if (error == 0) {
    std::memset(h.buf, 0, size_t(h.len));
    auto* he = reinterpret_cast<hostent*>(h.buf);
    char* p = h.buf + sizeof(hostent);
    auto** aliases = reinterpret_cast<char**>(p);
    p += sizeof(char*);
    auto** list = reinterpret_cast<char**>(p);
    p += 2 * sizeof(char*);
    std::memcpy(p, &address, 4);
    list[0] = noAddress ? nullptr : p;
    he->h_name = p + 4;
    std::strcpy(p + 4, "host");
    he->h_aliases = aliases;
    he->h_addrtype = AF_INET;
    he->h_length = noAddress ? 16 : 4;
    he->h_addr_list = list;
  }
  PostMessageA(h.wnd, h.msg, WPARAM(h.handle), WSAMAKEASYNCREPLY(h.len, error));
}

TLinkWinsockTable TableWithoutSelect() {
  TLinkWinsockTable t = Real();
  t.select = nullptr;
  return t;
}

}  // namespace quiro::comm::test
