// The console paint box: the visible rows painted from the screen model through the text
// renderer, the view kept on the cursor, moved by copying pixels where it can, the scroll
// bars, the caret, the syllable in progress, and the console panel's focus.
//
// What is drawn over the text by inverting (the highlighted word, the drag selection) is
// taken off before the picture moves and put back after it; a repaint of some lines puts
// it back on those lines, so that the screen always shows the text and the selection as
// they are.
#include <windows.h>
#include <imm.h>

#include "console/Main.h"
#include "engines/core/ConsolePalette.h"

namespace {

TColor Colour(int index) {
    return static_cast<TColor>(ColorIndexToColor(static_cast<ColorIndex>(index & 15)));
}

ScrollCode ToScrollCode(TScrollCode code) {
    switch (code) {
    case scLineUp: return ScrollCode::LineUp;
    case scLineDown: return ScrollCode::LineDown;
    case scPageUp: return ScrollCode::PageUp;
    case scPageDown: return ScrollCode::PageDown;
    case scTrack: return ScrollCode::Track;
    default: return ScrollCode::Other;
    }
}

// Keeps the caret off the picture while pixels are drawn or moved under it (an inverted
// caret drawn over would be inverted back onto the new pixels).
class CaretOff {
public:
    explicit CaretOff(TCaret& caret) : caret_(caret), shown_(caret.Visible()) {
        if (shown_) caret_.Hide();
    }
    ~CaretOff() {
        if (shown_) caret_.Show();
    }
    CaretOff(const CaretOff&) = delete;
    CaretOff& operator=(const CaretOff&) = delete;

private:
    TCaret& caret_;
    bool shown_;
};

// Limits drawing on a context to a rectangle until it goes.
class ClipTo {
public:
    ClipTo(HDC dc, const RECT& r) : dc_(dc), saved_(CreateRectRgn(0, 0, 0, 0)) {
        had_ = GetClipRgn(dc_, saved_) == 1;
        IntersectClipRect(dc_, r.left, r.top, r.right, r.bottom);
    }
    ~ClipTo() {
        SelectClipRgn(dc_, had_ ? saved_ : nullptr);
        DeleteObject(saved_);
    }
    ClipTo(const ClipTo&) = delete;
    ClipTo& operator=(const ClipTo&) = delete;

private:
    HDC dc_;
    HRGN saved_;
    bool had_ = false;
};

}  // namespace

ConsoleViewport TConsoleForm::Viewport() {
    return ConsoleViewport{MAIN_PB_Console->Width(), MAIN_PB_Console->Height(), TextLeftMargin};
}

TCanvas* TConsoleForm::ConsoleCanvas() {
    TCanvas* canvas = MAIN_PB_Console->Canvas();
    canvas->Font()->Assign(ConsoleFont);
    canvas->Brush()->SetStyle(bsSolid);
    FHanguel->SetCellWidth(FScreen.CellWidth);
    return canvas;
}

int TConsoleForm::CanvasWidth() { return MAIN_PB_Console->Width(); }

int TConsoleForm::CanvasHeight() { return MAIN_PB_Console->Height(); }

void TConsoleForm::FillCanvas(const PixelRect& area, int color) {
    TCanvas* canvas = MAIN_PB_Console->Canvas();
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(Colour(color));
    canvas->FillRect(RECT{area.left, area.top, area.right, area.bottom});
}

void TConsoleForm::PaintRunText(int x, int y, std::string_view text, int foreground, int background) {
    TCanvas* canvas = MAIN_PB_Console->Canvas();
    canvas->Brush()->SetColor(Colour(background));
    canvas->Font()->SetColor(Colour(foreground));
    FHanguel->PaintText(canvas, x, y, std::string(text));
}

void TConsoleForm::PaintConsoleRows(const KeptRange& kept) {
    if (FScreen.LineCount() == 0) return;
    std::vector<PaintRun> runs;
    PlanConsolePaint(FScreen, ViewGeometry(FScreen, Viewport(), HorizontalOffset), kept, runs);
    ConsoleCanvas();
    for (const PaintRun& run : runs)
        PaintRunText(run.x, run.y, std::string_view(FScreen.Text(run.line)).substr(run.column, run.length),
                     run.foreground, run.background);
}

// The terminal's damage, the lines under the syllable in progress, a status line: the
// terminal repaints them, and the selection goes back on them.
void TConsoleForm::PaintLines(int firstLine, int lastLine) {
    if (!MAIN_PANEL_Console->HandleAllocated() || FScreen.LineCount() == 0) return;
    PaintGeometry g = ViewGeometry(FScreen, Viewport(), HorizontalOffset);
    int top = std::max(0, LineY(g, std::max(firstLine, g.firstDisplayedLine)));
    int bottom = std::min(g.viewHeight, LineY(g, lastLine + 1));
    if (top >= bottom) return;
    CaretOff caret(*FCaret);
    TCanvas* canvas = ConsoleCanvas();
    FTerminal->RepaintRect(firstLine, lastLine);
    ClipTo clip(canvas->Handle(), RECT{0, top, g.viewWidth, bottom});
    DrawOverlays();
}

