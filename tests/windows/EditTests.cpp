// The capture editor under Wine, on its own: captured and typed text, its Hangul input,
// its sends, its files and its printing.
#include <richedit.h>
#include <shlobj.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "EditKit.h"
#include "HarnessCheck.h"
#include "framework/Printers.h"
#include "framework/WinePrinterKit.h"

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST_F(EditorFixture, CaptureLandsAtTheEndInTheEditorsFont) {
    edit->SetText("typed");
    Caret(2);  // the user's caret inside the text
    editor->AppendCapture(K("첫 줄\r{둘째} \\ 줄\r"));
    editor->AppendCapture("x\r");
    EXPECT_EQ(Text(), "typed" + K("첫 줄\r{둘째} \\ 줄\r") + "x\r");
    EXPECT_EQ(edit->SelStart(), edit->TextLength());
    EXPECT_TRUE(editor->Modified());
    edit->SetSelection(5, 7, false);
    TXcTextAttributes* sel = edit->SelAttributes();
    EXPECT_EQ(sel->Name(), K("굴림체"));
    EXPECT_EQ(sel->Size(), 12);
    EXPECT_EQ(sel->Color(), clNavy);
    EXPECT_EQ(sel->Charset(), HANGEUL_CHARSET);
    // A word the console hands over goes in at the caret, the caret behind it.
    Caret(2);
    editor->InsertAtCaret(K("단어 "));
    EXPECT_EQ(Text().substr(0, 10), "ty" + K("단어 ") + "ped");
    EXPECT_EQ(edit->SelStart(), 5);
}

TEST_F(EditorFixture, HangulTypingShowsTheSyllableAndEnterBreaksTheLineOffline) {
    ASSERT_EQ(editor->HanguelAvailable, 1);
    EXPECT_TRUE(editor->IMG_English->Visible());
    Key(VK_SPACE, ssShift);
    EXPECT_TRUE(editor->IMG_Hanguel2->Visible());
    Letters("gksrm");
    // The syllable in progress is text, shown selected.
    EXPECT_EQ(Text(), K("한그"));
    EXPECT_EQ(edit->SelLength(), 1);
    Letters("f");
    EXPECT_EQ(Text(), K("한글"));
    Key(VK_RETURN);  // off-line: the syllable stays and the line breaks
    Letters("rk");
    EXPECT_EQ(Text(), K("한글\r가"));
    Key(VK_BACK);  // takes back the vowel
    EXPECT_EQ(Text(), K("한글\rㄱ"));
    Key(VK_DELETE);  // drops the syllable
    EXPECT_EQ(Text(), K("한글\r"));
    // The Hanja key asks for the character table with the syllable's code.
    Letters("gks");
    Key(VK_HANJA);
    ASSERT_EQ(host.tables.size(), 1u);
    EXPECT_EQ(host.tables[0], 0xC7D1);  // 한
    // English mode: Tab goes to the next stop of five.
    Key(VK_SPACE, ssShift);
    EXPECT_TRUE(editor->IMG_English->Visible());
    Letters("ab");
    Key(VK_TAB);
    Letters("c");
    EXPECT_EQ(Text(), K("한글\r한ab c"));
}

TEST_F(EditorFixture, EnterSendsTheLineAndCtrlEnterTheSelection) {
    host.open = true;
    edit->SetText("hello world\rsecond line\rthird");
    editor->SetSendByLine(true);
    Caret(5);
    Key(VK_RETURN);
    EXPECT_EQ(host.sent, "hello\r");
    EXPECT_EQ(Text(), "hello world\rsecond line\rthird");  // sent, no line break
    host.sent.clear();
    // With the head and tail words.
    editor->CED_BTN_SendHeadTail->SetDown(true);
    editor->CED_BTN_SendHeadTailClick();
    EXPECT_TRUE(editor->CED_PANEL_Header->Visible());
    editor->CED_CB_Head->SetText("to");
    editor->CED_CB_Tail->SetText("--");
    Caret(14);
    Key(VK_RETURN, ssCtrl);  // no selection: the whole line
    EXPECT_EQ(host.sent, "to second line --\r");
    host.sent.clear();
    editor->CED_BTN_SendHeadTail->SetDown(false);
    editor->CED_BTN_SendHeadTailClick();
    // A selection from the middle of line 1 into line 3, as CR LF.
    host.crlf = true;
    edit->SetSelection(6, 27, false);
    EXPECT_TRUE(editor->CED_BTN_BatchSend->Enabled());
    Key(VK_RETURN, ssCtrl);
    EXPECT_EQ(host.sent, "world\r\nsecond line\r\nthi");
    // Off-line nothing goes and Enter breaks the line.
    host.open = false;
    host.sent.clear();
    Caret(5);
    Key(VK_RETURN);
    EXPECT_EQ(host.sent, "");
    EXPECT_EQ(Text(), "hello\r world\rsecond line\rthird");
}

