// Keys as a user types them into a form: the tab order with OnEnter/OnExit along the
// parents, Enter and Esc for the default and cancel buttons on every way a dialog closes,
// accelerators, menu shortcuts scoped to where the focus is, and key preview.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "UiTestKit.h"
#include "framework/Buttons.h"
#include "framework/ExtCtrls.h"
#include "framework/FormBuilder.h"
#include "framework/Menus.h"
#include "framework/StdCtrls.h"
#include "framework/Timers.h"

using namespace uitest;

namespace {

const TComponentRow kDialog[] = {
    {Make<TLabel>, "NameLabel", "", 8, 8, 60, 16, "&Name", 0, 0},
    {Make<TEdit>, "NameEdit", "", 80, 8, 120, 21, "", 0, 0},
    {Make<TPanel>, "Console", "", 8, 40, 200, 60, "", 0, 0},
    {Make<TEdit>, "InPanel", "Console", 8, 8, 100, 21, "", 0, 0},
    {Make<TCheckBox>, "Check", "", 8, 110, 100, 17, "&Check", 0, 0},
    {Make<TButton>, "OkBtn", "", 8, 140, 75, 25, "OK", bfDefault | bfModalResult(mrOk), 0},
    {Make<TButton>, "CancelBtn", "", 90, 140, 75, 25, "Cancel", bfCancel | bfModalResult(mrCancel),
     0},
    {Make<TButton>, "OtherBtn", "", 170, 140, 75, 25, "&Other", 0, 0},
    {Make<TPopupMenu>, "ConsoleMenu", "Console", 0, 0, 0, 0, "", 0, 0},
    {Make<TMenuItem>, "CopyItem", "ConsoleMenu", 0, 0, 0, 0, "Copy",
     bfShortCut(ShortCut('C', ssCtrl)), 0},
    {Make<TPopupMenu>, "FormMenu", "", 0, 0, 0, 0, "", 0, 0},
    {Make<TMenuItem>, "HiddenItem", "FormMenu", 0, 0, 0, 0, "Hidden",
     bfHidden | bfShortCut(ShortCut('H', ssAlt)), 0},
    {Make<TMenuItem>, "DisabledItem", "FormMenu", 0, 0, 0, 0, "Off",
     bfDisabled | bfShortCut(ShortCut('Q', ssAlt)), 0},
    {Make<TMainMenu>, "MainMenu", "", 0, 0, 0, 0, "", 0, 0},
    {Make<TMenuItem>, "FileMenu", "MainMenu", 0, 0, 0, 0, "&File", 0, 0},
    {Make<TMenuItem>, "RefreshItem", "FileMenu", 0, 0, 0, 0, "Refresh",
     bfShortCut(ShortCut(VK_F5, 0)), 0},
};

class DialogForm : public TForm {
public:
    explicit DialogForm(TComponent* owner) : TForm(owner) {
        SetCaption("Keys");
        SetBounds(100, 100, 300, 240);
        BuildForm(this, kDialog);
        FindAs<TLabel>(this, "NameLabel")->SetFocusControl(FindAs<TEdit>(this, "NameEdit"));
    }
    template <class T>
    T* Get(const char* name) {
        return FindAs<T>(this, name);
    }
    // The keyboard's way into the window menu, counted and not followed (its loop would
    // take the keys that come after it).
    int keyMenus = 0;
    void WndProc(TMessage& message) override {
        if (message.Msg == WM_SYSCOMMAND && (message.WParam & 0xFFF0) == SC_KEYMENU) {
            ++keyMenus;
            message.Result = 0;
            return;
        }
        TForm::WndProc(message);
    }
};

class Keyboard : public ::testing::Test {
protected:
    void SetUp() override {
        DrainQueue();
        form = app.CreateForm<DialogForm>();
    }
    // Logs every control's enter, exit and click, and the Screen's active-control changes.
    void Watch() {
        for (const char* name :
             {"NameEdit", "Console", "InPanel", "Check", "OkBtn", "CancelBtn", "OtherBtn"}) {
            auto* c = form->Get<TWinControl>(name);
            c->OnEnter = [this, name](TComponent*) { log.push_back(std::string("enter ") + name); };
            c->OnExit = [this, name](TComponent*) { log.push_back(std::string("exit ") + name); };
            c->OnClick = [this, name](TComponent*) { log.push_back(std::string("click ") + name); };
        }
        for (const char* name : {"CopyItem", "HiddenItem", "DisabledItem", "RefreshItem"})
            form->Get<TMenuItem>(name)->OnClick = [this, name](TComponent*) {
                log.push_back(std::string("menu ") + name);
            };
    }
    std::string Focused() {
        TWinControl* c = TWinControl::FindControl(GetFocus());
        return c ? c->Name() : std::string("?");
    }
    TApplication app;
    DialogForm* form = nullptr;
    std::vector<std::string> log;
};

using Log = std::vector<std::string>;

TEST_F(Keyboard, TabCyclesWithEnterAndExitAlongTheParents) {
    Watch();
    int screenChanges = 0;
    Screen->OnActiveControlChange = [&](TComponent*) { ++screenChanges; };
    form->Show();
    ASSERT_TRUE(PumpUntil([&] { return Focused() == "NameEdit"; }));
    EXPECT_EQ(form->ActiveControl(), form->Get<TEdit>("NameEdit"));
    EXPECT_EQ(Screen->ActiveForm(), form);
    log.clear();
    screenChanges = 0;

    PressKey(VK_TAB);
    EXPECT_EQ(Focused(), "InPanel");
    EXPECT_EQ(log, (Log{"exit NameEdit", "enter Console", "enter InPanel"}));
    EXPECT_EQ(Screen->ActiveControl(), form->Get<TWinControl>("InPanel"));
    EXPECT_EQ(screenChanges, 1);
    log.clear();
    PressKey(VK_TAB);
    EXPECT_EQ(log, (Log{"exit InPanel", "exit Console", "enter Check"}));
    std::vector<std::string> order;
    for (int i = 0; i < 4; ++i) {
        PressKey(VK_TAB);
        order.push_back(Focused());
    }
    EXPECT_EQ(order, (Log{"OkBtn", "CancelBtn", "OtherBtn", "NameEdit"}));
    PressKey(VK_TAB, ssShift);
    EXPECT_EQ(Focused(), "OtherBtn");

    // A new tab order, and a hidden control left out.
    form->Get<TWinControl>("OtherBtn")->SetTabOrder(0);
    form->Get<TWinControl>("Check")->Hide();
    form->Get<TWinControl>("NameEdit")->SetFocus();
    PressKey(VK_TAB, ssShift);
    EXPECT_EQ(Focused(), "OtherBtn");
    form->Get<TWinControl>("InPanel")->SetFocus();
    PressKey(VK_TAB);
    EXPECT_EQ(Focused(), "OkBtn");
    Screen->OnActiveControlChange = nullptr;
}

TEST_F(Keyboard, EnterAndEscCloseTheDialogThroughCloseQueryAndOnClose) {
    Watch();
    int queries = 0, closes = 0;
    bool allow = true;
    form->OnCloseQuery = [&](TComponent*, bool& can) {
        ++queries;
        can = allow;
    };
    form->OnClose = [&](TComponent*, TCloseAction& action) {
        ++closes;
        EXPECT_EQ(action, caHide);
    };
    // Each run: a timer types once the dialog is up.
    auto run = [&](std::function<void()> type) {
        TTimer timer(nullptr);
        timer.SetInterval(1);
        timer.SetOnTimer([&](TComponent*) {
            timer.SetEnabled(false);
            type();
        });
        return form->ShowModal();
    };
    EXPECT_EQ(run([] { PressKey(VK_RETURN); }), mrOk);
    EXPECT_EQ(run([] { PressKey(VK_ESCAPE); }), mrCancel);
    EXPECT_EQ(run([&] { SendMessageA(form->Get<TButton>("OkBtn")->Handle(), BM_CLICK, 0, 0); }),
              mrOk);
    EXPECT_EQ(run([&] { PostMessageA(form->Handle(), WM_CLOSE, 0, 0); }), mrCancel);
    EXPECT_EQ(queries, 4);
    EXPECT_EQ(closes, 4);
    EXPECT_FALSE(form->Visible());

    // Enter on a focused button presses that one, not the default; a refused close keeps
    // the dialog up until allowed.
    log.clear();
    EXPECT_EQ(run([&] {
                  form->Get<TWinControl>("OtherBtn")->SetFocus();
                  PressKey(VK_RETURN);
                  allow = false;
                  PressKey(VK_ESCAPE);
                  EXPECT_TRUE(form->Visible());
                  allow = true;
                  PressKey(VK_ESCAPE);
              }),
              mrCancel);
    EXPECT_EQ(std::count(log.begin(), log.end(), "click OtherBtn"), 1);
    EXPECT_EQ(std::count(log.begin(), log.end(), "click OkBtn"), 0);
    EXPECT_EQ(std::count(log.begin(), log.end(), "click CancelBtn"), 2);
}

// A dialog closed by flat speed buttons: Enter clicks the default one and Esc the cancel
// one, unless a focused button takes Enter or a dropped-down list takes either key.
TEST_F(Keyboard, SpeedButtonsServeAsDefaultAndCancel) {
    const TComponentRow rows[] = {
        {Make<TEdit>, "Edit", "", 8, 8, 100, 21, "", 0, 0},
        {Make<TComboBox>, "List", "", 8, 36, 100, 80, "one\ntwo", bfDropDownList, 0},
        {Make<TButton>, "Other", "", 8, 64, 75, 25, "Other", 0, 0},
        {Make<TSpeedButton>, "Ok", "", 8, 100, 75, 25, "OK", bfFlat | bfDefault, 0},
        {Make<TSpeedButton>, "Cancel", "", 90, 100, 75, 25, "Cancel", bfFlat | bfCancel, 0},
    };
    TForm* dialog = app.CreateForm<TForm>();
    dialog->SetBounds(120, 120, 260, 200);
    BuildForm(dialog, rows);
    FindAs<TSpeedButton>(dialog, "Ok")->OnClick = [&](TComponent*) { dialog->ModalResult = mrOk; };
    FindAs<TSpeedButton>(dialog, "Cancel")->OnClick = [&](TComponent*) {
        dialog->ModalResult = mrCancel;
    };
    int others = 0;
    FindAs<TButton>(dialog, "Other")->OnClick = [&](TComponent*) { ++others; };
    auto* list = FindAs<TComboBox>(dialog, "List");
    auto run = [&](const char* focus, std::function<void()> type) {
        TTimer timer(nullptr);
        timer.SetInterval(1);
        timer.SetOnTimer([&](TComponent*) {
            timer.SetEnabled(false);
            FindAs<TWinControl>(dialog, focus)->SetFocus();
            type();
            if (dialog->ModalResult == mrNone) dialog->ModalResult = mrAbort;  // still open
        });
        return dialog->ShowModal();
    };
    EXPECT_EQ(run("Edit", [] { PressKey(VK_RETURN); }), mrOk);
    EXPECT_EQ(run("Edit", [] { PressKey(VK_ESCAPE); }), mrCancel);
    EXPECT_EQ(run("Other", [&] {
                  PressKey(VK_RETURN);
                  EXPECT_TRUE(dialog->Visible());
                  PressKey(VK_ESCAPE);
              }),
              mrCancel);
    EXPECT_EQ(others, 1);
    EXPECT_EQ(run("List", [&] {
                  for (WORD key : {VK_RETURN, VK_ESCAPE}) {
                      list->SetDroppedDown(true);
                      PressKey(key);
                      EXPECT_TRUE(dialog->Visible()) << key;
                      EXPECT_FALSE(list->DroppedDown()) << key;
                  }
                  PressKey(VK_RETURN);
              }),
              mrOk);
}

TEST_F(Keyboard, AcceleratorsFocusClickAndToggle) {
    Watch();
    form->Show();
    form->Get<TWinControl>("OtherBtn")->SetFocus();
    PressKey('N', ssAlt);
    EXPECT_EQ(Focused(), "NameEdit");
    log.clear();
    PressKey('C', ssAlt);
    EXPECT_EQ(Focused(), "Check");
    EXPECT_TRUE(form->Get<TCheckBox>("Check")->Checked());
    EXPECT_EQ(log, (Log{"exit NameEdit", "enter Check", "click Check"}));
    log.clear();
    // A plain letter is an accelerator where the focused control takes no characters...
    PressKey('O');
    EXPECT_EQ(log, (Log{"click OtherBtn"}));
    // ...but typed text in an edit.
    log.clear();
    form->Get<TWinControl>("NameEdit")->SetFocus();
    log.clear();
    PressKey('O');
    EXPECT_EQ(log, Log{});
    EXPECT_EQ(form->Get<TEdit>("NameEdit")->Text(), "o");
}

TEST_F(Keyboard, ShortcutsWorkWhereTheFocusIsAndHiddenItemsStillOwnTheirs) {
    Watch();
    form->Show();
    form->Get<TWinControl>("NameEdit")->SetFocus();
    log.clear();
    PressKey('C', ssCtrl);
    PressKey('H', ssAlt);
    PressKey('Q', ssAlt);
    PressKey(VK_F5);
    EXPECT_EQ(log, (Log{"menu HiddenItem", "menu RefreshItem"}));
    log.clear();
    form->Get<TWinControl>("InPanel")->SetFocus();
    log.clear();
    PressKey('C', ssCtrl);
    EXPECT_EQ(log, (Log{"menu CopyItem"}));
    // The shortcut used up the key: the edit got no character.
    EXPECT_EQ(form->Get<TEdit>("InPanel")->Text(), "");
    // A disabled item's key goes on to the control.
    form->Get<TMenuItem>("CopyItem")->SetEnabled(false);
    log.clear();
    PressKey('C', ssCtrl);
    EXPECT_EQ(log, Log{});
}

// Alt held for a shortcut and let go: the shortcut ran, and the release is no lone Alt that
// opens the window menu (whose loop would swallow the next keys), whichever key is let go
// first; a lone Alt still opens it.
TEST_F(Keyboard, AnAltShortcutLeavesNoMenuModeBehind) {
    Watch();
    form->Show();
    form->Get<TWinControl>("NameEdit")->SetFocus();
    const LPARAM alt = 1 << 29, up = static_cast<LPARAM>(0xC0000000u);
    auto post = [](UINT msg, WPARAM vk, LPARAM data) {
        PostMessageA(GetFocus(), msg, vk, data | 1 | (MapVirtualKeyA(static_cast<UINT>(vk), 0) << 16));
        Pump();
    };
    BYTE saved[256], keys[256];
    GetKeyboardState(saved);
    for (bool altFirst : {false, true}) {
        SCOPED_TRACE(altFirst ? "Alt let go first" : "H let go first");
        log.clear();
        form->keyMenus = 0;
        std::memcpy(keys, saved, sizeof keys);
        keys[VK_MENU] = keys[VK_LMENU] = 0x80;
        SetKeyboardState(keys);
        post(WM_SYSKEYDOWN, VK_MENU, alt);
        post(WM_SYSKEYDOWN, 'H', alt);
        if (!altFirst) post(WM_SYSKEYUP, 'H', alt | up);
        SetKeyboardState(saved);
        post(WM_KEYUP, VK_MENU, up);
        if (altFirst) post(WM_KEYUP, 'H', up);
        EXPECT_EQ(log, Log{"menu HiddenItem"});
        EXPECT_EQ(form->keyMenus, 0);
    }
    form->keyMenus = 0;
    post(WM_SYSKEYDOWN, VK_MENU, alt);
    post(WM_SYSKEYUP, VK_MENU, up);
    EXPECT_EQ(form->keyMenus, 1);
}

TEST_F(Keyboard, KeyPreviewLetsTheFormSeeKeysFirst) {
    auto* edit = form->Get<TEdit>("NameEdit");
    std::vector<std::string> seen;
    form->KeyPreview = true;
    form->OnKeyDown = [&](TComponent*, WORD& key, TShiftState shift) {
        seen.push_back("form " + std::to_string(key) + (shift & ssCtrl ? "+ctrl" : ""));
        if (key == VK_F2) key = 0;  // used up
    };
    edit->OnKeyDown = [&](TComponent*, WORD& key, TShiftState shift) {
        seen.push_back("edit " + std::to_string(key) +
                       (shift == (ssCtrl | ssShift) ? "+ctrl+shift" : ""));
    };
    edit->OnKeyPress = [&](TComponent*, char& key) {
        if (key == 'x') key = 'y';
    };
    form->Show();
    edit->SetFocus();
    PressKey(VK_F2);
    PressKey(VK_F3, ssCtrl | ssShift);
    PressKey('X');
    EXPECT_EQ(seen,
              (Log{"form 113", "form 114+ctrl", "edit 114+ctrl+shift", "form 88", "edit 88"}));
    EXPECT_EQ(edit->Text(), "y");
}

}  // namespace
