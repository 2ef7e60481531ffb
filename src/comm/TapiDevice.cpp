#include "comm/TapiDevice.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "comm/CommExcept.h"
#include "comm/DeviceSelect.h"
#include "comm/core/DeviceLists.h"
#include "comm/core/StringTables.h"
#include "framework/Registry.h"
#include "framework/Timers.h"
#include "framework/WindowUtils.h"
#include "framework/core/DateTime.h"
#include "framework/core/SysUtils.h"

namespace {

// One value per process that uses telephony: "$" + its id in 8 hexadecimal digits = its
// application handle, so that a later start can shut down what a dead process left.
const char kSessionsKey[] = "SOFTWARE\\RidedUzezo\\LINK\\TAPI";
constexpr DWORD kReinitWaitMs = 5000;
constexpr DWORD kCallStateWaitMs = 30000;
constexpr DWORD kLineStates = LINEDEVSTATE_RINGING | LINEDEVSTATE_DISCONNECTED | LINEDEVSTATE_OUTOFSERVICE |
                              LINEDEVSTATE_MAINTENANCE | LINEDEVSTATE_REINIT;
// Posted to the device's window when its port closed by itself (the line went away).
constexpr UINT kPortClosedMessage = WM_APP + 0x22;
const char kDataModemClass[] = "comm/datamodem";
// Room for the modem settings at first; the line says how much it needs.
constexpr DWORD kDevConfigStart = 256;

// The call parameters of version 1.4 end with the device-specific part.
constexpr DWORD kCallParamsSize = 112;
static_assert(offsetof(LINECALLPARAMS, dwDevSpecificOffset) + sizeof(DWORD) == kCallParamsSize);

std::vector<TLinkCustomTapiDevice*> gDevices;

TLinkCustomTapiDevice* LiveDevice(DWORD_PTR instance) {
  auto* d = reinterpret_cast<TLinkCustomTapiDevice*>(instance);
  return std::find(gDevices.begin(), gDevices.end(), d) != gDevices.end() ? d : nullptr;
}

std::string SessionValueName(DWORD pid) {
  char name[16];
  std::snprintf(name, sizeof name, "$%08lX", static_cast<unsigned long>(pid));
  return name;
}

bool ProcessRunning(DWORD pid) {
  HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, pid);
  if (!h) return false;
  bool running = WaitForSingleObject(h, 0) == WAIT_TIMEOUT;
  CloseHandle(h);
  return running;
}

void CheckTapiError(LONG code) {
  if (int32_t link = TapiErrorToLinkCode(code)) CheckException(nullptr, link);
}

// The caller's number (or name) in a call's information, trimmed.
std::string CallerOf(const TTapiRecord& info, bool name) {
  if (info.size() < sizeof(LINECALLINFO)) return {};
  const LINECALLINFO* c = As<LINECALLINFO>(info);
  if (c->dwCallerIDFlags & LINECALLPARTYID_BLOCKED) return name ? std::string() : LinkLoadStr(ecTapiCallerIDBlocked);
  if (c->dwCallerIDFlags & LINECALLPARTYID_OUTOFAREA) return name ? std::string() : LinkLoadStr(ecTapiOutOfAreaCall);
  return Trim(name ? TapiRecordText(info, c->dwCallerIDNameOffset, c->dwCallerIDNameSize)
                   : TapiRecordText(info, c->dwCallerIDOffset, c->dwCallerIDSize));
}

// Handles one message of this thread, waiting at most waitMs for one; false once the
// application is ending.
bool ServeOneMessage(DWORD waitMs) {
  if (Application && Application->Terminated()) return false;
  MSG m;
  if (!PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE)) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, waitMs, QS_ALLINPUT);
    return true;
  }
  if (Application) {
    Application->HandleMessage();
    return !Application->Terminated();
  }
  return SafeYield() != kLinkQuitMessage;
}

BOOL CALLBACK PostToOwnWindow(HWND wnd, LPARAM data) {
  DWORD pid = 0;
  GetWindowThreadProcessId(wnd, &pid);
  if (pid == GetCurrentProcessId()) {
    auto* p = reinterpret_cast<const DWORD_PTR*>(data);
    PostMessageA(wnd, LinkLineCreateMessage(), WPARAM(p[0]), LPARAM(p[1]));
  }
  return TRUE;
}

template <class T>
T* FirstUnused(TComponent* owner) {
  if (!owner) return nullptr;
  for (int i = 0; i < owner->ComponentCount(); ++i) {
    TComponent* c = owner->Components(i);
    if (auto* t = dynamic_cast<T*>(c); t && !t->TapiDevice) return t;
    if (T* found = FirstUnused<T>(c)) return found;
  }
  return nullptr;
}

}  // namespace

UINT LinkLineCreateMessage() {
  static const UINT message = RegisterWindowMessageA("LinkTapiLineCreate");
  return message;
}

// ---- The line callback ------------------------------------------------------------------

