// TDravelTerminal: the escape parser, the rendition and the screen operations.
#include "engines/core/DravelTerminal.h"

#include <algorithm>
#include <climits>
#include <string>

namespace {
constexpr int ToLineEnd = INT_MAX;
} // namespace

// ---------------------------------------------------------------------------- parser

void TDravelTerminal::EscapeByte(uint8_t b)
{
    if (escIntermediate_ == -1) {
        eqMarker_ = queryMarker_ = 0;
        escCollected_ = 0;
        escIntermediate_ = b;
        switch (b) {
        case 0x1B:
            escIntermediate_ = -1; // start over
            return;
        case '[':
            paramIndex_ = 0;
            params_[0] = 0;
            paramPresent_[0] = false;
            paramOverflow_ = false;
            return;
        case '(':
        case ')':
        case '%':
        case '&':
            return;
        case '7':
            SaveCursor();
            break;
        case '8':
            if (MemoPending) {
                FlushPendingLine(0);
                const int line = screen_.ScreenTop + screen_.CursorRow;
                if (line < screen_.LineCount() && !screen_.Text(line).empty() && outlets_.Memo)
                    outlets_.Memo->ShowOnLineMemo(screen_.Text(line));
                MemoPending = 0;
            }
            RestoreCursor();
            break;
        case '=':
            KeypadApplicationMode = 1;
            break;
        case '>':
            KeypadApplicationMode = 0;
            break;
        case 'D':
            PrepareScreenOperation();
            Reanchor();
            ScrollLines(scrollTop_, 1, 1);
            break;
        case 'M':
            PrepareScreenOperation();
            Reanchor();
            ScrollLines(scrollTop_, 1, 0);
            break;
        default:
            break;
        }
        EndEscape();
        return;
    }

    switch (escIntermediate_) {
    case '(':
    case ')':
        if (b == '0')
            g1Graphics_ = escIntermediate_ == ')' ? 1 : 0;
        EndEscape();
        return;
    case '&':
        EndEscape();
        return;
    case '%':
        if (b == 0x1B) {
            escIntermediate_ = -1;
            return;
        }
        if (escCollected_ == 0) {
            escFirstArg_ = b;
            escCollected_ = 1;
            return;
        }
        ImageCell.PositionFlag = 0;
        if (escFirstArg_ == 'B' && b == '4') {
            ImagePackArmed = 1;
            ImageCell.Column = ImageCell.Row = 0;
        } else {
            ImagePackArmed = 0;
        }
        EndEscape();
        return;
    default:
        break;
    }

    // Inside a CSI.
    if (b >= '0' && b <= '9') {
        if (!paramOverflow_) {
            int& p = params_[paramIndex_];
            p = std::min(p * 10 + (b - '0'), ParameterLimit);
            paramPresent_[paramIndex_] = true;
        }
        return;
    }
    switch (b) {
    case ',':
        commaMarker_ = 1;
        [[fallthrough]];
    case ';':
        if (paramIndex_ < ParameterCount - 1) {
            ++paramIndex_;
            params_[paramIndex_] = 0;
            paramPresent_[paramIndex_] = false;
        } else {
            paramOverflow_ = true; // the 17th and later parameters are ignored
        }
        return;
    case '=':
        eqMarker_ = 1;
        return;
    case '?':
        queryMarker_ = 1;
        return;
    case 0x1B:
        escIntermediate_ = -1;
        return;
    default:
        CsiFinal(b);
        EndEscape();
        return;
    }
}

int TDravelTerminal::Param(int index, int fallback) const
{
    if (index > paramIndex_ || !paramPresent_[index])
        return fallback;
    return params_[index];
}

