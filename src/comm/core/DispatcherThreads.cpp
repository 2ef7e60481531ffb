#include "comm/core/DispatcherThreads.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>
#include <stdexcept>

#include "comm/core/CommErrors.h"
#include "comm/core/LinkUtil.h"

// ---- Threads --------------------------------------------------------------------------------

namespace {
thread_local const TLinkThreadedDispatcher* tDispatcher = nullptr;  // the one this thread serves
}

TLinkDispatcherThread::TLinkDispatcherThread(TLinkThreadedDispatcher& dispatcher, TLinkThreadKind kind)
    : Dispatcher(dispatcher), Kind_(kind) {}

TLinkDispatcherThread::~TLinkDispatcherThread() { Join(); }

// Nothing leaves a thread: an error it cannot handle ends its work as a failed line (the
// port hears of it as of a line that went away, and closes), and its clean-up still runs.
void TLinkDispatcherThread::Start() {
  Thread_ = std::thread([this] {
    tDispatcher = &Dispatcher;
    ++Dispatcher.ActiveThreads;
    try {
      Dispatcher.ThreadStarted(Kind_);
      Execute();
    } catch (...) {
      Dispatcher.ThreadFailed(Kind_, std::current_exception());
    }
    Dispatcher.ThreadEnding(Kind_);
    Dispatcher.ThreadGone(this);
  });
}

void TLinkDispatcherThread::Join() {
  if (Thread_.joinable() && Thread_.get_id() != std::this_thread::get_id()) Thread_.join();
}

// A wait that fails ends the thread: the dispatcher thread's rounds read the device all
// the same. Only a mask the device refuses (50 not supported, 87 invalid parameter) is
// narrowed and tried again, once for each kind of bit dropped.
void TComThread::Execute() {
  TLinkThreadedDispatcher& d = Dispatcher;
  uint32_t mask = LinkPlatform().IsWindowsNT() ? TLinkThreadedDispatcher::kMaskNT : TLinkThreadedDispatcher::kMaskOther;
  d.DeviceSetMask(mask);
  d.DevicePrepare();
  d.Started(TLinkThreadKind::Com);
  for (;;) {
    uint32_t events = 0;
    TLinkDeviceWait w = d.DeviceWait(events);
    if (d.Kill_) break;
    if (w.Result != TLinkDeviceWait::Event) {
      TLinkDeviceError kind = ClassifyDeviceError(w.Error);
      if (kind == TLinkDeviceError::Gone) d.DeviceError_ = w.Error;
      if (w.Result != TLinkDeviceWait::FailedAtOnce || kind != TLinkDeviceError::Unsupported) break;
      uint32_t drop = (mask & evRingOther) ? evRingOther : (mask & TLinkThreadedDispatcher::kModemEvents);
      if (drop == 0) break;
      mask &= ~drop;
      d.DeviceSetMask(mask);
      continue;
    }
    if (events & (evRing | evRingOther)) d.SetRingFlag();
    // One device event at a time between this thread and the dispatcher thread.
    std::unique_lock l(d.EventLock_);
    d.CurrentEvent = events;
    d.EventWaiting_ = true;
    d.EventSignal_.notify_all();
    d.EventSignal_.wait(l, [&] { return !d.EventWaiting_ || d.Kill_; });
    if (d.Kill_) break;
  }
}

