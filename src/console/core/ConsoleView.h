// The console view's arithmetic: how the view follows the cursor and the scroll bars, and
// whether the picture can be moved by copying pixels (and which cells the move keeps right)
// or must be repainted. The console paint box does the copying these functions describe,
// and the terminal paints the rest; nothing here touches a window.
//
// Lines are indices into the screen model's line lists, columns are 0-based cells, pixels
// are paint-box coordinates. The horizontal offset is the x of column 0: the margin at the
// left end, smaller (down to negative) when the view is scrolled right.
#pragma once

#include <vector>

#include "engines/core/PaintRuns.h"
#include "engines/core/ScreenModel.h"

// The paint box.
struct ConsoleViewport {
    int width = 0;
    int height = 0;
    int margin = 0;  // x of column 0 at the left end (twice the dialog frame width)
};

// Where the view stands over the screen model.
PaintGeometry ViewGeometry(const ScreenModel& screen, const ConsoleViewport& view,
                           int horizontalOffset);
// Lines that fit whole in the view (a page).
int WholeRows(const PaintGeometry& g);

// How the picture gets from one view position to another.
struct ViewMove {
    enum Kind { None, Pixels, Repaint };
    Kind kind = None;
    int dx = 0;      // pixels the picture moves right (negative: left)
    int dy = 0;      // pixels the picture moves down (negative: up)
    KeptRange kept;  // for Pixels: what the moved picture shows right already
};
// The strip a pixel move uncovers, to be filled with the view's background colour before
// the repaint with the kept range (empty for other moves).
PixelRect UncoveredStrip(const ViewMove& move, const PaintGeometry& g);
// The first displayed line changes from oldFirstLine to after.firstDisplayedLine. A move
// of a page or more, or any move while pixels may not be copied (another window covers
// the paint box), is a full repaint.
ViewMove PlanVerticalMove(int oldFirstLine, const PaintGeometry& after, bool pixelMoves);
// The horizontal offset changes from oldOffset to after.horizontalOffset; a move of the
// view's width or more is a full repaint.
ViewMove PlanHorizontalMove(int oldOffset, const PaintGeometry& after, bool pixelMoves);

// A view position and how the picture gets there (move None: nothing changed).
struct ViewChange {
    int firstDisplayedLine = 0;
    int horizontalOffset = 0;
    ViewMove move;
    bool Changed() const { return move.kind != ViewMove::None; }
};

// Makes the cursor cell visible. Down: the cursor line becomes the last whole line of
// the view; up: the first. Across: a cursor beyond the right edge scrolls the view right
// until its cell ends at the edge; one left of the margin brings the view to the left
// end (or, when the view stands a width or more to the right, puts the cursor one cell
// from the right edge); and a view scrolled right goes back to the left end as soon as
// everything up to the cursor fits there (a carriage return). The offset never exceeds
// the margin. When the view moves both ways at once it is repainted.
ViewChange ScrollCursorIntoView(const ScreenModel& screen, const ConsoleViewport& view,
                                int horizontalOffset, bool pixelMoves);

// The terminal positioned its cursor: a view that stands above the screen jumps to it
// (the screen's last line at the bottom of the view when the whole screen fits, else the
// screen top at the top of the view). `screenRows` is the terminal's row count.
ViewChange JumpToScreen(const ScreenModel& screen, int screenRows, const ConsoleViewport& view,
                        int horizontalOffset, bool pixelMoves);

// Scroll-bar events (also made by the keyboard: lines and pages).
enum class ScrollCode { LineUp, LineDown, PageUp, PageDown, Track, Other };

struct ScrollBarState {
    int verticalMax = 0;       // last line (0 with no lines)
    int verticalPosition = 0;  // the first displayed line
    int horizontalMax = 0;     // the longest line, in cells
    int horizontalPosition = 0;
};
ScrollBarState ScrollBars(const ScreenModel& screen, int horizontalOffset, int margin);

struct VerticalScroll {
    ViewChange change;
    // The live first line saved while the user scrolls back: the first scroll event
    // stores the first displayed line when nothing is saved yet (-1).
    int returnLine = -1;
};
// The vertical scroll bar: a line or page up or down (within 0 .. the last line), or the
// thumb tracked to `position`.
VerticalScroll ScrollVertically(ScrollCode code, int position, const ScreenModel& screen,
                                const ConsoleViewport& view, int horizontalOffset, int returnLine,
                                bool pixelMoves);
// The horizontal scroll bar: a cell or a page left or right, or the thumb tracked to
// `position`; the offset stays between the margin and the longest line's end at the left
// edge.
ViewChange ScrollHorizontally(ScrollCode code, int position, const ScreenModel& screen,
                              const ConsoleViewport& view, int horizontalOffset, bool pixelMoves);

// The terminal scrolled lines topLine..bottomLine by count lines (positive: up). Where
// the region is on view its pixels move by dy inside `clip` (copy set) and the lines
// repaintFirst..repaintLast are painted afterwards; otherwise the visible lines of the
// region are repainted.
struct RegionMove {
    bool copy = false;
    PixelRect clip;
    int dy = 0;
    int repaintFirst = 0;
    int repaintLast = -1;  // below repaintFirst: nothing to paint
};
RegionMove PlanRegionScroll(int topLine, int bottomLine, int count, const PaintGeometry& g,
                            bool pixelMoves);

// The top-left corner of the cursor cell in the view (caret and composition spot).
struct PixelPoint {
    int x = 0;
    int y = 0;
};
PixelPoint CursorCellPosition(const ScreenModel& screen, int horizontalOffset);
