#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "console/core/ConsoleView.h"
#include "engines/core/DravelTerminal.h"

namespace {

constexpr int kCell = 3;    // cell width and height of the test view, in pixels
constexpr int kBlank = -1;  // a pixel of the view's background

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
            text += pair ? static_cast<char>(c % 2 ? 0xA1 + i : 0xB0 + c % 9)
                         : static_cast<char>('a' + (c + i) % 26);
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

    // Fills a rectangle with the background (glyph -1) or with a glyph's cell picture.
    void Put(int left, int top, int right, int bottom, int glyph = -1) {
        for (int y = std::max(top, 0); y < std::min(bottom, height); ++y)
            for (int x = std::max(left, 0); x < std::min(right, width); ++x)
                pixels[static_cast<size_t>(y * width + x)] =
                    glyph < 0 ? kBlank : glyph * 16 + (x - left) * 4 + (y - top);
    }
    void Fill(const PixelRect& r) { Put(r.left, r.top, r.right, r.bottom); }
    void Text(int x0, int y, std::string_view text, int foreground, int background) {
        const int length = static_cast<int>(text.size());
        for (int i = 0; i < length; ++i) {
            int glyph = static_cast<unsigned char>(text[static_cast<size_t>(i)]);
            const bool pair = glyph >= 0x81 && i + 1 < length;
            if (pair) glyph = glyph << 8 | static_cast<unsigned char>(text[static_cast<size_t>(i + 1)]);
            if (!pair && glyph >= 0x81) glyph = '?';
            for (int half = 0; half <= int(pair); ++half) {
                const int x = x0 + (i + half) * kCell;
                Put(x, y, x + kCell, y + kCell, (glyph * 2 + half) * 256 + foreground * 16 + background);
            }
            i += int(pair);
        }
    }
    void Draw(const ScreenModel& s, const std::vector<PaintRun>& runs) {
        for (const PaintRun& r : runs)
            Text(r.x, r.y, std::string_view(s.Text(r.line)).substr(r.column, r.length), r.foreground,
                 r.background);
    }
    // A block copy by (dx, dy) inside a clip rectangle (ScrollDC): pixels from outside
    // the clip stay.
    void Move(int dx, int dy, PixelRect clip) {
        std::vector<int> moved = pixels;
        auto in = [&](int x, int y) {
            return x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom;
        };
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (in(x, y) && in(x - dx, y - dy))
                    moved[static_cast<size_t>(y * width + x)] =
                        pixels[static_cast<size_t>((y - dy) * width + x - dx)];
        pixels = moved;
    }
};

Canvas FullPaint(const ScreenModel& s, const PaintGeometry& g) {
    Canvas c(g.viewWidth, g.viewHeight);
    std::vector<PaintRun> runs;
    PlanLinesPaint(s, g, g.firstDisplayedLine, s.LineCount() - 1, {}, runs);
    c.Draw(s, runs);
    return c;
}

// Applies a view change to the picture of the old view as the console does.
void Apply(Canvas& c, const ScreenModel& s, PaintGeometry g, const ViewChange& change) {
    g.firstDisplayedLine = change.firstDisplayedLine;
    g.horizontalOffset = change.horizontalOffset;
    if (change.move.kind == ViewMove::Repaint) {
        c = FullPaint(s, g);
        return;
    }
    std::vector<PaintRun> runs;
    c.Move(change.move.dx, change.move.dy, {0, 0, c.width, c.height});
    c.Fill(UncoveredStrip(change.move, g));
    PlanLinesPaint(s, g, g.firstDisplayedLine, s.LineCount() - 1, change.move.kept, runs);
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
            const ViewChange change =
                ScrollVertically(ScrollCode::Track, to, s, view, -5, -1, true).change;
            pixelMoves += change.move.kind == ViewMove::Pixels;
            Apply(c, s, g, change);
            s.FirstDisplayedLine = to;
            ASSERT_EQ(c.pixels, FullPaint(s, ViewGeometry(s, view, -5)).pixels)
                << from << " -> " << to;
        }
    }
    for (int from = -120; from <= 2; from += 1) {
        for (int position : {0, 1, 2, 5, 13, 20, 40}) {
            s.FirstDisplayedLine = 4;
            const PaintGeometry g = ViewGeometry(s, view, from);
            Canvas c = FullPaint(s, g);
            const ViewChange change =
                ScrollHorizontally(ScrollCode::Track, position, s, view, from, true);
            pixelMoves += change.move.kind == ViewMove::Pixels;
            Apply(c, s, g, change);
            ASSERT_EQ(c.pixels, FullPaint(s, ViewGeometry(s, view, change.horizontalOffset)).pixels)
                << from << " -> " << position;
        }
    }
    EXPECT_GT(pixelMoves, 400);
}

