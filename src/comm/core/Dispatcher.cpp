#include "comm/core/Dispatcher.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "comm/core/CommErrors.h"

namespace {

constexpr uint32_t kRing = TLinkBaseDispatcher::kRingSize;
constexpr uint32_t kErrorBits = ceRxOver | ceOverrun | ceRxParity | ceFrame | ceBreak;
constexpr uint16_t kMaxHandleCounter = 4096;

std::recursive_mutex gPortListLock;
std::vector<TLinkBaseDispatcher*> gPortList;
TLinkBaseDispatcher* gPortCache = nullptr;

uint16_t Low16(uint32_t v) { return uint16_t(v & 0xFFFF); }

}  // namespace

void LockPortList() { gPortListLock.lock(); }
void UnlockPortList() { gPortListLock.unlock(); }

TLinkBaseDispatcher* GetTComRecPtr(uint16_t handle) {
  std::lock_guard l(gPortListLock);
  if (gPortCache && gPortCache->Handle == handle) return gPortCache;
  if (handle >= gPortList.size() || !gPortList[handle]) return nullptr;
  return gPortCache = gPortList[handle];
}

int32_t MapBaudCode(int32_t code) {
  static constexpr int32_t kIndexed[] = {110,   300, 600, 1200, 2400,  4800, 9600, 14400,
                                         19200, 0,   0,   38400, 0,    0,    0,    56000,
                                         0,     0,   0,   128000, 0,   0,    0,    256000};
  if (code >= 0xFF10 && code <= 0xFF27) {
    int32_t rate = kIndexed[code - 0xFF10];
    return rate ? rate : code;
  }
  if (code == 0xFEFF) return 115200;
  return code;
}

// ---- Construction --------------------------------------------------------------------------

TLinkBaseDispatcher::TLinkBaseDispatcher(void* owner) : Owner(owner) {
  std::lock_guard l(gPortListLock);
  auto free = std::find(gPortList.begin(), gPortList.end(), nullptr);
  if (free == gPortList.end()) free = gPortList.insert(gPortList.end(), nullptr);
  *free = this;
  Handle = uint16_t(free - gPortList.begin());
}

TLinkBaseDispatcher::~TLinkBaseDispatcher() {
  std::lock_guard l(gPortListLock);
  if (Handle < gPortList.size() && gPortList[Handle] == this) gPortList[Handle] = nullptr;
  while (!gPortList.empty() && !gPortList.back()) gPortList.pop_back();
  if (gPortCache == this) gPortCache = nullptr;
}

void TLinkBaseDispatcher::FreeRings() {
  {
    std::lock_guard l(DispSection);
    std::vector<uint8_t>().swap(DBuffer);
    DBufHead = DBufTail = LastTailData = Unscanned = SinceAvail = 0;
    DBufFull_ = MoreData_ = false;
  }
  std::lock_guard l(OutputSection);
  std::vector<uint8_t>().swap(OBuffer);
  OBufHead = OBufTail = 0;
  OBufFull = false;
}

void TLinkBaseDispatcher::DonePortPrim() {
  if (Active) StopDispatcher();
  FreeRings();
}

int32_t TLinkBaseDispatcher::FailOpen(int32_t code) {
  DonePort();
  return code;
}

// ---- Opening and closing ---------------------------------------------------------------------

int32_t TLinkBaseDispatcher::InitPort(const char* name, int32_t baud, uint8_t parity, uint8_t databits,
                                      uint8_t stopbits, int32_t inSize, int32_t outSize, bool dtr, bool rts) {
  {
    std::lock_guard l(DataSection);
    RingFlag = false;
    NotifyBusy_ = DeletePending = false;
  }
  intptr_t handle = OpenCom(name, inSize, outSize);
  if (handle < 0) {
    int32_t code = handle == ecOutOfMemory ? ecOutOfMemory : LinkErrorFromSystem(LastSystemError());
    return FailOpen(code);
  }
  ComHandle = handle;
  if (!SetupCom(inSize, outSize)) return FailOpen(LinkErrorFromSystem(LastSystemError()));
  {
    std::lock_guard d(DispSection);
    DBuffer.assign(kRing, 0);
    DBufHead = DBufTail = LastTailData = Unscanned = SinceAvail = 0;
    DBufFull_ = MoreData_ = false;
    GetCount = MaxGetCount = 0;
  }
  {
    std::lock_guard o(OutputSection);
    OBuffer.assign(size_t(std::max(outSize, 0)), 0);
    OBufHead = OBufTail = 0;
    OBufFull = false;
  }
  {
    std::lock_guard l(DataSection);
    InQue = inSize;
    OutQue = outSize;
    LastError = 0;
    ClosePending_ = false;
    OutSentPending = false;
    RS485Mode = false;
    BaseAddress = 0;
    GetComState(DCB);
  }
  SetDtr(dtr);
  SetRts(rts);
  RemoveAllTriggers();
  ResetStatusHits();
  TLinkDCB dcb;
  {
    std::lock_guard l(DataSection);
    InAvailMessage = false;
    DCB.Flags |= dcbBinary | dcbTXContinueOnXoff;
    DCB.Flags &= ~(dcbParity | dcbDsrSensitivity | dcbNull);
    dcb = DCB;
  }
  GetModemStatusPrim(0xF0);
  LastBaud = 115200;
  // The flag changes above reach the device with the line settings, or on their own when
  // the line settings are already what was asked.
  int32_t rc = SetLine(baud, parity, databits, stopbits);
  if (rc == 0 && std::memcmp(&dcb, &DCB, sizeof dcb) == 0) rc = SetCommStateFix(dcb);
  if (rc < 0) return FailOpen(rc);
  RefreshStatus();
  {
    std::lock_guard l(DataSection);
    Trace.AbortTracing();
    DLog.AbortDispatchLogging();
    TimeBase = LinkPlatform().TimeMs();
  }
  StartDispatcher();
  return 0;
}

int32_t TLinkBaseDispatcher::InitSocket(int32_t inSize, int32_t outSize) {
  intptr_t handle = OpenCom(nullptr, inSize, outSize);
  if (handle < 0) return FailOpen(int32_t(handle));
  ComHandle = handle;
  if (!SetupCom(0, 0)) {
    TLinkComStat stat;
    int32_t err = GetComError(stat);
    DonePort();
    return err > 0 ? -err : ecUnknownFailure;
  }
  {
    std::lock_guard d(DispSection);
    DBuffer.assign(kRing, 0);
    DBufHead = DBufTail = LastTailData = Unscanned = SinceAvail = 0;
    DBufFull_ = MoreData_ = false;
    GetCount = MaxGetCount = 0;
  }
  {
    std::lock_guard l(DataSection);
    InQue = inSize;
    OutQue = outSize;
    ClosePending_ = false;
  }
  RefreshStatus();
  TimeBase = LinkPlatform().TimeMs();
  StartDispatcher();
  return 0;
}

int32_t TLinkBaseDispatcher::DonePort() {
  if (ComHandle >= 0) {
    FlushCom(0);
    FlushCom(1);
    CloseCom();
    ComHandle = -1;
  }
  {
    std::lock_guard l(DataSection);
    if (NotifyBusy_) {
      ClosePending_ = true;  // the driving thread finishes the close after the notification
      return 0;
    }
  }
  DonePortPrim();
  return 0;
}

// ---- Line settings -----------------------------------------------------------------------------

TLinkDCB TLinkBaseDispatcher::GetDCB() {
  std::lock_guard l(DataSection);
  return DCB;
}