void CALLBACK LinkLineCallback(DWORD device, DWORD message, DWORD_PTR instance, DWORD_PTR p1, DWORD_PTR p2,
                               DWORD_PTR p3) {
  GuardCallback([&] {
    if (message == LINE_CREATE) {
      // A new line: told to this program's windows only, without waiting for them.
      DWORD_PTR params[2] = {p1, p2};
      EnumWindows(&PostToOwnWindow, reinterpret_cast<LPARAM>(params));
    }
    TLinkCustomTapiDevice* d = LiveDevice(instance);
    if (!d || d->Destroying_) return;
    const uint32_t a = uint32_t(p1), b = uint32_t(p2), c = uint32_t(p3);
    switch (message) {
      case LINE_CALLINFO: d->DoLineCallInfo(device, a, b, c); break;
      case LINE_CALLSTATE: d->DoLineCallState(device, a, b, c); break;
      case LINE_CLOSE: d->DoLineClose(device, a, b, c); break;
      case LINE_GENERATE: d->DoLineGenerate(device, a, b, c); break;
      case LINE_LINEDEVSTATE: d->DoLineDevState(device, a, b, c); break;
      case LINE_MONITORDIGITS: d->DoLineMonitorDigits(device, a, b, c); break;
      case LINE_MONITORMEDIA: d->DoLineMonitorMedia(device, a, b, c); break;
      case LINE_MONITORTONE: d->DoLineMonitorTone(device, a, b, c); break;
      case LINE_REPLY: d->DoLineReply(device, a, b, c); break;
      case LINE_REQUEST: d->DoLineRequest(device, a, b, c); break;
      case LINE_CREATE: d->DoLineCreate(device, a, b, c); break;
      default: break;
    }
  });
}

// ---- Status display and history ------------------------------------------------------------

void TLinkAbstractTapiStatus::Update(bool first, bool last, uint32_t device, uint32_t message, uint32_t param1,
                                     uint32_t param2, uint32_t param3) {
  if (first && !Shown_) {
    CreateDisplay();
    Shown_ = true;
  }
  UpdateDisplay(first, last, device, message, param1, param2, param3);
  if (last && Shown_) {
    DestroyDisplay();
    Shown_ = false;
  }
}

void TLinkTapiLog::UpdateLog(TTapiLogCode log) {
  if (log == ltapiNone || TapiHistoryName.empty()) return;
  std::ofstream out(TapiHistoryName, std::ios::app | std::ios::binary);
  std::string what = TapiHistoryText(log);
  if (log == ltapiDial && TapiDevice) what += TapiDevice->Number();
  out << FormatDateTime("yyyy-mm-dd hh:nn:ss", Now()) << " : " << what << "\r\n";
  if (log == ltapiCallFinish) out << "\r\n";
}

// ---- Life --------------------------------------------------------------------------------------

TLinkCustomTapiDevice::TLinkCustomTapiDevice(TComponent* owner) : TLinkBaseComponent(owner) {
  InitLinkLibrary();
  gDevices.push_back(this);
  if (TLinkCustomComPort* port = TLinkCustomComPort::SearchComPort(owner)) {
    SetComPort(port);
    if (port->TapiMode == TTapiMode::tmAuto) {
      port->TapiMode = TTapiMode::tmOn;
      port->AutoOpen = false;
      port->SetOpen(false);
    }
  }
  SetStatusDisplay(FirstUnused<TLinkAbstractTapiStatus>(owner));
  SetTapiLog(FirstUnused<TLinkTapiLog>(owner));
  Window_ = AllocateHWnd([this](TMessage& m) { WindowMessage(m); });
  DialTimer_ = std::make_unique<TTimer>();
  DialTimer_->SetEnabled(false);
  DialTimer_->SetOnTimer([this](TComponent*) { TapiDialTimer(); });
  try {
    StartTapi();
    EnumLineDevices();
  } catch (const std::exception&) {
    // No telephony here: the program runs all the same, and Dial says what is missing.
  }
}

TLinkCustomTapiDevice::~TLinkCustomTapiDevice() {
  Destroying_ = true;  // no events from here on, nor waits that let messages through
  DialTimer_.reset();
  try {
    StopTapi();
  } catch (...) {
  }
  SetComPort(nullptr);
  SetStatusDisplay(nullptr);
  SetTapiLog(nullptr);
  if (Window_) DeallocateHWnd(Window_);
  gDevices.erase(std::remove(gDevices.begin(), gDevices.end(), this), gDevices.end());
}

void TLinkCustomTapiDevice::SetComPort(TLinkCustomComPort* port) {
  if (port == ComPort_) return;
  if (ComPort_) {
    ComPort_->DeregisterUserCallback(this);
    RemoveFreeNotification(ComPort_);
  }
  ComPort_ = port;
  if (ComPort_) FreeNotification(ComPort_);
}

void TLinkCustomTapiDevice::SetStatusDisplay(TLinkAbstractTapiStatus* display) {
  if (display == StatusDisplay_) return;
  if (StatusDisplay_) {
    StatusDisplay_->TapiDevice = nullptr;
    RemoveFreeNotification(StatusDisplay_);
  }
  StatusDisplay_ = display;
  if (StatusDisplay_) {
    StatusDisplay_->TapiDevice = this;
    FreeNotification(StatusDisplay_);
  }
}

