// The console paint box: the visible rows painted from the screen model through the text
// renderer, the view kept on the cursor, the scroll bars and the caret.
#include <windows.h>

#include "console/Main.h"
#include "engines/core/ConsolePalette.h"

namespace {

TColor Colour(int index) {
    return static_cast<TColor>(ColorIndexToColor(static_cast<ColorIndex>(index & 15)));
}

}  // namespace

ConsoleViewport TConsoleForm::Viewport() {
    return ConsoleViewport{MAIN_PB_Console->Width(), MAIN_PB_Console->Height(), TextLeftMargin};
}

void TConsoleForm::PaintRuns(TCanvas* canvas, const std::vector<PaintRun>& runs) {
    canvas->Font()->Assign(ConsoleFont);
    canvas->Brush()->SetStyle(bsSolid);
    for (const PaintRun& run : runs) {
        canvas->Brush()->SetColor(Colour(run.background));
        canvas->Font()->SetColor(Colour(run.foreground));
        FHanguel->PaintText(canvas, run.x, run.y, FScreen.Text(run.line).substr(run.column, run.length));
    }
}

void TConsoleForm::PaintConsoleRows(TCanvas* canvas, const KeptRange& kept) {
    if (FScreen.LineCount() == 0) return;
    std::vector<PaintRun> runs;
    PlanConsolePaint(FScreen, ViewGeometry(FScreen, Viewport(), HorizontalOffset), kept, runs);
    PaintRuns(canvas, runs);
}

void TConsoleForm::PaintLines(int firstLine, int lastLine) {
    if (!MAIN_PANEL_Console->HandleAllocated() || FScreen.LineCount() == 0) return;
    PaintGeometry g = ViewGeometry(FScreen, Viewport(), HorizontalOffset);
    int top = std::max(0, LineY(g, std::max(firstLine, g.firstDisplayedLine)));
    int bottom = std::min(g.viewHeight, LineY(g, lastLine + 1));
    if (top >= bottom) return;
    TCanvas* canvas = MAIN_PB_Console->Canvas();
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(Colour(FScreen.ViewBackground));
    canvas->FillRect(RECT{0, top, g.viewWidth, bottom});
    std::vector<PaintRun> runs;
    PlanLinePaint(FScreen, g, firstLine, lastLine, runs);
    PaintRuns(canvas, runs);
}

void TConsoleForm::MAIN_PB_ConsolePaint() {
    if (FScreen.LineCount() == 0) {
        PlaceLogo();
        return;
    }
    if (AppActive && ConsoleHasFocus) HideConsoleCaret();
    PaintConsoleRows(MAIN_PB_Console->Canvas(), KeptRange{});
    DropSelection();
    FHanguel->ShowComposition();
    if (Connected && !TransferRunning) PlaceConsoleCaret();
}

// The terminal's damage. The view repaints what changed where it is on view; moving
// pixels instead of repainting is the view's own refinement.
void TConsoleForm::LinesChanged(int firstLine, int lastLine) { PaintLines(firstLine, lastLine); }

void TConsoleForm::RegionScrolled(int topLine, int bottomLine, int) { PaintLines(topLine, bottomLine); }

void TConsoleForm::EverythingChanged() { MAIN_PB_Console->Invalidate(); }

namespace {

bool ApplyViewChange(TConsoleForm& form, const ViewChange& change) {
    if (!change.Changed()) return false;
    form.Screen().FirstDisplayedLine = change.firstDisplayedLine;
    form.HorizontalOffset = change.horizontalOffset;
    form.Terminal()->SetHorizontalOffset(change.horizontalOffset);
    form.MAIN_PB_Console->Invalidate();
    form.UpdateScrollBars();
    return true;
}

}  // namespace

void TConsoleForm::JumpToScreen() {
    ApplyViewChange(*this, ::JumpToScreen(FScreen, FTerminal->Rows(), Viewport(), HorizontalOffset, false));
}

bool TConsoleForm::ScrollCursorIntoView() {
    return ApplyViewChange(*this, ::ScrollCursorIntoView(FScreen, Viewport(), HorizontalOffset, false));
}

void TConsoleForm::UpdateScrollBars() {
    ScrollBarState s = ScrollBars(FScreen, HorizontalOffset, TextLeftMargin);
    MAIN_VSCR_Console->SetParams(s.verticalPosition, 0, s.verticalMax);
    MAIN_HSCR_Console->SetParams(s.horizontalPosition, 0, s.horizontalMax);
}

void TConsoleForm::HideConsoleCaret() {
    FCaret->Hide();
    FCaret->Destroy();
}

// The caret at the cursor cell, while the console has the keyboard.
void TConsoleForm::PlaceConsoleCaret() {
    if (!AppActive || !ConsoleHasFocus) return;
    PixelPoint at = CursorCellPosition(FScreen, HorizontalOffset);
    FCaret->Create(FScreen.CellWidth, FScreen.CellHeight);
    FCaret->MoveTo(MAIN_PB_Console->Left() + at.x, MAIN_PB_Console->Top() + at.y);
    FCaret->Show();
}

void TConsoleForm::DropSelection() {
    // Nothing to take off yet: selecting with the mouse comes with the view's mouse handling.
}

void TConsoleForm::PlaceLogo() {
    if (!FLogo) return;
    FLogo->SetBounds(
        MAIN_PB_Console->Left() + MAIN_PB_Console->Width() -
            (2 * GetSystemMetrics(SM_CXDLGFRAME) + FLogo->Width()),
        MAIN_PB_Console->Top() + MAIN_PB_Console->Height() -
            (2 * GetSystemMetrics(SM_CYDLGFRAME) + FLogo->Height()),
        FLogo->Width(), FLogo->Height());
}
