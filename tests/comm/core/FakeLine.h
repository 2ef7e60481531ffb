// A line under the dispatcher's threads, made of queues: what the far end sends, what the
// port wrote, device events as the test scripts them, and holds at the points where the
// threads meet.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "comm/core/DispatcherThreads.h"

namespace quiro::comm::test {

class FakeLine : public TLinkThreadedDispatcher {
 public:
  FakeLine() = default;
  ~FakeLine() override {
    RacePoint(TLinkRacePoint::Destroying);
    DonePortPrim();  // the threads end before the line they use goes
    delete handle_;
  }

  // ---- What the test scripts -------------------------------------------------------------
  void Receive(const std::string& bytes) {
    {
      std::lock_guard l(m_);
      rx_.insert(rx_.end(), bytes.begin(), bytes.end());
      if (eventsReported_) pendingEvents_ |= evRxChar;
    }
    cv_.notify_all();
  }
  // The device reports no events (as a pseudo-terminal under Wine): waits never end.
  void ReportNoEvents() {
    std::lock_guard l(m_);
    eventsReported_ = false;
  }
  // Every wait fails at once with this error.
  void FailWaitsAtOnce(uint32_t error) {
    std::lock_guard l(m_);
    waitError_ = error;
  }
  // Waits with these mask bits fail at once with this error (as Wine does for modem events).
  void RefuseMaskBits(uint32_t bits, uint32_t error) {
    std::lock_guard l(m_);
    refusedBits_ = bits;
    refusedError_ = error;
  }
  // A wait in progress (or the next one) fails after it was pending.
  void FailNextWait(uint32_t error) {
    {
      std::lock_guard l(m_);
      failNext_ = error;
    }
    cv_.notify_all();
  }
  // Writes stay pending until ReleaseWrites or a cancel.
  void HoldWrites(bool hold) {
    {
      std::lock_guard l(m_);
      holdWrites_ = hold;
    }
    cv_.notify_all();
  }
  // The next read stops inside the device until ReleaseRead.
  void HoldNextRead() {
    std::lock_guard l(m_);
    holdRead_ = true;
  }
  void ReleaseRead() {
    {
      std::lock_guard l(m_);
      holdRead_ = false;
    }
    cv_.notify_all();
  }
  // Reads fail with this error (minus it, as the layer returns it) while input waits.
  void FailReads(uint32_t error) {
    std::lock_guard l(m_);
    readError_ = error;
  }
  // The next write puts the first `through` bytes out, then fails.
  void FailNextWrite(uint32_t through) {
    std::lock_guard l(m_);
    failWriteAfter_ = int64_t(through);
  }
  // The next device operation of that thread (event wait, read, write) throws e.
  void ThrowOnce(TLinkThreadKind thread, std::exception_ptr e) {
    {
      std::lock_guard l(m_);
      throw_[int(thread)] = e;
    }
    cv_.notify_all();
  }
  void Gone() {
    {
      std::lock_guard l(m_);
      gone_ = true;
    }
    cv_.notify_all();
  }

  // Under the line's lock.
  std::string Written() {
    std::lock_guard l(m_);
    return written_;
  }
  int Waits() {
    std::lock_guard l(m_);
    return waits_;
  }
  int StatusQueries() {
    std::lock_guard l(m_);
    return statusQueries_;
  }
  std::vector<uint32_t> Masks() {
    std::lock_guard l(m_);
    return masks_;
  }
  bool WritePending() {
    std::lock_guard l(m_);
    return writing_;
  }
  bool InRead() {
    std::lock_guard l(m_);
    return inRead_;
  }
  std::function<void(TLinkRacePoint)> onRace;

  // ---- Device operations ---------------------------------------------------------------------
  int32_t EscapeComFunction(int32_t) override { return 0; }
  int32_t GetComState(TLinkDCB& dcb) override {
    std::lock_guard l(m_);
    dcb = state_;
    return 0;
  }
  int32_t SetComState(TLinkDCB& dcb) override {
    std::lock_guard l(m_);
    state_ = dcb;
    return 0;
  }
  int32_t ReadCom(uint8_t* buf, int32_t size) override {
    std::unique_lock l(m_);
    Throw(TLinkThreadKind::Disp);
    int* handle = handle_;  // the driver holds the handle while it reads
    if (!handle) return -6;
    if (holdRead_) {
      inRead_ = true;
      cv_.notify_all();
      cv_.wait(l, [&] { return !holdRead_; });
      inRead_ = false;
    }
    if (*handle != kOpen) return -6;
    if (readError_) {
      DeviceFailed(readError_);
      return -int32_t(readError_);
    }
    int32_t n = 0;
    while (n < size && !rx_.empty()) {
      buf[n++] = rx_.front();
      rx_.pop_front();
    }
    return n;
  }
  bool WaitComEvent(uint32_t&, void*) override { return false; }
  bool SetupCom(int32_t, int32_t) override { return true; }
  intptr_t OpenCom(const char*, int32_t, int32_t) override {
    std::lock_guard l(m_);
    if (!handle_) handle_ = new int(kOpen);
    return 7;
  }