void TLinkCustomTapiDevice::SetTapiLog(TLinkTapiLog* log) {
  if (log == TapiLog_) return;
  if (TapiLog_) {
    TapiLog_->TapiDevice = nullptr;
    RemoveFreeNotification(TapiLog_);
  }
  TapiLog_ = log;
  if (TapiLog_) {
    TapiLog_->TapiDevice = this;
    FreeNotification(TapiLog_);
  }
}

void TLinkCustomTapiDevice::Assign(const TLinkCustomTapiDevice& source) {
  SetSelectedDevice(source.SelectedDevice_);
  SetComPort(source.ComPort_);
  AnswerOnRing = source.AnswerOnRing;
  RetryWait = source.RetryWait;
  MaxAttempts = source.MaxAttempts;
  ShowTapiDevices = source.ShowTapiDevices;
  ShowPorts = source.ShowPorts;
  EnableVoice = source.EnableVoice;
  Tag = source.Tag;
}

void TLinkCustomTapiDevice::Notification(TComponent* component, TOperation operation) {
  TLinkBaseComponent::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == ComPort_) ComPort_ = nullptr;
  if (component == StatusDisplay_) StatusDisplay_ = nullptr;
  if (component == TapiLog_) TapiLog_ = nullptr;
}

void TLinkCustomTapiDevice::WindowMessage(TMessage& m) {
  if (m.Msg != kPortClosedMessage) {
    DefaultUtilMessage(Window_, m);
    return;
  }
  // The port of a connected call closed by itself: the call goes too.
  if (PortOpenedForCall_ && !HangingUp_) HangupCall(true);
}

// ---- Telephony sessions ----------------------------------------------------------------------

void TLinkCustomTapiDevice::StartTapi() {
  if (LineApp_ || StartingTapi_) return;
  StartingTapi_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{StartingTapi_};
  TRegistry reg;
  if (reg.OpenKey(kSessionsKey, true)) {
    for (const std::string& name : reg.GetValueNames()) {
      unsigned long pid = 0;
      char rest = 0;
      bool ours = name.size() == 9 && std::sscanf(name.c_str(), "$%8lx%c", &pid, &rest) == 1;
      if (ours && ProcessRunning(DWORD(pid))) continue;  // another program's, still in use
      if (ours)
        if (std::optional<int> app = reg.TryReadInteger(name)) tuLineShutdown(HLINEAPP(*app));
      reg.DeleteValue(name);
    }
  }
  const std::string title = Application ? Application->Title() : std::string();
  HINSTANCE instance = GetModuleHandleA(nullptr);
  LONG rc = tuLineInitialize(&LineApp_, instance, LinkLineCallback, title.c_str(), &NumDevices_);
  if (rc == LONG(LINEERR_REINIT)) {
    // Telephony is restarting: give it time, then once more.
    DWORD start = GetTickCount();
    while (GetTickCount() - start < kReinitWaitMs && ServeOneMessage(kReinitWaitMs - (GetTickCount() - start))) {
    }
    rc = tuLineInitialize(&LineApp_, instance, LinkLineCallback, title.c_str(), &NumDevices_);
  }
  if (rc != 0) {
    LineApp_ = 0;
    NumDevices_ = 0;
    CheckTapiError(rc);
  }
  if (reg.CurrentKey()) {
    try {
      reg.WriteInteger(SessionValueName(GetCurrentProcessId()), int(LineApp_));
    } catch (const ERegistryException&) {
      // Only the clean-up after a crash needs it.
    }
  }
  LineHandle_ = 0;
  CallHandle_ = 0;
}

void TLinkCustomTapiDevice::StopTapi() {
  if (!LineApp_ || StoppingTapi_) return;
  StoppingTapi_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{StoppingTapi_};
  HangupCall(true);
  FreeDialTimer();
  tuLineShutdown(LineApp_);
  LineApp_ = 0;
  TRegistry reg;
  if (reg.OpenKey(kSessionsKey, false)) reg.DeleteValue(SessionValueName(GetCurrentProcessId()));
}

void TLinkCustomTapiDevice::EnumLineDevices() {
  TapiDevices_.clear();
  for (DWORD id = 0; id < NumDevices_; ++id) {
    std::string name;
    TLineLookup found = LookUpLine(LineApp_, id, name);
    if (found == TLineLookup::NoCaps) break;
    if (found == TLineLookup::Found) TapiDevices_.push_back(LineDisplayName(name));
  }
}

// Lines without a name answer to "<noname>", as the lists show them.
int32_t TLinkCustomTapiDevice::DeviceIDFromName(const std::string& name) {
  if (name.empty()) return -1;
  for (DWORD id = 0; id < NumDevices_; ++id) {
    std::string lineName;
    TLineLookup found = LookUpLine(LineApp_, id, lineName);
    if (found == TLineLookup::NoCaps) break;
    if (found == TLineLookup::Found && LineDisplayName(lineName) == name) return int32_t(id);
  }
  return -1;
}

