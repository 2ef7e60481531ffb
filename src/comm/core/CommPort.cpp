#include "comm/core/CommPort.h"

#include <algorithm>
#include <exception>
#include <map>

#include "comm/core/CommErrors.h"

namespace {

ILinkPortWindows* gWindows = nullptr;
TLinkPortSelector gPortSelector;
std::map<TDeviceLayer, TLinkDispatcherFactory>& Factories() {
  static std::map<TDeviceLayer, TLinkDispatcherFactory> f;
  return f;
}
// Live ports, guarded by the port-list lock: a notification names a dispatcher, and only a
// port on this list may be reached through its Owner.
std::vector<TLinkCustomComPort*> gPorts;

struct PortListLock {
  PortListLock() { LockPortList(); }
  ~PortListLock() { UnlockPortList(); }
  PortListLock(const PortListLock&) = delete;
  PortListLock& operator=(const PortListLock&) = delete;
};

TLinkCustomComPort* PortOf(TLinkBaseDispatcher* d) {
  if (!d) return nullptr;
  auto* port = static_cast<TLinkCustomComPort*>(d->Owner);
  if (std::find(gPorts.begin(), gPorts.end(), port) == gPorts.end()) return nullptr;
  return port->Dispatcher() == d ? port : nullptr;
}

uint8_t SWFlowBits(TSWFlowOptions o) {
  switch (o) {
    case swfReceive: return 2;
    case swfTransmit: return 1;
    case swfBoth: return 3;
    default: return 0;
  }
}

TSWFlowOptions SWFlowOptionsOf(uint8_t bits) {
  switch (bits & 3) {
    case 2: return swfReceive;
    case 1: return swfTransmit;
    case 3: return swfBoth;
    default: return swfNone;
  }
}

char UpCase(char c) { return char(LinkUpCase(uint8_t(c))); }

TDispatchLogHeader LinkDispatchLogHeader() {
  TDispatchLogHeader h;
#if defined(__clang__)
  h.Compiler = "clang " __clang_version__;
#elif defined(__GNUC__)
  h.Compiler = "GNU C++ " __VERSION__;
#endif
  h.OperatingSystem = LinkPlatform().OperatingSystemText();
  return h;
}

// Runs the remaining steps of a close even when one of them throws; the first exception
// passes on at the end.
class FirstError {
 public:
  template <class F>
  void Run(F&& f) {
    try {
      f();
    } catch (...) {
      if (!error_) error_ = std::current_exception();
    }
  }
  void Rethrow() {
    if (error_) std::rethrow_exception(error_);
  }

 private:
  std::exception_ptr error_;
};

}  // namespace

ILinkPortWindows* LinkPortWindows() { return gWindows; }
void SetLinkPortWindows(ILinkPortWindows* windows) { gWindows = windows; }

void SetLinkDeviceLayer(TDeviceLayer layer, TLinkDispatcherFactory factory) {
  if (factory)
    Factories()[layer] = std::move(factory);
  else
    Factories().erase(layer);
}

void SetLinkPortSelector(TLinkPortSelector selector) { gPortSelector = std::move(selector); }

bool LinkPortWindowMessage(TLinkCustomComPort* windowPort, uint32_t msg, uintptr_t wParam, intptr_t lParam,
                           intptr_t& result) {
  result = 0;
  const uint16_t handle = uint16_t(uint32_t(lParam) >> 16);
  const uint16_t low = uint16_t(uint32_t(lParam) & 0xFFFF);
  if (msg >= LinkMsgTriggerAvail && msg <= LinkMsgLineLost) {
    PortListLock lock;
    TLinkBaseDispatcher* d = GetTComRecPtr(handle);
    // A message its sender gave up on and sent again is not handled twice.
    if (!d || !d->NotifyEntering(windowPort ? windowPort->PortWindow() : 0)) return true;
    // The dispatcher keeps the notification open until it hears that the procedure ran:
    // tell it on every way out, a throwing handler included.
    struct Delivered {
      TLinkBaseDispatcher* d;
      uint16_t handle;
      ~Delivered() {
        if (d && GetTComRecPtr(handle) == d) d->NotifyDelivered();
      }
    } told{d, handle};
    TLinkCustomComPort* port = PortOf(d);
    if (!port) return true;
    if (msg == LinkMsgLineLost) {
      port->LineLost(-int32_t(wParam & 0x7FFFFFFF));
      return true;
    }
    const uint16_t data = msg == LinkMsgTriggerAvail ? uint16_t(wParam) : low;
    port->Trigger(uint16_t(msg), uint16_t(wParam), data);
    switch (msg) {
      case LinkMsgTriggerAvail:
        port->TriggerAvail(uint16_t(wParam));
        break;
      case LinkMsgTriggerData:
        port->TriggerData(uint16_t(wParam));
        break;
      case LinkMsgTriggerTimer:
        port->TriggerTimer(uint16_t(wParam));
        break;
      case LinkMsgTriggerStatus:
        port->TriggerStatus(uint16_t(wParam));
        if (!port->Dispatcher()) break;
        switch (TLinkBaseDispatcher::ClassifyStatusTrigger(uint16_t(wParam))) {
          case stModem: port->TriggerModemStatus(); break;
          case stLine: {
            uint16_t error = port->GetLineError();
            port->TriggerLineError(error, port->GetLineBreak());
            break;
          }
          case stOutBuffFree: port->TriggerOutbuffFree(); break;
          case stOutBuffUsed: port->TriggerOutbuffUsed(); break;
          case stOutSent: port->TriggerOutSent(); break;
          default: break;
        }
        break;
    }
    return true;
  }
  if (msg == LinkMsgClosePort || msg == LinkMsgCloseLostLine) {
    TLinkCustomComPort* port = windowPort;
    if (!port) {
      PortListLock lock;
      port = PortOf(GetTComRecPtr(handle));
    }
    if (port && msg == LinkMsgClosePort) port->DeferredClose(handle);
    if (port && msg == LinkMsgCloseLostLine) port->CloseLostLine(handle);
    return true;
  }
  return windowPort && windowPort->WindowMessage(msg, wParam, lParam, result);
}

