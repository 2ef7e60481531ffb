#include "comm/ZSocket.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <iterator>

#include "comm/core/SocketErrorText.h"
#include "comm/core/SocketNames.h"
#include "framework/WindowUtils.h"
#include "framework/core/SysUtils.h"

namespace {

constexpr long kConnectionEvents = FD_READ | FD_WRITE | FD_CLOSE;
constexpr int kSendChunk = 1 << 20;

const char* EventName(WORD event) {
  switch (event) {
    case FD_READ: return "FD_READ";
    case FD_WRITE: return "FD_WRITE";
    case FD_CLOSE: return "FD_CLOSE";
    case FD_ACCEPT: return "FD_ACCEPT";
    case FD_CONNECT: return "FD_CONNECT";
    default: return "WSAsyncSelect";
  }
}

std::string DottedText(in_addr a) {
  const char* text = LinkWinsock().inet_ntoa(a);
  return text ? text : "";
}

// An address that was never filled in (family 0) gives "" and 0.
std::string AddrText(const sockaddr_in& a) { return a.sin_family ? DottedText(a.sin_addr) : ""; }
int PortNumber(const sockaddr_in& a) { return a.sin_family ? LinkWinsock().ntohs(a.sin_port) : 0; }

}  // namespace

TZSocket::TZSocket(TComponent* owner) : TComponent(owner) {
  wnd_ = AllocateHWnd([this](TMessage& m) { WndProc(m); });
  if (!LoadWinsock()) {
    SocketError(SocketHandle, "Constructor (WSAStartup)", WSASYSNOTREADY);
    return;
  }
  if (LinkWinsock().WSAStartup(0x0101, &data_) != 0)
    SocketError(SocketHandle, "Constructor (WSAStartup)", LinkWinsock().WSAGetLastError());
  else
    started_ = true;
}

TZSocket::~TZSocket() {
  if (request_) LinkWinsock().WSACancelAsyncRequest(request_);
  if (started_) {
    CloseQuietly(SocketHandle);
    CloseQuietly(ListenSocketHandle);
    if (LinkWinsock().WSACleanup() != 0)
      SocketError(SocketHandle, "Destructor (WSACleanup)", LinkWinsock().WSAGetLastError());
  }
  DeallocateHWnd(wnd_);
}

void TZSocket::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_TIMER:
      if (m.WParam == kTimerId) WMTimer();
      break;
    case kLookupMessage:
      WMNameDNS(m);
      break;
    case kSelectMessage:
      WSAsyncSelect(m);
      break;
    default:
      DefaultUtilMessage(wnd_, m);
      break;
  }
}

void TZSocket::GetRemoteName(const std::string& name) {
  const TLinkWinsockTable& t = LinkWinsock();
  if (name.empty()) {
    SocketError(SocketHandle, "GetRemoteName: Invalid Name", t.WSAGetLastError());
    return;
  }
  // One lookup at a time: an older one would write into the same buffer.
  if (request_) t.WSACancelAsyncRequest(request_);
  request_ = nullptr;
  SetTimeout();
  std::fill(std::begin(hostent_), std::end(hostent_), 0);
  state_ = stLookingUp;
  request_ = t.WSAAsyncGetHostByName(wnd_, kLookupMessage, name.c_str(), hostent_, sizeof hostent_);
  if (!request_) SocketError(SocketHandle, "GetRemoteName", t.WSAGetLastError());
}

void TZSocket::ZAsyncCancel() {
  ResetTimeout();
  if (request_) LinkWinsock().WSACancelAsyncRequest(request_);
  request_ = nullptr;  // a reply already queued is not taken any more
  state_ = stCancelled;
}

void TZSocket::SetTimeout() {
  if (Timeout > 0) SetTimer(wnd_, kTimerId, UINT(Timeout) * 1000, nullptr);
}

void TZSocket::ResetTimeout() {
  if (Timeout > 0) KillTimer(wnd_, kTimerId);
}