void TConsoleForm::MAIN_PB_ConsolePaint() {
    if (FScreen.LineCount() == 0) {
        PlaceLogo();
        return;
    }
    // The system clips this to what needs painting; the selection outside it is drawn
    // already, and inside it the repaint took it off.
    if (AppActive && ConsoleHasFocus) HideConsoleCaret();
    PaintConsoleRows(KeptRange{});
    DrawOverlays();
    FHanguel->ShowComposition();
    if (Connected && !TransferRunning) PlaceConsoleCaret();
}

// The terminal's damage. The view repaints what changed where it is on view; a scrolled
// region is moved by copying its pixels when nothing covers the console.
void TConsoleForm::LinesChanged(int firstLine, int lastLine) { PaintLines(firstLine, lastLine); }

void TConsoleForm::RegionScrolled(int topLine, int bottomLine, int count) {
    if (!MAIN_PANEL_Console->HandleAllocated()) return;
    PaintGeometry g = ViewGeometry(FScreen, Viewport(), HorizontalOffset);
    RegionMove m = PlanRegionScroll(topLine, bottomLine, count, g, PixelMovesAllowed() && !HasOverlays());
    if (m.copy) {
        CaretOff caret(*FCaret);
        TCanvas* canvas = MAIN_PB_Console->Canvas();
        RECT dest{m.clip.left, m.clip.top, m.clip.right, m.clip.bottom};
        RECT source = dest;
        if (m.dy < 0) {
            source.top -= m.dy;
            dest.bottom += m.dy;
        } else {
            source.bottom -= m.dy;
            dest.top += m.dy;
        }
        canvas->SetCopyMode(SRCCOPY);
        canvas->CopyRect(dest, canvas, source);
    }
    PaintLines(m.repaintFirst, m.repaintLast);
}

void TConsoleForm::EverythingChanged() { MAIN_PB_Console->Invalidate(); }

bool TConsoleForm::PixelMovesAllowed() {
    // The syllable in progress is drawn over the cells: a copy would take it along.
    if (FHanguel && FHanguel->IsComposing()) return false;
    if (!HandleAllocated() || !MAIN_PANEL_Console->HandleAllocated()) return false;
    POINT origin = MAIN_PB_Console->ClientToScreen(POINT{0, 0});
    RECT box{origin.x, origin.y, origin.x + MAIN_PB_Console->Width(), origin.y + MAIN_PB_Console->Height()};
    // Pixels off the screen have nothing to copy.
    RECT screen{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN), 0, 0};
    screen.right = screen.left + GetSystemMetrics(SM_CXVIRTUALSCREEN);
    screen.bottom = screen.top + GetSystemMetrics(SM_CYVIRTUALSCREEN);
    RECT inside;
    if (!IntersectRect(&inside, &box, &screen) || !EqualRect(&inside, &box)) return false;
    for (HWND w = GetWindow(Handle(), GW_HWNDPREV); w; w = GetWindow(w, GW_HWNDPREV)) {
        RECT r, overlap;
        if (IsWindowVisible(w) && GetWindowRect(w, &r) && IntersectRect(&overlap, &r, &box)) return false;
    }
    return true;
}

// Moves the view to `change`: the selection comes off, the picture moves (pixels copied
// and the rest painted, or a repaint later), the selection goes back on; the caret and
// the syllable follow the cursor cell.
void TConsoleForm::CarryViewChange(const ViewChange& change) {
    if (!change.Changed()) return;
    const bool caret = Connected && !TransferRunning && FCaret->Visible();
    if (caret) HideConsoleCaret();
    DropWordHighlight();
    EraseDragSelection();
    FScreen.FirstDisplayedLine = change.firstDisplayedLine;
    HorizontalOffset = change.horizontalOffset;
    FTerminal->SetHorizontalOffset(HorizontalOffset);
    if (change.move.kind == ViewMove::Pixels && MAIN_PANEL_Console->HandleAllocated()) {
        TCanvas* canvas = MAIN_PB_Console->Canvas();
        const PaintGeometry g = ViewGeometry(FScreen, Viewport(), HorizontalOffset);
        const int dx = change.move.dx, dy = change.move.dy;
        RECT source{std::max(0, -dx), std::max(0, -dy), g.viewWidth - std::max(0, dx), g.viewHeight - std::max(0, dy)};
        RECT dest{source.left + dx, source.top + dy, source.right + dx, source.bottom + dy};
        canvas->SetCopyMode(SRCCOPY);
        if (source.right > source.left && source.bottom > source.top) canvas->CopyRect(dest, canvas, source);
        const PixelRect strip = UncoveredStrip(change.move, g);
        canvas->Brush()->SetStyle(bsSolid);
        canvas->Brush()->SetColor(Colour(FScreen.ViewBackground));
        canvas->FillRect(RECT{strip.left, strip.top, strip.right, strip.bottom});
        PaintConsoleRows(change.move.kept);
        DrawDragSelection();
    } else {
        MAIN_PB_Console->Invalidate();  // the paint draws the selection again
    }
    PlaceComposition();
    FHanguel->ShowComposition();
    if (caret) PlaceConsoleCaret();
    UpdateScrollBars();
}

