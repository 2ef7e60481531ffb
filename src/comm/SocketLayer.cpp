#include "comm/SocketLayer.h"

#include <cstring>

#include "comm/CommExcept.h"
#include "comm/core/SocketNames.h"
#include "comm/core/StringTables.h"
#include "framework/WindowUtils.h"
#include "framework/core/SysUtils.h"

namespace {

std::string SocketMessage(int32_t code, int32_t detail) {
  std::string text = LinkLoadStr(code);
  if (code == ecWinsockNotReady) {
    size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, LinkLoadStr(detail));
  }
  if (text.empty()) text = "Winsock error " + std::to_string(code);
  return text;
}

// Every entry point bound: a table with a hole counts as Winsock missing.
bool Complete(const TLinkWinsockTable& t) {
#define QUIRO_WINSOCK_CHECK(name) \
  if (!t.name) return false;
  QUIRO_WINSOCK_ENTRIES(QUIRO_WINSOCK_CHECK)
#undef QUIRO_WINSOCK_CHECK
  return true;
}

}  // namespace

ELinkSocketException::ELinkSocketException(int32_t code, int32_t detail)
    : Exception(SocketMessage(code, detail)), ErrorCode(code) {}

TLinkSocket::TLinkSocket(TComponent* owner) : TLinkBaseComponent(owner) {
  InitLinkLibrary();
  // Failures here surface later, at the first use (CheckLoaded).
  if (!LoadWinsock() || !Complete(LinkWinsock())) {
    startupError_ = ecWinsockLoad;
    return;
  }
  int rc = LinkWinsock().WSAStartup(MAKEWORD(1, 1), &data_);
  if (rc != 0) {
    startupError_ = rc;
    return;
  }
  started_ = true;
  if (data_.wVersion != MAKEWORD(1, 1)) {
    startupError_ = ecWinsockVersion;
    return;
  }
  wnd_ = AllocateHWnd([this](TMessage& m) { WndProc(m); });
}

TLinkSocket::~TLinkSocket() {
  if (wnd_) DeallocateHWnd(wnd_);
  if (started_) {
    const TLinkWinsockTable& t = LinkWinsock();
    t.WSACancelBlockingCall();
    t.WSACleanup();
  }
}

void TLinkSocket::CheckLoaded() const {
  if (startupError_ != 0) throw ELinkSocketException(ecWinsockNotReady, startupError_);
}

void TLinkSocket::WndProc(TMessage& m) {
  if (m.Msg == WM_QUERYENDSESSION) {
    m.Result = 1;
    return;
  }
  if (m.Msg != LinkMsgSocketEvent) {
    DefaultUtilMessage(wnd_, m);
    return;
  }
  SOCKET s = SOCKET(m.WParam);
  int32_t error = wsaGetSelectError(m.LParam);
  if (error != 0) {
    DoError(s, error);
    return;
  }
  switch (wsaGetSelectEvent(m.LParam)) {
    case FD_ACCEPT: DoAccept(s); break;
    case FD_CONNECT: DoConnect(s); break;
    case FD_CLOSE: DoDisconnect(s); break;
    case FD_READ: DoRead(s); break;
    case FD_WRITE: DoWrite(s); break;
    default: break;
  }
}

void TLinkSocket::DoAccept(SOCKET s) {
  if (OnWsAccept) OnWsAccept(this, s);
}
void TLinkSocket::DoConnect(SOCKET s) {
  if (OnWsConnect) OnWsConnect(this, s);
}
void TLinkSocket::DoDisconnect(SOCKET s) {
  if (OnWsDisconnect) OnWsDisconnect(this, s);
}
void TLinkSocket::DoRead(SOCKET s) {
  if (OnWsRead) OnWsRead(this, s);
}
void TLinkSocket::DoWrite(SOCKET s) {
  if (OnWsWrite) OnWsWrite(this, s);
}
void TLinkSocket::DoError(SOCKET s, int32_t error) {
  if (!OnWsError) throw ELinkSocketException(error);
  OnWsError(this, s, error);
}

int TLinkSocket::Failed(SOCKET s, bool wouldBlockIsError) {
  int32_t error = LinkWinsock().WSAGetLastError();
  lastError_ = error;
  if (error != WSAEWOULDBLOCK || wouldBlockIsError) DoError(s, error);
  return SOCKET_ERROR;
}

SOCKET TLinkSocket::CreateSocket() {
  CheckLoaded();
  SOCKET s = LinkWinsock().socket(AF_INET, SOCK_STREAM, 0);
  if (s == INVALID_SOCKET) {
    lastError_ = LinkWinsock().WSAGetLastError();
    throw ELinkSocketException(lastError_);
  }
  return s;
}

