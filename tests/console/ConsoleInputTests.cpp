// The console under Wine with the user's own input: keys and mouse events through the
// system's input queue into quiro_probe.exe, connected to a scripted host that records
// every byte it receives; the view and the clipboard read back.
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <mutex>

#include "ProgramKit.h"
#include "SessionKit.h"
#include "comm/CommTestKit.h"
#include "framework/Clipbrd.h"
#include "InputKit.h"

using namespace quiro::console::test;
using namespace quiro::comm::test;

namespace {

const std::string kKeyMap = std::string(QUIRO_BINARY_DIR) + "/src/console/KeyMap.INI";

std::string ClipboardText() {
    std::string text;
    WithClipboard([&](TClipboard& c) { text = c.AsText(); });
    return text;
}

struct Keystroke {
    const char* name;
    WORD vk;
    int modifiers;
    const char* bytes;
};

}  // namespace

// Korean typed with the program's own automaton in each layout: Alt+H shows the layout's
// image; leaving Hangul mode sends the syllable in progress.
TEST(ConsoleKeys, HangulLayoutsTypeSyllables) {
    struct Layout {
        int mode;
        const char* keys;  // "han" "geul", then one more initial consonant
        const char* image;
    };
    for (const Layout& l : {Layout{1, "gksrmfr", "MAIN_IMG_KeyModeHan2"}, Layout{3, "mfskgwk", "MAIN_IMG_KeyModeHan3"}}) {
        SCOPED_TRACE(l.image);
        DeleteSettings();
        Settings()->WriteInteger("UseInternalFont", 1);
        Settings()->WriteInteger("HanguelKeyLayoutMode", l.mode);
        RecordingHost host("ready\r\n");
        QuiroProgram q("127.0.0.1:" + std::to_string(host.Port()));
        ProbeState s;
        ASSERT_TRUE(StartFocused(q, "ready", s));
        Press('H', kAlt);
        ASSERT_TRUE(q.WaitFor([](const ProbeState& st) { return st.Int("keyMode") == 1; }, 5000, &s));
        EXPECT_EQ(s.Str("keyModeImage"), l.image);
        const size_t mark = host.Received().size();
        TypeLetters(std::string(l.keys, 6));
        Press(VK_TAB);
        EXPECT_TRUE(host.Gets(mark, "\xC7\xD1\xB1\xDB\x09")) << ::testing::PrintToString(host.Received().substr(mark));
        TypeLetters(l.keys + 6);
        Press('H', kAlt);
        ASSERT_TRUE(q.WaitFor([](const ProbeState& st) { return st.Int("keyMode") == 0; }, 5000, &s));
        EXPECT_EQ(s.Str("keyModeImage"), "MAIN_IMG_KeyModeEng");
        EXPECT_TRUE(host.Gets(mark, "\xC7\xD1\xB1\xDB\x09\xA4\xA1"));
        // No syllable stays drawn at the cursor: the console shows its cells only.
        const Picture expected = RenderConsole(s);
        EXPECT_EQ(ConsoleOnScreen(s, expected).Differences(expected), 0);
        EXPECT_EQ(q.Close(), 0);
    }
}

// A program just started and focused has taken in the display's events for it: reading
// them again while Alt is held (as its thread may at any moment) lets go of nothing, and
// Alt+H arrives whole. (Read late, such an event made Wine drop the held Alt: Alt+H came
// as a plain "h".)
TEST(ConsoleKeys, AHeldAltOutlastsTheDisplaysEvents) {
    DeleteSettings();
    Settings()->WriteInteger("UseInternalFont", 1);
    RecordingHost host("ready\r\n");
    QuiroProgram q("127.0.0.1:" + std::to_string(host.Port()));
    ProbeState s;
    ASSERT_TRUE(StartFocused(q, "ready", s));
    INPUT keys[4]{};
    for (INPUT& in : keys) in.type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[3].ki.wVk = VK_MENU;
    keys[1].ki.wVk = keys[2].ki.wVk = 'H';
    keys[2].ki.dwFlags = keys[3].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(1, keys, sizeof(INPUT));
    ASSERT_TRUE(q.SettleDisplay());
    EXPECT_LT(GetAsyncKeyState(VK_MENU), 0);
    SendInput(3, keys + 1, sizeof(INPUT));
    EXPECT_TRUE(q.WaitFor([](const ProbeState& st) { return st.Int("keyMode") == 1; }, 5000, &s));
    EXPECT_EQ(host.Received(), "");
    EXPECT_EQ(q.Close(), 0);
}

