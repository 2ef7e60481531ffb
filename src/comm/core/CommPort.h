// TLinkCustomComPort: the component every byte of a session goes through. It owns one
// dispatcher (made by the device layer when the port opens), opens and closes it, forwards
// reads, writes and trigger calls to it, and turns the dispatcher's trigger notifications
// into events on the user-interface thread through a hidden port window.
//
// Everything here is portable: the hidden windows are reached through ILinkPortWindows,
// the device layers through dispatcher factories (TLinkDispatcherFactory).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "comm/core/Dispatcher.h"
#include "comm/core/LinkComponent.h"

enum TDeviceLayer : uint8_t { dlWin16, dlFossil, dlWin32, dlWinsock };
// Scoped: the framework's bitmaps have a tmAuto of their own.
enum class TTapiMode : uint8_t { tmNone, tmAuto, tmOn, tmOff };
enum TPortState : uint8_t { psClosed, psShuttingDown, psOpen };
enum TParity : uint8_t { pNone, pOdd, pEven, pMark, pSpace };
// THWFlowOptionSet: a set of these bits.
enum : uint8_t { hwfUseDTR = 1, hwfUseRTS = 2, hwfRequireDSR = 4, hwfRequireCTS = 8 };
using THWFlowOptionSet = uint8_t;
enum TSWFlowOptions : uint8_t { swfNone, swfReceive, swfTransmit, swfBoth };
enum TFlowControlState : uint8_t { fcOff, fcOn, fcDsrHold, fcCtsHold, fcDcdHold, fcXOutHold, fcXInHold, fcXBothHold };
enum TTraceLogState : uint8_t { tlOff, tlOn, tlDump, tlAppend, tlClear, tlPause };
enum TApThreadBoost : uint8_t { tbNone, tbPlusOne, tbPlusTwo };

// Messages of the port window besides the trigger notifications (0x7E01..0x7E04).
enum : uint32_t {
  LinkMsgPortOpened = 0x7E08,
  LinkMsgPortClosed = 0x7E09,
  LinkMsgClosePort = 0x7E0A,  // deferred close; lParam high word = the dispatcher's Handle
  // Posted by a port to itself when its line went away (LinkMsgLineLost): the port closes,
  // as when the user closes it. lParam high word = the dispatcher's Handle.
  LinkMsgCloseLostLine = 0x7E0B,
};

class TLinkCustomComPort;

using TLinkNotifyEvent = std::function<void(TComponent* sender)>;
using TTriggerEvent = std::function<void(TComponent* sender, uint16_t msg, uint16_t trigger, uint16_t data)>;
using TTriggerAvailEvent = std::function<void(TComponent* sender, uint16_t count)>;
using TTriggerHandleEvent = std::function<void(TComponent* sender, uint16_t trigger)>;
using TTriggerLineErrorEvent = std::function<void(TComponent* sender, uint16_t error, bool lineBreak)>;
using TWaitCharEvent = std::function<void(TComponent* sender, char c)>;
using TPortUserCallback = std::function<void(TLinkCustomComPort* port, bool opening)>;
// Makes the dispatcher of a device layer for a port that is about to open. It may throw or
// return null (the open then fails with -3001).
using TLinkDispatcherFactory = std::function<std::unique_ptr<TLinkBaseDispatcher>(TLinkCustomComPort& port)>;

// The hidden windows of the ports, and the notifier that sends trigger messages to them.
// The Win32 side registers the window class "lkComWindow"; its procedure hands every
// message to LinkPortWindowMessage.
class ILinkPortWindows {
 public:
  virtual ~ILinkPortWindows() = default;
  virtual TLinkWindow CreatePortWindow(TLinkCustomComPort* port) = 0;  // throws on failure
  virtual void DestroyPortWindow(TLinkWindow wnd) = 0;
  virtual void PostPortMessage(TLinkWindow wnd, uint32_t msg, uint32_t wParam, int32_t lParam) = 0;
  virtual void SendUserMessage(TLinkWindow wnd, uint32_t msg) = 0;  // a registered user's window
  virtual ILinkNotifier* Notifier() = 0;
};
// Null until the platform installs one; without it ports have no window and get no
// trigger events.
ILinkPortWindows* LinkPortWindows();
void SetLinkPortWindows(ILinkPortWindows* windows);

