#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "console/core/ConsoleView.h"

namespace {

constexpr int kCell = 3;   // cell width and height of the test view, in pixels
constexpr int kBlank = -1; // a pixel of the view's background

// Lines of mixed text: ASCII, double-byte pairs whose halves may differ in colour, a lone
// lead byte, empty lines, and lines far wider than the view.
ScreenModel Screen(int lines) {
    ScreenModel s;
    s.CellWidth = s.CellHeight = kCell;
    for (int i = 0; i < lines; ++i) {
        std::string text, fg, bg;
        const int length = i % 7 == 3 ? 0 : 5 + (i * 37) % 60;
        for (int c = 0; c < length; ++c) {
            const bool pair = (c + i) % 5 < 2;
            text += pair ? static_cast<char>(c % 2 ? 0xA1 + i : 0xB0 + c % 9) : static_cast<char>('a' + (c + i) % 26);
            fg += static_cast<char>('a' + (c / 3 + i) % 16);
            bg += static_cast<char>('A' + (c / 4) % 3);
        }
        if (i % 11 == 5 && length > 0) text.back() = static_cast<char>(0xC1);
        s.AppendLine(text, fg, bg);
    }
    return s;
}

// The view as pixels, drawn as the console draws it: colour runs through the text
// painter (a pair is one glyph over two cells, a lead at a run's end shows '?').
struct Canvas {
    int width, height;
    std::vector<int> pixels;
    Canvas(int w, int h) : width(w), height(h), pixels(static_cast<size_t>(w * h), kBlank) {}