// ---- Construction -------------------------------------------------------------------------

TLinkCustomComPort::TLinkCustomComPort(TComponent* owner) : TLinkBaseComponent(owner) {
  {
    PortListLock lock;
    gPorts.push_back(this);
  }
  if (owner) owner->NotifyInserted(this);  // a status-lights controller without a port takes it
}

TLinkCustomComPort::~TLinkCustomComPort() {
  try {
    if (State_ == psOpen) DonePort();
  } catch (...) {
    // A handler of the close failed; the port goes all the same.
  }
  if (Dispatcher_) FinishClose();
  Users_.clear();
  TLinkBaseDispatcher::ClearSaveBuffers(Save_);
  PortListLock lock;
  gPorts.erase(std::remove(gPorts.begin(), gPorts.end(), this), gPorts.end());
}

void TLinkCustomComPort::Loaded() {
  TLinkBaseComponent::Loaded();
  if (OpenAfterLoad_) Open_ = true;
  if (Open_) {
    OpenAfterLoad_ = false;
    InitPort();
  }
}

void TLinkCustomComPort::ForcePortOpen() {
  if (AutoOpen) OpenAfterLoad_ = true;
}

// ---- Opening and closing -------------------------------------------------------------------

void TLinkCustomComPort::SetOpen(bool open) {
  if (!open && OpenPending_) {
    OpenPending_ = false;  // closed again before the pending open could happen
    return;
  }
  if (open == Open_) return;
  if (ComponentLoading()) {
    Open_ = open;
    if (open) OpenAfterLoad_ = true;
    return;
  }
  if (!open) {
    DonePort();
  } else if (State_ != psClosed) {
    OpenPending_ = true;
  } else {
    InitPort();
  }
}

std::unique_ptr<TLinkBaseDispatcher> TLinkCustomComPort::ActivateDeviceLayer() {
  std::unique_ptr<TLinkBaseDispatcher> d;
  if (CustomDispatcher) {
    d = CustomDispatcher(*this);
  } else {
    auto it = Factories().find(DeviceLayer_);
    if (it != Factories().end() && std::find(AcceptedLayers.begin(), AcceptedLayers.end(), DeviceLayer_) != AcceptedLayers.end())
      d = it->second(*this);
  }
  if (!d) CheckException(nullptr, ecNullApi);
  d->Owner = this;
  return d;
}

void TLinkCustomComPort::ValidateComport() {
  if (ComNumber_ != 0) return;
  uint16_t chosen = PromptForPort ? SelectPort() : 0;
  if (chosen == 0) CheckException(nullptr, ecNoPortSelected);
  SetComNumber(chosen);
}

uint16_t TLinkCustomComPort::SelectPort() { return gPortSelector ? gPortSelector() : 0; }

void TLinkCustomComPort::InitializePort() {
  std::string name = TapiMode == TTapiMode::tmOn ? std::string() : "\\\\.\\" + ComName(ComNumber_);
  int32_t rc = Dispatcher_->InitPort(name.empty() ? nullptr : name.c_str(), Baud_, Parity_, uint8_t(DataBits_),
                                     uint8_t(StopBits_), InSize_, OutSize_, DTR_, RTS_);
  if (rc == -5)
    rc = ecAlreadyOpen;
  else if (rc == -2 || rc == -3)
    rc = ecBadId;
  if (rc < 0) CheckException(nullptr, rc);
  State_ = psOpen;
}

void TLinkCustomComPort::ReadBackTapiSettings() {
  TLinkDCB dcb;
  Dispatcher_->GetComState(dcb);
  Baud_ = MapBaudCode(int32_t(dcb.BaudRate));
  Parity_ = dcb.Parity <= pSpace ? TParity(dcb.Parity) : pNone;
  DataBits_ = dcb.ByteSize;
  StopBits_ = dcb.StopBits == sbOne ? 1 : 2;
  const TLinkFlowOptions flow = DcbFlowOptions(dcb, InSize_);
  HWFlowOptions_ = flow.Hardware;  // the same bits as THWFlowOptionSet
  SWFlowOptions_ = SWFlowOptionsOf(flow.Software);
  XOnChar_ = flow.XonChar;
  XOffChar_ = flow.XoffChar;
}

void TLinkCustomComPort::InitPort() {
  bool registered = false;
  try {
    if (TapiMode != TTapiMode::tmOn) ValidateComport();
    Dispatcher_ = ActivateDeviceLayer();
    if (TapiMode == TTapiMode::tmOn) {
      if (Dispatcher_->ComHandle <= 0) CheckException(nullptr, ecNotOpenedByTapi);
      ReadBackTapiSettings();
    }
    InitializePort();
    State_ = psOpen;
    UpdateHandlerFlag();
    Force_ = true;
    SetTracing(Tracing_);
    SetLogging(Logging_);
    SetHWFlowOptions(HWFlowOptions_);
    SetSWFlowOptions(SWFlowOptions_);
    SetXOnChar(XOnChar_);
    SetXOffChar(XOffChar_);
    SetTriggerLength(TriggerLength_);
    SetDTR(DTR_);
    if (DeviceLayer_ != dlFossil) SetRTS(RTS_);
    SetUseMSRShadow(UseMSRShadow_);
    SetUseEventWord(UseEventWord_);
    SetCommNotificationLevel(CommNotificationLevel_);
    SetRS485Mode(RS485Mode_);
    SetThreadBoost(ThreadBoost_);
    Force_ = false;
    Open_ = true;
    RegisterComPort(true);
    registered = true;
    if (TriggersSaved_) {
      TriggersSaved_ = false;
      Dispatcher_->RestoreTriggers(Save_);
    }
    PortOpen();
  } catch (...) {
    UnwindOpen(registered);
    throw;
  }
}