// The process-wide device layers (the Win32 serial and telephony layer registers dlWin32).
void SetLinkDeviceLayer(TDeviceLayer layer, TLinkDispatcherFactory factory);

// The port selection dialog that a port without a number shows (PromptForPort): the number
// the user chose, or 0 for none. The platform installs it; without one such a port fails
// to open (-2011).
using TLinkPortSelector = std::function<uint16_t()>;
void SetLinkPortSelector(TLinkPortSelector selector);

// The window procedure of a port window: trigger notifications (0x7E01..0x7E04), a failed
// line (0x7E05) and the deferred close (0x7E0A) go to the port that the dispatcher handle
// in lParam's high word names; other messages go to the port's WindowMessage. Returns false for a message that
// nobody handled (the caller passes it to the default procedure). A trigger message that
// its sender gave up on and sent again is ignored. Exceptions of the handlers pass on,
// after the dispatcher was told that the notification was delivered.
bool LinkPortWindowMessage(TLinkCustomComPort* windowPort, uint32_t msg, uintptr_t wParam, intptr_t lParam,
                           intptr_t& result);

class TLinkCustomComPort : public TLinkBaseComponent {
 public:
  explicit TLinkCustomComPort(TComponent* owner = nullptr);
  ~TLinkCustomComPort() override;

  void Loaded() override;

  // ---- Properties ----------------------------------------------------------------------
  TDeviceLayer DeviceLayer() const { return DeviceLayer_; }
  void SetDeviceLayer(TDeviceLayer layer);
  uint16_t ComNumber() const { return ComNumber_; }
  void SetComNumber(uint16_t n);
  int32_t Baud() const { return Baud_; }
  void SetBaud(int32_t baud);
  bool PromptForPort = true;
  TParity Parity() const { return Parity_; }
  void SetParity(TParity parity);
  uint16_t DataBits() const { return DataBits_; }
  void SetDataBits(uint16_t bits);
  uint16_t StopBits() const { return StopBits_; }
  void SetStopBits(uint16_t bits);
  uint16_t InSize() const { return InSize_; }
  void SetInSize(uint16_t size);
  uint16_t OutSize() const { return OutSize_; }
  void SetOutSize(uint16_t size);
  bool AutoOpen = true;
  bool Open() const { return Open_; }
  void SetOpen(bool open);
  bool DTR() const { return DTR_; }
  void SetDTR(bool on);
  bool RTS() const { return RTS_; }
  void SetRTS(bool on);
  THWFlowOptionSet HWFlowOptions() const { return HWFlowOptions_; }
  void SetHWFlowOptions(THWFlowOptionSet options);
  TSWFlowOptions SWFlowOptions() const { return SWFlowOptions_; }
  void SetSWFlowOptions(TSWFlowOptions options);
  char XOnChar() const { return XOnChar_; }
  void SetXOnChar(char c);
  char XOffChar() const { return XOffChar_; }
  void SetXOffChar(char c);
  uint16_t BufferFull() const { return BufferFull_; }
  void SetBufferFull(uint16_t n);
  uint16_t BufferResume() const { return BufferResume_; }
  void SetBufferResume(uint16_t n);
  TTraceLogState Tracing() const { return Tracing_; }
  void SetTracing(TTraceLogState state);
  uint32_t TraceSize() const { return TraceSize_; }
  void SetTraceSize(uint32_t size);
  std::string TraceName = "LINK.TRC";
  bool TraceHex = true;
  TTraceLogState Logging() const { return Logging_; }
  void SetLogging(TTraceLogState state);
  uint32_t LogSize() const { return LogSize_; }
  void SetLogSize(uint32_t size);
  std::string LogName = "LINK.LOG";
  bool LogHex = true;
  bool UseMSRShadow() const { return UseMSRShadow_; }
  virtual void SetUseMSRShadow(bool on);
  bool UseEventWord() const { return UseEventWord_; }
  void SetUseEventWord(bool on);
  uint16_t CommNotificationLevel() const { return CommNotificationLevel_; }
  void SetCommNotificationLevel(uint16_t level);
  TTapiMode TapiMode = TTapiMode::tmAuto;  // written directly by other components
  bool RS485Mode() const { return RS485Mode_; }
  void SetRS485Mode(bool on);
  TApThreadBoost ThreadBoost() const { return ThreadBoost_; }
  void SetThreadBoost(TApThreadBoost boost);
  uint16_t TriggerLength() const { return TriggerLength_; }
  void SetTriggerLength(uint16_t length);
  uint16_t BaseAddress() const { return BaseAddress_; }
  void SetBaseAddress(uint16_t address);
  // The comm handle that the telephony device hands to the port (0 when none).
  intptr_t TapiCommHandle = 0;
  // When set, its dispatcher replaces the built-in choice of the device layer.
  TLinkDispatcherFactory CustomDispatcher;