// Only the reply to the lookup in progress counts: one that a cancel or a newer lookup
// overtook is dropped, and so is a reply without an IPv4 address in it.
void TZSocket::WMNameDNS(TMessage& m) {
  if (!request_ || HANDLE(m.WParam) != request_) return;
  request_ = nullptr;
  ResetTimeout();
  const auto* h = reinterpret_cast<const hostent*>(hostent_);
  bool found = WSAGETASYNCERROR(m.LParam) == 0 && h->h_length == 4 && h->h_addr_list && h->h_addr_list[0];
  if (found) {
    in_addr a;
    std::memcpy(&a, h->h_addr_list[0], 4);
    RemoteAddr = DottedText(a);
    state_ = stResolved;
    if (OnNameResolved) OnNameResolved(this);
  } else if (OnNameLookupFailed) {
    OnNameLookupFailed(this);
  }
}

void TZSocket::WMTimer() {
  KillTimer(wnd_, kTimerId);
  if (OnTimeout) {
    OnTimeout(this);
    return;
  }
  const TLinkWinsockTable& t = LinkWinsock();
  if (t.WSAIsBlocking()) {
    t.WSACancelBlockingCall();
    SocketError(SocketHandle, "WMTimer", t.WSAGetLastError());
  }
}

void TZSocket::SocketError(SOCKET socket, const std::string& place, int code) {
  state_ = stError;
  errorPlace_ = place;
  std::string text = SocketErrorText(code);
  if (OnError) {
    OnError(this, socket, code, text);
    return;
  }
  std::string body = place + "\n\r" + text;
  MessageBoxA(nullptr, body.c_str(), "Error: TZSocket", MB_OK | MB_ICONERROR);
}

std::string TZSocket::SocketErrorText(int code) { return WinsockErrorText(code); }

// ---- The connection ---------------------------------------------------------------------------

void TZSocket::CloseQuietly(SOCKET& s) {
  if (s == INVALID_SOCKET) return;
  LinkWinsock().closesocket(s);
  s = INVALID_SOCKET;
}

// The last call on s failed at place: s is closed and the error reported.
void TZSocket::CloseFailed(SOCKET s, const char* place) {
  int error = LinkWinsock().WSAGetLastError();
  LinkWinsock().closesocket(s);
  SocketError(s, place, error);
}

void TZSocket::Adopt(SOCKET s, const sockaddr_in& peer) {
  SocketHandle = s;
  peer_ = peer;
  DropText();
  BytesAvailable = 0;
}

void TZSocket::DropText() {
  queued_.clear();
  queuedAt_ = 0;
}

void TZSocket::ZConnect() {
  const TLinkWinsockTable& t = LinkWinsock();
  state_ = stConnecting;
  if (SocketHandle != INVALID_SOCKET) {
    SocketError(SocketHandle, "ZConnect", WSAEISCONN);
    return;
  }
  int32_t port = ParsePortNumber(Trim(RemotePort));
  std::string host = Trim(RemoteAddr);
  if (port <= 0 || host.empty()) {
    SocketError(SocketHandle, "ZConnect", port <= 0 ? WSAEINVAL : WSAEDESTADDRREQ);
    return;
  }
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = t.htons(u_short(port));
  a.sin_addr.s_addr = IsDottedAddress(host) ? t.inet_addr(host.c_str()) : INADDR_NONE;
  if (a.sin_addr.s_addr == INADDR_NONE) {
    SetTimeout();  // a blocking lookup: the timer may cancel it
    hostent* h = t.gethostbyname(host.c_str());
    ResetTimeout();
    if (!h || h->h_length != 4 || !h->h_addr_list || !h->h_addr_list[0]) {
      SocketError(SocketHandle, "ZConnect (gethostbyname)", h ? WSANO_DATA : t.WSAGetLastError());
      return;
    }
    std::memcpy(&a.sin_addr, h->h_addr_list[0], 4);
  }
  SOCKET s = t.socket(AF_INET, SOCK_STREAM, 0);
  if (s == INVALID_SOCKET) {
    SocketError(s, "ZConnect (socket)", t.WSAGetLastError());
    return;
  }
  if (t.WSAAsyncSelect(s, wnd_, kSelectMessage, kConnectionEvents | FD_CONNECT) == SOCKET_ERROR) {
    CloseFailed(s, "ZConnect (WSAAsyncSelect)");
    return;
  }
  Adopt(s, a);
  SetTimeout();
  if (t.connect(s, reinterpret_cast<const sockaddr*>(&a), sizeof a) == SOCKET_ERROR) {
    int error = t.WSAGetLastError();
    if (error != WSAEWOULDBLOCK) {
      ResetTimeout();
      CloseQuietly(SocketHandle);
      SocketError(s, "ZConnect (connect)", error);
      return;
    }
  }
  state_ = stConnectIssued;
}

