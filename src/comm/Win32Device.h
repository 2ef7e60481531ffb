// The serial and telephony device layer: a dispatcher over a Win32 communications handle,
// driven by the three dispatcher threads. TLinkWin32Dispatcher opens "\\.\COMn" itself;
// TLinkTAPI32Dispatcher takes the handle that the telephony device got for a call.
#pragma once

#include <windows.h>

#include <mutex>

#include "comm/core/DispatcherThreads.h"

class TLinkWin32Dispatcher : public TLinkThreadedDispatcher {
 public:
  // How long a read that the driver did not complete at once may take (reads ask only
  // for what the driver holds; a pseudo-terminal under Wine still leaves some pending).
  static constexpr DWORD kReadWaitMs = 200;

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
  void ServeWhileWaiting() override;

  // Makes the events of an open handle; false (everything closed) when one is missing.
  bool MakeEvents();
  void KeepError() { LastError_ = GetLastError(); }

  HANDLE Device_ = INVALID_HANDLE_VALUE;

 private:
  void ApplyPriority(TLinkThreadKind kind);

  // Manual-reset events: one per overlapped operation, and the two that cancel a wait
  // for device events and a write.
  HANDLE ReadEvent_ = nullptr, WaitEvent_ = nullptr, WriteEvent_ = nullptr;
  HANDLE CancelWait_ = nullptr, CancelWrite_ = nullptr;
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