int32_t TLinkBaseDispatcher::SetCommStateFix(TLinkDCB& dcb) {
  int32_t rc;
  {
    std::lock_guard l(DataSection);
    rc = SetComState(dcb);
    if (rc < 0) return rc;
    DCB = dcb;
    LastBaud = int32_t(dcb.BaudRate);
  }
  SetDtr(DTRState);
  if (!RS485Mode) SetRts(RTSState);
  return rc;
}

int32_t TLinkBaseDispatcher::SetLine(int32_t baud, uint8_t parity, uint8_t databits, uint8_t stopbits) {
  TLinkDCB dcb = GetDCB();
  bool changed = false;
  if (baud != 0 && dcb.BaudRate != uint32_t(baud)) {
    dcb.BaudRate = uint32_t(baud);
    changed = true;
  }
  if (parity != 5 && parity <= parSpace && dcb.Parity != parity) {
    dcb.Parity = parity;
    changed = true;
  }
  if (databits != 9 && dcb.ByteSize != databits) {
    dcb.ByteSize = databits;
    changed = true;
  }
  if (stopbits != 3) {
    uint8_t stops = stopbits == 0 ? 1 : stopbits > 2 ? 2 : stopbits;
    uint8_t code = stops == 1 ? sbOne : sbTwo;
    if (dcb.ByteSize == 5) code = sbOne5;
    if (dcb.StopBits != code) {
      dcb.StopBits = code;
      changed = true;
    }
  }
  if (!changed) return 0;
  WaitTxSent();
  return SetCommStateFix(dcb);
}

int32_t TLinkBaseDispatcher::GetLine(int32_t& baud, uint8_t& parity, uint8_t& databits, uint8_t& stopbits) {
  TLinkDCB dcb = GetDCB();
  baud = MapBaudCode(int32_t(dcb.BaudRate));
  parity = dcb.Parity;
  databits = dcb.ByteSize;
  stopbits = dcb.StopBits == sbOne ? 1 : 2;
  return 0;
}

int32_t TLinkBaseDispatcher::ChangeBaud(int32_t baud) { return SetLine(baud, 5, 9, 3); }

int32_t TLinkBaseDispatcher::SetDataPointer(void* p, uint32_t index) {
  if (index >= kDataPointers) return ecBadArgument;
  std::lock_guard l(DataSection);
  DataPointers[index] = p;
  return 0;
}

int32_t TLinkBaseDispatcher::GetDataPointer(void*& p, uint32_t index) {
  if (index >= kDataPointers) return ecBadArgument;
  std::lock_guard l(DataSection);
  p = DataPointers[index];
  return 0;
}

void TLinkBaseDispatcher::WaitTxSent() {
  ILinkPlatform& p = LinkPlatform();
  for (int i = 0; i < 5000 && OutBuffUsed() >= 1; ++i) p.SleepMs(2);
  TLinkDCB dcb;
  {
    std::lock_guard l(DataSection);
    GetComState(dcb);
  }
  int32_t rate = MapBaudCode(LastBaud);
  if (rate <= 0 || rate >= 0xFEFF) return;  // not a rate: nothing sensible to wait for
  int64_t bits = int64_t(dcb.ByteSize) + 2 + (dcb.Parity != parNone) + (dcb.StopBits != sbOne);
  int64_t t = (10000000 / rate) * bits * 2;  // 100 ns units
  int64_t nine = 9 * t;
  int64_t ms = nine < 10000 ? (18 * t + 9999) / 10000 : (nine + 9999) / 10000;
  if (ms > 0) p.SleepMs(uint32_t(ms));
}

int32_t TLinkBaseDispatcher::SetDtr(bool on) {
  {
    std::lock_guard l(DataSection);
    DTRState = on;
    if (DTRAuto) return 1;
  }
  return EscapeComFunction(on ? escSetDtr : escClrDtr) < 0 ? ecBadArgument : 0;
}

int32_t TLinkBaseDispatcher::SetRts(bool on) {
  {
    std::lock_guard l(DataSection);
    RTSState = on;
    if (RTSAuto) return 1;
  }
  return EscapeComFunction(on ? escSetRts : escClrRts) < 0 ? ecBadArgument : 0;
}

int32_t TLinkBaseDispatcher::SetModem(bool dtr, bool rts) {
  int32_t rc = SetDtr(dtr);
  if (rc < 0) return rc;
  return SetRts(rts);
}

// ---- Modem status and line errors ----------------------------------------------------------------

uint8_t TLinkBaseDispatcher::GetModemStatusPrim(uint8_t clearMask) {
  std::lock_guard l(DataSection);
  ModemStatus = uint8_t((GetCommModemStatus() & 0xF0) | (ModemStatus & 0x0F));
  if (RingFlag) {
    RingFlag = false;
    ModemStatus |= msTERI;
  }
  uint8_t result = ModemStatus;
  ModemStatus &= clearMask;
  return result;
}

uint8_t TLinkBaseDispatcher::GetModemStatus() { return GetModemStatusPrim(0xF0); }
bool TLinkBaseDispatcher::CheckCTS() { return GetModemStatusPrim(0xFE) & msCTS; }
bool TLinkBaseDispatcher::CheckDSR() { return GetModemStatusPrim(0xFD) & msDSR; }
bool TLinkBaseDispatcher::CheckRI() { return GetModemStatusPrim(0xFB) & msRI; }
bool TLinkBaseDispatcher::CheckDCD() { return GetModemStatusPrim(0xF7) & msDCD; }
bool TLinkBaseDispatcher::CheckDeltaCTS() { return GetModemStatusPrim(0xFE) & msDCTS; }
bool TLinkBaseDispatcher::CheckDeltaDSR() { return GetModemStatusPrim(0xFD) & msDDSR; }
bool TLinkBaseDispatcher::CheckDeltaRI() { return GetModemStatusPrim(0xFB) & msTERI; }
bool TLinkBaseDispatcher::CheckDeltaDCD() { return GetModemStatusPrim(0xF7) & msDDCD; }

void TLinkBaseDispatcher::MapEventsToMS(uint32_t /*events*/) {
  std::lock_guard l(DataSection);
  uint8_t old = ModemStatus;
  uint8_t now = GetModemStatusPrim(0xFF);
  ModemStatus = uint8_t(now | (((old ^ now) & 0xF0) >> 4));
}

uint32_t TLinkBaseDispatcher::RefreshComError() {
  std::lock_guard o(OutputSection);
  int32_t bits = GetComError(ComStatus);
  if (bits > 0) LastError |= uint32_t(bits) & kErrorBits;
  return bits > 0 ? uint32_t(bits) : 0;
}

void TLinkBaseDispatcher::RefreshOutputCounts() {
  std::lock_guard o(OutputSection);
  int32_t bits = GetOutputStatus(ComStatus);
  if (bits > 0) LastError |= uint32_t(bits) & kErrorBits;
}

TLinkComStat TLinkBaseDispatcher::FreshComStat() {
  std::lock_guard o(OutputSection);
  RefreshComError();
  return ComStatus;
}

void TLinkBaseDispatcher::RefreshStatus() { RefreshComError(); }

int32_t TLinkBaseDispatcher::GetLineError() {
  std::lock_guard l(DataSection);
  static constexpr std::pair<uint32_t, int32_t> kOrder[] = {
      {ceRxOver, 1}, {ceOverrun, 2}, {ceRxParity, 3}, {ceFrame, 4}, {ceBreak, 9}};
  for (auto [bit, result] : kOrder)
    if (LastError & bit) {
      LastError &= ~uint32_t(ceRxOver | ceOverrun | ceRxParity | ceFrame);
      return result;
    }
  return 0;
}

