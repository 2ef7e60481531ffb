#include "comm/ZSocket.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "comm/core/SocketErrorText.h"
#include "framework/WindowUtils.h"

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
  if (started_ && LinkWinsock().WSACleanup() != 0)
    SocketError(SocketHandle, "Destructor (WSACleanup)", LinkWinsock().WSAGetLastError());
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
    const char* text = LinkWinsock().inet_ntoa(a);
    RemoteAddr = text ? text : "";
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
  std::string text = SocketErrorText(code);
  if (OnError) {
    OnError(this, socket, code, text);
    return;
  }
  std::string body = place + "\n\r" + text;
  MessageBoxA(nullptr, body.c_str(), "Error: TZSocket", MB_OK | MB_ICONERROR);
}

std::string TZSocket::SocketErrorText(int code) { return WinsockErrorText(code); }
