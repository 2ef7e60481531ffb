// TLinkCustomTapiDevice: outgoing modem calls through the telephony interface (version
// 1.4). Dial opens the selected line and places the call; the call's states arrive through
// the line callback while the application processes messages; once the call is connected
// the device opens its port on the communications handle of the call and fires
// OnTapiConnect. A call that never connects ends, after its redials, in one OnTapiFail.
//
// For one Dial the program sees exactly one of OnTapiConnect or OnTapiFail (either may run
// inside Dial or CancelCall). CancelCall, or a hang-up by the far end or the line, after
// the call connected closes the port (its own close events follow) and fires neither.
// The device also answers calls (AutoAnswer), opens the port on the modem without a call
// (ConfigAndOpen), translates numbers, shows the system's line dialogs, keeps the modem's
// settings and tells the caller and the tone digits of a call. With EnableVoice a call is
// placed for an automated voice and listens for tone digits instead of opening the port;
// playing and recording sound on a call are not part of this device.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "comm/TapiUtil.h"
#include "comm/core/CommPort.h"
#include "comm/core/LinkComponent.h"
#include "comm/core/TapiStatus.h"
#include "framework/Controls.h"

class TTimer;
class TLinkCustomTapiDevice;

// (Sender, First, Last, Device, Message, Param1, Param2, Param3): a call-state, line-state
// or reply notification, or the device's own (message 32); First for the first of a call,
// Last for its end.
using TTapiStatusEvent = std::function<void(TComponent* sender, bool first, bool last, uint32_t device,
                                            uint32_t message, uint32_t param1, uint32_t param2, uint32_t param3)>;
using TTapiLogEvent = std::function<void(TComponent* sender, TTapiLogCode log)>;
// (Sender, caller id, caller name), trimmed; a withheld caller reads as the library's text.
using TTapiCallerIDEvent = std::function<void(TComponent* sender, const std::string& id, const std::string& name)>;

// A status window a device keeps up to date (the program places none).
class TLinkAbstractTapiStatus : public TLinkBaseComponent {
 public:
  explicit TLinkAbstractTapiStatus(TComponent* owner = nullptr) : TLinkBaseComponent(owner) {}
  POINT Position{};
  bool Ctl3D = true;
  bool Visible = true;
  std::string Caption;
  bool Answering = false;  // set for an incoming call, cleared when a dial starts
  TLinkCustomTapiDevice* TapiDevice = nullptr;  // the device that uses it

  // Every status notification of the device; the first makes the display, the last ends it.
  void Update(bool first, bool last, uint32_t device, uint32_t message, uint32_t param1, uint32_t param2,
              uint32_t param3);

 protected:
  virtual void CreateDisplay() = 0;
  virtual void DestroyDisplay() = 0;
  virtual void UpdateDisplay(bool first, bool last, uint32_t device, uint32_t message, uint32_t param1,
                             uint32_t param2, uint32_t param3) = 0;

 private:
  bool Shown_ = false;
};

// The history of a device's calls: one line per event appended to TapiHistoryName (the
// date and time, " : " and what happened).
class TLinkTapiLog : public TLinkBaseComponent {
 public:
  explicit TLinkTapiLog(TComponent* owner = nullptr) : TLinkBaseComponent(owner) {}
  std::string TapiHistoryName = "LINKTAPI.HIS";
  TLinkCustomTapiDevice* TapiDevice = nullptr;
  virtual void UpdateLog(TTapiLogCode log);
};

class TLinkCustomTapiDevice : public TLinkBaseComponent {
 public:
  // Takes the first port among the owner's components (a port in tmAuto becomes tmOn,
  // closed and without AutoOpen), and a status display and log that no device uses yet;
  // starts telephony and lists its lines (where there is no telephony, Dial reports it).
  explicit TLinkCustomTapiDevice(TComponent* owner = nullptr);
  ~TLinkCustomTapiDevice() override;

