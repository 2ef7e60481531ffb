// The rich edit control under Wine with Korean text: selections and ranges counted in
// characters, link clicks, a window made anew, undo, the find and replace dialogs, print
// pages and the character and paragraph attributes.
#include <algorithm>

#include "RichEditKit.h"
#include "controls/XcRichOle.h"
#include "framework/core/Colors.h"

namespace {

using uitest::PumpUntil;

constexpr int kWholeWord = 0x410, kMatchCase = 0x411, kReplaceAll = 0x401;

void Press(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

TEST_F(RichEditForm, ReplacedTextIsSelectedByCharactersSoTypingKeepsWhatFollows) {
    edit->SetText(K("가나다라마"));
    Select(2, 2);
    edit->SetSelText(K("한글"));
    EXPECT_EQ(edit->SelStart(), 2);
    EXPECT_EQ(edit->SelLength(), 2);  // the two syllables, not their four bytes
    SendMessageA(edit->Handle(), WM_CHAR, 'x', 1);
    EXPECT_EQ(Text(), K("가나x다라마"));

    EXPECT_EQ(edit->GetTextRange(1, 4), K("나x다"));
    EXPECT_EQ(edit->GetTextRange(4, 1), "");
    EXPECT_EQ(edit->GetTextRange(3, 3), "");
    Select(0, 3);
    EXPECT_EQ(edit->SelText(), K("가나x"));

    // A buffer of 4 bytes takes one syllable and the NUL; the byte behind it stays.
    char buffer[6] = {'#', '#', '#', '#', '#', '#'};
    EXPECT_EQ(edit->GetSelTextBuf(buffer, 4), 2);
    EXPECT_EQ(std::string(buffer), K("가"));
    EXPECT_EQ(buffer[4], '#');
    EXPECT_EQ(edit->GetSelTextBuf(buffer, 6), 5);
    EXPECT_EQ(std::string(buffer), K("가나x"));
}

TEST_F(RichEditForm, LinesAreParagraphs) {
    edit->SetWordWrap(false);  // (else they are the lines on the screen)
    TRichEditStrings* lines = edit->Lines();
    EXPECT_EQ(lines->Count(), 0);
    edit->SetText(K("가나다") + "\r\n");
    EXPECT_EQ(lines->Count(), 1);
    lines->Add(K("둘째"));  // at the empty last line
    lines->Insert(0, K("맨 앞"));
    EXPECT_EQ(Text(), K("맨 앞\r가나다\r둘째\r"));
    lines->Insert(9, "x");  // past the end after an empty line: nothing
    lines->SetStrings(1, K("바뀐 줄"));
    lines->Delete(0);
    lines->Delete(7);
    EXPECT_EQ(lines->Count(), 2);
    EXPECT_EQ(lines->Strings(0) + "|" + lines->Strings(1), K("바뀐 줄|둘째"));
    std::string longLine;
    for (int i = 0; i < 3000; ++i) longLine += K("긴");
    lines->SetStrings(1, longLine);
    EXPECT_TRUE(lines->Strings(1) == longLine);  // no cut at 4096 bytes
    // The window's text counts characters, not bytes: all of it reads back, and clearing
    // empties it.
    EXPECT_EQ(edit->Text().substr(0, 9), K("바뀐 줄") + "\r\n");
    edit->Clear();
    EXPECT_EQ(edit->TextLength(), 0);
}

TEST_F(RichEditForm, ChangesAndSelectionsReachTheirEventsAndPlainTextKeepsTheText) {
    int changes = 0, selections = 0;
    edit->OnChange = [&](TComponent*) { ++changes; };
    edit->OnSelectionChange = [&](TComponent*) { ++selections; };
    edit->SetText(K("지킬 글과 고칠 글"));
    changes = selections = 0;
    Select(6, 8);
    EXPECT_GT(selections, 0);
    SendMessageA(edit->Handle(), WM_CHAR, 'x', 1);
    EXPECT_GT(changes, 0);

    Select(0, 2);
    edit->SelAttributes()->SetStyle(fsBold);
    edit->SetPlainText(true);  // the text stays, its formats go
    EXPECT_EQ(Text(), K("지킬 글과 x 글"));
    EXPECT_FALSE(BoldAt(0));
    EXPECT_TRUE(edit->PlainText());
}

// The whole text set through Lines is one change; lines added in an update are one more
// at its end; the window's change notices are on again afterwards.
TEST_F(RichEditForm, LinesTellTheirChangesOnce) {
    int changes = 0;
    edit->OnChange = [&](TComponent*) { ++changes; };
    edit->Lines()->SetText("one\r\ntwo\r\nthree");
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(SendMessageA(edit->Handle(), EM_GETEVENTMASK, 0, 0) & ENM_CHANGE);
    edit->Lines()->BeginUpdate();
    edit->Lines()->Add("four");
    edit->Lines()->Add("five");
    changes = 0;
    edit->Lines()->EndUpdate();
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(edit->Lines()->Count(), 5);
}

TEST_F(RichEditForm, ALinkFiresOnceOnAReleaseOverItWithThePressingButton) {
    std::vector<std::string> clicks;
    edit->OnURLClick = [&](TComponent*, const std::string& url, TMouseButton button) {
        clicks.push_back((button == mbLeft ? "L " : "R ") + url);
    };
    edit->SetText(K("홈페이지 http://bbs.example.kr/board 방문"));
    const int at = edit->FindText("http", 0, edit->TextLength(), 0);
    ASSERT_GT(at, 0);
    const POINT p = edit->GetCharPos(at + 4);
    const LPARAM where = MAKELPARAM(p.x + 2, p.y + 4);
    auto mouse = [&](UINT msg) { SendMessageA(edit->Handle(), msg, 0, where); };
    mouse(WM_LBUTTONDOWN);
    mouse(WM_LBUTTONUP);
    ASSERT_EQ(clicks, std::vector<std::string>{"L http://bbs.example.kr/board"});
    mouse(WM_LBUTTONDOWN);
    mouse(WM_RBUTTONUP);
    mouse(WM_LBUTTONUP);  // the right release forgot the left press
    EXPECT_EQ(clicks.size(), 1u);

    // What a click hands over is opened only when it is a web or mail address.
    EXPECT_FALSE(OpenWebLink("file:///C:/windows/notepad.exe"));
    EXPECT_FALSE(OpenWebLink(K("file://서버/공유/설치.exe")));
}

TEST_F(RichEditForm, TheCaptureEditorsSettingsReachTheWindow) {
    edit->SetAllowObjects(false);
    edit->SetHideSelection(false);
    edit->SetHideScrollBars(false);
    edit->SetWordWrap(false);
    edit->WantTabs = true;
    edit->SetStreamFormat(sfRichText);
    edit->SetStreamMode(smSelection);
    const LONG style = GetWindowLongA(edit->Handle(), GWL_STYLE);
    for (LONG bit :
         std::initializer_list<LONG>{ES_NOHIDESEL, ES_DISABLENOSCROLL, ES_SELECTIONBAR, WS_HSCROLL,
                                     WS_VSCROLL, ES_AUTOHSCROLL, ES_MULTILINE})
        EXPECT_TRUE(style & bit) << std::hex << bit;
    EXPECT_EQ(edit->RichEditOle(), nullptr);
    EXPECT_EQ(edit->OleCallback()->RefCount(), 0);
    // Lines do not wrap: a long line stays one.
    edit->SetText(std::string(400, 'x'));
    EXPECT_EQ(SendMessageA(edit->Handle(), EM_GETLINECOUNT, 0, 0), 1);
    EXPECT_EQ(SendMessageA(edit->Handle(), EM_GETLIMITTEXT, 0, 0), 0xFFFFFF);  // MaxLength 0
}

// The capture editor's font reaches its text whole: the step that gives a western font
// the default set on a Far East system leaves a set the owner chose.
TEST_F(RichEditForm, TheOwnersFontReachesTheTextWithItsCharset) {
    auto* own = new TXcRichEdit(form);
    own->Font()->SetName(K("굴림"));
    own->Font()->SetSize(12);
    own->Font()->SetColor(clNavy);
    own->Font()->SetCharset(HANGEUL_CHARSET);
    own->SetParent(form);
    own->SetBounds(8, 8, 300, 100);
    own->SetText(K("한글 text"));
    EXPECT_EQ(own->Font()->Charset(), HANGEUL_CHARSET);
    own->SetSelection(0, own->TextLength(), false);
    TXcTextAttributes* sel = own->SelAttributes();
    EXPECT_EQ(sel->Name(), K("굴림"));
    EXPECT_EQ(sel->Size(), 12);
    EXPECT_EQ(sel->Color(), clNavy);
    EXPECT_EQ(sel->Charset(), HANGEUL_CHARSET);
    // A western font still gets the default set there.
    auto* western = new TXcRichEdit(form);
    western->Font()->SetCharset(ANSI_CHARSET);
    western->SetParent(form);
    western->HandleNeeded();
    EXPECT_EQ(western->Font()->Charset(), GetSystemMetrics(SM_DBCSENABLED) ? DEFAULT_CHARSET : ANSI_CHARSET);
}

TEST_F(RichEditForm, ANewWindowKeepsTextFormattingModifiedAndSelection) {
    edit->SetText(K("첫째 둘째 셋째"));
    Select(3, 5);
    edit->SelAttributes()->SetStyle(fsBold);
    edit->SetModified(true);
    edit->SetStreamMode(smSelection);
    Select(6, 8);
    HWND old = edit->Handle();
    edit->SetSelectionBar(false);
    EXPECT_NE(edit->Handle(), old);
    EXPECT_FALSE(GetWindowLongA(edit->Handle(), GWL_STYLE) & ES_SELECTIONBAR);
    EXPECT_EQ(Text(), K("첫째 둘째 셋째"));
    EXPECT_TRUE(edit->Modified());
    EXPECT_EQ(edit->SelStart(), 6);
    EXPECT_EQ(edit->SelLength(), 2);
    EXPECT_TRUE(BoldAt(3));
    EXPECT_FALSE(BoldAt(6));
    EXPECT_EQ(edit->StreamMode(), static_cast<TRichStreamModes>(smSelection));

    // Undo and redo of a replacement made in code.
    edit->ClearUndo();
    Select(0, 2);
    edit->SetSelText(K("넷째"));
    ASSERT_TRUE(edit->CanUndo());
    edit->Undo();
    EXPECT_EQ(Text(), K("첫째 둘째 셋째"));
    ASSERT_TRUE(edit->CanRedo());
    edit->Redo();
    EXPECT_EQ(Text(), K("넷째 둘째 셋째"));
}

TEST_F(RichEditForm, TheDialogsFindAndReplaceWithCaseAndWholeWords) {
    edit->SetText("Abc abc ABC abcd " + K("가나 가나다"));
    Select(0, 0);
    std::vector<std::string> notFound;
    TFindDialog* closed = nullptr;
    edit->OnTextNotFound = [&](TComponent*, const std::string& text) { notFound.push_back(text); };
    edit->OnCloseFindDialog = [&](TComponent*, TFindDialog* d) { closed = d; };

    TFindDialog* find = edit->FindDialog("abc");
    HWND h = find->Handle();
    ASSERT_TRUE(h);
    CheckDlgButton(h, kMatchCase, BST_CHECKED);
    CheckDlgButton(h, kWholeWord, BST_CHECKED);
    Press(h, IDOK);
    ASSERT_TRUE(PumpUntil([&] { return edit->SelStart() == 4; }));
    EXPECT_EQ(edit->SelLength(), 3);
    Press(h, IDOK);  // "abcd" is no whole word
    ASSERT_TRUE(PumpUntil([&] { return !notFound.empty(); }));
    EXPECT_EQ(notFound, std::vector<std::string>{"abc"});
    SetDlgItemTextA(h, 0x480, K("가나다").c_str());
    CheckDlgButton(h, kWholeWord, BST_UNCHECKED);
    Press(h, IDOK);
    ASSERT_TRUE(PumpUntil([&] { return edit->SelStart() == 20; }));
    EXPECT_EQ(edit->SelText(), K("가나다"));
    ASSERT_TRUE(edit->CanFindNext());
    Press(h, IDCANCEL);
    ASSERT_TRUE(PumpUntil([&] { return closed == find; }));

    Select(0, 0);
    TReplaceDialog* replace = edit->ReplaceDialog("abc", K("한"));
    h = replace->Handle();
    CheckDlgButton(h, kWholeWord, BST_CHECKED);
    Press(h, kReplaceAll);
    ASSERT_TRUE(PumpUntil([&] { return Text() != "Abc abc ABC abcd " + K("가나 가나다"); }));
    EXPECT_EQ(Text(), K("한 한 한 abcd 가나 가나다"));
    Press(h, IDCANCEL);
    ASSERT_TRUE(PumpUntil([&] { return closed == replace; }));
}

// A print target on a metafile that counts its pages.
class MetafileTarget : public TRichPrintTarget {
public:
    MetafileTarget() : dc(CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr)) {}
    ~MetafileTarget() override { DeleteEnhMetaFile(CloseEnhMetaFile(dc)); }
    HDC DC() override { return dc; }
    int PageWidth() override { return GetDeviceCaps(dc, HORZRES); }
    int PageHeight() override { return GetDeviceCaps(dc, VERTRES); }
    void NewPage() override { ++newPages; }
    HDC dc;
    int newPages = 0;
};

// Wine's window renders no page (its EM_FORMATRANGE always answers 0), so this control
// lays its pages out itself: `perPage` characters each.
class PagedRichEdit : public TXcRichEdit {
public:
    using TXcRichEdit::TXcRichEdit;
    void WndProc(TMessage& m) override {
        if (m.Msg == EM_FORMATRANGE && m.WParam && m.LParam) {
            const auto* range = reinterpret_cast<const FORMATRANGE*>(m.LParam);
            starts.push_back(range->chrg.cpMin);
            area = range->rc;
            m.Result = std::min<LRESULT>(range->chrg.cpMin + perPage, TextLength());
            return;
        }
        TXcRichEdit::WndProc(m);
    }
    int perPage = 100;
    std::vector<int> starts;
    RECT area{};
};

TEST_F(RichEditForm, PrintingEndsAfterTheLastCharacterOrAPageThatDoesNotAdvance) {
    auto* paged = new PagedRichEdit(form);
    paged->SetParent(form);
    std::string text;
    for (int i = 0; i < 105; ++i) text += K("가나다라마바사아자차");  // 1050 characters
    paged->SetText(text);
    paged->PageRect = RECT{96, 96, 96 * 5, 96 * 7};
    MetafileTarget target;
    ASSERT_EQ(GetDeviceCaps(target.dc, LOGPIXELSX), 96);
    EXPECT_EQ(paged->PrintPages(target), 11);
    EXPECT_EQ(target.newPages, 10);
    EXPECT_EQ(paged->starts.back(), 1000);
    EXPECT_EQ(paged->area.left, 1440);
    EXPECT_EQ(paged->area.bottom, 1440 * 7);

    paged->perPage = 0;  // stuck
    MetafileTarget stuck;
    EXPECT_EQ(paged->PrintPages(stuck), 1);
    EXPECT_EQ(edit->PrintPages(stuck), 1);  // Wine's own window
}

TEST_F(RichEditForm, CharacterAttributesOfTheSelection) {
    edit->SetText(K("굵은 글과 보통 글"));
    Select(0, 2);
    TXcTextAttributes* sel = edit->SelAttributes();
    ASSERT_EQ(edit->ScreenLogPixels(), 96);
    sel->SetHeight(16);
    EXPECT_EQ(sel->Size(), 12);
    EXPECT_EQ(sel->Height(), 16);
    sel->SetColor(clRed);
    EXPECT_EQ(sel->Color(), clRed);
    sel->SetColor(clWindowText);
    EXPECT_EQ(sel->Color(), clWindowText);  // automatic, not its RGB value

    // A face name of 16 syllables (32 bytes) keeps 15 of them and its terminator.
    std::string face;
    for (int i = 0; i < 16; ++i) face += K("굴");
    sel->SetName(face);
    EXPECT_EQ(sel->Name(), face.substr(0, 30));
    sel->SetName(K("굴림"));

    TFont font;
    font.SetName(K("굴림"));
    font.SetSize(14);
    font.SetStyle(fsBold | fsItalic);
    font.SetColor(clWindowText);
    sel->Assign(font);
    EXPECT_EQ(sel->Style(), fsBold | fsItalic);
    EXPECT_EQ(sel->Name(), K("굴림"));
    EXPECT_EQ(sel->Size(), 14);
    EXPECT_TRUE(sel->ConsistentAttributes() & caBold);
    Select(0, 6);  // bold and plain text
    EXPECT_FALSE(sel->ConsistentAttributes() & caBold);
    EXPECT_EQ(edit->DefAttributes()->ConsistentAttributes(), 0u);
}

TEST_F(RichEditForm, ParagraphIndentsTabsAndNumbering) {
    edit->SetText(K("첫 문단\r둘째 문단"));
    Select(0, 1);
    TXcParaAttributes* para = edit->Paragraph();
    para->SetFirstIndent(18);
    para->SetRightIndent(9);
    para->SetAlignment(paCenter);
    para->SetTab(0, 36);
    para->SetTab(1, 72);
    EXPECT_EQ(para->FirstIndent(), 18);
    EXPECT_EQ(para->RightIndent(), 9);
    EXPECT_EQ(para->Alignment(), paCenter);
    EXPECT_EQ(para->TabCount(), 2);
    EXPECT_EQ(para->Tab(1), 72);
    para->SetNumbering(nsBullet);
    EXPECT_EQ(para->Numbering(), nsBullet);
    EXPECT_EQ(para->LeftIndent(), 10);
    para->SetNumbering(nsNone);
    EXPECT_EQ(para->LeftIndent(), 0);
    Select(6, 7);  // the second paragraph kept its own format
    EXPECT_EQ(para->FirstIndent(), 0);
    EXPECT_EQ(para->TabCount(), 0);
}

}  // namespace
