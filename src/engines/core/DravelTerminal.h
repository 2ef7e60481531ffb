// TDravelTerminal: the terminal engine. Turns the bytes received from the host into the
// ScreenModel: control characters, KS C 5601 double-byte text (optionally converted from
// Johab), DEC line graphics, lazy auto-wrap, escape sequences with the colour extensions,
// status reports and the "rz" detector. Everything else (painting, capture, printing, the
// on-line memo, the picture commands, telnet) is reached through TerminalOutlets.
//
// The main window owns the ScreenModel and the outlets. After changing the screen size
// with SetScreenSize it calls SetTerminalFont, which hands the size to the telnet object.
// The cursor row may run past the screen bottom after line feeds (the screen grows into
// the scroll-back); every operation that reads a screen row anchors the screen to the last
// rows lines first.
#pragma once

#include "engines/core/ConsolePalette.h"
#include "engines/core/ScreenModel.h"
#include "engines/core/TerminalHooks.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class TDravelTerminal {
public:
    // Screen size limits: a column count fits the one-byte window size of telnet, and the
    // screen plus one line always fits under the line cap.
    static constexpr int MinColumns = 1;
    static constexpr int MaxColumns = 254;
    static constexpr int MinRows = 1;
    static constexpr int MaxRows = ScreenModel::LineCap - 1;
    // A line never grows past this many cells (text beyond it is dropped): without
    // auto-wrap, or with a wrap cleared by escapes, a host could otherwise grow one line
    // without bound and make every edit of it slow.
    static constexpr int MaxLineCells = 4096;
    static constexpr int ParameterCount = 16;
    static constexpr int ParameterLimit = 32767;

    enum ReceiveMode { ModeNormal = 0, ModeEscape = 1, ModeImage = 2, ModeTelnet = 3, ModePrinter = 4 };

    // The font colour and the background colour give the default colours.
    TDravelTerminal(ScreenModel& screen, ColorValue fontColor, ColorValue backgroundColor,
                    const TerminalOutlets& outlets = {});

    void SetOutlets(const TerminalOutlets& outlets) { outlets_ = outlets; }
    const TerminalOutlets& Outlets() const { return outlets_; }

    void ResetTerminal(ColorValue fontColor, ColorValue backgroundColor);
    // Only the default colours and the telnet hand-off; the current colours stay.
    void SetTerminalFont(ColorValue fontColor, ColorValue backgroundColor);
    // Clamps to MinColumns..MaxColumns and MinRows..MaxRows; the scroll region becomes the
    // whole screen.
    void SetScreenSize(int columns, int rows);
    int Columns() const { return columns_; }
    int Rows() const { return rows_; }

    // The receive entry. Returns 1 when the "rz" detector fired in this block (the rest of
    // the block was dropped), else 0.
    int ProcessReceived(int rzDetect, const uint8_t* data, size_t length);
    int ProcessReceived(int rzDetect, const std::string& data)
    {
        return ProcessReceived(rzDetect, reinterpret_cast<const uint8_t*>(data.data()), data.size());
    }

    void FlushPendingLine(int repaint);
    void ClearPendingLine();
    // Applies the line cap; 1 when the view position had to move (the view was told).
    int TrimLineBuffer();
    void SetHorizontalOffset(int pixels) { horizontalOffset_ = pixels; }
    int HorizontalOffset() const { return horizontalOffset_; }

    // Painting on the canvas outlet (nothing without one), at the view position of the
    // screen model (cell size, first displayed line) and the horizontal offset. The picture
    // is painted from the lines as they are when it is painted, not as the bytes arrive:
    // every coloured cell is in the lines, and what lies beside them is the view's
    // background.
    // Lines firstLine..lastLine from the first displayed line on, while a line's top lies
    // inside the view, in runs of equal colours; runs wholly beside the view and the cells
    // of the kept range are left out.
    void PaintRegion(int firstLine, int lastLine, const KeptRange& kept = {});
    // Fills DirtyRect with the view's background.
    void FillDirtyRect();
    // Lines firstLine..lastLine again: the dirty rectangle becomes those lines across the
    // view's width; it is filled, then the lines are painted.
    void RepaintRect(int firstLine, int lastLine);
    // The area the next fill covers: columns and list lines, -1 = to the view's edge.
    CellRect DirtyRect;

    // Screen operations, also used by the escape sequences.
    void MoveCursor(int row, int column, int operation);
    void ScrollRegion(int row, int count, int operation);
    void EditLine(int count, int operation);
    void EraseRect(int top, int left, int bottom, int right);
    void SaveCursor();
    void RestoreCursor();
    void SetRendition(int code);
    void EscapeByte(uint8_t byte);

    // A KS C 5601 code for a received pair (lead byte in the high 8 bits).
    uint16_t JohabPairToKsc(uint8_t lead, uint8_t trail) const;
    uint16_t ReceivedPairToKsc(uint8_t lead, uint8_t trail) const;

    // Read-outs (tests, the renderer and the keyboard code).
    int ReceiveMode() const { return receiveMode_; }
    ColorIndex DefaultForeground() const { return defaultFg_; }
    ColorIndex DefaultBackground() const { return defaultBg_; }
    ColorIndex CurrentForeground() const { return currentFg_; }
    ColorIndex CurrentBackground() const { return currentBg_; }
    int ScrollTop() const { return scrollTop_; }
    int ScrollBottom() const { return scrollBottom_; }
    int WrapPending() const { return wrapPending_; }
    uint8_t HeldLeadByte() const { return heldLead_; }
    int RzState() const { return rzState_; }
    int CommaMarker() const { return commaMarker_; }
    void ClearCommaMarker() { commaMarker_ = 0; }
    const ScreenModel& Screen() const { return screen_; }

    // Option fields, read and written by the main window.
    int DoubleByteOn = 1;
    int JohabInput = 0;
    int AddLfToCr = 0;
    int AutoWrap = 1;
    int LocalEcho = 0;
    int SendEnterAsCrLf = 0;
    int CaptureOn = 0;
    int HexCapture = 0;
    int PrintMode = 0;
    int CursorKeyApplicationMode = 0;
    int KeypadApplicationMode = 0;
    int MemoPending = 0;
    // The in-band picture: armed by ESC % B 4, positioned by ^A commands and CSI , H; read
    // and cleared by the main window's picture front end as well. ImageCell.PositionFlag
    // marks the next ZModem download as a picture (CSI , H, or the host's ESC "&Q").
    int ImagePackArmed = 0;
    TerminalImageCell ImageCell;