  // ---- Properties ----------------------------------------------------------------------
  const std::string& SelectedDevice() const { return SelectedDevice_; }
  void SetSelectedDevice(const std::string& name) { SelectedDevice_ = name; }
  TLinkCustomComPort* ComPort() const { return ComPort_; }
  void SetComPort(TLinkCustomComPort* port);
  TLinkAbstractTapiStatus* StatusDisplay() const { return StatusDisplay_; }
  void SetStatusDisplay(TLinkAbstractTapiStatus* display);
  TLinkTapiLog* TapiLog() const { return TapiLog_; }
  void SetTapiLog(TLinkTapiLog* log);
  uint8_t AnswerOnRing = 2;
  uint16_t RetryWait = 60;   // seconds between attempts
  uint16_t MaxAttempts = 3;  // attempts in all
  bool ShowTapiDevices = true;
  bool ShowPorts = true;
  // Calls for an automated voice instead of a data modem: a connected call then watches for
  // tone digits (OnTapiDTMF) and opens no port.
  bool EnableVoice = false;

  TTapiStatusEvent OnTapiStatus;
  TTapiLogEvent OnTapiLog;
  TLinkNotifyEvent OnTapiPortOpen, OnTapiPortClose, OnTapiConnect, OnTapiFail;
  // (Sender, digit, digit mode): a tone digit heard on a call (MonitorDTMF).
  std::function<void(TComponent* sender, char digit, uint32_t mode)> OnTapiDTMF;
  // The line told who calls.
  TTapiCallerIDEvent OnTapiCallerID;

  // Takes the other device's settings and its port; its status display and log, each of
  // which serves one device, stay with it.
  virtual void Assign(const TLinkCustomTapiDevice& source);

  // ---- Operations ------------------------------------------------------------------------
  // The device selection dialog (lines, and "Direct to COM" ports with ShowPorts); OK sets
  // SelectedDevice, or for a port the port's TapiMode tmOff and its ComNumber. True after OK.
  bool SelectDevice();
  // Places a call to number; returns once the call was asked for (or refused). Raises
  // -1005 without a port, -13929 for a port not in telephony mode, -13928 while a call is
  // up or being redialled, -13930 when no line can be chosen, and telephony errors.
  void Dial(const std::string& number);
  // Ends the call without a redial; OnTapiFail when it had not connected.
  void CancelCall();
  // Waits on the selected line for a call: an offered data call (or automated-voice call
  // with EnableVoice) is accepted, answered once it rang AnswerOnRing times, and, connected,
  // carried by the port as a dialled one (OnTapiConnect). Raises as Dial does.
  void AutoAnswer();
  // Opens the port on the selected line's modem without dialling (a pass-through call), for
  // commands of the user's own; OnTapiConnect once the port is open, and no OnTapiFail.
  void ConfigAndOpen();
  // The number as the selected line dials it from the current location; -13942 when the
  // system cannot translate it.
  std::string TranslateAddress(const std::string& number);
  // The system's dialog of dialling locations, for the number.
  void TranslateDialog(const std::string& number);
  // The system's settings dialog of the selected line's modem.
  void ShowConfigDialog();
  // The modem settings the selected line keeps (a block only the modem's driver reads), and
  // back.
  std::string GetDevConfig();
  void SetDevConfig(const std::string& config);
  // Who calls on the current call, as the line tells it ("" when it does not); a withheld
  // number reads "Caller ID Blocked", one from outside the area "Out of Area Call".
  std::string GetCallerID();
  std::string GetCallerIDName();
  // While on, tone digits heard on the current call are told (OnTapiDTMF).
  void MonitorDTMF(bool on);
  // The connected call's rate in bits per second; 0 before it connected.
  uint32_t GetBPSRate() const;
  std::string TapiStatusMsg(uint32_t message, uint32_t state, uint32_t reason) const;
  TTapiState GetTapiState();
  void EnumLineDevices();
  const std::vector<std::string>& TapiDevices() const { return TapiDevices_; }

  const std::string& Number() const { return Number_; }  // the number being dialled
  bool Cancelled() const { return Cancelled_; }  // CancelCall came; cleared when a dial starts
  bool Connected() const { return Connected_; }
  bool Dialing() const { return Dialing_; }
  uint16_t Attempt() const { return Attempt_; }
  int32_t RetryCountdown() const { return RetryCountdown_; }

 protected:
  void Notification(TComponent* component, TOperation operation) override;