// Every round reads what the device holds, whatever its events said (a pseudo-terminal
// under Wine reports none): on a device event, on a tick, at once again after a round
// that took bytes in, and every millisecond for a while after input last came, so that a
// stream is paced neither by the ticks nor by a device that cannot tell it arrives.
void TDispThread::Execute() {
  using Clock = std::chrono::steady_clock;
  TLinkThreadedDispatcher& d = Dispatcher;
  d.Started(TLinkThreadKind::Disp);
  bool busy = false;
  Clock::time_point lastInput{};
  for (;;) {
    uint32_t events = 0;
    bool got;
    {
      uint32_t wait = busy ? 0
                      : Clock::now() - lastInput < std::chrono::milliseconds(TLinkThreadedDispatcher::kStreamMs)
                          ? 1
                          : TLinkThreadedDispatcher::kTickMs;
      std::unique_lock l(d.EventLock_);
      auto ready = [&] { return d.EventWaiting_ || d.Kill_; };
      // No wait at all after a busy round (a wait of 0 ms still costs a system call).
      got = wait == 0 ? ready() : d.EventSignal_.wait_for(l, std::chrono::milliseconds(wait), ready);
      events = d.CurrentEvent;
    }
    if (d.Kill_) break;
    if (got) {
      d.ProcessComEvent(events & ~evRxChar);
      // Releases the com thread (the output thread has no part in device events).
      {
        std::lock_guard l(d.EventLock_);
        d.EventWaiting_ = false;
      }
      d.EventSignal_.notify_all();
    }
    // Only bytes that went into the ring count: a device that says it holds input it
    // cannot give (a line that went away) is not asked again at once. A round that filled
    // the ring is busy too: the notice empties it, and more is likely to wait.
    auto takeIn = [&] {
      int32_t held = d.InBuffUsed();
      d.ExtractData();
      return d.InBuffUsed() > held;
    };
    busy = takeIn();
    // What keeps coming is taken in while there is room, and announced in one notice.
    for (int i = 0; busy && i < 8 && !d.DBufFull() && takeIn(); ++i) {
    }
    if (busy) lastInput = Clock::now();
    if (d.Kill_) break;
    d.RacePoint(TLinkRacePoint::DispBeforeDataLock);
    d.ProcessIdleRound();  // announces what came in, then timers and status
    if (d.Kill_ || d.ClosePending()) break;
    // A line that failed is told once, after what came in before was offered.
    d.TellLineFailure();
    if (d.Kill_ || d.ClosePending()) break;
  }
}

void TLinkThreadedDispatcher::TellLineFailure() {
  if (LineLost_ || Kill_ || ClosePending() || NotifyBusy()) return;
  int32_t code = LineFailure();
  if (code == 0) return;
  LineLost_ = true;
  SendNotify(LinkMsgLineLost, uint32_t(-code), 0);
}

int32_t TLinkThreadedDispatcher::LineFailure() const {
  if (int32_t code = LineFailure_) return code;
  uint32_t error = DeviceError_;
  return ClassifyDeviceError(error) == TLinkDeviceError::Gone ? LinkErrorFromSystem(error) : 0;
}

void TLinkThreadedDispatcher::ReportLineFailure(int32_t code) {
  int32_t none = 0;
  LineFailure_.compare_exchange_strong(none, code < 0 ? code : ecGeneralFailure);
}

void TLinkThreadedDispatcher::ThreadFailed(TLinkThreadKind kind, std::exception_ptr error) {
  int32_t code = XlatException(error);
  ReportLineFailure(code == ecUnknownFailure ? ecGeneralFailure : code);
  Started(kind);  // one that failed at once does not hold up the start
  if (kind != TLinkThreadKind::Disp) return;  // the dispatcher thread tells it at its next round
  // The dispatcher thread itself is going: it tells of the failure on its way out.
  try {
    TellLineFailure();
  } catch (...) {
    // A handler failed again; the port hears nothing more from this line.
  }
}

void TOutThread::Execute() {
  TLinkThreadedDispatcher& d = Dispatcher;
  d.Started(TLinkThreadKind::Out);
  for (;;) {
    bool flush;
    {
      std::unique_lock l(d.EventLock_);
      d.OutSignal_.wait(l, [&] {
        return d.Kill_ || (d.FlushAsked_ && !d.FlushAcked_) || (d.OutputWaiting_ && !d.FlushAsked_);
      });
      if (d.Kill_) break;
      flush = d.FlushAsked_;
      if (!flush) d.OutputWaiting_ = false;
    }
    if (flush)
      d.Signal([&] { d.FlushAcked_ = true; });  // not writing: the flusher may empty the ring
    else
      d.OutThreadWriteLoop();
    if (d.Kill_ || d.ClosePending()) break;
  }
}

// ---- Hand-offs ---------------------------------------------------------------------------------

void TLinkThreadedDispatcher::Signal(const std::function<void()>& change) {
  {
    std::lock_guard l(EventLock_);
    change();
  }
  EventSignal_.notify_all();
  OutSignal_.notify_all();
}

void TLinkThreadedDispatcher::Started(TLinkThreadKind kind) {
  Signal([&] { Started_[int(kind)] = true; });
}

// ---- The dispatcher -----------------------------------------------------------------------------

TLinkThreadedDispatcher::TLinkThreadedDispatcher(void* owner) : TLinkBaseDispatcher(owner) {}

TLinkThreadedDispatcher::~TLinkThreadedDispatcher() {
  // Normally ended by the layer already; nothing of the device can be reached here.
  Signal([&] { Kill_ = true; });
  for (auto& t : Threads_) t.reset();
}