int32_t TLinkCustomTapiDevice::GetSelectedLine() {
  int32_t id = DeviceIDFromName(SelectedDevice_);
  if (id >= 0) return id;
  if (NumDevices_ == 1 && SelectedDevice_.empty()) {
    std::string name;
    LookUpLine(LineApp_, 0, name);
    SelectedDevice_ = LineDisplayName(name);
    return 0;
  }
  if (!ShowTapiDevices && !ShowPorts) CheckException(nullptr, ecTapiNoSelect);
  auto form = std::make_unique<TDeviceSelectionForm>(nullptr);
  form->Choice.ShowTapiDevices = true;
  form->Choice.ShowPorts = false;
  form->Choice.DeviceName = SelectedDevice_;
  if (form->ShowModal() != mrOk) CheckException(nullptr, ecTapiNoSelect);
  SelectedDevice_ = form->Choice.DeviceName;
  id = DeviceIDFromName(SelectedDevice_);
  if (id < 0) CheckException(nullptr, ecTapiNoSelect);
  return id;
}

bool TLinkCustomTapiDevice::SelectDevice() {
  auto form = std::make_unique<TDeviceSelectionForm>(nullptr);
  TDeviceChoice& c = form->Choice;
  c.ShowTapiDevices = ShowTapiDevices;
  c.ShowPorts = ShowPorts;
  c.TapiMode = ComPort_ ? ComPort_->TapiMode : TTapiMode::tmAuto;
  if (c.TapiMode == TTapiMode::tmOff)
    c.ComNumber = ComPort_->ComNumber();
  else
    c.DeviceName = SelectedDevice_;
  if (form->ShowModal() != mrOk) return false;
  if (c.TapiMode == TTapiMode::tmOff) {
    if (ComPort_) {
      ComPort_->TapiMode = TTapiMode::tmOff;
      ComPort_->SetComNumber(c.ComNumber);
    }
  } else {
    if (ComPort_) ComPort_->TapiMode = c.TapiMode;
    SelectedDevice_ = c.DeviceName;
  }
  return true;
}

// ---- Dialling ------------------------------------------------------------------------------------

void TLinkCustomTapiDevice::AssureTapiReady() {
  if (!ComPort_) CheckException(nullptr, ecPortNotAssigned);
  if (ComPort_->TapiMode == TTapiMode::tmAuto) ComPort_->TapiMode = TTapiMode::tmOn;
  if (ComPort_->TapiMode != TTapiMode::tmOn) CheckException(nullptr, ecTapiNotSet);
  if (Dialing_ || LineInUse_ || GetTapiState() != tsIdle) CheckException(nullptr, ecTapiBusy);
}

// What every call begins with: a port and a line ready for it, the first attempt.
void TLinkCustomTapiDevice::BeginCall(const std::string& number, bool configMode, bool answering) {
  AssureTapiReady();
  Attempt_ = 1;
  Number_ = number;
  ConfigMode_ = configMode;
  if (StatusDisplay_) StatusDisplay_->Answering = answering;
}

void TLinkCustomTapiDevice::Dial(const std::string& number) {
  BeginCall(number, false, false);
  Dialing_ = true;
  try {
    DialPrim();
  } catch (...) {
    Dialing_ = false;
    throw;
  }
}

void TLinkCustomTapiDevice::ConfigAndOpen() {
  BeginCall("", true, false);
  DialPrim(true);
}

void TLinkCustomTapiDevice::AutoAnswer() {
  BeginCall("", false, true);
  StartTapi();
  Cancelled_ = false;
  OutgoingCall_ = false;
  Answering_ = false;
  FirstStatus_ = true;
  Status(0, kTapiOwnStatus, kOwnStarting, Attempt_, 0);
  OpenLine();
}

DWORD TLinkCustomTapiDevice::AcceptedMediaModes() const {
  DWORD modes = LINEMEDIAMODE_UNKNOWN | LINEMEDIAMODE_DATAMODEM | LINEMEDIAMODE_G3FAX;
  return EnableVoice ? modes | LINEMEDIAMODE_AUTOMATEDVOICE : modes;
}

void TLinkCustomTapiDevice::OpenLine() {
  SelectedLine_ = GetSelectedLine();
  Status(0, kTapiOwnStatus, kOwnOpeningLine, 0, 0);
  // A line that answers owns the calls offered on it.
  CheckTapiError(tuLineOpen(LineApp_, DWORD(SelectedLine_), &LineHandle_, ApiVersion_, 0,
                            reinterpret_cast<DWORD_PTR>(this),
                            OutgoingCall_ ? LINECALLPRIVILEGE_NONE : LINECALLPRIVILEGE_OWNER, MediaMode(), nullptr));
  LineInUse_ = true;
  CallStarted_ = true;
  if (LONG rc = tuLineSetStatusMessages(LineHandle_, kLineStates, 0)) {
    tuLineClose(LineHandle_);
    LineHandle_ = 0;
    LineInUse_ = false;
    CheckTapiError(rc);
  }
  if (Attempt_ == 1 || !OutgoingCall_) Log(ltapiCallStart);
}