bool TLinkBaseDispatcher::CheckLineBreak() {
  std::lock_guard l(DataSection);
  return LastError.fetch_and(~uint32_t(ceBreak)) & ceBreak;
}

int32_t TLinkBaseDispatcher::SendBreak(int32_t ticks, bool yield) {
  EscapeComFunction(escSetBreak);
  DelayTicks(ticks, yield);
  EscapeComFunction(escClrBreak);
  return 0;
}

// ---- Receive ring --------------------------------------------------------------------------------

uint32_t TLinkBaseDispatcher::RingUsedRaw() const {
  if (DBufFull_) return kRing;
  return (DBufHead + kRing - DBufTail) % kRing;
}

uint32_t TLinkBaseDispatcher::ReadStart() const {
  return (DBufTail + (InAvailMessage ? GetCount : 0)) % kRing;
}

void TLinkBaseDispatcher::AdvanceTail(uint32_t n) {
  if (n == 0) return;
  DBufTail = (DBufTail + n) % kRing;
  DBufFull_ = false;
  // Bytes taken by a reader can no longer be scanned or announced.
  uint32_t used = RingUsedRaw();
  if (Unscanned > used) {
    Unscanned = used;
    LastTailData = DBufTail;
  }
  SinceAvail = std::min(SinceAvail, used);
}

void TLinkBaseDispatcher::CopyOut(uint32_t from, uint8_t* buf, uint32_t len) const {
  uint32_t first = std::min(len, kRing - from);
  std::memcpy(buf, DBuffer.data() + from, first);
  std::memcpy(buf + first, DBuffer.data(), len - first);
}

int32_t TLinkBaseDispatcher::ReadRing(uint8_t* buf, uint32_t len, bool take) {
  if (len == 0) return 0;
  {
    std::lock_guard d(DispSection);
    uint32_t held = RingUsedRaw() - (InAvailMessage ? std::min(GetCount, RingUsedRaw()) : 0);
    if (DBuffer.empty() || len > held) return ecBufferIsEmpty;
    CopyOut(ReadStart(), buf, len);
    if (take) {
      if (InAvailMessage)
        GetCount += len;  // the notification moves the tail once all its handlers ran
      else
        AdvanceTail(len);
    }
  }
  if (take) {
    std::lock_guard l(DataSection);
    if (Trace.TracingOn())
      for (uint32_t i = 0; i < len; ++i) Trace.AddTraceEntry('R', buf[i]);
  }
  return 0;
}

bool TLinkBaseDispatcher::CharReady() { return InBuffUsed() > 0; }

int32_t TLinkBaseDispatcher::PeekChar(uint8_t& c, uint32_t index) {
  if (index == 0) return ecBadArgument;
  std::lock_guard d(DispSection);
  uint32_t held = RingUsedRaw() - (InAvailMessage ? std::min(GetCount, RingUsedRaw()) : 0);
  if (DBuffer.empty() || index > held) return ecBufferIsEmpty;
  c = DBuffer[(ReadStart() + index - 1) % kRing];
  return 0;
}

int32_t TLinkBaseDispatcher::GetChar(uint8_t& c) { return ReadRing(&c, 1, true); }
int32_t TLinkBaseDispatcher::PeekBlock(uint8_t* buf, uint32_t len) { return ReadRing(buf, len, false); }
int32_t TLinkBaseDispatcher::GetBlock(uint8_t* buf, uint32_t len) { return ReadRing(buf, len, true); }

int32_t TLinkBaseDispatcher::InBuffUsed() {
  std::lock_guard d(DispSection);
  uint32_t used = RingUsedRaw();
  if (InAvailMessage) used -= std::min(GetCount, used);
  return int32_t(used);
}

int32_t TLinkBaseDispatcher::InBuffFree() { return int32_t(kRing) - InBuffUsed(); }

int32_t TLinkBaseDispatcher::FlushInBuffer() {
  int32_t rc = FlushCom(1);
  std::lock_guard d(DispSection);
  if (InAvailMessage) {
    MaxGetCount = RingUsedRaw();
  } else {
    DBufTail = DBufHead;
    DBufFull_ = false;
  }
  LastTailData = DBufHead;
  Unscanned = SinceAvail = 0;
  std::lock_guard l(DataSection);
  for (auto& t : DataTriggers) {
    t.Matcher.Reset();
    t.Matched = false;
  }
  return rc < 0 ? rc : 0;
}

bool TLinkBaseDispatcher::ExtractData() {
  std::lock_guard d(DispSection);
  if (DBuffer.empty()) return false;
  if (DBufFull_) {
    MoreData_ = FreshComStat().cbInQue > 0;  // the line errors it reports are kept
    return true;
  }
  uint32_t inQue = FreshComStat().cbInQue;
  if (inQue == 0) return false;
  uint32_t room = kRing - RingUsedRaw();
  uint32_t want = std::min(inQue, room);
  uint32_t got = 0;
  uint32_t first = std::min(want, kRing - DBufHead);
  int32_t n = ReadCom(DBuffer.data() + DBufHead, int32_t(first));
  if (n < 0) {
    GetComEventMask(-1);
    n = 0;
  }
  got = std::min(uint32_t(n), first);
  if (got == first && want > first) {
    int32_t m = ReadCom(DBuffer.data(), int32_t(want - first));
    if (m < 0) {
      GetComEventMask(-1);
      m = 0;
    }
    got += std::min(uint32_t(m), want - first);
  }
  MoreData_ = inQue > room;
  if (got > 0) {
    uint32_t start = DBufHead;
    DBufHead = (DBufHead + got) % kRing;
    DBufFull_ = DBufHead == DBufTail;
    Unscanned += got;
    std::lock_guard l(DataSection);
    if (DLog.LoggingOn()) {
      std::vector<uint8_t> bytes(got);
      CopyOut(start, bytes.data(), got);
      DLog.AddDispatchEntry(dtDispatch, dstReadCom, got, bytes.data(), got, GetDispatchTime());
    }
  }
  return true;
}

// ---- Output ----------------------------------------------------------------------------------------

int32_t TLinkBaseDispatcher::PutBlock(const uint8_t* buf, uint32_t len) {
  if (len == 0) return 0;
  {
    std::lock_guard o(OutputSection);
    RefreshOutputCounts();
    int64_t room = int64_t(OutQue) - int64_t(ComStatus.cbOutQue);
    if (int64_t(len) > room) return ecOutputBufferTooSmall;
    if (RS485Mode && !LinkPlatform().IsWindowsNT()) {
      if (BaseAddress == 0) return ecBaseAddressNotSet;
      EscapeComFunction(escSetRts);  // transmit enable; dropped again once the line is idle
    }
    int32_t written = WriteCom(buf, int32_t(len));
    if (written < 1) {
      RefreshComError();
      return ecPutBlockFail;
    }
    if (int64_t(len) == room) OBufFull = true;
    OutSentPending = true;
  }
  std::lock_guard l(DataSection);
  if (DLog.LoggingOn()) DLog.AddDispatchEntry(dtDispatch, dstWriteCom, len, buf, len, GetDispatchTime());
  if (Trace.TracingOn())
    for (uint32_t i = 0; i < len; ++i) Trace.AddTraceEntry('T', buf[i]);
  return 0;
}