  int32_t DeviceStatus(TLinkComStat& stat) override {
    std::lock_guard l(m_);
    ++statusQueries_;
    if (gone_) return -21;
    stat = {};
    stat.cbInQue = uint32_t(rx_.size());
    return 0;
  }
  uint32_t DeviceSetMask(uint32_t mask) override {
    std::lock_guard l(m_);
    masks_.push_back(mask);
    mask_ = mask;
    return 0;
  }
  TLinkDeviceWait DeviceWait(uint32_t& events) override {
    std::unique_lock l(m_);
    ++waits_;
    cv_.notify_all();
    if (waitError_) return {TLinkDeviceWait::FailedAtOnce, waitError_};
    if (mask_ & refusedBits_) return {TLinkDeviceWait::FailedAtOnce, refusedError_};
    cv_.wait(l, [&] { return cancelWait_ || gone_ || failNext_ || pendingEvents_ != 0 || throw_[0]; });
    Throw(TLinkThreadKind::Com);
    if (cancelWait_) return {TLinkDeviceWait::Failed, 995};
    if (failNext_) return {TLinkDeviceWait::Failed, std::exchange(failNext_, 0u)};
    if (gone_) return {TLinkDeviceWait::Failed, 109};
    events = pendingEvents_ & mask_;
    pendingEvents_ = 0;
    return {};
  }
  void DeviceCancelWait() override {
    {
      std::lock_guard l(m_);
      cancelWait_ = true;
    }
    cv_.notify_all();
  }
  TLinkDeviceWrite DeviceWrite(const uint8_t* buf, uint32_t len, uint32_t& written) override {
    std::unique_lock l(m_);
    writing_ = true;
    cv_.notify_all();
    cv_.wait(l, [&] { return !holdWrites_ || cancelWrite_; });
    writing_ = false;
    cv_.notify_all();
    if (cancelWrite_) {
      written = 0;
      return TLinkDeviceWrite::Cancelled;
    }
    Throw(TLinkThreadKind::Out);
    if (failWriteAfter_ >= 0) {
      written = uint32_t(std::min<int64_t>(failWriteAfter_, len));
      failWriteAfter_ = -1;
      written_.append(reinterpret_cast<const char*>(buf), written);
      return TLinkDeviceWrite::Failed;
    }
    written_.append(reinterpret_cast<const char*>(buf), len);
    written = len;
    return TLinkDeviceWrite::Done;
  }
  void DeviceCancelWrite(bool cancel) override {
    {
      std::lock_guard l(m_);
      cancelWrite_ = cancel;
    }
    cv_.notify_all();
  }
  int32_t DevicePurge(bool output) override {
    std::lock_guard l(m_);
    if (!output) rx_.clear();
    return 0;
  }
  void DeviceClose() override {
    std::lock_guard l(m_);
    delete handle_;
    handle_ = nullptr;
  }
  void RacePoint(TLinkRacePoint p) override {
    if (onRace) onRace(p);
  }

 private:
  void Throw(TLinkThreadKind thread) {  // m_ held
    if (std::exception_ptr e = std::exchange(throw_[int(thread)], nullptr)) std::rethrow_exception(e);
  }

  static constexpr int kOpen = 1;
  std::mutex m_;
  std::condition_variable cv_;
  std::deque<uint8_t> rx_;
  uint32_t mask_ = 0, pendingEvents_ = 0;
  std::vector<uint32_t> masks_;
  bool eventsReported_ = true, cancelWait_ = false, holdWrites_ = false, cancelWrite_ = false, gone_ = false;
  uint32_t waitError_ = 0, refusedBits_ = 0, refusedError_ = 0;
  bool holdRead_ = false;
  uint32_t readError_ = 0;
  uint32_t failNext_ = 0;
  int64_t failWriteAfter_ = -1;
  std::exception_ptr throw_[3];
  std::string written_;
  int waits_ = 0, statusQueries_ = 0;
  bool writing_ = false, inRead_ = false;
  int* handle_ = nullptr;
  TLinkDCB state_ = [] {
    TLinkDCB d;
    d.BaudRate = 19200;
    return d;
  }();
};

}  // namespace quiro::comm::test