// An open that failed at any step leaves the port as it was before: closed, its window
// gone, its dispatcher (and the device) closed and freed.
void TLinkCustomComPort::UnwindOpen(bool registered) {
  Force_ = false;
  Open_ = false;
  State_ = psClosed;
  try {
    if (registered || Window_) RegisterComPort(false);
  } catch (...) {
  }
  if (Dispatcher_) {
    Dispatcher_->DonePort();
    PortListLock lock;
    Dispatcher_.reset();
  }
}

bool TLinkCustomComPort::DispatcherBusy() const { return Dispatcher_ && Dispatcher_->NotifyBusy(); }

void TLinkCustomComPort::DonePort() {
  Open_ = false;
  LineLostPending_ = false;
  if (State_ != psOpen) return;
  FirstError error;
  error.Run([&] { SetTracing(tlDump); });
  error.Run([&] { SetLogging(tlDump); });
  State_ = psShuttingDown;
  error.Run([&] { PortClose(); });
  Dispatcher_->SaveTriggers(Save_);
  TriggersSaved_ = true;
  Dispatcher_->DonePort();
  if (DispatcherBusy()) {
    if (ILinkPortWindows* w = LinkPortWindows(); w && Window_)
      w->PostPortMessage(Window_, LinkMsgClosePort, 0, int32_t(uint32_t(Dispatcher_->Handle) << 16));
    SafeYield();
  } else {
    FinishClose();
    // An open asked for while the close events ran (a user reconnecting from them).
    error.Run([&] { OpenIfPending(); });
  }
  error.Rethrow();
}

void TLinkCustomComPort::OpenIfPending() {
  if (!OpenPending_ || State_ != psClosed) return;
  OpenPending_ = false;
  InitPort();
}

void TLinkCustomComPort::FinishClose() {
  try {
    RegisterComPort(false);
  } catch (...) {
  }
  {
    PortListLock lock;
    Dispatcher_.reset();
  }
  State_ = psClosed;
  LineFailure_ = 0;
}

void TLinkCustomComPort::DeferredClose(uint16_t handle) {
  if (State_ != psShuttingDown || !Dispatcher_ || Dispatcher_->Handle != handle) return;
  if (DispatcherBusy()) {
    if (ILinkPortWindows* w = LinkPortWindows(); w && Window_)
      w->PostPortMessage(Window_, LinkMsgClosePort, 0, int32_t(uint32_t(handle) << 16));
    return;
  }
  FinishClose();
  OpenIfPending();
}

void TLinkCustomComPort::LineLost(int32_t code) {
  LineFailure_ = code < 0 ? code : ecGeneralFailure;
  ILinkPortWindows* w = LinkPortWindows();
  if (!w || !Window_ || !Dispatcher_) return;
  LineLostPending_ = true;
  w->PostPortMessage(Window_, LinkMsgCloseLostLine, 0, int32_t(uint32_t(Dispatcher_->Handle) << 16));
}

// Only the line that was lost closes: a port closed and opened again meanwhile stays.
void TLinkCustomComPort::CloseLostLine(uint16_t) {
  if (LineLostPending_ && State_ == psOpen) SetOpen(false);
  LineLostPending_ = false;
}

void TLinkCustomComPort::RegisterComPort(bool use) {
  ILinkPortWindows* w = LinkPortWindows();
  if (use) {
    if (!w || Window_) return;
    Window_ = w->CreatePortWindow(this);
    if (Dispatcher_) {
      Dispatcher_->SetNotifier(w->Notifier());
      Dispatcher_->RegisterWndTriggerHandler(Window_);
    }
  } else {
    if (!Window_) return;
    TLinkWindow wnd = Window_;
    Window_ = 0;
    if (Dispatcher_) Dispatcher_->DeregisterWndTriggerHandler(wnd);
    if (w) w->DestroyPortWindow(wnd);
  }
}

// The users, from the last registered to the first, then the port's own event.
void TLinkCustomComPort::TellUsers(bool opening) {
  ILinkPortWindows* w = LinkPortWindows();
  for (size_t i = Users_.size(); i-- > 0;) {
    if (i >= Users_.size()) continue;  // a user went meanwhile
    User u = Users_[i];
    if (u.Wnd && w)
      w->SendUserMessage(u.Wnd, opening ? LinkMsgPortOpened : LinkMsgPortClosed);
    else if (u.Callback)
      u.Callback(this, opening);
  }
  const TLinkNotifyEvent& event = opening ? OnPortOpened : OnPortClosed;
  if (event) event(this);
}

void TLinkCustomComPort::PortOpen() { TellUsers(true); }
void TLinkCustomComPort::PortClose() { TellUsers(false); }

bool TLinkCustomComPort::WindowMessage(uint32_t, uintptr_t, intptr_t, intptr_t&) { return false; }

TLinkBaseDispatcher* TLinkCustomComPort::GetDispatcher() {
  if (!Dispatcher_ && !ComponentLoading() && !Open_ && AutoOpen) SetOpen(true);
  return Dispatcher_.get();
}

TLinkBaseDispatcher& TLinkCustomComPort::ValidDispatcher() {
  TLinkBaseDispatcher* d = GetDispatcher();
  if (!d) CheckException(nullptr, ecCommNotOpen);
  return *d;
}

// ---- Users -----------------------------------------------------------------------------------