bool TLinkThreadedDispatcher::OnDispatcherThread() const { return tDispatcher == this; }

int TLinkThreadedDispatcher::ThreadPriority(TLinkThreadKind kind) const {
  int extra = kind == TLinkThreadKind::Out && RS485Mode ? 1 : 0;
  return ThreadBoost + extra;
}

void TLinkThreadedDispatcher::SetThreadBoost(uint8_t boost) { ThreadBoost = boost; }

void TLinkThreadedDispatcher::StartDispatcher() {
  std::lock_guard l(DataSection);
  if (Active) throw std::runtime_error("Dispatcher already started");
  for (auto& t : Threads_) t.reset();  // joined already (a stop ran)
  Active = true;
  Kill_ = false;
  LineLost_ = false;
  DeviceError_ = 0;
  TornDown_ = false;
  auto start = [&](TLinkDispatcherThread* t) {
    int k = int(t->Kind());
    {
      std::lock_guard e(EventLock_);
      Running_[k] = true;
      Started_[k] = false;
    }
    Threads_[k].reset(t);
    t->Start();
    // A thread that does not say it started in time does not stop the start.
    std::unique_lock e(EventLock_);
    EventSignal_.wait_for(e, std::chrono::milliseconds(kStartWaitMs), [&] { return Started_[k]; });
  };
  start(new TComThread(*this));
  start(new TDispThread(*this));
  start(new TOutThread(*this));
}

void TLinkThreadedDispatcher::RequestStop() {
  Signal([&] { Kill_ = true; });
  DeviceCancelWrite(true);
  DeviceCancelWait();
}

bool TLinkThreadedDispatcher::WaitUntilGone(TLinkThreadKind kind, uint32_t boundMs) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(boundMs);
  for (;;) {
    // The dispatcher thread may be waiting for this thread to take a notification.
    ServeWhileWaiting();
    std::unique_lock l(EventLock_);
    if (EventSignal_.wait_for(l, std::chrono::milliseconds(kServeEveryMs), [&] { return !Running_[int(kind)]; }))
      return true;
    if (std::chrono::steady_clock::now() > end) return false;
  }
}

// No lock is held while the threads are waited for: each of them may need any lock on
// its way out. A thread is joined only once it has said it is gone; one that is still
// running after the bound (a driver that does not give up its wait) is joined all the
// same, since everything it uses is freed after the join.
void TLinkThreadedDispatcher::JoinThreads(bool withDispatcherThread) {
  for (TLinkThreadKind kind : {TLinkThreadKind::Out, TLinkThreadKind::Com, TLinkThreadKind::Disp}) {
    if (kind == TLinkThreadKind::Disp && !withDispatcherThread) continue;
    auto& t = Threads_[int(kind)];
    if (!t) continue;
    RacePoint(TLinkRacePoint::Joining);
    WaitUntilGone(kind, kStopWaitMs);
    t->Join();
  }
}

void TLinkThreadedDispatcher::StopDispatcher() {
  {
    std::lock_guard l(DataSection);
    if (!Active) return;
  }
  RequestStop();
  RacePoint(TLinkRacePoint::StopWaiting);
  if (OnDispatcherThread()) return;  // the owner joins them later
  JoinThreads(true);
  std::lock_guard l(DataSection);
  Active = false;
}

void TLinkThreadedDispatcher::ThreadGone(TLinkDispatcherThread* thread) {
  RacePoint(TLinkRacePoint::ThreadEnding);
  --ActiveThreads;
  {
    std::lock_guard l(EventLock_);
    Running_[int(thread->Kind())] = false;
  }
  EventSignal_.notify_all();  // the last use of the dispatcher by this thread
}

// The teardown runs once, on a thread that is not one of the dispatcher's: there it only
// tells the threads to end, and the owner's later teardown (at the latest when it frees
// the dispatcher) joins them.
void TLinkThreadedDispatcher::DonePortPrim() {
  if (OnDispatcherThread()) {
    RequestStop();
    return;
  }
  if (TornDown_.exchange(true)) return;
  StopDispatcher();
  DeviceClose();
  FreeRings();
}

// Pending I/O is cancelled and the threads joined before the device is closed. While the
// dispatcher thread is inside a notification (it may be waiting for the very handler that
// closes) or is the caller, it cannot be joined: the device then stays open until the
// teardown, and only the other two threads are joined now.
int32_t TLinkThreadedDispatcher::CloseCom() {
  RequestStop();
  if (OnDispatcherThread() || NotifyBusy()) {
    JoinThreads(false);
    return 0;
  }
  StopDispatcher();
  DeviceClose();
  return 0;
}

