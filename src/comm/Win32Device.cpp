#include "comm/Win32Device.h"

#include <algorithm>
#include <cstring>

#include "comm/core/CommErrors.h"
#include "comm/core/CommPort.h"
#include "framework/Threads.h"

static_assert(sizeof(::DCB) == sizeof(TLinkDCB), "the line settings are handed to the system as they are");
static_assert(sizeof(COMSTAT) == sizeof(TLinkComStat), "hold flags and queue counts in the system's layout");

namespace {

void CloseEvent(HANDLE& h) {
  if (h) CloseHandle(h);
  h = nullptr;
}

// The thread priority for a level above normal (0 to 3).
int PriorityOf(int level) {
  switch (level) {
    case 0: return THREAD_PRIORITY_NORMAL;
    case 1: return THREAD_PRIORITY_ABOVE_NORMAL;
    case 2: return THREAD_PRIORITY_HIGHEST;
    default: return THREAD_PRIORITY_TIME_CRITICAL;
  }
}

}  // namespace

TLinkWin32Dispatcher::TLinkWin32Dispatcher(void* owner) : TLinkThreadedDispatcher(owner) {}

TLinkWin32Dispatcher::~TLinkWin32Dispatcher() {
  DonePortPrim();  // the threads end before the handle and the events they use
  DeviceClose();   // opened but never started
  for (HANDLE& h : Threads_) CloseEvent(h);
}

bool TLinkWin32Dispatcher::MakeEvents() {
  {
    std::lock_guard l(AheadLock_);
    ReadingAhead_ = false;
    Ahead_.clear();
    AheadFrom_ = 0;
  }
  for (HANDLE* h : {&ReadEvent_, &WaitEvent_, &WriteEvent_, &InputEvent_, &CancelWait_, &CancelWrite_, &TakenEvent_}) {
    *h = CreateEventA(nullptr, h != &TakenEvent_, FALSE, nullptr);
    if (!*h) {
      KeepError();
      for (HANDLE* e : {&ReadEvent_, &WaitEvent_, &WriteEvent_, &InputEvent_, &CancelWait_, &CancelWrite_, &TakenEvent_})
        CloseEvent(*e);
      return false;
    }
  }
  return true;
}

intptr_t TLinkWin32Dispatcher::OpenCom(const char* name, int32_t, int32_t) {
  Device_ = CreateFileA(name ? name : "", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                        FILE_FLAG_OVERLAPPED | FILE_ATTRIBUTE_NORMAL, nullptr);
  if (Device_ == INVALID_HANDLE_VALUE) {
    KeepError();
    return -1;
  }
  if (!MakeEvents()) {
    CloseHandle(Device_);
    Device_ = INVALID_HANDLE_VALUE;
    return ecOutOfMemory;
  }
  return reinterpret_cast<intptr_t>(Device_);
}

bool TLinkWin32Dispatcher::SetupCom(int32_t inSize, int32_t outSize) {
  if (SetupComm(Device_, DWORD(inSize), DWORD(outSize))) return true;
  KeepError();
  return false;
}

void TLinkWin32Dispatcher::DeviceClose() {
  if (Device_ != INVALID_HANDLE_VALUE) CloseHandle(Device_);
  Device_ = INVALID_HANDLE_VALUE;
  for (HANDLE* e : {&ReadEvent_, &WaitEvent_, &WriteEvent_, &InputEvent_, &CancelWait_, &CancelWrite_, &TakenEvent_})
    CloseEvent(*e);
}

int32_t TLinkWin32Dispatcher::EscapeComFunction(int32_t func) {
  EscapeCommFunction(Device_, DWORD(func));  // a line the driver cannot set is no failure
  return 0;
}

int32_t TLinkWin32Dispatcher::GetComState(TLinkDCB& dcb) {
  ::DCB d{};
  d.DCBlength = sizeof d;
  if (!GetCommState(Device_, &d)) return -1;
  std::memcpy(static_cast<void*>(&dcb), &d, sizeof d);
  return 0;
}

