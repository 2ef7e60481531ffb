#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>
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
    const ScreenModel s =
        Lines({"menu 12. next", "\xC7\xD1\xB1\xDB\xCA\xA1 x", "\xA1\xDA\xB0\xA1", "ab\xB0\xA1"});
    struct Row {
        int line, column;
        std::string word;  // empty: no word
    };
    // clang-format off
    const Row rows[] = {
        {0, 0, "menu"}, {0, 5, "12"}, {0, 6, "12"}, {0, 7, ""}, {0, 4, ""}, {0, 13, ""},
        {1, 0, "\xC7\xD1\xB1\xDB"}, {1, 1, "\xC7\xD1\xB1\xDB"}, {1, 5, "\xCA\xA1"},
        {2, 1, ""}, {2, 2, "\xB0\xA1"}, {3, 1, "ab"}, {3, 3, "\xB0\xA1"}, {4, 0, ""}};
    // clang-format on
    for (const Row& r : rows) {
        const auto word = FindWordAt(s, r.line, r.column);
        EXPECT_EQ(word ? WordText(s, *word) : "", r.word) << r.line << ":" << r.column;
    }

    PaintGeometry g;
    g.horizontalOffset = 4;
    g.firstDisplayedLine = 1;
    g.viewWidth = 200;
    g.viewHeight = 100;
    const auto cell = CellUnderPointer(s, g, 4 + 8 * 5 + 3, 17);  // cell 5 of line 2
    ASSERT_TRUE(cell.has_value());
    EXPECT_EQ(*cell, (CellPoint{5, 2}));
    EXPECT_FALSE(CellUnderPointer(s, g, 10, 16 * 3));     // below the last line
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
    for (const Row& r :
         {Row{{6, 0}, {10, 0}, "line"}, Row{{3, 0}, {3, 0}, ""},
          Row{{6, 0}, {2, 3}, "line\r\n\r\nmiddle\r\nla"},
          Row{{2, 3}, {6, 0}, "line\r\n\r\nmiddle\r\nla"}, Row{{0, 2}, {0, 3}, "middle\r\n"},
          Row{{0, 0}, TextEnd(s), "first line\r\n\r\nmiddle\r\nlast"}, Row{{0, 0}, {1, 9}, ""}})
        EXPECT_EQ(SelectionText(s, r.a, r.b), r.text);
    EXPECT_EQ(TextEnd(ScreenModel()), (CellPoint{0, 0}));
}

TEST(ConsoleSelection, ClickAndDragScroll) {
    // Word, Ctrl, Shift, CR LF mode: bytes sent, text for the capture editor.
    // clang-format off
    const std::tuple<const char*, bool, bool, bool, const char*, const char*> clicks[] = {
        {"12", 0, 0, 0, "12\r", ""}, {"12", 0, 0, 1, "12\r\n", ""}, {"", 0, 1, 0, " ", ""},
        {"12", 0, 1, 0, "12 ", ""}, {"12", 1, 0, 0, "", "12 "}, {"", 1, 0, 0, "\r", ""}};
    // clang-format on
    for (const auto& [word, ctrl, shift, crlf, bytes, editor] : clicks) {
        const ClickSend c = DecideClick(word, ctrl, shift, crlf);
        EXPECT_EQ(c.bytes + "|" + c.toEditor, std::string(bytes) + "|" + editor) << word;
    }

    ScreenModel s = Lines({std::string(40, 'x'), "short", "", "", "", "", "", ""});
    s.FirstDisplayedLine = 1;
    const ConsoleViewport view{80, 64, 4};  // 4 rows of 8 x 16
    // Pointer x, y and offset: first displayed line and offset after the scroll.
    // clang-format off
    const std::tuple<int, int, int, int, int> drags[] = {
        {40, 70, 4, 2, 4}, {40, -3, 4, 0, 4}, {40, 30, 4, 1, 4}, {70, 30, 4, 1, 4},
        {70, -3, 4, 0, -4}, {3, 30, -20, 1, -12}, {3, 30, 0, 1, 4}};
    // clang-format on
    for (const auto& [x, y, offset, first, newOffset] : drags) {
        const ViewChange c = DragAutoScroll(s, view, offset, x, y);
        EXPECT_EQ(c.firstDisplayedLine * 1000 + c.horizontalOffset, first * 1000 + newOffset)
            << x << "," << y;
        EXPECT_EQ(c.Changed(), first != 1 || newOffset != offset);
    }
    s.FirstDisplayedLine = 4;  // the last line shows: no scrolling down
    EXPECT_FALSE(DragAutoScroll(s, view, 4, 40, 70).Changed());
}

}  // namespace
