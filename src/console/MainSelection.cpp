// The mouse on the console: the word under the pointer (highlighted, sent by a click), the
// drag selection over the scroll-back, Copy, Select All and Paste, and the console's pop-up
// menu. Both selections are drawn by inverting cells, on a picture brought up to date
// first; MainView.cpp keeps them on the picture when it moves or repaints.
#include <windows.h>

#include "console/Main.h"
#include "console/core/PasteText.h"
#include "framework/Clipbrd.h"
#include "framework/FormBuilder.h"

namespace {

constexpr CellPoint kNoPoint{};

bool Pressed(int vk) { return GetKeyState(vk) < 0; }

}  // namespace

PaintGeometry TConsoleForm::Geometry() { return ViewGeometry(FScreen, Viewport(), HorizontalOffset); }

bool TConsoleForm::HasOverlays() const {
    return SelectionRect.right > SelectionRect.left || DragAnchor.line >= 0;
}

// ---- The highlighted word ---------------------------------------------------------------

void TConsoleForm::DropWordHighlight() {
    if (SelectionRect.right > SelectionRect.left && MAIN_PANEL_Console->HandleAllocated()) {
        PaintPending();
        InvertRect(MAIN_PB_Console->Canvas()->Handle(), &SelectionRect);
    }
    SelectedText.clear();
    SelectionRect = RECT{-1, -1, -1, -1};
}

void TConsoleForm::HighlightWordAt(int x, int y) {
    const PaintGeometry g = Geometry();
    const std::optional<CellPoint> cell = CellUnderPointer(FScreen, g, x, y);
    const std::optional<WordSpan> word = cell ? FindWordAt(FScreen, cell->line, cell->column) : std::nullopt;
    if (!word) return;
    SelectedText = WordText(FScreen, *word);
    const PixelRect r = WordRect(*word, g);
    PaintPending();
    SelectionRect = RECT{r.left, r.top, r.right, r.bottom};
    InvertRect(MAIN_PB_Console->Canvas()->Handle(), &SelectionRect);
}

// ---- The drag selection -----------------------------------------------------------------

// Inverts what lies between the end drawn last (the anchor when nothing is drawn) and the
// drag's end, so that the picture shows the selection from the anchor to the end.
void TConsoleForm::DrawDragSelection() {
    if (DragAnchor.line < 0 || DragEnd.line < 0 || !MAIN_PANEL_Console->HandleAllocated()) return;
    PaintPending();
    const CellPoint from = DragShown.line >= 0 ? DragShown : DragAnchor;
    std::vector<LineSpan> spans;
    SelectionSpans(FScreen, from, DragEnd, spans);
    const PaintGeometry g = Geometry();
    HDC dc = MAIN_PB_Console->Canvas()->Handle();
    for (const LineSpan& span : spans) {
        const PixelRect p = SpanRect(span, g);
        RECT r{p.left, p.top, p.right, p.bottom};
        InvertRect(dc, &r);
    }
    DragShown = DragEnd;
}

// The drawn selection comes off the picture; the drag's points stay.
void TConsoleForm::EraseDragSelection() {
    if (DragShown.line < 0) return;
    DragShown = kNoPoint;
    DrawDragSelection();
    DragShown = kNoPoint;
}

// Both selections drawn again where a repaint took them off.
void TConsoleForm::DrawOverlays() {
    if (SelectionRect.right > SelectionRect.left)
        InvertRect(MAIN_PB_Console->Canvas()->Handle(), &SelectionRect);
    DragShown = kNoPoint;
    DrawDragSelection();
}

void TConsoleForm::DropSelection() {
    DropWordHighlight();
    EraseDragSelection();
    DragAnchor = DragEnd = DragShown = kNoPoint;
}

bool TConsoleForm::HasDragSelection() const { return DragAnchor.line >= 0 && !(DragAnchor == DragEnd); }

// ---- Mouse ------------------------------------------------------------------------------