void TZSocket::ZListen() {
  const TLinkWinsockTable& t = LinkWinsock();
  ZCancelListen();  // one listening socket at a time
  int32_t port = ParsePortNumber(Trim(LocalPort));
  if (port < 0) {
    SocketError(ListenSocketHandle, "ZListen (NULL port)", WSAEINVAL);
    return;
  }
  SOCKET s = t.socket(AF_INET, SOCK_STREAM, 0);
  if (s == INVALID_SOCKET) {
    SocketError(s, "ZListen (socket)", t.WSAGetLastError());
    return;
  }
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = t.htons(u_short(port));
  a.sin_addr.s_addr = t.htonl(INADDR_ANY);
  const char* place = nullptr;
  if (t.bind(s, reinterpret_cast<const sockaddr*>(&a), sizeof a) == SOCKET_ERROR)
    place = "ZListen (bind)";
  else if (t.listen(s, ListenBacklog) == SOCKET_ERROR)
    place = "ZListen (listen)";
  else if (t.WSAAsyncSelect(s, wnd_, kSelectMessage, FD_ACCEPT) == SOCKET_ERROR)
    place = "ZListen (WSAASyncSelect)";
  if (place) {
    CloseFailed(s, place);
    return;
  }
  int len = sizeof a;
  if (port == 0 && t.getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0)
    LocalPort = std::to_string(t.ntohs(a.sin_port));
  ListenSocketHandle = s;
}

void TZSocket::ZCancelListen() {
  SOCKET s = ListenSocketHandle;
  if (s == INVALID_SOCKET) return;
  ListenSocketHandle = INVALID_SOCKET;
  if (LinkWinsock().closesocket(s) == SOCKET_ERROR)
    SocketError(s, "ZCancelListen (closesocket)", LinkWinsock().WSAGetLastError());
}

bool TZSocket::ZAccept() {
  const TLinkWinsockTable& t = LinkWinsock();
  if (SocketHandle != INVALID_SOCKET) {  // the caller waits until it is free
    SocketError(SocketHandle, "ZAccept", WSAEISCONN);
    return false;
  }
  sockaddr_in a{};
  int len = sizeof a;
  SOCKET s = t.accept(ListenSocketHandle, reinterpret_cast<sockaddr*>(&a), &len);
  if (s == INVALID_SOCKET) {
    int error = t.WSAGetLastError();
    if (error != WSAEWOULDBLOCK) SocketError(ListenSocketHandle, "ZAccept", error);
    return false;
  }
  std::string limit = Trim(LimitAddr);
  if (!limit.empty() && DottedText(a.sin_addr) != limit) {
    CloseQuietly(s);
    return false;
  }
  if (t.WSAAsyncSelect(s, wnd_, kSelectMessage, kConnectionEvents) == SOCKET_ERROR) {
    CloseFailed(s, "ZAccept (WSAASyncSelect)");
    return false;
  }
  Adopt(s, a);
  return true;
}

void TZSocket::ZClose() {
  SOCKET s = SocketHandle;
  if (s == INVALID_SOCKET) return;
  SocketHandle = INVALID_SOCKET;
  DropText();
  BytesAvailable = 0;
  if (LinkWinsock().closesocket(s) == SOCKET_ERROR)
    SocketError(s, "ZClose (closesocket)", LinkWinsock().WSAGetLastError());
}

// ---- Sending and receiving --------------------------------------------------------------------

