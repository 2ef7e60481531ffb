// TDravelTerminal: construction, the receive loop, control bytes, text placement, line
// feed, the line flush and the trim.
#include "engines/core/DravelTerminal.h"
#include "engines/core/KscJohab.h"

#include <algorithm>
#include <cstring>

namespace {

// DEC line graphics drawn with ASCII, for 0x5F..0x7D while shifted into G1.
constexpr char LineGraphics[31] = {
    ' ', '*', '#', ' ', ' ', ' ', ' ', '\'', ' ', ' ', ' ', '+', '+', '+', '+', '+',
    '-', '-', '-', '-', '-', '+', '+', '+', '+', '|', ' ', ' ', ' ', ' ', ' ',
};

inline bool IsPairByte(uint8_t b) { return b >= 0xA1 && b <= 0xFE; }

} // namespace

TDravelTerminal::TDravelTerminal(ScreenModel& screen, ColorValue fontColor,
                                 ColorValue backgroundColor, const TerminalOutlets& outlets)
    : screen_(screen), outlets_(outlets)
{
    ResetTerminal(fontColor, backgroundColor);
    columns_ = 80;
    rows_ = 24;
    scrollTop_ = 0;
    scrollBottom_ = rows_ - 1;
}

void TDravelTerminal::ResetTerminal(ColorValue fontColor, ColorValue backgroundColor)
{
    receiveMode_ = savedReceiveMode_ = ModeNormal;
    defaultFg_ = ColorToColorIndex(fontColor);
    defaultBg_ = ColorToColorIndex(backgroundColor);
    screen_.ViewBackground = defaultBg_;
    currentFg_ = defaultFg_;
    currentBg_ = defaultBg_;
    bold_ = faint_ = reverse_ = concealed_ = 0;
    saved_ = SavedCursor{currentFg_, currentBg_, 0, 0, 0, 0, screen_.CursorColumn, screen_.CursorRow};
    JohabInput = AddLfToCr = CaptureOn = 0;
    ImagePackArmed = 0;
    ImageCell = TerminalImageCell{};
    heldLead_ = 0;
    CursorKeyApplicationMode = KeypadApplicationMode = 0;
    g1Graphics_ = shifted_ = 0;
    MemoPending = 0;
    wrapPending_ = 0;
    iacArmed_ = 1;
    DoubleByteOn = 1;
    AutoWrap = 1;
    rzState_ = -1;
    escIntermediate_ = -1;
    if (outlets_.Printer)
        outlets_.Printer->ResetPrinterController();
    SyncTelnet();
}

void TDravelTerminal::SetTerminalFont(ColorValue fontColor, ColorValue backgroundColor)
{
    defaultFg_ = ColorToColorIndex(fontColor);
    defaultBg_ = ColorToColorIndex(backgroundColor);
    screen_.ViewBackground = defaultBg_;
    SyncTelnet();
}

void TDravelTerminal::SyncTelnet()
{
    TerminalTelnetHandler* before = telnet_;
    telnet_ = outlets_.TelnetHost ? outlets_.TelnetHost->SyncTelnet(columns_, rows_) : nullptr;
    if (!telnet_ && before && receiveMode_ == ModeTelnet)
        receiveMode_ = ModeNormal;
}

void TDravelTerminal::SetScreenSize(int columns, int rows)
{
    columns_ = std::clamp(columns, MinColumns, MaxColumns);
    rows_ = std::clamp(rows, MinRows, MaxRows);
    scrollTop_ = 0;
    scrollBottom_ = rows_ - 1;
}

namespace {

// True when none of eight bytes is below 0x20 or above 0x7E (word-wide tests: a byte
// below 0x20 borrows into its top bit when 0x20 is taken away, one of 0x7F or more
// carries into it when 1 is added).
inline bool AllPrintableAscii(const uint8_t* p)
{
    uint64_t x;
    std::memcpy(&x, p, sizeof x);
    constexpr uint64_t ones = 0x0101010101010101ull, high = 0x8080808080808080ull;
    const uint64_t below = (x - 0x20 * ones) & ~x & high;
    const uint64_t above = ((x + ones) | x) & high;
    return (below | above) == 0;
}

} // namespace