int32_t TLinkWin32Dispatcher::SetComState(TLinkDCB& dcb) {
  ::DCB d;
  std::memcpy(&d, &dcb, sizeof d);
  d.DCBlength = sizeof d;
  if (SetCommState(Device_, &d)) return 0;
  return LinkErrorFromSystem(GetLastError());
}

uint8_t TLinkWin32Dispatcher::GetCommModemStatus() {
  DWORD status = 0;
  if (!::GetCommModemStatus(Device_, &status)) return 0;  // a pseudo-terminal has no modem lines
  return uint8_t(status & 0xF0);
}

int32_t TLinkWin32Dispatcher::ReadCom(uint8_t* buf, int32_t size) {
  std::lock_guard l(AheadLock_);
  if (ReadingAhead_) {
    uint32_t n = std::min(uint32_t(std::max(size, 0)), AheadUsed());
    std::memcpy(buf, Ahead_.data() + AheadFrom_, n);
    AheadFrom_ += n;
    if (AheadFrom_ == Ahead_.size()) Ahead_.clear(), AheadFrom_ = 0;
    if (n > 0 && AheadTakenWanted_) {
      AheadTakenWanted_ = false;
      SetEvent(TakenEvent_);
    }
    return int32_t(n);
  }
  OVERLAPPED ov{};
  ov.hEvent = ReadEvent_;
  ResetEvent(ReadEvent_);
  DWORD got = 0;
  if (ReadFile(Device_, buf, DWORD(size), &got, &ov)) return int32_t(got);
  DWORD error = GetLastError();
  if (error != ERROR_IO_PENDING) {
    DeviceFailed(error);
    return LinkErrorFromSystem(error);
  }
  if (WaitForSingleObject(ReadEvent_, kReadWaitMs) != WAIT_OBJECT_0) CancelIo(Device_);
  BOOL ok = GetOverlappedResult(Device_, &ov, &got, TRUE);
  ResetEvent(ReadEvent_);
  if (!ok && got == 0) {
    error = GetLastError();
    if (error == ERROR_OPERATION_ABORTED) return 0;
    DeviceFailed(error);
    return LinkErrorFromSystem(error);
  }
  return int32_t(got);
}

bool TLinkWin32Dispatcher::WaitComEvent(uint32_t& mask, void* overlapped) {
  DWORD events = 0;
  BOOL ok = WaitCommEvent(Device_, &events, static_cast<OVERLAPPED*>(overlapped));
  mask = events;
  return ok;
}

// Bytes read ahead count as the device's input; they are offered before a failure of the
// device is.
int32_t TLinkWin32Dispatcher::DeviceStatus(TLinkComStat& stat) {
  DWORD errors = 0;
  COMSTAT cs{};
  uint32_t ahead = 0;
  {
    std::lock_guard l(AheadLock_);
    if (ReadingAhead_) ahead = AheadUsed();
  }
  if (!ClearCommError(Device_, &errors, &cs)) {
    DWORD error = GetLastError();
    if (ahead == 0) return error ? -int32_t(error) : -1;
    stat = {};
    stat.cbInQue = ahead;
    return 0;
  }
  std::memcpy(&stat.Flags, &cs, sizeof stat.Flags);  // the hold bits, as the system lays them out
  stat.cbInQue = cs.cbInQue + ahead;
  stat.cbOutQue = cs.cbOutQue;
  return int32_t(errors & 0x7FFFFFFF);
}

uint32_t TLinkWin32Dispatcher::DeviceSetMask(uint32_t mask) {
  return SetCommMask(Device_, mask) ? 0 : GetLastError();
}