void TLinkCustomTapiDevice::DialPrim(bool passThrough) {
  if (LineInUse_) return;
  StartTapi();
  Cancelled_ = false;
  OutgoingCall_ = true;
  FirstStatus_ = true;
  Status(0, kTapiOwnStatus, kOwnStarting, Attempt_, 0);
  OpenLine();
  alignas(LINECALLPARAMS) uint8_t buffer[kCallParamsSize] = {};
  auto* params = reinterpret_cast<LPLINECALLPARAMS>(buffer);
  params->dwTotalSize = kCallParamsSize;
  params->dwBearerMode = passThrough ? LINEBEARERMODE_PASSTHROUGH : LINEBEARERMODE_VOICE;
  params->dwMediaMode = MediaMode();
  params->dwCallParamFlags = LINECALLPARAMFLAGS_IDLE;
  params->dwAddressMode = LINEADDRESSMODE_ADDRESSID;
  params->dwAddressID = 0;
  Log(ltapiDial);
  Status(0, kTapiOwnStatus, kOwnDialing, 0, 0);
  LONG reply = WaitForReply(tuLineMakeCall(LineHandle_, &CallHandle_, Number_.c_str(), 0, params));
  if (reply >= 0) return;
  // Refused: the call handle never became valid. The application hears of it once: by
  // OnTapiFail, or else (and always for a pass-through call) as "call unavailable" with the
  // refusal's own text.
  CallHandle_ = 0;
  Log(ltapiDialFail);
  Dialing_ = false;
  HangupCall(true);
  if ((OnTapiFail && !ConfigMode_) || Quiet()) return;
  ETapiCallUnavail refused(ecTapiCallUnavail, false);
  if (std::string text = LinkLoadStr(TapiErrorToLinkCode(reply)); !text.empty()) refused.Message = text;
  throw refused;
}

LONG TLinkCustomTapiDevice::WaitForReply(LONG request) {
  if (WaitingForReply_) return 1;
  if (request < 1) return request;
  WaitingForReply_ = true;
  ReplyReceived_ = false;
  RequestedID_ = request;
  ReplyResult_ = LONG(LINEERR_OPERATIONFAILED);
  while (!ReplyReceived_ && LineInUse_ && !Quiet() && ServeOneMessage(INFINITE)) {
  }
  WaitingForReply_ = false;
  return ReplyReceived_ ? ReplyResult_ : 1;
}

int TLinkCustomTapiDevice::WaitForCallState(uint32_t state) {
  if (WaitingForCallState_) return 1;
  WaitingForCallState_ = true;
  CallStateReceived_ = false;
  DWORD start = GetTickCount();
  int result;
  for (;;) {
    if (state == 0 ? CallStateReceived_ : CallState_ == state) {
      result = 0;
      break;
    }
    DWORD elapsed = GetTickCount() - start;
    if (!LineInUse_ || Quiet()) {
      result = 1;
      break;
    }
    if (elapsed > kCallStateWaitMs) {
      result = 2;
      break;
    }
    if (!ServeOneMessage(std::min<DWORD>(100, kCallStateWaitMs - elapsed))) {
      result = 1;
      break;
    }
  }
  WaitingForCallState_ = false;
  return result;
}

void TLinkCustomTapiDevice::CancelCall() {
  Cancelled_ = true;
  Log(ltapiCancel);
  Status(0, kTapiOwnStatus, kOwnCancelled, 0, 0);
  HangupCall(true);
}

void TLinkCustomTapiDevice::HangupCall(bool noRedial) {
  if (HangingUp_) return;
  const bool neverConnected = !Connected_;
  const bool hadLine = LineInUse_;
  if (hadLine) {
    HangingUp_ = true;
    Status(0, kTapiOwnStatus, kOwnHangingUp, 0, 0);
    bool wasOpen = CloseTapiPort();
    if (CallHandle_) {
      if (GetTapiState() != tsIdle) {
        LONG request = tuLineDrop(CallHandle_, nullptr, 0);
        if (request > 0 && !Quiet()) {
          WaitForReply(request);
          WaitForCallState(LINECALLSTATE_IDLE);
        }
      }
      tuLineDeallocateCall(CallHandle_);
    }
    if (LineHandle_) tuLineClose(LineHandle_);
    CallHandle_ = 0;
    LineHandle_ = 0;
    Connected_ = false;
    LineInUse_ = false;
    Answering_ = false;
    if (wasOpen) Fire(OnTapiPortClose);
    Log(ltapiDrop);
  }
  bool finished = true;
  if (noRedial) Dialing_ = false;
  if (Dialing_) {
    if (Attempt_ < MaxAttempts) {
      CreateDialTimer();
      finished = false;
    } else {
      Dialing_ = false;
    }
  }
  if (finished && CallStarted_) FinishCall(neverConnected);
  HangingUp_ = false;
  if (!hadLine) {
    CallHandle_ = 0;
    LineHandle_ = 0;
    Connected_ = false;
  }
}