bool TLinkBaseDispatcher::OutputRingPut(const uint8_t* buf, uint32_t len) {
  std::lock_guard o(OutputSection);
  uint32_t size = uint32_t(OBuffer.size());
  if (size == 0 || len > size - OutputRingUsed()) return false;
  uint32_t first = std::min(len, size - OBufHead);
  std::memcpy(OBuffer.data() + OBufHead, buf, first);
  std::memcpy(OBuffer.data(), buf + first, len - first);
  OBufHead = (OBufHead + len) % size;
  OBufFull = len > 0 && OBufHead == OBufTail ? true : OBufFull;
  return true;
}

uint32_t TLinkBaseDispatcher::OutputRingUsed() {
  std::lock_guard o(OutputSection);
  uint32_t size = uint32_t(OBuffer.size());
  if (OBufFull) return size;
  if (OBufHead >= OBufTail) return OBufHead - OBufTail;
  return size - OBufTail + OBufHead;
}

int32_t TLinkBaseDispatcher::OutBuffUsed() {
  std::lock_guard o(OutputSection);
  RefreshOutputCounts();
  return int32_t(ComStatus.cbOutQue);
}

int32_t TLinkBaseDispatcher::OutBuffFree() {
  std::lock_guard o(OutputSection);
  RefreshOutputCounts();
  return std::max<int32_t>(OutQue - int32_t(ComStatus.cbOutQue), 0);
}

int32_t TLinkBaseDispatcher::SetCommBuffers(int32_t inSize, int32_t outSize) {
  if (inSize <= 0 || outSize <= 0) return ecBadArgument;
  {
    std::lock_guard o(OutputSection);
    if (OutputRingUsed() != 0 && size_t(outSize) != OBuffer.size()) return ecBadArgument;
  }
  if (!SetupCom(inSize, outSize)) return LinkErrorFromSystem(LastSystemError());
  std::lock_guard l(DataSection);
  std::lock_guard o(OutputSection);
  if (!OBuffer.empty() && OBuffer.size() != size_t(outSize)) {
    OBuffer.assign(size_t(outSize), 0);
    OBufHead = OBufTail = 0;
    OBufFull = false;
  }
  InQue = inSize;
  OutQue = outSize;
  return 0;
}

int32_t TLinkBaseDispatcher::FlushOutBuffer() {
  int32_t rc = FlushCom(0);
  return rc < 0 ? rc : 0;
}

// ---- Flow control -------------------------------------------------------------------------------

int32_t TLinkBaseDispatcher::HWFlowOptions(uint16_t bufferFull, uint16_t bufferResume, uint8_t options) {
  TLinkDCB dcb;
  {
    std::lock_guard l(DataSection);
    if (bufferFull < bufferResume || bufferFull > InQue) return ecBadArgument;
    dcb = DCB;
    dcb.Flags &= ~(dcbDtrControlMask | dcbRtsControlMask | dcbOutxCtsFlow | dcbOutxDsrFlow);
    DTRAuto = RTSAuto = false;
    if (options & 1) {
      SetDcbDtrControl(dcb, dtrHandshake);
      DTRAuto = true;
    } else if (DTRState) {
      SetDcbDtrControl(dcb, dtrEnable);
    }
    if (options & 2) {
      SetDcbRtsControl(dcb, rtsHandshake);
      RTSAuto = true;
    } else if (RTSState) {
      SetDcbRtsControl(dcb, rtsEnable);
    }
    if (RS485Mode && LinkPlatform().IsWindowsNT()) {
      SetDcbRtsControl(dcb, rtsToggle);
      RTSAuto = true;
    }
    dcb.XoffLim = uint16_t(InQue - bufferFull);
    dcb.XonLim = bufferResume;
    if (options & 4) dcb.Flags |= dcbOutxDsrFlow;
    if (options & 8) dcb.Flags |= dcbOutxCtsFlow;
  }
  return SetCommStateFix(dcb);
}

int32_t TLinkBaseDispatcher::HWFlowState() {
  TLinkDCB dcb = GetDCB();
  bool handshake = DcbDtrControl(dcb) == dtrHandshake || DcbRtsControl(dcb) == rtsHandshake;
  bool outFlow = dcb.Flags & (dcbOutxCtsFlow | dcbOutxDsrFlow);
  if (!handshake && !outFlow) return 1;
  uint32_t hold = FreshComStat().Flags;
  if ((dcb.Flags & dcbOutxCtsFlow) && (hold & csCtsHold)) return 4;
  if ((dcb.Flags & dcbOutxDsrFlow) && (hold & csDsrHold)) return 3;
  return 2;
}

int32_t TLinkBaseDispatcher::SWFlowEnable(uint16_t bufferFull, uint16_t bufferResume, uint8_t options) {
  TLinkDCB dcb;
  {
    std::lock_guard l(DataSection);
    if (bufferFull < bufferResume || bufferFull > InQue) return ecBadArgument;
    dcb = DCB;
    dcb.Flags &= ~(dcbInX | dcbOutX);  // a direction not asked for any more stops
    if (options & 2) {
      dcb.Flags |= dcbInX;
      dcb.XoffLim = uint16_t(InQue - bufferFull);
      dcb.XonLim = bufferResume;
    }
    if (options & 1) dcb.Flags |= dcbOutX;
    dcb.XonChar = 17;
    dcb.XoffChar = 19;
  }
  return SetCommStateFix(dcb);
}

int32_t TLinkBaseDispatcher::SWFlowDisable() {
  TLinkDCB dcb = GetDCB();
  dcb.Flags &= ~(dcbOutX | dcbInX);
  return SetCommStateFix(dcb);
}

int32_t TLinkBaseDispatcher::SWFlowState() {
  TLinkDCB dcb = GetDCB();
  if (!(dcb.Flags & (dcbOutX | dcbInX))) return 1;
  uint32_t flags = FreshComStat().Flags;
  bool hold = flags & csXoffHold, sent = flags & csXoffSent;
  if (hold && sent) return 8;
  if (hold) return 6;
  if (sent) return 7;
  return 2;
}

int32_t TLinkBaseDispatcher::SWFlowChars(char xon, char xoff) {
  TLinkDCB dcb = GetDCB();
  dcb.XonChar = xon;
  dcb.XoffChar = xoff;
  return SetCommStateFix(dcb);
}

TLinkFlowOptions DcbFlowOptions(const TLinkDCB& dcb, int32_t inQue) {
  TLinkFlowOptions flow;
  if (DcbDtrControl(dcb) == dtrHandshake) flow.Hardware |= 1;
  if (DcbRtsControl(dcb) == rtsHandshake) flow.Hardware |= 2;
  if (dcb.Flags & dcbOutxDsrFlow) flow.Hardware |= 4;
  if (dcb.Flags & dcbOutxCtsFlow) flow.Hardware |= 8;
  if (dcb.Flags & dcbOutX) flow.Software |= 1;
  if (dcb.Flags & dcbInX) flow.Software |= 2;
  flow.BufferFull = uint16_t(std::max<int32_t>(inQue - dcb.XoffLim, 0));
  flow.BufferResume = dcb.XonLim;
  flow.XonChar = dcb.XonChar;
  flow.XoffChar = dcb.XoffChar;
  return flow;
}

int32_t TLinkBaseDispatcher::GetFlowOptions(TLinkFlowOptions& flow) {
  std::lock_guard l(DataSection);
  flow = DcbFlowOptions(DCB, InQue);
  return 0;
}

// ---- Triggers ----------------------------------------------------------------------------------

bool TLinkBaseDispatcher::HandleInUse(uint16_t handle) const {
  for (const auto& t : TimerTriggers) if (t.Handle == handle) return true;
  for (const auto& t : DataTriggers) if (t.Handle == handle) return true;
  for (const auto& t : StatusTriggers) if ((t.Handle & ~7u) == handle) return true;
  return false;
}

