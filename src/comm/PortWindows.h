// The ports' hidden windows on Win32: class "lkComWindow", one window per open port, its
// procedure handing every message to the port (LinkPortWindowMessage) under the
// framework's callback guard. InitLinkLibrary installs them.
#pragma once

#include <windows.h>

#include "comm/core/CommPort.h"

class TLinkPortWindows : public ILinkPortWindows {
 public:
  TLinkWindow CreatePortWindow(TLinkCustomComPort* port) override;
  void DestroyPortWindow(TLinkWindow wnd) override;
  void PostPortMessage(TLinkWindow wnd, uint32_t msg, uint32_t wParam, int32_t lParam) override;
  void SendUserMessage(TLinkWindow wnd, uint32_t msg) override;
  ILinkNotifier* Notifier() override;
};

// A hidden, unparented window of one of the library's classes (registered on first use);
// null when it cannot be made.
HWND MakeLinkWindow(const char* className, WNDPROC proc);

inline HWND AsHwnd(TLinkWindow wnd) { return reinterpret_cast<HWND>(wnd); }
inline TLinkWindow AsLinkWindow(HWND wnd) { return reinterpret_cast<TLinkWindow>(wnd); }