// The end of a call and its redials: told once (a pass-through call tells nothing).
void TLinkCustomTapiDevice::FinishCall(bool neverConnected) {
  CallStarted_ = false;
  Dialing_ = false;
  if (ConfigMode_) return;
  Status(0, kTapiOwnStatus, kOwnFinished, 0, 0, true);
  Log(ltapiCallFinish);
  if (!neverConnected) return;
  Log(ltapiDialFail);
  Fire(OnTapiFail);
}

// ---- The call's port ----------------------------------------------------------------------------

// The communications handle of the connected call, or null. The record's sizes are checked
// before the handle is read from it; 0 and -1 are no handles.
HANDLE TLinkCustomTapiDevice::CidFromTapiDevice() {
  alignas(VARSTRING) uint8_t buffer[1028] = {};
  auto* id = reinterpret_cast<LPVARSTRING>(buffer);
  id->dwTotalSize = sizeof buffer;
  if (tuLineGetID(LineHandle_, 0, CallHandle_, LINECALLSELECT_CALL, id, kDataModemClass) != 0) return nullptr;
  const DWORD used = std::min<DWORD>(id->dwUsedSize, sizeof buffer);
  if (id->dwStringSize < sizeof(HANDLE) || id->dwStringOffset < sizeof(VARSTRING) || id->dwStringOffset > used ||
      used - id->dwStringOffset < sizeof(HANDLE))
    return nullptr;
  HANDLE h;
  std::memcpy(&h, buffer + id->dwStringOffset, sizeof h);
  return h == INVALID_HANDLE_VALUE ? nullptr : h;
}

void TLinkCustomTapiDevice::OpenTapiPort() {
  if (!ComPort_) CheckException(nullptr, ecPortNotAssigned);
  ComPort_->SetOpen(false);
  HANDLE h = CidFromTapiDevice();
  if (!h) CheckException(nullptr, ecNotOpenedByTapi);
  ComPort_->TapiCommHandle = reinterpret_cast<intptr_t>(h);
  try {
    ComPort_->SetOpen(true);
  } catch (...) {
    ComPort_->TapiCommHandle = 0;
    // The telephony dispatcher closes the handle with the port; another layer never took it.
    if (ComPort_->DeviceLayer() != dlWin32 || ComPort_->CustomDispatcher) CloseHandle(h);
    throw;
  }
  PortOpenedForCall_ = true;
  HWND window = Window_;
  ComPort_->RegisterUserCallback(this, [window](TLinkCustomComPort*, bool opening) {
    if (!opening) PostMessageA(window, kPortClosedMessage, 0, 0);
  });
  Fire(OnTapiPortOpen);
}

// Closes the port from the call; true when it had been opened on the call.
bool TLinkCustomTapiDevice::CloseTapiPort() {
  bool was = PortOpenedForCall_;
  PortOpenedForCall_ = false;
  if (!ComPort_) return was;
  ComPort_->DeregisterUserCallback(this);
  try {
    ComPort_->SetOpen(false);
  } catch (...) {
    // A handler of the port's close failed: told, and the hang-up goes on.
    if (Application && !Quiet()) Application->HandleException(this);
  }
  ComPort_->TapiCommHandle = 0;
  return was;
}

void TLinkCustomTapiDevice::RefreshCallInfo() {
  if (!CallHandle_ || tuLineGetCallInfoDyn(CallHandle_, CallInfo_) != 0) CallInfo_.clear();
}

uint32_t TLinkCustomTapiDevice::GetBPSRate() const {
  if (!Connected_ || CallInfo_.size() < sizeof(LINECALLINFO)) return 0;
  return As<LINECALLINFO>(CallInfo_)->dwRate;
}

TTapiState TLinkCustomTapiDevice::GetTapiState() {
  if (!CallHandle_) return tsIdle;
  TTapiRecord status;
  if (tuLineGetCallStatusDyn(CallHandle_, status) != 0 || status.size() < sizeof(LINECALLSTATUS)) return tsIdle;
  return TapiStateOf(As<LINECALLSTATUS>(status)->dwCallState);
}

std::string TLinkCustomTapiDevice::GetCallerID() {
  RefreshCallInfo();
  return CallerOf(CallInfo_, false);
}

std::string TLinkCustomTapiDevice::GetCallerIDName() {
  RefreshCallInfo();
  return CallerOf(CallInfo_, true);
}

void TLinkCustomTapiDevice::MonitorDTMF(bool on) {
  CheckTapiError(tuLineMonitorDigits(CallHandle_, on ? LINEDIGITMODE_DTMF : 0));
}

// ---- The selected line's own settings ----------------------------------------------------------

DWORD TLinkCustomTapiDevice::SelectedLineId() {
  StartTapi();
  return DWORD(GetSelectedLine());
}

std::string TLinkCustomTapiDevice::TranslateAddress(const std::string& number) {
  const DWORD id = SelectedLineId();
  TTapiRecord out;
  if (tuLineTranslateAddressDyn(LineApp_, id, ApiVersion_, number.c_str(), 0, 0, out) != 0 ||
      out.size() < sizeof(LINETRANSLATEOUTPUT))
    CheckException(nullptr, ecTapiTranslateFail);
  const LINETRANSLATEOUTPUT* t = As<LINETRANSLATEOUTPUT>(out);
  return TapiRecordText(out, t->dwDialableStringOffset, t->dwDialableStringSize);
}

