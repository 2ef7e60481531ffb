// TDravelTerminal: painting lines on the console's canvas.
#include "engines/core/DravelTerminal.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace {

PaintGeometry Geometry(const ScreenModel& screen, TerminalCanvas& canvas, int horizontalOffset)
{
    PaintGeometry g;
    g.cellWidth = screen.CellWidth;
    g.cellHeight = screen.CellHeight;
    g.horizontalOffset = horizontalOffset;
    g.firstDisplayedLine = screen.FirstDisplayedLine;
    g.viewWidth = canvas.CanvasWidth();
    g.viewHeight = canvas.CanvasHeight();
    return g;
}

} // namespace

void TDravelTerminal::PaintRegion(int firstLine, int lastLine)
{
    TerminalCanvas* canvas = outlets_.Canvas;
    if (!canvas)
        return;
    const PaintGeometry g = Geometry(screen_, *canvas, horizontalOffset_);
    if (g.cellWidth <= 0 || g.cellHeight <= 0)
        return;
    std::vector<ColourRun> runs;
    const int last = std::min(lastLine, screen_.LineCount() - 1);
    for (int line = std::max({firstLine, g.firstDisplayedLine, 0}); line <= last; ++line) {
        const int y = LineY(g, line);
        if (y >= g.viewHeight)
            break;
        const ScreenModel::Line& l = screen_.At(line);
        runs.clear();
        AppendColourRuns(l.Text, l.Foreground, l.Background, 0, static_cast<int>(l.Text.size()), runs);
        for (const ColourRun& r : runs) {
            const int x = RunX(g, r.column);
            if (x >= g.viewWidth || x + r.length * g.cellWidth <= 0)
                continue;
            canvas->PaintRunText(x, y, std::string_view(l.Text).substr(static_cast<size_t>(r.column),
                                                                         static_cast<size_t>(r.length)),
                                 r.foreground, r.background);
        }
    }
}

void TDravelTerminal::FillDirtyRect()
{
    if (TerminalCanvas* canvas = outlets_.Canvas)
        canvas->FillCanvas(DirtyRectToPixels(DirtyRect, Geometry(screen_, *canvas, horizontalOffset_)),
                           currentBg_);
}

void TDravelTerminal::RepaintRect(int firstLine, int lastLine)
{
    DirtyRect = CellRect{-1, firstLine, -1, lastLine};
    // A coloured background ends at the screen's right edge.
    if (currentBg_ != defaultBg_) {
        DirtyRect.left = 0;
        DirtyRect.right = columns_;
    }
    FillDirtyRect();
    PaintRegion(firstLine, lastLine);
}