  TPortState PortState() const { return State_; }
  // Why the line failed under the open port (a library code: the device went away, a write
  // failed, the dispatcher's threads met an error), 0 when it did not. The port then closes
  // itself; the code is there for its close events (OnPortClosed, and OnWsDisconnect of a
  // Winsock port) and is cleared once the close is done.
  int32_t LineFailure() const { return LineFailure_; }
  TLinkWindow PortWindow() const { return Window_; }
  TLinkBaseDispatcher* Dispatcher() const { return Dispatcher_.get(); }
  TFlowControlState GetFlowState();

  // ---- Events (setting one also tells the dispatcher whether the window wants triggers) --
  void SetOnTrigger(TTriggerEvent e) { OnTrigger_ = std::move(e); UpdateHandlerFlag(); }
  void SetOnTriggerAvail(TTriggerAvailEvent e) { OnTriggerAvail_ = std::move(e); UpdateHandlerFlag(); }
  void SetOnTriggerData(TTriggerHandleEvent e) { OnTriggerData_ = std::move(e); UpdateHandlerFlag(); }
  void SetOnTriggerStatus(TTriggerHandleEvent e) { OnTriggerStatus_ = std::move(e); UpdateHandlerFlag(); }
  void SetOnTriggerTimer(TTriggerHandleEvent e) { OnTriggerTimer_ = std::move(e); UpdateHandlerFlag(); }
  void SetOnTriggerLineError(TTriggerLineErrorEvent e) { OnTriggerLineError_ = std::move(e); UpdateHandlerFlag(); }
  void SetOnTriggerModemStatus(TLinkNotifyEvent e) { OnTriggerModemStatus_ = std::move(e); UpdateHandlerFlag(); }
  void SetOnTriggerOutbuffFree(TLinkNotifyEvent e) { OnTriggerOutbuffFree_ = std::move(e); UpdateHandlerFlag(); }
  void SetOnTriggerOutbuffUsed(TLinkNotifyEvent e) { OnTriggerOutbuffUsed_ = std::move(e); UpdateHandlerFlag(); }
  void SetOnTriggerOutSent(TLinkNotifyEvent e) { OnTriggerOutSent_ = std::move(e); UpdateHandlerFlag(); }
  const TTriggerAvailEvent& OnTriggerAvail() const { return OnTriggerAvail_; }
  const TTriggerHandleEvent& OnTriggerStatus() const { return OnTriggerStatus_; }
  const TTriggerHandleEvent& OnTriggerTimer() const { return OnTriggerTimer_; }
  const TTriggerHandleEvent& OnTriggerData() const { return OnTriggerData_; }
  TWaitCharEvent OnWaitChar;
  TLinkNotifyEvent OnPortOpened;
  TLinkNotifyEvent OnPortClosed;