// The overlapped wait ends with a device event, a failure, or the cancel event; a
// cancelled wait is taken back (CancelIo, on this thread that started it) before its
// OVERLAPPED and event word go. A wait that the device gave up by itself turns to reading
// ahead.
TLinkDeviceWait TLinkWin32Dispatcher::DeviceWait(uint32_t& events) {
  if (ReadingAhead_) return ReadAhead(events);  // only this thread changes it
  OVERLAPPED ov{};
  ov.hEvent = WaitEvent_;
  ResetEvent(WaitEvent_);
  DWORD mask = 0;
  if (WaitCommEvent(Device_, &mask, &ov)) {
    events = mask;
    return {};
  }
  DWORD error = GetLastError();
  if (error != ERROR_IO_PENDING) return {TLinkDeviceWait::FailedAtOnce, error};
  HANDLE both[2] = {WaitEvent_, CancelWait_};
  DWORD n = 0;
  if (WaitForMultipleObjects(2, both, FALSE, INFINITE) != WAIT_OBJECT_0) {
    CancelIo(Device_);
    GetOverlappedResult(Device_, &ov, &n, TRUE);
    return {TLinkDeviceWait::Failed, ERROR_OPERATION_ABORTED};
  }
  if (!GetOverlappedResult(Device_, &ov, &n, FALSE)) {
    DWORD error = GetLastError();
    DWORD lines = 0;
    if (error != ERROR_OPERATION_ABORTED || WaitForSingleObject(CancelWait_, 0) == WAIT_OBJECT_0 ||
        ::GetCommModemStatus(Device_, &lines))
      return {TLinkDeviceWait::Failed, error};
    StartReadingAhead();
    return ReadAhead(events);
  }
  events = mask;
  return {};
}

void TLinkWin32Dispatcher::StartReadingAhead() {
  std::lock_guard l(AheadLock_);
  COMMTIMEOUTS t{};
  t.ReadIntervalTimeout = 1;  // a read waits for the first byte, and ends when the bytes pause
  SetCommTimeouts(Device_, &t);
  Ahead_.reserve(AheadCapacity());
  AheadRead_.resize(kAheadRead);
  ReadingAhead_ = true;
}

// Issued under the lock, so that a purge either finds the read under way (and breaks it
// off) or comes before it.
bool TLinkWin32Dispatcher::IssueAheadRead() {
  std::lock_guard l(AheadLock_);
  uint32_t want = std::min(AheadCapacity() - AheadUsed(), kAheadRead);
  AheadTakenWanted_ = want < kAheadRead / 2;
  if (AheadTakenWanted_) return false;
  AheadReadPurges_ = AheadPurges_;
  AheadOv_ = {};
  AheadOv_.hEvent = InputEvent_;
  ResetEvent(InputEvent_);
  AheadGot_ = AheadError_ = 0;
  if (ReadFile(Device_, AheadRead_.data(), want, &AheadGot_, &AheadOv_)) {
    AheadState_ = TAheadRead::Done;
    return true;
  }
  AheadError_ = GetLastError();
  AheadState_ = AheadError_ == ERROR_IO_PENDING ? TAheadRead::Pending : TAheadRead::Done;
  return true;
}

bool TLinkWin32Dispatcher::FinishAheadRead(DWORD& got, DWORD& error) {
  if (AheadState_ == TAheadRead::Pending) {
    HANDLE both[2] = {InputEvent_, CancelWait_};
    if (WaitForMultipleObjects(2, both, FALSE, INFINITE) != WAIT_OBJECT_0) {
      CancelAheadRead();
      return false;
    }
    AheadError_ = GetOverlappedResult(Device_, &AheadOv_, &AheadGot_, FALSE) ? 0 : GetLastError();
  }
  AheadState_ = TAheadRead::None;
  got = AheadGot_;
  error = AheadError_;
  return true;
}

void TLinkWin32Dispatcher::CancelAheadRead() {
  if (AheadState_ == TAheadRead::Pending) {
    DWORD n = 0;
    CancelIo(Device_);
    GetOverlappedResult(Device_, &AheadOv_, &n, TRUE);
  }
  AheadState_ = TAheadRead::None;
}

