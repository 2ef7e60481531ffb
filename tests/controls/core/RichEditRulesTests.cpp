#include "controls/core/RichEditRules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace quiro::controls;

TEST(RichEditWindow, StyleEventMaskAndTextMode) {
    constexpr uint32_t kMemo = 0x50000084;  // child, visible, ES_MULTILINE | ES_AUTOHSCROLL
    RichWindowOptions editor;               // the capture editor's settings
    editor.wordWrap = false;
    editor.hideScrollBars = false;
    editor.hideSelection = false;
    EXPECT_EQ(RichEditWindowStyle(kMemo, editor), 0x5730A184u);
    RichWindowOptions wrapping;  // the defaults: no horizontal bar while words wrap
    EXPECT_EQ(RichEditWindowStyle(kMemo | 0x00100000, wrapping), 0x57208084u);
    wrapping.verticalBar = wrapping.horizontalBar = false;
    wrapping.selectionBar = false;
    EXPECT_EQ(RichEditWindowStyle(kMemo | 0x00300000, wrapping), 0x56008084u);

    EXPECT_EQ(RichEditEventMask(1), 0x002C0001u);
    EXPECT_EQ(RichEditEventMask(2), 0x042C0001u);
    EXPECT_EQ(RichEditTextMode(true, 1), 5u);
    EXPECT_EQ(RichEditTextMode(false, 100), 10u);
}

TEST(RichEditSearch, FlagsAndDialogSpans) {
    EXPECT_EQ(FindTextFlags(0, 2), 1u);
    EXPECT_EQ(FindTextFlags(stBackward | stWholeWord | stSetSelection, 3), 2u);
    EXPECT_EQ(FindTextFlags(stMatchCase, 3), 5u);
    EXPECT_EQ(FindTextFlags(stBackward | stMatchCase, 1), 4u);  // never down, never up

    const struct {
        bool down;
        int selStart, selLength, textLength;
        int start, length;
    } rows[] = {
        {true, 5, 3, 20, 8, 13},  // from the selection's end to the end
        {false, 5, 3, 20, 5, 6},  // from its start back to 0
        {true, 8, -3, 20, 8, 13}, {false, 8, -3, 20, 5, 6}, {true, 20, 0, 20, 20, 1},
    };
    for (const auto& r : rows) {
        int start = -1, length = -1;
        DialogSearchSpan(r.down, r.selStart, r.selLength, r.textLength, start, length);
        EXPECT_EQ(std::to_string(start) + "+" + std::to_string(length),
                  std::to_string(r.start) + "+" + std::to_string(r.length))
            << r.selStart << "," << r.selLength;
    }
}

TEST(RichEditLinks, AClickIsAReleaseOverThePressedLinkWithItsButton) {
    const CharRange a{10, 30}, b{40, 50};
    const struct {
        LinkMouse message;
        CharRange link;
        LinkButton fires;
    } steps[] = {
        {LinkMouse::LeftDown, a, LinkButton::None},  {LinkMouse::Other, a, LinkButton::None},
        {LinkMouse::LeftUp, a, LinkButton::Left},    {LinkMouse::LeftUp, a, LinkButton::None},
        {LinkMouse::LeftDown, a, LinkButton::None},  {LinkMouse::RightUp, a, LinkButton::None},
        {LinkMouse::LeftUp, a, LinkButton::None},  // the right release forgot the press
        {LinkMouse::RightDown, a, LinkButton::None}, {LinkMouse::RightUp, b, LinkButton::None},
        {LinkMouse::RightDown, b, LinkButton::None}, {LinkMouse::RightUp, b, LinkButton::Right},
    };
    LinkClickTracker tracker;
    int i = 0;
    for (const auto& s : steps)
        EXPECT_EQ(tracker.Mouse(s.message, s.link), s.fires) << "step " << i++;
}