void TConsoleForm::JumpToScreen() {
    CarryViewChange(::JumpToScreen(FScreen, FTerminal->Rows(), Viewport(), HorizontalOffset, PixelMovesAllowed()));
}

bool TConsoleForm::ScrollCursorIntoView() {
    ViewChange change = ::ScrollCursorIntoView(FScreen, Viewport(), HorizontalOffset, PixelMovesAllowed());
    CarryViewChange(change);
    if (FKeyboard && FKeyboard->ShownMode() == 1) PlaceComposition();
    return change.Changed();
}

void TConsoleForm::UpdateScrollBars() {
    ScrollBarState s = ScrollBars(FScreen, HorizontalOffset, TextLeftMargin);
    MAIN_VSCR_Console->SetParams(s.verticalPosition, 0, s.verticalMax);
    MAIN_HSCR_Console->SetParams(s.horizontalPosition, 0, s.horizontalMax);
}

void TConsoleForm::MAIN_VSCR_ConsoleScroll(TScrollCode code, int& position) {
    ScrollCode c = ToScrollCode(code);
    if (c != ScrollCode::Other) {
        VerticalScroll s = ScrollVertically(c, position, FScreen, Viewport(), HorizontalOffset,
                                            ScrollBackReturnLine, PixelMovesAllowed());
        ScrollBackReturnLine = s.returnLine;
        CarryViewChange(s.change);
    }
    position = FScreen.FirstDisplayedLine;
}

void TConsoleForm::MAIN_HSCR_ConsoleScroll(TScrollCode code, int& position) {
    ScrollCode c = ToScrollCode(code);
    if (c != ScrollCode::Other)
        CarryViewChange(ScrollHorizontally(c, position, FScreen, Viewport(), HorizontalOffset, PixelMovesAllowed()));
    position = ScrollBars(FScreen, HorizontalOffset, TextLeftMargin).horizontalPosition;
}

// The keyboard's scrolling (PgUp and PgDn without a key-map value, the viewing keys).
void TConsoleForm::ScrollView(ScrollCode code) {
    if (code == ScrollCode::Other) return;
    static constexpr TScrollCode kCodes[] = {scLineUp, scLineDown, scPageUp, scPageDown};
    int position = FScreen.FirstDisplayedLine;
    MAIN_VSCR_ConsoleScroll(kCodes[static_cast<int>(code)], position);
    MAIN_VSCR_Console->SetPosition(position);
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

// The syllable in progress is shown at the cursor cell.
void TConsoleForm::PlaceComposition() {
    FCompositionSpot = CursorCellPosition(FScreen, HorizontalOffset);
    FHanguel->SetCompositionPos(FCompositionSpot.x, FCompositionSpot.y);
}

// The spot of the syllable in progress shows the text under it again.
void TConsoleForm::HideComposition() {
    if (!FHanguel->GetCompositionCanvas() || FScreen.CellHeight <= 0) return;
    int line = FScreen.FirstDisplayedLine + FCompositionSpot.y / FScreen.CellHeight;
    if (line >= 0 && line < FScreen.LineCount()) PaintLines(line, line);
}

void TConsoleForm::ShowComposition() {
    CaretOff caret(*FCaret);
    FHanguel->ShowComposition();
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

// The console keeps the system's input method in alphanumeric mode: the program composes
// Hangul itself.
void TConsoleForm::ForceAlphanumericInput() {
    if (!MAIN_PANEL_Console->HandleAllocated()) return;
    HWND panel = MAIN_PANEL_Console->Handle();
    if (HIMC context = ImmGetContext(panel)) {
        ImmSetConversionStatus(context, IME_CMODE_ALPHANUMERIC, IME_SMODE_NONE);
        ImmReleaseContext(panel, context);
    }
}

void TConsoleForm::MAIN_PANEL_ConsoleEnter() {
    ForceAlphanumericInput();
    FHanguel->ResetComposition();
    FHanguel->SetCompositionCanvas(MAIN_PB_Console->Canvas());
    // A syllable that goes (taken back, dropped, sent) leaves the text under it, not blanks.
    FHanguel->SetCompositionRedraw([this] {
        HideComposition();
        ShowComposition();
    });
    ConsoleHasFocus = 1;
    PlaceComposition();
    if (Connected && !TransferRunning) PlaceConsoleCaret();
}

void TConsoleForm::MAIN_PANEL_ConsoleExit() {
    HideConsoleCaret();
    ConsoleHasFocus = 0;
    DropSelection();
    FlushHangulSyllable();  // the spot is cleared as the syllable goes
    FHanguel->SetCompositionCanvas(nullptr);
}
