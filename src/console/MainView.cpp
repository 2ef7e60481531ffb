// The console paint box: the visible rows painted from the screen model through the text
// renderer, the view kept on the cursor, moved by copying pixels where it can, the scroll
// bars, the caret, the syllable in progress, and the console panel's focus.
//
// What received text changes is painted at the display's pace: the terminal's damage and
// the view's moves gather in FDamage while a block is taken, and the picture is brought up
// to date once a frame (at the end of a block when a frame's time has passed, else by a
// timer), with the caret and the syllable in progress placed after it. Everything else
// that draws on the console paints what waits first, so it always draws on a picture that
// matches the screen model.
//
// What is drawn over the text by inverting (the highlighted word, the drag selection) is
// taken off before the picture moves and put back after it; a repaint of some lines puts
// it back on those lines, so that the screen always shows the text and the selection as
// they are.
#include <windows.h>
#include <imm.h>

#include <utility>

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
    explicit CaretOff(TCaret& caret, bool hide = true) : caret_(caret), shown_(hide && caret.Hide()) {}
    ~CaretOff() {
        if (shown_) caret_.Show();
    }
    // Whether it was shown; it stays hidden, for the caller to show.
    bool Release() { return std::exchange(shown_, false); }
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

int64_t MicrosNow() {
    static const int64_t frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f.QuadPart;
    }();
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return c.QuadPart / frequency * 1000000 + c.QuadPart % frequency * 1000000 / frequency;
}

// Top-level windows come from the top of the Z order down: one above `self` that is
// visible and meets `box` covers it.
struct WindowsAbove {
    HWND self;
    RECT box;
    bool covered = false;
};

BOOL CALLBACK CoversBox(HWND w, LPARAM data) {
    auto* above = reinterpret_cast<WindowsAbove*>(data);
    if (w == above->self) return FALSE;
    RECT r, overlap;
    if (IsWindowVisible(w) && GetWindowRect(w, &r) && IntersectRect(&overlap, &r, &above->box)) {
        above->covered = true;
        return FALSE;
    }
    return TRUE;
}

constexpr int64_t kScrollBarsDrawnEvery = 250000;  // microseconds

UINT FrameAlarmMessage() {
    static const UINT message = RegisterWindowMessageA("Quiro2.FrameAlarm");
    return message;
}

// The display's refresh rate (0 when the system does not say).
int DisplayRate() {
    HDC screen = GetDC(nullptr);
    const int hz = screen ? GetDeviceCaps(screen, VREFRESH) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return hz;
}

}  // namespace

void TConsoleForm::WireViewEvents() {
    MAIN_VSCR_Console->SetDrawLater(true);
    MAIN_HSCR_Console->SetDrawLater(true);
    if (Application)
        Application->HookMainWindow(&FScreenBox, [this](TMessage& m) {
            if (m.Msg == FrameAlarmMessage()) {
                FrameAlarmRang(m.WParam);
                return true;
            }
            if (m.Msg == WM_DISPLAYCHANGE) FScreenBoxKnown = false;
            return false;
        });
}

ConsoleViewport TConsoleForm::Viewport() {
    return ConsoleViewport{MAIN_PB_Console->Width(), MAIN_PB_Console->Height(), TextLeftMargin};
}

// The terminal paints on the canvas of the paint in progress: the picture buffer while a
// frame is drawn, else the paint box itself.
TCanvas* TConsoleForm::ConsoleCanvas() {
    return PaintOn(MAIN_PB_Console->Canvas());
}

TCanvas* TConsoleForm::PaintOn(TCanvas* canvas) {
    canvas->Font()->Assign(ConsoleFont);
    canvas->Brush()->SetStyle(bsSolid);
    FHanguel->SetCellWidth(FScreen.CellWidth);
    FPaintTarget = canvas;
    return canvas;
}

int TConsoleForm::CanvasWidth() { return MAIN_PB_Console->Width(); }

int TConsoleForm::CanvasHeight() { return MAIN_PB_Console->Height(); }

void TConsoleForm::FillCanvas(const PixelRect& area, int color) {
    TCanvas* canvas = FPaintTarget ? FPaintTarget : ConsoleCanvas();
    canvas->Brush()->SetColor(Colour(color));
    canvas->FillRect(RECT{area.left, area.top, area.right, area.bottom});
}

void TConsoleForm::PaintRunText(int x, int y, std::string_view text, int foreground, int background) {
    TCanvas* canvas = FPaintTarget ? FPaintTarget : ConsoleCanvas();
    canvas->Brush()->SetColor(Colour(background));
    canvas->Font()->SetColor(Colour(foreground));
    FHanguel->PaintText(canvas, x, y, std::string(text));
}