TEST(RichEditLinks, OnlyWebAndMailLinksAreOpened) {
    const struct {
        const char* text;
        const char* target;
    } rows[] = {
        {"http://bbs.example.kr/\xB0\xA1", "http://bbs.example.kr/\xB0\xA1"},
        {" HTTPS://x.example \r\n", "HTTPS://x.example"},
        {"ftp://files.example/a.zip", "ftp://files.example/a.zip"},
        {"mailto:sysop@bbs.example", "mailto:sysop@bbs.example"},
        {"WWW.bbs.example", "http://WWW.bbs.example"},
        {"file:///C:/windows/notepad.exe", ""},
        {"file://server/share", ""},
        {"telnet://bbs.example", ""},
        {"javascript:alert(1)", ""},
        {"http://", ""},
        {"http://a\x01"
         "b",
         ""},
        {"C:\\evil.exe", ""},
    };
    for (const auto& r : rows) EXPECT_EQ(WebLinkTarget(r.text), r.target) << r.text;
}

TEST(RichEditPrint, AreaInTwipsAndPagesThatEnd) {
    EXPECT_EQ(PrintArea({}, 2400, 3300, 300, 300), (TwipsRect{0, 0, 11520, 15840}));
    EXPECT_EQ(PrintArea({300, 150, 2100, 3000}, 2400, 3300, 300, 600),
              (TwipsRect{1440, 360, 10080, 7200}));

    const struct {
        int textLength;
        std::vector<int> ends;  // what each page returns
        int pages;
    } rows[] = {
        {100, {40, 80, 100}, 3},
        {100, {40, 40}, 2},  // stuck: the second page did not advance
        {100, {40, -1}, 2},  // failed
        {0, {0}, 1},
        {100, {120}, 1},
    };
    for (const auto& r : rows) {
        std::vector<int> firsts;
        int newPages = 0;
        const int pages = PrintPages(
            r.textLength,
            [&](int first) {
                firsts.push_back(first);
                return r.ends.at(firsts.size() - 1);
            },
            [&] { ++newPages; });
        EXPECT_EQ(pages, r.pages);
        EXPECT_EQ(newPages, r.pages - 1);
        EXPECT_EQ(firsts.front(), 0);
    }
}

// Word breaks over a text whose delimiters are blanks; past the end the window answers
// "delimiter", so an unbounded scan would never stop.
WordBreaks BreaksOf(const std::string& text) {
    const int n = static_cast<int>(text.size());
    auto delim = [text, n](int p) { return p >= n || text[static_cast<size_t>(p)] == ' '; };
    WordBreaks b;
    b.isDelimiter = [delim, n](int p) {
        EXPECT_LE(p, n) << "scanned past the end";
        return p > n + 1000 ? false : delim(p);
    };
    b.left = [delim](int p) {
        while (p > 0 && !delim(p - 1)) --p;
        return p;
    };
    b.moveWordLeft = [delim](int p) {
        while (p > 0 && delim(p - 1)) --p;
        while (p > 0 && !delim(p - 1)) --p;
        return p;
    };
    b.rightBreak = [delim, n](int p) {
        while (p < n && !delim(p)) ++p;
        return p;
    };
    return b;
}

TEST(RichEditWords, WordAtTheCaretStaysInsideTheText) {
    const struct {
        const char* text;
        int caret;
        CharRange want;
    } rows[] = {
        {"ab cd", 4, {3, 5}},  {"ab cd", 0, {0, 2}}, {"ab cd", 2, {0, 2}},
        {"ab   ", 5, {0, 5}},  {"   ", 3, {3, 3}},  // only blanks: the scan stops at the end
        {"ab cd", 99, {3, 5}}, {"", 0, {0, 0}},
    };
    for (const auto& r : rows)
        EXPECT_EQ(
            WordRangeAt(r.caret, static_cast<int>(std::string(r.text).size()), BreaksOf(r.text)),
            r.want)
            << r.text << " @" << r.caret;
}

TEST(RichEditTexts, HeadsNeverEndInsideADoubleByteCharacter) {
    const std::string face = "\xB1\xBC\xB8\xB2\xC3\xBC";  // three syllables
    EXPECT_EQ(HeadOfBytes(face, 5), "\xB1\xBC\xB8\xB2");
    EXPECT_EQ(HeadOfBytes("a" + face, 2), "a");
    EXPECT_EQ(HeadOfBytes("abc", 31), "abc");
    EXPECT_EQ(HeadOfBytes(std::string(40, 'x'), 31).size(), 31u);
}

}  // namespace
