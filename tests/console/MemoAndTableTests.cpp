// The on-line memo window and the character table in the program: memos a host sends with
// the memo escape, the user's keys into the table (the Hanja key, Ctrl+Space, Tab, the
// arrows, Enter) and what the host or the capture editor receives.
#include <gtest/gtest.h>

#include <thread>

#include "InputKit.h"

using namespace quiro::console::test;

namespace {

// A memo as a host marks it: the line written at the bottom row, a bell at its column 1,
// the cursor restored.
std::string Memo(const std::string& text) { return "\x1B" "7\x1B[24;1H\x1B[2K" + text + "\x1B[24;2H\x07\x1B" "8"; }

// The memo view's lines without their time stamps; false when a stamp is not
// "[hh:mm:ss AM] " or "... PM] ".
bool MemoLines(const ProbeState& s, std::vector<std::string>& lines) {
    lines.clear();
    const std::string text = FromHex(s.Str("memoText"));
    for (size_t at = 0; at < text.size();) {
        const size_t end = text.find('\r', at);
        if (end == std::string::npos) return false;
        const std::string line = text.substr(at, end - at);
        if (line.size() < 14 || line[0] != '[' || line[3] != ':' || line[6] != ':' || line.substr(12, 2) != "] " ||
            (line.substr(9, 3) != " AM" && line.substr(9, 3) != " PM"))
            return false;
        lines.push_back(line.substr(14));
        at = end + 1;
    }
    return true;
}

HWND Root(const ProbeState& s, const char* handle) {
    return GetAncestor(reinterpret_cast<HWND>(std::stoull(s.Str(handle))), GA_ROOT);
}

// Whether `upper` lies in front of `lower` among the top-level windows.
bool Above(HWND upper, HWND lower) {
    for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (w == upper) return true;
        if (w == lower) return false;
    }
    return false;
}

}  // namespace

