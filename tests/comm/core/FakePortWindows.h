// Port windows without a window system: a window is a number bound to its port, a sent
// trigger message runs the port-window procedure at once (as SendMessage to a window of
// the same thread does), posted messages wait until the test pumps them.
#pragma once

#include <cstdint>
#include <deque>
#include <exception>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "comm/core/CommPort.h"
#include "comm/core/FakeDevice.h"

namespace quiro::comm::test {

class FakePortWindows : public ILinkPortWindows, public ILinkNotifier {
 public:
  struct Posted {
    TLinkWindow Wnd;
    uint32_t Msg, WParam;
    int32_t LParam;
  };
  FakePortWindows() { SetLinkPortWindows(this); }
  ~FakePortWindows() override { SetLinkPortWindows(nullptr); }

  TLinkWindow CreatePortWindow(TLinkCustomComPort* port) override {
    if (failCreate) throw std::runtime_error("no window");
    windows[next] = port;
    return next++;
  }
  void DestroyPortWindow(TLinkWindow wnd) override { windows.erase(wnd); }
  void PostPortMessage(TLinkWindow wnd, uint32_t msg, uint32_t wParam, int32_t lParam) override {
    posted.push_back({wnd, msg, wParam, lParam});
  }
  void SendUserMessage(TLinkWindow wnd, uint32_t msg) override { userMessages.push_back({wnd, msg, 0, 0}); }
  ILinkNotifier* Notifier() override { return this; }
  // reportTimeout: the procedure ran, but the sender had stopped waiting for it. withdraw:
  // the window's thread is busy past the time-out for that many messages, which the system
  // takes back undelivered.
  TLinkNotifyOutcome SendTriggerMessage(TLinkWindow wnd, uint32_t msg, uint32_t wParam, int32_t lParam,
                                        uint32_t) override {
    if (withdraw > 0) {
      --withdraw;
      ++withdrawn;
      return windows.count(wnd) ? TLinkNotifyOutcome::TimedOut : TLinkNotifyOutcome::Failed;
    }
    if (!Run(wnd, msg, wParam, lParam)) return TLinkNotifyOutcome::Failed;
    return reportTimeout ? TLinkNotifyOutcome::TimedOut : TLinkNotifyOutcome::Delivered;
  }
  // Runs the posted messages (and those they post) as a message loop would, at most limit.
  void Pump(size_t limit = SIZE_MAX) {
    for (; !posted.empty() && limit > 0; posted.pop_front(), --limit) {
      Posted m = posted.front();
      Run(m.Wnd, m.Msg, m.WParam, m.LParam);
    }
  }

  std::map<TLinkWindow, TLinkCustomComPort*> windows;
  std::deque<Posted> posted;
  std::vector<Posted> userMessages;
  std::vector<std::string> handlerErrors;  // what the window procedures' guard caught
  bool failCreate = false, reportTimeout = false;
  int withdraw = 0, withdrawn = 0;

 private:
  // The window procedure with its guard: no exception leaves it.
  bool Run(TLinkWindow wnd, uint32_t msg, uint32_t wParam, int32_t lParam) {
    auto it = windows.find(wnd);
    if (it == windows.end()) return false;
    intptr_t result;
    try {
      LinkPortWindowMessage(it->second, msg, wParam, lParam, result);
    } catch (const std::exception& e) {
      handlerErrors.push_back(e.what());
    }
    return true;
  }

  TLinkWindow next = 100;
};

// A port of type Port over a FakeDevice, with the windows above and a hand-driven clock.
template <class Port>
struct PortRig {
  PortRig() {
    port.SetComNumber(1);
    port.CustomDispatcher = [this](TLinkCustomComPort&) {
      ++made;
      return std::make_unique<FakeDevice>();
    };
  }
  FakeDevice& Dev() { return *static_cast<FakeDevice*>(port.Dispatcher()); }
  void Arrive(const std::string& bytes) {
    Dev().Receive(bytes);
    Dev().ProcessComEvent(evRxChar);
  }
  std::string Take(uint16_t n) {
    std::string s(n, '\0');
    port.GetBlock(s.data(), n);
    return s;
  }
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) {
      platform.now += kMsPerTick;
      Dev().ProcessIdleRound();
    }
  }

  FakePlatform platform;
  FakePortWindows windows;
  int made = 0;
  // What the handlers note; declared before the port, which may call them until it goes.
  std::vector<std::string> seen;
  int count = 0;
  Port port;
};

}  // namespace quiro::comm::test
