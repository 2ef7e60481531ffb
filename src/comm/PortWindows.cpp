#include "comm/PortWindows.h"

#include "comm/CommExcept.h"
#include "comm/core/CommErrors.h"
#include "framework/Controls.h"

namespace {

const char kPortWindowClass[] = "lkComWindow";

LRESULT CALLBACK PortWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* port = reinterpret_cast<TLinkCustomComPort*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  intptr_t result = 0;
  bool handled = false;
  GuardCallback([&] { handled = LinkPortWindowMessage(port, msg, wParam, lParam, result); });
  return handled ? LRESULT(result) : DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

HWND MakeLinkWindow(const char* className, WNDPROC proc) {
  HINSTANCE inst = GetModuleHandleA(nullptr);
  WNDCLASSA wc{};
  if (!GetClassInfoA(inst, className, &wc)) {
    wc.lpfnWndProc = proc;
    wc.hInstance = inst;
    wc.lpszClassName = className;
    if (!RegisterClassA(&wc)) return nullptr;
  }
  return CreateWindowA(className, "", 0, 0, 0, 0, 0, nullptr, nullptr, inst, nullptr);
}

TLinkWindow TLinkPortWindows::CreatePortWindow(TLinkCustomComPort* port) {
  HWND wnd = MakeLinkWindow(kPortWindowClass, &PortWindowProc);
  if (!wnd) CheckException(nullptr, ecInternal);
  SetWindowLongPtrA(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(port));
  return AsLinkWindow(wnd);
}

void TLinkPortWindows::DestroyPortWindow(TLinkWindow wnd) {
  SetWindowLongPtrA(AsHwnd(wnd), GWLP_USERDATA, 0);
  DestroyWindow(AsHwnd(wnd));
}

void TLinkPortWindows::PostPortMessage(TLinkWindow wnd, uint32_t msg, uint32_t wParam, int32_t lParam) {
  PostMessageA(AsHwnd(wnd), msg, wParam, lParam);
}

void TLinkPortWindows::SendUserMessage(TLinkWindow wnd, uint32_t msg) { SendMessageA(AsHwnd(wnd), msg, 0, 0); }

ILinkNotifier* TLinkPortWindows::Notifier() { return &LinkWindowNotifier(); }
