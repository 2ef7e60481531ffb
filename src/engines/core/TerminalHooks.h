// The narrow interfaces through which the terminal engine reaches the rest of the program.
// The engine owns none of them; the main window (or a test, or a tool) plugs in what it
// has and leaves the others null.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engines/core/PaintRuns.h"

// The main window's send routine: answers to status reports go here.
class TerminalSender {
public:
    virtual ~TerminalSender() = default;
    virtual void SendString(const std::string& bytes) = 0;
};

// The console view. The engine reports damage in list indices (absolute lines, valid until
// the next trim) and the view repaints as it sees fit (changed lines through the
// terminal's RepaintRect).
class TerminalView {
public:
    virtual ~TerminalView() = default;
    // Lines first..last (inclusive) changed.
    virtual void LinesChanged(int firstLine, int lastLine) = 0;
    // Lines top..bottom scrolled by `count` lines (positive: up, content moved towards top;
    // negative: down); the uncovered lines changed as well.
    virtual void RegionScrolled(int topLine, int bottomLine, int count) = 0;
    // Everything changed (the whole screen was erased, or the trim moved the view).
    virtual void EverythingChanged() = 0;
    // The cursor was positioned: a view scrolled back into the history returns to the screen.
    virtual void JumpToScreen() = 0;
};

// The console's canvas, on which the terminal paints lines (PaintRegion, RepaintRect). The
// owner gives it the console font and a solid brush before asking the terminal to paint.
class TerminalCanvas {
public:
    virtual ~TerminalCanvas() = default;
    // The view's size in pixels.
    virtual int CanvasWidth() = 0;
    virtual int CanvasHeight() = 0;
    // A solid fill in a ColorIndex.
    virtual void FillCanvas(const PixelRect& area, int color) = 0;
    // One colour run of a line, its top-left corner at (x, y) (ColorIndex colours).
    virtual void PaintRunText(int x, int y, std::string_view text, int foreground, int background) = 0;
};

// The telnet object of a Winsock line, seen from the engine.
class TerminalTelnetHandler {
public:
    virtual ~TerminalTelnetHandler() = default;
    // An IAC arrived: the object starts a command (state 0) and remembers the receive mode
    // to go back to; until it says otherwise the engine stays in receive mode 3.
    virtual void BeginTelnetCommand(int modeBeforeIac) = 0;
    // One byte after IAC. 0 only for IAC IAC (the byte is a data byte 0xFF and the engine
    // dispatches it again in the restored mode), else 1.
    virtual int ProcessTelnetCommand(uint8_t byte) = 0;
    // Receive mode the engine takes after the last byte (3: stay in telnet mode).
    virtual int ReturnMode() const = 0;
};

// The connection side of the telnet hand-off. ResetTerminal and SetTerminalFont call
// SyncTelnet: the owner creates or deletes its telnet object by the port's line kind,
// gives it the screen size, sends the window size twice when the port is open, and
// returns the object (null when the line is not telnet).
class TerminalTelnetHost {
public:
    virtual ~TerminalTelnetHost() = default;
    virtual TerminalTelnetHandler* SyncTelnet(int columns, int rows) = 0;
};

// Capture of received data into the capture editor. Called only while capture is on.
class TerminalCaptureSink {
public:
    virtual ~TerminalCaptureSink() = default;
    virtual void CaptureBlockStart(size_t length, bool hex) = 0;
    // Hex capture: every received byte, before any interpretation.
    virtual void CaptureRawByte(uint8_t byte) = 0;
    // Text capture: the bytes of each character placed on the screen, "\r" per line feed.
    virtual void CaptureText(const char* bytes, size_t length) = 0;
    // End of the block: finish and deliver.
    virtual void CaptureBlockEnd() = 0;
};

// The printer controller (ESC [ 5 i ... ESC [ 4 i).
class TerminalPrinterOutlet {
public:
    virtual ~TerminalPrinterOutlet() = default;
    // Opens the print file for the given print mode (1 temporary file, 2 named file);
    // true when the data can be taken (the engine then enters receive mode 4).
    virtual bool OpenPrintFile(int printMode) = 0;
    // Received bytes in receive mode 4, the rest of a block at a time: returns how many
    // were taken (all, or those up to and including ESC [ 4 i when it ended within them);
    // *finished tells that the controller ended (the engine returns to receive mode 0 and
    // the bytes after it are the screen's). Nothing taken and finished: no file is open.
    virtual size_t PrinterControllerData(const uint8_t* data, size_t n, bool* finished) = 0;
    // The terminal was reset: an open print job ends (its file closed and, when temporary,
    // printed).
    virtual void ResetPrinterController() = 0;
};

// The on-line memo window.
class TerminalMemoOutlet {
public:
    virtual ~TerminalMemoOutlet() = default;
    // The setting "ShowOnLineMemoWindow".
    virtual bool MemoWindowEnabled() const = 0;
    virtual void ShowOnLineMemo(const std::string& line) = 0;
};

// Where the in-band picture goes on the screen, in cells.
struct TerminalImageCell {
    int Column = 0;
    int Row = 0;
    int PositionFlag = 0;
};

// The Image Pack command after ^A (receive mode 2).
class TerminalImageOutlet {
public:
    virtual ~TerminalImageOutlet() = default;
    // ^A arrived while the image pack is armed: a command starts (command state -1).
    virtual void BeginImageCommand() = 0;
    // One command byte; may set the image cell. True when the command ended (the engine
    // returns to the receive mode it had before ^A).
    virtual bool ImageCommandByte(uint8_t byte, TerminalImageCell& cell) = 0;
};

struct TerminalOutlets {
    TerminalSender* Sender = nullptr;
    TerminalView* View = nullptr;
    TerminalCanvas* Canvas = nullptr;
    TerminalTelnetHost* TelnetHost = nullptr;
    TerminalCaptureSink* Capture = nullptr;
    TerminalPrinterOutlet* Printer = nullptr;
    TerminalMemoOutlet* Memo = nullptr;
    TerminalImageOutlet* Image = nullptr;
};
