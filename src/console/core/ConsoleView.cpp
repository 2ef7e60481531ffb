#include "console/core/ConsoleView.h"

#include <algorithm>
#include <cstdlib>

namespace {

bool HasCells(const PaintGeometry& g) {
    return g.cellWidth > 0 && g.cellHeight > 0;
}

// Lines whose row meets the pixel rows [top, bottom) of the view.
void LinesInRows(const PaintGeometry& g, int top, int bottom, int& first, int& last) {
    first = g.firstDisplayedLine + std::max(top, 0) / g.cellHeight;
    last = g.firstDisplayedLine + (bottom - 1) / g.cellHeight;
}

ViewChange Unchanged(const PaintGeometry& g) {
    return {g.firstDisplayedLine, g.horizontalOffset, {}};
}

// The move to `after` from the view `before`: the plan of the one axis that changed, a
// repaint when both did.
ViewChange MoveTo(const PaintGeometry& before, const PaintGeometry& after, bool pixelMoves) {
    ViewChange c{after.firstDisplayedLine, after.horizontalOffset, {}};
    const bool vertical = after.firstDisplayedLine != before.firstDisplayedLine;
    const bool horizontal = after.horizontalOffset != before.horizontalOffset;
    if (vertical && horizontal)
        c.move.kind = ViewMove::Repaint;
    else if (vertical)
        c.move = PlanVerticalMove(before.firstDisplayedLine, after, pixelMoves);
    else if (horizontal)
        c.move = PlanHorizontalMove(before.horizontalOffset, after, pixelMoves);
    return c;
}

int CeilDiv(int a, int b) {
    return a <= 0 ? 0 : (a + b - 1) / b;
}

// Where a scroll event takes a position (lines down, or cells right): a line or a page
// back or forth, or the thumb's position.
int ScrollTarget(ScrollCode code, int current, int page, int position) {
    switch (code) {
        case ScrollCode::LineUp:
            return current - 1;
        case ScrollCode::LineDown:
            return current + 1;
        case ScrollCode::PageUp:
            return current - page;
        case ScrollCode::PageDown:
            return current + page;
        case ScrollCode::Track:
            return position;
        case ScrollCode::Other:
            break;
    }
    return current;
}

}  // namespace

PaintGeometry ViewGeometry(const ScreenModel& screen, const ConsoleViewport& view,
                           int horizontalOffset) {
    PaintGeometry g;
    g.cellWidth = screen.CellWidth;
    g.cellHeight = screen.CellHeight;
    g.horizontalOffset = horizontalOffset;
    g.firstDisplayedLine = screen.FirstDisplayedLine;
    g.viewWidth = view.width;
    g.viewHeight = view.height;
    return g;
}

int WholeRows(const PaintGeometry& g) {
    return g.cellHeight > 0 && g.viewHeight > 0 ? g.viewHeight / g.cellHeight : 0;
}

PixelRect UncoveredStrip(const ViewMove& move, const PaintGeometry& g) {
    PixelRect r{0, 0, g.viewWidth, g.viewHeight};
    if (move.kind != ViewMove::Pixels) return {};
    if (move.dy < 0) r.top = g.viewHeight + move.dy;
    if (move.dy > 0) r.bottom = move.dy;
    if (move.dx < 0) r.left = g.viewWidth + move.dx;
    if (move.dx > 0) r.right = move.dx;
    return r;
}

ViewMove PlanVerticalMove(int oldFirstLine, const PaintGeometry& after, bool pixelMoves) {
    ViewMove m;
    const int newFirst = after.firstDisplayedLine;
    if (newFirst == oldFirstLine) return m;
    const int rows = WholeRows(after);
    const int lines = std::abs(newFirst - oldFirstLine);
    if (!pixelMoves || lines >= rows) {
        m.kind = ViewMove::Repaint;
        return m;
    }
    m.kind = ViewMove::Pixels;
    m.dy = (oldFirstLine - newFirst) * after.cellHeight;
    // The lines both views show whole stay right; the rest meets the uncovered strip.
    m.kept.topLine = std::max(oldFirstLine, newFirst);
    m.kept.bottomLine = std::min(oldFirstLine, newFirst) + rows - 1;
    return m;
}

ViewMove PlanHorizontalMove(int oldOffset, const PaintGeometry& after, bool pixelMoves) {
    ViewMove m;
    const int dx = after.horizontalOffset - oldOffset;
    if (dx == 0) return m;
    if (!pixelMoves || std::abs(dx) >= after.viewWidth || after.cellWidth <= 0) {
        m.kind = ViewMove::Repaint;
        return m;
    }
    m.kind = ViewMove::Pixels;
    m.dx = dx;
    if (dx > 0) {
        // Moved right: the columns left of the strip's right edge are painted.
        m.kept.leftColumn = CeilDiv(dx - after.horizontalOffset, after.cellWidth);
    } else {
        // Moved left: the columns that reach into the strip at the right are painted.
        const int t = after.viewWidth + dx - after.horizontalOffset;
        m.kept.rightColumn = t <= 0 ? 0 : t / after.cellWidth;
    }
    return m;
}

