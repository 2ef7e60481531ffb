// Menus as the system shows them: a pop-up menu recomputes its items when it opens, the
// shown states are what the items say, and a chosen item clicks.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "UiTestKit.h"
#include "framework/ExtCtrls.h"
#include "framework/GraphicControl.h"
#include "framework/FormBuilder.h"
#include "framework/Menus.h"
#include "framework/Timers.h"

using namespace uitest;

namespace {

const TComponentRow kMenus[] = {
    {Make<TPanel>, "Console", "", 0, 0, 200, 100, "", 0, 0},
    {Make<TPopupMenu>, "ConsoleMenu", "Console", 0, 0, 0, 0, "", 0, 0},
    {Make<TMenuItem>, "CopyItem", "ConsoleMenu", 0, 0, 0, 0, "&Copy",
     bfShortCut(ShortCut(VK_INSERT, ssCtrl)), 0},
    {Make<TMenuItem>, "Line", "ConsoleMenu", 0, 0, 0, 0, "-", 0, 0},
    {Make<TMenuItem>, "EchoItem", "ConsoleMenu", 0, 0, 0, 0, "Enable Local Echo", 0, 0},
    {Make<TMenuItem>, "HiddenItem", "ConsoleMenu", 0, 0, 0, 0, "Copy 2",
     bfHidden | bfShortCut(ShortCut('C', ssCtrl)), 0},
    {Make<TMenuItem>, "MoreItem", "ConsoleMenu", 0, 0, 0, 0, "More", 0, 0},
    {Make<TMenuItem>, "DeepItem", "MoreItem", 0, 0, 0, 0, "Deep", 0, 0},
    {Make<TMainMenu>, "MainMenu", "", 0, 0, 0, 0, "", 0, 0},
    {Make<TMenuItem>, "ViewMenu", "MainMenu", 0, 0, 0, 0, "&View", 0, 0},
    {Make<TMenuItem>, "BarItem", "ViewMenu", 0, 0, 0, 0, "Tool Bar", bfChecked, 0},
};

UINT StateOf(HMENU menu, TMenuItem* item) {
    MENUITEMINFOA mii{};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_STATE;
    if (!GetMenuItemInfoA(menu, item->Command(), FALSE, &mii)) return 0xFFFFFFFF;
    return mii.fState;
}

std::string TextOf(HMENU menu, TMenuItem* item) {
    char buf[128] = {};
    GetMenuStringA(menu, item->Command(), buf, sizeof buf, MF_BYCOMMAND);
    return buf;
}

class Menus : public ::testing::Test {
protected:
    void SetUp() override {
        DrainQueue();
        form = app.CreateForm<TForm>();
        form->SetBounds(60, 60, 300, 200);
        BuildForm(form, kMenus);
        menu = FindAs<TPopupMenu>(form, "ConsoleMenu");
    }
    TMenuItem* Item(const char* name) { return FindAs<TMenuItem>(form, name); }
    // While the menu is up, `inside` runs once (from a timer, in the menu's own loop).
    void WhileShown(std::function<void()> inside, std::function<void()> show) {
        TTimer timer(nullptr);
        timer.SetInterval(1);
        timer.SetOnTimer([&](TComponent*) {
            timer.SetEnabled(false);
            inside();
        });
        show();
    }
    TApplication app;
    TForm* form = nullptr;
    TPopupMenu* menu = nullptr;
};

TEST_F(Menus, PopupRecomputesTheStatesTheSystemMenuShows) {
    bool echo = false, selection = false;
    int popups = 0;
    menu->OnPopup = [&](TComponent*) {
        ++popups;
        Item("EchoItem")->SetChecked(echo);
        Item("CopyItem")->SetEnabled(selection);
    };
    form->Show();
    UINT echoState = 0, copyState = 0, hiddenState = 0;
    std::string copyText;
    int count = 0;
    auto read = [&] {
        HMENU h = menu->Handle();
        echoState = StateOf(h, Item("EchoItem"));
        copyState = StateOf(h, Item("CopyItem"));
        hiddenState = StateOf(h, Item("HiddenItem"));
        copyText = TextOf(h, Item("CopyItem"));
        count = GetMenuItemCount(h);
        EndMenu();
    };
    echo = true;
    WhileShown(read, [&] { menu->Popup(100, 100); });
    EXPECT_EQ(popups, 1);
    EXPECT_TRUE(echoState & MFS_CHECKED);
    EXPECT_TRUE(copyState & MFS_GRAYED);
    EXPECT_EQ(hiddenState, 0xFFFFFFFFu);  // not shown, yet its shortcut works
    EXPECT_EQ(copyText, "&Copy\tCtrl+Ins");
    EXPECT_EQ(count, 4);  // Copy, the line, Echo, More

    // A right click on the panel opens it again, with the new states.
    echo = false;
    selection = true;
    auto* panel = FindAs<TPanel>(form, "Console");
    WhileShown(read, [&] {
        POINT p = panel->ClientToScreen(POINT{10, 10});
        SendMessageA(panel->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(panel->Handle()),
                     MAKELPARAM(p.x, p.y));
    });
    EXPECT_EQ(popups, 2);
    EXPECT_FALSE(echoState & MFS_CHECKED);
    EXPECT_FALSE(copyState & MFS_GRAYED);
    EXPECT_EQ(menu->PopupComponent(), panel);

    // The right button let go over a windowless control that covers the panel (the
    // console's paint box) opens the panel's menu as well.
    auto* box = new TPaintBox(form);
    box->SetParent(panel);
    box->SetAlign(alClient);
    int boxUps = 0;
    box->OnMouseUp = [&](TComponent*, TMouseButton b, TShiftState, int, int) { boxUps += b == mbRight; };
    WhileShown(read, [&] {
        SendMessageA(panel->Handle(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(10, 10));
        SendMessageA(panel->Handle(), WM_RBUTTONUP, 0, MAKELPARAM(10, 10));
    });
    EXPECT_EQ(boxUps, 1);
    EXPECT_EQ(popups, 3);
}

TEST_F(Menus, AChosenItemClicks) {
    int copies = 0;
    Item("CopyItem")->OnClick = [&](TComponent*) { ++copies; };
    form->Show();
    // Typing the accelerator chooses the item.
    WhileShown([&] { PostMessageA(form->Handle(), WM_CHAR, 'c', 0); },
               [&] { menu->Popup(100, 100); });
    Pump();
    EXPECT_EQ(copies, 1);
}

TEST_F(Menus, TheMenuBarFollowsItsItems) {
    auto* bar = FindAs<TMainMenu>(form, "MainMenu");
    form->Show();
    ASSERT_EQ(GetMenu(form->Handle()), bar->Handle());
    HMENU view = GetSubMenu(bar->Handle(), 0);
    EXPECT_TRUE(StateOf(view, Item("BarItem")) & MFS_CHECKED);
    Item("BarItem")->SetChecked(false);
    Item("BarItem")->SetCaption("Status Bar");
    view = GetSubMenu(bar->Handle(), 0);
    EXPECT_FALSE(StateOf(view, Item("BarItem")) & MFS_CHECKED);
    EXPECT_EQ(TextOf(view, Item("BarItem")), "Status Bar");
    Item("BarItem")->SetVisible(false);
    EXPECT_EQ(GetMenuItemCount(GetSubMenu(bar->Handle(), 0)), 0);
    // A choice from the bar reaches the item through the form.
    int clicks = 0;
    Item("DeepItem")->OnClick = [&](TComponent*) { ++clicks; };
    SendMessageA(form->Handle(), WM_COMMAND, MAKEWPARAM(Item("DeepItem")->Command(), 0), 0);
    EXPECT_EQ(clicks, 1);
}

}  // namespace
