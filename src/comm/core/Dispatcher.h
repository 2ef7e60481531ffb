// TLinkBaseDispatcher: the engine under every port. It owns the receive ring, the output
// accounting, the line settings (a DCB kept in step with the device), the modem-status and
// line-error bits, the triggers and their notification, the trace and the dispatch log.
// The device is reached only through the abstract operations below, which the serial,
// telephony and Winsock layers implement; the threads or timer that drive it call
// ProcessComEvent / ProcessIdleRound / CheckTriggers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "comm/core/LinkUtil.h"
#include "comm/core/Trace.h"
#include "comm/core/Triggers.h"

// ---- Line settings with the system's bit layout -----------------------------------------

// The same 28 bytes as the system's DCB, so that the Win32 layer can hand it over as is.
struct TLinkDCB {
  uint32_t DCBlength = 28;
  uint32_t BaudRate = 0;
  uint32_t Flags = 0;
  uint16_t wReserved = 0;
  uint16_t XonLim = 0;
  uint16_t XoffLim = 0;
  uint8_t ByteSize = 8;
  uint8_t Parity = 0;
  uint8_t StopBits = 0;
  char XonChar = 17;
  char XoffChar = 19;
  char ErrorChar = 0;
  char EofChar = 0;
  char EvtChar = 0;
  uint16_t wReserved1 = 0;
};
static_assert(sizeof(TLinkDCB) == 28);

enum : uint32_t {
  dcbBinary = 0x1,
  dcbParity = 0x2,
  dcbOutxCtsFlow = 0x4,
  dcbOutxDsrFlow = 0x8,
  dcbDtrControlMask = 0x30,  // 2 bits at 4
  dcbDsrSensitivity = 0x40,
  dcbTXContinueOnXoff = 0x80,
  dcbOutX = 0x100,
  dcbInX = 0x200,
  dcbErrorChar = 0x400,
  dcbNull = 0x800,
  dcbRtsControlMask = 0x3000,  // 2 bits at 12
  dcbAbortOnError = 0x4000,
};
inline constexpr int kDcbDtrShift = 4, kDcbRtsShift = 12;
enum : uint32_t { dtrDisable = 0, dtrEnable = 1, dtrHandshake = 2 };
enum : uint32_t { rtsDisable = 0, rtsEnable = 1, rtsHandshake = 2, rtsToggle = 3 };
enum : uint8_t { sbOne = 0, sbOne5 = 1, sbTwo = 2 };
enum : uint8_t { parNone = 0, parOdd = 1, parEven = 2, parMark = 3, parSpace = 4 };

inline uint32_t DcbDtrControl(const TLinkDCB& d) { return (d.Flags & dcbDtrControlMask) >> kDcbDtrShift; }
inline uint32_t DcbRtsControl(const TLinkDCB& d) { return (d.Flags & dcbRtsControlMask) >> kDcbRtsShift; }
inline void SetDcbDtrControl(TLinkDCB& d, uint32_t v) { d.Flags = (d.Flags & ~dcbDtrControlMask) | (v << kDcbDtrShift); }
inline void SetDcbRtsControl(TLinkDCB& d, uint32_t v) { d.Flags = (d.Flags & ~dcbRtsControlMask) | (v << kDcbRtsShift); }

// The system's COMSTAT: hold flags, then the queue counts.
struct TLinkComStat {
  uint32_t Flags = 0;
  uint32_t cbInQue = 0;
  uint32_t cbOutQue = 0;
};
static_assert(sizeof(TLinkComStat) == 12);
enum : uint32_t { csCtsHold = 0x1, csDsrHold = 0x2, csRlsdHold = 0x4, csXoffHold = 0x8, csXoffSent = 0x10 };