int TDravelTerminal::ProcessReceived(int rzDetect, const uint8_t* data, size_t length)
{
    TerminalCaptureSink* capture = CaptureOn ? outlets_.Capture : nullptr;
    const bool hex = capture && HexCapture;
    captureText_ = capture && !HexCapture;
    if (capture)
        capture->CaptureBlockStart(length, hex);
    dirtyFirst_ = dirtyLast_ = screen_.ScreenTop + screen_.CursorRow;

    bool rzFired = false;
    for (size_t i = 0; i < length && !rzFired; ++i) {
        if (receiveMode_ == ModePrinter) {
            // Print data goes to the printer controller a run at a time; it leaves the
            // cursor where it is.
            const size_t next = PrinterRun(data, i, length, hex ? capture : nullptr);
            if (next > i) {
                i = next - 1;
                continue;
            }
            // Nothing taken: no file was open, and the byte is the screen's.
        }
        const uint8_t b = data[i];
        if (hex)
            capture->CaptureRawByte(b);
        // Runs of plain ASCII text take the short road.
        if (receiveMode_ == ModeNormal && rzDetect != 1 && b >= 0x20 && b < 0x7F && !heldLead_ &&
            !shifted_) {
            size_t j = i + 1;
            while (j + 8 <= length && AllPrintableAscii(data + j))
                j += 8;
            while (j < length && data[j] >= 0x20 && data[j] < 0x7F)
                ++j;
            if (hex)
                for (size_t k = i + 1; k < j; ++k)
                    capture->CaptureRawByte(data[k]);
            PutAsciiRun(data + i, j - i);
            i = j - 1;
        } else if (receiveMode_ == ModeNormal && rzDetect != 1 && DoubleByteOn && IsPairByte(b) && !heldLead_ &&
                   !shifted_ && i + 1 < length && IsPairByte(data[i + 1])) {
            // So do runs of double-byte characters (both bytes 0xA1..0xFE).
            size_t j = i + 2;
            while (j + 1 < length && IsPairByte(data[j]) && IsPairByte(data[j + 1]))
                j += 2;
            if (hex)
                for (size_t k = i + 1; k < j; ++k)
                    capture->CaptureRawByte(data[k]);
            PutPairRun(data + i, (j - i) / 2);
            i = j - 1;
        } else {
            if (receiveMode_ == ModeNormal && rzDetect != 1)
                ControlByte(b); // what the dispatcher would do, without its two calls
            else
                DispatchByte(b, rzDetect, rzFired);
            // The rest of an escape sequence goes straight to the parser: the cursor moves
            // only on a sequence's last byte, after which the mode is no longer escape.
            if (!hex && receiveMode_ == ModeEscape)
                i = EscapeRun(data, i + 1, length) - 1;
        }
        const int line = screen_.ScreenTop + screen_.CursorRow;
        if (line < dirtyFirst_)
            dirtyFirst_ = line;
        if (line > dirtyLast_)
            dirtyLast_ = line;
    }

    FlushPendingLine(0);
    if (outlets_.View) {
        const int last = std::min(dirtyLast_, screen_.LineCount() - 1);
        if (last >= dirtyFirst_)
            outlets_.View->LinesChanged(dirtyFirst_, last);
    }
    TrimLineBuffer();
    if (capture)
        AppendCaptureToWindow(*capture);
    return rzFired ? 1 : 0;
}

void TDravelTerminal::AppendCaptureToWindow(TerminalCaptureSink& capture)
{
    capture.CaptureBlockEnd();
    captureText_ = false;
}

