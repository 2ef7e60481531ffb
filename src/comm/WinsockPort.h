// TLinkWinsockPort: the port component over a TCP connection (device layer dlWinsock), as
// the main window uses it; any other layer behaves as the plain port.
#pragma once

#include "comm/WinsockDevice.h"

#include <functional>
#include <string>

enum TWsMode : uint8_t { wsClient, wsServer };

using TWsAcceptEvent = std::function<void(TComponent* sender, uint32_t addr, bool& accept)>;
using TWsErrorEvent = std::function<void(TComponent* sender, int32_t error)>;

class TLinkWinsockPort : public TLinkCustomComPort {
 public:
  explicit TLinkWinsockPort(TComponent* owner = nullptr);

  // Host name or dotted address of the peer (client), service name or port number; both
  // stored without surrounding blanks. Changing them, or the mode, on an open port raises
  // ELinkSocketException (9006).
  const std::string& WsAddress() const { return WsAddress_; }
  void SetWsAddress(const std::string& address);
  const std::string& WsPort() const { return WsPort_; }
  void SetWsPort(const std::string& port);
  TWsMode WsMode() const { return WsMode_; }
  void SetWsMode(TWsMode mode);
  // The library's own telnet filter on the connection (the main window clears it).
  bool Telnet = true;

  TWsAcceptEvent OnWsAccept;
  TLinkNotifyEvent OnWsConnect;
  TLinkNotifyEvent OnWsDisconnect;  // every close, whoever closed
  TWsErrorEvent OnWsError;          // asynchronous socket errors (a refused connect: 10061)

  TLinkWinsockDispatcher* WinsockDispatcher() const;

 protected:
  virtual bool DoAccept(uint32_t addr);
  virtual void DoConnect();
  virtual void DoDisconnect();
  virtual void DoError(int32_t error);

  std::unique_ptr<TLinkBaseDispatcher> ActivateDeviceLayer() override;
  void DeviceLayerChanged() override;
  void InitializePort() override;
  void ValidateComport() override;
  void PortClose() override;
  bool WindowMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam, intptr_t& result) override;

 public:
  void SetUseMSRShadow(bool on) override;

 private:
  void CheckChangeable(bool changed) const;

  std::string WsAddress_, WsPort_ = "telnet";
  TWsMode WsMode_ = wsClient;
};