void TLinkCustomComPort::RegisterUser(TLinkWindow wnd) { Users_.push_back({wnd, nullptr, {}}); }

void TLinkCustomComPort::DeregisterUser(TLinkWindow wnd) {
  std::erase_if(Users_, [&](const User& u) { return u.Wnd == wnd && wnd != 0; });
}

void TLinkCustomComPort::RegisterUserCallback(const void* key, TPortUserCallback callback) {
  Users_.push_back({0, key, std::move(callback)});
}

void TLinkCustomComPort::DeregisterUserCallback(const void* key) {
  std::erase_if(Users_, [&](const User& u) { return u.Wnd == 0 && u.Key == key; });
}

// ---- Trigger virtuals ------------------------------------------------------------------------

void TLinkCustomComPort::Trigger(uint16_t msg, uint16_t trigger, uint16_t data) {
  if (OnTrigger_) OnTrigger_(this, msg, trigger, data);
}
void TLinkCustomComPort::TriggerAvail(uint16_t count) {
  if (OnTriggerAvail_) OnTriggerAvail_(this, count);
}
void TLinkCustomComPort::TriggerData(uint16_t trigger) {
  if (OnTriggerData_) OnTriggerData_(this, trigger);
}
void TLinkCustomComPort::TriggerStatus(uint16_t trigger) {
  if (OnTriggerStatus_) OnTriggerStatus_(this, trigger);
}
void TLinkCustomComPort::TriggerTimer(uint16_t trigger) {
  if (OnTriggerTimer_) OnTriggerTimer_(this, trigger);
}
void TLinkCustomComPort::TriggerLineError(uint16_t error, bool lineBreak) {
  if (OnTriggerLineError_) OnTriggerLineError_(this, error, lineBreak);
}
void TLinkCustomComPort::TriggerModemStatus() {
  if (OnTriggerModemStatus_) OnTriggerModemStatus_(this);
}
void TLinkCustomComPort::TriggerOutbuffFree() {
  if (OnTriggerOutbuffFree_) OnTriggerOutbuffFree_(this);
}
void TLinkCustomComPort::TriggerOutbuffUsed() {
  if (OnTriggerOutbuffUsed_) OnTriggerOutbuffUsed_(this);
}
void TLinkCustomComPort::TriggerOutSent() {
  if (OnTriggerOutSent_) OnTriggerOutSent_(this);
}
void TLinkCustomComPort::WaitChar(char c) {
  if (OnWaitChar) OnWaitChar(this, c);
}

void TLinkCustomComPort::UpdateHandlerFlag() {
  if (State_ != psOpen || !Dispatcher_) return;
  bool any = OnTrigger_ || OnTriggerAvail_ || OnTriggerData_ || OnTriggerStatus_ || OnTriggerTimer_ ||
             OnTriggerLineError_ || OnTriggerModemStatus_ || OnTriggerOutbuffFree_ || OnTriggerOutbuffUsed_ ||
             OnTriggerOutSent_;
  Dispatcher_->UpdateHandlerFlags(any ? fuEnablePort : fuDisablePort);
}

// ---- Property setters ----------------------------------------------------------------------

void TLinkCustomComPort::SetDeviceLayer(TDeviceLayer layer) {
  if (layer == DeviceLayer_) return;
  if (State_ != psClosed) {
    if (Dispatcher_) Dispatcher_->AddStringToLog("DeviceLayer not changed: the port is not closed");
    return;
  }
  if (std::find(AcceptedLayers.begin(), AcceptedLayers.end(), layer) == AcceptedLayers.end()) return;
  DeviceLayer_ = layer;
  DeviceLayerChanged();
}

void TLinkCustomComPort::SetComNumber(uint16_t n) {
  if (State_ != psOpen) {
    ComNumber_ = n;
    return;
  }
  // Closed and opened again on the new port; the triggers and the trace and log
  // states go along (the close keeps the triggers, the open restores them).
  TTraceLogState tracing = Tracing_, logging = Logging_;
  SetOpen(false);
  ComNumber_ = n;
  SetTracing(tracing);
  SetLogging(logging);
  SetOpen(true);
}

void TLinkCustomComPort::ApplyLine() {
  if (State_ == psOpen) Check(Dispatcher_->SetLine(Baud_, Parity_, uint8_t(DataBits_), uint8_t(StopBits_)));
}

void TLinkCustomComPort::SetBaud(int32_t baud) {
  Baud_ = baud;
  ApplyLine();
}
void TLinkCustomComPort::SetParity(TParity parity) {
  Parity_ = parity;
  ApplyLine();
}
void TLinkCustomComPort::SetDataBits(uint16_t bits) {
  DataBits_ = bits;
  ApplyLine();
}
void TLinkCustomComPort::SetStopBits(uint16_t bits) {
  StopBits_ = bits;
  ApplyLine();
}

void TLinkCustomComPort::SetInSize(uint16_t size) {
  if (size == InSize_ && !Force_) return;
  InSize_ = size;
  if (State_ == psOpen) Check(Dispatcher_->SetCommBuffers(InSize_, OutSize_));
}

void TLinkCustomComPort::SetOutSize(uint16_t size) {
  if (size == OutSize_ && !Force_) return;
  OutSize_ = size;
  if (State_ == psOpen) Check(Dispatcher_->SetCommBuffers(InSize_, OutSize_));
}

void TLinkCustomComPort::SetDTR(bool on) {
  if (on == DTR_ && !Force_) return;
  DTR_ = on;
  if (State_ == psOpen) Check(Dispatcher_->SetDtr(on));
}

void TLinkCustomComPort::SetRTS(bool on) {
  if (on == RTS_ && !Force_) return;
  RTS_ = on;
  if (State_ == psOpen) Check(Dispatcher_->SetRts(on));
}