  // ---- Data (a closed port with AutoOpen opens on first use) ----------------------------
  void PutChar(char c);
  void PutString(const std::string& s);
  // All or nothing; a block longer than 65535 bytes is refused (-3006) like one longer
  // than the free room.
  void PutBlock(const void* buf, uint32_t len);
  char GetChar();
  char PeekChar(uint16_t count);
  void GetBlock(void* buf, uint32_t len);
  void PeekBlock(void* buf, uint32_t len);
  bool CharReady();
  uint16_t GetInBuffUsed();
  uint16_t GetInBuffFree();
  uint16_t GetOutBuffUsed();
  uint16_t GetOutBuffFree();  // OutSize while closed
  void FlushInBuffer();
  void FlushOutBuffer();
  void SendBreak(int32_t ticks, bool yield);
  uint8_t GetModemStatus();
  bool GetDSR(), GetCTS(), GetRI(), GetDCD();
  bool GetDeltaDSR(), GetDeltaCTS(), GetDeltaRI(), GetDeltaDCD();
  uint16_t GetLineError();
  bool GetLineBreak();
  void ProcessCommunications();

  // ---- Triggers ------------------------------------------------------------------------
  uint16_t AddDataTrigger(const std::string& data, bool ignoreCase);  // at most 21 bytes (-5002)
  uint16_t AddTimerTrigger();
  void SetTimerTrigger(uint16_t handle, int32_t ticks, bool activate);
  uint16_t AddStatusTrigger(uint8_t type);
  void SetStatusTrigger(uint16_t handle, uint16_t value, bool activate);
  void RemoveTrigger(uint16_t handle);
  void RemoveAllTriggers();

  // ---- Users told of opening and closing (last registered first) ------------------------
  void RegisterUser(TLinkWindow wnd);
  void DeregisterUser(TLinkWindow wnd);
  void RegisterUserCallback(const void* key, TPortUserCallback callback);
  void DeregisterUserCallback(const void* key);

  // ---- Trace and dispatch log ----------------------------------------------------------
  void InitTracing(uint32_t size);
  void DumpTrace(const std::string& name, bool inHex);
  void AppendTrace(const std::string& name, bool inHex);
  void ClearTracing();
  void AbortTracing();
  void StartTracing();
  void StopTracing();
  void AddTraceEntry(char kind, char c);
  void InitLogging(uint32_t size);
  void DumpLog(const std::string& name, bool inHex);
  void AppendLog(const std::string& name, bool inHex);
  void ClearLogging();
  void AbortLogging();
  void StartLogging();
  void StopLogging();
  void AddStringToLog(const std::string& s);

  // ---- Waiting for text -----------------------------------------------------------------
  static bool CheckForString(uint8_t& index, char c, const std::string& s, bool ignoreCase);
  // True when s arrived before the time-out (ticks of 55 ms); false on time-out, when the
  // application is ending, or when the port is shutting down.
  bool WaitForString(const std::string& s, int32_t timeout, bool yield, bool ignoreCase);
  // The 1-based index of the first of the strings (s cut at every separator) that arrived;
  // 0 when none did.
  uint16_t WaitForMultiString(const std::string& s, int32_t timeout, bool yield, bool ignoreCase, char separator);
  void PrepareWait();

  void ForcePortOpen();
  void Assign(const TLinkCustomComPort& source);
  static TLinkCustomComPort* SearchComPort(TComponent* owner);
  static std::string ComName(uint16_t n) { return "COM" + std::to_string(n); }

 protected:
  friend bool LinkPortWindowMessage(TLinkCustomComPort*, uint32_t, uintptr_t, intptr_t, intptr_t&);

  // Device-layer hooks.
  virtual std::unique_ptr<TLinkBaseDispatcher> ActivateDeviceLayer();
  virtual void DeviceLayerChanged() {}
  virtual void InitializePort();
  virtual void RegisterComPort(bool use);
  virtual void ValidateComport();
  // Shows the port selection dialog: the chosen port number, or 0 when cancelled.
  virtual uint16_t SelectPort();
  // The line failed (code as LineFailure): the port closes itself (through a posted message,
  // so that a notification under way ends first).
  virtual void LineLost(int32_t code);

