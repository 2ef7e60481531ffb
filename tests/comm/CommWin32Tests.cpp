// The library's system ties under Wine: string tables read from the program's resources,
// system messages, the SendMessageTimeout notifier and the telephony loader.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "comm/CommExcept.h"
#include "comm/StringTables.h"
#include "comm/core/CommErrors.h"

namespace {

TEST(CommWin32, StringTablesComeFromTheResources) {
  InitLinkLibrary();
  ASSERT_NE(LinkErrorStrings(), nullptr);
  EXPECT_EQ(LinkLoadStr(-3006), "Output buffer too small for block");
  EXPECT_EQ(LinkLoadStr(13928), "TAPI already open, dialing or answering");
  EXPECT_EQ(LinkLoadStr(-2011), "The ComNumber property of the TLinkComPort has not been set");
  ASSERT_NE(ReaderStrings(), nullptr);
  EXPECT_EQ(ReaderStrings()->GetString(4), "Too many open files");
}

TEST(CommWin32, MissingResourceIsReported) {
  try {
    TLinkStringResource r(GetModuleHandleA(nullptr), "NO_SUCH_TABLE");
    ADD_FAILURE();
  } catch (const ELinkStringResourceError& e) {
    EXPECT_STREQ(e.what(), "String resource not found: NO_SUCH_TABLE");
  }
  TLinkStringResource r(GetModuleHandleA(nullptr), "LINK_READER_STRINGS");
  r.ChangeResource(nullptr, "");
  EXPECT_FALSE(r.Table().IsOpen());
}

TEST(CommWin32, CodesWithoutATextUseTheSystemMessage) {
  InitLinkLibrary();
  std::string text = LinkLoadStr(87);  // no row: the system's text for error 87
  std::string direct(256, '\0');
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, 87, 0,
                           direct.data(), 255, nullptr);
  if (n == 0) GTEST_SKIP() << "no system text for 87 here";
  EXPECT_FALSE(text.empty());
  EXPECT_EQ(text.find('\r'), std::string::npos);
  EXPECT_EQ(text.find('\n'), std::string::npos);
  EXPECT_EQ(text.find("  "), std::string::npos);
}

std::atomic<bool> gRelease{false};
std::atomic<int> gCalls{0};

LRESULT CALLBACK TriggerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == LinkMsgTriggerAvail) {
    ++gCalls;
    if (wParam == 99)
      while (!gRelease) Sleep(1);  // a handler that does not return in time
    return 1;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

HWND MakeWindow() {
  static ATOM cls = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = TriggerProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "QuiroCommTestWindow";
    return RegisterClassA(&wc);
  }();
  EXPECT_NE(cls, 0);
  return CreateWindowA("QuiroCommTestWindow", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleA(nullptr), nullptr);
}

TEST(CommWin32, NotifierOutcomes) {
  TLinkWindowNotifier& n = LinkWindowNotifier();
  HWND here = MakeWindow();
  ASSERT_NE(here, nullptr);
  gCalls = 0;
  EXPECT_EQ(n.SendTriggerMessage(reinterpret_cast<TLinkWindow>(here), LinkMsgTriggerAvail, 1, 0, 3000),
            TLinkNotifyOutcome::Delivered);
  EXPECT_EQ(gCalls, 1);
  DestroyWindow(here);
  EXPECT_EQ(n.SendTriggerMessage(reinterpret_cast<TLinkWindow>(here), LinkMsgTriggerAvail, 1, 0, 3000),
            TLinkNotifyOutcome::Failed);

  // A window on another thread whose handler hangs until released.
  std::atomic<HWND> there{nullptr};
  std::atomic<DWORD> ownerId{0};
  std::thread owner([&] {
    ownerId = GetCurrentThreadId();
    there = MakeWindow();
    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) DispatchMessageA(&m);
    DestroyWindow(there);
  });
  while (!there) Sleep(1);
  gRelease = false;
  EXPECT_EQ(n.SendTriggerMessage(reinterpret_cast<TLinkWindow>(there.load()), LinkMsgTriggerAvail, 99, 0, 50),
            TLinkNotifyOutcome::TimedOut);
  gRelease = true;
  PostThreadMessageA(ownerId, WM_QUIT, 0, 0);
  owner.join();
}

TEST(CommWin32, LibraryLoader) {
  TLinkWin32LibraryLoader loader;
  EXPECT_EQ(loader.Load("NO_SUCH_LIBRARY_QUIRO"), nullptr);
  void* kernel = loader.Load("KERNEL32");
  ASSERT_NE(kernel, nullptr);
  EXPECT_NE(loader.GetProc(kernel, "GetTickCount"), nullptr);
  EXPECT_EQ(loader.GetProc(kernel, "NoSuchEntryPoint"), nullptr);
  loader.Free(kernel);
  // The system's telephony library is there (Windows and Wine both have it) and binds.
  int32_t code = 1;
  EXPECT_NE(LinkTapi().Entry(teInitialize, code), nullptr);
  EXPECT_EQ(code, 0);
}

}  // namespace