// The control and special keys, Shift+Space taken with Shift as it was at the key, and a
// changed "KeyMap.INI" read at the next key.
TEST(ConsoleKeys, ControlKeysAndTheKeyMap) {
    DeleteSettings();
    DeleteFileA(kKeyMap.c_str());
    Settings()->WriteInteger("UseInternalFont", 1);
    RecordingHost host("ready\r\n");
    QuiroProgram q("127.0.0.1:" + std::to_string(host.Port()));
    ProbeState s;
    ASSERT_TRUE(StartFocused(q, "ready", s));
    const Keystroke keys[] = {
        {"Enter", VK_RETURN, 0, "\r"},          {"Ctrl+Enter", VK_RETURN, kCtrl, "\r\n"},
        {"Ctrl+Backspace", VK_BACK, kCtrl, "\x7F"}, {"Up", VK_UP, 0, "\x1B[A"},
        {"F1", VK_F1, 0, "\x1BOP"},             {"Ctrl+C", 'C', kCtrl, "\x03"},
    };
    size_t mark;
    for (const Keystroke& k : keys) {
        mark = host.Received().size();
        Press(k.vk, k.modifiers);
        EXPECT_TRUE(host.Gets(mark, k.bytes)) << k.name;
    }
    Press(VK_SPACE, kShift);
    ASSERT_TRUE(q.WaitFor([](const ProbeState& st) { return st.Int("keyMode") == 1; }, 5000, &s));
    mark = host.Received().size();
    TypeLetters("rk");
    Press(VK_RETURN);
    EXPECT_TRUE(host.Gets(mark, "\xB0\xA1\r"));

    std::ofstream(kKeyMap) << "[QuiroKeyMap]\r\nKeyF1_Norm=mapped F1\r\n";
    mark = host.Received().size();
    Press(VK_F1);
    EXPECT_TRUE(host.Gets(mark, "mapped F1"));
    DeleteFileA(kKeyMap.c_str());
    EXPECT_EQ(q.Close(), 0);
}

// 60 numbered lines: the last is in view; one line of scroll-back moves the picture by a
// cell and shows what a full repaint of that state shows; a key returns the view and is
// not sent. At 132 columns in a narrow window the view follows the cursor sideways.
TEST(ConsoleView, ScrollBackMovesByACellAndFollowsTheCursorSideways) {
    DeleteSettings();
    Settings()->WriteInteger("UseInternalFont", 1);
    Settings()->WriteInteger("ScreenSizeWidth", 132);
    std::string lines;
    for (int i = 1; i <= 60; ++i) lines += "numbered line " + std::to_string(i) + "\r\n";
    RecordingHost host(lines);
    QuiroProgram q("127.0.0.1:" + std::to_string(host.Port()));
    ProbeState s;
    ASSERT_TRUE(StartFocused(q, "numbered line 60", s));
    SetWindowPos(q.Window(), nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);  // all of it on the screen
    ASSERT_TRUE(q.WaitFor([](const ProbeState& st) { return st.Int("paintBoxLeft") < 40; }, 5000, &s));
    const int last = s.Find("numbered line 60"), rows = s.Int("paintBoxHeight") / s.Int("cellHeight");
    const int first = s.Int("firstDisplayedLine");
    EXPECT_GE(last, first);
    EXPECT_LT(last, first + rows);

    const RECT bar = ControlRect(s, "MAIN_VSCR_Console");
    const int arrow = bar.right - bar.left;
    Click((bar.left + bar.right) / 2, bar.top + arrow / 2);
    ASSERT_TRUE(q.WaitFor([&](const ProbeState& st) { return st.Int("firstDisplayedLine") == first - 1; }, 5000, &s));
    Picture expected = RenderConsole(s), onScreen = ConsoleOnScreen(s, expected);
    EXPECT_EQ(onScreen.Differences(expected), 0);
    onScreen.SaveBmp("console-scrolled-back.bmp");

    // The caret shown at the cursor cell after the view jumped back and after received text.
    auto caretAtCursor = [](const ProbeState& st) {
        return st.Int("caretShown") == 1 &&
               st.Int("caretLeft") ==
                   st.Int("paintBoxLeft") + st.Int("horizontalOffset") + st.Int("cursorColumn") * st.Int("cellWidth") &&
               st.Int("caretTop") == st.Int("paintBoxTop") + (st.Int("screenTop") + st.Int("cursorRow") -
                                                              st.Int("firstDisplayedLine")) * st.Int("cellHeight");
    };
    const size_t mark = host.Received().size();
    ASSERT_TRUE(q.Focus(q.Window()));
    TypeLetters("x");
    EXPECT_TRUE(q.WaitFor([&](const ProbeState& st) { return st.Int("firstDisplayedLine") == first; }, 5000, &s));
    EXPECT_TRUE(q.WaitFor(caretAtCursor, 5000, &s));
    TypeLetters("y");
    EXPECT_TRUE(host.Gets(mark, "y"));

    RECT window;
    GetWindowRect(q.Window(), &window);
    SetWindowPos(q.Window(), nullptr, 0, 0, 400, window.bottom - window.top, SWP_NOMOVE | SWP_NOZORDER);
    host.Send("\x1B[5;120Hfar right");
    ASSERT_TRUE(q.WaitFor([](const ProbeState& st) { return st.Int("cursorColumn") == 128; }, 5000, &s));
    EXPECT_TRUE(q.WaitFor(caretAtCursor, 5000, &s));
    const int cursorX = s.Int("horizontalOffset") + 128 * s.Int("cellWidth");
    EXPECT_GE(cursorX, 0);
    EXPECT_LE(cursorX + s.Int("cellWidth"), s.Int("paintBoxWidth"));
    EXPECT_EQ(q.Close(), 0);
}