ViewChange ScrollCursorIntoView(const ScreenModel& screen, const ConsoleViewport& view,
                                int horizontalOffset, bool pixelMoves) {
    const PaintGeometry before = ViewGeometry(screen, view, horizontalOffset);
    if (!HasCells(before)) return Unchanged(before);
    PaintGeometry after = before;
    const int cw = before.cellWidth;
    const int ch = before.cellHeight;

    const int cursorLine = screen.ScreenTop + screen.CursorRow;
    const int first = before.firstDisplayedLine;
    if ((cursorLine - first + 1) * ch > view.height && first < cursorLine)
        after.firstDisplayedLine = std::min(cursorLine - WholeRows(before) + 1, cursorLine);
    else if (cursorLine < first)
        after.firstDisplayedLine = cursorLine;

    const int column = screen.CursorColumn;
    int offset = horizontalOffset;
    const int right = (column + 1) * cw + offset;
    if (right > view.width) {
        offset -= right - view.width;
    } else if (column * cw + offset < view.margin) {
        offset = std::abs(offset) >= view.width ? view.width - (column + 2) * cw : view.margin;
    } else if (offset < 0 && (column + 1) * cw + view.margin <= view.width) {
        offset = view.margin;
    }
    // Never right of the left end, and never with the cursor cell past the right edge.
    offset = std::min({offset, view.margin, view.width - (column + 1) * cw});
    after.horizontalOffset = offset;
    return MoveTo(before, after, pixelMoves);
}

ViewChange JumpToScreen(const ScreenModel& screen, int screenRows, const ConsoleViewport& view,
                        int horizontalOffset, bool pixelMoves) {
    const PaintGeometry before = ViewGeometry(screen, view, horizontalOffset);
    const int lastLine = std::min(screen.ScreenTop + screenRows, screen.LineCount()) - 1;
    const int live = std::max(0, std::min(screen.ScreenTop, lastLine - WholeRows(before) + 1));
    if (before.firstDisplayedLine >= live) return Unchanged(before);
    PaintGeometry after = before;
    after.firstDisplayedLine = live;
    return MoveTo(before, after, pixelMoves);
}

ScrollBarState ScrollBars(const ScreenModel& screen, int horizontalOffset, int margin) {
    ScrollBarState s;
    s.verticalMax = std::max(screen.LineCount() - 1, 0);
    s.verticalPosition = screen.FirstDisplayedLine;
    s.horizontalMax = screen.LongestLine;
    s.horizontalPosition =
        screen.CellWidth > 0 ? (margin - horizontalOffset) / screen.CellWidth : 0;
    return s;
}

VerticalScroll ScrollVertically(ScrollCode code, int position, const ScreenModel& screen,
                                const ConsoleViewport& view, int horizontalOffset, int returnLine,
                                bool pixelMoves) {
    const PaintGeometry before = ViewGeometry(screen, view, horizontalOffset);
    VerticalScroll s;
    s.returnLine = returnLine < 0 ? before.firstDisplayedLine : returnLine;
    const int first = before.firstDisplayedLine;
    const int max = std::max(screen.LineCount() - 1, 0);
    const int page = WholeRows(before);
    const int target = ScrollTarget(code, first, page, position);
    PaintGeometry after = before;
    after.firstDisplayedLine = first > max ? first : std::clamp(target, 0, max);
    s.change = MoveTo(before, after, pixelMoves);
    return s;
}

ViewChange ScrollHorizontally(ScrollCode code, int position, const ScreenModel& screen,
                              const ConsoleViewport& view, int horizontalOffset, bool pixelMoves) {
    const PaintGeometry before = ViewGeometry(screen, view, horizontalOffset);
    const int w = before.cellWidth;
    if (w <= 0) return Unchanged(before);
    const int m = view.margin;
    // In cells scrolled right, keeping a part of a cell that following the cursor left.
    const int shifted = m - horizontalOffset;
    const int cells = ScrollTarget(code, shifted / w, std::max(view.width / w, 1), position);
    const int offset = m - cells * w - (code == ScrollCode::Track ? 0 : shifted % w);
    PaintGeometry after = before;
    after.horizontalOffset = std::clamp(offset, m - screen.LongestLine * w, m);
    if (code == ScrollCode::Other) after.horizontalOffset = horizontalOffset;
    return MoveTo(before, after, pixelMoves);
}

RegionMove PlanRegionScroll(int topLine, int bottomLine, int count, const PaintGeometry& g,
                            bool pixelMoves) {
    RegionMove r;
    if (!HasCells(g) || count == 0 || g.viewHeight <= 0) return r;
    int visibleFirst = 0;
    int visibleLast = 0;
    LinesInRows(g, 0, g.viewHeight, visibleFirst, visibleLast);
    const int top = std::max(topLine, visibleFirst);
    const int bottom = std::min(bottomLine, visibleLast);
    if (top > bottom) return r;
    r.repaintFirst = top;
    r.repaintLast = bottom;
    const PixelRect clip{0, LineY(g, top), g.viewWidth,
                         std::min(LineY(g, bottom + 1), g.viewHeight)};
    const int shift = std::abs(count) * g.cellHeight;
    if (!pixelMoves || shift >= clip.bottom - clip.top) return r;
    r.copy = true;
    r.clip = clip;
    r.dy = count > 0 ? -shift : shift;
    // The lines that meet the strip the copy uncovers are painted again.
    if (count > 0)
        LinesInRows(g, clip.bottom - shift, clip.bottom, r.repaintFirst, r.repaintLast);
    else
        LinesInRows(g, clip.top, clip.top + shift, r.repaintFirst, r.repaintLast);
    return r;
}

PixelPoint CursorCellPosition(const ScreenModel& screen, int horizontalOffset) {
    return {screen.CursorColumn * screen.CellWidth + horizontalOffset,
            (screen.ScreenTop + screen.CursorRow - screen.FirstDisplayedLine) * screen.CellHeight};
}
