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

}  // namespace
