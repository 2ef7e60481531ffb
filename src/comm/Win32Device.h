// The serial and telephony device layer: a dispatcher over a Win32 communications handle,
// driven by the three dispatcher threads. TLinkWin32Dispatcher opens "\\.\COMn" itself;
// TLinkTAPI32Dispatcher takes the handle that the telephony device got for a call.
#pragma once

#include <windows.h>

#include <algorithm>
#include <mutex>
#include <vector>

#include "comm/core/DispatcherThreads.h"

class TLinkWin32Dispatcher : public TLinkThreadedDispatcher {
 public:
  // How long a read that the driver did not complete at once may take (reads ask only
  // for what the driver holds; a pseudo-terminal under Wine still leaves some pending).
  static constexpr DWORD kReadWaitMs = 200;
  // The largest read ahead (see ReadAhead), and the least room its queue keeps. Each read
  // costs about as much as a notice to the main thread, so a read takes up to four rings'
  // worth: with reads of one ring the line was read no faster than it was announced.
  static constexpr uint32_t kAheadRead = 32768, kAheadQueue = 65536;

  explicit TLinkWin32Dispatcher(void* owner = nullptr);
  ~TLinkWin32Dispatcher() override;

  int32_t EscapeComFunction(int32_t func) override;
  int32_t GetComState(TLinkDCB& dcb) override;
  int32_t ReadCom(uint8_t* buf, int32_t size) override;
  int32_t SetComState(TLinkDCB& dcb) override;
  bool WaitComEvent(uint32_t& mask, void* overlapped) override;
  bool SetupCom(int32_t inSize, int32_t outSize) override;
  intptr_t OpenCom(const char* name, int32_t inQueue, int32_t outQueue) override;
  uint8_t GetCommModemStatus() override;
  uint32_t LastSystemError() override { return LastError_; }
  void Synchronize(const std::function<void()>& fn) override;
  void SetThreadBoost(uint8_t boost) override;
  void SetRS485Mode(bool on) override;

  HANDLE Device() const { return Device_; }
  // The system's priority of a running thread (THREAD_PRIORITY_ERROR_RETURN when it is not).
  int RunningPriority(TLinkThreadKind kind);

 protected:
  int32_t DeviceStatus(TLinkComStat& stat) override;
  uint32_t DeviceSetMask(uint32_t mask) override;
  TLinkDeviceWait DeviceWait(uint32_t& events) override;
  void DeviceCancelWait() override;
  TLinkDeviceWrite DeviceWrite(const uint8_t* buf, uint32_t len, uint32_t& written) override;
  void DeviceCancelWrite(bool cancel) override;
  int32_t DevicePurge(bool output) override;
  void DevicePrepare() override;
  void DeviceClose() override;
  void ThreadStarted(TLinkThreadKind kind) override;
  void ThreadEnding(TLinkThreadKind kind) override;
  void ServeWhileWaiting() override;

  // Makes the events of an open handle (and empties the input read ahead); false
  // (everything closed) when one is missing.
  bool MakeEvents();
  void KeepError() { LastError_ = GetLastError(); }

  HANDLE Device_ = INVALID_HANDLE_VALUE;

 private:
  void ApplyPriority(TLinkThreadKind kind);
  // A device without modem lines that gives up its event waits by itself cannot tell
  // when input comes (a pseudo-terminal under Wine): the com thread then reads it
  // instead, with reads that wait for the first byte, into Ahead_, which stands in for
  // the driver's input queue (InQue bytes, at least kAheadQueue). ReadCom and the input
  // count take from it, so the device is read while the dispatcher thread hands on what
  // came before. A read into an empty queue is told as received input (evRxChar), with
  // the next read already under way.
  void StartReadingAhead();
  TLinkDeviceWait ReadAhead(uint32_t& events);
  // Starts the next read ahead when the queue has room for it; false when it has not.
  bool IssueAheadRead();
  // Waits for the read under way; false when the wait was cancelled (the read is taken
  // back).
  bool FinishAheadRead(DWORD& got, DWORD& error);
  void CancelAheadRead();
  uint32_t AheadUsed() const { return uint32_t(Ahead_.size() - AheadFrom_); }
  uint32_t AheadCapacity() const { return std::max<uint32_t>(uint32_t(std::max(InQue, 0)), kAheadQueue); }

  // Manual-reset events: one per overlapped operation (InputEvent_ for the read ahead),
  // and the two that cancel a wait for device events (or a read ahead) and a write;
  // TakenEvent_ (auto-reset) tells the read ahead that bytes were taken from its queue.
  HANDLE ReadEvent_ = nullptr, WaitEvent_ = nullptr, WriteEvent_ = nullptr, InputEvent_ = nullptr;
  HANDLE CancelWait_ = nullptr, CancelWrite_ = nullptr, TakenEvent_ = nullptr;
  // The read ahead, under AheadLock_ (which ReadCom also holds while it reads the device
  // itself, so that no read of its own overlaps the first read ahead).
  std::mutex AheadLock_;
  bool ReadingAhead_ = false;
  std::vector<uint8_t> Ahead_;  // bytes read ahead, from AheadFrom_ on
  size_t AheadFrom_ = 0;
  uint32_t AheadPurges_ = 0;  // input purges: a read that a purge overtook is dropped
  bool AheadTakenWanted_ = false;  // the read ahead waits for room: ReadCom tells it
  // The read under way (com thread only): issued, or done at once with its result.
  enum class TAheadRead : uint8_t { None, Pending, Done } AheadState_ = TAheadRead::None;
  OVERLAPPED AheadOv_{};
  DWORD AheadGot_ = 0, AheadError_ = 0;
  uint32_t AheadReadPurges_ = 0;
  std::vector<uint8_t> AheadRead_;
  uint32_t LastError_ = 0;
  std::mutex ThreadLock_;
  HANDLE Threads_[3] = {};  // for priority changes while they run
};

class TLinkTAPI32Dispatcher : public TLinkWin32Dispatcher {
 public:
  // Takes the handle of the call (ComHandle before the port opens, so that the port can
  // read the line settings back); the dispatcher closes it with the port.
  TLinkTAPI32Dispatcher(void* owner, HANDLE callHandle);
  // A null or invalid handle fails with -2007.
  intptr_t OpenCom(const char* name, int32_t inQueue, int32_t outQueue) override;

 private:
  HANDLE CallHandle_;
};

// Registers the layer for dlWin32 with the port component: the telephony dispatcher on the
// port's TapiCommHandle with TapiMode tmOn, else the serial one. Done by InitLinkLibrary.
void RegisterWin32DeviceLayer();