void TLinkCustomTapiDevice::TranslateDialog(const std::string& number) {
  const DWORD id = SelectedLineId();
  CheckTapiError(tuLineTranslateDialog(LineApp_, id, ApiVersion_, GetActiveWindow(), number.c_str()));
}

void TLinkCustomTapiDevice::ShowConfigDialog() {
  CheckTapiError(tuLineConfigDialog(SelectedLineId(), GetActiveWindow(), kDataModemClass));
}

std::string TLinkCustomTapiDevice::GetDevConfig() {
  const DWORD id = SelectedLineId();
  TTapiRecord record(sizeof(VARSTRING) + kDevConfigStart);
  auto ask = [&] {
    auto* v = reinterpret_cast<LPVARSTRING>(record.data());
    v->dwTotalSize = DWORD(record.size());
    CheckTapiError(tuLineGetDevConfig(id, v, kDataModemClass));
    return v->dwNeededSize;
  };
  if (DWORD needed = ask(); needed > record.size()) {
    record.assign(needed, 0);
    ask();
  }
  const VARSTRING* v = As<VARSTRING>(record);
  const DWORD used = std::min<DWORD>(v->dwUsedSize, DWORD(record.size()));
  if (v->dwStringOffset > used || v->dwStringSize > used - v->dwStringOffset) return {};
  return std::string(reinterpret_cast<const char*>(record.data()) + v->dwStringOffset, v->dwStringSize);
}

void TLinkCustomTapiDevice::SetDevConfig(const std::string& config) {
  std::string copy = config;  // the system's call takes it as writable
  CheckTapiError(tuLineSetDevConfig(SelectedLineId(), copy.data(), DWORD(copy.size()), kDataModemClass));
}

std::string TLinkCustomTapiDevice::TapiStatusMsg(uint32_t message, uint32_t state, uint32_t reason) const {
  return ::TapiStatusMsg(message, state, reason, RetryCountdown_);
}

// ---- Redialling ----------------------------------------------------------------------------------

void TLinkCustomTapiDevice::CreateDialTimer() {
  RetryCountdown_ = RetryWait;
  if (!DialTimer_) return;
  DialTimer_->SetEnabled(false);
  DialTimer_->SetInterval(1000);
  DialTimer_->SetEnabled(true);
}

void TLinkCustomTapiDevice::FreeDialTimer() {
  if (DialTimer_) DialTimer_->SetEnabled(false);
}

void TLinkCustomTapiDevice::TapiDialTimer() {
  --RetryCountdown_;
  if (GetTapiState() != tsIdle) {
    FreeDialTimer();
    return;
  }
  if (RetryCountdown_ > 0) {
    if (!Dialing_)
      FreeDialTimer();
    else
      Status(0, kTapiOwnStatus, kOwnWaitingForRetry, uint32_t(RetryCountdown_), 0);
    return;
  }
  FreeDialTimer();
  if (!Dialing_) return;
  ++Attempt_;
  try {
    DialPrim();
  } catch (...) {
    // This attempt could not even start (the line would not open): it counts, and the
    // next one follows, or the call ends here.
    if (CallStarted_) {
      if (Dialing_ && Attempt_ < MaxAttempts) {
        CreateDialTimer();
      } else {
        Dialing_ = false;
        FinishCall(true);
      }
    }
    if (!OnTapiFail) throw;
  }
}

// ---- Line notifications ----------------------------------------------------------------------------

void TLinkCustomTapiDevice::DoLineCallState(uint32_t device, uint32_t state, uint32_t detail, uint32_t privilege) {
  if (CallHandle_ && device != uint32_t(CallHandle_)) return;  // a call that is not ours (any more)
  CallState_ = state;
  CallStateReceived_ = true;
  auto status = [&] { Status(device, LINE_CALLSTATE, state, detail, privilege); };
  switch (state) {
    case LINECALLSTATE_IDLE:
      status();
      HangupCall(false);
      break;
    case LINECALLSTATE_OFFERING: {
      // Only a line waiting for calls takes one, and only of a kind it answers.
      if (CallHandle_ || OutgoingCall_ || !LineInUse_) break;
      const HCALL offered = HCALL(device);
      TTapiRecord info;
      if (tuLineGetCallInfoDyn(offered, info) != 0 || info.size() < sizeof(LINECALLINFO) ||
          !(As<LINECALLINFO>(info)->dwMediaMode & AcceptedMediaModes())) {
        tuLineDeallocateCall(offered);
        CallState_ = 0;
        break;
      }
      CallHandle_ = offered;
      CallInfo_ = std::move(info);
      status();
      WaitForReply(tuLineAccept(CallHandle_, nullptr, 0));
      Log(ltapiAccept);
      break;
    }
    case LINECALLSTATE_ACCEPTED:
    case LINECALLSTATE_DIALTONE:
    case LINECALLSTATE_DIALING:
    case LINECALLSTATE_RINGBACK:
    case LINECALLSTATE_PROCEEDING:
      status();
      break;
    case LINECALLSTATE_BUSY:
      Log(ltapiBusy);
      status();
      HangupCall(false);
      break;
    case LINECALLSTATE_SPECIALINFO:
      status();
      HangupCall(false);
      break;
    case LINECALLSTATE_CONNECTED:
      if (Connected_ || !LineInUse_) break;
      RefreshCallInfo();
      FreeDialTimer();
      Dialing_ = false;
      try {
        if (EnableVoice)
          MonitorDTMF(true);
        else
          OpenTapiPort();
      } catch (const std::exception&) {
        // Without its port the call is of no use: it ends as one that never connected.
        HangupCall(true);
        break;
      }
      Connected_ = true;
      status();
      Fire(OnTapiConnect);
      Log(ltapiConnect);
      break;
    case LINECALLSTATE_DISCONNECTED:
      status();
      if (detail == LINEDISCONNECTMODE_BUSY) Log(ltapiBusy);
      HangupCall(false);
      break;
    default:
      break;
  }
}