    void Fill(const PixelRect& r) {
        for (int y = std::max(r.top, 0); y < std::min(r.bottom, height); ++y)
            for (int x = std::max(r.left, 0); x < std::min(r.right, width); ++x)
                pixels[static_cast<size_t>(y * width + x)] = kBlank;
    }
    void Draw(const ScreenModel& s, const std::vector<PaintRun>& runs) {
        for (const PaintRun& r : runs) {
            const std::string& text = s.Text(r.line);
            const int colours = r.foreground * 16 + r.background;
            for (int i = 0; i < r.length; ++i) {
                const auto at = static_cast<size_t>(r.column + i);
                const int b = static_cast<unsigned char>(text[at]);
                if (b >= 0x81 && i + 1 < r.length) {
                    const int glyph = b << 8 | static_cast<unsigned char>(text[at + 1]);
                    Cell(r.x + i * kCell, r.y, glyph * 512 + colours);
                    Cell(r.x + (i + 1) * kCell, r.y, glyph * 512 + 256 + colours);
                    ++i;
                } else {
                    Cell(r.x + i * kCell, r.y, (b >= 0x81 ? '?' : b) * 512 + colours);
                }
            }
        }
    }
    void Cell(int x0, int y0, int value) {
        for (int y = std::max(y0, 0); y < std::min(y0 + kCell, height); ++y)
            for (int x = std::max(x0, 0); x < std::min(x0 + kCell, width); ++x)
                pixels[static_cast<size_t>(y * width + x)] = value * 16 + (x - x0) * 4 + (y - y0);
    }
    // A block copy of the whole picture by (dx, dy) (ScrollDC): pixels from outside stay.
    void Move(int dx, int dy) {
        std::vector<int> moved = pixels;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (x - dx >= 0 && x - dx < width && y - dy >= 0 && y - dy < height)
                    moved[static_cast<size_t>(y * width + x)] = pixels[static_cast<size_t>((y - dy) * width + x - dx)];
        pixels = moved;
    }
};

Canvas FullPaint(const ScreenModel& s, const PaintGeometry& g) {
    Canvas c(g.viewWidth, g.viewHeight);
    std::vector<PaintRun> runs;
    PlanConsolePaint(s, g, {}, runs);
    c.Draw(s, runs);
    return c;
}

// Applies a view change to the picture of the old view as the console does.
void Apply(Canvas& c, const ScreenModel& s, PaintGeometry g, const ViewChange& change) {
    g.firstDisplayedLine = change.firstDisplayedLine;
    g.horizontalOffset = change.horizontalOffset;
    std::vector<PaintRun> runs;
    if (change.move.kind == ViewMove::Repaint) {
        c = FullPaint(s, g);
        return;
    }
    c.Move(change.move.dx, change.move.dy);
    c.Fill(UncoveredStrip(change.move, g));
    PlanConsolePaint(s, g, change.move.kept, runs);
    c.Draw(s, runs);
}

// Whatever the move, copying pixels and painting what the kept range leaves gives the
// picture a full repaint gives.
TEST(ConsoleView, PixelMovesEqualAFullRepaint) {
    ScreenModel s = Screen(40);
    const ConsoleViewport view{47, 23, 2};  // 15 whole cells and 7 whole rows, plus parts
    int pixelMoves = 0;
    for (int from = 0; from < 30; ++from) {
        for (int to = 0; to < 30; ++to) {
            s.FirstDisplayedLine = from;
            const PaintGeometry g = ViewGeometry(s, view, -5);
            Canvas c = FullPaint(s, g);
            const ViewChange change = ScrollVertically(ScrollCode::Track, to, s, view, -5, -1, true).change;
            pixelMoves += change.move.kind == ViewMove::Pixels;
            Apply(c, s, g, change);
            s.FirstDisplayedLine = to;
            ASSERT_EQ(c.pixels, FullPaint(s, ViewGeometry(s, view, -5)).pixels) << from << " -> " << to;
        }
    }
    for (int from = -120; from <= 2; from += 1) {
        for (int position : {0, 1, 2, 5, 13, 20, 40}) {
            s.FirstDisplayedLine = 4;
            const PaintGeometry g = ViewGeometry(s, view, from);
            Canvas c = FullPaint(s, g);
            const ViewChange change = ScrollHorizontally(ScrollCode::Track, position, s, view, from, true);
            pixelMoves += change.move.kind == ViewMove::Pixels;
            Apply(c, s, g, change);
            ASSERT_EQ(c.pixels, FullPaint(s, ViewGeometry(s, view, change.horizontalOffset)).pixels)
                << from << " -> " << position;
        }
    }
    EXPECT_GT(pixelMoves, 400);
}

struct FollowRow {
    const char* what;
    int cursorLine, cursorColumn, first, offset;
    int newFirst, newOffset;
    ViewMove::Kind kind;
};

// View: 10 cells by 5 rows (and a part) of 8 x 16, margin 4.
const FollowRow kFollowRows[] = {
    {"visible", 12, 3, 10, 4, 10, 4, ViewMove::None},
    {"one line below", 15, 3, 10, 4, 11, 4, ViewMove::Pixels},
    {"far below", 40, 3, 10, 4, 36, 4, ViewMove::Repaint},
    {"last whole row", 14, 0, 10, 4, 10, 4, ViewMove::None},
    {"above", 8, 3, 10, 4, 8, 4, ViewMove::Pixels},
    {"right of the edge", 12, 12, 10, 4, 10, -24, ViewMove::Pixels},
    {"wide screen, far right", 12, 100, 10, 4, 10, -728, ViewMove::Repaint},
    {"carriage return comes back", 12, 0, 10, -24, 10, 4, ViewMove::Pixels},
    {"carriage return from far right", 12, 0, 10, -728, 10, 4, ViewMove::Repaint},
    {"left of the margin, far right", 12, 30, 10, -728, 10, -176, ViewMove::Repaint},
    {"left of the margin, near", 12, 2, 10, -40, 10, 4, ViewMove::Pixels},
    {"stays right while it must", 12, 12, 10, -24, 10, -24, ViewMove::None},
    {"both ways", 15, 0, 10, -24, 11, 4, ViewMove::Repaint},
};

TEST(ConsoleView, ScrollCursorIntoView) {
    ScreenModel s;
    for (int i = 0; i < 50; ++i) s.AppendLine("x", 15, 4);
    const ConsoleViewport view{80, 90, 4};
    for (const FollowRow& r : kFollowRows) {
        s.ScreenTop = 10;
        s.CursorRow = r.cursorLine - 10;
        s.CursorColumn = r.cursorColumn;
        s.FirstDisplayedLine = r.first;
        const ViewChange c = ScrollCursorIntoView(s, view, r.offset, true);
        EXPECT_EQ(c.firstDisplayedLine, r.newFirst) << r.what;
        EXPECT_EQ(c.horizontalOffset, r.newOffset) << r.what;
        EXPECT_EQ(c.move.kind, r.kind) << r.what;
    }
    // Another window over the view: no pixel moves.
    s.CursorRow = 5;
    s.FirstDisplayedLine = 10;
    EXPECT_EQ(ScrollCursorIntoView(s, view, 4, false).move.kind, ViewMove::Repaint);
}

TEST(ConsoleView, ScrollBarsAndJumps) {
    ScreenModel s;
    for (int i = 0; i < 30; ++i) s.AppendLine(std::string(static_cast<size_t>(i), 'x'), 15, 4);
    s.FirstDisplayedLine = 12;
    const ConsoleViewport view{80, 90, 4};  // 5 whole rows

    const ScrollBarState bars = ScrollBars(s, -20, 4);
    EXPECT_EQ(bars.verticalMax, 29);
    EXPECT_EQ(bars.verticalPosition, 12);
    EXPECT_EQ(bars.horizontalMax, 29);
    EXPECT_EQ(bars.horizontalPosition, 3);

    struct Row {
        ScrollCode code;
        int position, expected;
    };
    for (const Row& r : {Row{ScrollCode::LineUp, 0, 11}, Row{ScrollCode::PageUp, 0, 7},
                         Row{ScrollCode::PageDown, 0, 17}, Row{ScrollCode::Track, 99, 29},
                         Row{ScrollCode::Other, 0, 12}}) {
        const VerticalScroll v = ScrollVertically(r.code, r.position, s, view, 4, -1, true);
        EXPECT_EQ(v.change.firstDisplayedLine, r.expected);
        EXPECT_EQ(v.returnLine, 12);  // the live line is saved by the first event only
        EXPECT_EQ(ScrollVertically(r.code, r.position, s, view, 4, 20, true).returnLine, 20);
    }
    s.FirstDisplayedLine = 1;
    EXPECT_EQ(ScrollVertically(ScrollCode::PageUp, 0, s, view, 4, -1, true).change.firstDisplayedLine, 0);

    for (const Row& r : {Row{ScrollCode::LineUp, 0, -12}, Row{ScrollCode::LineDown, 0, -28},
                         Row{ScrollCode::PageUp, 0, 4}, Row{ScrollCode::PageDown, 0, -100},
                         Row{ScrollCode::Track, 2, -12}, Row{ScrollCode::Track, 90, -228}})
        EXPECT_EQ(ScrollHorizontally(r.code, r.position, s, view, -20, true).horizontalOffset, r.expected);

    // A cursor positioned while the view shows older lines: back to the screen.
    s.ScreenTop = 6;
    s.FirstDisplayedLine = 3;
    EXPECT_EQ(JumpToScreen(s, 24, view, 4, true).firstDisplayedLine, 6);  // its top, in a small view
    EXPECT_EQ(JumpToScreen(s, 4, view, 4, true).firstDisplayedLine, 5);   // its end, in a tall one
    EXPECT_EQ(JumpToScreen(s, 4, view, 4, true).move.kind, ViewMove::Pixels);
    s.FirstDisplayedLine = 25;
    EXPECT_FALSE(JumpToScreen(s, 24, view, 4, true).Changed());
}

TEST(ConsoleView, RegionScrollCopiesWhatIsOnView) {
    PaintGeometry g;
    g.cellWidth = 8;
    g.cellHeight = 16;
    g.firstDisplayedLine = 10;
    g.viewWidth = 80;
    g.viewHeight = 90;  // lines 10..15, the last one in part
    RegionMove up = PlanRegionScroll(11, 20, 2, g, true);
    EXPECT_TRUE(up.copy);
    EXPECT_EQ(up.clip.top, 16);
    EXPECT_EQ(up.clip.bottom, 90);
    EXPECT_EQ(up.dy, -32);
    EXPECT_EQ(up.repaintFirst, 13);  // rows 58..90 of the view: lines 13 to 15
    EXPECT_EQ(up.repaintLast, 15);
    RegionMove down = PlanRegionScroll(5, 12, -1, g, true);
    EXPECT_EQ(down.clip.bottom, 48);
    EXPECT_EQ(down.dy, 16);
    EXPECT_EQ(down.repaintFirst, 10);
    EXPECT_EQ(down.repaintLast, 10);
    RegionMove whole = PlanRegionScroll(14, 20, 3, g, true);
    EXPECT_FALSE(whole.copy);
    EXPECT_EQ(whole.repaintFirst, 14);
    EXPECT_EQ(whole.repaintLast, 15);
    EXPECT_GT(PlanRegionScroll(0, 9, 1, g, true).repaintFirst, PlanRegionScroll(0, 9, 1, g, true).repaintLast);

    // The fill before a repaint spans the whole width only on the default background.
    const CellRect plain = RepaintFillCells(3, 4, true, 80);
    const CellRect coloured = RepaintFillCells(3, 4, false, 80);
    EXPECT_EQ(plain.left, -1);
    EXPECT_EQ(plain.right, -1);
    EXPECT_EQ(coloured.left, 0);
    EXPECT_EQ(coloured.right, 80);
    EXPECT_EQ(coloured.bottom, 4);
}

}  // namespace
