// Forms as windows: their frame, owner and place, their state, the order of their events,
// children docked to the edges and sized to their content, hints and windowless mouse
// targets.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "UiTestKit.h"
#include "framework/Buttons.h"
#include "framework/ExtCtrls.h"
#include "framework/FormBuilder.h"
#include "framework/Hints.h"
#include "framework/StdCtrls.h"
#include "framework/Timers.h"

using namespace uitest;

namespace {

class Forms : public ::testing::Test {
protected:
    void SetUp() override {
        DrainQueue();
        main = app.CreateForm<TForm>();
        main->SetBounds(100, 100, 400, 300);
        main->Show();
    }
    TApplication app;
    TForm* main = nullptr;
};

TEST_F(Forms, FrameOwnerAndPlaceFollowTheProperties) {
    auto* viewer = new TForm(&app);
    viewer->SetBorderStyle(bsToolWindow);
    viewer->SetBorderIcons(0);
    viewer->SetFormStyle(fsStayOnTop);
    viewer->SetBounds(0, 0, 200, 100);
    viewer->Position = poOwnerFormCenter;
    viewer->SetPopupParent(main);
    auto* dialog = new TForm(main);
    dialog->SetBorderStyle(bsDialog);
    dialog->SetBounds(0, 0, 240, 160);
    dialog->SetClientWidth(220);
    dialog->SetClientHeight(131);
    dialog->Position = poScreenCenter;
    int formChanges = 0;
    Screen->OnActiveFormChange = [&](TComponent*) { ++formChanges; };
    viewer->Show();
    dialog->Show();
    Screen->OnActiveFormChange = nullptr;
    EXPECT_EQ(Screen->ActiveForm(), dialog);
    EXPECT_EQ(formChanges, 2);

    LONG style = GetWindowLongA(viewer->Handle(), GWL_STYLE);
    LONG ex = GetWindowLongA(viewer->Handle(), GWL_EXSTYLE);
    EXPECT_TRUE(ex & WS_EX_TOOLWINDOW);
    EXPECT_TRUE(ex & WS_EX_TOPMOST);
    EXPECT_FALSE(style & WS_SYSMENU);
    EXPECT_EQ(GetWindow(viewer->Handle(), GW_OWNER), main->Handle());
    style = GetWindowLongA(dialog->Handle(), GWL_STYLE);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX));
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_EQ(GetWindow(dialog->Handle(), GW_OWNER), main->Handle());
    RECT client;
    GetClientRect(dialog->Handle(), &client);
    EXPECT_EQ(client.right, 220);
    EXPECT_EQ(client.bottom, 131);

    auto centre = [](HWND h) {
        RECT r;
        GetWindowRect(h, &r);
        return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    };
    POINT owner = centre(main->Handle()), over = centre(viewer->Handle());
    EXPECT_LE(std::abs(owner.x - over.x), 1);
    EXPECT_LE(std::abs(owner.y - over.y), 1);
    RECT work = Screen->WorkAreaRect();
    POINT mid = centre(dialog->Handle());
    EXPECT_LE(std::abs(mid.x - (work.left + work.right) / 2), 1);
    EXPECT_LE(std::abs(mid.y - (work.top + work.bottom) / 2), 1);
}

TEST_F(Forms, WindowStateIsShownAndReadBack) {
    auto* form = new TForm(&app);
    form->SetWindowState(wsMaximized);
    form->Show();
    EXPECT_TRUE(IsZoomed(form->Handle()));
    EXPECT_EQ(form->WindowState(), wsMaximized);
    form->SetWindowState(wsMinimized);
    EXPECT_TRUE(IsIconic(form->Handle()));
    form->SetWindowState(wsNormal);
    EXPECT_EQ(form->WindowState(), wsNormal);
}

TEST_F(Forms, EventsComeInTheirOrderOnEveryPath) {
    std::vector<std::string> log;
    auto* form = new TForm(&app);
    form->OnCreate = [&](TComponent*) { log.push_back("create"); };
    form->OnShow = [&](TComponent*) { log.push_back("show"); };
    form->OnCloseQuery = [&](TComponent*, bool&) { log.push_back("query"); };
    form->OnClose = [&](TComponent*, TCloseAction& a) {
        log.push_back("close");
        a = caFree;
    };
    form->OnDestroy = [&](TComponent*) { log.push_back("destroy"); };
    form->Show();
    form->Hide();
    form->Show();
    PostMessageA(form->Handle(), WM_CLOSE, 0, 0);  // the close box
    PumpUntil([&] { return log.back() == "destroy"; });
    EXPECT_EQ(log, (std::vector<std::string>{"create", "show", "show", "query", "close", "destroy"}));
}

