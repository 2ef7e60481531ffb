// A scripted device under TLinkBaseDispatcher, and a platform with a hand-driven clock,
// for the communications tests.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "comm/core/Dispatcher.h"
#include "comm/core/LinkUtil.h"

namespace quiro::comm::test {

// Time moves only when the test says so (or when the code sleeps); messages are a queue.
class FakePlatform : public ILinkPlatform {
 public:
  FakePlatform() { SetLinkPlatform(this); }
  ~FakePlatform() override { SetLinkPlatform(nullptr); }
  uint32_t TimeMs() override {
    uint32_t t = now;
    now += clockStep;
    return t;
  }
  void SleepMs(uint32_t ms) override { now += ms; slept += ms; }
  bool TakeMessage(TLinkQueuedMessage& msg) override {
    if (queue.empty()) return false;
    msg = queue.front();
    queue.pop_front();
    return true;
  }
  void PostQuit(uintptr_t code) override { queue.push_back({0, kLinkQuitMessage, code, 0}); }
  void DispatchQueued(const TLinkQueuedMessage& msg) override { dispatched.push_back(msg.Id); }
  bool IsWindowsNT() override { return nt; }

  void SetTicks(int32_t ticks) { now = uint32_t(ticks) * kMsPerTick; }

  uint32_t now = 0;
  uint32_t clockStep = 0;  // added per clock read, for busy waits
  uint64_t slept = 0;
  bool nt = true;
  std::deque<TLinkQueuedMessage> queue;
  std::vector<uint32_t> dispatched;
};

class FakeDevice : public TLinkBaseDispatcher {
 public:
  FakeDevice() = default;
  ~FakeDevice() override = default;

  // --- What the test scripts --------------------------------------------------------------
  void Receive(const std::string& bytes) { rx.insert(rx.end(), bytes.begin(), bytes.end()); }
  void CompleteWrites(uint32_t n) { outQueued -= std::min(n, outQueued); }

  std::deque<uint8_t> rx;        // bytes the device holds
  int readFailures = 0;          // the next ReadCom calls that fail
  uint32_t outQueued = 0;        // bytes in the device's output queue
  int writeFailures = 0;         // the next WriteCom calls that fail
  uint32_t lineErrors = 0;       // reported (and cleared) by the next GetComError
  uint32_t holdFlags = 0;        // COMSTAT hold flags
  uint8_t modemLines = 0;        // CTS/DSR/RI/DCD
  intptr_t openResult = 5;
  bool setupResult = true;
  uint32_t systemError = 0;

  // --- What the test reads back ----------------------------------------------------------------
  std::string written;
  std::vector<int32_t> escapes;
  std::vector<TLinkDCB> stateWrites;
  int eventMaskClears = 0;
  int closes = 0;
  std::vector<std::string> opened;  // device names given to OpenCom

  // --- Device operations -----------------------------------------------------------------------
  int32_t EscapeComFunction(int32_t func) override {
    escapes.push_back(func);
    return 0;
  }
  int32_t FlushCom(int32_t queue) override {
    if (queue)
      rx.clear();
    else
      outQueued = 0;
    return 0;
  }
  int32_t GetComError(TLinkComStat& stat) override {
    stat.Flags = holdFlags;
    stat.cbInQue = uint32_t(rx.size());
    stat.cbOutQue = outQueued;
    uint32_t bits = lineErrors;
    lineErrors = 0;
    return int32_t(bits);
  }
  uint32_t GetComEventMask(int32_t) override {
    ++eventMaskClears;
    return 0;
  }
  int32_t GetComState(TLinkDCB& dcb) override {
    dcb = state;
    return 0;
  }
  int32_t ReadCom(uint8_t* buf, int32_t size) override {
    if (readFailures > 0) {
      --readFailures;
      return -1;
    }
    int32_t n = 0;
    while (n < size && !rx.empty()) {
      buf[n++] = rx.front();
      rx.pop_front();
    }
    return n;
  }
  int32_t SetComState(TLinkDCB& dcb) override {
    stateWrites.push_back(dcb);
    state = dcb;
    return 0;
  }
  int32_t WriteCom(const uint8_t* buf, int32_t size) override {
    if (writeFailures > 0) {
      --writeFailures;
      return -1;
    }
    written.append(reinterpret_cast<const char*>(buf), size_t(size));
    outQueued += uint32_t(size);
    return size;
  }
  bool WaitComEvent(uint32_t&, void*) override { return true; }
  bool SetupCom(int32_t, int32_t) override { return setupResult; }
  void StartDispatcher() override { Active = true; }
  void StopDispatcher() override { Active = false; }
  intptr_t OpenCom(const char* name, int32_t, int32_t) override {
    opened.push_back(name ? name : "");
    return openResult;
  }
  int32_t CloseCom() override {
    ++closes;
    return 0;
  }
  void ProcessCommunications() override {}
  uint8_t GetCommModemStatus() override { return modemLines; }
  uint32_t LastSystemError() override { return systemError; }

  TLinkDCB state = [] {
    TLinkDCB d;
    d.BaudRate = 19200;
    return d;
  }();
};

}  // namespace quiro::comm::test