// The lines on view, but the cells a move of the picture kept, straight on the paint box.
void TConsoleForm::PaintConsoleRows(const KeptRange& kept) {
    if (FScreen.LineCount() == 0) return;
    ConsoleCanvas();
    FTerminal->PaintRegion(FScreen.FirstDisplayedLine, FScreen.LineCount() - 1, kept);
}

// The lines under the syllable in progress, a status line: painted now, with the
// selection back on them (while a received block is taken, with the block's picture).
void TConsoleForm::PaintLines(int firstLine, int lastLine) {
    MarkLines(firstLine, lastLine);
    if (!FDeferPaint) PaintPending();
}

// ---- The picture at the display's pace ----------------------------------------------------

void TConsoleForm::SyncDamageRows() {
    if (!FDamage.Pending()) FDamageSince = MicrosNow();  // the picture may start to lag now
    const int height = std::max(MAIN_PB_Console->Height(), 0), cell = FScreen.CellHeight;
    if (cell <= 0) {
        FDamage.SetRows(0, false);
        return;
    }
    FDamage.SetRows((height + cell - 1) / cell, height % cell != 0);
}

void TConsoleForm::MarkLines(int firstLine, int lastLine) {
    SyncDamageRows();
    FDamage.MarkRows(firstLine - FScreen.FirstDisplayedLine, lastLine - FScreen.FirstDisplayedLine);
}

void TConsoleForm::PaintPending() {
    // Drawing what is laid over the rows asks for the picture again while it is painted
    // (here, or by the system's paint, which draws only inside what it was asked for).
    if (FPainting) {
        if (FDamage.Pending()) ArmFrameAlarm(FFrameClock.PeriodMicros());
        return;
    }
    SyncDamageRows();
    if (!FDamage.Pending() && !FCaretAfterPaint && !FScrollBarsAfterPaint) return;
    FPainting = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{FPainting};
    const bool canPaint = MAIN_PANEL_Console->HandleAllocated() && FScreen.LineCount() > 0;
    // The caret is off the picture while it is drawn; when it follows the cursor after the
    // frame, it is shown once, at its new cell. A session that ended before the frame of its
    // last text has no caret any more (the status lines move the picture under it).
    const bool caretFollows = FCaretAfterPaint && Connected && ConsoleHasFocus && AppActive;
    CaretOff caret(*FCaret, caretFollows || (canPaint && FDamage.Pending()));
    if (FDamage.Pending()) {
        const int64_t now = MicrosNow();
        FFrameClock.Painted(now);
        FLongestPaintWait = std::max(FLongestPaintWait, now - FDamageSince);
        if (now - FDamageSince > FFrameClock.PeriodMicros()) ++FLateFrames;
        ++FFramesPainted;
        const bool copy = canPaint && FDamage.MoveWaits() && PixelMovesAllowed() && !HasOverlays();
        const ConsoleDamage::Plan plan = FDamage.Take(copy);
        if (canPaint) {
            const PaintGeometry g = ViewGeometry(FScreen, Viewport(), HorizontalOffset);
            const int cell = g.cellHeight;
            TCanvas* canvas = ConsoleCanvas();
            if (plan.dy != 0) {
                RECT dest{0, plan.top * cell, g.viewWidth, std::min((plan.bottom + 1) * cell, g.viewHeight)};
                RECT source = dest;
                if (plan.dy < 0) {
                    source.top -= plan.dy * cell;
                    dest.bottom += plan.dy * cell;
                } else {
                    source.bottom -= plan.dy * cell;
                    dest.top += plan.dy * cell;
                }
                canvas->SetCopyMode(SRCCOPY);
                canvas->CopyRect(dest, canvas, source);
            }
            for (const auto& [first, last] : plan.rows) {
                // Drawn off the screen and put there in one transfer: the system then
                // shows the rows once, not run by run.
                const int top = first * cell, bottom = std::min((last + 1) * cell, g.viewHeight);
                PaintRowsIntoBuffer(first, last);
                const RECT rows{0, top, g.viewWidth, bottom};
                canvas->SetCopyMode(SRCCOPY);
                canvas->CopyRect(rows, FPictureBuffer->Canvas(), rows);
                if (HasOverlays()) {
                    ClipTo clip(canvas->Handle(), RECT{0, top, g.viewWidth, bottom});
                    DrawOverlays();
                }
            }
        }
    }
    // After received text: the scroll bars, the syllable in progress and the caret at the
    // cursor cell. The scroll bars draw themselves when the program is idle; while text
    // floods in, a few times a second.
    if (std::exchange(FScrollBarsAfterPaint, false)) {
        UpdateScrollBars();
        const int64_t now = MicrosNow();
        if (now - FScrollBarsShown >= kScrollBarsDrawnEvery) {
            FScrollBarsShown = now;
            UpdateWindow(MAIN_VSCR_Console->Handle());
            UpdateWindow(MAIN_HSCR_Console->Handle());
        }
    }
    FCaretAfterPaint = false;
    if (caretFollows) {
        FHanguel->ShowComposition();
        if (caret.Release())
            ReturnConsoleCaret();
        else
            PlaceConsoleCaret();
    }
}