size_t TDravelTerminal::PrinterRun(const uint8_t* data, size_t i, size_t length, TerminalCaptureSink* hexCapture)
{
    bool finished = true;
    const size_t taken = outlets_.Printer ? outlets_.Printer->PrinterControllerData(data + i, length - i, &finished) : 0;
    if (hexCapture)
        for (size_t k = i; k < i + taken; ++k)
            hexCapture->CaptureRawByte(data[k]);
    if (finished)
        receiveMode_ = ModeNormal;
    return i + taken;
}

size_t TDravelTerminal::EscapeRun(const uint8_t* data, size_t i, size_t length)
{
    if (i < length && data[i] == '[' && escIntermediate_ == -1) {
        // "ESC [" then digits and ';' read in one loop, leaving the parser's state exactly
        // as byte by byte; whatever else comes (a final byte, a marker, the end of the
        // block) goes on through the parser.
        eqMarker_ = queryMarker_ = 0; // what the parser does on "[", the parameters below
        escCollected_ = 0;
        escIntermediate_ = '[';
        paramOverflow_ = false;
        ++i;
        int index = 0, value = 0;
        bool present = false;
        for (; i < length; ++i) {
            const uint8_t b = data[i];
            if (b >= '0' && b <= '9') {
                value = std::min(value * 10 + (b - '0'), ParameterLimit);
                present = true;
            } else if (b == ';' && index < ParameterCount - 1) {
                params_[index] = value;
                paramPresent_[index] = present;
                ++index;
                value = 0;
                present = false;
            } else {
                break; // the 17th parameter, a marker or the final byte: the parser's own
            }
        }
        params_[index] = value;
        paramPresent_[index] = present;
        paramIndex_ = index;
    }
    while (receiveMode_ == ModeEscape && i < length)
        EscapeByte(data[i++]);
    return i;
}

void TDravelTerminal::DispatchByte(uint8_t b, int rzDetect, bool& rzFired)
{
    switch (receiveMode_) {
    case ModeEscape:
        EscapeByte(b);
        return;
    case ModeImage:
        if (!outlets_.Image || outlets_.Image->ImageCommandByte(b, ImageCell))
            receiveMode_ = outlets_.Image ? savedReceiveMode_ : ModeNormal;
        return;
    case ModeTelnet:
        if (telnet_) {
            const int r = telnet_->ProcessTelnetCommand(b);
            iacArmed_ = r;
            receiveMode_ = telnet_->ReturnMode();
            if (r == 0) {
                // IAC IAC: the byte is data, dispatched again in the restored mode.
                if (receiveMode_ == ModeTelnet)
                    receiveMode_ = ModeNormal;
                DispatchByte(b, rzDetect, rzFired);
            }
            return;
        }
        NormalByte(b, rzDetect, rzFired);
        return;
    default:
        NormalByte(b, rzDetect, rzFired);
        return;
    }
}

void TDravelTerminal::NormalByte(uint8_t b, int rzDetect, bool& rzFired)
{
    if (rzDetect != 1) {
        ControlByte(b);
        return;
    }
    // "rz" CR followed by anything but LF: a ZModem sender has started on the host.
    switch (rzState_) {
    case -1:
        if (b == 'r')
            rzState_ = 0;
        break;
    case 0:
        rzState_ = b == 'z' ? 1 : -1;
        break;
    case 1:
        rzState_ = b == '\r' ? 2 : -1;
        break;
    default:
        rzState_ = -1;
        if (b != '\n') {
            for (uint8_t e : {uint8_t(' '), uint8_t(' '), uint8_t(8), uint8_t(8)})
                ControlByte(e);
            rzFired = true;
            return;
        }
        break;
    }
    ControlByte(b);
}