void TLinkCustomComPort::SetHWFlowOptions(THWFlowOptionSet options) {
  options &= hwfUseDTR | hwfUseRTS | hwfRequireDSR | hwfRequireCTS;
  if (options) {
    if (BufferFull_ == 0 || BufferFull_ > InSize_) BufferFull_ = uint16_t(uint32_t(InSize_) * 9 / 10);
    if (BufferResume_ == 0 || BufferResume_ > BufferFull_) BufferResume_ = uint16_t(InSize_ / 10);
  }
  if (State_ == psOpen) Check(Dispatcher_->HWFlowOptions(BufferFull_, BufferResume_, options));
  HWFlowOptions_ = options;
  if ((options & (hwfUseRTS | hwfRequireCTS)) && RS485Mode_) SetRS485Mode(false);
}

void TLinkCustomComPort::SetSWFlowOptions(TSWFlowOptions options) {
  if (options != swfNone) {
    if (BufferFull_ == 0 || BufferFull_ > InSize_) BufferFull_ = uint16_t(uint32_t(InSize_) * 3 / 4);
    if (BufferResume_ == 0 || BufferResume_ > BufferFull_) BufferResume_ = uint16_t(InSize_ / 4);
  }
  if (State_ == psOpen) {
    if (options == swfNone)
      Check(Dispatcher_->SWFlowDisable());
    else
      Check(Dispatcher_->SWFlowEnable(BufferFull_, BufferResume_, SWFlowBits(options)));
  }
  SWFlowOptions_ = options;
}

void TLinkCustomComPort::SetXOnChar(char c) {
  if (c == XOnChar_ && !Force_) return;
  XOnChar_ = c;
  if (State_ == psOpen) Check(Dispatcher_->SWFlowChars(XOnChar_, XOffChar_));
}

void TLinkCustomComPort::SetXOffChar(char c) {
  if (c == XOffChar_ && !Force_) return;
  XOffChar_ = c;
  if (State_ == psOpen) Check(Dispatcher_->SWFlowChars(XOnChar_, XOffChar_));
}

void TLinkCustomComPort::ApplyFlow() {
  SetHWFlowOptions(HWFlowOptions_);
  SetSWFlowOptions(SWFlowOptions_);
}

void TLinkCustomComPort::SetBufferFull(uint16_t n) {
  if (n == BufferFull_ && !Force_) return;
  BufferFull_ = n;
  ApplyFlow();
}

void TLinkCustomComPort::SetBufferResume(uint16_t n) {
  if (n == BufferResume_ && !Force_) return;
  BufferResume_ = n;
  ApplyFlow();
}

void TLinkCustomComPort::SetRS485Mode(bool on) {
  RS485Mode_ = on;
  if (State_ == psOpen) Dispatcher_->SetRS485Mode(on);
  if (on) {
    if (HWFlowOptions_ & (hwfUseRTS | hwfRequireCTS))
      SetHWFlowOptions(THWFlowOptionSet(HWFlowOptions_ & ~(hwfUseRTS | hwfRequireCTS)));
    SetRTS(false);
  }
}

void TLinkCustomComPort::SetUseMSRShadow(bool on) { UseMSRShadow_ = on; }

void TLinkCustomComPort::SetUseEventWord(bool on) {
  if (on == UseEventWord_ && !Force_) return;
  UseEventWord_ = on;
  if (State_ != psOpen) return;
  if (on)
    Dispatcher_->OptionsOn(kDispatchOptionEventWord);
  else
    Dispatcher_->OptionsOff(kDispatchOptionEventWord);
}

void TLinkCustomComPort::SetCommNotificationLevel(uint16_t level) { CommNotificationLevel_ = level; }

void TLinkCustomComPort::SetThreadBoost(TApThreadBoost boost) {
  if (boost == ThreadBoost_ && !Force_) return;
  ThreadBoost_ = boost;
  if (State_ == psOpen) Dispatcher_->SetThreadBoost(boost);
}

void TLinkCustomComPort::SetTriggerLength(uint16_t length) {
  if (length == TriggerLength_ && !Force_) return;
  TriggerLength_ = length;
  if (State_ == psOpen) Check(Dispatcher_->ChangeLengthTrigger(length));
}

void TLinkCustomComPort::SetBaseAddress(uint16_t address) {
  if (address == BaseAddress_ && !Force_) return;
  BaseAddress_ = address;
  if (State_ == psOpen) Dispatcher_->SetBaseAddress(address);
}

// A trace or log in use takes the new size at once, keeping what it recorded last.
void TLinkCustomComPort::SetTraceSize(uint32_t size) {
  TraceSize_ = size;
  if (State_ == psOpen && (Tracing_ == tlOn || Tracing_ == tlPause)) Check(Dispatcher_->ResizeTracing(size));
}
void TLinkCustomComPort::SetLogSize(uint32_t size) {
  LogSize_ = size;
  if (State_ == psOpen && (Logging_ == tlOn || Logging_ == tlPause)) Check(Dispatcher_->ResizeDispatchLogging(size));
}

TFlowControlState TLinkCustomComPort::GetFlowState() {
  if (ShuttingDown()) return fcOff;
  TLinkBaseDispatcher& d = ValidDispatcher();
  int32_t hw = d.HWFlowState(), sw = d.SWFlowState();
  if (hw > 2) return TFlowControlState(hw - 1);
  if (sw > 2) return TFlowControlState(sw - 1);
  return hw == 2 || sw == 2 ? fcOn : fcOff;
}

// ---- Trace and dispatch log ------------------------------------------------------------------

void TLinkCustomComPort::SetTracing(TTraceLogState state) { SetTraceLogState(false, state); }
void TLinkCustomComPort::SetLogging(TTraceLogState state) { SetTraceLogState(true, state); }

