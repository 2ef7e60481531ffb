// The Winsock device layer: one process-wide TLinkDeviceSocket, one TWsConnection per open
// port (its rings and telnet filter are TWsBuffers), and TLinkWinsockDispatcher, the
// dispatcher whose device operations read and write that connection. Nothing here runs on
// a thread of its own: socket notifications, the dispatcher window "lkDispatch" and a 50 ms
// timer drive the dispatcher on the user-interface thread.
#pragma once

#include "comm/SocketLayer.h"

#include <memory>
#include <mutex>
#include <string>

#include "comm/core/CommPort.h"
#include "comm/core/WsBuffers.h"

class TLinkWinsockDispatcher;
class TLinkDeviceSocket;

enum TWsConnectionState : uint8_t { wcsInit, wcsConnected };
inline constexpr uint32_t kWsStatusConnected = 128;  // in the dispatcher's status flags

// What the device socket tells a port window with LinkMsgSocketEvent (wParam); any other
// value is a socket error code.
enum : WPARAM { wsNoteAccept = 8, wsNoteConnect = 16, wsNoteClose = 32, wsNoteClientGone = 48 };

class TWsConnection : public TComponent, public ILinkSocketIO {
 public:
  TWsConnection(TLinkDeviceSocket* owner, SOCKET own, TLinkWinsockDispatcher* dispatcher, uint32_t inSize,
                uint32_t outSize);

  SOCKET Socket = INVALID_SOCKET;  // connected (for a server, accepted) socket
  SOCKET OwnSocket;                // the listening or connecting socket it was made with
  TLinkWinsockDispatcher* Dispatcher;
  TWsConnectionState State() const { return state_; }
  void SetState(TWsConnectionState state);
  bool IsClient = true, IsTelnet = false;
  TWsBuffers Buffers;
  bool CloseSeen = false;       // the peer closed; what it sent is still being read
  // A read notice (or a tick) came since the socket was last read. Each read that leaves
  // bytes waiting brings a notice of its own, so reading only on one keeps the notices
  // from piling up in the queue (a dispatch of several reads left the rest behind it).
  bool ReadDue = true;
  bool CloseAnnounced = false;  // the port was told
  int32_t ReportedError = 0;    // the last error the port was told of
  uint64_t Received = 0;        // bytes taken from the socket

  int32_t Recv(uint8_t* buf, int32_t size) override;
  int32_t Send(const uint8_t* buf, int32_t size) override;

 private:
  TWsConnectionState state_ = wcsInit;
};

class TLinkDeviceSocket : public TLinkSocket {
 public:
  explicit TLinkDeviceSocket(TComponent* owner = nullptr);

  std::string TerminalType = "vt100";
  void LockList() { list_.lock(); }
  void UnLockList() { list_.unlock(); }
  TWsConnection* FindConnection(SOCKET s);
  void ForgetConnection(TWsConnection* c);
  // Sends a socket-event message to the port of the connection's dispatcher, the
  // dispatcher marked busy meanwhile (a close asked for meanwhile is deferred).
  LRESULT TellPort(TLinkWinsockDispatcher* d, WPARAM wParam, LPARAM lParam);
  // The peer closed and everything it sent has gone to the port: tell the port.
  void AnnounceClose(TWsConnection* c);
  // A failure found while reading or writing, reported as a notification would be.
  void ReportError(TWsConnection* c, int32_t error);
  // Drops the notifications still queued for a socket that is being closed.
  void PurgeNotifications(SOCKET s);

 protected:
  void DoAccept(SOCKET s) override;
  void DoConnect(SOCKET s) override;
  void DoDisconnect(SOCKET s) override;
  void DoError(SOCKET s, int32_t error) override;  // never raises: the port hears of it
  void DoRead(SOCKET s) override;
  void DoWrite(SOCKET s) override;

 private:
  std::recursive_mutex list_;
  TWsConnection* cache_ = nullptr;
};

// The process's device socket (made on first use; it starts Winsock).
TLinkDeviceSocket& LinkDeviceSocket();

class TLinkWinsockDispatcher : public TLinkBaseDispatcher {
 public:
  explicit TLinkWinsockDispatcher(TLinkCustomComPort* port);
  ~TLinkWinsockDispatcher() override;

  // address and port in network order.
  void InitSocketData(uint32_t address, uint16_t port, bool isClient, bool isTelnet);
  TWsConnection* Connection() const { return connection_; }
  TLinkCustomComPort* Port() const { return static_cast<TLinkCustomComPort*>(Owner); }
  // The dispatch routine: reads the socket, fills the ring and fires the triggers (not
  // when checkTriggers is false); finishes a close that waited for it.
  void Dispatch(bool checkTriggers = true);

  int32_t EscapeComFunction(int32_t) override { return 0; }
  int32_t FlushCom(int32_t queue) override;
  int32_t GetComError(TLinkComStat& stat) override;
  int32_t GetOutputStatus(TLinkComStat& stat) override;
  uint32_t GetComEventMask(int32_t) override { return 0; }
  int32_t GetComState(TLinkDCB& dcb) override;
  int32_t ReadCom(uint8_t* buf, int32_t size) override;
  int32_t SetComState(TLinkDCB&) override { return 0; }
  int32_t WriteCom(const uint8_t* buf, int32_t size) override;
  bool WaitComEvent(uint32_t&, void*) override { return true; }
  bool SetupCom(int32_t inSize, int32_t outSize) override;
  void StartDispatcher() override;
  void StopDispatcher() override;
  intptr_t OpenCom(const char* name, int32_t inQueue, int32_t outQueue) override;
  int32_t CloseCom() override;
  void ProcessCommunications() override { Dispatch(false); }
  // The connection's rings keep their sizes until the next open.
  int32_t SetCommBuffers(int32_t, int32_t) override { return 0; }

  sockaddr_in Remote{}, Local{};
  bool IsClient = true, IsTelnet = false;
  UINT_PTR TimerId = 0;
  bool Started = false;
  uint32_t StatusFlags = 0;

 private:
  bool DrainRound(bool checkTriggers);

  TWsConnection* connection_ = nullptr;
  bool inDispatch_ = false;
  int32_t setupError_ = 0;
};