TLinkDeviceWait TLinkWin32Dispatcher::ReadAhead(uint32_t& events) {
  for (;;) {
    if (AheadState_ == TAheadRead::None && !IssueAheadRead()) {
      // The queue is full: wait until the dispatcher takes some.
      HANDLE both[2] = {TakenEvent_, CancelWait_};
      if (WaitForMultipleObjects(2, both, FALSE, INFINITE) != WAIT_OBJECT_0) return {TLinkDeviceWait::Failed, ERROR_OPERATION_ABORTED};
      continue;
    }
    DWORD got = 0, error = 0;
    if (!FinishAheadRead(got, error)) return {TLinkDeviceWait::Failed, ERROR_OPERATION_ABORTED};
    if (got == 0 && ClassifyDeviceError(error) == TLinkDeviceError::Gone) {
      // The device went away: what was read before goes to the dispatcher first.
      for (;;) {
        {
          std::lock_guard l(AheadLock_);
          AheadTakenWanted_ = AheadUsed() != 0;
          if (!AheadTakenWanted_) break;
        }
        HANDLE both[2] = {TakenEvent_, CancelWait_};
        if (WaitForMultipleObjects(2, both, FALSE, INFINITE) != WAIT_OBJECT_0) break;
      }
      return {TLinkDeviceWait::Failed, error};
    }
    if (got == 0) {  // a purge broke the read off, it failed, or nothing came: again, not at once
      if (WaitForSingleObject(CancelWait_, 1) == WAIT_OBJECT_0) return {TLinkDeviceWait::Failed, ERROR_OPERATION_ABORTED};
      continue;
    }
    bool wasEmpty;
    {
      std::lock_guard l(AheadLock_);
      if (AheadReadPurges_ != AheadPurges_) continue;  // read before a purge
      wasEmpty = AheadUsed() == 0;
      if (AheadFrom_ > 0) {
        Ahead_.erase(Ahead_.begin(), Ahead_.begin() + ptrdiff_t(AheadFrom_));
        AheadFrom_ = 0;
      }
      Ahead_.insert(Ahead_.end(), AheadRead_.data(), AheadRead_.data() + got);
    }
    if (wasEmpty) {
      IssueAheadRead();  // under way while the dispatcher thread is told
      events = evRxChar;
      return {};
    }
  }
}

void TLinkWin32Dispatcher::DeviceCancelWait() {
  if (CancelWait_) SetEvent(CancelWait_);
}

TLinkDeviceWrite TLinkWin32Dispatcher::DeviceWrite(const uint8_t* buf, uint32_t len, uint32_t& written) {
  OVERLAPPED ov{};
  ov.hEvent = WriteEvent_;
  ResetEvent(WriteEvent_);
  DWORD n = 0;
  written = 0;
  if (WriteFile(Device_, buf, len, &n, &ov)) {
    written = n;
    return TLinkDeviceWrite::Done;
  }
  if (GetLastError() != ERROR_IO_PENDING) return TLinkDeviceWrite::Failed;
  HANDLE both[2] = {WriteEvent_, CancelWrite_};
  if (WaitForMultipleObjects(2, both, FALSE, INFINITE) != WAIT_OBJECT_0) {
    CancelIo(Device_);
    GetOverlappedResult(Device_, &ov, &n, TRUE);
    written = n;
    return TLinkDeviceWrite::Cancelled;
  }
  BOOL ok = GetOverlappedResult(Device_, &ov, &n, FALSE);
  written = n;
  return ok ? TLinkDeviceWrite::Done : TLinkDeviceWrite::Failed;
}

void TLinkWin32Dispatcher::DeviceCancelWrite(bool cancel) {
  if (!CancelWrite_) return;
  if (cancel)
    SetEvent(CancelWrite_);
  else
    ResetEvent(CancelWrite_);
}

int32_t TLinkWin32Dispatcher::DevicePurge(bool output) {
  DWORD what = output ? PURGE_TXABORT | PURGE_TXCLEAR : PURGE_RXABORT | PURGE_RXCLEAR;
  if (!output) {
    std::lock_guard l(AheadLock_);
    Ahead_.clear();
    AheadFrom_ = 0;
    ++AheadPurges_;
    if (TakenEvent_) SetEvent(TakenEvent_);
    // A read ahead under way keeps what it took before the purge: it is broken off (a
    // purge does not reach it), and its bytes are dropped.
    using TCancelIoEx = BOOL(WINAPI*)(HANDLE, LPOVERLAPPED);
    static const auto cancelIoEx =
        reinterpret_cast<TCancelIoEx>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "CancelIoEx")));
    if (ReadingAhead_ && cancelIoEx) cancelIoEx(Device_, &AheadOv_);
  }
  if (PurgeComm(Device_, what)) return 0;
  return LinkErrorFromSystem(GetLastError());
}