void TConsoleForm::MAIN_PB_ConsoleMouseMove(TShiftState shift, int x, int y) {
    if (shift & (ssLeft | ssMiddle)) {
        DragTo(x, y);
        return;
    }
    if (!AppActive || !Connected || TransferRunning) {
        DropWordHighlight();
        return;
    }
    if (x < 0 || y < 0 || x >= MAIN_PB_Console->Width() || y >= MAIN_PB_Console->Height()) return;
    const POINT p{x, y};
    if (SelectionRect.right > SelectionRect.left && PtInRect(&SelectionRect, p)) return;
    DropWordHighlight();
    HighlightWordAt(x, y);
}

void TConsoleForm::DragTo(int x, int y) {
    const ViewChange scroll = DragAutoScroll(FScreen, Viewport(), HorizontalOffset, x, y);
    if (scroll.Changed()) CarryViewChange(scroll);
    const std::optional<CellPoint> end = DragEndCell(FScreen, Geometry(), x, y);
    if (!end) return;
    if (DragAnchor.line < 0) {
        // The drag starts where the button went down, however far the first move reached.
        DragAnchor = FPressCell.line >= 0 ? FPressCell : *end;
        DragShown = kNoPoint;
    }
    DragEnd = *end;
    if (DragAnchor == DragEnd && DragShown.line < 0) return;
    DropWordHighlight();
    DrawDragSelection();
}

void TConsoleForm::MAIN_PB_ConsoleMouseDown(TMouseButton button, TShiftState, int x, int y) {
    const bool activated = FMouseActivated;
    FMouseActivated = false;
    if (button != mbLeft) return;
    if (DragAnchor.line < 0) {
        ClickSwallowed = ConsoleHasFocus != 1 || activated ? 1 : 0;
    } else {
        DropSelection();
        ClickSwallowed = 1;
    }
    const std::optional<CellPoint> press = DragEndCell(FScreen, Geometry(), x, y);
    FPressCell = press ? *press : kNoPoint;
    if (Connected && !MAIN_PANEL_Console->Focused() && MAIN_PANEL_Console->CanFocus())
        MAIN_PANEL_Console->SetFocus();
}

void TConsoleForm::MAIN_PB_ConsoleMouseUp(TMouseButton button, TShiftState, int x, int y) {
    if (button != mbLeft) return;
    if (DragAnchor.line >= 0) DragTo(x, y);  // the drag ends where the button comes up
    FPressCell = kNoPoint;
    if (DragAnchor == DragEnd) DragAnchor = DragEnd = DragShown = kNoPoint;
}

void TConsoleForm::MAIN_PB_ConsoleClick() {
    if (!Connected) {
        if (FScreen.LineCount() > 0 && MAIN_VSCR_Console->CanFocus()) MAIN_VSCR_Console->SetFocus();
        return;
    }
    if (TransferRunning || HasDragSelection() || ClickSwallowed) return;
    FlushHangulSyllable();
    const ClickSend click = DecideClick(SelectedText, Pressed(VK_CONTROL), Pressed(VK_SHIFT),
                                        FTerminal->SendEnterAsCrLf != 0);
    DropWordHighlight();
    if (!click.toEditor.empty() && FEditor) FEditor->InsertAtCaret(click.toEditor);
    if (!click.bytes.empty()) SendTyped(click.bytes);
}

// ---- Copy, Select All, Paste ------------------------------------------------------------

void TConsoleForm::MAIN_PMENU_ConsoleCopyClick() {
    if (!HasDragSelection()) return;
    Clipboard()->SetAsText(SelectionText(FScreen, DragAnchor, DragEnd));
}

void TConsoleForm::MAIN_PMENU_ConsoleCopy2Click() {
    if (HasDragSelection()) {
        MAIN_PMENU_ConsoleCopyClick();
        return;
    }
    ::KeyMessage ctrlC;
    ctrlC.kind = KeyMessageKind::Char;
    ctrlC.code = 3;
    ctrlC.ctrl = true;
    FKeyboard->HandleKeyMessage(ctrlC, CurrentKeyContext());
}

void TConsoleForm::MAIN_PMENU_ConsoleSelectAllClick() {
    DropSelection();
    DragAnchor = CellPoint{0, 0};
    DragEnd = TextEnd(FScreen);
    DragShown = kNoPoint;
    DrawDragSelection();
}