int TLinkSocket::BindSocket(SOCKET s, const sockaddr_in& addr) {
  CheckLoaded();
  if (LinkWinsock().bind(s, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == SOCKET_ERROR)
    return Failed(s, true);
  return 0;
}

int TLinkSocket::ConnectSocket(SOCKET s, const sockaddr_in& addr) {
  CheckLoaded();
  if (LinkWinsock().connect(s, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == SOCKET_ERROR)
    return Failed(s, false);
  return 0;
}

int TLinkSocket::ListenSocket(SOCKET s, int backlog) {
  CheckLoaded();
  if (LinkWinsock().listen(s, backlog) == SOCKET_ERROR) return Failed(s, false);
  return 0;
}

SOCKET TLinkSocket::AcceptSocket(SOCKET s, sockaddr_in& addr) {
  CheckLoaded();
  int len = sizeof addr;
  SOCKET a = LinkWinsock().accept(s, reinterpret_cast<sockaddr*>(&addr), &len);
  if (a == INVALID_SOCKET) Failed(s, true);
  return a;
}

int TLinkSocket::ReadSocket(SOCKET s, void* buf, int flags, int size) {
  CheckLoaded();
  int n = LinkWinsock().recv(s, static_cast<char*>(buf), size, flags);
  return n == SOCKET_ERROR ? Failed(s, false) : n;
}

int TLinkSocket::WriteSocket(SOCKET s, const void* buf, int flags, int size) {
  CheckLoaded();
  int n = LinkWinsock().send(s, static_cast<const char*>(buf), size, flags);
  return n == SOCKET_ERROR ? Failed(s, false) : n;
}

int TLinkSocket::ShutdownSocket(SOCKET s, int how) {
  CheckLoaded();
  return LinkWinsock().shutdown(s, how) == SOCKET_ERROR ? Failed(s, true) : 0;
}

int TLinkSocket::CloseSocket(SOCKET s) {
  CheckLoaded();
  return LinkWinsock().closesocket(s) == SOCKET_ERROR ? Failed(s, true) : 0;
}

int TLinkSocket::SetAsyncStyles(SOCKET s, long events) {
  CheckLoaded();
  return LinkWinsock().WSAAsyncSelect(s, wnd_, LinkMsgSocketEvent, events) == SOCKET_ERROR ? Failed(s, true) : 0;
}

int TLinkSocket::SetSocketOptions(SOCKET s, int level, int option, const void* value, int size) {
  CheckLoaded();
  if (LinkWinsock().setsockopt(s, level, option, static_cast<const char*>(value), size) == SOCKET_ERROR)
    return Failed(s, true);
  return 0;
}

uint32_t TLinkSocket::String2NetAddr(const std::string& s) {
  CheckLoaded();
  std::string text = Trim(s);
  if (!IsDottedAddress(text)) return INADDR_NONE;
  return LinkWinsock().inet_addr(text.c_str());
}

std::string TLinkSocket::NetAddr2String(uint32_t addr) {
  CheckLoaded();
  in_addr a;
  a.s_addr = addr;
  const char* text = LinkWinsock().inet_ntoa(a);
  return text ? text : "";
}

uint32_t TLinkSocket::LookupName(const std::string& name) {
  CheckLoaded();
  hostent* h = LinkWinsock().gethostbyname(name.c_str());
  if (!h || h->h_length != 4 || !h->h_addr_list || !h->h_addr_list[0]) return 0;
  uint32_t addr;
  std::memcpy(&addr, h->h_addr_list[0], 4);
  return addr;
}

std::string TLinkSocket::LookupAddress(uint32_t addr) {
  CheckLoaded();
  hostent* h = LinkWinsock().gethostbyaddr(reinterpret_cast<const char*>(&addr), 4, AF_INET);
  return h && h->h_name ? h->h_name : "";
}

uint16_t TLinkSocket::LookupService(const std::string& name) {
  CheckLoaded();
  servent* s = LinkWinsock().getservbyname(name.c_str(), "tcp");
  return s ? LinkWinsock().ntohs(u_short(s->s_port)) : 0;
}

std::string TLinkSocket::LookupPort(uint16_t port) {
  CheckLoaded();
  servent* s = LinkWinsock().getservbyport(LinkWinsock().htons(port), "tcp");
  return s && s->s_name ? s->s_name : "";
}

std::string TLinkSocket::LocalHost() {
  CheckLoaded();
  char name[256] = {};
  return LinkWinsock().gethostname(name, sizeof name - 1) == 0 ? name : "";
}

std::string TLinkSocket::LocalAddress() {
  uint32_t addr = LookupName(LocalHost());
  return addr ? NetAddr2String(addr) : "";
}