// Line-error bits as the device reports them, and the escape and event codes.
enum : uint32_t { ceRxOver = 1, ceOverrun = 2, ceRxParity = 4, ceFrame = 8, ceBreak = 16 };
enum : int32_t { escSetXoff = 1, escSetXon = 2, escSetRts = 3, escClrRts = 4, escSetDtr = 5, escClrDtr = 6, escSetBreak = 8, escClrBreak = 9 };
enum : uint32_t {
  evRxChar = 0x1, evCts = 0x8, evDsr = 0x10, evRlsd = 0x20, evBreak = 0x40, evErr = 0x80,
  evRing = 0x100, evRingOther = 0x2000,
};
// Modem status byte: current lines in the high nibble, changes in the low nibble.
enum : uint8_t { msDCTS = 0x01, msDDSR = 0x02, msTERI = 0x04, msDDCD = 0x08, msCTS = 0x10, msDSR = 0x20, msRI = 0x40, msDCD = 0x80 };

int32_t MapBaudCode(int32_t code);

// The flow settings of a line, as HWFlowOptions, SWFlowEnable and SWFlowChars take them.
struct TLinkFlowOptions {
  uint8_t Hardware = 0;  // 1 use DTR, 2 use RTS, 4 require DSR, 8 require CTS
  uint8_t Software = 0;  // 1 transmit, 2 receive
  uint16_t BufferFull = 0, BufferResume = 0;
  char XonChar = 0, XoffChar = 0;
  bool operator==(const TLinkFlowOptions&) const = default;
};
// What a DCB holds of them, on a device whose input queue is inQue bytes.
TLinkFlowOptions DcbFlowOptions(const TLinkDCB& dcb, int32_t inQue);

// ---- Notification --------------------------------------------------------------------------

using TLinkWindow = uintptr_t;

enum class TLinkNotifyOutcome { Delivered, TimedOut, Failed };

// Sends a trigger message to a window and waits for its window procedure, at most
// timeoutMs. The window side calls TLinkBaseDispatcher::NotifyEntering when its procedure
// takes a trigger message (and ignores the message when told to), and NotifyDelivered when
// it has handled it, whether or not the sender still waits. A message that the window's
// thread did not take in time is withdrawn by the system; its sender cannot tell that from
// one whose procedure still runs, but the dispatcher can.
class ILinkNotifier {
 public:
  virtual ~ILinkNotifier() = default;
  virtual TLinkNotifyOutcome SendTriggerMessage(TLinkWindow wnd, uint32_t msg, uint32_t wParam,
                                                int32_t lParam, uint32_t timeoutMs) = 0;
};
inline constexpr uint32_t kNotifyTimeoutMs = 3000;

using TLinkTriggerProc = void (*)(uint32_t msg, uint32_t trigger, int32_t lParam);
struct TLinkTriggerEvent {
  void (*Code)(void* object, uint32_t msg, uint32_t trigger, int32_t lParam) = nullptr;
  void* Object = nullptr;
  bool operator==(const TLinkTriggerEvent&) const = default;
};

enum TApHandlerFlagUpdate { fuKeepPort, fuEnablePort, fuDisablePort };

// Option bits of a dispatcher (OptionsOn / OptionsOff).
inline constexpr uint32_t kDispatchOptionEventWord = 4;

struct TTriggerSave {
  uint16_t LenTrigger = 0;
  std::vector<TTimerTrigger> Timers;
  std::vector<TDataTrigger> Data;
  std::vector<TStatusTrigger> Status;
};

// ---- The dispatcher ------------------------------------------------------------------------

class TLinkBaseDispatcher {
 public:
  static constexpr size_t kRingSize = 8192;

  explicit TLinkBaseDispatcher(void* owner = nullptr);
  virtual ~TLinkBaseDispatcher();
  TLinkBaseDispatcher(const TLinkBaseDispatcher&) = delete;
  TLinkBaseDispatcher& operator=(const TLinkBaseDispatcher&) = delete;