void TLinkCustomComPort::SetTraceLogState(bool log, TTraceLogState state) {
  TTraceLogState& current = log ? Logging_ : Tracing_;
  if (State_ != psOpen) {
    current = state == tlOn ? tlOn : tlOff;
    return;
  }
  const bool running = current == tlOn || current == tlPause;
  switch (state) {
    case tlOff:
      if (running) History(log, THistoryOp::Abort);
      current = tlOff;
      break;
    case tlOn:
      if (current == tlPause)
        History(log, THistoryOp::Start);
      else if (current != tlOn || Force_)
        History(log, THistoryOp::Init, log ? LogSize_ : TraceSize_);
      current = tlOn;
      break;
    case tlDump:
    case tlAppend:
      if (running)
        History(log, state == tlDump ? THistoryOp::Dump : THistoryOp::Append, 0, log ? LogName : TraceName,
                log ? LogHex : TraceHex);
      break;
    case tlClear:
      if (running) History(log, THistoryOp::Clear);
      break;
    case tlPause:
      if (current == tlOn) History(log, THistoryOp::Stop);
      break;
  }
}

// One operation on the trace (log false) or the dispatch log, and the state it leaves.
void TLinkCustomComPort::History(bool log, THistoryOp op, uint32_t size, const std::string& name, bool inHex) {
  if (ShuttingDown()) return;
  TLinkBaseDispatcher& d = ValidDispatcher();
  TTraceLogState& state = log ? Logging_ : Tracing_;
  switch (op) {
    case THistoryOp::Init:
      Check(log ? d.InitDispatchLogging(size) : d.InitTracing(size));
      state = tlOn;
      break;
    case THistoryOp::Dump:
    case THistoryOp::Append:
      state = tlOff;  // a dump ends the history, also when it cannot be written
      Check(log ? d.DumpDispatchLog(name, inHex, op == THistoryOp::Append, LinkDispatchLogHeader())
                : d.DumpTrace(name, inHex, op == THistoryOp::Append));
      break;
    case THistoryOp::Clear:
      log ? d.ClearDispatchLogging() : d.ClearTracing();
      break;
    case THistoryOp::Abort:
      log ? d.AbortDispatchLogging() : d.AbortTracing();
      state = tlOff;
      break;
    case THistoryOp::Start:
      log ? d.StartDispatchLogging() : d.StartTracing();
      if (state == tlPause) state = tlOn;
      break;
    case THistoryOp::Stop:
      log ? d.StopDispatchLogging() : d.StopTracing();
      if (state == tlOn) state = tlPause;
      break;
  }
}

void TLinkCustomComPort::InitTracing(uint32_t size) { History(false, THistoryOp::Init, size); }
void TLinkCustomComPort::DumpTrace(const std::string& name, bool inHex) { History(false, THistoryOp::Dump, 0, name, inHex); }
void TLinkCustomComPort::AppendTrace(const std::string& name, bool inHex) { History(false, THistoryOp::Append, 0, name, inHex); }
void TLinkCustomComPort::ClearTracing() { History(false, THistoryOp::Clear); }
void TLinkCustomComPort::AbortTracing() { History(false, THistoryOp::Abort); }
void TLinkCustomComPort::StartTracing() { History(false, THistoryOp::Start); }
void TLinkCustomComPort::StopTracing() { History(false, THistoryOp::Stop); }
void TLinkCustomComPort::AddTraceEntry(char kind, char c) {
  if (!ShuttingDown()) ValidDispatcher().AddTraceEntry(kind, uint8_t(c));
}
void TLinkCustomComPort::InitLogging(uint32_t size) { History(true, THistoryOp::Init, size); }
void TLinkCustomComPort::DumpLog(const std::string& name, bool inHex) { History(true, THistoryOp::Dump, 0, name, inHex); }
void TLinkCustomComPort::AppendLog(const std::string& name, bool inHex) { History(true, THistoryOp::Append, 0, name, inHex); }
void TLinkCustomComPort::ClearLogging() { History(true, THistoryOp::Clear); }
void TLinkCustomComPort::AbortLogging() { History(true, THistoryOp::Abort); }
void TLinkCustomComPort::StartLogging() { History(true, THistoryOp::Start); }
void TLinkCustomComPort::StopLogging() { History(true, THistoryOp::Stop); }
void TLinkCustomComPort::AddStringToLog(const std::string& s) {
  if (!ShuttingDown()) ValidDispatcher().AddStringToLog(s);
}

// ---- Data ------------------------------------------------------------------------------------

void TLinkCustomComPort::PutChar(char c) { PutBlock(&c, 1); }

void TLinkCustomComPort::PutString(const std::string& s) { PutBlock(s.data(), uint32_t(s.size())); }

void TLinkCustomComPort::PutBlock(const void* buf, uint32_t len) {
  if (ShuttingDown()) return;
  if (len > 0xFFFF) {
    Check(ecOutputBufferTooSmall);
    return;
  }
  Check(ValidDispatcher().PutBlock(static_cast<const uint8_t*>(buf), len));
}

char TLinkCustomComPort::GetChar() {
  if (ShuttingDown()) return 0;
  uint8_t c = 0;
  Check(ValidDispatcher().GetChar(c));
  return char(c);
}

char TLinkCustomComPort::PeekChar(uint16_t count) {
  if (ShuttingDown()) return 0;
  uint8_t c = 0;
  Check(ValidDispatcher().PeekChar(c, count));
  return char(c);
}

void TLinkCustomComPort::GetBlock(void* buf, uint32_t len) {
  if (!ShuttingDown()) Check(ValidDispatcher().GetBlock(static_cast<uint8_t*>(buf), len));
}

