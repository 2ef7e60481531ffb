// The address book end to end: the program started from a folder of its own holding a book
// with Korean names, the book opened from the main window and driven through the probe,
// the file's bytes after each change against the files under data/address_book, the
// favourites bar after the book closes, and connections from the book and from the bar.
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <sstream>

#include "ProgramKit.h"
#include "SessionKit.h"
#include "comm/CommTestKit.h"

using namespace quiro::console::test;
using namespace quiro::comm::test;

namespace {

// A book file as the program writes it: the UTF-8 text of the data file in code page 949,
// lines ended by CR LF.
std::string BookFile(const std::string& name) {
    std::ifstream in(std::string(QUIRO_SOURCE_DIR) + "/tests/console/data/address_book/" + name);
    std::string text;
    for (std::string line; std::getline(in, line);) text += ToCp949(line) + "\r\n";
    return text;
}

// A list box of the dialog: its items and, after '*', the selection.
std::string ListShown(const ProbeState& s, const std::string& name) {
    std::istringstream parts(s.fields.count(name) ? s.Str(name) : "");
    std::string items, index, shown, item;
    parts >> items >> index;
    std::istringstream each(items);
    for (int i = 0; std::getline(each, item, ','); ++i)
        shown += (i ? "," : "") + std::string(std::to_string(i) == index ? "*" : "") + FromHex(item);
    return shown;
}

// The quick-connect buttons from left to right: caption, then the hint (the address).
std::string BarShown(const ProbeState& s) {
    std::vector<std::pair<int, std::string>> buttons;
    for (const auto& [name, value] : s.fields) {
        if (name.rfind("MAIN_BTN_QuickConnect", 0) != 0) continue;
        std::istringstream parts(value);
        std::string caption, hint, rect;
        parts >> caption >> hint >> rect;
        buttons.emplace_back(std::stoi(rect), FromHex(caption) + " " + FromHex(hint));
    }
    std::sort(buttons.begin(), buttons.end());
    std::string shown;
    for (const auto& b : buttons) shown += (shown.empty() ? "" : ", ") + b.second;
    return shown;
}

bool BookOpen(const ProbeState& s) { return s.fields.count("window") && s.Str("window") == "HostListForm"; }

RECT RectOf(const std::string& value) {
    RECT r{};
    std::sscanf(value.c_str(), "%ld,%ld,%ld,%ld", &r.left, &r.top, &r.right, &r.bottom);
    return r;
}

// The top-level window on a rectangle of the screen.
HWND WindowOn(const RECT& r) {
    return GetAncestor(WindowFromPoint(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}), GA_ROOT);
}