  // Device-layer operations, in slot order.
  virtual int32_t EscapeComFunction(int32_t func) = 0;
  virtual int32_t FlushCom(int32_t queue) = 0;  // 0 output, 1 input
  virtual int32_t GetComError(TLinkComStat& stat) = 0;
  virtual uint32_t GetComEventMask(int32_t mask) = 0;
  virtual int32_t GetComState(TLinkDCB& dcb) = 0;
  virtual int32_t ReadCom(uint8_t* buf, int32_t size) = 0;
  virtual int32_t SetComState(TLinkDCB& dcb) = 0;
  virtual int32_t WriteCom(const uint8_t* buf, int32_t size) = 0;
  virtual bool WaitComEvent(uint32_t& mask, void* overlapped) = 0;
  // GetComError for the output counts alone, where a device can give them without taking
  // in what arrived (a socket's read is a round trip to the system).
  virtual int32_t GetOutputStatus(TLinkComStat& stat) { return GetComError(stat); }
  virtual bool SetupCom(int32_t inSize, int32_t outSize) = 0;
  virtual void DonePortPrim();  // stops the dispatcher when active, frees both rings
  virtual void StartDispatcher() = 0;
  virtual void StopDispatcher() = 0;
  virtual intptr_t OpenCom(const char* name, int32_t inQueue, int32_t outQueue) = 0;
  virtual int32_t CloseCom() = 0;
  virtual void ProcessCommunications() = 0;
  virtual void SetThreadBoost(uint8_t boost) { ThreadBoost = boost; }
  virtual void UpdateHandlerFlags(TApHandlerFlagUpdate update);
  // What the base needs of the system besides the slots above.
  virtual uint8_t GetCommModemStatus() { return 0; }  // CTS/DSR/RI/DCD in the high nibble
  virtual uint32_t LastSystemError() { return 0; }
  // True once the threads that drive the dispatcher are told to end: the trigger checks
  // stop at once.
  virtual bool StopRequested() const { return false; }
  // Runs fn on the main thread (a synchronized event handler); the base calls it directly.
  virtual void Synchronize(const std::function<void()>& fn) { fn(); }

  // Opening and closing.
  int32_t InitPort(const char* name, int32_t baud, uint8_t parity, uint8_t databits, uint8_t stopbits,
                   int32_t inSize, int32_t outSize, bool dtr, bool rts);
  int32_t InitSocket(int32_t inSize, int32_t outSize);
  int32_t DonePort();

  // Line settings.
  int32_t SetLine(int32_t baud, uint8_t parity, uint8_t databits, uint8_t stopbits);
  int32_t GetLine(int32_t& baud, uint8_t& parity, uint8_t& databits, uint8_t& stopbits);
  int32_t SetCommStateFix(TLinkDCB& dcb);
  int32_t SetModem(bool dtr, bool rts);
  int32_t SetDtr(bool on);
  int32_t SetRts(bool on);
  int32_t ChangeBaud(int32_t baud);
  TLinkDCB GetDCB();

  // Modem status and line errors.
  uint8_t GetModemStatus();
  bool CheckCTS(), CheckDSR(), CheckRI(), CheckDCD();
  bool CheckDeltaCTS(), CheckDeltaDSR(), CheckDeltaRI(), CheckDeltaDCD();
  void MapEventsToMS(uint32_t events);
  int32_t GetLineError();
  bool CheckLineBreak();
  int32_t SendBreak(int32_t ticks, bool yield);
  void RefreshStatus();
  void SetRingFlag() { std::lock_guard l(DataSection); RingFlag = true; }

  // Receive ring.
  bool CharReady();
  int32_t PeekChar(uint8_t& c, uint32_t index);
  int32_t GetChar(uint8_t& c);
  int32_t PeekBlock(uint8_t* buf, uint32_t len);
  int32_t GetBlock(uint8_t* buf, uint32_t len);
  int32_t InBuffUsed();
  int32_t InBuffFree();
  int32_t FlushInBuffer();

