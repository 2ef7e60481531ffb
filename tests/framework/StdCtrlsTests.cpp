// The standard controls under real windows: which changes fire which events, items and
// text that survive a new window, long items read whole, and owner-drawn items.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>
#include <imm.h>

#include <functional>
#include <string>
#include <vector>

#include "UiTestKit.h"
#include "framework/Buttons.h"
#include "framework/ComCtrls.h"
#include "framework/ExtCtrls.h"
#include "framework/FormBuilder.h"
#include "framework/Samples.h"
#include "framework/StdCtrls.h"

using namespace uitest;

namespace {

using Log = std::vector<std::string>;

const TComponentRow kControls[] = {
    {Make<TEdit>, "Edit", "", 8, 8, 120, 21, "start", 0, 0},
    {Make<TMemo>, "Memo", "", 8, 36, 160, 60, "", 0, 0},
    {Make<TListBox>, "List", "", 180, 8, 120, 80, "one\ntwo\nthree", 0, 0},
    {Make<TComboBox>, "Combo", "", 180, 100, 120, 21, "red\ngreen\nblue", bfDropDownList, 0},
    {Make<TComboBox>, "History", "", 180, 130, 120, 21, "", 0, 0},
    {Make<TCheckBox>, "Check", "", 8, 110, 100, 17, "Check", 0, 0},
    {Make<TRadioButton>, "RadioA", "", 8, 130, 100, 17, "A", bfChecked, 0},
    {Make<TRadioButton>, "RadioB", "", 8, 150, 100, 17, "B", 0, 0},
    {Make<TScrollBar>, "Scroll", "", 310, 8, 17, 150, "", bfVertical, 0},
    {Make<TTabControl>, "Tabs", "", 8, 180, 200, 60, "first\nsecond", 0, 0},
    {Make<TUpDown>, "UpDown", "", 220, 180, 17, 30, "", bfVertical, 0},
};

class Controls : public ::testing::Test {
public:
    void SetUp() override {
        DrainQueue();
        form = app.CreateForm<TForm>();
        form->SetBounds(50, 50, 360, 300);
        BuildForm(form, kControls);
        auto note = [this](const std::string& what) {
            return [this, what](TComponent*) { log.push_back(what); };
        };
        Get<TEdit>("Edit")->OnChange = note("edit change");
        Get<TMemo>("Memo")->OnChange = note("memo change");
        Get<TListBox>("List")->OnClick = note("list click");
        Get<TComboBox>("Combo")->OnChange = note("combo change");
        Get<TComboBox>("Combo")->OnClick = note("combo click");
        Get<TCheckBox>("Check")->OnClick = note("check click");
        Get<TRadioButton>("RadioA")->OnClick = note("radioA click");
        Get<TRadioButton>("RadioB")->OnClick = note("radioB click");
        Get<TScrollBar>("Scroll")->OnChange = note("scroll change");
        Get<TScrollBar>("Scroll")->OnScroll = [this](TComponent*, TScrollCode code, int& pos) {
            log.push_back("scroll " + std::to_string(code) + " " + std::to_string(pos));
        };
        Get<TTabControl>("Tabs")->OnChange = note("tabs change");
        Get<TUpDown>("UpDown")->OnClick = [this](TComponent*, TUDBtnType b) {
            log.push_back(b == btNext ? "updown next" : "updown prev");
        };
    }
    template <class T>
    T* Get(const char* name) {
        return FindAs<T>(form, name);
    }
    HWND H(const char* name) { return Get<TWinControl>(name)->Handle(); }
    TApplication app;
    TForm* form = nullptr;
    Log log;
};

// Each row: what is done, and exactly the events that follow.
struct EventCase {
    const char* what;
    std::function<void(Controls&)> action;
    Log events;
};

TEST_F(Controls, ChangesInCodeAndByTheUserFireExactlyTheirEvents) {
    form->Show();
    Pump();
    const EventCase cases[] = {
        {"edit text in code",
         [](Controls& t) { t.Get<TEdit>("Edit")->SetText("new"); },
         {"edit change"}},
        {"the same text again", [](Controls& t) { t.Get<TEdit>("Edit")->SetText("new"); }, {}},
        {"edit typed",
         [](Controls& t) {
             t.Get<TEdit>("Edit")->SetFocus();
             PressKey('X');
         },
         {"edit change"}},
        {"memo text in code",
         [](Controls& t) { t.Get<TMemo>("Memo")->SetText("a\r\nb"); },
         {"memo change"}},
        {"list index in code", [](Controls& t) { t.Get<TListBox>("List")->SetItemIndex(1); }, {}},
        {"list item chosen",
         [](Controls& t) {
             RECT r = t.Get<TListBox>("List")->ItemRect(2);
             ClickAt(t.H("List"), r.left + 2, r.top + 2);
         },
         {"list click"}},
        {"combo index in code",
         [](Controls& t) { t.Get<TComboBox>("Combo")->SetItemIndex(2); },
         {}},
        {"combo text in code", [](Controls& t) { t.Get<TComboBox>("Combo")->SetText("red"); }, {}},
        {"combo item chosen by key",
         [](Controls& t) {
             t.Get<TComboBox>("Combo")->SetFocus();
             PressKey(VK_DOWN);
         },
         {"combo click", "combo change"}},
        {"check in code",
         [](Controls& t) { t.Get<TCheckBox>("Check")->SetChecked(true); },
         {"check click"}},
        {"check again", [](Controls& t) { t.Get<TCheckBox>("Check")->SetChecked(true); }, {}},
        {"check clicked",
         [](Controls& t) { SendMessageA(t.H("Check"), BM_CLICK, 0, 0); },
         {"check click"}},
        {"radio in code",
         [](Controls& t) { t.Get<TRadioButton>("RadioB")->SetChecked(true); },
         {"radioB click"}},
        {"radio clicked",
         [](Controls& t) { SendMessageA(t.H("RadioA"), BM_CLICK, 0, 0); },
         {"radioA click"}},
        {"scroll position in code",
         [](Controls& t) { t.Get<TScrollBar>("Scroll")->SetPosition(10); },
         {"scroll change"}},
        {"scroll line down",
         [](Controls& t) {
             SendMessageA(t.form->Handle(), WM_VSCROLL, SB_LINEDOWN,
                          reinterpret_cast<LPARAM>(t.H("Scroll")));
         },
         {"scroll 1 11", "scroll change"}},
        {"scroll ends",
         [](Controls& t) {
             SendMessageA(t.form->Handle(), WM_VSCROLL, SB_ENDSCROLL,
                          reinterpret_cast<LPARAM>(t.H("Scroll")));
         },
         {"scroll 8 11"}},
        {"tab in code", [](Controls& t) { t.Get<TTabControl>("Tabs")->SetTabIndex(1); }, {}},
        {"tab clicked",
         [](Controls& t) {
             RECT r{};
             SendMessageA(t.H("Tabs"), TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r));
             ClickAt(t.H("Tabs"), r.left + 4, r.top + 4);
         },
         {"tabs change"}},
        {"up-down position in code",
         [](Controls& t) { t.Get<TUpDown>("UpDown")->SetPosition(5); },
         {}},
        {"up-down upper button",
         [](Controls& t) { ClickAt(t.H("UpDown"), 8, 4); },
         {"updown next"}},
    };
    for (const EventCase& c : cases) {
        log.clear();
        c.action(*this);
        Pump();
        EXPECT_EQ(log, c.events) << c.what;
    }
    // What the windows say afterwards.
    EXPECT_EQ(SendMessageA(H("Combo"), CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(Get<TComboBox>("Combo")->Text(), "green");
    EXPECT_EQ(SendMessageA(H("RadioB"), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(SendMessageA(H("RadioA"), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageA(H("Check"), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(SendMessageA(H("Scroll"), SBM_GETPOS, 0, 0), 11);
    EXPECT_EQ(SendMessageA(H("Tabs"), TCM_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(Get<TUpDown>("UpDown")->Position(), 6);
    EXPECT_EQ(Get<TListBox>("List")->ItemIndex(), 2);
    EXPECT_EQ(Get<TMemo>("Memo")->Lines()->Count(), 2);
    EXPECT_EQ(Get<TEdit>("Edit")->Modified(), true);
}

TEST_F(Controls, ItemsLongerThanAnyBufferAreReadWhole) {
    std::string longItem(5000, 'x');
    longItem += "end";
    form->HandleNeeded();  // the items are in the windows
    for (TStrings* items : {Get<TListBox>("List")->Items(), Get<TComboBox>("Combo")->Items()}) {
        items->Add(longItem);
        EXPECT_EQ(items->Strings(items->Count() - 1), longItem);
        EXPECT_THROW(items->Strings(items->Count()), EStringListError);
    }
    // An edit made with a text longer than a new edit window takes keeps it whole.
    std::string longText;
    for (int i = 0; i < 60000; ++i) longText += char('a' + i % 26);
    auto* edit = new TEdit(form);
    edit->SetText(longText);
    edit->SetParent(form);
    ASSERT_TRUE(edit->Handle());
    EXPECT_EQ(edit->Text(), longText);
    edit->SetText(longText + "!");
    EXPECT_EQ(edit->Text(), longText + "!");
}

TEST_F(Controls, ANewWindowKeepsItemsTextSelectionAndPosition) {
    auto* list = Get<TListBox>("List");
    auto* combo = Get<TComboBox>("History");
    auto* edit = Get<TEdit>("Edit");
    auto* scroll = Get<TScrollBar>("Scroll");
    auto* tabs = Get<TTabControl>("Tabs");
    auto* panel = new TPanel(form);
    panel->SetBounds(0, 0, 100, 100);
    panel->SetParent(form);
    form->Show();
    for (int i = 0; i < 30; ++i)
        list->Items()->AddObject("item " + std::to_string(i), reinterpret_cast<void*>(i + 100));
    list->SetItemIndex(20);
    list->SetTopIndex(15);
    combo->Items()->Add("first address");
    combo->Items()->Add("second address");
    combo->SetItemIndex(1);
    combo->SetText("typed address");
    edit->SetText("kept text");
    edit->SetSelStart(2);
    edit->SetSelLength(3);
    scroll->SetPosition(42);
    tabs->SetTabIndex(1);
    Pump();
    log.clear();

    // One window at a time, the whole form (its children go with it), and re-parenting.
    for (TWinControl* c : std::vector<TWinControl*>{list, combo, edit, scroll, tabs})
        c->RecreateWnd();
    form->SetBorderStyle(bsDialog);
    list->SetParent(panel);
    Pump();

    EXPECT_EQ(list->Count(), 33);
    EXPECT_EQ(list->Items()->Strings(20), "item 17");
    EXPECT_EQ(list->Items()->Objects(20), reinterpret_cast<void*>(117));
    EXPECT_EQ(list->ItemIndex(), 20);
    EXPECT_EQ(SendMessageA(list->Handle(), LB_GETTOPINDEX, 0, 0), 15);
    EXPECT_EQ(GetParent(list->Handle()), panel->Handle());
    EXPECT_EQ(combo->Items()->Count(), 2);
    EXPECT_EQ(combo->ItemIndex(), 1);
    EXPECT_EQ(combo->Text(), "typed address");
    EXPECT_EQ(edit->Text(), "kept text");
    EXPECT_EQ(edit->SelStart(), 2);
    EXPECT_EQ(edit->SelLength(), 3);
    EXPECT_EQ(SendMessageA(scroll->Handle(), SBM_GETPOS, 0, 0), 42);
    EXPECT_EQ(tabs->TabIndex(), 1);
    EXPECT_EQ(tabs->Tabs()->Strings(1), "second");
    EXPECT_EQ(log, Log{});  // a new window is no change
}

TEST_F(Controls, OwnerDrawnItemsArePaintedByTheirHandler) {
    auto* list = Get<TListBox>("List");
    auto* combo = Get<TComboBox>("Combo");
    list->SetStyle(lbOwnerDrawFixed);
    list->SetItemHeight(18);
    combo->SetStyle(csOwnerDrawFixed);
    const TColor colours[] = {clRed, clLime, clBlue};
    bool failOnce = true;
    std::vector<std::string> errors;
    app.OnException = [&](TComponent*, std::exception_ptr e) {
        errors.push_back(TApplication::ExceptionMessage(e));
    };
    TDrawItemEvent draw = [&](TWinControl* control, int index, RECT rect, TOwnerDrawState) {
        if (control == combo && failOnce) {
            failOnce = false;
            throw Exception("drawing failed");
        }
        TCanvas* canvas = control == list ? list->Canvas() : combo->Canvas();
        canvas->Brush()->SetColor(colours[index % 3]);
        canvas->FillRect(rect);
    };
    list->OnDrawItem = draw;
    combo->OnDrawItem = draw;
    combo->SetItemIndex(2);
    form->Show();
    list->Repaint();
    combo->Repaint();
    Pump();
    combo->Repaint();
    Pump();
    for (int i = 0; i < 3; ++i) {
        RECT r = list->ItemRect(i);
        EXPECT_EQ(r.bottom - r.top, 18);
        EXPECT_EQ(PixelAt(list->Handle(), r.left + 5, r.top + 9), static_cast<COLORREF>(colours[i]))
            << i;
    }
    // The closed combo box shows its selected item drawn by the handler.
    EXPECT_EQ(PixelAt(combo->Handle(), 6, combo->Height() / 2), static_cast<COLORREF>(clBlue));
    // A handler that throws inside the system's painting reaches OnException; painting goes on.
    EXPECT_EQ(errors, std::vector<std::string>{"drawing failed"});
}

}  // namespace

namespace {

const TComponentRow kBar[] = {
    {Make<TCoolBar>, "Bar", "", 0, 0, 400, 30, "", bfAlignTop, 0},
    {Make<TPanel>, "Address", "Bar", 0, 0, 120, 24, "A", 0, 0},
    {Make<TPanel>, "Menu", "Bar", 0, 0, 100, 24, "M", 0, 0},
    {Make<TPanel>, "Favorites", "Bar", 0, 0, 100, 24, "F", 0, 0},
};

TEST(CoolBar, BandsMovedInCodeReadBackInTheirNewOrderWidthsAndBreaks) {
    DrainQueue();
    TApplication app;
    auto* form = app.CreateForm<TForm>();
    form->SetBounds(40, 40, 500, 200);
    BuildForm(form, kBar);
    auto* bar = FindAs<TCoolBar>(form, "Bar");
    TCoolBands* bands = bar->Bands();
    auto names = [&] {
        std::string s;
        for (int i = 0; i < bands->Count(); ++i) s += bands->Items(i)->Control()->Name() + " ";
        return s;
    };
    form->Show();
    Pump();
    ASSERT_EQ(names(), "Address Menu Favorites ");
    int threeRows = bar->Height();  // a new band starts a row of its own
    for (int i = 0; i < 3; ++i) bands->Items(i)->SetBreak(false);
    int oneRow = bar->Height();
    EXPECT_LT(oneRow, threeRows);

    bands->Items(2)->SetIndex(0);
    bands->Items(2)->SetBreak(true);  // Menu starts a second row
    bands->Items(1)->SetWidth(150);   // Address, first of the first row... now the only one
    EXPECT_EQ(names(), "Favorites Address Menu ");
    EXPECT_TRUE(bands->Items(2)->Break());
    EXPECT_FALSE(bands->Items(1)->Break());
    EXPECT_GT(bar->Height(), oneRow);  // the bar grew to two rows
    // The system agrees on the order.
    REBARBANDINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = RBBIM_CHILD;
    SendMessageA(bar->Handle(), RB_GETBANDINFOA, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.hwndChild, FindAs<TWinControl>(form, "Favorites")->Handle());

    // Favorites and Address share the first row: Favorites' width is its own.
    bands->Items(0)->SetWidth(140);
    EXPECT_EQ(bands->Items(0)->Width(), 140);
    bar->RecreateWnd();
    EXPECT_EQ(names(), "Favorites Address Menu ");
    EXPECT_EQ(bands->Items(0)->Width(), 140);
    EXPECT_TRUE(bands->Items(2)->Break());
    EXPECT_EQ(bands->FindBand(FindAs<TControl>(form, "Menu")), bands->Items(2));
}

}  // namespace

namespace {

TEST(SmallControls, ColoursButtonGroupsSpinHalvesAndScrolledBoxes) {
    DrainQueue();
    TApplication app;
    auto* form = app.CreateForm<TForm>();
    form->SetBounds(40, 40, 320, 240);
    const TComponentRow rows[] = {
        {Make<TEdit>, "Edit", "", 8, 8, 100, 21, "", 0, 0},
        {Make<TPanel>, "Panel", "", 120, 8, 80, 40, "", 0, 0},
        {Make<TSpeedButton>, "One", "", 8, 60, 40, 22, "1", 0, 5},
        {Make<TSpeedButton>, "Two", "", 50, 60, 40, 22, "2", 0, 5},
        {Make<TCSpinButton>, "Spin", "", 100, 56, 18, 30, "", 0, 0},
        {Make<TScrollBox>, "Box", "", 8, 100, 120, 60, "", 0, 0},
        {Make<TPanel>, "Far", "Box", 0, 150, 50, 20, "", 0, 0},
        {Make<TLabel>, "Label", "", 210, 60, 80, 14, "before", 0, 0},
    };
    BuildForm(form, rows);
    auto* edit = FindAs<TEdit>(form, "Edit");
    auto* panel = FindAs<TPanel>(form, "Panel");
    edit->SetColor(clYellow);
    edit->Font()->SetColor(clRed);
    panel->SetColor(clTeal);
    std::vector<std::string> log;
    for (const char* name : {"One", "Two"}) {
        auto* b = FindAs<TSpeedButton>(form, name);
        b->SetGroupIndex(static_cast<int>(b->Tag));
        b->OnClick = [&log, name](TComponent*) { log.push_back(name); };
    }
    auto* spin = FindAs<TCSpinButton>(form, "Spin");
    spin->OnUpClick = [&](TComponent*) { log.push_back("up"); };
    spin->OnDownClick = [&](TComponent*) { log.push_back("down"); };
    form->Show();
    Pump();
    // The system's edit paints in the colours its control answers through the parent.
    EXPECT_EQ(PixelAt(edit->Handle(), 3, 3), static_cast<COLORREF>(clYellow));
    EXPECT_EQ(PixelAt(panel->Handle(), 40, 20), static_cast<COLORREF>(clTeal));

    ClickAt(form->Handle(), 20, 70);  // One goes down
    ClickAt(form->Handle(), 60, 70);  // Two goes down, One up
    EXPECT_FALSE(FindAs<TSpeedButton>(form, "One")->Down());
    EXPECT_TRUE(FindAs<TSpeedButton>(form, "Two")->Down());
    ClickAt(form->Handle(), 60, 70);  // a down button stays down without AllowAllUp
    EXPECT_TRUE(FindAs<TSpeedButton>(form, "Two")->Down());
    ClickAt(spin->Handle(), 9, 4);
    ClickAt(spin->Handle(), 9, 26);
    EXPECT_EQ(log, (std::vector<std::string>{"One", "Two", "Two", "up", "down"}));

    // A label, painted by the form, has its new caption painted.
    ValidateRect(form->Handle(), nullptr);
    FindAs<TLabel>(form, "Label")->SetCaption("after");
    RECT dirty{};
    EXPECT_TRUE(GetUpdateRect(form->Handle(), &dirty, FALSE));
    EXPECT_EQ(dirty.left, 210);

    // A child beyond the box's client area is reached by scrolling.
    auto* box = FindAs<TScrollBox>(form, "Box");
    auto* beyond = FindAs<TPanel>(form, "Far");
    box->UpdateScrollBars();
    SendMessageA(box->Handle(), WM_VSCROLL, SB_BOTTOM, 0);
    RECT client;
    GetClientRect(box->Handle(), &client);
    EXPECT_EQ(beyond->Top() + beyond->Height(), client.bottom);
    SendMessageA(box->Handle(), WM_VSCROLL, SB_TOP, 0);
    EXPECT_EQ(beyond->Top(), 150);
}

}  // namespace

namespace {

TEST_F(Controls, MemoLinesAreTheWindowsLines) {
    auto* memo = Get<TMemo>("Memo");
    TStrings* lines = memo->Lines();
    lines->Add("first");
    lines->Add("second");
    lines->Insert(1, "middle");
    lines->SetStrings(2, "last");
    EXPECT_EQ(memo->Text(), "first\r\nmiddle\r\nlast\r\n");
    EXPECT_EQ(lines->Count(), 3);
    lines->Delete(0);
    EXPECT_EQ(lines->Strings(0), "middle");
    memo->SetText("a\r\nb\r\n");  // a final line break makes no empty last line
    EXPECT_EQ(lines->Count(), 2);
    lines->SetText("x\ny\rz");
    EXPECT_EQ(memo->Text(), "x\r\ny\r\nz");
    lines->Clear();
    EXPECT_EQ(lines->Count(), 0);
    EXPECT_THROW(lines->Strings(0), EStringListError);
    // Double-byte text: a window that counts characters still gives every byte.
    memo->SetText("\xC3\xB9 \xC1\xD9\r\n\xB5\xD1\xC2\xB0 \xC1\xD9");
    EXPECT_EQ(lines->Strings(0), "\xC3\xB9 \xC1\xD9");
    EXPECT_EQ(lines->Strings(1), "\xB5\xD1\xC2\xB0 \xC1\xD9");
}

TEST_F(Controls, KeysTypedIntoAnEditableComboAreTheCombosKeys) {
    auto* combo = Get<TComboBox>("History");
    std::string typed;
    combo->OnKeyPress = [&](TComponent*, char& key) {
        typed += key;
        if (key == '\r') key = 0;  // Enter used up by the box
    };
    int enters = 0;
    combo->OnEnter = [&](TComponent*) { ++enters; };
    form->Show();
    combo->SetFocus();
    EXPECT_TRUE(combo->Focused());
    EXPECT_NE(GetFocus(), combo->Handle());  // the system's edit inside has it
    EXPECT_EQ(form->ActiveControl(), combo);
    EXPECT_EQ(enters, 1);
    PressKey('A');
    PressKey(VK_RETURN);
    EXPECT_EQ(typed, "a\r");
    EXPECT_EQ(combo->Text(), "a");
}

// Korean as the system types it into the edits: a character the keyboard gives (a Unicode
// WM_CHAR in the queue) and the input method's finished syllables; the loop and the
// procedures are ANSI, so each arrives as its two bytes. A read-only edit takes none.
// Positions in the text are bytes of it, the selection's too.
TEST_F(Controls, KoreanTypedIntoEditsStaysKorean) {
    const std::string gaHan = "\xB0\xA1\xC7\xD1";  // the two syllables in code page 949
    auto typeKeys = [](HWND focus) {
        for (WCHAR ch : {L'a', L'\xAC00', L'\xD55C', L'b'}) PostMessageW(focus, WM_CHAR, ch, 1);
        Pump();
    };
    auto compose = [](HWND focus) {
        HIMC context = ImmGetContext(focus);
        ASSERT_TRUE(context);
        WCHAR syllables[] = L"a\xAC00\xD55C" L"b";
        ImmSetOpenStatus(context, TRUE);
        ImmSetCompositionStringW(context, SCS_SETSTR, syllables, sizeof syllables - sizeof(WCHAR), nullptr, 0);
        ImmNotifyIME(context, NI_COMPOSITIONSTR, CPS_COMPLETE, 0);
        ImmReleaseContext(focus, context);
        Pump();
    };
    form->Show();
    for (const char* name : {"Edit", "Memo", "History"}) {
        for (bool ime : {false, true}) {
            auto* c = Get<TWinControl>(name);
            c->SetText("");
            c->SetFocus();
            if (ime) compose(GetFocus());
            else typeKeys(GetFocus());
            EXPECT_EQ(c->Text(), "a" + gaHan + "b") << name << (ime ? " (input method)" : " (keys)");
        }
    }
    auto* edit = Get<TEdit>("Edit");
    EXPECT_EQ(edit->SelStart(), 6);
    edit->SetSelStart(3);
    edit->SetSelLength(2);
    EXPECT_EQ(edit->SelText(), "\xC7\xD1");
    auto* combo = Get<TComboBox>("History");
    EXPECT_EQ(combo->SelStart(), 6);
    combo->SetSelection(1, 2);
    EXPECT_EQ(combo->SelLength(), 2);
    PostMessageW(GetFocus(), WM_CHAR, L'x', 1);
    Pump();
    EXPECT_EQ(combo->Text(), "ax\xC7\xD1" "b");
    edit->SetText("");
    edit->SetReadOnly(true);
    edit->SetFocus();
    typeKeys(GetFocus());
    EXPECT_EQ(edit->Text(), "");
}

TEST_F(Controls, ARefusedTabChangeKeepsTheTab) {
    auto* tabs = Get<TTabControl>("Tabs");
    bool allow = false;
    tabs->OnChanging = [&](TComponent*, bool& ok) { ok = allow; };
    form->Show();
    RECT r{};
    SendMessageA(tabs->Handle(), TCM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r));
    ClickAt(tabs->Handle(), r.left + 4, r.top + 4);
    EXPECT_EQ(tabs->TabIndex(), 0);
    EXPECT_EQ(log, Log{});
    allow = true;
    ClickAt(tabs->Handle(), r.left + 4, r.top + 4);
    EXPECT_EQ(tabs->TabIndex(), 1);
    EXPECT_EQ(log, Log{"tabs change"});
}

TEST(FormBuilder, RowsNamingUnknownParentsOrTwiceTheSameNameAreRefused) {
    TApplication app;
    auto* form = app.CreateForm<TForm>();
    const TComponentRow orphan[] = {{Make<TEdit>, "Edit", "NoSuchPanel", 0, 0, 10, 10, "", 0, 0}};
    EXPECT_THROW(BuildForm(form, orphan), Exception);
    const TComponentRow twice[] = {{Make<TEdit>, "Twice", "", 0, 0, 10, 10, "", 0, 0},
                                   {Make<TEdit>, "Twice", "", 0, 0, 10, 10, "", 0, 0}};
    EXPECT_THROW(BuildForm(form, twice), Exception);
    EXPECT_THROW(FindAs<TButton>(form, "Twice"), Exception);  // found, but of another kind
    EXPECT_NE(FindAs<TEdit>(form, "Twice"), nullptr);
}

}  // namespace

// A scroll bar drawn later gives the window its values with its next paint; before that
// the control already says them.
TEST_F(Controls, AScrollBarDrawnLaterTakesItsValuesWithItsPaint) {
    auto* scroll = Get<TScrollBar>("Scroll");
    scroll->SetDrawLater(true);
    form->Show();
    Pump();
    scroll->SetParams(30, 0, 50);
    EXPECT_EQ(scroll->Position(), 30);
    UpdateWindow(scroll->Handle());
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_POS;
    ASSERT_TRUE(GetScrollInfo(scroll->Handle(), SB_CTL, &si));
    EXPECT_EQ(si.nPos, 30);
    EXPECT_EQ(si.nMax, 50);
    scroll->SetPosition(40);
    scroll->RecreateWnd();  // a new window takes them at once
    ASSERT_TRUE(GetScrollInfo(scroll->Handle(), SB_CTL, &si));
    EXPECT_EQ(si.nPos, 40);
    // A click before the paint starts from the values of now (the button's release is
    // queued first, so that the bar's own tracking ends at once).
    scroll->SetParams(20, 0, 60);
    PostMessageA(scroll->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
    SendMessageA(scroll->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
    ASSERT_TRUE(GetScrollInfo(scroll->Handle(), SB_CTL, &si));
    EXPECT_EQ(si.nMax, 60);
    EXPECT_LE(std::abs(scroll->Position() - 20), 1) << "a line back from 20 at most";
    // Values back to the window's own before its paint change nothing; a change after that
    // paint still reaches the window with the next one.
    Pump();
    UpdateWindow(scroll->Handle());
    const int at = scroll->Position();
    scroll->SetPosition(at + 5);
    scroll->SetPosition(at);
    UpdateWindow(scroll->Handle());
    scroll->SetPosition(at + 7);
    UpdateWindow(scroll->Handle());
    ASSERT_TRUE(GetScrollInfo(scroll->Handle(), SB_CTL, &si));
    EXPECT_EQ(si.nPos, at + 7);
}
