#include "comm/ZSocket.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "framework/WindowUtils.h"

namespace {

const char* const kErrorTexts10038[] = {
    "Socket operation on non-socket", "Destination address required", "Message too long",
    "Protocol wrong type for socket", "Protocol not available", "Protocol not supported",
    "Socket type not supported", "Operation not supported on socket", "Protocol family not supported",
    "Address family not supported by protocol family", "Address already in use", "Cant assign requested address",
    "Network is down", "Network is unreachable", "Network dropped connection on reset",
    "Software caused connection abort", "Connection reset by peer", "No buffer space available",
    "Socket is already connected", "Socket is not connected", "Cant send after socket shutdown",
    "Too many references: cant splice", "Connection timed out", "Connection refused",
    "Too many levels of symbolic links", "File name too long", "Host is down", "No route to host",
    "Directory not empty", "Too many processes", "Too many users", "Disc quota exceeded", "Stale NFS file handle",
    "Too many levels of remote in path",
};
static_assert(std::size(kErrorTexts10038) == 10071 - 10038 + 1);

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

std::string TZSocket::SocketErrorText(int code) {
  switch (code) {
    case 10004: return "Interrupted system call";
    case 10009: return "Bad file number";
    case 10013: return "Permission denied";
    case 10014: return "Bad address";
    case 10022: return "Invalid argument";
    case 10024: return "Too many open files";
    case 10035: return "Operation would block";
    case 10036: return "Operation now in progress";
    case 10037: return "Operation already in progress";
    case 10091: return "Network sub-system is unusable";
    case 10092: return "WinSock DLL cannot support this application";
    case 10093: return "WinSock not initialized";
    case 11001: return "Host not found";
    case 11002: return "Nonauthoritative host not found";
    case 11003: return "Nonrecoverable error";
    case 11004: return "No Data";
    default: break;
  }
  if (code >= 10038 && code <= 10071) return kErrorTexts10038[code - 10038];
  return "Not a WinSock error";
}