void TDravelTerminal::ControlByte(uint8_t b)
{
    switch (b) {
    case 0x00:
    case 0x18:
        return;
    case 0x01:
        if (ImagePackArmed && outlets_.Image) {
            savedReceiveMode_ = receiveMode_;
            receiveMode_ = ModeImage;
            outlets_.Image->BeginImageCommand();
        }
        return;
    case 0x07:
        // A bell at column 1 of the bottom rows marks a memo line (when the memo window
        // is wanted); any other bell takes the mark back.
        if (outlets_.Memo && outlets_.Memo->MemoWindowEnabled()) {
            const int column = screen_.CursorColumn + static_cast<int>(pendingText_.size());
            MemoPending = column == 1 && screen_.CursorRow >= 23 ? 1 : 0;
        } else {
            MemoPending = 0;
        }
        return;
    case 0x08:
        MoveCursor(0, 1, 3);
        return;
    case 0x09:
        MoveCursor(0, 0, 5);
        return;
    case 0x0A:
        FlushPendingLine(0);
        LineFeed();
        return;
    case 0x0D:
        FlushPendingLine(0);
        screen_.CursorColumn = 0;
        if (AddLfToCr)
            LineFeed();
        return;
    case 0x0E:
        if (g1Graphics_)
            shifted_ = 1;
        else
            PutChar(b);
        return;
    case 0x0F:
        if (g1Graphics_)
            shifted_ = 0;
        else
            PutChar(b);
        return;
    case 0x1B:
        wrapPending_ = 0;
        savedReceiveMode_ = receiveMode_;
        receiveMode_ = ModeEscape;
        escIntermediate_ = -1;
        commaMarker_ = 0;
        return;
    case 0xFF:
        if (telnet_) {
            if (iacArmed_) {
                telnet_->BeginTelnetCommand(receiveMode_);
                savedReceiveMode_ = receiveMode_;
                receiveMode_ = ModeTelnet;
            } else {
                iacArmed_ = 1;
                PutChar(b);
            }
            return;
        }
        PutChar(b);
        return;
    default:
        PutChar(b);
        return;
    }
}

uint16_t TDravelTerminal::JohabPairToKsc(uint8_t lead, uint8_t trail) const
{
    return JohabToKscCode(static_cast<uint16_t>(lead << 8 | trail), JohabSource::Terminal);
}

uint16_t TDravelTerminal::ReceivedPairToKsc(uint8_t lead, uint8_t trail) const
{
    if (JohabInput)
        return JohabPairToKsc(lead, trail);
    if (lead == 0xAD || lead == 0xAE)
        return KscRowRemap(lead, trail);
    const bool leadOk = (lead >= 0xA1 && lead <= 0xAC) || (lead >= 0xB0 && lead <= 0xC8) ||
                        (lead >= 0xCA && lead <= 0xFD);
    // A trail outside 0xA1..0xFE has no glyph in any font: show the placeholder.
    if (!leadOk || trail < 0xA1 || trail > 0xFE)
        return KscNoRowMapping;
    return static_cast<uint16_t>(lead << 8 | trail);
}

// A received double-byte pair onto the pending text, as its KS C 5601 code.
void TDravelTerminal::AppendPair(uint8_t lead, uint8_t trail, char fg, char bg)
{
    const uint16_t code = ReceivedPairToKsc(lead, trail);
    const char pair[2] = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
    pendingText_.append(pair, 2);
    pendingFg_.append(2, fg);
    pendingBg_.append(2, bg);
    if (captureText_)
        CaptureText(pair, 2);
}

void TDravelTerminal::PutChar(uint8_t b)
{
    if (AutoWrap && wrapPending_) {
        const uint8_t lead = heldLead_;
        FlushPendingLine(0);
        screen_.CursorColumn = 0;
        LineFeed();
        heldLead_ = lead;
    }
    const char fg = ForegroundLetter(currentFg_);
    const char bg = BackgroundLetter(currentBg_);
    if (heldLead_) {
        AppendPair(heldLead_, b, fg, bg);
        heldLead_ = 0;
    } else if (b >= 0x81 && DoubleByteOn) {
        heldLead_ = b;
    } else {
        if (shifted_ && b >= 0x5F && b <= 0x7D)
            b = static_cast<uint8_t>(LineGraphics[b - 0x5F]);
        const char c = static_cast<char>(b);
        pendingText_.push_back(c);
        pendingFg_.push_back(fg);
        pendingBg_.push_back(bg);
        if (captureText_)
            CaptureText(&c, 1);
    }
    if (AutoWrap) {
        const int n = static_cast<int>(pendingText_.size()) + screen_.CursorColumn;
        if (n >= columns_ - 1 && (heldLead_ || n >= columns_))
            wrapPending_ = 1;
    }
}