  // The line notifications, by message (device, param1, param2, param3).
  virtual void DoLineCallInfo(uint32_t device, uint32_t p1, uint32_t p2, uint32_t p3);
  virtual void DoLineCallState(uint32_t device, uint32_t p1, uint32_t p2, uint32_t p3);
  virtual void DoLineClose(uint32_t device, uint32_t p1, uint32_t p2, uint32_t p3);
  virtual void DoLineCreate(uint32_t device, uint32_t p1, uint32_t p2, uint32_t p3);
  virtual void DoLineDevState(uint32_t device, uint32_t p1, uint32_t p2, uint32_t p3);
  virtual void DoLineGenerate(uint32_t device, uint32_t p1, uint32_t p2, uint32_t p3);
  virtual void DoLineMonitorDigits(uint32_t device, uint32_t p1, uint32_t p2, uint32_t p3);
  virtual void DoLineMonitorMedia(uint32_t device, uint32_t p1, uint32_t p2, uint32_t p3);
  virtual void DoLineMonitorTone(uint32_t device, uint32_t p1, uint32_t p2, uint32_t p3);
  virtual void DoLineReply(uint32_t device, uint32_t p1, uint32_t p2, uint32_t p3);
  virtual void DoLineRequest(uint32_t device, uint32_t p1, uint32_t p2, uint32_t p3);

 private:
  friend void CALLBACK LinkLineCallback(DWORD, DWORD, DWORD_PTR, DWORD_PTR, DWORD_PTR, DWORD_PTR);

  void StartTapi();
  void StopTapi();
  void AssureTapiReady();
  void BeginCall(const std::string& number, bool configMode, bool answering);
  void DialPrim(bool passThrough = false);
  void OpenLine();
  DWORD SelectedLineId();
  DWORD AcceptedMediaModes() const;
  int32_t GetSelectedLine();
  int32_t DeviceIDFromName(const std::string& name);
  LONG WaitForReply(LONG request);
  int WaitForCallState(uint32_t state);
  void HangupCall(bool noRedial);
  void FinishCall(bool neverConnected);
  void OpenTapiPort();
  bool CloseTapiPort();
  HANDLE CidFromTapiDevice();
  void RefreshCallInfo();
  void CreateDialTimer();
  void TapiDialTimer();
  void FreeDialTimer();
  void Status(uint32_t device, uint32_t message, uint32_t p1, uint32_t p2, uint32_t p3, bool last = false);
  void Log(TTapiLogCode code);
  void Fire(const TLinkNotifyEvent& event);
  DWORD MediaMode() const { return EnableVoice ? LINEMEDIAMODE_AUTOMATEDVOICE : LINEMEDIAMODE_DATAMODEM; }
  bool Quiet() const { return Destroying_; }
  void WindowMessage(TMessage& message);

  std::string SelectedDevice_;
  TLinkCustomComPort* ComPort_ = nullptr;
  TLinkAbstractTapiStatus* StatusDisplay_ = nullptr;
  TLinkTapiLog* TapiLog_ = nullptr;

  HLINEAPP LineApp_ = 0;
  DWORD NumDevices_ = 0;
  DWORD ApiVersion_ = 0x10004;
  HLINE LineHandle_ = 0;
  HCALL CallHandle_ = 0;
  int32_t SelectedLine_ = -1;
  uint32_t CallState_ = 0;
  bool CallStateReceived_ = false;
  LONG RequestedID_ = 0, ReplyResult_ = 0;
  bool ReplyReceived_ = false;
  bool LineInUse_ = false, CallStarted_ = false, StartingTapi_ = false, Connected_ = false, HangingUp_ = false,
       StoppingTapi_ = false, Dialing_ = false, WaitingForReply_ = false, WaitingForCallState_ = false,
       Cancelled_ = false, FirstStatus_ = false, Destroying_ = false;
  bool PortOpenedForCall_ = false;
  bool OutgoingCall_ = true;  // the line is open for dialling, not for answering
  bool ConfigMode_ = false;   // a pass-through call (ConfigAndOpen)
  bool Answering_ = false;    // an offered call is being answered
  std::unique_ptr<TTimer> DialTimer_;
  int32_t RetryCountdown_ = 0;
  TTapiRecord CallInfo_;
  std::vector<std::string> TapiDevices_;
  std::string Number_;
  uint16_t Attempt_ = 0;
  HWND Window_ = nullptr;
};

class TLinkTapiDevice : public TLinkCustomTapiDevice {
 public:
  using TLinkCustomTapiDevice::TLinkCustomTapiDevice;
};

// Where a line-created notice goes besides the devices: posted, as this registered message
// (wParam: the new device id), to the process's own top-level windows.
UINT LinkLineCreateMessage();
