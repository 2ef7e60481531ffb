// The threads that drive a serial or telephony dispatcher, and the half of the threaded
// device layers that does not depend on the system:
//   TComThread   waits for device events and hands each one to the dispatcher thread;
//   TDispThread  turns them into buffered data and trigger notifications, and runs the
//                timers every 50 ms;
//   TOutThread   writes the output ring to the device.
// The layer below (Win32 serial, telephony, or a test's device) supplies the Device...
// operations; everything else here is portable.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "comm/core/Dispatcher.h"

enum class TLinkThreadKind : uint8_t { Com, Disp, Out };

// Points where the threads of a dispatcher meet; a test's device can hold a thread there.
enum class TLinkRacePoint : uint8_t {
  DispBeforeDataLock,   // the dispatcher thread is about to check the triggers
  ThreadEnding,         // a thread is finishing, about to say it is gone
  StopWaiting,          // StopDispatcher is about to wait for the threads
  Joining,              // a thread is about to be joined
  Destroying,           // the dispatcher's destructor has started
  RunWritten,           // the output thread wrote a run and is about to pick the next
};

// What a wait for a device event came to.
struct TLinkDeviceWait {
  enum Kind : uint8_t { Event, FailedAtOnce, Failed } Result = Event;
  uint32_t Error = 0;  // the system's error number when it failed
};

// What a device write came to; Written counts the bytes that went out either way.
enum class TLinkDeviceWrite : uint8_t { Done, Cancelled, Failed };

class TLinkThreadedDispatcher;

// Base of the three threads. The dispatcher owns them and joins each one before it lets
// go of anything a thread uses.
class TLinkDispatcherThread {
 public:
  TLinkDispatcherThread(TLinkThreadedDispatcher& dispatcher, TLinkThreadKind kind);
  virtual ~TLinkDispatcherThread();  // joins
  TLinkDispatcherThread(const TLinkDispatcherThread&) = delete;
  TLinkDispatcherThread& operator=(const TLinkDispatcherThread&) = delete;
  void Start();
  void Join();
  TLinkThreadKind Kind() const { return Kind_; }

 protected:
  virtual void Execute() = 0;
  TLinkThreadedDispatcher& Dispatcher;

 private:
  TLinkThreadKind Kind_;
  std::thread Thread_;
};

class TComThread final : public TLinkDispatcherThread {
 public:
  explicit TComThread(TLinkThreadedDispatcher& d) : TLinkDispatcherThread(d, TLinkThreadKind::Com) {}
 protected:
  void Execute() override;
};

class TDispThread final : public TLinkDispatcherThread {
 public:
  explicit TDispThread(TLinkThreadedDispatcher& d) : TLinkDispatcherThread(d, TLinkThreadKind::Disp) {}
 protected:
  void Execute() override;
};

class TOutThread final : public TLinkDispatcherThread {
 public:
  explicit TOutThread(TLinkThreadedDispatcher& d) : TLinkDispatcherThread(d, TLinkThreadKind::Out) {}
 protected:
  void Execute() override;
};

class TLinkThreadedDispatcher : public TLinkBaseDispatcher {
 public:
  static constexpr uint32_t kStartWaitMs = 3000;
  static constexpr uint32_t kTickMs = 50;
  // For this long after input came the dispatcher thread looks for more every millisecond.
  static constexpr uint32_t kStreamMs = 100;
  // How long a stop waits for each thread, serving the callers of this thread meanwhile.
  static constexpr uint32_t kStopWaitMs = 10000;
  static constexpr uint32_t kServeEveryMs = 10;
  // Device events the com thread asks for.
  static constexpr uint32_t kMaskNT = evRxChar | evCts | evDsr | evRlsd | evBreak | evErr | evRing;
  static constexpr uint32_t kMaskOther = kMaskNT | evRingOther;
  static constexpr uint32_t kModemEvents = evCts | evDsr | evRlsd | evRing;

  explicit TLinkThreadedDispatcher(void* owner = nullptr);
  // A layer's destructor must end the threads first (DonePortPrim): they call its device
  // operations.
  ~TLinkThreadedDispatcher() override;

  int32_t FlushCom(int32_t queue) override;
  int32_t GetComError(TLinkComStat& stat) override;
  uint32_t GetComEventMask(int32_t) override { return 0; }
  int32_t WriteCom(const uint8_t* buf, int32_t size) override;
  void DonePortPrim() override;
  void StartDispatcher() override;
  void StopDispatcher() override;
  int32_t CloseCom() override;
  void ProcessCommunications() override { std::this_thread::yield(); }
  void SetThreadBoost(uint8_t boost) override;
  bool StopRequested() const override { return Kill_; }