  // Output.
  int32_t PutChar(uint8_t c) { return PutBlock(&c, 1); }
  int32_t PutString(const std::string& s) { return PutBlock(reinterpret_cast<const uint8_t*>(s.data()), uint32_t(s.size())); }
  int32_t PutBlock(const uint8_t* buf, uint32_t len);
  int32_t OutBuffUsed();
  int32_t OutBuffFree();
  int32_t FlushOutBuffer();
  void BufferSizes(int32_t& in, int32_t& out) const { in = InQue; out = OutQue; }
  // Resizes the device's queues on an open port (the receive ring keeps its size). Refused
  // (-1002) while output is still queued in a ring that would change size.
  virtual int32_t SetCommBuffers(int32_t inSize, int32_t outSize);

  // Option bits.
  void OptionsOn(uint32_t bits) { Options |= bits; }
  void OptionsOff(uint32_t bits) { Options &= ~bits; }
  bool OptionsAreOn(uint32_t bits) const { return (Options & bits) == bits; }

  // Pointers that users of the line keep with it, by index (0 to kDataPointers - 1); an
  // index out of range is refused (-1002).
  static constexpr uint32_t kDataPointers = 16;
  int32_t SetDataPointer(void* p, uint32_t index);
  int32_t GetDataPointer(void*& p, uint32_t index);

  // Flow control.
  int32_t HWFlowOptions(uint16_t bufferFull, uint16_t bufferResume, uint8_t options);
  int32_t HWFlowState();
  int32_t SWFlowEnable(uint16_t bufferFull, uint16_t bufferResume, uint8_t options);
  int32_t SWFlowDisable();
  int32_t SWFlowState();
  int32_t SWFlowChars(char xon, char xoff);
  int32_t GetFlowOptions(TLinkFlowOptions& flow);

  // RS-485.
  // Threaded layers give the output thread a higher priority in this mode.
  virtual void SetRS485Mode(bool on) { std::lock_guard l(DataSection); RS485Mode = on; }
  void SetBaseAddress(uint16_t addr) { BaseAddress = addr; }
  uint16_t GetBaseAddress() const { return BaseAddress; }

  // Triggers.
  int32_t AddTimerTrigger();
  int32_t SetTimerTrigger(uint16_t handle, int32_t ticks, bool activate);
  int32_t ExtendTimer(uint16_t handle, int32_t ticks);
  int32_t TimerTicksRemaining(uint16_t handle, int32_t& ticks);
  int32_t AddDataTrigger(const char* pattern, bool ignoreCase);
  int32_t AddDataTriggerLen(const uint8_t* pattern, bool ignoreCase, uint32_t len);
  int32_t AddStatusTrigger(uint8_t kind);
  int32_t SetStatusTrigger(uint16_t handle, uint16_t value, bool activate);
  static uint8_t ClassifyStatusTrigger(uint16_t handle) { return handle & 7; }
  int32_t ChangeLengthTrigger(uint16_t len);
  int32_t RemoveTrigger(uint16_t handle);
  void RemoveAllTriggers();
  void SaveTriggers(TTriggerSave& save);
  void RestoreTriggers(const TTriggerSave& save);
  static void ClearSaveBuffers(TTriggerSave& save) { save = TTriggerSave(); }

  // Handlers.
  void SetNotifier(ILinkNotifier* notifier) { Notifier = notifier; }
  void RegisterWndTriggerHandler(TLinkWindow wnd);
  void RegisterProcTriggerHandler(TLinkTriggerProc proc);
  void RegisterEventTriggerHandler(TLinkTriggerEvent ev);
  void RegisterSyncEventTriggerHandler(TLinkTriggerEvent ev);
  void DeregisterWndTriggerHandler(TLinkWindow wnd);
  void DeregisterProcTriggerHandler(TLinkTriggerProc proc);
  void DeregisterEventTriggerHandler(TLinkTriggerEvent ev);
  void SetEventBusy(bool& was, bool busy);
  // Called by the window side as its procedure takes a trigger message: false for a message
  // that is not the one being sent to that window now (its sender gave up on it and sent it
  // again): the procedure then leaves it alone.
  bool NotifyEntering(TLinkWindow wnd);
  // Called by the window side when its procedure has handled a trigger message.
  void NotifyDelivered();