void TLinkWin32Dispatcher::DevicePrepare() {
  COMMTIMEOUTS t{};
  t.ReadIntervalTimeout = MAXDWORD;  // reads return at once with what the driver holds
  SetCommTimeouts(Device_, &t);
}

void TLinkWin32Dispatcher::Synchronize(const std::function<void()>& fn) { TThread::StaticSynchronize(fn); }

void TLinkWin32Dispatcher::ThreadStarted(TLinkThreadKind kind) {
  HANDLE self = nullptr;
  DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &self, 0, FALSE,
                  DUPLICATE_SAME_ACCESS);
  {
    std::lock_guard l(ThreadLock_);
    CloseEvent(Threads_[int(kind)]);
    Threads_[int(kind)] = self;
  }
  ApplyPriority(kind);
}

void TLinkWin32Dispatcher::ThreadEnding(TLinkThreadKind kind) {
  if (kind == TLinkThreadKind::Com) CancelAheadRead();
}

void TLinkWin32Dispatcher::ApplyPriority(TLinkThreadKind kind) {
  std::lock_guard l(ThreadLock_);
  if (Threads_[int(kind)]) SetThreadPriority(Threads_[int(kind)], PriorityOf(ThreadPriority(kind)));
}

void TLinkWin32Dispatcher::SetThreadBoost(uint8_t boost) {
  TLinkThreadedDispatcher::SetThreadBoost(boost);
  for (TLinkThreadKind kind : {TLinkThreadKind::Com, TLinkThreadKind::Disp, TLinkThreadKind::Out})
    ApplyPriority(kind);
}

// The output thread in RS-485 mode is above the others, also when the mode changes while
// it runs.
void TLinkWin32Dispatcher::SetRS485Mode(bool on) {
  TLinkThreadedDispatcher::SetRS485Mode(on);
  ApplyPriority(TLinkThreadKind::Out);
}

int TLinkWin32Dispatcher::RunningPriority(TLinkThreadKind kind) {
  std::lock_guard l(ThreadLock_);
  return Threads_[int(kind)] ? GetThreadPriority(Threads_[int(kind)]) : THREAD_PRIORITY_ERROR_RETURN;
}

// Messages sent to this thread's windows (a trigger notification on its way) and
// Synchronize requests get through while the threads are waited for.
void TLinkWin32Dispatcher::ServeWhileWaiting() {
  MSG m;
  PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  CheckSynchronize();
}

// ---- Telephony ----------------------------------------------------------------------------

TLinkTAPI32Dispatcher::TLinkTAPI32Dispatcher(void* owner, HANDLE callHandle)
    : TLinkWin32Dispatcher(owner), CallHandle_(callHandle) {
  if (!callHandle || callHandle == INVALID_HANDLE_VALUE) return;
  Device_ = callHandle;
  ComHandle = reinterpret_cast<intptr_t>(callHandle);
}

intptr_t TLinkTAPI32Dispatcher::OpenCom(const char*, int32_t, int32_t) {
  if (!CallHandle_ || CallHandle_ == INVALID_HANDLE_VALUE) {
    SetLastError(uint32_t(-ecCommNotOpen));
    KeepError();
    return -1;
  }
  Device_ = CallHandle_;  // closed with the port, as the call's handle must be
  if (!MakeEvents()) return ecOutOfMemory;
  return reinterpret_cast<intptr_t>(Device_);
}

void RegisterWin32DeviceLayer() {
  SetLinkDeviceLayer(dlWin32, [](TLinkCustomComPort& port) -> std::unique_ptr<TLinkBaseDispatcher> {
    if (port.TapiMode == TTapiMode::tmOn)
      return std::make_unique<TLinkTAPI32Dispatcher>(&port, reinterpret_cast<HANDLE>(port.TapiCommHandle));
    return std::make_unique<TLinkWin32Dispatcher>(&port);
  });
}
