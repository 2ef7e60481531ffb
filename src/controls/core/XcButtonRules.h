// The arithmetic of the library's speed buttons: where glyph and caption go, the frame's
// steps, which cell of a glyph picture each state shows (and which it makes), the gray of
// an inactive glyph, the drop-down mark, and the slots of a shared glyph list.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "controls/core/CtlUtils.h"
#include "framework/core/Colors.h"
#include "framework/core/ControlMath.h"

enum TXcButtonState { rbsUp, rbsDisabled, rbsDown, rbsExclusive, rbsInactive };
enum TButtonStyle { bsAutoDetect, bsWin31, bsNew };
enum TXcDropDownMenuPos { dmpBottom, dmpRight };

// Width a drop-down mark takes beside a caption or glyph.
constexpr int kDropDownMarkWidth = 9;

struct TButtonLayoutInput {
    TRectI Client;
    TPointI Glyph;            // the glyph's size; (0, 0) without one
    std::string Caption;
    TButtonLayout Layout = blGlyphTop;
    int Margin = -1;          // -1: centred
    int Spacing = 1;          // -1: spread evenly
    bool Mark = false;        // a drop-down mark is drawn
    bool WordWrap = false;
};

struct TButtonLayoutResult {
    TPointI GlyphPos;
    TRectI TextBounds;
    std::string Caption;  // as drawn: shortened to the room unless WordWrap
};

// The size a caption takes when drawn centred into `width` (wrapped with WordWrap).
using TCaptionExtent = std::function<TPointI(const std::string& caption, int width)>;

// Places the glyph and the caption on the client area (see the rules in the source); the
// caption is cut to 255 characters and, unless WordWrap, each of its lines is shortened
// with "..." to the room left (by `lineWidth`), trailing blanks dropped.
TButtonLayoutResult CalcButtonLayout(const TButtonLayoutInput& in, const TTextMeasure& lineWidth,
                                     const TCaptionExtent& extent);

// The frame of a button: 1-pixel 3-D frames from the outside in, each shrinking the
// rectangle by one; `ShadowCorner` is a shadow line down the left edge and along the top
// (it takes no pixel off). The rectangle shrinks by one more after the last.
struct TFrameStep {
    bool ShadowCorner = false;
    TColor TopLeft = 0, BottomRight = 0;
    bool operator==(const TFrameStep&) const = default;
};
std::vector<TFrameStep> ButtonFrameSteps(bool down, bool flat, bool newStyle);

// Where a state's image comes from. Cells of the glyph picture, left to right: up,
// disabled, down, exclusive, inactive. Without its own cell, down (fewer than 3 glyphs)
// is drawn like up and exclusive like down; disabled is made from the up cell in the
// embossed style, inactive in gray.
enum TGlyphMaking { gmCopy, gmDisabled, gmGray };
struct TGlyphSource {
    int Cell = 0;
    TGlyphMaking Making = gmCopy;
    bool operator==(const TGlyphSource&) const = default;
};
TGlyphSource GlyphSourceFor(TXcButtonState state, int numGlyphs);
// An inactive glyph's pixel (RGB values): the transparent and button-face colours stay,
// every other colour becomes its gray (R * 77 + G * 150 + B * 29) >> 8.
TColor InactiveGlyphPixel(TColor rgb, TColor transparent, TColor face);

// The drop-down mark's anchor: beside the glyph (layouts other than blGlyphLeft with a
// glyph), else in the middle of an empty caption or right of the text.
TPointI DropDownMarkPos(const TButtonLayoutResult& layout, TPointI glyphSize, TButtonLayout kind,
                        const TRectI& client, bool emptyCaption);
// The mark's rows, top down: a down-pointing triangle 7, 5, 3 and 1 pixels wide from
// (x, y - 1) to (x + 3, y + 2); each row as [left, right) at its y.
struct TMarkRow {
    int Y, Left, Right;
    bool operator==(const TMarkRow&) const = default;
};
std::vector<TMarkRow> DropDownMarkRows(TPointI anchor);

// The slots of one shared glyph list: a freed slot is taken again before a new one is
// added at the end.
class TGlyphSlots {
public:
    // The first free slot; `appended` tells whether it lies past the images the list holds.
    int Allocate(bool& appended);
    void Free(int slot);
    int Used() const { return FUsed; }
    bool Empty() const { return FUsed == 0; }

private:
    std::vector<bool> FSlots;
    int FUsed = 0;
};