int TZSocket::Send(const void* data, int size, int flags, const char* place) {
  if (queuedAt_ < queued_.size()) return 0;  // the text waiting goes first
  const TLinkWinsockTable& t = LinkWinsock();
  int n = t.send(SocketHandle, static_cast<const char*>(data), std::max(size, 0), flags);
  if (n != SOCKET_ERROR) return n;
  int error = t.WSAGetLastError();
  if (error == WSAEWOULDBLOCK) return 0;
  SocketError(SocketHandle, place, error);
  return SOCKET_ERROR;
}

int TZSocket::ZSend(const void* data, int size) { return Send(data, size, 0, "ZSend (send)"); }
int TZSocket::ZSendUrgent(const void* data, int size) { return Send(data, size, MSG_OOB, "ZSend (send)"); }

int TZSocket::Receive(void* buffer, int size, int flags, const char* place) {
  if (size <= 0) return 0;
  const TLinkWinsockTable& t = LinkWinsock();
  int n = t.recv(SocketHandle, static_cast<char*>(buffer), std::min(size, std::max(BufferSize, 1)), flags);
  if (n == SOCKET_ERROR) {
    int error = t.WSAGetLastError();
    if (error != WSAEWOULDBLOCK) SocketError(SocketHandle, place, error);
  }
  return n;
}

int TZSocket::ZReceive(void* buffer, int size) { return Receive(buffer, size, 0, "ZReceive"); }
int TZSocket::ZReceiveUrgent(void* buffer, int size) { return Receive(buffer, size, MSG_OOB, "ZReceiveUrgent"); }
int TZSocket::ZPeek(void* buffer, int size) { return Receive(buffer, size, MSG_PEEK, "ZReceive"); }

std::string TZSocket::GetText() {
  u_long waiting = 0;
  if (LinkWinsock().ioctlsocket(SocketHandle, FIONREAD, &waiting) == SOCKET_ERROR) {
    SocketError(SocketHandle, "ZReceive", LinkWinsock().WSAGetLastError());
    return "";
  }
  std::string text(std::min<u_long>(waiting, u_long(std::max(BufferSize, 1))), '\0');
  int n = Receive(text.data(), int(text.size()), 0, "ZReceive");
  text.resize(size_t(std::max(n, 0)));
  return text;
}

void TZSocket::SetText(const std::string& text) {
  if (queued_.size() - queuedAt_ + text.size() > kMaxQueuedText) {
    SocketError(SocketHandle, "SetText (send)", WSAENOBUFS);
    return;
  }
  bool waiting = queuedAt_ < queued_.size();
  queued_.append(text);
  if (waiting) return;  // goes out behind the text before it
  if (FlushText() && queued_.empty() && OnSendComplete) OnSendComplete(this);
}

// Sends the waiting text until the socket takes no more; what is left goes at the next
// FD_WRITE (Winsock posts one after a send that would have blocked).
bool TZSocket::FlushText() {
  const TLinkWinsockTable& t = LinkWinsock();
  while (queuedAt_ < queued_.size()) {
    int size = int(std::min<size_t>(queued_.size() - queuedAt_, kSendChunk));
    int n = t.send(SocketHandle, queued_.data() + queuedAt_, size, 0);
    if (n == SOCKET_ERROR) {
      int error = t.WSAGetLastError();
      if (error == WSAEWOULDBLOCK) return true;
      DropText();
      SocketError(SocketHandle, "SetText (send)", error);
      return false;
    }
    queuedAt_ += size_t(n);
  }
  DropText();
  return true;
}

int TZSocket::IOCtl(long command, u_long* argument) {
  if (LinkWinsock().ioctlsocket(SocketHandle, command, argument) == 0) return 0;
  SocketError(SocketHandle, "IOCtl", LinkWinsock().WSAGetLastError());
  return SOCKET_ERROR;
}

int TZSocket::GetSocketOption(int level, int option, void* value, int* size) {
  if (LinkWinsock().getsockopt(SocketHandle, level, option, static_cast<char*>(value), size) == 0) return 0;
  SocketError(SocketHandle, "GetSocketOption", LinkWinsock().WSAGetLastError());
  return SOCKET_ERROR;
}