const TComponentRow kDocked[] = {
    {Make<TPanel>, "Top", "", 0, 0, 10, 30, "", bfAlignTop, 0},
    {Make<TPanel>, "Status", "", 0, 0, 10, 20, "", bfAlignBottom, 0},
    {Make<TScrollBar>, "VScroll", "", 0, 0, 17, 10, "", bfAlignRight | bfVertical, 0},
    {Make<TPanel>, "Console", "", 0, 0, 10, 10, "", bfAlignClient, 0},
    {Make<TLabel>, "Caption", "Top", 4, 4, 10, 10, "x", bfAutoSize, 0},
    {Make<TImage>, "Logo", "Console", 10, 10, 5, 5, "", bfAutoSize, 0},
    {Make<TLabel>, "Fixed", "Top", 4, 4, 150, 14, "x", 0, 0},
};

TEST_F(Forms, DockedChildrenFollowTheFormAndAutoSizedOnesTheirContent) {
    BuildForm(main, kDocked);
    auto bounds = [&](const char* name) {
        TControl* c = FindAs<TControl>(main, name);
        return std::vector<int>{c->Left(), c->Top(), c->Width(), c->Height()};
    };
    main->SetClientWidth(300);
    main->SetClientHeight(200);
    EXPECT_EQ(bounds("Top"), (std::vector<int>{0, 0, 300, 30}));
    EXPECT_EQ(bounds("Status"), (std::vector<int>{0, 180, 300, 20}));
    EXPECT_EQ(bounds("VScroll"), (std::vector<int>{283, 30, 17, 150}));
    EXPECT_EQ(bounds("Console"), (std::vector<int>{0, 30, 283, 150}));
    main->SetClientWidth(360);  // as a user drags the frame
    EXPECT_EQ(bounds("Console"), (std::vector<int>{0, 30, 343, 150}));
    FindAs<TControl>(main, "Top")->Hide();
    EXPECT_EQ(bounds("Console"), (std::vector<int>{0, 0, 343, 180}));

    auto* label = FindAs<TLabel>(main, "Caption");
    int narrow = label->Width();
    label->SetCaption("a much longer caption");
    EXPECT_GT(label->Width(), narrow * 5);
    EXPECT_EQ(bounds("Fixed"), (std::vector<int>{4, 4, 150, 14})) << "a label that does not size itself";
    auto* logo = FindAs<TImage>(main, "Logo");
    logo->Picture()->Bitmap()->SetSize(48, 32);
    EXPECT_EQ(logo->Width(), 48);
    EXPECT_EQ(logo->Height(), 32);
}

TEST_F(Forms, WindowlessControlsTakeTheirMouseEventsAndHintsShowAfterThePause) {
    BuildForm(main, kDocked);
    auto* logo = FindAs<TImage>(main, "Logo");
    auto* console = FindAs<TPanel>(main, "Console");
    logo->Picture()->Bitmap()->SetSize(40, 40);
    std::vector<std::string> log;
    logo->OnMouseDown = [&](TComponent*, TMouseButton b, TShiftState s, int x, int y) {
        log.push_back("down " + std::to_string(b) + " " + std::to_string(x) + "," +
                      std::to_string(y) + ((s & ssLeft) ? " left" : ""));
    };
    logo->OnClick = [&](TComponent*) { log.push_back("click"); };
    Pump();
    PostMessageA(console->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(13, 14));
    PostMessageA(console->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(13, 14));
    Pump();
    EXPECT_EQ(log, (std::vector<std::string>{"down 0 3,4 left", "click"}));
    // Over the logo the mouse shows the logo's own cursor.
    logo->SetCursor(crHandPoint);
    POINT over = logo->ClientToScreen(POINT{5, 5});
    SetCursorPos(over.x, over.y);
    SendMessageA(console->Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(console->Handle()),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), Screen->Cursors(crHandPoint));
    Pump();  // the real pointer's move (input goes before posted messages)

    // The logo has no hint of its own: its panel's, shown because the panel shows hints.
    console->SetHint("Console|The session's screen");
    console->SetShowHint(true);
    app.HintPause = 10;
    std::vector<std::string> hints;
    app.OnHint = [&](TComponent*) { hints.push_back(app.Hint); };
    app.OnShowHint = [&](std::string& text, bool&, THintInfo& info) {
        EXPECT_EQ(info.HintControl, logo);
        text += "!";
    };
    // The mouse comes in from outside (the real pointer, moved above, may already have
    // brought the logo under it), then stops over the logo.
    PostMessageA(console->Handle(), WM_NCMOUSEMOVE, HTBORDER, 0);
    PostMessageA(console->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(15, 15));
    HWND hint = nullptr;
    ASSERT_TRUE(PumpUntil([&] {
        hint = FindWindowA("QuiroHintWindow", nullptr);
        return hint && IsWindowVisible(hint);
    }));
    char text[64] = {};
    GetWindowTextA(hint, text, sizeof text);
    EXPECT_STREQ(text, "Console!");
    EXPECT_EQ(hints, std::vector<std::string>{"The session's screen"});
    // A press hides it.
    PostMessageA(console->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(15, 15));
    PostMessageA(console->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(15, 15));
    Pump();
    EXPECT_FALSE(IsWindowVisible(hint));
}

