// The capture editor's decisions that need no window: what a line or a batch send puts on
// the line, the blanks of a Tab, the window's caption, the head and tail histories, the
// printed page's rectangle, and the reading of a plain-text file in blocks.
//
// Texts are bytes of the editor's code page; the editor's paragraphs end in CR.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "controls/core/RichEditRules.h"

// ---- Sending ------------------------------------------------------------------------------

// The line end of a send: CR, or CR LF when Enter goes out as both.
std::string LineEnd(bool sendEnterAsCrLf);

struct HeadTail {
    bool on = false;  // "Send Head/Tail" is down
    std::string head, tail;
};

// One line sent by Enter: the text (the line up to the caret, or the whole line), framed
// by the head and the tail when they are on and not empty (a blank between), and the line
// end. An empty text sends the line end alone.
std::string LineSendBytes(std::string_view text, const HeadTail& headTail, bool sendEnterAsCrLf);

// A selection sent as a batch: every paragraph break in it (CR, or CR LF) goes out as a
// line end; what follows the last break goes out without one.
std::string BatchSendBytes(std::string_view selection, bool sendEnterAsCrLf);

// ---- Typing -------------------------------------------------------------------------------

// The blanks a Tab inserts after `lineBytesBeforeCaret` bytes of its line: up to the next
// multiple of 5, and 5 at a multiple.
int TabBlanks(size_t lineBytesBeforeCaret);

// ---- Caption ------------------------------------------------------------------------------

// " " and, while connected, the session caption and " - "; then the file's name, or
// "Capture Edit [untitled]" (which, while not connected, begins " Quiro 2 - "); "*" when
// the text was changed.
std::string EditorCaption(bool connected, std::string_view sessionCaption,
                          std::string_view fileName, bool modified);

// ---- Head and tail ------------------------------------------------------------------------

// The most entries a head or tail history keeps.
inline constexpr size_t kHistoryEntries = 28;
// Puts `text` at the top of `history` (taken from where it was); the oldest entry goes
// when the list would hold more than kHistoryEntries. An empty text changes nothing.
void PushHistory(std::vector<std::string>& history, const std::string& text);

// ---- Printing -----------------------------------------------------------------------------

struct PageMargins {
    int left = 0, top = 0, right = 0, bottom = 0;  // millimetres
};
// The area printed on, in twips, for a page of `pageWidth` x `pageHeight` device pixels
// at `logX` x `logY` pixels per inch: the page less the margins (each truncated).
quiro::controls::TwipsRect EditorPageTwips(const PageMargins& margins, int pageWidth, int pageHeight,
                                           int logX, int logY);

// ---- Placement ----------------------------------------------------------------------------

struct ScreenRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const ScreenRect&) const = default;
};
// The editor glued under the main window: its left and width, `height` high, moved up as
// far as it takes to end inside the work area (never above its top).
ScreenRect GluedEditorRect(const ScreenRect& mainWindow, int height, const ScreenRect& workArea);
// A window whose left or top edge lies beyond the work area's right or bottom edge, moved
// back to end there; any other stays.
ScreenRect KeptOnScreen(const ScreenRect& window, const ScreenRect& workArea);

// ---- Files --------------------------------------------------------------------------------

// Whether a file name is an RTF file's (".rtf" in any case).
bool IsRtfFileName(std::string_view fileName);

// A plain-text file read in blocks: each block's bytes are given out whole characters at a
// time, a lead byte at a block's end waiting for its trail byte in the next block.
class CodePageBlockReader {
public:
    explicit CodePageBlockReader(int codePage) : codePage_(codePage) {}
    // The bytes of `block` (after what waited) that end on a character boundary; with
    // `last`, everything.
    std::string Take(std::string_view block, bool last);

private:
    int codePage_;
    std::string carried_;
};