int TZSocket::SetSocketOption(int level, int option, const void* value, int size) {
  if (LinkWinsock().setsockopt(SocketHandle, level, option, static_cast<const char*>(value), size) == 0) return 0;
  SocketError(SocketHandle, "SetSocketOption", LinkWinsock().WSAGetLastError());
  return SOCKET_ERROR;
}

// ---- Socket notices ---------------------------------------------------------------------------

// Notices for a socket that is no longer ours (closed while they were queued) are dropped.
void TZSocket::WSAsyncSelect(TMessage& m) {
  SOCKET s = SOCKET(m.WParam);
  WORD event = wsaGetSelectEvent(m.LParam);
  int error = wsaGetSelectError(m.LParam);
  bool listening = event == FD_ACCEPT;
  if (s == INVALID_SOCKET || s != (listening ? ListenSocketHandle : SocketHandle)) return;
  if (error != 0) {
    if (event == FD_CONNECT) {  // the connection never came: the socket is of no more use
      ResetTimeout();
      CloseQuietly(SocketHandle);
    }
    SocketError(s, EventName(event), error);
    // A connection lost with an error is still closed: its owner hears of it below.
    if (event != FD_CLOSE || SocketHandle != s) return;
  }
  switch (event) {
    case FD_ACCEPT:
      if (OnConnectionRequest) OnConnectionRequest(this);
      break;
    case FD_CONNECT:
      ResetTimeout();
      if (OnConnect) OnConnect(this);
      break;
    case FD_READ:
      DataNotice();
      break;
    case FD_WRITE: {
      bool hadText = queuedAt_ < queued_.size();
      if (hadText && (!FlushText() || !queued_.empty())) break;
      if (hadText && OnSendComplete) OnSendComplete(this);
      if (SocketHandle == s && OnOKToWrite) OnOKToWrite(this);
      break;
    }
    case FD_CLOSE: {
      // What the peer sent before it closed is offered first, for as long as it is taken.
      for (int before = -1; SocketHandle == s && BytesAvailable != before;) {
        before = BytesAvailable;
        DataNotice();
        if (!OnDataAvailable) break;
      }
      if (SocketHandle == s && OnClose) OnClose(this);
      break;
    }
    default:
      break;
  }
}

// Tells of the bytes waiting, when there are any (a notice may come after they were read).
void TZSocket::DataNotice() {
  u_long waiting = 0;
  if (LinkWinsock().ioctlsocket(SocketHandle, FIONREAD, &waiting) == SOCKET_ERROR) waiting = 0;
  BytesAvailable = int(std::min<u_long>(waiting, INT_MAX));
  if (BytesAvailable > 0 && OnDataAvailable) OnDataAvailable(this);
}

// ---- Names and addresses ----------------------------------------------------------------------

std::string TZSocket::GetLocalHostName() {
  char name[256] = {};
  return LinkWinsock().gethostname(name, sizeof name - 1) == 0 ? name : "";
}

std::string TZSocket::GetLocalAddr() {
  std::string name = GetLocalHostName();
  hostent* h = name.empty() ? nullptr : LinkWinsock().gethostbyname(name.c_str());
  if (!h || h->h_length != 4 || !h->h_addr_list || !h->h_addr_list[0]) return "0.0.0.0";
  in_addr a;
  std::memcpy(&a, h->h_addr_list[0], 4);
  return DottedText(a);
}

sockaddr_in TZSocket::PeerName() {
  sockaddr_in a{};
  int len = sizeof a;
  if (LinkWinsock().getpeername(SocketHandle, reinterpret_cast<sockaddr*>(&a), &len) != 0) a = {};
  return a;
}

std::string TZSocket::GetRemoteAddr() { return AddrText(PeerName()); }
int TZSocket::GetRemotePort() { return PortNumber(PeerName()); }
std::string TZSocket::GetPeerAddr() const { return AddrText(peer_); }
int TZSocket::GetPeerPort() const { return PortNumber(peer_); }