  // A thread's priority over normal: 0 to 3.
  int ThreadPriority(TLinkThreadKind kind) const;
  int ActiveThreadCount() const { return ActiveThreads.load(); }
  // The line failure was told (LinkMsgLineLost).
  bool LineLost() const { return LineLost_; }
  // Why the line failed: the first failure reported (a write, a thread's error), else a
  // device that went away as minus its system error; 0 while the line works.
  int32_t LineFailure() const;
  // True on one of this dispatcher's threads.
  bool OnDispatcherThread() const;

 protected:
  // ---- The device under the threads -------------------------------------------------------
  // ClearCommError: the line-error bits with the queue counts and hold flags, or minus the
  // system's error number when the device could not be asked.
  virtual int32_t DeviceStatus(TLinkComStat& stat) = 0;
  virtual uint32_t DeviceSetMask(uint32_t mask) = 0;  // 0, or the system's error number
  // Waits for the next event of the mask; DeviceCancelWait ends the wait.
  virtual TLinkDeviceWait DeviceWait(uint32_t& events) = 0;
  virtual void DeviceCancelWait() = 0;
  // Writes one run and waits until it went out or DeviceCancelWrite(true) was called.
  virtual TLinkDeviceWrite DeviceWrite(const uint8_t* buf, uint32_t len, uint32_t& written) = 0;
  virtual void DeviceCancelWrite(bool cancel) = 0;
  virtual int32_t DevicePurge(bool output) = 0;  // 0, or minus the system's error number
  virtual void DevicePrepare() {}                // at the com thread's start (read time-outs)
  // Closes the device and its events, after every thread has ended; once closed, does
  // nothing.
  virtual void DeviceClose() = 0;

  // A device operation failed with this system error (a read, for instance): a device
  // that went away is told as a lost line.
  void DeviceFailed(uint32_t systemError) { DeviceError_ = systemError; }
  // The line failed (a library code); the first failure is the one told.
  void ReportLineFailure(int32_t code);

  // ---- Hooks ------------------------------------------------------------------------------
  virtual void ThreadStarted(TLinkThreadKind) {}
  // On the thread itself, once its work is over (also after an error): what it still has
  // in flight with the device is taken back here.
  virtual void ThreadEnding(TLinkThreadKind) {}
  // Called while this thread waits for the threads to end: the Win32 layer lets messages
  // sent to this thread's windows through (a notification may be on its way).
  virtual void ServeWhileWaiting() {}
  // A concurrency test's device may hold a thread at these points.
  virtual void RacePoint(TLinkRacePoint) {}

 private:
  friend class TLinkDispatcherThread;
  friend class TComThread;
  friend class TDispThread;
  friend class TOutThread;

  // Changes hand-off state under EventLock_ and wakes every waiting thread.
  void Signal(const std::function<void()>& change);
  void Started(TLinkThreadKind kind);
  void ThreadGone(TLinkDispatcherThread* thread);
  // An error that left a thread's work: the session ends as on a failed line.
  void ThreadFailed(TLinkThreadKind kind, std::exception_ptr error);
  // Tells the handlers once that the line failed (on the dispatcher thread).
  void TellLineFailure();
  bool OutputPending();
  void OutThreadWriteLoop();
  void RequestStop();  // tells every thread to end, cancels the device's waits and writes
  void JoinThreads(bool withDispatcherThread);
  // Waits for the thread to say it is gone (false when it still runs after boundMs).
  bool WaitUntilGone(TLinkThreadKind kind, uint32_t boundMs);

  // Hand-offs between the threads, each for one purpose, under EventLock_.
  std::mutex EventLock_;
  std::condition_variable EventSignal_;
  // The output thread waits on a signal of its own, which the device-event hand-off
  // between the com and dispatcher threads does not wake.
  std::condition_variable OutSignal_;
  bool EventWaiting_ = false;   // com -> dispatcher thread: CurrentEvent holds a device event
  bool OutputWaiting_ = false;  // writers -> output thread
  bool FlushAsked_ = false;     // flusher -> output thread
  bool FlushAcked_ = false;     // output thread -> flusher: not writing, nor will it until the flush ends
  bool Started_[3] = {};

  std::unique_ptr<TLinkDispatcherThread> Threads_[3];  // by TLinkThreadKind
  bool Running_[3] = {};  // under EventLock_: started and not yet gone
  std::atomic<int> ActiveThreads{0};
  std::atomic<bool> Kill_{false};
  std::atomic<bool> TornDown_{false};   // the port's teardown ran
  std::atomic<uint32_t> DeviceError_{0};  // the last error of a status query or an event wait
  std::atomic<int32_t> LineFailure_{0};
  std::atomic<bool> LineLost_{false};
};

// Device errors as the system numbers them, in the classes the threads act on.
enum class TLinkDeviceError : uint8_t { None, Unsupported, Gone, Other };
TLinkDeviceError ClassifyDeviceError(uint32_t systemError);
