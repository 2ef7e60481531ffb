#include "comm/CommExcept.h"

#include <mmsystem.h>

#include <memory>
#include <mutex>

#include "comm/PortSelect.h"
#include "comm/PortWindows.h"
#include "comm/StringTables.h"
#include "comm/Win32Device.h"
#include "comm/core/CommErrors.h"
#include "comm/core/LinkUtil.h"
#include "comm/core/StringTables.h"
#include "framework/Forms.h"

namespace {

std::string WideToAnsi(const std::u16string& text) {
  if (text.empty()) return {};
  const wchar_t* wide = reinterpret_cast<const wchar_t*>(text.data());
  int n = WideCharToMultiByte(CP_ACP, 0, wide, int(text.size()), nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(size_t(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide, int(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::string SystemMessage(uint32_t error) {
  char text[256];
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                           text, sizeof text - 1, nullptr);
  return std::string(text, n);
}

class Win32Platform final : public ILinkPlatform {
 public:
  uint32_t TimeMs() override { return timeGetTime(); }
  void SleepMs(uint32_t ms) override { Sleep(ms); }
  bool TakeMessage(TLinkQueuedMessage& msg) override {
    if (!PeekMessageA(&last_, nullptr, 0, 0, PM_REMOVE)) return false;
    msg.Window = reinterpret_cast<uintptr_t>(last_.hwnd);
    msg.Id = last_.message;
    msg.WParam = last_.wParam;
    msg.LParam = last_.lParam;
    return true;
  }
  void PostQuit(uintptr_t exitCode) override { PostQuitMessage(int(exitCode)); }
  void DispatchQueued(const TLinkQueuedMessage& msg) override {
    MSG m = last_;
    if (m.message != msg.Id || reinterpret_cast<uintptr_t>(m.hwnd) != msg.Window) {
      m = MSG{};
      m.hwnd = reinterpret_cast<HWND>(msg.Window);
      m.message = msg.Id;
      m.wParam = msg.WParam;
      m.lParam = msg.LParam;
    }
    TranslateMessage(&m);
    DispatchMessageA(&m);
  }
  bool IsWindowsNT() override { return (GetVersion() & 0x80000000u) == 0; }
  bool Terminating() override { return Application && Application->Terminated(); }
  std::string OperatingSystemText() override {
    DWORD v = GetVersion();
    std::string version = std::to_string(v & 0xFF) + "." + std::to_string((v >> 8) & 0xFF);
    return (IsWindowsNT() ? "Windows NT " : "Win32 on Windows ") + version;
  }

 private:
  static thread_local MSG last_;
};
thread_local MSG Win32Platform::last_{};

Win32Platform gPlatform;
TLinkPortWindows gPortWindows;
std::once_flag gInitOnce;
std::unique_ptr<TLinkStringResource> gErrorStrings, gReaderStrings;

std::unique_ptr<TLinkStringResource> OpenOrNull(const char* name) {
  try {
    return std::make_unique<TLinkStringResource>(GetModuleHandleA(nullptr), name);
  } catch (const ELinkStringResourceError&) {
    return nullptr;
  }
}

}  // namespace

void InitLinkLibrary() {
  std::call_once(gInitOnce, [] {
    SetLinkWideToAnsi(&WideToAnsi);
    SetLinkSystemMessageSource(&SystemMessage);
    SetLinkPlatform(&gPlatform);
    SetLinkPortWindows(&gPortWindows);
    SetLinkPortSelector([] { return SelectComPort(); });
    RegisterWin32DeviceLayer();
    gReaderStrings = OpenOrNull("LINK_READER_STRINGS");
    gErrorStrings = OpenOrNull("LINK_ERROR_STRINGS_ENGLISH");
    if (gErrorStrings) SetLinkErrorTable(&gErrorStrings->Table());
  });
}

const TLinkStringResource* LinkErrorStrings() { return gErrorStrings.get(); }
const TLinkStringResource* ReaderStrings() { return gReaderStrings.get(); }

TLinkNotifyOutcome TLinkWindowNotifier::SendTriggerMessage(TLinkWindow wnd, uint32_t msg, uint32_t wParam,
                                                           int32_t lParam, uint32_t timeoutMs) {
  DWORD_PTR result = 0;
  SetLastError(0);
  LRESULT ok = SendMessageTimeoutA(reinterpret_cast<HWND>(wnd), msg, wParam, lParam, SMTO_BLOCK, timeoutMs, &result);
  if (ok) return TLinkNotifyOutcome::Delivered;
  DWORD error = GetLastError();
  // A window that is gone cannot be running a handler; anything else may still run.
  if (error == ERROR_INVALID_WINDOW_HANDLE || !IsWindow(reinterpret_cast<HWND>(wnd))) return TLinkNotifyOutcome::Failed;
  return TLinkNotifyOutcome::TimedOut;
}

TLinkWindowNotifier& LinkWindowNotifier() {
  static TLinkWindowNotifier notifier;
  return notifier;
}

void* TLinkWin32LibraryLoader::Load(const char* name) { return reinterpret_cast<void*>(LoadLibraryA(name)); }

void* TLinkWin32LibraryLoader::GetProc(void* library, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void TLinkWin32LibraryLoader::Free(void* library) { FreeLibrary(static_cast<HMODULE>(library)); }

TLinkTapiBinding& LinkTapi() {
  static TLinkWin32LibraryLoader loader;
  static TLinkTapiBinding binding(loader);
  return binding;
}
