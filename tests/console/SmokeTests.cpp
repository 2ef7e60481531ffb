// The real program under Wine: it starts, shows its main window, and ends cleanly when the
// window is closed.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

struct Found {
    DWORD pid;
    HWND wnd;
};

BOOL CALLBACK FindTopLevel(HWND h, LPARAM lp) {
    auto* f = reinterpret_cast<Found*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if (pid == f->pid && IsWindowVisible(h) && !GetParent(h)) {
        f->wnd = h;
        return FALSE;
    }
    return TRUE;
}

// Polls for a visible top-level window of the process, up to `ms` milliseconds.
HWND WaitForMainWindow(const PROCESS_INFORMATION& pi, DWORD ms) {
    WaitForInputIdle(pi.hProcess, ms);
    DWORD start = GetTickCount();
    Found f{pi.dwProcessId, nullptr};
    while (!f.wnd && GetTickCount() - start < ms) {
        EnumWindows(&FindTopLevel, reinterpret_cast<LPARAM>(&f));
        if (!f.wnd && WaitForSingleObject(pi.hProcess, 20) == WAIT_OBJECT_0) break;
    }
    return f.wnd;
}

TEST(Program, ShowsItsWindowAndExitsCleanlyOnClose) {
    std::string exe = std::string(QUIRO_BINARY_DIR) + "/src/console/quiro.exe";
    std::string cmd = "\"" + exe + "\" telnet://127.0.0.1:1";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessA(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &si, &pi))
        << "cannot start " << exe;
    HWND wnd = WaitForMainWindow(pi, 20000);
    ASSERT_TRUE(wnd) << "no window shown";
    char title[64] = {};
    GetWindowTextA(wnd, title, sizeof title);
    EXPECT_STREQ(title, "Quiro 2");
    PostMessageA(wnd, WM_CLOSE, 0, 0);
    ASSERT_EQ(WaitForSingleObject(pi.hProcess, 20000), WAIT_OBJECT_0) << "did not exit";
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}

}  // namespace