  // Trigger virtuals: each fires its event when one is set.
  virtual void Trigger(uint16_t msg, uint16_t trigger, uint16_t data);
  virtual void TriggerAvail(uint16_t count);
  virtual void TriggerData(uint16_t trigger);
  virtual void TriggerStatus(uint16_t trigger);
  virtual void TriggerTimer(uint16_t trigger);
  virtual void UpdateHandlerFlag();
  virtual void TriggerLineError(uint16_t error, bool lineBreak);
  virtual void TriggerModemStatus();
  virtual void TriggerOutbuffFree();
  virtual void TriggerOutbuffUsed();
  virtual void TriggerOutSent();
  virtual void WaitChar(char c);
  virtual void DonePort();
  virtual void PortOpen();
  virtual void PortClose();
  virtual void InitPort();
  // Messages of the port window other than the trigger notifications and the close.
  virtual bool WindowMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam, intptr_t& result);

  // The dispatcher, opening a closed port first when AutoOpen allows; raises -2007 when
  // there is none.
  TLinkBaseDispatcher& ValidDispatcher();
  bool ShuttingDown() const { return State_ == psShuttingDown; }
  bool Force() const { return Force_; }
  int32_t Check(int32_t code) { return CheckException(this, code); }

  std::vector<TDeviceLayer> AcceptedLayers{dlWin32};
  std::unique_ptr<TLinkBaseDispatcher> Dispatcher_;

 private:
  struct User {
    TLinkWindow Wnd = 0;
    const void* Key = nullptr;
    TPortUserCallback Callback;
  };

  TLinkBaseDispatcher* GetDispatcher();
  void TellUsers(bool opening);
  void DeferredClose(uint16_t handle);
  void CloseLostLine(uint16_t handle);
  void FinishClose();
  // Opens the port when an open was asked for while it closed (SetOpen remembers it).
  void OpenIfPending();
  void ApplyFlow();
  void ApplyLine();
  void ReadBackTapiSettings();
  enum class THistoryOp { Init, Dump, Append, Clear, Abort, Start, Stop };
  void SetTraceLogState(bool log, TTraceLogState state);
  void History(bool log, THistoryOp op, uint32_t size = 0, const std::string& name = {}, bool inHex = false);
  bool DispatcherBusy() const;
  void UnwindOpen(bool registered);

  TDeviceLayer DeviceLayer_ = dlWin32;
  uint16_t ComNumber_ = 0;
  int32_t Baud_ = 19200;
  TParity Parity_ = pNone;
  uint16_t DataBits_ = 8, StopBits_ = 1;
  uint16_t InSize_ = 4096, OutSize_ = 4096;
  bool Open_ = false;
  bool DTR_ = true, RTS_ = true;
  THWFlowOptionSet HWFlowOptions_ = 0;
  TSWFlowOptions SWFlowOptions_ = swfNone;
  char XOnChar_ = 17, XOffChar_ = 19;
  uint16_t BufferFull_ = 0, BufferResume_ = 0;
  TTraceLogState Tracing_ = tlOff, Logging_ = tlOff;
  uint32_t TraceSize_ = 10000, LogSize_ = 10000;
  bool UseMSRShadow_ = true, UseEventWord_ = true;
  uint16_t CommNotificationLevel_ = 10;
  bool RS485Mode_ = false;
  TApThreadBoost ThreadBoost_ = tbNone;
  uint16_t TriggerLength_ = 1;
  uint16_t BaseAddress_ = 0;

  std::vector<User> Users_;
  TPortState State_ = psClosed;
  bool Force_ = false;
  bool OpenPending_ = false;
  bool LineLostPending_ = false;  // a lost line's close is on its way
  int32_t LineFailure_ = 0;
  bool OpenAfterLoad_ = false;
  bool TriggersSaved_ = false;
  TTriggerSave Save_;
  bool WaitPrepared_ = false, WaitWasBusy_ = false;
  TLinkWindow Window_ = 0;

  TTriggerEvent OnTrigger_;
  TTriggerAvailEvent OnTriggerAvail_;
  TTriggerHandleEvent OnTriggerData_, OnTriggerStatus_, OnTriggerTimer_;
  TTriggerLineErrorEvent OnTriggerLineError_;
  TLinkNotifyEvent OnTriggerModemStatus_, OnTriggerOutbuffFree_, OnTriggerOutbuffUsed_, OnTriggerOutSent_;
};

// The port with its properties published; it adds nothing.
class TLinkComPort : public TLinkCustomComPort {
 public:
  using TLinkCustomComPort::TLinkCustomComPort;
};
