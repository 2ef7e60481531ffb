// The system libraries started once by the program's entry, and stopped again.
#include <gtest/gtest.h>
#include <objbase.h>
#include <windows.h>

#include "framework/Libraries.h"
#include "framework/Screen.h"

namespace {

TEST(Libraries, StartOnceAndStopAgain) {
    StopLibraries();  // as left by earlier tests
    StartLibraries();
    StartLibraries();
    // Wine reports an NT system of version 6.
    EXPECT_EQ(RichEditVersion(), 3);
    ASSERT_TRUE(RichEditLibrary());
    WNDCLASSA wc;
    EXPECT_TRUE(GetClassInfoA(nullptr, "RichEdit20A", &wc));
    EXPECT_EQ(Screen->Cursors(crHourGlass), LoadCursorA(nullptr, MAKEINTRESOURCEA(32514)));
    // OLE was started once: a second start on the thread only counts.
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE);
    CoUninitialize();
    StopLibraries();
    StopLibraries();
    EXPECT_EQ(RichEditLibrary(), nullptr);
    // ... and is down after one stop.
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    CoUninitialize();
    StartLibraries();
}

// Text the rich edit copied stays on the clipboard after the stop (its data object lives in
// the rich edit library, which must not go before OLE has let the object go).
TEST(Libraries, StopKeepsTheRichEditsCopyOnTheClipboard) {
    StopLibraries();
    StartLibraries();
    HWND edit = CreateWindowExA(0, "RichEdit20A", "", WS_POPUP, 0, 0, 200, 50, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(edit);
    SetWindowTextA(edit, "copied before the stop");
    SendMessageA(edit, EM_SETSEL, 0, -1);
    SendMessageA(edit, WM_COPY, 0, 0);
    DestroyWindow(edit);
    StopLibraries();
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE data = GetClipboardData(CF_TEXT);
    const char* text = data ? static_cast<const char*>(GlobalLock(data)) : nullptr;
    EXPECT_STREQ(text, "copied before the stop");
    if (text) GlobalUnlock(data);
    CloseClipboard();
    StartLibraries();
}

}  // namespace