void TDravelTerminal::CsiFinal(uint8_t final)
{
    switch (final) {
    case 'A':
        MoveCursor(Param(0, 1), 0, 0);
        break;
    case 'B':
        MoveCursor(Param(0, 1), 0, 1);
        break;
    case 'C':
        MoveCursor(0, Param(0, 1), 2);
        break;
    case 'D':
        MoveCursor(0, Param(0, 1), 3);
        break;
    case 'H':
    case 'f':
        if (final == 'H' && commaMarker_) {
            ImageCell.Column = std::clamp(Param(0, 0), 0, columns_);
            ImageCell.Row = std::clamp(Param(1, 0), 0, rows_);
            ImageCell.PositionFlag = 1;
        } else {
            MoveCursor(Param(0, 1), Param(1, 1), 4);
        }
        break;
    case '%':
        if (paramIndex_ >= 1)
            MoveCursor(0, 2, 4);
        break;
    case 'J':
        switch (Param(0, 3)) {
        case 1:
            EditLine(0, 6);
            break;
        case 2:
            EditLine(0, 7);
            break;
        default:
            if (Param(0, 3) == 3 && paramIndex_ >= 4) {
                EraseRect(Param(1, 1), Param(2, 1), Param(3, 1), Param(4, 1));
            } else {
                PrepareScreenOperation();
                Reanchor();
                const bool home = screen_.CursorColumn == 0 && screen_.CursorRow == 0;
                EditLine(0, home ? 7 : 5);
            }
            break;
        }
        break;
    case 'K':
        switch (Param(0, 3)) {
        case 1:
            EditLine(0, 3);
            break;
        case 2:
            EditLine(0, 4);
            break;
        default:
            EditLine(0, 2);
            break;
        }
        break;
    case 'L':
    case 'M':
        PrepareScreenOperation();
        Reanchor();
        ScrollRegion(screen_.CursorRow, Param(0, 1), final == 'L' ? 0 : 1);
        break;
    case '@':
        EditLine(Param(0, 1), 0);
        break;
    case 'P':
        EditLine(Param(0, 1), 1);
        break;
    case 'X':
        EditLine(Param(0, 0), 8);
        break;
    case 'F':
        if (eqMarker_)
            SetRendition(100 + Param(0, 0));
        break;
    case 'G':
        if (eqMarker_)
            SetRendition(200 + Param(0, 0));
        break;
    case 'h':
    case 'l':
        if (!queryMarker_)
            break;
        switch (Param(0, 0)) {
        case 1:
            CursorKeyApplicationMode = final == 'h' ? 1 : 0;
            if (final == 'l') {
                scrollTop_ = 0;
                scrollBottom_ = rows_ - 1;
            }
            break;
        case 3:
            EditLine(0, 7);
            break;
        case 7:
            AutoWrap = final == 'h' ? 1 : 0;
            break;
        default:
            break;
        }
        break;
    case 'i':
        if (Param(0, 0) == 5 && PrintMode != 0 && outlets_.Printer &&
            outlets_.Printer->OpenPrintFile(PrintMode))
            savedReceiveMode_ = ModePrinter;
        break;
    case 'm':
        if (paramIndex_ == 0 && !paramPresent_[0]) {
            SetRendition(-1);
        } else {
            for (int i = 0; i <= paramIndex_; ++i)
                SetRendition(Param(i, 0));
            if (currentFg_ == currentBg_ && !concealed_) {
                currentFg_ = BrightColorIndex(currentFg_);
                if (currentFg_ == currentBg_)
                    currentFg_ = DimColorIndex(currentFg_);
            }
        }
        break;
    case 'n':
        if (Param(0, 0) == 5) {
            if (outlets_.Sender)
                outlets_.Sender->SendString("\x1b[0n");
        } else if (Param(0, 0) == 6) {
            // Report where the cursor really is: text still pending counts, and a screen
            // that scrolled past its bottom is anchored first.
            FlushPendingLine(0);
            Reanchor();
            if (outlets_.Sender)
                outlets_.Sender->SendString("\x1b[" + std::to_string(screen_.CursorRow + 1) + ";" +
                                            std::to_string(screen_.CursorColumn + 1) + "R");
        }
        break;
    case 'r':
        if (paramIndex_ >= 1) {
            // Both margins given: check them against each other, not against the old
            // bottom (a region wholly below the old one would get a wrong top).
            PrepareScreenOperation();
            const int top = Param(0, 1), bottom = Param(1, rows_);
            scrollTop_ = top <= 0 ? 0 : std::min(top - 1, rows_ - 1);
            scrollBottom_ = std::max(bottom > rows_ ? rows_ - 1 : bottom - 1, scrollTop_);
            break;
        }
        ScrollRegion(Param(0, 1), 0, 2);
        if (!paramPresent_[0])
            ScrollRegion(rows_, 0, 3);
        break;
    case 's':
        SaveCursor();
        break;
    case 'u':
        RestoreCursor();
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------------------- rendition

void TDravelTerminal::SetRendition(int code)
{
    switch (code) {
    case -1:
        currentBg_ = defaultBg_;
        shifted_ = 0;
        [[fallthrough]];
    case 0:
        if (reverse_) {
            std::swap(currentFg_, currentBg_);
            reverse_ = 0;
        }
        bold_ = faint_ = 0;
        if (concealed_) {
            currentFg_ = defaultFg_;
            currentBg_ = defaultBg_;
            concealed_ = 0;
        }
        currentFg_ = defaultFg_;
        return;
    case 1:
        currentFg_ = BrightColorIndex(currentFg_);
        bold_ = 1;
        return;
    case 2:
        currentFg_ = DimColorIndex(currentFg_);
        faint_ = 1;
        return;
    case 7:
        if (!reverse_) {
            std::swap(currentFg_, currentBg_);
            reverse_ = 1;
        }
        return;
    case 8:
        if (!concealed_) {
            currentFg_ = currentBg_;
            concealed_ = 1;
        }
        return;
    case 21:
        if (currentFg_ != defaultFg_)
            currentFg_ = BrightColorIndex(currentFg_);
        faint_ = 0;
        return;
    case 22:
        if (currentFg_ != defaultFg_)
            currentFg_ = DimColorIndex(currentFg_);
        bold_ = 0;
        return;
    case 27:
        if (reverse_) {
            std::swap(currentFg_, currentBg_);
            reverse_ = 0;
        }
        return;
    default:
        break;
    }
    if (code >= 30 && code <= 37) {
        currentFg_ = code - 30;
        if (bold_)
            currentFg_ = BrightColorIndex(currentFg_);
        if (faint_)
            currentFg_ = DimColorIndex(currentFg_);
    } else if (code >= 40 && code <= 47) {
        currentBg_ = code - 40;
    } else if (code >= 100 && code <= 115) {
        (reverse_ ? currentBg_ : currentFg_) = PcOrderColorIndex(code - 100);
    } else if (code >= 200 && code <= 215) {
        (reverse_ ? currentFg_ : currentBg_) = PcOrderColorIndex(code - 200);
    }
}

// ---------------------------------------------------------------------------- screen

void TDravelTerminal::PrepareScreenOperation()
{
    FlushPendingLine(0);
    heldLead_ = 0;
}

void TDravelTerminal::MoveCursor(int row, int column, int operation)
{
    PrepareScreenOperation();
    int& r = screen_.CursorRow;
    int& c = screen_.CursorColumn;
    switch (operation) {
    case 0:
        Reanchor();
        r = std::max(0, r - std::max(row, 0));
        break;
    case 1:
        Reanchor();
        r = std::min(rows_ - 1, r + std::max(row, 0));
        break;
    case 2:
        c = std::min(columns_ - 1, c + std::max(column, 0));
        break;
    case 3:
        c = std::max(0, c - std::max(column, 0));
        break;
    case 4:
        Reanchor();
        if (row >= 1) {
            r = std::min(row, rows_) - 1;
            if (outlets_.View)
                outlets_.View->JumpToScreen();
        }
        if (column >= 1)
            c = std::min(column, columns_) - 1;
        break;
    case 5:
        c = (c / 8 + 1) * 8;
        if (c >= columns_)
            c = columns_ - 1;
        break;
    default:
        break;
    }
}

void TDravelTerminal::ScrollRegion(int row, int count, int operation)
{
    PrepareScreenOperation();
    switch (operation) {
    case 2:
        scrollTop_ = row <= 0 ? 0 : std::min(row - 1, scrollBottom_);
        break;
    case 3:
        scrollBottom_ = std::max(row > rows_ ? rows_ - 1 : row - 1, scrollTop_);
        break;
    default:
        ScrollLines(row, count, operation);
        break;
    }
}

void TDravelTerminal::BlankLine(int line)
{
    ScreenModel::Line& l = screen_.At(line);
    l.Text.assign(columns_, ' ');
    l.Foreground.assign(columns_, ForegroundLetter(currentFg_));
    l.Background.assign(columns_, BackgroundLetter(currentBg_));
    screen_.NoteLineLength(line);
}

// Operation 0 inserts `count` blank lines at `row`, 1 deletes them; the lines between
// `row` and the region bottom move, the rest of the screen stays.
void TDravelTerminal::ScrollLines(int row, int count, int operation)
{
    if (row < scrollTop_ || row > scrollBottom_ || count <= 0)
        return;
    const int top = screen_.ScreenTop + row;
    const int bottom = screen_.ScreenTop + scrollBottom_;
    EnsureLine(bottom);
    const int span = bottom - top + 1;
    if (count >= span) {
        for (int l = top; l <= bottom; ++l)
            BlankLine(l);
        MarkLines(top, bottom);
        if (outlets_.View)
            outlets_.View->LinesChanged(top, bottom);
        return;
    }
    if (operation == 0) {
        screen_.RotateLines(top, bottom, -count);
        for (int l = top; l < top + count; ++l)
            BlankLine(l);
    } else {
        screen_.RotateLines(top, bottom, count);
        for (int l = bottom - count + 1; l <= bottom; ++l)
            BlankLine(l);
    }
    MarkLines(top, bottom);
    if (outlets_.View)
        outlets_.View->RegionScrolled(top, bottom, operation == 0 ? -count : count);
}

// Erases cells [from, to) of a line. With the default background, erased cells that reach
// the line end are removed; otherwise they become spaces in the current colours.
void TDravelTerminal::EraseCells(int line, int from, int to)
{
    if (from >= to)
        return;
    const bool plain = currentBg_ == defaultBg_;
    if (line >= screen_.LineCount()) {
        if (plain)
            return;
        EnsureLine(line);
    }
    ScreenModel::Line& l = screen_.At(line);
    const int len = static_cast<int>(l.Text.size());
    if (plain) {
        if (from >= len)
            return;
        if (to >= len) {
            l.Text.resize(from);
            l.Foreground.resize(from);
            l.Background.resize(from);
            MarkLines(line, line);
            return;
        }
    } else if (to == ToLineEnd) {
        to = std::max(len, columns_);
        if (from >= to)
            return; // the cursor stands past the screen width and the line end
    }
    if (to > len) {
        const char fgPad = l.Foreground.empty() ? ForegroundLetter(currentFg_) : l.Foreground.back();
        l.Text.resize(to, ' ');
        l.Foreground.resize(to, fgPad);
        l.Background.resize(to, BackgroundLetter(screen_.ViewBackground));
    }
    l.Text.replace(from, to - from, to - from, ' ');
    l.Foreground.replace(from, to - from, to - from, ForegroundLetter(currentFg_));
    l.Background.replace(from, to - from, to - from, BackgroundLetter(currentBg_));
    screen_.NoteLineLength(line);
    MarkLines(line, line);
}

void TDravelTerminal::EraseWholeLine(int line)
{
    EraseCells(line, 0, ToLineEnd);
}

void TDravelTerminal::EraseWholeScreen()
{
    screen_.ScreenTop = screen_.LineCount();
    screen_.FirstDisplayedLine = screen_.ScreenTop;
    screen_.CursorColumn = 0;
    screen_.CursorRow = 0;
    ImageCell.PositionFlag = 0;
    ImagePackArmed = 0;
    dirtyFirst_ = dirtyLast_ = screen_.ScreenTop;
    if (outlets_.View)
        outlets_.View->EverythingChanged();
}

void TDravelTerminal::EditLine(int count, int operation)
{
    PrepareScreenOperation();
    if (operation == 5 || operation == 6)
        Reanchor();
    const int line = screen_.ScreenTop + screen_.CursorRow;
    const int col = screen_.CursorColumn;
    const char fg = ForegroundLetter(currentFg_);
    const char bg = BackgroundLetter(currentBg_);
    count = std::clamp(count, 0, columns_);
    switch (operation) {
    case 0: {
        if (line >= screen_.LineCount() || count == 0)
            break;
        ScreenModel::Line& l = screen_.At(line);
        if (static_cast<int>(l.Text.size()) < col)
            break;
        l.Text.insert(col, count, ' ');
        l.Foreground.insert(col, count, fg);
        l.Background.insert(col, count, bg);
        if (static_cast<int>(l.Text.size()) > columns_) {
            l.Text.resize(columns_);
            l.Foreground.resize(columns_);
            l.Background.resize(columns_);
        }
        screen_.NoteLineLength(line);
        MarkLines(line, line);
        break;
    }
    case 1: {
        if (line >= screen_.LineCount())
            break;
        ScreenModel::Line& l = screen_.At(line);
        const int n = std::min(count, static_cast<int>(l.Text.size()) - col);
        if (n <= 0)
            break;
        l.Text.erase(col, n).append(n, ' ');
        l.Foreground.erase(col, n).append(n, fg);
        l.Background.erase(col, n).append(n, bg);
        MarkLines(line, line);
        break;
    }
    case 2:
        EraseCells(line, col, ToLineEnd);
        break;
    case 3:
        EraseCells(line, 0, col + 1);
        break;
    case 4:
        EraseWholeLine(line);
        break;
    case 5:
        EraseCells(line, col, ToLineEnd);
        for (int l = line + 1; l < screen_.ScreenTop + rows_; ++l)
            EraseWholeLine(l);
        break;
    case 6:
        for (int l = screen_.ScreenTop; l < line; ++l)
            EraseWholeLine(l);
        EraseCells(line, 0, col + 1);
        break;
    case 7:
        EraseWholeScreen();
        break;
    case 8:
        EraseCells(line, col, std::min(col + count, columns_));
        break;
    default:
        break;
    }
}

void TDravelTerminal::EraseRect(int top, int left, int bottom, int right)
{
    PrepareScreenOperation();
    Reanchor();
    // 1-based and inclusive; clamped to the screen, an inverted rectangle erases nothing.
    top = std::clamp(top, 1, rows_);
    bottom = std::clamp(bottom, 1, rows_);
    left = std::clamp(left, 1, columns_);
    right = std::clamp(right, 1, columns_);
    if (top > bottom || left > right)
        return;
    for (int r = top - 1; r < bottom; ++r)
        EraseCells(screen_.ScreenTop + r, left - 1, right);
}

void TDravelTerminal::SaveCursor()
{
    PrepareScreenOperation();
    Reanchor();
    saved_ = SavedCursor{currentFg_, currentBg_, bold_, faint_, reverse_, concealed_,
                         screen_.CursorColumn, screen_.CursorRow};
}

void TDravelTerminal::RestoreCursor()
{
    PrepareScreenOperation();
    Reanchor();
    currentFg_ = saved_.Foreground;
    currentBg_ = saved_.Background;
    bold_ = saved_.Bold;
    faint_ = saved_.Faint;
    reverse_ = saved_.Reverse;
    concealed_ = saved_.Concealed;
    screen_.CursorColumn = std::min(saved_.Column, columns_);
    screen_.CursorRow = std::min(saved_.Row, rows_ - 1);
}
