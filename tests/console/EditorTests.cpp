// The capture editor in the program, against a host that records what it receives: the
// capture button opens it under the console, captured text and hex dumps land in it, text
// typed there in Korean goes out line by line, a long selection goes out as a batch to a
// host that reads slowly, a Ctrl+click on a console word lands in it, it follows the main
// window, and closing asks about its unsaved text.
#include <gtest/gtest.h>

#include <thread>

#include "InputKit.h"

using namespace quiro::console::test;

namespace {

std::string EditorText(const ProbeState& s) {
    return s.fields.count("editorText") ? FromHex(s.Str("editorText")) : std::string();
}

bool Holds(const ProbeState& s, const std::string& text) { return EditorText(s).find(text) != std::string::npos; }

}  // namespace

TEST(CaptureEditor, CaptureTypeSendBatchAndFollowTheConsole) {
    DeleteSettings();
    Settings()->WriteInteger("UseInternalFont", 1);
    Settings()->WriteInteger("EditorFontCharset", 129);
    RecordingHost host("ready\r\n", 4096);
    QuiroProgram q("127.0.0.1:" + std::to_string(host.Port()));
    ProbeState s;
    ASSERT_TRUE(StartFocused(q, "ready", s));

    // The capture button: the editor under the console, as wide.
    q.Click("MAIN_BTN_Capture");
    ASSERT_TRUE(q.WaitFor([](const ProbeState& st) { return st.Str("editorVisible") == "1"; }, 5000, &s));
    RECT main = ControlRect(s, "ConsoleForm"), editor = ControlRect(s, "EditMainForm");
    EXPECT_EQ(editor.left, main.left);
    EXPECT_EQ(editor.right, main.right);
    EXPECT_EQ(editor.top, main.bottom);
    EXPECT_EQ(s.Str("captureDown"), "1");
    EXPECT_EQ(s.Str("editorCaption"), " 127.0.0.1:" + std::to_string(host.Port()) + " - Capture Edit [untitled]");

    // A colour screen with Korean text, captured in order; then the same bytes as a dump.
    const std::string hangul = ToCp949("안녕하세요"), second = ToCp949("둘째 줄");
    host.Send("\x1B[1;33m" + hangul + "\x1B[0m\r\n" + second + "\r\n");
    EXPECT_TRUE(q.WaitFor([&](const ProbeState& st) { return Holds(st, hangul + "\r" + second + "\r"); }, 5000, &s))
        << EditorText(s);
    // Both windows painted through (the program paints as it handles the requests).
    for (HWND w : {q.Window(), GetAncestor(reinterpret_cast<HWND>(std::stoull(s.Str("editorWindow"))), GA_ROOT)})
        RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    CaptureScreen(RECT{main.left, main.top, editor.right, editor.bottom}).SaveBmp("capture-editor.bmp");
    q.Click("CED_BTN_CaptureHEX");
    host.Send("AB");
    EXPECT_TRUE(q.WaitFor([](const ProbeState& st) { return Holds(st, "(2 bytes)\r41 42 "); }, 5000, &s))
        << EditorText(s);
    q.Click("CED_BTN_CaptureHEX");
    q.Click("CED_BTN_Capture");  // the editor's own switch off: nothing more comes in
    const std::string before = EditorText(s);

    // Korean typed in the editor, sent by line with Enter.
    q.Click("CED_BTN_SendByLine");
    ASSERT_TRUE(q.Focus(GetAncestor(reinterpret_cast<HWND>(std::stoull(s.Str("editorWindow"))), GA_ROOT)));
    size_t mark = host.Received().size();
    Press(VK_SPACE, kShift);
    TypeLetters("gksrmf");
    Press(VK_RETURN);
    EXPECT_TRUE(host.Gets(mark, "\xC7\xD1\xB1\xDB\r")) << ::testing::PrintToString(host.Received().substr(mark));
    Press(VK_SPACE, kShift);

    // A long selection as a batch, to a host that stops reading meanwhile: all of it, in
    // order, and the window answers while it waits.
    std::wstring lines;
    int count = 0;
    while (lines.size() < 100000) lines += L"batch line " + std::to_wstring(count++) + L"\r\n";
    const std::string lastLine = "batch line " + std::to_string(count - 1) + "\r";
    ASSERT_TRUE(WithClipboard([&](TClipboard& c) { c.SetAsUnicodeText(lines); }));
    Press('V', kCtrl);
    ASSERT_TRUE(q.WaitFor([&](const ProbeState& st) { return Holds(st, lastLine); }, 20000, &s));
    const std::string all = EditorText(s);
    host.Reading = false;
    mark = host.Received().size();
    Press('A', kCtrl);
    Press(VK_RETURN, kCtrl);
    ASSERT_TRUE(q.WaitFor([](const ProbeState& st) { return st.Int("sendQueue") > 0; }, 10000, &s));
    host.Reading = true;
    EXPECT_TRUE(host.Gets(mark, all, 60000)) << host.Received().size() - mark << " of " << all.size();
    EXPECT_EQ(all.substr(0, before.size()), before);

    // Ctrl+click on a console word puts it into the editor.
    ASSERT_TRUE(q.Focus(q.Window()));
    s = q.State();
    const POINT word = CellCentre(s, s.Find("ready"), 2);
    MouseTo(word.x + 1, word.y);
    Click(word.x, word.y, kCtrl);
    MouseTo(5, 1015);  // out of the way: a pointer over the text highlights a word
    EXPECT_TRUE(q.WaitFor([](const ProbeState& st) { return EditorText(st) == "ready "; }, 5000, &s))
        << EditorText(s).substr(0, 100);  // in place of the selection (all of the text)

    // The glued editor follows the main window.
    main = ControlRect(s, "ConsoleForm");
    SetWindowPos(q.Window(), nullptr, main.left + 30, main.top + 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ASSERT_TRUE(q.WaitFor([&](const ProbeState& st) { return ControlRect(st, "ConsoleForm").left == main.left + 30; },
                          5000, &s));
    editor = ControlRect(s, "EditMainForm");
    EXPECT_EQ(editor.left, main.left + 30);
    EXPECT_EQ(editor.top, ControlRect(s, "ConsoleForm").bottom);

    // Alt+E hides it with the capture button; Alt+C brings both back and goes to the editor.
    const HWND editorWindow = GetAncestor(reinterpret_cast<HWND>(std::stoull(s.Str("editorWindow"))), GA_ROOT);
    ASSERT_TRUE(q.Focus(q.Window()));
    Press('E', kAlt);
    EXPECT_TRUE(q.WaitFor([](const ProbeState& st) { return st.Str("editorVisible") + st.Str("captureDown") == "00"; },
                          5000, &s));
    Press('C', kAlt);
    EXPECT_TRUE(q.WaitFor([](const ProbeState& st) { return st.Str("editorVisible") + st.Str("captureDown") == "11"; },
                          5000, &s));
    EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == editorWindow; }, 5000));

    // Closing asks about the unsaved text: Cancel keeps the program, No closes it.
    PostMessageA(q.Window(), WM_CLOSE, 0, 0);
    HWND question = q.WaitForDialog(10000);
    ASSERT_TRUE(question);
    DialogSeen seen = Answer(question, IDCANCEL);
    EXPECT_EQ(seen.caption, " Quiro 2: Warning");
    EXPECT_NE(seen.text.find("Save editor changes before exit?"), std::string::npos);
    EXPECT_EQ(q.State().Int("connected"), 1);
    std::thread answer([&] {
        if (HWND box = q.WaitForDialog(10000)) Answer(box, IDNO);
    });
    EXPECT_EQ(q.Close(), 0);
    answer.join();
}
