// The capture editor's rules: sends, Tab stops, caption, histories, page, file reading.
#include <gtest/gtest.h>

#include "windows/core/EditorRules.h"

namespace {

TEST(EditorSend, LineSendFramesTheTextAndEndsTheLine) {
    struct Case {
        const char* name;
        const char* text;
        HeadTail headTail;
        bool crlf;
        const char* bytes;
    } const cases[] = {
        {"caret mid-line: the part before it", "hel", {}, false, "hel\r"},
        {"CR LF", "hello", {}, true, "hello\r\n"},
        {"empty line: the line end alone", "", {true, "[", "]"}, false, "\r"},
        {"head and tail", "msg", {true, "to bob", "--"}, false, "to bob msg --\r"},
        {"head only", "msg", {true, ">", ""}, true, "> msg\r\n"},
        {"head and tail off", "msg", {false, ">", "<"}, false, "msg\r"},
    };
    for (const Case& c : cases) EXPECT_EQ(LineSendBytes(c.text, c.headTail, c.crlf), c.bytes) << c.name;
}

TEST(EditorSend, BatchSendsEveryBreakAsALineEndAndNoneAfterTheLastPart) {
    struct Case {
        const char* name;
        const char* selection;
        bool crlf;
        const char* bytes;
    } const cases[] = {
        {"inside one line", "ell", false, "ell"},
        {"two full lines and part of a third", "line 1\rline 2\rli", false, "line 1\rline 2\rli"},
        {"ending at a line start", "one\rtwo\r", true, "one\r\ntwo\r\n"},
        {"CR LF in the text is one break", "a\r\nb", false, "a\rb"},
        {"an empty line in the middle", "a\r\rb", true, "a\r\n\r\nb"},
    };
    for (const Case& c : cases) EXPECT_EQ(BatchSendBytes(c.selection, c.crlf), c.bytes) << c.name;
}

TEST(EditorTyping, TabGoesToTheNextMultipleOfFive) {
    EXPECT_EQ(TabBlanks(3), 2);
    EXPECT_EQ(TabBlanks(5), 5);
    EXPECT_EQ(TabBlanks(0), 5);
    EXPECT_EQ(TabBlanks(9), 1);
}

TEST(EditorCaption, NamesTheSessionTheFileAndChanges) {
    EXPECT_EQ(EditorCaption(false, "ignored", "", false), " Quiro 2 - Capture Edit [untitled]");
    EXPECT_EQ(EditorCaption(false, "ignored", "C:\\cap.txt", true), " C:\\cap.txt*");
    EXPECT_EQ(EditorCaption(true, "bbs: bbs.example", "", true), " bbs: bbs.example - Capture Edit [untitled]*");
    EXPECT_EQ(EditorCaption(true, "10.0.0.1", "a.rtf", false), " 10.0.0.1 - a.rtf");
}

TEST(EditorHistory, NewestFirstWithoutRepeatsAndAtMost28) {
    std::vector<std::string> h;
    for (int i = 0; i < 30; ++i) PushHistory(h, "e" + std::to_string(i));
    ASSERT_EQ(h.size(), 28u);
    EXPECT_EQ(h.front(), "e29");
    EXPECT_EQ(h.back(), "e2");
    PushHistory(h, "e10");
    EXPECT_EQ(h.size(), 28u);
    EXPECT_EQ(h[0], "e10");
    EXPECT_EQ(h[1], "e29");
    EXPECT_EQ(std::count(h.begin(), h.end(), "e10"), 1);
    EXPECT_EQ(h.back(), "e2");  // a move drops nothing
    PushHistory(h, "");
    EXPECT_EQ(h[0], "e10");
}

TEST(EditorPrinting, PageLessMarginsInTwips) {
    // An A4 page at 600 dpi: 4960 x 7016 pixels.
    auto r = EditorPageTwips(PageMargins{20, 15, 10, 25}, 4960, 7016, 600, 600);
    EXPECT_EQ(r, (quiro::controls::TwipsRect{1133, 850, 11904 - 566, 16838 - 1417}));
    EXPECT_EQ(EditorPageTwips(PageMargins{}, 850, 1100, 100, 100),
              (quiro::controls::TwipsRect{0, 0, 12240, 15840}));
}

TEST(EditorPlacement, GluedUnderTheMainWindowAndKeptOnScreen) {
    const ScreenRect work{0, 0, 1024, 740};
    EXPECT_EQ(GluedEditorRect({100, 50, 820, 500}, 150, work), (ScreenRect{100, 500, 820, 650}));
    EXPECT_EQ(GluedEditorRect({100, 300, 820, 700}, 150, work), (ScreenRect{100, 590, 820, 740}));
    EXPECT_EQ(GluedEditorRect({0, 0, 1024, 740}, 1000, work), (ScreenRect{0, 0, 1024, 1000}));
    EXPECT_EQ(KeptOnScreen({1100, 800, 1400, 900}, work), (ScreenRect{724, 640, 1024, 740}));
    EXPECT_EQ(KeptOnScreen({900, 700, 1200, 800}, work), (ScreenRect{900, 700, 1200, 800}));  // partly on screen
}

TEST(EditorFiles, RtfNamesInAnyCase) {
    EXPECT_TRUE(IsRtfFileName("a.RTF"));
    EXPECT_TRUE(IsRtfFileName("C:\\x\\b.Rtf"));
    EXPECT_FALSE(IsRtfFileName("a.txt"));
    EXPECT_FALSE(IsRtfFileName("rtf"));
}

TEST(EditorFiles, BlockReaderCarriesALeadByteAcrossTheBlockEdge) {
    CodePageBlockReader r(949);
    EXPECT_EQ(r.Take("ab\xC7", false), "ab");
    EXPECT_EQ(r.Take("\xD1\xB1\xDB" "c\xB1", false), "\xC7\xD1\xB1\xDB" "c");
    EXPECT_EQ(r.Take("\xDB", false), "\xB1\xDB");
    // A trail byte that looks like a lead byte ends a pair: nothing waits.
    EXPECT_EQ(r.Take("\xB1\xDB", false), "\xB1\xDB");
    EXPECT_EQ(r.Take("x\xC7", true), "x\xC7");
    CodePageBlockReader western(1252);
    EXPECT_EQ(western.Take("ab\xC7", false), "ab\xC7");
}

}  // namespace