void TConsoleForm::PaintRowsIntoBuffer(int first, int last) {
    const int width = MAIN_PB_Console->Width(), height = MAIN_PB_Console->Height();
    if (!FPictureBuffer) {
        FPictureBuffer = std::make_unique<TBitmap>();
        FPictureBuffer->SetPixelFormat(pf32bit);
    }
    if (FPictureBuffer->Width() != width || FPictureBuffer->Height() != height) FPictureBuffer->SetSize(width, height);
    PaintOn(FPictureBuffer->Canvas());
    FTerminal->RepaintRect(FScreen.FirstDisplayedLine + first, FScreen.FirstDisplayedLine + last);
}

// Any message but the user's keys and mouse: the picture is painted when its frame is due.
// The timer alone would wait behind every notice a flooding host's socket has posted.
void TConsoleForm::PaintIfDue(const MSG& msg) {
    if (FDeferPaint || FPainting || (msg.message >= WM_KEYFIRST && msg.message <= WM_MOUSELAST)) return;
    if (!FDamage.Pending() && !FCaretAfterPaint && !FScrollBarsAfterPaint) return;
    if (FFrameClock.Wait(MicrosNow()) == 0) PaintPending();
}

// The end of a received block: the picture is painted when a frame's time has passed since
// the last one, else when it has.
void TConsoleForm::PaintWhenDue() {
    if (!FDamage.Pending() && !FCaretAfterPaint && !FScrollBarsAfterPaint) return;
    if (!FFrameRateKnown) {
        FFrameClock.SetRate(DisplayRate());
        FFrameRateKnown = true;
    }
    const int64_t wait = FFrameClock.Wait(MicrosNow());
    if (wait == 0)
        PaintPending();
    else
        ArmFrameAlarm(wait);
}

// Nothing else may come to paint the picture before its frame (the host pauses): the
// alarm does, then.
void TConsoleForm::ArmFrameAlarm(int64_t waitMicros) {
    if (!HandleAllocated() || FPaintAlarm.Set(Handle(), FrameAlarmMessage(), waitMicros)) return;
    // No alarm to be had: a window timer, later than the frame.
    if (!FPaintTimer) {
        FPaintTimer = std::make_unique<TTimer>(nullptr);
        FPaintTimer->SetEnabled(false);
        FPaintTimer->SetOnTimer([this](TComponent*) {
            FPaintTimer->SetEnabled(false);
            PaintPending();
        });
    }
    if (!FPaintTimer->Enabled()) {
        FPaintTimer->SetInterval(static_cast<unsigned>(std::max<int64_t>((waitMicros + 999) / 1000, 1)));
        FPaintTimer->SetEnabled(true);
    }
}

// (An alarm set for an earlier frame than the one now due sets itself again.)
void TConsoleForm::FrameAlarmRang(WPARAM id) {
    FPaintAlarm.Rang(id);
    PaintWhenDue();
}

// A view change planned as if pixels may move; whether they may is the system's to say
// (it costs), asked only when the picture moves now.
ViewChange TConsoleForm::PlanViewChange(const std::function<ViewChange(bool pixelMoves)>& plan) {
    ViewChange change = plan(true);
    if (!FDeferPaint && change.move.kind == ViewMove::Pixels && !PixelMovesAllowed()) change = plan(false);
    return change;
}

void TConsoleForm::MAIN_PB_ConsolePaint() {
    if (FScreen.LineCount() == 0) {
        PlaceLogo();
        return;
    }
    // A copy still to come would move what this paint draws: the rows are painted instead.
    // What waits is painted with the next frame, as this paint draws only where the
    // system asks.
    if (FDamage.MoveWaits()) FDamage.MarkAll();
    const bool outer = !FPainting;
    FPainting = true;
    struct Done {
        bool& flag;
        bool outer;
        ~Done() {
            if (outer) flag = false;
        }
    } done{FPainting, outer};
    // The system clips this to what needs painting; the selection outside it is drawn
    // already, and inside it the repaint took it off.
    if (AppActive && ConsoleHasFocus) HideConsoleCaret();
    PaintConsoleRows(KeptRange{});
    DrawOverlays();
    FHanguel->ShowComposition();
    if (Connected && !TransferRunning) PlaceConsoleCaret();
}

// The terminal's damage: what changed where it is on view, and a scrolled region whose
// pixels move by copying when nothing covers the console.
void TConsoleForm::LinesChanged(int firstLine, int lastLine) { PaintLines(firstLine, lastLine); }