// The mouse: the first click into an inactive program only focuses; a click on a number
// sends it and Enter; Shift+click on blank space sends a blank; a drag over two lines is
// copied with "\r\n" between them; Paste sends Unicode text in the console's code page
// with CR for each line end.
TEST(ConsoleMouse, ClickDragCopyAndPaste) {
    DeleteSettings();
    Settings()->WriteInteger("UseInternalFont", 1);
    RecordingHost host("Choose 42 to read\r\nsecond line\r\n");
    QuiroProgram q("127.0.0.1:" + std::to_string(host.Port()));
    ProbeState s;
    ASSERT_TRUE(StartFocused(q, "second line", s));
    const int line = s.Find("Choose 42 to read");
    const POINT number = CellCentre(s, line, 7), blank = CellCentre(s, line + 4, 30);

    SetForegroundWindow(GetDesktopWindow());
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() != q.Window(); }));
    size_t mark = host.Received().size();
    Click(number.x, number.y);
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == q.Window(); }));
    // The display's events of that activation taken in first, or one read late can move the
    // pointer back in the middle of the drag below.
    ASSERT_TRUE(q.Focus(q.Window()));
    MouseTo(number.x + 1, number.y);
    Click(number.x, number.y);
    EXPECT_TRUE(host.Gets(mark, "42\r"));
    mark = host.Received().size();
    Click(blank.x, blank.y, kShift);
    EXPECT_TRUE(host.Gets(mark, " "));

    const POINT from = CellCentre(s, line, 7), to = CellCentre(s, line + 1, 5);
    Drag(from.x - s.Int("cellWidth") / 4, from.y, to.x - s.Int("cellWidth") / 4, to.y);
    mark = host.Received().size();
    ASSERT_TRUE(WithClipboard([](TClipboard& c) { c.SetAsText(""); }));
    Press('C', kCtrl);
    EXPECT_TRUE(PumpUntil([] { return ClipboardText() == "42 to read\r\nsecon"; })) << ClipboardText();
    EXPECT_EQ(host.Received().substr(mark), "");

    Click(blank.x, blank.y);  // only ends the selection
    ASSERT_TRUE(WithClipboard([](TClipboard& c) { c.SetAsUnicodeText(L"\xD55C" L"a\r\nb"); }));
    mark = host.Received().size();
    Press(VK_INSERT, kShift);
    EXPECT_TRUE(host.Gets(mark, "\xC7\xD1" "a\rb")) << ::testing::PrintToString(host.Received().substr(mark));
    EXPECT_EQ(q.Close(), 0);
}

// A 1 MB paste to a host that does not read: the window goes on answering, everything
// arrives in order once the host reads again; with the host stopped once more, Disconnect
// ends the session and drops what waits.
TEST(ConsolePaste, LargePasteToAHostThatStopsReading) {
    DeleteSettings();
    RecordingHost host("ready\r\n", 4096);
    QuiroProgram q("127.0.0.1:" + std::to_string(host.Port()));
    ProbeState s;
    ASSERT_TRUE(StartFocused(q, "ready", s));
    std::wstring text;
    for (int i = 0; text.size() < (1u << 20); ++i) text += L"paste line " + std::to_wstring(i) + L"\r\n";
    std::string expected;
    for (wchar_t c : text)
        if (c != L'\n') expected += char(c);

    host.Reading = false;
    const size_t mark = host.Received().size();
    ASSERT_TRUE(WithClipboard([&](TClipboard& c) { c.SetAsUnicodeText(text); }));
    Press(VK_INSERT, kShift);
    ASSERT_TRUE(q.WaitFor([](const ProbeState& st) { return st.Int("sendQueue") > 0; }, 10000, &s));
    Press(VK_RETURN);  // typed meanwhile: it follows the paste
    EXPECT_FALSE(q.State().fields.empty()) << "the window does not answer";
    host.Reading = true;
    EXPECT_TRUE(host.Gets(mark, expected + "\r", 60000));

    // The system's buffers grew with the first megabyte: paste until the port is full.
    host.Reading = false;
    bool queued = false;
    for (int i = 0; i < 8 && !queued; ++i) {
        Press(VK_INSERT, kShift);
        queued = q.WaitFor([](const ProbeState& st) { return st.Int("sendQueue") > 0; }, 3000, &s);
    }
    ASSERT_TRUE(queued);
    const RECT disconnect = ControlRect(s, "MAIN_BTN_Disconnect");
    Click((disconnect.left + disconnect.right) / 2, (disconnect.top + disconnect.bottom) / 2);
    EXPECT_TRUE(q.WaitFor([](const ProbeState& st) { return st.Int("connected") == 0 && st.Int("sendQueue") == 0; },
                          10000, &s));
    host.Reading = true;
    EXPECT_EQ(q.Close(), 0);
}
