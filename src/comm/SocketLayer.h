// TLinkSocket: a thin component over the Winsock table. Its hidden window receives the
// asynchronous socket notifications (message 2833) and turns them into virtual calls;
// failures of the socket calls go to DoError, failures to make a socket raise
// ELinkSocketException.
#pragma once

#include "comm/WinsockUtil.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "comm/core/LinkComponent.h"
#include "framework/Controls.h"

inline constexpr UINT LinkMsgSocketEvent = 2833;
inline constexpr UINT LinkMsgSocketClose = 2834;

enum : int32_t {
  ecWinsockLoad = 9002,         // "Error loading Winsock DLL"
  ecWinsockVersion = 9003,      // "Incorrect version of Winsock"
  ecWinsockNotReady = 9004,     // "Winsock not initialized - %s"
  ecInvalidPort = 9005,         // "Specified port is not valid"
  ecSocketConnected = 9006,     // "Cannot change parameter while socket is connected"
  ecCannotResolve = 9007,       // "Cannot resolve destination address"
  ecDestinationRequired = 10039,
};

class ELinkSocketException : public Exception {
 public:
  // The message is the text of code (for 9004, filled with the text of `detail`).
  explicit ELinkSocketException(int32_t code, int32_t detail = 0);
  int32_t ErrorCode;
};

using TLinkSocketEvent = std::function<void(TComponent* sender, SOCKET socket)>;
using TLinkSocketErrorEvent = std::function<void(TComponent* sender, SOCKET socket, int32_t error)>;

class TLinkSocket : public TLinkBaseComponent {
 public:
  explicit TLinkSocket(TComponent* owner = nullptr);
  ~TLinkSocket() override;

  TLinkSocketEvent OnWsAccept, OnWsConnect, OnWsDisconnect, OnWsRead, OnWsWrite;
  TLinkSocketErrorEvent OnWsError;

  std::string Description() const { return data_.szDescription; }
  std::string SystemStatus() const { return data_.szSystemStatus; }
  HWND Handle() const { return wnd_; }
  int32_t LastError() const { return lastError_; }
  std::string LocalHost();
  std::string LocalAddress();

  SOCKET CreateSocket();
  int BindSocket(SOCKET s, const sockaddr_in& addr);
  int ConnectSocket(SOCKET s, const sockaddr_in& addr);
  int ListenSocket(SOCKET s, int backlog);
  SOCKET AcceptSocket(SOCKET s, sockaddr_in& addr);
  int ReadSocket(SOCKET s, void* buf, int flags, int size);
  int WriteSocket(SOCKET s, const void* buf, int flags, int size);
  int ShutdownSocket(SOCKET s, int how);
  int CloseSocket(SOCKET s);
  int SetAsyncStyles(SOCKET s, long events);
  int SetSocketOptions(SOCKET s, int level, int option, const void* value, int size);

  // The address of a dotted text (blanks around it ignored), in network order; INADDR_NONE
  // when the text is anything else, also when it only begins with a dotted address.
  uint32_t String2NetAddr(const std::string& s);
  std::string NetAddr2String(uint32_t addr);
  uint32_t LookupName(const std::string& name);  // blocking; 0 when not found
  std::string LookupAddress(uint32_t addr);
  uint16_t LookupService(const std::string& name);  // host order; 0 when not found
  std::string LookupPort(uint16_t port);

  u_long htonl(u_long v) { return LinkWinsock().htonl(v); }
  u_short htons(u_short v) { return LinkWinsock().htons(v); }
  u_long ntohl(u_long v) { return LinkWinsock().ntohl(v); }
  u_short ntohs(u_short v) { return LinkWinsock().ntohs(v); }

 protected:
  virtual void DoAccept(SOCKET s);
  virtual void DoConnect(SOCKET s);
  virtual void DoDisconnect(SOCKET s);
  virtual void DoError(SOCKET s, int32_t error);
  virtual void DoRead(SOCKET s);
  virtual void DoWrite(SOCKET s);
  // Raises ELinkSocketException (9004) when Winsock could not be started.
  void CheckLoaded() const;
  // A failed call: the error is kept and given to DoError unless it is "would block".
  int Failed(SOCKET s, bool wouldBlockIsError);

 private:
  void WndProc(TMessage& m);

  WSADATA data_{};
  int32_t startupError_ = 0;
  bool started_ = false;
  int32_t lastError_ = 0;
  HWND wnd_ = nullptr;
};