void TConsoleForm::RegionScrolled(int topLine, int bottomLine, int count) {
    SyncDamageRows();
    FDamage.MoveBand(topLine - FScreen.FirstDisplayedLine, bottomLine - FScreen.FirstDisplayedLine, -count);
    if (!FDeferPaint) PaintPending();
}

void TConsoleForm::EverythingChanged() {
    if (!FDeferPaint) {
        MAIN_PB_Console->Invalidate();
        return;
    }
    SyncDamageRows();
    FDamage.MarkAll();
}

bool TConsoleForm::PixelMovesAllowed() {
    // The syllable in progress is drawn over the cells: a copy would take it along.
    if (FHanguel && FHanguel->IsComposing()) return false;
    if (!HandleAllocated() || !MAIN_PANEL_Console->HandleAllocated()) return false;
    POINT origin = MAIN_PB_Console->ClientToScreen(POINT{0, 0});
    RECT box{origin.x, origin.y, origin.x + MAIN_PB_Console->Width(), origin.y + MAIN_PB_Console->Height()};
    // Pixels off the screen have nothing to copy.
    if (!FScreenBoxKnown) {
        FScreenBox.left = GetSystemMetrics(SM_XVIRTUALSCREEN);
        FScreenBox.top = GetSystemMetrics(SM_YVIRTUALSCREEN);
        FScreenBox.right = FScreenBox.left + GetSystemMetrics(SM_CXVIRTUALSCREEN);
        FScreenBox.bottom = FScreenBox.top + GetSystemMetrics(SM_CYVIRTUALSCREEN);
        FScreenBoxKnown = true;
    }
    RECT inside;
    if (!IntersectRect(&inside, &box, &FScreenBox) || !EqualRect(&inside, &box)) return false;
    // The windows above this one, taken from the system's list in one go.
    WindowsAbove above{Handle(), box};
    EnumWindows(&CoversBox, reinterpret_cast<LPARAM>(&above));
    return !above.covered;
}

// Moves the view to `change`: the selection comes off, the picture moves (pixels copied
// and the rest painted, or a repaint later), the selection goes back on; the caret and
// the syllable follow the cursor cell.
void TConsoleForm::CarryViewChange(const ViewChange& change) {
    if (!change.Changed()) return;
    if (FDeferPaint) {
        // Received text moved the view: the picture follows with the block's frame.
        DropWordHighlight();
        EraseDragSelection();
        FScreen.FirstDisplayedLine = change.firstDisplayedLine;
        HorizontalOffset = change.horizontalOffset;
        FTerminal->SetHorizontalOffset(HorizontalOffset);
        SyncDamageRows();
        if (change.move.kind == ViewMove::Pixels && change.move.dx == 0 && FScreen.CellHeight > 0)
            FDamage.MoveBand(0, FDamage.Rows() - 1, change.move.dy / FScreen.CellHeight);
        else
            FDamage.MarkAll();
        PlaceComposition();
        return;  // (the block's end sets the scroll bars)
    }
    PaintPending();
    const bool caret = Connected && !TransferRunning && FCaret->Hide();
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
    if (caret) ReturnConsoleCaret();
    UpdateScrollBars();
}

void TConsoleForm::JumpToScreen() {
    CarryViewChange(PlanViewChange([this](bool pixelMoves) {
        return ::JumpToScreen(FScreen, FTerminal->Rows(), Viewport(), HorizontalOffset, pixelMoves);
    }));
}

bool TConsoleForm::ScrollCursorIntoView() {
    ViewChange change = PlanViewChange(
        [this](bool pixelMoves) { return ::ScrollCursorIntoView(FScreen, Viewport(), HorizontalOffset, pixelMoves); });
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
    FCaretSize = PixelPoint{FScreen.CellWidth, FScreen.CellHeight};
    FCaret->MoveTo(MAIN_PB_Console->Left() + at.x, MAIN_PB_Console->Top() + at.y);
    FCaret->Show();
}

// The caret, hidden here just now (it was shown), at the cursor cell again: one of the
// cells' size is moved (made again, it would cost the system's round trips twice over).
void TConsoleForm::ReturnConsoleCaret() {
    if (AppActive && ConsoleHasFocus && FCaretSize.x == FScreen.CellWidth && FCaretSize.y == FScreen.CellHeight) {
        const PixelPoint at = CursorCellPosition(FScreen, HorizontalOffset);
        FCaret->MoveHeldTo(MAIN_PB_Console->Left() + at.x, MAIN_PB_Console->Top() + at.y);
        FCaret->Show();
        return;
    }
    HideConsoleCaret();
    PlaceConsoleCaret();
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
    PaintPending();
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