void TLinkCustomTapiDevice::DoLineDevState(uint32_t device, uint32_t state, uint32_t p2, uint32_t p3) {
  Status(device, LINE_LINEDEVSTATE, state, p2, p3);
  switch (state) {
    case LINEDEVSTATE_RINGING:
      // The call taken is answered once it rang often enough.
      if (CallHandle_ && !OutgoingCall_ && !Connected_ && !Answering_ && p3 >= AnswerOnRing) {
        Answering_ = true;
        WaitForReply(tuLineAnswer(CallHandle_, nullptr, 0));
        Log(ltapiAnswer);
      }
      break;
    case LINEDEVSTATE_DISCONNECTED:
    case LINEDEVSTATE_OUTOFSERVICE:
    case LINEDEVSTATE_MAINTENANCE:
      HangupCall(true);
      break;
    case LINEDEVSTATE_REINIT:
      if (p2 == 0)
        StopTapi();  // telephony restarts: the next Dial starts it again
      else if (p2 == LINE_LINEDEVSTATE)
        DoLineDevState(device, p3, 0, 0);
      else if (p2 == LINE_CREATE)
        DoLineCreate(device, p3, 0, 0);
      break;
    default:
      break;
  }
}

void TLinkCustomTapiDevice::DoLineClose(uint32_t, uint32_t, uint32_t, uint32_t) {
  LineHandle_ = 0;  // the line is gone already
  CallHandle_ = 0;
  HangupCall(true);
}

void TLinkCustomTapiDevice::DoLineReply(uint32_t, uint32_t request, uint32_t result, uint32_t) {
  if (LONG(request) != RequestedID_) return;
  ReplyReceived_ = true;
  ReplyResult_ = LONG(result);
}

void TLinkCustomTapiDevice::DoLineCallInfo(uint32_t call, uint32_t infoState, uint32_t, uint32_t) {
  if (!CallHandle_ || call != uint32_t(CallHandle_)) return;
  RefreshCallInfo();
  if ((infoState & LINECALLINFOSTATE_CALLERID) && OnTapiCallerID && !Quiet())
    OnTapiCallerID(this, CallerOf(CallInfo_, false), CallerOf(CallInfo_, true));
}
void TLinkCustomTapiDevice::DoLineCreate(uint32_t, uint32_t, uint32_t, uint32_t) {}
void TLinkCustomTapiDevice::DoLineGenerate(uint32_t, uint32_t, uint32_t, uint32_t) {}
void TLinkCustomTapiDevice::DoLineMonitorDigits(uint32_t, uint32_t digit, uint32_t mode, uint32_t) {
  Log(ltapiReceivedDigit);
  if (OnTapiDTMF && !Quiet()) OnTapiDTMF(this, char(digit & 0xFF), mode);
}
void TLinkCustomTapiDevice::DoLineMonitorMedia(uint32_t, uint32_t, uint32_t, uint32_t) {}
void TLinkCustomTapiDevice::DoLineMonitorTone(uint32_t, uint32_t, uint32_t, uint32_t) {}
void TLinkCustomTapiDevice::DoLineRequest(uint32_t, uint32_t, uint32_t, uint32_t) {}

// ---- Telling the application ----------------------------------------------------------------------

void TLinkCustomTapiDevice::Status(uint32_t device, uint32_t message, uint32_t p1, uint32_t p2, uint32_t p3,
                                   bool last) {
  if (Quiet()) return;
  const bool first = FirstStatus_;
  FirstStatus_ = false;
  if (StatusDisplay_) StatusDisplay_->Update(first, last, device, message, p1, p2, p3);
  if (OnTapiStatus && (message || p1 || p2 || p3)) OnTapiStatus(this, first, last, device, message, p1, p2, p3);
}

void TLinkCustomTapiDevice::Log(TTapiLogCode code) {
  if (Quiet()) return;
  if (TapiLog_) TapiLog_->UpdateLog(code);
  if (OnTapiLog) OnTapiLog(this, code);
}

void TLinkCustomTapiDevice::Fire(const TLinkNotifyEvent& event) {
  if (!Quiet() && event) event(this);
}