void TDravelTerminal::PutAsciiRun(const uint8_t* p, size_t n)
{
    const char fg = ForegroundLetter(currentFg_);
    const char bg = BackgroundLetter(currentBg_);
    if (n == 1 && !(AutoWrap && wrapPending_)) {
        // One cell between two colour changes, as in ANSI art.
        pendingText_.push_back(static_cast<char>(*p));
        pendingFg_.push_back(fg);
        pendingBg_.push_back(bg);
        if (captureText_)
            CaptureText(reinterpret_cast<const char*>(p), 1);
        if (AutoWrap && static_cast<int>(pendingText_.size()) + screen_.CursorColumn >= columns_)
            wrapPending_ = 1;
        return;
    }
    while (n > 0) {
        if (AutoWrap && wrapPending_) {
            FlushPendingLine(0);
            screen_.CursorColumn = 0;
            LineFeed();
        }
        size_t take = n;
        if (AutoWrap) {
            // Up to the cell that sets the wrap.
            const int used = static_cast<int>(pendingText_.size()) + screen_.CursorColumn;
            const int room = std::max(columns_ - used, 1);
            take = std::min(n, static_cast<size_t>(room));
        }
        pendingText_.append(reinterpret_cast<const char*>(p), take);
        pendingFg_.append(take, fg);
        pendingBg_.append(take, bg);
        if (captureText_)
            CaptureText(reinterpret_cast<const char*>(p), take);
        p += take;
        n -= take;
        if (AutoWrap && static_cast<int>(pendingText_.size()) + screen_.CursorColumn >= columns_)
            wrapPending_ = 1;
    }
}

void TDravelTerminal::PutPairRun(const uint8_t* p, size_t pairs)
{
    // PutChar's steps for a lead byte and its trail, without the dispatch of each byte.
    const char fg = ForegroundLetter(currentFg_);
    const char bg = BackgroundLetter(currentBg_);
    for (; pairs > 0; --pairs, p += 2) {
        if (AutoWrap && wrapPending_) {
            FlushPendingLine(0);
            screen_.CursorColumn = 0;
            LineFeed();
        }
        if (AutoWrap && static_cast<int>(pendingText_.size()) + screen_.CursorColumn >= columns_ - 1) {
            // The lead alone sets the wrap: the pair goes to the next line.
            FlushPendingLine(0);
            screen_.CursorColumn = 0;
            LineFeed();
        }
        AppendPair(p[0], p[1], fg, bg);
        if (AutoWrap && static_cast<int>(pendingText_.size()) + screen_.CursorColumn >= columns_)
            wrapPending_ = 1;
    }
}

void TDravelTerminal::CaptureText(const char* p, size_t n)
{
    if (outlets_.Capture)
        outlets_.Capture->CaptureText(p, n);
}

void TDravelTerminal::EnsureLine(int line)
{
    while (screen_.LineCount() <= line)
        screen_.AppendEmptyLine();
}

void TDravelTerminal::MarkLines(int first, int last)
{
    if (first < dirtyFirst_)
        dirtyFirst_ = first;
    if (last > dirtyLast_)
        dirtyLast_ = last;
}

void TDravelTerminal::Reanchor()
{
    if (screen_.CursorRow >= rows_) {
        screen_.ScreenTop = std::max(0, screen_.LineCount() - rows_);
        screen_.CursorRow = rows_ - 1;
    }
}