// The terminal's painting on the test canvas (its default background is the blank).
struct TerminalOnCanvas : TerminalCanvas {
    Canvas& c;
    explicit TerminalOnCanvas(Canvas& canvas) : c(canvas) {}
    int CanvasWidth() override { return c.width; }
    int CanvasHeight() override { return c.height; }
    void FillCanvas(const PixelRect& area, int) override { c.Fill(area); }
    void PaintRunText(int x, int y, std::string_view text, int fg, int bg) override {
        c.Text(x, y, text, fg, bg);
    }
};

// The terminal scrolls a region: copying what is on view and having the terminal repaint
// the lines the copy uncovers gives a full repaint.
TEST(ConsoleView, RegionScrollsEqualAFullRepaint) {
    const ConsoleViewport view{47, 23, 2};
    for (int top = 0; top < 16; top += 3) {
        for (int bottom = top; bottom < 18; bottom += 2) {
            for (int count = -5; count <= 5; ++count) {
                ScreenModel s = Screen(30);
                s.FirstDisplayedLine = 6;
                const PaintGeometry g = ViewGeometry(s, view, -5);
                Canvas c = FullPaint(s, g);
                s.RotateLines(top, bottom, count);
                const RegionMove m = PlanRegionScroll(top, bottom, count, g, true);
                if (m.copy) c.Move(0, m.dy, m.clip);
                TerminalOnCanvas canvas(c);
                TerminalOutlets outlets;
                outlets.Canvas = &canvas;
                TDravelTerminal terminal(s, ColorIndexToColor(15), ColorIndexToColor(4), outlets);
                terminal.SetHorizontalOffset(g.horizontalOffset);
                if (m.repaintFirst <= m.repaintLast) terminal.RepaintRect(m.repaintFirst, m.repaintLast);
                ASSERT_EQ(c.pixels, FullPaint(s, g).pixels)
                    << top << ".." << bottom << " " << count;
            }
        }
    }
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

TEST(ConsoleView, ScrollBarEventsAndJumps) {
    ScreenModel s;
    for (int i = 0; i < 30; ++i) s.AppendLine(std::string(static_cast<size_t>(i), 'x'), 15, 4);
    s.FirstDisplayedLine = 12;
    const ConsoleViewport view{80, 90, 4};  // 5 whole rows

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
    EXPECT_EQ(
        ScrollVertically(ScrollCode::PageUp, 0, s, view, 4, -1, true).change.firstDisplayedLine, 0);

    for (const Row& r : {Row{ScrollCode::LineUp, 0, -12}, Row{ScrollCode::LineDown, 0, -28},
                         Row{ScrollCode::PageUp, 0, 4}, Row{ScrollCode::PageDown, 0, -100},
                         Row{ScrollCode::Track, 2, -12}, Row{ScrollCode::Track, 90, -228}})
        EXPECT_EQ(ScrollHorizontally(r.code, r.position, s, view, -20, true).horizontalOffset,
                  r.expected);

    // A cursor positioned while the view shows older lines: back to the screen.
    s.ScreenTop = 6;
    s.FirstDisplayedLine = 3;
    // Its top in a small view, its end in a tall one.
    EXPECT_EQ(JumpToScreen(s, 24, view, 4, true).firstDisplayedLine, 6);
    EXPECT_EQ(JumpToScreen(s, 4, view, 4, true).firstDisplayedLine, 5);
    EXPECT_EQ(JumpToScreen(s, 4, view, 4, true).move.kind, ViewMove::Pixels);
    s.FirstDisplayedLine = 25;
    EXPECT_FALSE(JumpToScreen(s, 24, view, 4, true).Changed());
}

}  // namespace
