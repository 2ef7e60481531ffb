#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "console/core/ConsoleSelection.h"

namespace {

ScreenModel Lines(const std::vector<std::string>& lines) {
    ScreenModel s;
    for (const std::string& l : lines) s.AppendLine(l, 15, 4);
    return s;
}

TEST(ConsoleSelection, WordUnderThePointer) {
    // 한글 then a Hanja, a KS C symbol, ASCII next to a syllable.
    const ScreenModel s = Lines({"menu 12. next", "\xC7\xD1\xB1\xDB\xCA\xA1 x", "\xA1\xDA\xB0\xA1",
                                 "ab\xB0\xA1"});
    struct Row {
        int line, column;
        const char* word;  // nullptr: no word
    };
    const Row rows[] = {
        {0, 0, "menu"}, {0, 5, "12"}, {0, 6, "12"}, {0, 7, nullptr}, {0, 4, nullptr},
        {0, 13, nullptr}, {1, 0, "\xC7\xD1\xB1\xDB"}, {1, 1, "\xC7\xD1\xB1\xDB"},
        {1, 5, "\xCA\xA1"}, {2, 1, nullptr}, {2, 2, "\xB0\xA1"}, {3, 1, "ab"},
        {3, 3, "\xB0\xA1"}, {4, 0, nullptr},
    };
    for (const Row& r : rows) {
        const auto word = FindWordAt(s, r.line, r.column);
        ASSERT_EQ(word.has_value(), r.word != nullptr) << r.line << ":" << r.column;
        if (word) {
            EXPECT_EQ(WordText(s, *word), r.word) << r.line << ":" << r.column;
        }
    }

    PaintGeometry g;
    g.horizontalOffset = 4;
    g.firstDisplayedLine = 1;
    g.viewWidth = 200;
    g.viewHeight = 100;
    const auto cell = CellUnderPointer(s, g, 4 + 8 * 5 + 3, 17);  // cell 5 of line 2
    ASSERT_TRUE(cell.has_value());
    EXPECT_EQ(*cell, (CellPoint{5, 2}));
    EXPECT_FALSE(CellUnderPointer(s, g, 10, 16 * 3));  // below the last line
    EXPECT_EQ(CellUnderPointer(s, g, 1, 0)->column, -1);  // in the margin: no cell
    const PixelRect r = WordRect(*FindWordAt(s, 0, 5), g);
    EXPECT_EQ(r.left, 44);
    EXPECT_EQ(r.right, 60);
    EXPECT_EQ(r.top, -16);
}

TEST(ConsoleSelection, DragEndIsHeldWithinTheText) {
    const ScreenModel s = Lines({"abc", "\xB0\xA1\xB0\xA1z", ""});
    PaintGeometry g;
    g.horizontalOffset = 4;
    g.firstDisplayedLine = 1;
    struct Row {
        int x, y;
        CellPoint end;
    };
    for (const Row& r : {Row{4 + 8 * 2, 0, {2, 1}}, Row{4 + 8 * 1 + 7, 0, {0, 1}},
                         Row{4 + 8 * 3, 5, {2, 1}}, Row{500, 0, {5, 1}}, Row{-40, 0, {0, 1}},
                         Row{20, 300, {0, 2}}, Row{20, -1, {2, 0}}, Row{500, -100, {3, 0}}})
        EXPECT_EQ(DragEndCell(s, g, r.x, r.y), r.end) << r.x << "," << r.y;
    EXPECT_FALSE(DragEndCell(ScreenModel(), g, 0, 0));
}

// Inverting the spans between the drawn end and a new end turns the selection from the
// anchor to the drawn end into the selection from the anchor to the new end.
TEST(ConsoleSelection, DifferenceSpansTurnOneSelectionIntoTheNext) {
    const ScreenModel s = Lines({"abcd", "", "ef", "ghijk"});
    std::vector<CellPoint> points;
    for (int line = 0; line < s.LineCount(); ++line)
        for (int column = 0; column <= static_cast<int>(s.Text(line).size()); ++column)
            points.push_back({column, line});
    auto cells = [&](CellPoint a, CellPoint b) {
        std::vector<LineSpan> spans;
        SelectionSpans(s, a, b, spans);
        std::set<std::pair<int, int>> out;
        for (const LineSpan& span : spans)
            for (int c = span.from; c < span.to; ++c) out.insert({span.line, c});
        return out;
    };
    for (CellPoint anchor : points) {
        for (CellPoint shown : points) {
            for (CellPoint end : points) {
                std::set<std::pair<int, int>> drawn = cells(anchor, shown);
                for (const auto& cell : cells(shown, end))
                    if (!drawn.erase(cell)) drawn.insert(cell);
                ASSERT_EQ(drawn, cells(anchor, end));
            }
        }
    }
    EXPECT_EQ(cells({3, 0}, {1, 3}).size(), 1u + 2 + 1);
}

TEST(ConsoleSelection, CopyText) {
    const ScreenModel s = Lines({"first line", "", "middle", "last"});
    struct Row {
        CellPoint a, b;
        const char* text;
    };
    for (const Row& r : {Row{{6, 0}, {10, 0}, "line"}, Row{{3, 0}, {3, 0}, ""},
                         Row{{6, 0}, {2, 3}, "line\r\n\r\nmiddle\r\nla"},
                         Row{{2, 3}, {6, 0}, "line\r\n\r\nmiddle\r\nla"},
                         Row{{0, 2}, {0, 3}, "middle\r\n"}, Row{{0, 0}, TextEnd(s), "first line\r\n\r\nmiddle\r\nlast"},
                         Row{{0, 0}, {1, 9}, ""}})
        EXPECT_EQ(SelectionText(s, r.a, r.b), r.text);
    EXPECT_EQ(TextEnd(ScreenModel()), (CellPoint{0, 0}));
}

TEST(ConsoleSelection, ClickAndDragScroll) {
    struct Row {
        const char* word;
        bool ctrl, shift, crlf;
        const char* bytes;
        const char* editor;
    };
    for (const Row& r : {Row{"12", false, false, false, "12\r", ""}, Row{"12", false, false, true, "12\r\n", ""},
                         Row{"", false, false, false, "\r", ""}, Row{"", false, true, false, " ", ""},
                         Row{"12", false, true, false, "12 ", ""}, Row{"12", true, false, false, "", "12 "},
                         Row{"", true, false, false, "\r", ""}}) {
        const ClickSend c = DecideClick(r.word, r.ctrl, r.shift, r.crlf);
        EXPECT_EQ(c.bytes, r.bytes) << r.word;
        EXPECT_EQ(c.toEditor, r.editor) << r.word;
    }

    ScreenModel s = Lines({std::string(40, 'x'), "short", "", "", "", "", "", ""});
    s.FirstDisplayedLine = 1;
    const ConsoleViewport view{80, 64, 4};  // 4 rows of 8 x 16
    struct DragRow {
        int x, y, offset;
        int first, newOffset;
    };
    for (const DragRow& r : {DragRow{40, 70, 4, 2, 4}, DragRow{40, -3, 4, 0, 4}, DragRow{40, 30, 4, 1, 4},
                             DragRow{70, 30, 4, 1, 4}, DragRow{70, -3, 4, 0, -4}, DragRow{3, 30, -20, 1, -12},
                             DragRow{3, 30, 0, 1, 4}}) {
        const ViewChange c = DragAutoScroll(s, view, r.offset, r.x, r.y);
        EXPECT_EQ(c.firstDisplayedLine, r.first) << r.x << "," << r.y;
        EXPECT_EQ(c.horizontalOffset, r.newOffset) << r.x << "," << r.y;
        EXPECT_EQ(c.Changed(), r.first != 1 || r.newOffset != r.offset);
    }
    s.FirstDisplayedLine = 4;  // the last line shows: no scrolling down
    EXPECT_FALSE(DragAutoScroll(s, view, 4, 40, 70).Changed());
}

}  // namespace
