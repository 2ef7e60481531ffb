// TDravelTerminal: painting lines on the console's canvas.
#include "engines/core/DravelTerminal.h"

#include <string_view>

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

void TDravelTerminal::PaintRegion(int firstLine, int lastLine, const KeptRange& kept)
{
    TerminalCanvas* canvas = outlets_.Canvas;
    if (!canvas)
        return;
    PlanLinesPaint(screen_, Geometry(screen_, *canvas, horizontalOffset_), firstLine, lastLine, kept, paintRuns_);
    for (const PaintRun& r : paintRuns_)
        canvas->PaintRunText(r.x, r.y,
                             std::string_view(screen_.Text(r.line)).substr(static_cast<size_t>(r.column),
                                                                           static_cast<size_t>(r.length)),
                             r.foreground, r.background);
}

void TDravelTerminal::FillDirtyRect()
{
    if (TerminalCanvas* canvas = outlets_.Canvas)
        canvas->FillCanvas(DirtyRectToPixels(DirtyRect, Geometry(screen_, *canvas, horizontalOffset_)),
                           screen_.ViewBackground);
}

void TDravelTerminal::RepaintRect(int firstLine, int lastLine)
{
    DirtyRect = CellRect{-1, firstLine, -1, lastLine};
    FillDirtyRect();
    PaintRegion(firstLine, lastLine);
}
