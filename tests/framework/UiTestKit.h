// Drives forms as a user would: keys and clicks through the application's loop, and waits
// on conditions with deadlines.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <set>
#include <string>

#include "framework/Forms.h"
#include "framework/Graphics.h"

namespace uitest {

// Runs the application's loop until `done` (true) or the deadline (false).
inline bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000) {
    DWORD start = GetTickCount();
    for (;;) {
        Application->ProcessMessages();
        if (done()) return true;
        if (GetTickCount() - start > timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

inline void Pump() {
    Application->ProcessMessages();
}

// A key pressed and released on the window with the focus (or on `target`), the modifiers
// of `shift` held meanwhile (in the keyboard state the loop and the controls read).
inline void PressKey(WORD vk, TShiftState shift = 0, HWND target = nullptr) {
    BYTE saved[256], state[256];
    GetKeyboardState(saved);
    std::memcpy(state, saved, sizeof state);
    if (shift & ssShift) state[VK_SHIFT] = state[VK_LSHIFT] = 0x80;
    if (shift & ssCtrl) state[VK_CONTROL] = state[VK_LCONTROL] = 0x80;
    if (shift & ssAlt) state[VK_MENU] = state[VK_LMENU] = 0x80;
    SetKeyboardState(state);
    bool alt = (shift & ssAlt) && !(shift & ssCtrl);
    LPARAM data =
        1 | (static_cast<LPARAM>(MapVirtualKeyA(vk, 0)) << 16) | ((shift & ssAlt) ? (1 << 29) : 0);
    PostMessageA(target ? target : GetFocus(), alt ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, data);
    Pump();
    PostMessageA(target ? target : GetFocus(), alt ? WM_SYSKEYUP : WM_KEYUP, vk,
                 data | static_cast<LPARAM>(0xC0000000u));
    Pump();
    SetKeyboardState(saved);
}

// A left click at a client point of a window, as the mouse would make it.
inline void ClickAt(HWND wnd, int x, int y) {
    LPARAM at = MAKELPARAM(x, y);
    PostMessageA(wnd, WM_MOUSEMOVE, 0, at);
    PostMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(wnd, WM_LBUTTONUP, 0, at);
    Pump();
}

// The colour of a client pixel of a window as it is painted now.
inline COLORREF PixelAt(HWND wnd, int x, int y) {
    HDC dc = GetDC(wnd);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(wnd, dc);
    return c;
}

// Clears the queue of what earlier tests left (a stray WM_QUIT above all).
inline void DrainQueue() {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    }
}

// A window as it is on the screen, into a bitmap file; `colours` tells how many colours
// a sample of its pixels holds (an empty rectangle has one or two).
inline void SaveScreenshot(HWND wnd, const std::string& path, int& colours) {
    RedrawWindow(wnd, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump();
    RECT r;
    GetWindowRect(wnd, &r);
    TBitmap shot;
    shot.SetPixelFormat(pf24bit);
    shot.SetSize(r.right - r.left, r.bottom - r.top);
    HDC screen = GetDC(nullptr);
    BitBlt(shot.Canvas()->Handle(), 0, 0, shot.Width(), shot.Height(), screen, r.left, r.top,
           SRCCOPY);
    ReleaseDC(nullptr, screen);
    std::set<uint32_t> seen;
    for (int y = 0; y < shot.Height(); y += 3) {
        auto* row = static_cast<uint8_t*>(shot.ScanLine(y));
        for (int x = 0; x < shot.Width(); x += 3)
            seen.insert(row[x * 3] | (row[x * 3 + 1] << 8) | (row[x * 3 + 2] << 16));
    }
    colours = static_cast<int>(seen.size());
    shot.SaveToFile(path);
}

}  // namespace uitest
