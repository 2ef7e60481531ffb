// TZSocket: the program's own small Winsock component with a hidden window for the
// asynchronous notices. The main window uses it for one thing: turning a host name into a
// dotted address without blocking (GetRemoteName, then exactly one of OnNameResolved or
// OnNameLookupFailed; ZAsyncCancel stops a lookup with no event). It can also carry one TCP
// connection, made by ZConnect or taken by ZAccept from its listening socket, with the
// socket's notices as events. Everything goes through the library's Winsock table; every
// failure goes to SocketError and nothing raises.
#pragma once

#include "comm/WinsockUtil.h"

#include <windows.h>

#include <functional>
#include <string>

#include "framework/Controls.h"
#include "framework/core/Component.h"

using TZSocketErrorEvent =
    std::function<void(TComponent* sender, SOCKET socket, int error, const std::string& text)>;

class TZSocket : public TComponent {
 public:
  enum : int {
    stCreated = 1,
    stLookingUp = 5,
    stResolved = 6,
    stConnecting = 7,
    stConnectIssued = 8,
    stError = 9,
    stCancelled = 10,
  };
  static constexpr UINT kSelectMessage = WM_USER;
  static constexpr UINT kLookupMessage = WM_USER + 1;
  static constexpr UINT_PTR kTimerId = 10;
  // The most text that may wait to be sent (Text); more is refused whole.
  static constexpr size_t kMaxQueuedText = 64u << 20;

  explicit TZSocket(TComponent* owner = nullptr);
  ~TZSocket() override;

  int BufferSize = 8192;   // the most one receive takes
  std::string RemoteAddr;  // set by a finished lookup; where ZConnect goes
  std::string RemotePort;
  std::string LocalPort;  // where ZListen listens ("0": a free port, written back here)
  int Timeout = 30;       // seconds; 0 or less: none
  std::string Version() const { return "1.0.0"; }
  int ListenBacklog = 0;
  std::string LimitAddr;  // not empty: ZAccept takes only a peer of this dotted address
  int BytesAvailable = 0;  // what the socket held at its last data notice
  SOCKET SocketHandle = INVALID_SOCKET;
  SOCKET ListenSocketHandle = INVALID_SOCKET;
  int State() const { return state_; }
  // The place named by the last error reported.
  const std::string& ErrorPlace() const { return errorPlace_; }

  // Receives what is there, up to BufferSize bytes ("" when nothing is).
  std::string GetText();
  // Sends the text. What the socket cannot take at once waits and goes out as it drains,
  // ahead of anything sent later; OnSendComplete follows when all of it has gone.
  void SetText(const std::string& text);

  std::string GetLocalAddr();  // "0.0.0.0" when unknown
  std::string GetLocalHostName();
  // The connected peer as the socket sees it ("" and 0 when not connected).
  std::string GetRemoteAddr();
  int GetRemotePort();
  // The peer last connected to or accepted.
  std::string GetPeerAddr() const;
  int GetPeerPort() const;

  TNotifyEvent OnNameLookupFailed, OnNameResolved, OnSendComplete, OnOKToWrite, OnClose, OnConnectionRequest,
      OnConnect, OnDataAvailable, OnTimeout;
  TZSocketErrorEvent OnError;

  void GetRemoteName(const std::string& name);
  void ZAsyncCancel();
  void SetTimeout();
  void ResetTimeout();

  // Starts a connection to RemoteAddr:RemotePort; OnConnect or an "FD_CONNECT" error follows.
  void ZConnect();
  // Listens on LocalPort; OnConnectionRequest tells of each peer that calls.
  void ZListen();
  void ZCancelListen();
  // Takes the waiting peer as the connection; false when there was none, when a connection
  // is already held, or when LimitAddr turns the peer away (it is closed).
  bool ZAccept();
  void ZClose();

  // The bytes the socket took (0 when it can take nothing now; a notice follows when it
  // can), or SOCKET_ERROR.
  int ZSend(const void* data, int size);
  int ZSendUrgent(const void* data, int size);
  // At most min(size, BufferSize) bytes: the count, 0 when the peer has closed and nothing
  // is left, SOCKET_ERROR when nothing was there or on an error. ZPeek leaves the bytes.
  int ZReceive(void* buffer, int size);
  int ZReceiveUrgent(void* buffer, int size);
  int ZPeek(void* buffer, int size);

  // Winsock's ioctlsocket and getsockopt/setsockopt on the connection: 0 or SOCKET_ERROR.
  int IOCtl(long command, u_long* argument);
  int GetSocketOption(int level, int option, void* value, int* size);
  int SetSocketOption(int level, int option, const void* value, int size);

  // State 9; OnError, or a message box when there is none.
  void SocketError(SOCKET socket, const std::string& place, int code);
  static std::string SocketErrorText(int code);

  HWND Handle() const { return wnd_; }

 protected:
  // The notices of the sockets (WM_USER): events, or errors named by the notice.
  virtual void WSAsyncSelect(TMessage& m);

 private:
  void WndProc(TMessage& m);
  void WMNameDNS(TMessage& m);
  void WMTimer();
  int Receive(void* buffer, int size, int flags, const char* place);
  int Send(const void* data, int size, int flags, const char* place);
  bool FlushText();  // false on an error
  void DataNotice();
  void CloseQuietly(SOCKET& s);
  void CloseFailed(SOCKET s, const char* place);
  void Adopt(SOCKET s, const sockaddr_in& peer);  // the connection, made or accepted
  void DropText();
  sockaddr_in PeerName();

  HWND wnd_ = nullptr;
  WSADATA data_{};
  bool started_ = false;
  alignas(8) char hostent_[1024] = {};
  HANDLE request_ = nullptr;  // the lookup whose reply is awaited; null when none
  int state_ = stCreated;
  std::string errorPlace_;
  sockaddr_in peer_{};
  std::string queued_;  // text that waits for the socket to drain, from queuedAt_ on
  size_t queuedAt_ = 0;
};