// A rectangle of the screen once the window on it has painted what it has to.
Picture Painted(const RECT& r) {
    RedrawWindow(WindowOn(r), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    return CaptureScreen(r);
}

// The program in a folder of its own, with this book and favourites.
struct BookProgram {
    explicit BookProgram(const std::string& book,
                         std::initializer_list<const char*> favourites = {},
                         bool builtInFont = false) {
        DeleteSettings();
        if (builtInFont) Settings()->WriteInteger("UseInternalFont", 1);
        int n = 0;
        for (const char* name : favourites) Settings()->WriteString("Favorites" + std::to_string(++n), ToCp949(name));
        folder.Write("Quiro.DAT", book);
        q = std::make_unique<QuiroProgram>("", false, "Z:" + folder.Dir());
    }
    ProbeState OpenBook() {
        q->ClickLater("MAIN_BTN_AddressBook");
        ProbeState s;
        EXPECT_TRUE(q->WaitFor(BookOpen, 10000, &s)) << "the address book did not open";
        return s;
    }
    std::string File() const { return folder.Read("Quiro.DAT"); }

    HostFolder folder;
    std::unique_ptr<QuiroProgram> q;
};

// Korean typed as a keyboard types it (each character a key of its own) reaches the address
// box and the book's host name whole.
TEST(AddressBook, KoreanTypedIntoTheAddressBoxAndTheHostName) {
    BookProgram p(BookFile("start.ini"));
    ASSERT_TRUE(p.q->Window());
    QuiroProgram& q = *p.q;
    q.SetText("MAIN_COMBO_Address", "");
    ProbeState s = q.State();
    const RECT box = ControlRect(s, "MAIN_COMBO_Address");
    ASSERT_TRUE(q.Focus(q.Window()));
    Click(box.left + 20, (box.top + box.bottom) / 2);
    TypeText(L"\xC740\xD558\xC218 bbs");
    EXPECT_TRUE(q.WaitFor([](const ProbeState& st) { return st.Str("addressText") == ToCp949("은하수 bbs"); },
                          5000, &s))
        << s.Str("addressText");

    s = p.OpenBook();
    q.Click("HOST_BTN_NewHost");  // the host name edit takes the focus
    ASSERT_TRUE(q.Focus(WindowOn(RectOf(s.Str("windowRect")))));
    TypeText(L"\xBCC4\xBE5B\xB9C8\xC744");
    EXPECT_TRUE(q.WaitFor([](const ProbeState& st) {
        return FromHex(st.Str("HOST_Edit_Hostname")) == ToCp949("별빛마을");
    }, 5000, &s)) << s.Str("HOST_Edit_Hostname");
    q.Click("GSET_BTN_Close");
}

// Create, rename and delete an entry, then edit one and press New: after each step the
// file holds what it should, and the list shows the file's order.
TEST(AddressBook, EditsReachTheFileByteForByte) {
    BookProgram p(BookFile("start.ini"));
    ASSERT_TRUE(p.q->Window());
    QuiroProgram& q = *p.q;
    ProbeState s = p.OpenBook();
    EXPECT_EQ(ListShown(s, "HOST_LB_HostList"), ToCp949("*푸른숲,별빛마을"));
    EXPECT_EQ(FromHex(s.Str("HOST_Edit_Address")), "telnet://greenwood.example");

    q.Click("HOST_BTN_NewHost");
    q.Set("HOST_Edit_Hostname", ToCp949("은하수"));
    q.Set("HOST_Edit_Address", "telnet://milkyway.example:2323");
    q.Set("HOST_Memo", ToCp949("첫 줄\r\n둘째 줄"));
    q.Click("HOST_CB_EnableLocalEcho");
    q.Click("HOST_BTN_SaveHost");
    EXPECT_EQ(p.File(), BookFile("created.ini"));

    q.Set("HOST_LB_HostList", "0");
    q.Set("HOST_Edit_Hostname", ToCp949("푸른숲 플러스"));
    q.Click("HOST_BTN_SaveHost");
    EXPECT_EQ(p.File(), BookFile("renamed.ini"));
    s = q.State();
    EXPECT_EQ(ListShown(s, "HOST_LB_HostList"), ToCp949("별빛마을,은하수,*푸른숲 플러스"));

    q.Set("HOST_LB_HostList", "1");
    q.Click("HOST_BTN_DeleteHost");
    EXPECT_EQ(p.File(), BookFile("deleted.ini"));
    s = q.State();
    EXPECT_EQ(ListShown(s, "HOST_LB_HostList"), ToCp949("별빛마을,*푸른숲 플러스"));

    // Edits, then New: the edits are saved to their entry before the new one starts.
    q.Set("HOST_Edit_Address", "telnet://greenwood.example:23");
    q.Click("HOST_BTN_NewHost");
    q.Set("HOST_Edit_Hostname", ToCp949("새 BBS"));
    q.Set("HOST_Edit_Address", "10.0.0.1");
    q.Click("HOST_BTN_SaveHost");
    EXPECT_EQ(p.File(), BookFile("new_keeps_edits.ini"));

    // A file that cannot be written (another program holds it): the save is reported with
    // the system's reason and the file stays as it was.
    HANDLE holder = CreateFileA(p.folder.Path("Quiro.DAT").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    q.Set("HOST_Edit_Address", "10.0.0.2");
    q.ClickLater("HOST_BTN_SaveHost");
    HWND box = q.WaitForDialog(10000);
    DialogSeen seen = box ? Answer(box, IDOK) : DialogSeen{};
    CloseHandle(holder);
    ASSERT_TRUE(box) << "no error box";
    EXPECT_EQ(seen.caption, " Quiro 2: Error");
    EXPECT_NE(seen.text.find("The address book could not be written."), std::string::npos) << seen.text;
    EXPECT_NE(seen.text.find("Quiro.DAT"), std::string::npos) << seen.text;
    EXPECT_EQ(p.File(), BookFile("new_keeps_edits.ini"));

    // Closing with the edit unsaved asks; No leaves the file alone.
    q.ClickLater("GSET_BTN_Close");
    box = q.WaitForDialog(10000);
    ASSERT_TRUE(box) << "no question on closing";
    seen = Answer(box, IDNO);
    EXPECT_EQ(seen.caption, " Quiro 2: Warning");
    EXPECT_NE(seen.text.find("Save changes before exit?"), std::string::npos) << seen.text;
    EXPECT_TRUE(q.WaitFor([](const ProbeState& st) { return !BookOpen(st); }, 10000, &s));
    EXPECT_EQ(p.File(), BookFile("new_keeps_edits.ini"));
    EXPECT_FALSE(Settings()->ValueExists("Favorites1")) << "favourites saved though unchanged";
    EXPECT_EQ(q.Close(), 0);
}

// Reordering the favourites and closing with Close (Cancel): the registry holds the new
// order, nothing connects, and the bar shows the new order with the entries as they are
// now (one has a new address).
TEST(AddressBook, ReorderedFavouritesAreSavedOnCancel) {
    BookProgram p(BookFile("start.ini"), {"푸른숲", "별빛마을"});
    ASSERT_TRUE(p.q->Window());
    QuiroProgram& q = *p.q;
    ProbeState s = q.State();
    EXPECT_EQ(BarShown(s), ToCp949("푸른숲 telnet://greenwood.example, 별빛마을 5550123"));
    s = p.OpenBook();
    EXPECT_EQ(ListShown(s, "HOST_LB_Favorites"), ToCp949("푸른숲,별빛마을"));
    Painted(RectOf(s.Str("windowRect"))).SaveBmp("address_book.bmp");

    q.Set("HOST_LB_Favorites", "1");
    q.Click("HOST_BTN_FavMoveUp");
    s = q.State();
    EXPECT_EQ(ListShown(s, "HOST_LB_Favorites"), ToCp949("*별빛마을,푸른숲"));
    EXPECT_EQ(ListShown(s, "HOST_LB_HostList"), ToCp949("푸른숲,*별빛마을"));
    q.Set("HOST_LB_HostList", "0");
    q.Set("HOST_Edit_Address", "telnet://greenwood.example:23");
    q.Click("HOST_BTN_SaveHost");
    q.Click("GSET_BTN_Close");
    ASSERT_TRUE(q.WaitFor([](const ProbeState& st) { return !BookOpen(st); }, 10000, &s));
    EXPECT_EQ(s.Int("connected"), 0);
    EXPECT_EQ(q.OtherWindows(), 0);
    EXPECT_EQ(Settings()->ReadString("Favorites1"), ToCp949("별빛마을"));
    EXPECT_EQ(Settings()->ReadString("Favorites2"), ToCp949("푸른숲"));
    EXPECT_EQ(Settings()->ReadString("Favorites3"), "");
    EXPECT_EQ(BarShown(s), ToCp949("별빛마을 5550123, 푸른숲 telnet://greenwood.example:23"));
    Painted(RectOf(s.Str("MAIN_PANEL_Favorites"))).SaveBmp("quick_connect_bar.bmp");
    EXPECT_EQ(q.Close(), 0);
}

// A host that takes a connection and holds it until it is told to close.
struct HeldHost {
    std::atomic<bool> reached{false}, finish{false};
    TestServer server{[this](SOCKET c) {
        std::string got;
        Receive(c, got, [&] {
            reached = !got.empty();
            return finish.load();
        }, 30000);
    }};
    std::string Address() const { return "127.0.0.1:" + std::to_string(server.Port()); }
};

// Connected to the host with this session caption; then the host closes.
void ExpectSession(QuiroProgram& q, HeldHost& host, const std::string& caption) {
    ProbeState s;
    EXPECT_TRUE(q.WaitFor([&](const ProbeState& st) { return host.reached && st.Str("caption") == caption; },
                          20000, &s))
        << s.Str("caption");
    host.finish = true;
    EXPECT_TRUE(q.WaitFor(Ended, 20000, &s));
}

// Five favourites on a window as narrow as the built-in font's 80 columns make it: they
// have a row of their own below the tool buttons, and every button is whole, inside the
// window and beside the one before it, in the favourites' order.
TEST(AddressBook, EveryQuickConnectButtonIsOnTheBar) {
    std::string book;
    const char* const names[] = {"푸른숲 플러스", "별빛마을 서버", "은하수 접속", "바람결 BBS",
                                 "들꽃길 게시판"};
    for (const char* name : names)
        book += ToCp949(std::string("[") + name + "]\r\nAddress=telnet://bbs.example\r\n");
    BookProgram p(book, {names[0], names[1], names[2], names[3], names[4]}, true);
    ASSERT_TRUE(p.q->Window());
    const ProbeState s = p.q->State();
    const RECT bar = RectOf(s.Str("MAIN_PANEL_Favorites")), window = RectOf(s.Str("ConsoleForm"));
    EXPECT_GE(bar.top, RectOf(s.Str("MAIN_PANEL_Menu")).bottom);
    int right = bar.left;
    for (int i = 1; i <= 5; ++i) {
        std::istringstream parts(s.Str("MAIN_BTN_QuickConnect" + std::to_string(i)));
        std::string caption, hint, rect;
        parts >> caption >> hint >> rect;
        const RECT b = RectOf(rect);
        EXPECT_EQ(FromHex(caption), ToCp949(names[i - 1]));
        EXPECT_GE(b.left, right) << i;
        // The glyph's room on both sides and the caption: wider than two glyphs.
        EXPECT_GT(b.right - b.left, 2 * 16 + 40) << i;
        EXPECT_LE(b.right, std::min(bar.right, window.right)) << i;
        right = b.right;
    }
    Painted(bar).SaveBmp("quick_connect_narrow.bmp");
    EXPECT_EQ(p.q->Close(), 0);
}

// An entry picked in the book with the keyboard (Down, then Enter for Connect) is
// connected to; so is a quick-connect button's.
TEST(AddressBook, ConnectFromTheBookAndFromTheBar) {
    HeldHost greenwood, starlight;
    BookProgram p(ToCp949("[푸른숲]\r\nAddress=" + greenwood.Address() + "\r\n[별빛마을]\r\nAddress=telnet://" +
                          starlight.Address() + "/\r\n"),
                  {"푸른숲"});
    ASSERT_TRUE(p.q->Window());
    QuiroProgram& q = *p.q;
    ProbeState s = p.OpenBook();
    ASSERT_TRUE(q.Focus(WindowOn(RectOf(s.Str("windowRect")))));
    Press(VK_DOWN);
    Press(VK_RETURN);
    ExpectSession(q, starlight, ToCp949("Quiro 2 [ 별빛마을: ") + starlight.Address() + " ]");
    q.Click("MAIN_BTN_QuickConnect1");
    ExpectSession(q, greenwood, ToCp949("Quiro 2 [ 푸른숲: ") + greenwood.Address() + " ]");
    EXPECT_EQ(q.Close(), 0);
}

}  // namespace