void TLinkCustomComPort::PeekBlock(void* buf, uint32_t len) {
  if (!ShuttingDown()) Check(ValidDispatcher().PeekBlock(static_cast<uint8_t*>(buf), len));
}

bool TLinkCustomComPort::CharReady() { return !ShuttingDown() && ValidDispatcher().CharReady(); }

uint16_t TLinkCustomComPort::GetInBuffUsed() {
  return ShuttingDown() ? 0 : uint16_t(std::max(Check(ValidDispatcher().InBuffUsed()), 0));
}
uint16_t TLinkCustomComPort::GetInBuffFree() {
  return ShuttingDown() ? 0 : uint16_t(std::max(Check(ValidDispatcher().InBuffFree()), 0));
}
uint16_t TLinkCustomComPort::GetOutBuffUsed() {
  return ShuttingDown() ? 0 : uint16_t(std::max(Check(ValidDispatcher().OutBuffUsed()), 0));
}
uint16_t TLinkCustomComPort::GetOutBuffFree() {
  if (State_ != psOpen) return OutSize_;
  return uint16_t(std::clamp(Check(Dispatcher_->OutBuffFree()), 0, 0xFFFF));
}

void TLinkCustomComPort::FlushInBuffer() {
  if (!ShuttingDown()) Check(ValidDispatcher().FlushInBuffer());
}
void TLinkCustomComPort::FlushOutBuffer() {
  if (!ShuttingDown()) Check(ValidDispatcher().FlushOutBuffer());
}
void TLinkCustomComPort::SendBreak(int32_t ticks, bool yield) {
  if (!ShuttingDown()) Check(ValidDispatcher().SendBreak(ticks, yield));
}
void TLinkCustomComPort::ProcessCommunications() {
  if (!ShuttingDown()) ValidDispatcher().ProcessCommunications();
}

uint8_t TLinkCustomComPort::GetModemStatus() { return ShuttingDown() ? 0 : ValidDispatcher().GetModemStatus(); }
bool TLinkCustomComPort::GetDSR() { return !ShuttingDown() && ValidDispatcher().CheckDSR(); }
bool TLinkCustomComPort::GetCTS() { return !ShuttingDown() && ValidDispatcher().CheckCTS(); }
bool TLinkCustomComPort::GetRI() { return !ShuttingDown() && ValidDispatcher().CheckRI(); }
bool TLinkCustomComPort::GetDCD() { return !ShuttingDown() && ValidDispatcher().CheckDCD(); }
bool TLinkCustomComPort::GetDeltaDSR() { return !ShuttingDown() && ValidDispatcher().CheckDeltaDSR(); }
bool TLinkCustomComPort::GetDeltaCTS() { return !ShuttingDown() && ValidDispatcher().CheckDeltaCTS(); }
bool TLinkCustomComPort::GetDeltaRI() { return !ShuttingDown() && ValidDispatcher().CheckDeltaRI(); }
bool TLinkCustomComPort::GetDeltaDCD() { return !ShuttingDown() && ValidDispatcher().CheckDeltaDCD(); }
uint16_t TLinkCustomComPort::GetLineError() { return ShuttingDown() ? 0 : uint16_t(ValidDispatcher().GetLineError()); }
bool TLinkCustomComPort::GetLineBreak() { return !ShuttingDown() && ValidDispatcher().CheckLineBreak(); }

// ---- Triggers --------------------------------------------------------------------------------

uint16_t TLinkCustomComPort::AddDataTrigger(const std::string& data, bool ignoreCase) {
  if (ShuttingDown()) return 0;
  TLinkBaseDispatcher& d = ValidDispatcher();
  return uint16_t(std::max(
      Check(d.AddDataTriggerLen(reinterpret_cast<const uint8_t*>(data.data()), ignoreCase, uint32_t(data.size()))), 0));
}

uint16_t TLinkCustomComPort::AddTimerTrigger() {
  return ShuttingDown() ? 0 : uint16_t(std::max(Check(ValidDispatcher().AddTimerTrigger()), 0));
}

void TLinkCustomComPort::SetTimerTrigger(uint16_t handle, int32_t ticks, bool activate) {
  if (!ShuttingDown()) Check(ValidDispatcher().SetTimerTrigger(handle, ticks, activate));
}

uint16_t TLinkCustomComPort::AddStatusTrigger(uint8_t type) {
  return ShuttingDown() ? 0 : uint16_t(std::max(Check(ValidDispatcher().AddStatusTrigger(type)), 0));
}

void TLinkCustomComPort::SetStatusTrigger(uint16_t handle, uint16_t value, bool activate) {
  if (!ShuttingDown()) Check(ValidDispatcher().SetStatusTrigger(handle, value, activate));
}

void TLinkCustomComPort::RemoveTrigger(uint16_t handle) {
  if (State_ == psOpen) Check(Dispatcher_->RemoveTrigger(handle));
}

void TLinkCustomComPort::RemoveAllTriggers() {
  if (!ShuttingDown()) ValidDispatcher().RemoveAllTriggers();
}

// ---- Waiting for text ------------------------------------------------------------------------

bool TLinkCustomComPort::CheckForString(uint8_t& index, char c, const std::string& s, bool ignoreCase) {
  if (s.empty()) return false;
  auto fold = [&](char x) { return ignoreCase ? UpCase(x) : x; };
  if (index < s.size() && fold(c) == fold(s[index])) {
    if (++index < s.size()) return false;
    index = 0;
    return true;
  }
  index = fold(c) == fold(s[0]) ? 1 : 0;
  return false;
}

void TLinkCustomComPort::PrepareWait() {
  if (ShuttingDown() || WaitPrepared_) return;
  ValidDispatcher().SetEventBusy(WaitWasBusy_, true);
  WaitPrepared_ = true;
}