// Memos come in stamped, in order, at the end of the view whatever the user selected
// there, without taking the keyboard from the console; Clear starts it afresh.
TEST(OnLineMemo, HostMemosArriveInOrderWhileTextIsSelected) {
    DeleteSettings();
    Settings()->WriteInteger("ShowOnLineMemoWindow", 1);
    Settings()->WriteString("EditorFontName", "NanumGothicCoding");
    Settings()->WriteInteger("EditorFontCharset", 129);
    RecordingHost host("ready\r\n");
    const std::string address = "127.0.0.1:" + std::to_string(host.Port());
    QuiroProgram q(address);
    ProbeState s;
    ASSERT_TRUE(StartFocused(q, "ready", s));
    EXPECT_EQ(s.Str("memoItemEnabled"), "1");

    const std::string first = ToCp949("[쪽지] 안녕하세요, 반갑습니다");
    host.Send(Memo(first));
    std::vector<std::string> lines;
    ASSERT_TRUE(q.WaitFor([&](const ProbeState& st) { return st.Str("memoVisible") == "1" && MemoLines(st, lines) && lines.size() == 1; },
                          10000, &s));
    EXPECT_EQ(lines[0], first);
    EXPECT_EQ(s.Str("memoCaption"), " On-Line Memo [" + address + " ]");
    // Shown beside the session, which keeps the keyboard.
    EXPECT_EQ(s.Int("consoleFocused"), 1);
    size_t mark = host.Received().size();
    Press('X');
    EXPECT_TRUE(host.Gets(mark, "x"));

    // The user selects part of the memo with the mouse; then three more arrive.
    const RECT view = ControlRect(s, "ONLINEMEMO_View");
    ASSERT_TRUE(q.Focus(Root(s, "memoWindow")));
    Drag(view.left + 30, view.top + 8, view.left + 90, view.top + 8);
    ASSERT_TRUE(q.WaitFor([](const ProbeState& st) { return st.Int("memoSelLength") > 0; }, 5000, &s));
    // Back to the session, which then covers the memo window.
    ASSERT_TRUE(q.Focus(q.Window()));
    SetWindowPos(q.Window(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ASSERT_TRUE(q.WaitFor([](const ProbeState& st) { return st.Int("consoleFocused") == 1; }, 5000, &s));
    const std::vector<std::string> more = {ToCp949("둘째 {메모} \\ 끝"), "third memo", ToCp949("셋째: 한글")};
    host.Send(Memo(more[0]) + Memo(more[1]) + Memo(more[2]));
    ASSERT_TRUE(q.WaitFor([&](const ProbeState& st) { return MemoLines(st, lines) && lines.size() == 4; }, 10000, &s))
        << FromHex(s.Str("memoText"));
    EXPECT_EQ(lines, (std::vector<std::string>{first, more[0], more[1], more[2]}));
    HWND memo = Root(s, "memoWindow");
    // They come into sight in front of the session, which keeps the keyboard.
    EXPECT_TRUE(Above(memo, q.Window()));
    EXPECT_EQ(s.Int("consoleFocused"), 1);
    mark = host.Received().size();
    Press('Y');
    EXPECT_TRUE(host.Gets(mark, "y"));
    RedrawWindow(memo, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    CaptureScreen(ControlRect(s, "OnLineMemoForm")).SaveBmp("online-memo.bmp");

    // Clear, then a memo: it is the first line again.
    q.Click("ONLINEMEMO_MENU_Clear");
    host.Send(Memo("after clear"));
    ASSERT_TRUE(q.WaitFor([&](const ProbeState& st) { return MemoLines(st, lines) && lines.size() == 1; }, 10000, &s));
    EXPECT_EQ(lines[0], "after clear");
    // Closed by the user, it comes back with the next memo.
    PostMessageA(Root(s, "memoWindow"), WM_CLOSE, 0, 0);
    ASSERT_TRUE(q.WaitFor([](const ProbeState& st) { return st.Str("memoVisible") == "0"; }, 5000, &s));
    host.Send(Memo("while closed"));
    ASSERT_TRUE(q.WaitFor([&](const ProbeState& st) { return st.Str("memoVisible") == "1" && MemoLines(st, lines) && lines.size() == 2; },
                          10000, &s));
    EXPECT_EQ(lines[1], "while closed");
    // ... and while the program is minimized.
    ShowWindow(q.Window(), SW_MINIMIZE);
    host.Send(Memo("while minimized"));
    ASSERT_TRUE(q.WaitFor([&](const ProbeState& st) { return MemoLines(st, lines) && lines.size() == 3; }, 10000, &s));
    EXPECT_EQ(lines[2], "while minimized");
    ShowWindow(q.Window(), SW_RESTORE);

    // A new session: the memo window names it and starts empty.
    RecordingHost next("again\r\n");
    const std::string nextAddress = "127.0.0.1:" + std::to_string(next.Port());
    q.Click("MAIN_BTN_Disconnect");
    ASSERT_TRUE(q.WaitFor(Ended, 10000, &s));
    q.Connect(nextAddress);
    EXPECT_TRUE(q.WaitFor([&](const ProbeState& st) {
        return st.Str("memoCaption") == " On-Line Memo [" + nextAddress + " ]" && FromHex(st.Str("memoText")).empty();
    }, 10000, &s)) << s.Str("memoCaption");

    // Memos switched off in the settings: the window closes, the pop-up's item is off.
    q.ClickLater("MAIN_BTN_GlobalConfig");
    FormState f;
    ASSERT_TRUE(q.WaitForForm("GlobalConfigForm", [](const FormState& st) { return st.at("form").visible; }, 20000, &f));
    q.Click("GlobalConfigForm.GSET_CB_OnLineMemoWindow");
    q.Click("GlobalConfigForm.GSET_BTN_OK");
    EXPECT_TRUE(q.WaitFor([](const ProbeState& st) { return st.Str("memoVisible") + st.Str("memoItemEnabled") == "00"; },
                          10000, &s));
    EXPECT_EQ(q.Close(), 0);
}

// The Hanja of the syllable being typed replace it; Ctrl+Space opens the table on its
// other characters; a pick goes to the capture editor when the table serves it.
TEST(CharacterTable, HanjaKeyCtrlSpaceAndTheEditor) {
    DeleteSettings();
    Settings()->WriteInteger("UseInternalFont", 1);
    Settings()->WriteInteger("EditorFontCharset", 129);
    RecordingHost host("ready\r\n");
    QuiroProgram q("127.0.0.1:" + std::to_string(host.Port()));
    ProbeState s;
    ASSERT_TRUE(StartFocused(q, "ready", s));
    EXPECT_EQ(s.Str("tableItemEnabled"), "1");
    Press('H', kAlt);
    ASSERT_TRUE(q.WaitFor([](const ProbeState& st) { return st.Int("keyMode") == 1; }, 5000, &s));

    // 한, not finished; the Hanja key; the first of its Hanja with Enter.
    size_t mark = host.Received().size();
    TypeLetters("gks");
    Press(VK_HANJA);
    ASSERT_TRUE(q.WaitFor([](const ProbeState& st) { return st.Str("tableVisible") == "1"; }, 5000, &s));
    EXPECT_EQ(s.Int("tableTab"), 0);
    EXPECT_EQ(s.Int("tableTarget"), 0);
    RedrawWindow(Root(s, "tableWindow"), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    CaptureScreen(ControlRect(s, "CharacterTableForm")).SaveBmp("character-table-hanja.bmp");
    Press(VK_RIGHT);
    Press(VK_RETURN);
    // 0xF9CE: U+5BD2, the first Hanja read han in glibc's EUC-KR table; the syllable is
    // not sent.
    EXPECT_TRUE(host.Gets(mark, "\xF9\xCE")) << ::testing::PrintToString(host.Received().substr(mark));
    ASSERT_TRUE(q.WaitFor([](const ProbeState& st) { return st.Str("tableVisible") == "0"; }, 5000, &s));
    ASSERT_TRUE(q.WaitFor([](const ProbeState& st) { return st.Int("consoleFocused") == 1; }, 5000, &s));

    // Ctrl+Space with nothing composed: the Symbol tab; four tabs on, Greek; alpha clicked.
    mark = host.Received().size();
    Press(VK_SPACE, kCtrl);
    ASSERT_TRUE(q.WaitFor([](const ProbeState& st) { return st.Str("tableVisible") == "1"; }, 5000, &s));
    EXPECT_EQ(s.Int("tableTab"), 3);
    for (int i = 0; i < 4; ++i) Press(VK_TAB);
    ASSERT_TRUE(q.WaitFor([](const ProbeState& st) { return st.Int("tableTab") == 7; }, 5000, &s));
    const RECT grid = ControlRect(s, "CTABLE_PaintBox");
    MouseTo(grid.left + 9, grid.top + 7);  // the first cell
    Click(grid.left + 8, grid.top + 8);
    MouseTo(5, 1015);  // out of the way: a pointer over the grid highlights its cell
    EXPECT_TRUE(host.Gets(mark, "\xA5\xC1")) << ::testing::PrintToString(host.Received().substr(mark));
    ASSERT_TRUE(q.WaitFor([](const ProbeState& st) { return st.Str("tableVisible") == "0" && st.Int("consoleFocused") == 1; }, 5000, &s));
    Press('H', kAlt);  // back to English on the console
    ASSERT_TRUE(q.WaitFor([](const ProbeState& st) { return st.Int("keyMode") == 0; }, 5000, &s));

    // In the capture editor: 한 typed there, the Hanja key, the first Hanja in its place.
    q.Click("MAIN_BTN_Capture");
    ASSERT_TRUE(q.WaitFor([](const ProbeState& st) { return st.Str("editorVisible") == "1"; }, 5000, &s));
    ASSERT_TRUE(q.Focus(Root(s, "editorWindow")));
    Press(VK_SPACE, kShift);
    TypeLetters("rk");  // 가, finished by the next syllable
    TypeLetters("gks");
    Press(VK_HANJA);
    ASSERT_TRUE(q.WaitFor([](const ProbeState& st) { return st.Str("tableVisible") == "1"; }, 5000, &s));
    EXPECT_EQ(s.Int("tableTarget"), 1);
    EXPECT_EQ(s.Int("tableTab"), 0);
    Press(VK_RIGHT);
    Press(VK_RETURN);
    EXPECT_TRUE(q.WaitFor([](const ProbeState& st) { return FromHex(st.Str("editorText")) == "\xB0\xA1\xF9\xCE"; }, 5000,
                          &s))
        << ::testing::PrintToString(FromHex(s.Str("editorText")));
    EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == Root(s, "editorWindow"); }, 5000));

    // While it shows, the table serves the window the user went to last.
    ASSERT_TRUE(q.Focus(q.Window()));
    Press(VK_SPACE, kCtrl);
    EXPECT_TRUE(q.WaitFor([](const ProbeState& st) { return st.Str("tableVisible") + st.Str("tableTarget") == "10"; },
                          5000, &s));
    ASSERT_TRUE(q.Focus(Root(s, "editorWindow")));
    EXPECT_TRUE(q.WaitFor([](const ProbeState& st) { return st.Str("tableTarget") == "1"; }, 5000, &s));
    std::thread answer([&] {
        if (HWND box = q.WaitForDialog(10000)) Answer(box, IDNO);
    });
    EXPECT_EQ(q.Close(), 0);
    answer.join();
}