int32_t TLinkBaseDispatcher::GetTriggerHandle() {
  if (NextHandleCounter < kMaxHandleCounter) return int32_t(NextHandleCounter++ * 8);
  for (uint32_t h = 8; h <= 0xFFF8; h += 8)
    if (!HandleInUse(uint16_t(h))) return int32_t(h);
  return ecNoMoreTriggers;
}

void TLinkBaseDispatcher::LogTriggerAlloc(TDispatchSubType sub, uint16_t handle, const void* more, uint32_t len) {
  if (DLog.LoggingOn()) DLog.AddDispatchEntry(dtTriggerAlloc, sub, handle, more, len, GetDispatchTime());
}

int32_t TLinkBaseDispatcher::AddTimerTrigger() {
  std::lock_guard l(DataSection);
  int32_t h = GetTriggerHandle();
  if (h < 0) return h;
  TTimerTrigger t;
  t.Handle = uint16_t(h);
  TimerTriggers.push_back(t);
  LogTriggerAlloc(dstTimerTrigger, uint16_t(h), nullptr, 0);
  return h;
}

int32_t TLinkBaseDispatcher::SetTimerTrigger(uint16_t handle, int32_t ticks, bool activate) {
  std::lock_guard l(DataSection);
  for (auto& t : TimerTriggers) {
    if (t.Handle != handle) continue;
    if (activate) {
      if (ticks != 0) t.Ticks = ticks;
      NewTimer(t.Timer, t.Ticks);
    }
    t.Enabled = activate;
    if (DLog.LoggingOn()) {
      if (activate) {
        uint8_t b[4] = {uint8_t(t.Ticks), uint8_t(t.Ticks >> 8), uint8_t(t.Ticks >> 16), uint8_t(t.Ticks >> 24)};
        DLog.AddDispatchEntry(dtTriggerDataChange, dstTimerTrigger, handle, b, 4, GetDispatchTime());
      } else {
        DLog.AddDispatchEntry(dtTriggerDataChange, dstTimerTrigger, handle, "Deactivated", 11, GetDispatchTime());
      }
    }
    return 0;
  }
  return ecBadTriggerHandle;
}

int32_t TLinkBaseDispatcher::ExtendTimer(uint16_t handle, int32_t ticks) {
  std::lock_guard l(DataSection);
  for (auto& t : TimerTriggers)
    if (t.Handle == handle) {
      t.Timer.ExpireTicks += ticks;
      return 0;
    }
  return ecBadTriggerHandle;
}

int32_t TLinkBaseDispatcher::TimerTicksRemaining(uint16_t handle, int32_t& ticks) {
  std::lock_guard l(DataSection);
  for (auto& t : TimerTriggers)
    if (t.Handle == handle) {
      ticks = RemainingTime(t.Timer);
      return 0;
    }
  return ecBadTriggerHandle;
}

int32_t TLinkBaseDispatcher::AddDataTrigger(const char* pattern, bool ignoreCase) {
  if (!pattern) return ecBadArgument;
  return AddDataTriggerLen(reinterpret_cast<const uint8_t*>(pattern), ignoreCase, uint32_t(std::strlen(pattern)));
}

int32_t TLinkBaseDispatcher::AddDataTriggerLen(const uint8_t* pattern, bool ignoreCase, uint32_t len) {
  if (len > kMaxTriggerLen) return ecTriggerTooLong;
  if (!pattern && len > 0) return ecBadArgument;
  std::lock_guard l(DataSection);
  int32_t h = GetTriggerHandle();
  if (h < 0) return h;
  TDataTrigger t;
  t.Handle = uint16_t(h);
  t.Matcher.Init(pattern, len, ignoreCase);
  DataTriggers.push_back(t);
  LogTriggerAlloc(dstDataTrigger, uint16_t(h), pattern, len);
  return h;
}

int32_t TLinkBaseDispatcher::AddStatusTrigger(uint8_t kind) {
  if (kind > stOutSent) return ecBadArgument;
  std::lock_guard l(DataSection);
  int32_t h = GetTriggerHandle();
  if (h < 0) return h;
  TStatusTrigger t;
  t.Handle = uint16_t(h | kind);
  t.Kind = kind;
  StatusTriggers.push_back(t);
  LogTriggerAlloc(dstStatusTrigger, t.Handle, &kind, 1);
  return t.Handle;
}

int32_t TLinkBaseDispatcher::SetStatusTrigger(uint16_t handle, uint16_t value, bool activate) {
  std::lock_guard l(DataSection);
  for (auto& t : StatusTriggers) {
    if (t.Handle != handle) continue;
    if (activate) {
      switch (t.Kind) {
        case stModem: {
          uint8_t mask = uint8_t(value);
          t.Value = uint16_t(mask << 8 | (ModemStatus & mask));
          break;
        }
        case stLine:
          t.Value = uint16_t(((value & 1) ? ceOverrun : 0u) | ((value & 2) ? ceRxParity : 0u) |
                             ((value & 4) ? ceFrame : 0u) | ((value & 8) ? ceBreak : 0u));
          break;
        default:
          t.Value = value;
      }
    }
    t.Enabled = activate;
    if (DLog.LoggingOn()) {
      uint8_t b[2] = {uint8_t(t.Value), uint8_t(t.Value >> 8)};
      DLog.AddDispatchEntry(dtTriggerDataChange, dstStatusTrigger, handle, b, 2, GetDispatchTime());
    }
    return 0;
  }
  return ecBadTriggerHandle;
}

int32_t TLinkBaseDispatcher::ChangeLengthTrigger(uint16_t len) {
  std::lock_guard l(DataSection);
  LenTrigger_ = len;
  if (DLog.LoggingOn()) DLog.AddDispatchEntry(dtTriggerDataChange, dstAvailTrigger, len, nullptr, 0, GetDispatchTime());
  return 0;
}

int32_t TLinkBaseDispatcher::RemoveTrigger(uint16_t handle) {
  std::lock_guard l(DataSection);
  if (handle == kAvailTriggerHandle) {
    LenTrigger_ = 0;
    return 0;
  }
  auto log = [&](TDispatchSubType sub, const void* more, uint32_t len) {
    if (DLog.LoggingOn()) DLog.AddDispatchEntry(dtTriggerDispose, sub, handle, more, len, GetDispatchTime());
  };
  for (auto it = TimerTriggers.begin(); it != TimerTriggers.end(); ++it)
    if (it->Handle == handle) {
      TimerTriggers.erase(it);
      log(dstTimer, nullptr, 0);
      return 0;
    }
  for (auto it = DataTriggers.begin(); it != DataTriggers.end(); ++it)
    if (it->Handle == handle) {
      DataTriggers.erase(it);
      log(dstData, nullptr, 0);
      return 0;
    }
  for (auto it = StatusTriggers.begin(); it != StatusTriggers.end(); ++it)
    if (it->Handle == handle) {
      uint8_t kind = it->Kind;
      StatusTriggers.erase(it);
      log(dstStatusTrigger, &kind, 1);
      return 0;
    }
  return ecBadTriggerHandle;
}

void TLinkBaseDispatcher::RemoveAllTriggers() {
  std::lock_guard l(DataSection);
  TimerTriggers.clear();
  DataTriggers.clear();
  StatusTriggers.clear();
  LenTrigger_ = 0;
  NextHandleCounter = 1;
}

