// The console's mouse text: the word under the pointer (highlighted, sent by a click),
// the drag selection over the scroll-back (drawn by inverting cells, copied as text) and
// what a click sends.
//
// A selection point is a cell boundary: column c lies just before cell c (0-based), the
// line is an index into the line lists; (-1, -1) is no point.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "console/core/ConsoleView.h"
#include "engines/core/PaintRuns.h"
#include "engines/core/ScreenModel.h"

struct CellPoint {
    int column = -1;
    int line = -1;
    bool operator==(const CellPoint&) const = default;
};

// The cell under pixel (x, y) of the view (column, line); nothing outside the view or
// below the last line. The column may lie past the line's end.
std::optional<CellPoint> CellUnderPointer(const ScreenModel& screen, const PaintGeometry& g, int x,
                                          int y);

// A word: cells [column, column + length) of a line.
struct WordSpan {
    int line = -1;
    int column = 0;
    int length = 0;
    bool operator==(const WordSpan&) const = default;
};

// The word over cell `column` of `line`: a run of ASCII letters and digits, or of
// double-byte characters that are all Hangul syllables (first byte 0xB0-0xC8) or all
// Hanja (0xCA-0xFD). A cell on a pair's second byte counts as the pair. Blanks,
// punctuation and other double-byte characters (symbols) make no word.
std::optional<WordSpan> FindWordAt(const ScreenModel& screen, int line, int column);
std::string WordText(const ScreenModel& screen, const WordSpan& word);
PixelRect WordRect(const WordSpan& word, const PaintGeometry& g);

// The end point of a drag at pixel (x, y): the line under the pointer, held within the
// line lists; the column boundary under it, held within 0 .. the line's length and moved
// back off the middle of a double-byte character. Nothing when there are no lines.
std::optional<CellPoint> DragEndCell(const ScreenModel& screen, const PaintGeometry& g, int x,
                                     int y);

// Cells [from, to) of a line.
struct LineSpan {
    int line;
    int from;
    int to;
    bool operator==(const LineSpan&) const = default;
};
// The cells between two points, in either order (replacing `spans`): on one line the
// cells between them; over several lines the first line from its point to its end, the
// lines between over their text and the last line up to its point. Inverting the spans
// between the drawn end and a new end turns the drawn selection into the new one;
// between the anchor and the end, it draws or removes the whole selection.
void SelectionSpans(const ScreenModel& screen, CellPoint a, CellPoint b,
                    std::vector<LineSpan>& spans);
PixelRect SpanRect(const LineSpan& span, const PaintGeometry& g);

// The text between two points, in either order, as Copy puts it on the clipboard: lines
// joined by "\r\n", no line end after the last part.
std::string SelectionText(const ScreenModel& screen, CellPoint a, CellPoint b);
// The end of the text (Select All selects from (0, 0) to here); (0, 0) with no lines.
CellPoint TextEnd(const ScreenModel& screen);

// While dragging, a pointer below or above the view scrolls it a line down (while lines
// follow the view's last whole line) or up (not above line 0); a pointer in the last two
// cells at the right scrolls it one cell right while the line under it runs past the
// right edge, and one left of the first cell one cell left (not past the margin). The
// view is then repainted.
ViewChange DragAutoScroll(const ScreenModel& screen, const ConsoleViewport& view,
                          int horizontalOffset, int x, int y);

// What a click sends: the highlighted word, then a blank with Shift or else Enter (CR,
// or CR LF with the terminal's send-Enter-as-CR-LF flag). With Ctrl a highlighted word
// and a blank go to the capture editor instead, and nothing is sent.
struct ClickSend {
    std::string bytes;
    std::string toEditor;
};
ClickSend DecideClick(std::string_view word, bool ctrl, bool shift, bool sendEnterAsCrLf);