// ---- Output ---------------------------------------------------------------------------------------

int32_t TLinkThreadedDispatcher::WriteCom(const uint8_t* buf, int32_t size) {
  if (size <= 0) return 0;
  {
    std::lock_guard o(OutputSection);
    if (!OutputRingPut(buf, uint32_t(size))) return ecOutputBufferTooSmall;
  }
  Signal([&] { OutputWaiting_ = true; });
  return size;
}

int32_t TLinkThreadedDispatcher::GetComError(TLinkComStat& stat) {
  int32_t bits = DeviceStatus(stat);
  if (bits < 0) {
    DeviceError_ = uint32_t(-bits);
    stat = {};  // nothing can be read from a device that does not answer
  }
  stat.cbOutQue = OutputRingUsed();
  return bits < 0 ? 0 : bits;
}

int32_t TLinkThreadedDispatcher::FlushCom(int32_t queue) {
  if (queue == 0) {
    bool running;
    {
      std::lock_guard l(EventLock_);
      running = Running_[int(TLinkThreadKind::Out)];
    }
    // The output thread acknowledges only when it is not writing (a write in progress
    // is cancelled); it writes nothing more until the ring has been emptied.
    if (running) {
      Signal([&] {
        FlushAsked_ = true;
        FlushAcked_ = false;
      });
      DeviceCancelWrite(true);
      std::unique_lock l(EventLock_);
      EventSignal_.wait(l, [&] { return FlushAcked_ || !Running_[int(TLinkThreadKind::Out)]; });
    }
    int32_t rc;
    {
      std::lock_guard o(OutputSection);
      OBufHead = OBufTail = 0;
      OBufFull = false;
      rc = DevicePurge(true);
    }
    if (running) {
      DeviceCancelWrite(false);
      Signal([&] { FlushAsked_ = FlushAcked_ = false; });
    }
    return rc;
  }
  return DevicePurge(false);
}

bool TLinkThreadedDispatcher::OutputPending() {
  std::lock_guard o(OutputSection);
  return OBufFull || OBufHead != OBufTail;
}

// One write per contiguous run; output that wraps around the end of the ring is first
// turned so that it starts at 0 and goes out in one write. A full ring counts as full by
// its flag (head and tail meet), also when it wraps.
void TLinkThreadedDispatcher::OutThreadWriteLoop() {
  while (OutputPending()) {
    const uint8_t* run;
    uint32_t len;
    {
      std::lock_guard o(OutputSection);
      uint32_t size = uint32_t(OBuffer.size());
      len = OutputRingUsed();
      if (OBufTail + len > size) {
        std::rotate(OBuffer.begin(), OBuffer.begin() + OBufTail, OBuffer.end());
        OBufTail = 0;
        OBufHead = len % size;
      }
      run = OBuffer.data() + OBufTail;
    }
    uint32_t written = 0;
    TLinkDeviceWrite r = DeviceWrite(run, len, written);
    if (r == TLinkDeviceWrite::Cancelled) return;  // a flush or a stop: the main loop answers
    {
      std::lock_guard o(OutputSection);
      uint32_t size = uint32_t(OBuffer.size());
      written = std::min(written, len);
      OBufTail = (OBufTail + written) % size;
      if (written > 0) OBufFull = false;
      if (!OBufFull && OBufTail == OBufHead) OBufTail = OBufHead = 0;
    }
    if (r == TLinkDeviceWrite::Failed) {
      // What did not go out stays queued, counted as unsent, and the session ends as on a
      // failed line; the next output tries the device again.
      ReportLineFailure(ecDeviceWriteError);
      return;
    }
    RacePoint(TLinkRacePoint::RunWritten);
  }
}

TLinkDeviceError ClassifyDeviceError(uint32_t systemError) {
  switch (systemError) {
    case 0:
      return TLinkDeviceError::None;
    case 50:  // not supported
    case 87:  // invalid parameter
      return TLinkDeviceError::Unsupported;
    case 5:     // access denied: a removed USB adapter
    case 6:     // invalid handle
    case 21:    // device not ready: a hung-up pseudo-terminal
    case 22:    // bad command
    case 109:   // broken pipe
    case 1167:  // device not connected
    case 1617:  // device removed
      return TLinkDeviceError::Gone;
    default:
      return TLinkDeviceError::Other;
  }
}