private:
    struct SavedCursor {
        ColorIndex Foreground = 0, Background = 0;
        int Bold = 0, Faint = 0, Reverse = 0, Concealed = 0;
        int Column = 0, Row = 0;
    };

    void DispatchByte(uint8_t b, int rzDetect, bool& rzFired);
    void NormalByte(uint8_t b, int rzDetect, bool& rzFired);
    void ControlByte(uint8_t b);
    void PutChar(uint8_t b);
    void PutAsciiRun(const uint8_t* p, size_t n);
    void PutPairRun(const uint8_t* p, size_t pairs);
    void AppendPair(uint8_t lead, uint8_t trail, char fg, char bg);
    void LineFeed();
    void Reanchor();
    void EnsureLine(int line);
    bool FullScreenRegion() const { return scrollTop_ == 0 && scrollBottom_ == rows_ - 1; }
    void PrepareScreenOperation();
    void ScrollLines(int row, int count, int operation);
    void EraseCells(int line, int from, int to);
    void EraseWholeLine(int line);
    void EraseWholeScreen();
    void BlankLine(int line);
    void MarkLines(int first, int last);
    void CsiFinal(uint8_t final);
    int Param(int index, int fallback) const;
    bool ParamEmpty(int index) const { return !paramPresent_[index]; }
    void EndEscape() { receiveMode_ = savedReceiveMode_; }
    // Feeds data[i..length) to the escape parser until the sequence ends; returns the index
    // of the first byte after it.
    size_t EscapeRun(const uint8_t* data, size_t i, size_t length);
    // Receive mode 4: hands data[i..length) to the printer controller; returns the index of
    // the first byte it did not take (the receive mode is 0 again when it ended).
    size_t PrinterRun(const uint8_t* data, size_t i, size_t length, TerminalCaptureSink* hexCapture);
    void SyncTelnet();
    void CaptureText(const char* p, size_t n);
    // The end of a received block: its capture (text or dump) is finished and handed to the
    // capture editor, which appends it to its text and scrolls to it.
    void AppendCaptureToWindow(TerminalCaptureSink& capture);

    ScreenModel& screen_;
    TerminalOutlets outlets_;
    TerminalTelnetHandler* telnet_ = nullptr;

    std::string pendingText_, pendingFg_, pendingBg_;
    uint8_t heldLead_ = 0;
    int iacArmed_ = 1;
    int escIntermediate_ = -1;
    int escCollected_ = 0;     // bytes collected after ESC ( ) % &
    uint8_t escFirstArg_ = 0;  // first byte after ESC %
    int eqMarker_ = 0, queryMarker_ = 0, commaMarker_ = 0;
    ColorIndex defaultFg_ = 15, defaultBg_ = 4, currentFg_ = 15, currentBg_ = 4;
    int bold_ = 0, faint_ = 0, reverse_ = 0, concealed_ = 0;
    int params_[ParameterCount] = {};
    bool paramPresent_[ParameterCount] = {};
    int paramIndex_ = 0;
    bool paramOverflow_ = false;
    SavedCursor saved_;
    int scrollTop_ = 0, scrollBottom_ = 23;
    int horizontalOffset_ = 0;
    std::vector<PaintRun> paintRuns_;  // the last paint's runs (their storage is reused)
    int rzState_ = -1;
    int g1Graphics_ = 0, shifted_ = 0;
    int columns_ = 80, rows_ = 24;
    int wrapPending_ = 0;
    int savedReceiveMode_ = 0, receiveMode_ = 0;
    bool captureText_ = false;
    // Lines touched during the current block (absolute), reported at its end.
    int dirtyFirst_ = 0, dirtyLast_ = -1;
};