namespace {

// Marks the dispatcher event-busy for a wait (unless PrepareWait did) and restores it.
class WaitScope {
 public:
  WaitScope(TLinkBaseDispatcher& d, bool& prepared, bool& wasBusy) : d_(d), prepared_(prepared), wasBusy_(wasBusy) {
    if (!prepared_) d_.SetEventBusy(wasBusy_, true);
  }
  ~WaitScope() {
    bool dummy;
    d_.SetEventBusy(dummy, wasBusy_);
    prepared_ = wasBusy_ = false;
  }
  WaitScope(const WaitScope&) = delete;
  WaitScope& operator=(const WaitScope&) = delete;

 private:
  TLinkBaseDispatcher& d_;
  bool& prepared_;
  bool& wasBusy_;
};

// One round of a wait: a received character (true), or the reason to stop.
enum class WaitStep { Char, Idle, Stop };

}  // namespace

bool TLinkCustomComPort::WaitForString(const std::string& s, int32_t timeout, bool yield, bool ignoreCase) {
  if (ShuttingDown()) return false;
  if (s.empty()) return true;
  TLinkBaseDispatcher& d = ValidDispatcher();
  WaitScope scope(d, WaitPrepared_, WaitWasBusy_);
  EventTimer et;
  NewTimer(et, timeout);
  uint8_t index = 0;
  for (;;) {
    uint8_t c;
    if (d.CharReady() && d.GetChar(c) == 0) {
      WaitChar(char(c));
      if (CheckForString(index, char(c), s, ignoreCase)) return true;
      continue;
    }
    if (TimerExpired(et)) return false;
    if (yield && SafeYield() == kLinkQuitMessage) return false;
    if (LinkPlatform().Terminating() || State_ != psOpen) return false;
  }
}

uint16_t TLinkCustomComPort::WaitForMultiString(const std::string& s, int32_t timeout, bool yield, bool ignoreCase,
                                                char separator) {
  if (ShuttingDown() || s.empty()) return 0;
  struct Want {
    size_t First, Last, Pos;
    char FirstChar;
  };
  auto fold = [&](char x) { return ignoreCase ? UpCase(x) : x; };
  std::vector<Want> wants;
  for (size_t start = 0; start < s.size() && wants.size() < 127;) {
    size_t end = s.find(separator, start);
    if (end == std::string::npos) end = s.size();
    if (end > start) wants.push_back({start, end - 1, start, fold(s[start])});
    start = end + 1;
  }
  if (wants.empty()) return 0;
  TLinkBaseDispatcher& d = ValidDispatcher();
  WaitScope scope(d, WaitPrepared_, WaitWasBusy_);
  EventTimer et;
  NewTimer(et, timeout);
  for (;;) {
    uint8_t raw;
    if (d.CharReady() && d.GetChar(raw) == 0) {
      WaitChar(char(raw));
      char c = fold(char(raw));
      for (size_t i = 0; i < wants.size(); ++i) {
        Want& w = wants[i];
        if (c == fold(s[w.Pos])) {
          if (w.Pos == w.Last) return uint16_t(i + 1);
          ++w.Pos;
        } else {
          w.Pos = c == w.FirstChar ? w.First + 1 : w.First;
        }
      }
      continue;
    }
    if (TimerExpired(et)) return 0;
    if (yield && SafeYield() == kLinkQuitMessage) return 0;
    if (LinkPlatform().Terminating() || State_ != psOpen) return 0;
  }
}

// ---- Copying and searching ---------------------------------------------------------------------

void TLinkCustomComPort::Assign(const TLinkCustomComPort& src) {
  SetDeviceLayer(src.DeviceLayer_);
  SetComNumber(src.ComNumber_);
  SetBaud(src.Baud_);
  PromptForPort = src.PromptForPort;
  SetParity(src.Parity_);
  SetDataBits(src.DataBits_);
  SetStopBits(src.StopBits_);
  SetInSize(src.InSize_);
  SetOutSize(src.OutSize_);
  AutoOpen = src.AutoOpen;
  SetDTR(src.DTR_);
  SetRTS(src.RTS_);
  SetBufferFull(src.BufferFull_);
  SetBufferResume(src.BufferResume_);
  SetHWFlowOptions(src.HWFlowOptions_);
  SetSWFlowOptions(src.SWFlowOptions_);
  SetXOnChar(src.XOnChar_);
  SetXOffChar(src.XOffChar_);
  SetTraceSize(src.TraceSize_);
  TraceName = src.TraceName;
  TraceHex = src.TraceHex;
  SetLogSize(src.LogSize_);
  LogName = src.LogName;
  LogHex = src.LogHex;
  SetTracing(src.Tracing_);
  SetLogging(src.Logging_);
  SetUseMSRShadow(src.UseMSRShadow_);
  SetUseEventWord(src.UseEventWord_);
  SetCommNotificationLevel(src.CommNotificationLevel_);
  TapiMode = src.TapiMode;
  SetRS485Mode(src.RS485Mode_);
  SetThreadBoost(src.ThreadBoost_);
  SetTriggerLength(src.TriggerLength_);
  SetBaseAddress(src.BaseAddress_);
  Tag = src.Tag;
  SetOpen(src.Open_);
}

TLinkCustomComPort* TLinkCustomComPort::SearchComPort(TComponent* owner) {
  if (!owner) return nullptr;
  for (int i = 0; i < owner->ComponentCount(); ++i) {
    TComponent* c = owner->Components(i);
    if (auto* port = dynamic_cast<TLinkCustomComPort*>(c)) return port;
    if (auto* found = SearchComPort(c)) return found;
  }
  return nullptr;
}
