// One form with one of every control, built from a table with Korean captions: every
// control is found by its name, its properties read back from the system, and the form is
// kept as screenshots (build/win32/artifacts/demo-form*.bmp) for a person to look at.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <set>
#include <string>

#include "UiTestKit.h"
#include "framework/Buttons.h"
#include "framework/ComCtrls.h"
#include "framework/ExtCtrls.h"
#include "framework/FormBuilder.h"
#include "framework/Menus.h"
#include "framework/Samples.h"
#include "framework/StdCtrls.h"

using namespace uitest;

namespace {

// Captions in code page 949.
#define K_OK "\xC8\xAE\xC0\xCE"                        // confirm
#define K_CANCEL "\xC3\xEB\xBC\xD2"                    // cancel
#define K_NAME "\xC0\xCC\xB8\xA7"                      // name
#define K_ADDRESS "\xC1\xD6\xBC\xD2"                   // address
#define K_CONNECT "\xBF\xAC\xB0\xE1"                   // connect
#define K_SETTINGS "\xBC\xB3\xC1\xA4"                  // settings
#define K_HANGUL "\xC7\xD1\xB1\xDB"                    // Hangul
#define K_FONT "\xB1\xDB\xB2\xC3"                      // font
#define K_MEMO "\xB8\xDE\xB8\xF0"                      // memo
#define K_PROGRESS "\xC1\xF8\xC7\xE0"                  // progress
#define K_TAB_ONE "\xC5\xC7\x20\xC7\xCF\xB3\xAA"       // tab one
#define K_TAB_TWO "\xC5\xC7\x20\xB5\xD1"               // tab two
#define K_COPY "\xBA\xB9\xBB\xE7"                      // copy
#define K_AUTO "\xC0\xDA\xB5\xBF\x20\xBF\xAC\xB0\xE1"  // connect automatically
#define K_PASSWORD "\xBA\xF1\xB9\xD0\xB9\xF8\xC8\xA3"  // password
#define K_GROUP "\xB1\xD7\xB7\xEC"                     // group
#define K_BOOK "\xC1\xD6\xBC\xD2\xB7\xCF"              // address book
#define K_FILE "\xC6\xC4\xC0\xCF"                      // file
#define K_VIEW "\xBA\xB8\xB1\xE2"                      // view

const TComponentRow kDemo[] = {
    {Make<TMainMenu>, "DEMO_MainMenu", "", 0, 0, 0, 0, "", 0, 0},
    {Make<TMenuItem>, "DEMO_MENU_File", "DEMO_MainMenu", 0, 0, 0, 0, K_FILE "(&F)", 0, 0},
    {Make<TMenuItem>, "DEMO_MENU_Settings", "DEMO_MENU_File", 0, 0, 0, 0, K_SETTINGS, 0, 0},
    {Make<TMenuItem>, "DEMO_MENU_View", "DEMO_MainMenu", 0, 0, 0, 0, K_VIEW "(&V)", 0, 0},
    {Make<TCoolBar>, "DEMO_CoolBar", "", 0, 0, 600, 30, "", bfAlignTop, 0},
    {Make<TPanel>, "DEMO_PANEL_Address", "DEMO_CoolBar", 0, 0, 300, 26, "", 0, 0},
    {Make<TComboBox>, "DEMO_COMBO_Address", "DEMO_PANEL_Address", 2, 2, 240, 21,
     "bbs.example.kr\ntelnet://" K_HANGUL ".example.kr:23\nphone://0123", 0, 0},
    {Make<TPanel>, "DEMO_PANEL_Menu", "DEMO_CoolBar", 0, 0, 200, 26, "", 0, 0},
    {Make<TSpeedButton>, "DEMO_SBTN_Connect", "DEMO_PANEL_Menu", 2, 2, 60, 22, K_CONNECT, 0, 0},
    {Make<TSpeedButton>, "DEMO_SBTN_Auto", "DEMO_PANEL_Menu", 64, 2, 80, 22, K_AUTO, bfFlat, 1},
    {Make<TPanel>, "DEMO_PANEL_Status", "", 0, 0, 600, 24, "", bfAlignBottom, 0},
    {Make<TLabel>, "DEMO_LB_Progress", "DEMO_PANEL_Status", 6, 5, 40, 14, K_PROGRESS, 0, 0},
    {Make<TCGauge>, "DEMO_Gauge", "DEMO_PANEL_Status", 50, 3, 160, 18, "", 0, 0},
    {Make<TScrollBar>, "DEMO_VSCR", "", 0, 0, 17, 100, "", bfAlignRight | bfVertical, 0},
    {Make<TPageControl>, "DEMO_Pages", "", 0, 0, 100, 100, "", bfAlignClient, 0},
    {Make<TTabSheet>, "DEMO_SHEET_Font", "DEMO_Pages", 0, 0, 0, 0, K_FONT, 0, 0},
    {Make<TTabSheet>, "DEMO_SHEET_Connect", "DEMO_Pages", 0, 0, 0, 0, K_CONNECT, 0, 0},
    {Make<TLabel>, "DEMO_LB_Name", "DEMO_SHEET_Font", 8, 12, 60, 14, K_NAME "(&N)", 0, 0},
    {Make<TEdit>, "DEMO_EDIT_Name", "DEMO_SHEET_Font", 72, 8, 140, 21, K_HANGUL, 0, 0},
    {Make<TLabel>, "DEMO_LB_Password", "DEMO_SHEET_Font", 8, 40, 60, 14, K_PASSWORD, 0, 0},
    {Make<TEdit>, "DEMO_EDIT_Password", "DEMO_SHEET_Font", 72, 36, 140, 21, "secret", bfPassword,
     0},
    {Make<TMemo>, "DEMO_Memo", "DEMO_SHEET_Font", 8, 64, 204, 70,
     K_MEMO " 1\n" K_MEMO " 2\nline three", 0, 0},
    {Make<TPopupMenu>, "DEMO_PMENU_Memo", "DEMO_Memo", 0, 0, 0, 0, "", 0, 0},
    {Make<TMenuItem>, "DEMO_PMENU_Copy", "DEMO_PMENU_Memo", 0, 0, 0, 0, K_COPY,
     bfShortCut(ShortCut(VK_INSERT, ssCtrl)), 0},
    {Make<TListBox>, "DEMO_LB_Hosts", "DEMO_SHEET_Font", 8, 142, 204, 66,
     K_BOOK " 1\n" K_BOOK " 2\n" K_BOOK " 3", 0, 0},
    {Make<TComboBox>, "DEMO_COMBO_Charset", "DEMO_SHEET_Font", 8, 216, 204, 21,
     "Default Charset\nHanguel (Korean)\nANSI Charset", bfDropDownList, 0},
    {Make<TGroupBox>, "DEMO_GB_Layout", "DEMO_SHEET_Font", 224, 4, 170, 92, K_GROUP, 0, 0},
    {Make<TRadioButton>, "DEMO_RB_Two", "DEMO_GB_Layout", 10, 20, 150, 17, "2 Bul-Sik", bfChecked,
     0},
    {Make<TRadioButton>, "DEMO_RB_Three", "DEMO_GB_Layout", 10, 42, 150, 17, "3 Bul-Sik", 0, 0},
    {Make<TCheckBox>, "DEMO_CB_Echo", "DEMO_GB_Layout", 10, 64, 150, 17, K_HANGUL " Echo",
     bfChecked, 0},
    {Make<TEdit>, "DEMO_EDIT_Size", "DEMO_SHEET_Font", 224, 104, 50, 21, "10", 0, 0},
    {Make<TUpDown>, "DEMO_UD_Size", "DEMO_SHEET_Font", 274, 104, 17, 21, "", bfVertical, 0},
    {Make<TCSpinButton>, "DEMO_SPIN_Size", "DEMO_SHEET_Font", 300, 102, 18, 25, "", 0, 0},
    {Make<TImage>, "DEMO_IMG_Logo", "DEMO_SHEET_Font", 330, 102, 64, 32, "", 0, 0},
    {Make<TBevel>, "DEMO_Bevel", "DEMO_SHEET_Font", 224, 140, 170, 2, "", 0, 0},
    {Make<TTabControl>, "DEMO_TAB_Group", "DEMO_SHEET_Font", 224, 148, 170, 60,
     K_TAB_ONE "\n" K_TAB_TWO, 0, 0},
    {Make<TScrollBox>, "DEMO_SCROLLBOX", "DEMO_SHEET_Font", 224, 214, 110, 40, "", 0, 0},
    {Make<TLabel>, "DEMO_LB_InBox", "DEMO_SCROLLBOX", 4, 4, 150, 14, K_ADDRESS " " K_BOOK, 0, 0},
    {Make<TScrollBar>, "DEMO_HSCR", "DEMO_SHEET_Font", 8, 244, 204, 17, "", 0, 0},
    {Make<TButton>, "DEMO_BTN_OK", "DEMO_SHEET_Font", 340, 216, 56, 24, K_OK,
     bfDefault | bfModalResult(mrOk), 0},
    {Make<TButton>, "DEMO_BTN_Cancel", "DEMO_SHEET_Font", 340, 244, 56, 24, K_CANCEL,
     bfCancel | bfModalResult(mrCancel), 0},
    {Make<TLabel>, "DEMO_LB_Second", "DEMO_SHEET_Connect", 8, 8, 200, 14, K_CONNECT " " K_SETTINGS,
     0, 0},
};

class TDemoForm : public TForm {
public:
    explicit TDemoForm(TComponent* owner) : TForm(owner) {
        SetCaption(" Quiro 2 - " K_SETTINGS);
        SetBounds(20, 20, 460, 440);
        BuildForm(this, kDemo);
        Get<TLabel>("DEMO_LB_Name")->SetFocusControl(Get<TEdit>("DEMO_EDIT_Name"));
        Get<TComboBox>("DEMO_COMBO_Address")->SetItemIndex(1);
        Get<TComboBox>("DEMO_COMBO_Charset")->SetItemIndex(1);
        Get<TListBox>("DEMO_LB_Hosts")->SetItemIndex(2);
        Get<TCGauge>("DEMO_Gauge")->SetProgress(42);
        Get<TCGauge>("DEMO_Gauge")->SetForeColor(clNavy);
        Get<TScrollBar>("DEMO_VSCR")->SetParams(30, 0, 200);
        Get<TScrollBar>("DEMO_HSCR")->SetParams(60, 0, 100);
        Get<TUpDown>("DEMO_UD_Size")->SetAssociate(Get<TEdit>("DEMO_EDIT_Size"));
        Get<TUpDown>("DEMO_UD_Size")->SetPosition(10);
        Get<TSpeedButton>("DEMO_SBTN_Auto")->SetGroupIndex(1);
        Get<TSpeedButton>("DEMO_SBTN_Auto")->AllowAllUp = true;
        Get<TSpeedButton>("DEMO_SBTN_Auto")->SetDown(true);
        Get<TScrollBox>("DEMO_SCROLLBOX")->UpdateScrollBars();
        DrawLogo(Get<TImage>("DEMO_IMG_Logo")->Picture()->Bitmap());
    }
    template <class T>
    T* Get(const char* name) {
        return FindAs<T>(this, name);
    }

private:
    static void DrawLogo(TBitmap* bitmap) {
        bitmap->SetSize(64, 32);
        TCanvas* c = bitmap->Canvas();
        c->Brush()->SetColor(clNavy);
        c->FillRect(RECT{0, 0, 64, 32});
        c->Brush()->SetColor(clYellow);
        c->FillRect(RECT{4, 4, 28, 28});
        c->Font()->SetColor(clWhite);
        c->Brush()->SetStyle(bsClear);
        c->TextOut(32, 9, "Q2");
    }
};

class DemoForm : public ::testing::Test {
protected:
    void SetUp() override {
        DrainQueue();
        form = app.CreateForm<TDemoForm>();
        form->Show();
        Pump();
    }
    HWND H(const char* name) { return form->Get<TWinControl>(name)->Handle(); }
    TApplication app;
    TDemoForm* form = nullptr;
};

std::string WindowText(HWND h) {
    char buf[256] = {};
    GetWindowTextA(h, buf, sizeof buf);
    return buf;
}

TEST_F(DemoForm, EveryControlIsFoundByNameAndReadsBackFromTheSystem) {
    for (const TComponentRow& row : kDemo) {
        TComponent* c = form->FindComponent(row.Name);
        ASSERT_NE(c, nullptr) << row.Name;
        auto* control = dynamic_cast<TControl*>(c);
        if (!control || !row.Parent[0]) continue;
        EXPECT_EQ(control->Parent()->Name(), row.Parent) << row.Name;
    }
    // (what, the system's answer equals what the control was given)
    const std::pair<const char*, std::function<bool()>> checks[] = {
        {"edit text", [&] { return WindowText(H("DEMO_EDIT_Name")) == K_HANGUL; }},
        {"password",
         [&] { return SendMessageA(H("DEMO_EDIT_Password"), EM_GETPASSWORDCHAR, 0, 0) == '*'; }},
        {"memo lines", [&] { return SendMessageA(H("DEMO_Memo"), EM_GETLINECOUNT, 0, 0) == 3; }},
        {"list item",
         [&] {
             char buf[64] = {};
             SendMessageA(H("DEMO_LB_Hosts"), LB_GETTEXT, 2, reinterpret_cast<LPARAM>(buf));
             return std::string(buf) == K_BOOK " 3" &&
                    SendMessageA(H("DEMO_LB_Hosts"), LB_GETCURSEL, 0, 0) == 2;
         }},
        {"drop-down list",
         [&] {
             return (GetWindowLongA(H("DEMO_COMBO_Charset"), GWL_STYLE) & 3) == CBS_DROPDOWNLIST &&
                    SendMessageA(H("DEMO_COMBO_Charset"), CB_GETCURSEL, 0, 0) == 1;
         }},
        {"editable combo",
         [&] {
             return WindowText(H("DEMO_COMBO_Address")) == "telnet://" K_HANGUL ".example.kr:23";
         }},
        {"radio and check",
         [&] {
             return SendMessageA(H("DEMO_RB_Two"), BM_GETCHECK, 0, 0) == BST_CHECKED &&
                    SendMessageA(H("DEMO_RB_Three"), BM_GETCHECK, 0, 0) == BST_UNCHECKED &&
                    SendMessageA(H("DEMO_CB_Echo"), BM_GETCHECK, 0, 0) == BST_CHECKED;
         }},
        {"default button",
         [&] {
             return (GetWindowLongA(H("DEMO_BTN_OK"), GWL_STYLE) & 0xF) == BS_DEFPUSHBUTTON &&
                    WindowText(H("DEMO_BTN_OK")) == K_OK;
         }},
        {"scroll bars",
         [&] {
             return SendMessageA(H("DEMO_VSCR"), SBM_GETPOS, 0, 0) == 30 &&
                    SendMessageA(H("DEMO_HSCR"), SBM_GETPOS, 0, 0) == 60;
         }},
        {"up-down and its buddy",
         [&] {
             return SendMessageA(H("DEMO_UD_Size"), UDM_GETPOS32, 0, 0) == 10 &&
                    reinterpret_cast<HWND>(SendMessageA(H("DEMO_UD_Size"), UDM_GETBUDDY, 0, 0)) ==
                        H("DEMO_EDIT_Size");
         }},
        {"tabs",
         [&] {
             return SendMessageA(H("DEMO_TAB_Group"), TCM_GETITEMCOUNT, 0, 0) == 2 &&
                    SendMessageA(H("DEMO_TAB_Group"), TCM_GETCURSEL, 0, 0) == 0;
         }},
        {"pages",
         [&] {
             return SendMessageA(H("DEMO_Pages"), TCM_GETITEMCOUNT, 0, 0) == 2 &&
                    IsWindowVisible(H("DEMO_SHEET_Font")) &&
                    !IsWindowVisible(H("DEMO_SHEET_Connect"));
         }},
        {"cool bar bands",
         [&] { return SendMessageA(H("DEMO_CoolBar"), RB_GETBANDCOUNT, 0, 0) == 2; }},
        {"menu bar",
         [&] {
             return GetMenu(form->Handle()) == form->Get<TMainMenu>("DEMO_MainMenu")->Handle();
         }},
        {"gauge", [&] { return form->Get<TCGauge>("DEMO_Gauge")->PercentDone() == 42; }},
        {"flat button down", [&] { return form->Get<TSpeedButton>("DEMO_SBTN_Auto")->Down(); }},
        {"docked",
         [&] {
             RECT client;
             GetClientRect(form->Handle(), &client);
             auto* pages = form->Get<TControl>("DEMO_Pages");
             auto* bar = form->Get<TControl>("DEMO_CoolBar");
             auto* status = form->Get<TControl>("DEMO_PANEL_Status");
             return pages->Top() == bar->Height() &&
                    pages->Top() + pages->Height() == status->Top() &&
                    status->Top() + status->Height() == client.bottom &&
                    pages->Width() + form->Get<TControl>("DEMO_VSCR")->Width() == client.right;
         }},
    };
    for (const auto& [what, ok] : checks) EXPECT_TRUE(ok()) << what;
    // The accelerator of the Korean label focuses its edit; the other page shows on a click.
    form->Get<TWinControl>("DEMO_BTN_OK")->SetFocus();
    PressKey('N', ssAlt);
    EXPECT_EQ(GetFocus(), H("DEMO_EDIT_Name"));
    auto* pages = form->Get<TPageControl>("DEMO_Pages");
    RECT tab{};
    SendMessageA(pages->Handle(), TCM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&tab));
    ClickAt(pages->Handle(), tab.left + 4, tab.top + 4);
    EXPECT_EQ(pages->ActivePage(), form->Get<TTabSheet>("DEMO_SHEET_Connect"));
    EXPECT_TRUE(IsWindowVisible(H("DEMO_SHEET_Connect")));
}

TEST_F(DemoForm, ScreenshotsAt96DotsPerInchUnderCodePage949) {
    if (GetACP() != 949) GTEST_SKIP() << "the screenshots are made under code page 949";
    ASSERT_EQ(Screen->PixelsPerInch(), 96);
    std::string dir = std::string(QUIRO_BINARY_DIR) + "/artifacts";
    CreateDirectoryA(dir.c_str(), nullptr);
    int colours = 0;
    SaveScreenshot(form->Handle(), dir + "/demo-form.bmp", colours);
    EXPECT_GT(colours, 8);  // a drawn form, not an empty rectangle
    form->Get<TPageControl>("DEMO_Pages")->SetActivePageIndex(1);
    SaveScreenshot(form->Handle(), dir + "/demo-form-page2.bmp", colours);
    EXPECT_GT(colours, 4);
    DWORD attributes = GetFileAttributesA((dir + "/demo-form.bmp").c_str());
    EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES);
}

}  // namespace
