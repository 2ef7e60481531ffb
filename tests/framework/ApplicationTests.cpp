// The application's own window (the main form): hooks on its messages, minimising and
// restoring.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "framework/Forms.h"
#include "framework/Screen.h"
#include "framework/SysLocale.h"

namespace {

using Log = std::vector<std::string>;
constexpr UINT kPing = WM_APP + 7;

TEST(Application, MainWindowHooksSeeItsMessagesBeforeTheForm) {
    Log log;
    TApplication app;
    auto* main = app.CreateForm<TForm>();
    EXPECT_EQ(app.Handle(), nullptr);
    HWND h = main->Handle();
    EXPECT_EQ(app.Handle(), h);
    int a = 0, b = 0;  // the hooks' owners
    auto hook = [&](const std::string& tag, LRESULT result) {
        return [&log, tag, result](TMessage& m) {
            if (m.Msg == kPing) log.push_back(tag), m.Result = result;
            return m.Msg == kPing && result != 0;
        };
    };
    app.HookMainWindow(&a, hook("a", 0));
    app.HookMainWindow(&b, hook("b", 7));
    EXPECT_EQ(SendMessageA(h, kPing, 0, 0), 7);
    SendMessageA(app.CreateForm<TForm>()->Handle(), kPing, 0, 0);  // not the main window
    app.UnhookMainWindow(&b);
    app.HookMainWindow(&a, hook("a2", 0));  // replaces a's
    SendMessageA(h, kPing, 0, 0);
    EXPECT_EQ(log, (Log{"a", "b", "a2"}));
}

TEST(Application, MinimisingAndRestoringTheMainFormAreReportedOnce) {
    Log log;
    TApplication app;
    auto* main = app.CreateForm<TForm>();
    auto* other = app.CreateForm<TForm>();
    app.OnMinimize = [&](TComponent*) { log.push_back("min"); };
    app.OnRestore = [&](TComponent*) { log.push_back("restore"); };
    main->Show();
    other->Show();
    ShowWindow(other->Handle(), SW_MINIMIZE);
    for (int show : {SW_MINIMIZE, SW_MINIMIZE, SW_RESTORE, SW_MAXIMIZE})
        ShowWindow(main->Handle(), show);
    EXPECT_EQ(log, (Log{"min", "restore"}));
}

// A change of the system's settings reads the formats and the screen's metrics again only
// while the application is told to; Run shows the main form only when it is told to.
TEST(Application, SettingsTakeEffectWhenAsked) {
    TApplication app;
    auto* main = app.CreateForm<TForm>();
    HWND h = main->Handle();
    const TFormatSettings saved = FormatSettings();
    TFormatSettings system = saved;
    GetLocaleFormatSettings(system);
    Screen->GetMetricSettings();
    const std::string hintFont = Screen->HintFont()->Name();
    auto change = [&](bool formats, bool metrics) {
        app.UpdateFormatSettings = formats;
        app.UpdateMetricSettings = metrics;
        FormatSettings().DateSeparator = '#';
        Screen->HintFont()->SetName("Changed here");
        SendMessageA(h, WM_SETTINGCHANGE, 0, 0);
    };
    change(false, false);
    EXPECT_EQ(FormatSettings().DateSeparator, '#');
    EXPECT_EQ(Screen->HintFont()->Name(), "Changed here");
    change(true, true);
    EXPECT_EQ(FormatSettings().DateSeparator, system.DateSeparator);
    EXPECT_EQ(Screen->HintFont()->Name(), hintFont);
    FormatSettings() = saved;

    app.ShowMainForm = false;
    PostQuitMessage(0);
    app.Run();
    EXPECT_FALSE(IsWindowVisible(h));
}

}  // namespace