// Also run under code page 1252: the editor's text goes out in the editor's code page, not
// the system's, and its Tab stops count that code page's bytes.
TEST_F(EditorFixture, KoreanGoesOutInTheEditorsCodePage) {
    ASSERT_EQ(GetACP(), HarnessCodePage()) << "the system code page is not the one this run is for";
    host.open = true;
    Key(VK_SPACE, ssShift);
    Letters("gksrmf");
    Key(VK_SPACE, ssShift);
    Key(VK_TAB);  // four bytes before it: one blank
    Letters("x");
    editor->SetSendByLine(true);
    Key(VK_RETURN);
    EXPECT_EQ(host.sent, K("한글") + " x\r");
    host.sent.clear();
    edit->SetSelection(0, -1, false);  // all of it: without the closing paragraph mark
    editor->CED_BTN_BatchSendClick();
    EXPECT_EQ(host.sent, K("한글") + " x");
}

TEST_F(EditorFixture, TextAndRtfFilesRoundTrip) {
    const std::string text = K("한글 줄\r둘째 {줄}");
    edit->SetText(text);
    const std::string txt = dir.Path("capture.txt");
    ASSERT_TRUE(editor->SaveFile(txt));
    EXPECT_EQ(ReadFile(txt), K("한글 줄\r\n둘째 {줄}"));  // code page 949 on disk
    EXPECT_FALSE(editor->Modified());
    EXPECT_EQ(editor->Caption(), " " + txt);
    const std::string rtf = dir.Path("capture.rtf");
    ASSERT_TRUE(editor->SaveFile(rtf));
    EXPECT_EQ(ReadFile(rtf).substr(0, 6), "{\\rtf1");

    edit->SetText("other");
    ASSERT_TRUE(editor->LoadFile(txt));
    EXPECT_EQ(Text(), K("한글 줄\r둘째 {줄}"));
    // An RTF file keeps its text and takes the editor's face and size; ".RTF" counts too.
    const std::string upper = dir.Path("UPPER.RTF");
    CopyFileA(rtf.c_str(), upper.c_str(), FALSE);
    edit->SetText("other");
    answers = {IDOK};
    WithBoxes([&] { EXPECT_TRUE(editor->LoadFile(upper)); });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, " Info");
    EXPECT_EQ(boxes[0].text, "All character formats are lost!");
    EXPECT_EQ(Text(), K("한글 줄\r둘째 {줄}"));
    edit->SetSelection(0, 2, false);
    EXPECT_EQ(edit->SelAttributes()->Name(), K("굴림체"));
}

TEST_F(EditorFixture, APlainFileReadInBlocksKeepsPairsWhole) {
    // Pairs across every block edge the control's reads may make.
    std::string lines;
    for (int i = 0; i < 3000; ++i) lines += K("가") + (i % 7 == 0 ? "\r\n" : "a");
    const std::string name = dir.Path("pairs.log");
    WriteFile(name, lines);
    ASSERT_TRUE(editor->LoadFile(name));
    std::string expected;
    for (int i = 0; i < 3000; ++i) expected += K("가") + (i % 7 == 0 ? "\r" : "a");
    EXPECT_EQ(Text(), expected);
}

TEST_F(EditorFixture, AFailedLoadOrSaveKeepsTheText) {
    edit->SetText("precious");
    Caret(8);
    editor->InsertAtCaret("!");
    answers = {IDOK, IDOK};
    WithBoxes([&] {
        EXPECT_FALSE(editor->LoadFile(dir.Path("missing.txt")));
        EXPECT_FALSE(editor->SaveFile(dir.Path("no folder") + "\\capture.txt"));
    });
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].caption, " ERROR");
    EXPECT_EQ(boxes[0].text, "Unable to open '" + dir.Path("missing.txt") + "'.");
    EXPECT_EQ(boxes[1].text, "Unable to save '" + dir.Path("no folder") + "\\capture.txt'.");
    EXPECT_EQ(Text(), "precious!");
    EXPECT_TRUE(editor->Modified());
}

TEST_F(EditorFixture, ADroppedFileAsksAboutChangesFirst) {
    const std::string name = dir.Path("dropped.txt");
    WriteFile(name, "dropped");
    editor->InsertAtCaret("changed");
    answers = {IDNO};
    std::string list = name + '\0' + '\0';
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + list.size());
    auto* drop = static_cast<DROPFILES*>(GlobalLock(mem));
    drop->pFiles = sizeof(DROPFILES);
    memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), list.data(), list.size());
    GlobalUnlock(mem);
    WithBoxes([&] {
        PostMessageA(editor->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(mem), 0);
        uitest::PumpUntil([&] { return Text() == "dropped"; }, 5000);
    });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, " Confirm");
    EXPECT_EQ(boxes[0].text, "Save changes to [untitled] ?");
    EXPECT_EQ(Text(), "dropped");
    EXPECT_EQ(editor->FileName, name);
}

