// Several components receiving the application's and the screen's events at once, and
// the application's window as they see it.
#include <gtest/gtest.h>
#include <windows.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "controls/AppEvent.h"
#include "framework/FormBuilder.h"
#include "framework/Screen.h"

namespace {

using Log = std::vector<std::string>;

class AppEvents : public ::testing::Test {
protected:
    AppEvents() {
        app.OnActivate = Screen->OnActiveFormChange = [this](TComponent*) { Note("saved"); };
    }
    ~AppEvents() override { Screen->OnActiveFormChange = nullptr; }
    // A component noting its tag; its OnHelp answers `help`.
    TAppEvents* Make(const std::string& tag, bool help = false) {
        auto* e = new TAppEvents(&app);
        e->OnActivate = e->OnActiveFormChange = [this, tag](TComponent*) { Note(tag); };
        e->OnHelp = [this, tag, help](WORD, DWORD, bool&) { return Note(tag), help; };
        return e;
    }
    void Note(const std::string& s) { log.push_back(s); }
    Log Take() { return std::exchange(log, {}); }

    Log log;  // outlives the application
    TApplication app;
};

TEST_F(AppEvents, LaterCreatedFirstAndTheSavedHandlersComeBackInEitherOrder) {
    auto activate = [this] { app.Activate(false), app.Activate(true); };
    for (bool laterFirst : {false, true}) {
        auto* a = Make("a");
        auto* b = Make("b");
        activate();
        Screen->OnActiveFormChange(nullptr);
        EXPECT_EQ(Take(), (Log{"b", "a", "saved", "b", "a", "saved"}));
        app.OnIdle = [this](TComponent*, bool&) { Note("direct"); };  // kept
        delete (laterFirst ? b : a);
        delete (laterFirst ? a : b);
        activate();
        Screen->OnActiveFormChange(nullptr);
        bool done = true;
        app.OnIdle(&app, done);
        EXPECT_EQ(Take(), (Log{"saved", "saved", "direct"})) << laterFirst;
        app.OnIdle = nullptr;
    }
}

TEST_F(AppEvents, HelpAnswersAndFailingHandlers) {
    auto* a = Make("a", true);
    auto* b = Make("b", false);
    EXPECT_TRUE(app.HelpContext(7));  // the last handler called answers
    EXPECT_EQ(Take(), (Log{"b", "a"}));
    a->OnException = [this](TComponent*, std::exception_ptr e) {
        Note("a: " + TApplication::ExceptionMessage(e));
    };
    b->OnActivate = [](TComponent*) { throw std::runtime_error("b failed"); };
    app.Activate(true);
    EXPECT_EQ(Take(), (Log{"a: b failed", "a", "saved"}));
}

TEST_F(AppEvents, MainWindowPaintsTheIconAndReportsSettings) {
    auto* main = app.CreateForm<TForm>();
    auto* e = Make("a");
    e->OnSettingsChanged = [this](TComponent*) { Note("settings"); };
    e->OnPaintIcon = [this, e](TComponent*) {
        EXPECT_EQ(e->Canvas()->Brush()->Color(), clBackground);
        e->Canvas()->FillRect(RECT{0, 0, 4, 4});
        Note("icon");
    };
    main->Show();
    Take();  // its activation
    SendMessageA(main->Handle(), WM_SETTINGCHANGE, 0, 0);
    TMessage paint{WM_PAINT, 0, 0, 0};
    EXPECT_FALSE(e->MessageHook(paint));
    ShowWindow(main->Handle(), SW_MINIMIZE);
    EXPECT_TRUE(e->MessageHook(paint));
    EXPECT_EQ(Take(), (Log{"settings", "icon"}));
    EXPECT_FALSE(e->Canvas()->HandleAllocated());  // the painting canvas is gone
}

// The mirrored settings: the component whose form was built last decides them (the main
// window turns the formats off, the capture editor built later turns them on again).
TEST_F(AppEvents, TheComponentLoadedLastDecidesTheSettings) {
    auto* main = app.CreateForm<TForm>();
    const TComponentRow events[] = {{::Make<TAppEvents>, "Events", "", 0, 0, 0, 0, "", 0, 0}};
    BuildForm(main, events);
    FindAs<TAppEvents>(main, "Events")->SetUpdateFormatSettings(false);
    EXPECT_FALSE(app.UpdateFormatSettings);
    auto* editor = app.CreateForm<TForm>();
    BuildForm(editor, events);
    EXPECT_TRUE(app.UpdateFormatSettings);
}

}  // namespace
