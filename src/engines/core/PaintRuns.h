// What the console painter needs from the screen model: the runs of equal colours of its
// lines, where each run and the area to clear land in the view, in pixels, and which runs
// a repaint of some lines draws.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

class ScreenModel;

struct ColourRun {
    int column;      // first cell of the run
    int length;      // bytes (cells) in the run
    int foreground;  // ColorIndex 0-15, from the letter 'a' + index
    int background;  // ColorIndex 0-15, from the letter 'A' + index
};

// Characters of a line: a byte of 0x81 or more and the byte after it are one character of
// two cells (the glyph composer draws them together), every other byte one cell. Counted
// from the start of the line.
inline int CharacterLength(std::string_view text, size_t i) {
    return static_cast<unsigned char>(text[i]) >= 0x81 && i + 1 < text.size() ? 2 : 1;
}
// The first cell of the character that covers `column`: one less when the column is the
// second byte of a pair; columns at or past the end stay as they are.
int CharacterStart(std::string_view text, int column);

// Appends to `runs` the maximal runs of equal colours of cells [from, to) of a line (text
// with its foreground and background letters). A run never ends inside a double-byte
// character: a `from` on a pair's second byte starts at its first, a pair reaching past
// `to` is taken whole, and a pair whose halves differ in colour goes with its first byte.
// Only as many cells as all three strings hold are looked at; a letter out of range is
// read as colour 0 rather than trusted.
void AppendColourRuns(std::string_view text, std::string_view foreground,
                      std::string_view background, int from, int to,
                      std::vector<ColourRun>& runs);
// The runs of a whole line.
std::vector<ColourRun> SplitColourRuns(std::string_view text, std::string_view foreground,
                                       std::string_view background);

struct PaintGeometry {
    int cellWidth = 8;
    int cellHeight = 16;
    int horizontalOffset = 0;  // pixel x of column 0
    int firstDisplayedLine = 0;
    int viewWidth = 0;
    int viewHeight = 0;
};

// A cell rectangle of the terminal: columns and absolute line numbers, -1 = up to the
// view's edge on that side. Right is the column just past the area, bottom the last line.
struct CellRect {
    int left = -1;
    int top = -1;
    int right = -1;
    int bottom = -1;
};

struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// Where a run of a line is drawn.
inline int RunX(const PaintGeometry& g, int column) {
    return column * g.cellWidth + g.horizontalOffset;
}
inline int LineY(const PaintGeometry& g, int line) {
    return (line - g.firstDisplayedLine) * g.cellHeight;
}

// The view area of a dirty rectangle, for filling it with the background.
PixelRect DirtyRectToPixels(const CellRect& cells, const PaintGeometry& g);

// Cells that are already right on the screen after a move of the picture; a repaint skips
// them. Lines topLine..bottomLine are kept whole (both -1: none). On the other lines the
// columns [leftColumn, rightColumn) are kept, leftColumn -1 meaning from column 0 and
// rightColumn -1 up to the line end (both -1: none).
struct KeptRange {
    int leftColumn = -1;
    int topLine = -1;
    int rightColumn = -1;
    int bottomLine = -1;
};

// One call of the text painter: cells [column, column + length) of a line at (x, y), in a
// foreground and background ColorIndex.
struct PaintRun {
    int line;
    int column;
    int length;
    int x;
    int y;
    int foreground;
    int background;
};

// The runs a repaint of lines firstLine..lastLine draws (replacing `runs`): those of the
// lines from the first displayed one on whose top lies inside the view, except empty lines
// and the kept lines; on each, the cells outside the kept columns, in colour runs that
// never cut a double-byte character (a repaint starting on a pair's second byte starts one
// column earlier). Runs wholly outside the view's width are left out. Lines past the last
// one of the model are not painted: the background fill has cleared them.
void PlanLinesPaint(const ScreenModel& screen, const PaintGeometry& g, int firstLine, int lastLine,
                    const KeptRange& kept, std::vector<PaintRun>& runs);
