// A shown form to put the library's controls on, and the screenshots that are kept of
// them (build/win32/artifacts/controls/NAME.bmp) for a person to look at.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>

#include "framework/Forms.h"
#include "framework/Libraries.h"
#include "framework/UiTestKit.h"

class ControlForm : public ::testing::Test {
public:
    void SetUp() override {
        uitest::DrainQueue();
        StartLibraries();  // as the program starts: the locale's formats and names above all
        form = app.CreateForm<TForm>();
        // Apart from where the other test programs put their windows (they share the
        // display; pixels are read from the screen).
        form->SetBounds(820, 640, 420, 300);
        form->SetCaption(::testing::UnitTest::GetInstance()->current_test_info()->name());
    }

    // Shows the form (after the controls are on it) and brings it to the front (other test
    // programs share the display and may have taken it).
    void ShowForm() {
        form->Show();
        ToFront();
        SetCursorPos(5, 1015);  // the real pointer out of the way, below the other windows
        uitest::Pump();
    }
    // Asks once and waits a moment (asking again and again would fight the other programs).
    void ToFront() {
        if (GetForegroundWindow() == form->Handle()) return;
        SetForegroundWindow(form->Handle());
        uitest::PumpUntil([this] { return GetForegroundWindow() == form->Handle(); }, 1000);
    }
    // Holds the left button down at a client point of `wnd` until `done` (at most
    // `timeoutMs`), runs `whileHeld`, then lets it go there. False when another program on
    // the display took the front or the mouse meanwhile: what was seen does not count, and
    // the caller tries again.
    bool HoldLeftButton(HWND wnd, POINT at, const std::function<bool()>& done,
                        const std::function<void()>& whileHeld = nullptr, DWORD timeoutMs = 3000) {
        ToFront();
        bool front = GetForegroundWindow() == form->Handle();
        // The real pointer there too: the system's own mouse moves then land on the point.
        POINT screen = at;
        ClientToScreen(wnd, &screen);
        SetCursorPos(screen.x, screen.y);
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_LBUTTON] = 0x80;
        SetKeyboardState(keys);
        PostMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
        uitest::PumpUntil([&] {
            front = front && GetForegroundWindow() == form->Handle() && GetCapture() == wnd;
            return done();
        }, timeoutMs);
        if (whileHeld) whileHeld();
        keys[VK_LBUTTON] = 0;
        SetKeyboardState(keys);
        PostMessageA(wnd, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
        uitest::Pump();
        SetCursorPos(5, 1015);
        return front;
    }
    // Keeps the form's picture; expects a drawn form, not an empty rectangle.
    void Shot(const std::string& name) {
        std::string dir = std::string(QUIRO_BINARY_DIR) + "/artifacts";
        CreateDirectoryA(dir.c_str(), nullptr);
        dir += "/controls";
        CreateDirectoryA(dir.c_str(), nullptr);
        int colours = 0;
        uitest::SaveScreenshot(form->Handle(), dir + "/" + name + ".bmp", colours);
        EXPECT_GT(colours, 4) << name;
    }

    TApplication app;
    TForm* form = nullptr;
};
