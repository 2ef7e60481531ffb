// A shown form to put the library's controls on, and the screenshots that are kept of
// them (build/win32/artifacts/controls/NAME.bmp) for a person to look at.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "framework/Forms.h"
#include "framework/UiTestKit.h"

class ControlForm : public ::testing::Test {
public:
    void SetUp() override {
        uitest::DrainQueue();
        form = app.CreateForm<TForm>();
        form->SetBounds(40, 40, 420, 300);
        form->SetCaption(::testing::UnitTest::GetInstance()->current_test_info()->name());
    }

    // Shows the form (after the controls are on it) and brings it to the front.
    void ShowForm() {
        form->Show();
        SetForegroundWindow(form->Handle());
        uitest::Pump();
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