// Pages of the text on an enhanced metafile, as on a printer without one.
class MetafileTarget : public TRichPrintTarget {
public:
    MetafileTarget() {
        HDC screen = GetDC(nullptr);
        dc = CreateEnhMetaFileA(screen, nullptr, nullptr, nullptr);
        width = GetDeviceCaps(screen, HORZRES);
        height = GetDeviceCaps(screen, VERTRES);
        ReleaseDC(nullptr, screen);
    }
    ~MetafileTarget() override { DeleteEnhMetaFile(CloseEnhMetaFile(dc)); }
    HDC DC() override { return dc; }
    int PageWidth() override { return width; }
    int PageHeight() override { return height; }
    void NewPage() override { ++pages; }
    HDC dc;
    int width, height, pages = 1;
};

TEST_F(EditorFixture, PrintingRendersThePageLessTheMargins) {
    edit->SetText("page text");
    std::vector<RECT> asked;
    TXcWindowHook hook(nullptr);
    hook.SetWinControl(edit);
    hook.BeforeMessage = [&](TComponent*, TMessage& m, bool&) {
        if (m.Msg == EM_FORMATRANGE && m.LParam) asked.push_back(reinterpret_cast<FORMATRANGE*>(m.LParam)->rc);
    };
    MetafileTarget target;
    editor->PrintTo(target);
    ASSERT_FALSE(asked.empty());
    const int logX = GetDeviceCaps(target.dc, LOGPIXELSX), logY = GetDeviceCaps(target.dc, LOGPIXELSY);
    // Margins 20 mm left and 10 mm top (the fixture's), none right and below.
    EXPECT_EQ(asked[0].left, 1133);
    EXPECT_EQ(asked[0].top, 566);
    EXPECT_EQ(asked[0].right, target.width * 1440 / logX);
    EXPECT_EQ(asked[0].bottom, target.height * 1440 / logY);
}

// The copies each job of a PostScript printer's output asks of the spooler.
std::vector<int> CopiesOfEachJob(const std::string& ps) {
    std::vector<int> jobs;
    for (size_t at = ps.find("%!PS-Adobe"); at != std::string::npos; at = ps.find("%!PS-Adobe", at + 1)) {
        const size_t next = ps.find("%!PS-Adobe", at + 1);
        const size_t copies = ps.find("%cupsJobTicket: copies=", at);
        jobs.push_back(copies < next ? std::atoi(ps.c_str() + copies + 23) : 1);
    }
    return jobs;
}

TEST_F(EditorFixture, CopiesComeOutAsOftenAsAsked) {
    const std::string out = "/tmp/quiro-copies-" + std::to_string(GetCurrentProcessId()) + ".ps";
    quiro::test::PostScriptPrinter printer("|cat >> " + out);
    ASSERT_TRUE(printer.handle) << "no printer could be added to the Wine prefix";
    edit->SetText("page text");
    struct Case {
        bool collate;
        int settingsCopies;  // what the print dialog left in the printer's settings
        std::vector<int> jobs;
    } cases[] = {{true, 3, {1, 1, 1}}, {false, 1, {3}}};
    for (const Case& c : cases) {
        Printer()->SelectPrinter(printer.name);
        Printer()->SetCopies(c.settingsCopies);
        editor->PrintCopies(3, c.collate);
        std::string ps;
        uitest::PumpUntil([&] {
            ps = ReadFile("Z:" + out);
            const size_t end = ps.rfind("%%EOF");
            return CopiesOfEachJob(ps).size() >= c.jobs.size() && end != std::string::npos &&
                   end > ps.rfind("%!PS-Adobe");
        });
        EXPECT_EQ(CopiesOfEachJob(ps), c.jobs) << "collate " << c.collate;
        DeleteFileA(("Z:" + out).c_str());
    }
    Printer()->SelectPrinter("");
}

TEST_F(EditorFixture, LinksInCapturedTextNeverStartPrograms) {
    for (const char* link : {"file:///C:/windows/system32/cmd.exe", "file://server/share/setup.exe",
                             "telnet://host", "C:\\windows\\notepad.exe"})
        EXPECT_FALSE(editor->CED_REDIT_EditorURLClick(link, mbLeft)) << link;
}

TEST_F(EditorFixture, ClosingHidesTheEditorAndReleasesTheCaptureButton) {
    editor->Close();
    EXPECT_FALSE(editor->Visible());
    EXPECT_FALSE(host.captureButton);
}

}  // namespace