  // What the driving thread or timer runs.
  bool ExtractData();
  bool CheckReceiveTriggers();
  bool CheckStatusTriggers();
  bool CheckTimerTriggers();
  bool CheckTriggers();                   // single-threaded layers: timer, else status, else receive
  void ProcessComEvent(uint32_t events);  // one device event
  void ProcessIdleRound();                // no device event within the wait
  void CheckTimerAndStatusTriggers();
  void ResetStatusHits();
  bool SendNotify(uint32_t msg, uint32_t trigger, uint16_t data);

  // Trace and dispatch log.
  int32_t InitTracing(uint32_t entries);
  int32_t ResizeTracing(uint32_t entries);  // a trace in use keeps its newest entries
  void ClearTracing();
  void AbortTracing();
  void StartTracing();
  void StopTracing();
  void AddTraceEntry(char kind, uint8_t c);
  std::string TraceText(bool inHex);
  int32_t DumpTrace(const std::string& name, bool inHex, bool append = false);
  int32_t AppendTrace(const std::string& name, bool inHex) { return DumpTrace(name, inHex, true); }
  int32_t InitDispatchLogging(uint32_t size);
  int32_t ResizeDispatchLogging(uint32_t size);  // a log in use keeps its newest entries
  void ClearDispatchLogging();
  void AbortDispatchLogging();
  void StartDispatchLogging();
  void StopDispatchLogging();
  void AddDispatchEntry(TDispatchType type, TDispatchSubType sub, uint32_t data,
                        const void* more = nullptr, uint32_t moreLength = 0);
  void AddStringToLog(const std::string& s);
  uint32_t GetDispatchTime() { return LinkPlatform().TimeMs() - TimeBase; }
  std::string DispatchLogText(bool inHex, const TDispatchLogHeader& header);
  int32_t DumpDispatchLog(const std::string& name, bool inHex, bool append, const TDispatchLogHeader& header);
  int32_t AppendDispatchLog(const std::string& name, bool inHex, const TDispatchLogHeader& header) {
    return DumpDispatchLog(name, inHex, true, header);
  }

  // State that the device layers and the port read.
  void* Owner;
  uint16_t Handle = 0;
  intptr_t ComHandle = -1;
  std::atomic<uint32_t> LastError{0};
  int32_t InQue = 0, OutQue = 0;
  uint8_t ModemStatus = 0;
  TLinkComStat ComStatus;
  int32_t LastBaud = 0;
  bool DTRState = false, DTRAuto = false, RTSState = false, RTSAuto = false;
  TLinkWindow DispatcherWindow = 0;
  bool RS485Mode = false;
  uint16_t BaseAddress = 0;
  bool PortHandlerInstalled = false, HandlersPresent = false;
  bool KillThreads = false, Active = false, DoDonePortPrim = false;
  uint8_t ThreadBoost = 0;
  uint32_t CurrentEvent = 0;
  bool RingFlag = false;
  std::atomic<uint32_t> Options{0};
  uint32_t TimeBase = 0;

  bool NotifyBusy() { std::lock_guard l(DataSection); return NotifyBusy_; }
  bool ClosePending() { std::lock_guard l(DataSection); return ClosePending_; }
  bool MoreData() { std::lock_guard l(DispSection); return MoreData_; }
  bool DBufFull() { std::lock_guard l(DispSection); return DBufFull_; }
  uint16_t LenTrigger() { std::lock_guard l(DataSection); return LenTrigger_; }

  // Output ring of the threaded serial layer (its WriteCom fills it, its writer empties it).
  bool OutputRingPut(const uint8_t* buf, uint32_t len);
  uint32_t OutputRingUsed();
  std::vector<uint8_t> OBuffer;
  uint32_t OBufHead = 0, OBufTail = 0;
  bool OBufFull = false;

  // Lock order: DispSection, then DataSection, then OutputSection; nothing else is
  // taken while OutputSection is held.
  std::recursive_mutex DataSection;    // triggers, handlers, line settings, trace, log
  std::recursive_mutex OutputSection;  // output ring and counters
  std::recursive_mutex DispSection;    // receive ring