// Clipboard text in the console's code page: Unicode text through the system's code page,
// or, when that has no equivalent for a character, the automaton's.
std::string TConsoleForm::ClipboardBytes() {
    TClipboard* clipboard = Clipboard();
    if (clipboard->HasFormat(CF_UNICODETEXT)) {
        std::wstring text = clipboard->AsUnicodeText();
        bool usedDefault = false;
        std::string bytes = WideToAnsi(text, CP_ACP, &usedDefault);
        if (usedDefault) bytes = WideToAnsi(text, static_cast<UINT>(FHanguel->GetCodePage()));
        return bytes;
    }
    return clipboard->HasFormat(CF_TEXT) ? clipboard->AsText() : std::string();
}

// The text goes through the send routine, which sends what the port takes now and the
// rest as it frees room, so that a long paste never holds the window and keys typed
// meanwhile follow it.
void TConsoleForm::MAIN_PMENU_ConsolePasteClick() {
    if (!Connected) return;
    DropWordHighlight();
    SendTyped(PasteBytes(ClipboardBytes(), FTerminal->SendEnterAsCrLf != 0));
}

// User text to the host, echoed when local echo is on.
void TConsoleForm::SendTyped(const std::string& bytes) {
    if (bytes.empty()) return;
    SendString(bytes);
    if (FTerminal->LocalEcho) EchoLocally(bytes);
}

void TConsoleForm::MAIN_PMENU_ConsolePopup() {
    const bool open = MAIN_CommPort->Open();
    ShowToggles();
    FindAs<TMenuItem>(this, "MAIN_PMENU_StartZModemUpload")->SetEnabled(open);
    FindAs<TMenuItem>(this, "MAIN_PMENU_StartZModemDownload")->SetEnabled(open);
    FindAs<TMenuItem>(this, "MAIN_PMENU_ConsoleCopy")->SetEnabled(HasDragSelection());
    TClipboard* clipboard = Clipboard();
    FindAs<TMenuItem>(this, "MAIN_PMENU_ConsolePaste")
        ->SetEnabled(Connected && (clipboard->HasFormat(CF_TEXT) || clipboard->HasFormat(CF_UNICODETEXT)));
    bool text = false;
    for (int i = 0; i < FScreen.LineCount() && !text; ++i) text = !FScreen.Text(i).empty();
    FindAs<TMenuItem>(this, "MAIN_PMENU_ConsoleSelectAll")->SetEnabled(text);
    UpdateMemoAndTableItems();
}

void TConsoleForm::WireSelectionEvents() {
    MAIN_PB_Console->OnMouseMove = [this](TComponent*, TShiftState shift, int x, int y) {
        MAIN_PB_ConsoleMouseMove(shift, x, y);
    };
    MAIN_PB_Console->OnMouseDown = [this](TComponent*, TMouseButton b, TShiftState shift, int x, int y) {
        MAIN_PB_ConsoleMouseDown(b, shift, x, y);
    };
    MAIN_PB_Console->OnMouseUp = [this](TComponent*, TMouseButton b, TShiftState shift, int x, int y) {
        MAIN_PB_ConsoleMouseUp(b, shift, x, y);
    };
    MAIN_PB_Console->OnClick = [this](TComponent*) { MAIN_PB_ConsoleClick(); };
    MAIN_PMENU_Console->OnPopup = [this](TComponent*) { MAIN_PMENU_ConsolePopup(); };
    FindAs<TMenuItem>(this, "MAIN_PMENU_ConsoleCopy")->OnClick = [this](TComponent*) { MAIN_PMENU_ConsoleCopyClick(); };
    FindAs<TMenuItem>(this, "MAIN_PMENU_ConsoleCopy2")->OnClick = [this](TComponent*) { MAIN_PMENU_ConsoleCopy2Click(); };
    FindAs<TMenuItem>(this, "MAIN_PMENU_ConsolePaste")->OnClick = [this](TComponent*) { MAIN_PMENU_ConsolePasteClick(); };
    FindAs<TMenuItem>(this, "MAIN_PMENU_ConsoleSelectAll")->OnClick = [this](TComponent*) {
        MAIN_PMENU_ConsoleSelectAllClick();
    };
}
