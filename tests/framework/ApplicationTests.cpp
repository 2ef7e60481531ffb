// The application's own window (the main form): hooks on its messages, minimising and
// restoring.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "framework/Forms.h"

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

}  // namespace