void TLinkBaseDispatcher::SaveTriggers(TTriggerSave& save) {
  std::lock_guard l(DataSection);
  save.LenTrigger = LenTrigger_;
  save.Timers = TimerTriggers;
  save.Data = DataTriggers;
  save.Status = StatusTriggers;
}

void TLinkBaseDispatcher::RestoreTriggers(const TTriggerSave& save) {
  std::lock_guard l(DataSection);
  LenTrigger_ = save.LenTrigger;
  TimerTriggers = save.Timers;
  DataTriggers = save.Data;
  StatusTriggers = save.Status;
  uint32_t top = 0;
  for (const auto& t : TimerTriggers) top = std::max<uint32_t>(top, t.Handle / 8);
  for (const auto& t : DataTriggers) top = std::max<uint32_t>(top, t.Handle / 8);
  for (const auto& t : StatusTriggers) top = std::max<uint32_t>(top, t.Handle / 8);
  NextHandleCounter = std::max(NextHandleCounter, top + 1);  // no handle is given out twice
}

void TLinkBaseDispatcher::ResetStatusHits() {
  std::lock_guard l(DataSection);
  for (auto& t : StatusTriggers) t.Hit = false;
  StatusHit = false;
}

bool TLinkBaseDispatcher::CheckStatusTriggers() {
  uint16_t handle = 0;
  uint16_t count = 0;
  // The output counts are read before DataSection is taken: writers hold OutputSection
  // while they look at the data lock's state.
  // Both read the whole status, as a device's input count too tops its ring up between
  // the rounds of a busy line (a download slows without).
  int32_t outFree, outUsed;
  {
    std::lock_guard o(OutputSection);
    RefreshComError();
    outFree = std::max<int32_t>(OutQue - int32_t(ComStatus.cbOutQue), 0);
    RefreshComError();
    outUsed = int32_t(ComStatus.cbOutQue);
  }
  {
    std::lock_guard l(DataSection);
    bool fired = false;
    for (auto& t : StatusTriggers) {
      if (!t.Enabled || t.Hit) continue;
      switch (t.Kind) {
        case stModem:
          fired = ((t.Value & 0xFF) ^ ModemStatus) & (t.Value >> 8);
          break;
        case stLine:
          fired = t.Value & LastError.load();
          if (fired) t.Value = uint16_t(LastError.load());
          break;
        case stOutBuffFree: {
          fired = outFree >= t.Value;
          count = Low16(uint32_t(outFree));
          break;
        }
        case stOutBuffUsed: {
          fired = outUsed <= t.Value;
          count = Low16(uint32_t(outUsed));
          break;
        }
        case stOutSent:
          fired = OutSentPending.exchange(false);
          count = 0;
          break;
        default:
          break;
      }
      if (fired) {
        t.Enabled = false;
        t.Hit = true;
        StatusHit = true;
        handle = t.Handle;
        break;
      }
    }
    if (!fired) return false;
    if (DLog.LoggingOn()) DLog.AddDispatchEntry(dtTrigger, dstStatus, handle, nullptr, 0, GetDispatchTime());
  }
  SendNotify(LinkMsgTriggerStatus, handle, count);
  return true;
}

bool TLinkBaseDispatcher::CheckTimerTriggers() {
  uint16_t handle = 0;
  {
    std::lock_guard l(DataSection);
    auto it = std::find_if(TimerTriggers.begin(), TimerTriggers.end(),
                           [](const TTimerTrigger& t) { return t.Enabled && TimerExpired(t.Timer); });
    if (it == TimerTriggers.end()) return false;
    it->Enabled = false;
    handle = it->Handle;
    if (DLog.LoggingOn()) DLog.AddDispatchEntry(dtTrigger, dstTimer, handle, nullptr, 0, GetDispatchTime());
  }
  SendNotify(LinkMsgTriggerTimer, handle, 0);
  return true;
}

bool TLinkBaseDispatcher::CheckReceiveTriggers() {
  bool matched = false;
  uint32_t longest = 0, before = 0, availCount = 0;
  std::vector<std::pair<uint16_t, uint16_t>> hits;  // handle, pattern length
  {
    std::lock_guard d(DispSection);
    std::lock_guard l(DataSection);
    if (DBuffer.empty()) return false;
    // With no pattern to look for, the new bytes are passed over in one step.
    bool watching = false;
    for (const auto& t : DataTriggers)
      if (t.Matcher.Length() != 0 && !t.Matched) watching = true;
    if (!watching) {
      LastTailData = (LastTailData + Unscanned) % kRing;
      SinceAvail += Unscanned;
      Unscanned = 0;
    }
    while (Unscanned > 0 && !matched) {
      uint8_t c = DBuffer[LastTailData];
      for (auto& t : DataTriggers) {
        if (t.Matcher.Length() == 0 || t.Matched) continue;
        if (t.Matcher.MatchDataTrigger(c)) {
          t.Matched = matched = true;
          longest = std::max<uint32_t>(longest, uint32_t(t.Matcher.Length()));
        }
      }
      LastTailData = (LastTailData + 1) % kRing;
      --Unscanned;
      ++SinceAvail;
    }
    uint32_t used = RingUsedRaw() - (InAvailMessage ? std::min(GetCount, RingUsedRaw()) : 0);
    if (!matched) {
      if (LenTrigger_ == 0 || SinceAvail == 0 || used < LenTrigger_) return false;
      SinceAvail = 0;
      availCount = used;
    } else {
      // Bytes from the read position up to the end of the pattern, less the pattern.
      uint32_t upTo = used - std::min(Unscanned, used);
      before = upTo > longest ? upTo - longest : 0;
      if (LenTrigger_ != 0 && before >= LenTrigger_) {
        availCount = before;
        SinceAvail = std::min(SinceAvail, longest);
      }
      for (auto it = DataTriggers.rbegin(); it != DataTriggers.rend(); ++it)
        if (it->Matched) {
          it->Matched = false;
          hits.emplace_back(it->Handle, uint16_t(it->Matcher.Length()));
        }
    }
    if (DLog.LoggingOn()) {
      if (availCount) DLog.AddDispatchEntry(dtTrigger, dstAvail, availCount, nullptr, 0, GetDispatchTime());
      for (auto [h, len] : hits) DLog.AddDispatchEntry(dtTrigger, dstData, h, nullptr, 0, GetDispatchTime());
    }
  }
  bool result = false;
  if (availCount) {
    result = SendNotify(LinkMsgTriggerAvail, availCount, 0);
    if (!matched) return result;
    if (!KeepChecking()) return false;
  }
  for (auto [h, len] : hits) {
    result = SendNotify(LinkMsgTriggerData, h, len);
    if (!KeepChecking()) return false;
  }
  return result;
}

bool TLinkBaseDispatcher::KeepChecking() { return !ClosePending() && !NotifyBusy() && !StopRequested(); }

bool TLinkBaseDispatcher::CheckTriggers() {
  if (CheckTimerTriggers()) return true;
  if (CheckStatusTriggers()) return true;
  return CheckReceiveTriggers();
}

void TLinkBaseDispatcher::RunReceiveChecks() {
  if (!KeepChecking()) return;
  while (KeepChecking() && CheckStatusTriggers()) {
  }
  while (KeepChecking() && CheckReceiveTriggers()) {
  }
  std::lock_guard l(DataSection);
  if (StatusHit && !NotifyBusy_) {
    for (auto& t : StatusTriggers) t.Hit = false;
    StatusHit = false;
  }
}

