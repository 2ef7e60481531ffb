#include "comm/WinsockPort.h"

#include "comm/CommExcept.h"
#include "comm/PortWindows.h"
#include "comm/core/SocketNames.h"
#include "framework/core/SysUtils.h"

TLinkWinsockPort::TLinkWinsockPort(TComponent* owner) : TLinkCustomComPort(owner) {
  InitLinkLibrary();
  AcceptedLayers.push_back(dlWinsock);
}

void TLinkWinsockPort::CheckChangeable(bool changed) const {
  if (changed && PortState() == psOpen) throw ELinkSocketException(ecSocketConnected);
}

void TLinkWinsockPort::SetWsAddress(const std::string& address) {
  std::string v = Trim(address);
  CheckChangeable(v != WsAddress_);
  WsAddress_ = v;
}

void TLinkWinsockPort::SetWsPort(const std::string& port) {
  std::string v = Trim(port);
  CheckChangeable(v != WsPort_);
  WsPort_ = v;
}

void TLinkWinsockPort::SetWsMode(TWsMode mode) {
  CheckChangeable(mode != WsMode_);
  WsMode_ = mode;
}

TLinkWinsockDispatcher* TLinkWinsockPort::WinsockDispatcher() const {
  return dynamic_cast<TLinkWinsockDispatcher*>(Dispatcher());
}

std::unique_ptr<TLinkBaseDispatcher> TLinkWinsockPort::ActivateDeviceLayer() {
  if (DeviceLayer() != dlWinsock || CustomDispatcher) return TLinkCustomComPort::ActivateDeviceLayer();
  return std::make_unique<TLinkWinsockDispatcher>(this);
}

void TLinkWinsockPort::DeviceLayerChanged() {
  if (DeviceLayer() == dlWinsock) {
    TapiMode = TTapiMode::tmOff;
    SetUseMSRShadow(false);
  } else {
    TapiMode = TTapiMode::tmAuto;
  }
}

void TLinkWinsockPort::SetUseMSRShadow(bool on) { TLinkCustomComPort::SetUseMSRShadow(on && DeviceLayer() != dlWinsock); }

void TLinkWinsockPort::ValidateComport() {
  if (DeviceLayer() != dlWinsock) TLinkCustomComPort::ValidateComport();
}

void TLinkWinsockPort::InitializePort() {
  auto* d = dynamic_cast<TLinkWinsockDispatcher*>(Dispatcher());
  if (DeviceLayer() != dlWinsock || !d) {
    TLinkCustomComPort::InitializePort();
    return;
  }
  TLinkDeviceSocket& ds = LinkDeviceSocket();
  uint32_t address = 0;
  if (WsMode_ == wsClient) {
    if (WsAddress_.empty()) throw ELinkSocketException(ecDestinationRequired);
    address = ds.String2NetAddr(WsAddress_);
    if (address == INADDR_NONE) {
      address = ds.LookupName(WsAddress_);
      if (address == 0) throw ELinkSocketException(ecCannotResolve);
    }
  }
  int32_t port = ParsePortNumber(WsPort_);
  if (port < 0) port = ds.LookupService(WsPort_);
  if (port <= 0) throw ELinkSocketException(ecInvalidPort);
  d->InitSocketData(address, ds.htons(u_short(port)), WsMode_ == wsClient, Telnet);
  int32_t rc = d->InitSocket(InSize(), OutSize());
  if (rc < 0) throw ELinkSocketException(-rc);
}

bool TLinkWinsockPort::WindowMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam, intptr_t& result) {
  if (msg == LinkMsgSocketClose) {
    SetOpen(false);
    return true;
  }
  if (msg != LinkMsgSocketEvent) return false;
  switch (wParam) {
    case wsNoteAccept: result = DoAccept(uint32_t(lParam)) ? 1 : 0; break;
    case wsNoteConnect: DoConnect(); break;
    case wsNoteClose: PostMessageA(AsHwnd(PortWindow()), LinkMsgSocketClose, 0, 0); break;
    case wsNoteClientGone: DoDisconnect(); break;
    default: DoError(int32_t(wParam)); break;
  }
  return true;
}

bool TLinkWinsockPort::DoAccept(uint32_t addr) {
  bool accept = true;
  if (OnWsAccept) OnWsAccept(this, addr, accept);
  return accept;
}

void TLinkWinsockPort::DoConnect() {
  if (OnWsConnect) OnWsConnect(this);
}

void TLinkWinsockPort::DoDisconnect() {
  if (OnWsDisconnect) OnWsDisconnect(this);
}

// A reset or abort ends the connection: a client port closes (and so tells of it), a
// listening port only tells that its peer is gone. Other errors leave the port open.
void TLinkWinsockPort::DoError(int32_t error) {
  if (error == WSAENETRESET || error == WSAECONNABORTED || error == WSAECONNRESET) {
    if (WsMode_ == wsClient)
      PostMessageA(AsHwnd(PortWindow()), LinkMsgSocketClose, 0, 0);
    else
      DoDisconnect();
  }
  if (OnWsError) OnWsError(this, error);
}

void TLinkWinsockPort::PortClose() {
  TLinkCustomComPort::PortClose();
  DoDisconnect();
}
