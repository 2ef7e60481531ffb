// TZSocket: the program's own small Winsock component. The main window uses it for one
// thing: turning a host name into a dotted address without blocking (GetRemoteName, then
// exactly one of OnNameResolved or OnNameLookupFailed; ZAsyncCancel stops a lookup with no
// event). It goes through the library's Winsock table.
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

  explicit TZSocket(TComponent* owner = nullptr);
  ~TZSocket() override;

  int BufferSize = 8192;
  std::string RemoteAddr;  // set by a finished lookup
  std::string RemotePort;
  std::string LocalPort;
  int Timeout = 30;  // seconds; 0 or less: none
  std::string Version() const { return "1.0.0"; }
  int ListenBacklog = 0;
  std::string LimitAddr;
  int BytesAvailable = 0;
  SOCKET SocketHandle = INVALID_SOCKET;
  SOCKET ListenSocketHandle = INVALID_SOCKET;
  int State() const { return state_; }

  TNotifyEvent OnNameLookupFailed, OnNameResolved, OnTimeout;
  TZSocketErrorEvent OnError;

  void GetRemoteName(const std::string& name);
  void ZAsyncCancel();
  void SetTimeout();
  void ResetTimeout();
  // State 9; OnError, or a message box when there is none.
  void SocketError(SOCKET socket, const std::string& place, int code);
  static std::string SocketErrorText(int code);

  HWND Handle() const { return wnd_; }

 private:
  void WndProc(TMessage& m);
  void WMNameDNS(TMessage& m);
  void WMTimer();

  HWND wnd_ = nullptr;
  WSADATA data_{};
  bool started_ = false;
  alignas(8) char hostent_[1024] = {};
  HANDLE request_ = nullptr;  // the lookup whose reply is awaited; null when none
  int state_ = stCreated;
};