void TLinkBaseDispatcher::ProcessComEvent(uint32_t events) {
  auto statusLoop = [this] {
    if (NotifyBusy()) return;
    while (KeepChecking() && CheckStatusTriggers()) {
    }
    if (!NotifyBusy()) ResetStatusHits();
  };
  if (events & (evCts | evDsr | evRlsd | evRing | evRingOther)) {
    MapEventsToMS(events);
    statusLoop();
  }
  if (events & (evBreak | evErr)) {
    RefreshStatus();
    statusLoop();
  }
  if (events & evRxChar) {
    ExtractData();
    RunReceiveChecks();
  }
}

void TLinkBaseDispatcher::ProcessIdleRound() {
  if (MoreData() && !DBufFull()) ExtractData();
  // Bytes taken in on this path, or while a notification was busy, are announced now
  // rather than at the next device event, which may never come.
  bool pending;
  {
    std::lock_guard d(DispSection);
    pending = Unscanned > 0 || SinceAvail > 0;
  }
  if (pending) RunReceiveChecks();
  CheckTimerAndStatusTriggers();
}

void TLinkBaseDispatcher::CheckTimerAndStatusTriggers() {
  if (!KeepChecking()) return;
  {
    std::lock_guard l(DataSection);
    StatusHit = false;
  }
  while (KeepChecking() && (CheckStatusTriggers() || CheckTimerTriggers())) {
  }
  if (!NotifyBusy()) ResetStatusHits();
}

// ---- Handlers and notification ---------------------------------------------------------------------

void TLinkBaseDispatcher::UpdateHandlerFlags(TApHandlerFlagUpdate update) {
  std::lock_guard l(DataSection);
  bool others = WndTriggerHandlers.size() >= 2 || !ProcTriggerHandlers.empty() || !EventTriggerHandlers.empty();
  switch (update) {
    case fuKeepPort:
      HandlersPresent = others || PortHandlerInstalled;
      break;
    case fuEnablePort:
      PortHandlerInstalled = HandlersPresent = true;
      break;
    case fuDisablePort:
      PortHandlerInstalled = false;
      HandlersPresent = others;
      break;
  }
}

void TLinkBaseDispatcher::RegisterWndTriggerHandler(TLinkWindow wnd) {
  std::lock_guard l(DataSection);
  WndTriggerHandlers.push_back({wnd, false});
  HandlersPresent = true;
  if (DLog.LoggingOn()) DLog.AddDispatchEntry(dtTriggerHandlerAlloc, dstWndHandler, uint32_t(wnd), nullptr, 0, GetDispatchTime());
}

void TLinkBaseDispatcher::RegisterProcTriggerHandler(TLinkTriggerProc proc) {
  std::lock_guard l(DataSection);
  ProcTriggerHandlers.push_back({proc, false});
  HandlersPresent = true;
  if (DLog.LoggingOn()) DLog.AddDispatchEntry(dtTriggerHandlerAlloc, dstProcHandler, 0, nullptr, 0, GetDispatchTime());
}

void TLinkBaseDispatcher::RegisterEventTriggerHandler(TLinkTriggerEvent ev) {
  std::lock_guard l(DataSection);
  EventTriggerHandlers.push_back({ev, false, false});
  HandlersPresent = true;
  if (DLog.LoggingOn()) DLog.AddDispatchEntry(dtTriggerHandlerAlloc, dstEventHandler, 0, nullptr, 0, GetDispatchTime());
}

void TLinkBaseDispatcher::RegisterSyncEventTriggerHandler(TLinkTriggerEvent ev) {
  std::lock_guard l(DataSection);
  EventTriggerHandlers.push_back({ev, false, true});
  HandlersPresent = true;
  if (DLog.LoggingOn()) DLog.AddDispatchEntry(dtTriggerHandlerAlloc, dstEventHandler, 1, nullptr, 0, GetDispatchTime());
}

template <class Handler>
void TLinkBaseDispatcher::DropHandler(std::vector<Handler>& list,
                                      typename std::vector<Handler>::iterator it) {
  if (NotifyBusy_) {
    it->Deleted = DeletePending = true;
  } else {
    list.erase(it);
    UpdateHandlerFlags(fuKeepPort);
  }
}

void TLinkBaseDispatcher::DeregisterWndTriggerHandler(TLinkWindow wnd) {
  std::lock_guard l(DataSection);
  for (auto it = WndTriggerHandlers.begin(); it != WndTriggerHandlers.end(); ++it) {
    if (it->Wnd != wnd || it->Deleted) continue;
    if (DLog.LoggingOn()) DLog.AddDispatchEntry(dtTriggerHandlerDispose, dstWndHandler, uint32_t(wnd), nullptr, 0, GetDispatchTime());
    DropHandler(WndTriggerHandlers, it);
    return;
  }
}

void TLinkBaseDispatcher::DeregisterProcTriggerHandler(TLinkTriggerProc proc) {
  std::lock_guard l(DataSection);
  for (auto it = ProcTriggerHandlers.begin(); it != ProcTriggerHandlers.end(); ++it) {
    if (it->Proc != proc || it->Deleted) continue;
    if (DLog.LoggingOn()) DLog.AddDispatchEntry(dtTriggerHandlerDispose, dstProcHandler, 0, nullptr, 0, GetDispatchTime());
    DropHandler(ProcTriggerHandlers, it);
    return;
  }
}

void TLinkBaseDispatcher::DeregisterEventTriggerHandler(TLinkTriggerEvent ev) {
  std::lock_guard l(DataSection);
  for (auto it = EventTriggerHandlers.begin(); it != EventTriggerHandlers.end(); ++it) {
    if (!(it->Event == ev) || it->Deleted) continue;
    if (DLog.LoggingOn())
      DLog.AddDispatchEntry(dtTriggerHandlerDispose, dstEventHandler, it->Sync ? 1 : 0, nullptr, 0, GetDispatchTime());
    DropHandler(EventTriggerHandlers, it);
    return;
  }
}

void TLinkBaseDispatcher::SetEventBusy(bool& was, bool busy) {
  std::lock_guard l(DataSection);
  was = NotifyBusy_;
  NotifyBusy_ = busy;
}