void TDravelTerminal::LineFeed()
{
    bool scrolled = false;
    if (!FullScreenRegion()) {
        Reanchor();
        if (screen_.CursorRow == scrollBottom_) {
            ScrollLines(scrollTop_, 1, 1);
            scrolled = true;
        }
    }
    if (!scrolled) {
        ++screen_.CursorRow;
        EnsureLine(screen_.ScreenTop + screen_.CursorRow);
    }
    heldLead_ = 0;
    wrapPending_ = 0;
    if (captureText_)
        CaptureText("\r", 1);
}

void TDravelTerminal::FlushPendingLine(int repaint)
{
    size_t n = pendingText_.size();
    if (n == 0)
        return;
    if (screen_.CursorColumn + n > static_cast<size_t>(MaxLineCells)) {
        n = screen_.CursorColumn < MaxLineCells ? static_cast<size_t>(MaxLineCells - screen_.CursorColumn) : 0;
        if (n == 0) {
            ClearPendingLine();
            return;
        }
        pendingText_.resize(n);
        pendingFg_.resize(n);
        pendingBg_.resize(n);
    }
    const int line = screen_.ScreenTop + screen_.CursorRow;
    EnsureLine(line);
    ScreenModel::Line& l = screen_.At(line);
    const size_t c = static_cast<size_t>(screen_.CursorColumn);
    const size_t len = l.Text.size();
    if (len < c) {
        const char fgPad = l.Foreground.empty() ? pendingFg_.back() : l.Foreground.back();
        l.Text.append(c - len, ' ');
        l.Foreground.append(c - len, fgPad);
        l.Background.append(c - len, BackgroundLetter(screen_.ViewBackground));
    }
    const size_t over = std::min(n, l.Text.size() - c);
    if (over == n && l.Foreground.size() >= c + n && l.Background.size() >= c + n) {
        // Cells written over in place (the line keeps its length).
        std::memcpy(&l.Text[c], pendingText_.data(), n);
        std::memcpy(&l.Foreground[c], pendingFg_.data(), n);
        std::memcpy(&l.Background[c], pendingBg_.data(), n);
    } else {
        l.Text.replace(c, over, pendingText_);
        l.Foreground.replace(c, over, pendingFg_);
        l.Background.replace(c, over, pendingBg_);
    }
    screen_.CursorColumn += static_cast<int>(n);
    ClearPendingLine();
    screen_.NoteLineLength(line);
    MarkLines(line, line);
    if (repaint && outlets_.View)
        outlets_.View->LinesChanged(std::max(0, line - 1), line);
}

void TDravelTerminal::ClearPendingLine()
{
    pendingText_.clear();
    pendingFg_.clear();
    pendingBg_.clear();
}

int TDravelTerminal::TrimLineBuffer()
{
    const int excess = screen_.LineCount() - ScreenModel::LineCap;
    if (excess <= 0)
        return 0;
    const int cursorLine = screen_.ScreenTop + screen_.CursorRow;
    bool rescan = false;
    bool viewMoved = false;
    for (int i = 0; i < excess; ++i) {
        if (columns_ < screen_.LongestLine &&
            static_cast<int>(screen_.Text(0).size()) == screen_.LongestLine)
            rescan = true;
        screen_.RemoveFirstLine();
        if (--screen_.ScreenTop < 0)
            screen_.ScreenTop = 0;
        if (--screen_.FirstDisplayedLine < 0) {
            screen_.FirstDisplayedLine = 0;
            viewMoved = true;
        }
    }
    if (rescan)
        screen_.RescanLongestLine();
    // The cursor stays on its line. (Comparing the screen-relative row with the line count
    // instead would throw a cursor placed on a not yet written screen row back to the top.)
    screen_.CursorRow = std::max(0, cursorLine - excess) - screen_.ScreenTop;
    if (viewMoved && outlets_.View)
        outlets_.View->EverythingChanged();
    return viewMoved ? 1 : 0;
}
