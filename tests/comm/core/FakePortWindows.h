// Port windows without a window system: a window is a number bound to its port, a sent
// trigger message runs the port-window procedure at once (as SendMessage to a window of
// the same thread does), posted messages wait until the test pumps them.
#pragma once

#include <deque>
#include <exception>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "comm/core/CommPort.h"

namespace quiro::comm::test {

class FakePortWindows : public ILinkPortWindows, public ILinkNotifier {
 public:
  struct Posted {
    TLinkWindow Wnd;
    uint32_t Msg;
    uint32_t WParam;
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

  TLinkNotifyOutcome SendTriggerMessage(TLinkWindow wnd, uint32_t msg, uint32_t wParam, int32_t lParam,
                                        uint32_t) override {
    auto it = windows.find(wnd);
    if (it == windows.end()) return TLinkNotifyOutcome::Failed;
    Run(it->second, msg, wParam, lParam);
    // reportTimeout: the procedure ran, but the sender had stopped waiting for it.
    return reportTimeout ? TLinkNotifyOutcome::TimedOut : TLinkNotifyOutcome::Delivered;
  }

  // Runs the posted messages (and those they post) as a message loop would.
  void Pump() {
    while (!posted.empty()) {
      Posted m = posted.front();
      posted.pop_front();
      auto it = windows.find(m.Wnd);
      if (it != windows.end()) Run(it->second, m.Msg, m.WParam, m.LParam);
    }
  }

  std::map<TLinkWindow, TLinkCustomComPort*> windows;
  std::deque<Posted> posted;
  std::vector<Posted> userMessages;
  std::vector<std::string> handlerErrors;  // what the window procedures' guard caught
  bool failCreate = false;
  bool reportTimeout = false;

 private:
  // The window procedure's guard: an exception does not leave it.
  void Run(TLinkCustomComPort* port, uint32_t msg, uint32_t wParam, int32_t lParam) {
    intptr_t result;
    try {
      LinkPortWindowMessage(port, msg, wParam, lParam, result);
    } catch (const std::exception& e) {
      handlerErrors.push_back(e.what());
    }
  }

  TLinkWindow next = 100;
};

}  // namespace quiro::comm::test