bool TLinkBaseDispatcher::SendNotify(uint32_t msg, uint32_t trigger, uint16_t data) {
  const int32_t lParam = int32_t(uint32_t(Handle) << 16 | data);
  {
    std::lock_guard l(DataSection);
    if (!HandlersPresent) return true;
    NotifyBusy_ = true;
    NotifyMsg = msg;
    NotifyTrigger = trigger;
  }
  {
    std::lock_guard d(DispSection);
    MaxGetCount = 0;
    InAvailMessage = msg == LinkMsgTriggerAvail || msg == LinkMsgTriggerData;
  }
  auto startHandler = [this] {
    std::lock_guard d(DispSection);
    GetCount = 0;
  };
  // After each handler: a close asked for meanwhile ends the notification at once.
  auto afterHandler = [this]() -> bool {
    std::lock_guard d(DispSection);
    std::lock_guard l(DataSection);
    MaxGetCount = std::max(MaxGetCount, GetCount);
    return !ClosePending_ && !StopRequested();
  };

  try {
    for (size_t i = 0;; ++i) {
      EventHandler h;
      {
        std::lock_guard l(DataSection);
        if (i >= EventTriggerHandlers.size()) break;
        h = EventTriggerHandlers[i];
      }
      if (h.Deleted || !h.Event.Code) continue;
      startHandler();
      if (h.Sync)
        Synchronize([&] { h.Event.Code(h.Event.Object, msg, trigger, lParam); });
      else
        h.Event.Code(h.Event.Object, msg, trigger, lParam);
      if (!afterHandler()) goto closed;
    }
    for (size_t i = 0;; ++i) {
      ProcHandler h;
      {
        std::lock_guard l(DataSection);
        if (i >= ProcTriggerHandlers.size()) break;
        h = ProcTriggerHandlers[i];
      }
      if (h.Deleted || !h.Proc) continue;
      startHandler();
      h.Proc(msg, trigger, lParam);
      if (!afterHandler()) goto closed;
    }
    {
      bool sendToWindows;
      {
        std::lock_guard l(DataSection);
        sendToWindows = Notifier && (WndTriggerHandlers.size() >= 2 || PortHandlerInstalled);
      }
      for (size_t i = 0; sendToWindows; ++i) {
        WndHandler h;
        {
          std::lock_guard l(DataSection);
          if (i >= WndTriggerHandlers.size()) break;
          h = WndTriggerHandlers[i];
        }
        if (h.Deleted) continue;
        startHandler();
        for (bool again = true; again;) {
          {
            std::lock_guard l(DataSection);
            WndSend = TWndSend::Sent;
            WndTarget = h.Wnd;
          }
          TLinkNotifyOutcome outcome = Notifier->SendTriggerMessage(h.Wnd, msg, trigger, lParam, kNotifyTimeoutMs);
          std::lock_guard l(DataSection);
          const TWndSend reached = std::exchange(WndSend, TWndSend::None);
          again = false;
          if (outcome != TLinkNotifyOutcome::TimedOut) break;
          if (reached == TWndSend::Entered) {
            // The window procedure still runs and may still read: leave the notification
            // open; NotifyDelivered completes it. The remaining handlers miss this one.
            WndSend = TWndSend::Entered;
            NotifyDeferred = true;
            return false;
          }
          // Never taken by the window's thread (busy past the time-out): the system took
          // the message back. Nobody has seen it, so it goes again, unless the port closes.
          again = reached == TWndSend::Sent && !ClosePending_ && !StopRequested();
        }
        if (!afterHandler()) goto closed;
      }
    }
  } catch (...) {
    // A handler that throws on this thread ends the notification as a close would.
    std::lock_guard d(DispSection);
    std::lock_guard l(DataSection);
    FinishNotify();
    throw;
  }
  {
    std::lock_guard d(DispSection);
    std::lock_guard l(DataSection);
    bool complete = !(msg == LinkMsgTriggerAvail && MaxGetCount != trigger);
    FinishNotify();
    return complete;
  }
closed : {
  std::lock_guard d(DispSection);
  std::lock_guard l(DataSection);
  FinishNotify();
  return false;
}
}

void TLinkBaseDispatcher::FinishNotify() {
  if (InAvailMessage) {
    InAvailMessage = false;
    AdvanceTail(std::min(MaxGetCount, RingUsedRaw()));
  }
  NotifyBusy_ = false;
  WndSend = TWndSend::None;
  NotifyDeferred = false;
  if (DeletePending) {
    std::erase_if(WndTriggerHandlers, [](const WndHandler& h) { return h.Deleted; });
    std::erase_if(ProcTriggerHandlers, [](const ProcHandler& h) { return h.Deleted; });
    std::erase_if(EventTriggerHandlers, [](const EventHandler& h) { return h.Deleted; });
    DeletePending = false;
    UpdateHandlerFlags(fuKeepPort);
  }
  GetCount = 0;
}

bool TLinkBaseDispatcher::NotifyEntering(TLinkWindow wnd) {
  std::lock_guard l(DataSection);
  if (WndSend != TWndSend::Sent || WndTarget != wnd) return false;
  WndSend = TWndSend::Entered;
  return true;
}

void TLinkBaseDispatcher::NotifyDelivered() {
  std::lock_guard d(DispSection);
  std::lock_guard l(DataSection);
  if (!NotifyDeferred) {
    if (WndSend == TWndSend::Entered) WndSend = TWndSend::Returned;
    return;
  }
  MaxGetCount = std::max(MaxGetCount, GetCount);
  FinishNotify();
}

// ---- Trace and dispatch log ---------------------------------------------------------------------

int32_t TLinkBaseDispatcher::InitTracing(uint32_t entries) {
  std::lock_guard l(DataSection);
  return Trace.InitTracing(entries);
}
int32_t TLinkBaseDispatcher::ResizeTracing(uint32_t entries) {
  std::lock_guard l(DataSection);
  return Trace.Resize(entries);
}
void TLinkBaseDispatcher::ClearTracing() { std::lock_guard l(DataSection); Trace.ClearTracing(); }
void TLinkBaseDispatcher::AbortTracing() { std::lock_guard l(DataSection); Trace.AbortTracing(); }
void TLinkBaseDispatcher::StartTracing() { std::lock_guard l(DataSection); Trace.StartTracing(); }
void TLinkBaseDispatcher::StopTracing() { std::lock_guard l(DataSection); Trace.StopTracing(); }
void TLinkBaseDispatcher::AddTraceEntry(char kind, uint8_t c) {
  std::lock_guard l(DataSection);
  if (Trace.TracingOn()) Trace.AddTraceEntry(kind, c);
}
std::string TLinkBaseDispatcher::TraceText(bool inHex) {
  std::lock_guard l(DataSection);
  return Trace.TraceText(inHex);
}
int32_t TLinkBaseDispatcher::DumpTrace(const std::string& name, bool inHex, bool append) {
  std::lock_guard l(DataSection);
  return Trace.DumpTrace(name, inHex, append) ? 0 : ecUnknownFailure;
}

int32_t TLinkBaseDispatcher::InitDispatchLogging(uint32_t size) {
  std::lock_guard l(DataSection);
  return DLog.InitDispatchLogging(size);
}
int32_t TLinkBaseDispatcher::ResizeDispatchLogging(uint32_t size) {
  std::lock_guard l(DataSection);
  return DLog.Resize(size);
}
void TLinkBaseDispatcher::ClearDispatchLogging() { std::lock_guard l(DataSection); DLog.ClearDispatchLogging(); }
void TLinkBaseDispatcher::AbortDispatchLogging() { std::lock_guard l(DataSection); DLog.AbortDispatchLogging(); }
void TLinkBaseDispatcher::StartDispatchLogging() { std::lock_guard l(DataSection); DLog.StartDispatchLogging(); }
void TLinkBaseDispatcher::StopDispatchLogging() { std::lock_guard l(DataSection); DLog.StopDispatchLogging(); }
void TLinkBaseDispatcher::AddDispatchEntry(TDispatchType type, TDispatchSubType sub, uint32_t data,
                                           const void* more, uint32_t moreLength) {
  std::lock_guard l(DataSection);
  if (DLog.LoggingOn()) DLog.AddDispatchEntry(type, sub, data, more, moreLength, GetDispatchTime());
}
void TLinkBaseDispatcher::AddStringToLog(const std::string& s) {
  AddDispatchEntry(dtUser, dstNone, 0, s.data(), uint32_t(s.size()));
}
std::string TLinkBaseDispatcher::DispatchLogText(bool inHex, const TDispatchLogHeader& header) {
  std::lock_guard l(DataSection);
  return DLog.DispatchLogText(inHex, header);
}
int32_t TLinkBaseDispatcher::DumpDispatchLog(const std::string& name, bool inHex, bool append,
                                             const TDispatchLogHeader& header) {
  std::lock_guard l(DataSection);
  return DLog.DumpDispatchLog(name, inHex, append, header) ? 0 : ecUnknownFailure;
}