// A modal form opened from a windowless control's click, or from its press, has the mouse
// to itself: no window still holds it for the control (its first click would go there).
TEST_F(Forms, AModalFormOpenedByAWindowlessControlHasTheMouse) {
    BuildForm(main, kDocked);
    auto* logo = FindAs<TImage>(main, "Logo");
    auto* console = FindAs<TPanel>(main, "Console");
    logo->Picture()->Bitmap()->SetSize(40, 40);
    std::vector<HWND> captured;
    auto runModal = [&] {
        TForm dialog(main);
        dialog.SetBounds(150, 150, 200, 100);
        dialog.OnShow = [&](TComponent*) {
            captured.push_back(GetCapture());
            dialog.ModalResult = mrOk;
            PostMessageA(dialog.Handle(), WM_NULL, 0, 0);
        };
        dialog.ShowModal();
    };
    logo->OnClick = [&](TComponent*) { runModal(); };
    Pump();
    PostMessageA(console->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(13, 14));
    PostMessageA(console->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(13, 14));
    Pump();
    logo->OnClick = nullptr;
    logo->OnMouseDown = [&](TComponent*, TMouseButton, TShiftState, int, int) { runModal(); };
    PostMessageA(console->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(13, 14));
    PostMessageA(console->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(13, 14));
    Pump();
    EXPECT_EQ(captured, (std::vector<HWND>{nullptr, nullptr}));
    EXPECT_EQ(GetCapture(), nullptr);
}

// A modal form is never covered by the program's stay-on-top forms, those on show when it
// opens nor those shown while it runs (which do not take the keyboard from it either); after
// it they are on top again, in the order they had.
TEST_F(Forms, StayOnTopFormsStayBelowAModalForm) {
    auto topMost = [](TForm* f) { return (GetWindowLongA(f->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; };
    auto above = [](TForm* upper, TForm* lower) {
        for (HWND h = GetWindow(upper->Handle(), GW_HWNDNEXT); h; h = GetWindow(h, GW_HWNDNEXT))
            if (h == lower->Handle()) return true;
        return false;
    };
    auto make = [&](int left) {
        auto* f = new TForm(main);
        f->SetFormStyle(fsStayOnTop);
        f->SetBounds(left, 120, 200, 150);
        return f;
    };
    TForm* early = make(120);
    TForm* late = make(200);
    early->Show();
    ASSERT_TRUE(topMost(early));
    TForm dialog(main);
    dialog.SetBounds(150, 150, 250, 150);
    TTimer timer(nullptr);
    timer.SetInterval(1);
    timer.SetOnTimer([&](TComponent*) {
        timer.SetEnabled(false);
        EXPECT_TRUE(above(&dialog, early));
        late->Show();
        EXPECT_TRUE(above(&dialog, late));
        EXPECT_EQ(GetActiveWindow(), dialog.Handle());
        dialog.ModalResult = mrOk;
    });
    dialog.ShowModal();
    EXPECT_TRUE(topMost(early));
    EXPECT_TRUE(topMost(late));
    // Among themselves they keep their order, however often another form comes to the front.
    EXPECT_TRUE(above(late, early)) << "shown last, over the other";
    for (int i = 0; i < 2; ++i) {
        main->Show();
        EXPECT_TRUE(above(late, early)) << "after the main form came to the front, time " << i + 1;
        EXPECT_TRUE(above(early, main));
    }
}

}  // namespace