 protected:
  void FreeRings();
  int32_t FailOpen(int32_t code);

 private:
  struct WndHandler { TLinkWindow Wnd; bool Deleted; };
  struct ProcHandler { TLinkTriggerProc Proc; bool Deleted; };
  struct EventHandler { TLinkTriggerEvent Event; bool Deleted; bool Sync; };

  int32_t GetTriggerHandle();
  bool HandleInUse(uint16_t handle) const;
  uint8_t GetModemStatusPrim(uint8_t clearMask);
  uint32_t RefreshComError();  // GetComError into ComStatus, its error bits into LastError
  TLinkComStat FreshComStat();  // RefreshComError, and a copy of ComStatus taken under its lock
  void RefreshOutputCounts();  // GetOutputStatus into ComStatus, its error bits into LastError
  uint32_t RingUsedRaw() const;
  uint32_t ReadStart() const;  // Tail, or past what the handlers of a notification took
  void AdvanceTail(uint32_t n);
  void CopyOut(uint32_t from, uint8_t* buf, uint32_t len) const;
  int32_t ReadRing(uint8_t* buf, uint32_t len, bool take);
  void WaitTxSent();
  void FinishNotify();  // steps after the last handler; DataSection held
  void RunReceiveChecks();
  bool KeepChecking();  // no close pending, no notification running, no stop asked for
  void LogTriggerAlloc(TDispatchSubType sub, uint16_t handle, const void* more, uint32_t len);
  // Takes a trigger handler out of its list, or marks it while the handlers are being told.
  template <class Handler>
  void DropHandler(std::vector<Handler>& list, typename std::vector<Handler>::iterator it);

  ILinkNotifier* Notifier = nullptr;
  std::vector<WndHandler> WndTriggerHandlers;
  std::vector<ProcHandler> ProcTriggerHandlers;
  std::vector<EventHandler> EventTriggerHandlers;
  std::vector<TTimerTrigger> TimerTriggers;
  std::vector<TDataTrigger> DataTriggers;
  std::vector<TStatusTrigger> StatusTriggers;
  uint32_t NextHandleCounter = 1;
  uint16_t LenTrigger_ = 0;
  TLinkDCB DCB;
  void* DataPointers[kDataPointers] = {};

  // Receive ring. Unscanned counts the bytes before Head that the data triggers have not
  // seen (they start at LastTailData); SinceAvail counts the scanned bytes that arrived
  // after the last availability notice. Counting, unlike comparing positions, also works
  // when the ring is exactly full.
  std::vector<uint8_t> DBuffer;
  uint32_t DBufHead = 0, DBufTail = 0;
  bool DBufFull_ = false;
  uint32_t LastTailData = 0;
  uint32_t Unscanned = 0;
  uint32_t SinceAvail = 0;
  bool MoreData_ = false;

  // Notification state. GetCount and MaxGetCount belong to DispSection, the rest to DataSection.
  bool StatusHit = false;
  bool InAvailMessage = false;
  uint32_t GetCount = 0, MaxGetCount = 0;
  uint32_t NotifyMsg = 0, NotifyTrigger = 0;
  bool NotifyBusy_ = false, DeletePending = false, ClosePending_ = false;
  std::atomic<bool> OutSentPending{false};
  // The trigger message being sent to a window handler: sent, its procedure entered, or
  // returned. One still only sent when the sender stopped waiting was withdrawn undelivered
  // and is sent again. One whose procedure still runs keeps the notification open (no new
  // one, no tail movement) until NotifyDelivered.
  enum class TWndSend : uint8_t { None, Sent, Entered, Returned };
  TWndSend WndSend = TWndSend::None;
  TLinkWindow WndTarget = 0;
  bool NotifyDeferred = false;

  TLinkTrace Trace;
  TLinkDispatchLog DLog;
};

// The global list of open dispatchers; a dispatcher's slot index is its Handle.
void LockPortList();
void UnlockPortList();
TLinkBaseDispatcher* GetTComRecPtr(uint16_t handle);
