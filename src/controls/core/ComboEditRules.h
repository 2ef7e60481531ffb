// The arithmetic of the edits with a button (combo edits, spin edits): the text rectangle
// that keeps clear of the button, the button's bounds, the minimum height, the text
// margins, where a drop-down popup opens, the ellipsis glyph and the button's natural
// width.
#pragma once

#include <vector>

#include "framework/core/ControlMath.h"

enum TGlyphKind { gkCustom, gkDefault, gkDropDown, gkEllipsis };
enum TPopupAlign { epaRight, epaLeft };

// The button of a combo edit holds 21 pixels until it is told otherwise.
constexpr int kDefaultEditButtonWidth = 21;

// The text rectangle of an edit whose button takes `buttonWidth` at the right.
inline TRectI ButtonEditTextRect(int clientWidth, int clientHeight, int buttonWidth) {
    return {0, 0, clientWidth - buttonWidth - 2, clientHeight + 1};
}
// The least height of an edit: the text height, four border heights and one.
inline int ButtonEditMinHeight(int textHeight, int borderHeight) {
    return textHeight + 4 * borderHeight + 1;
}

// The button's bounds in an edit of width x height: inside a sunken 3-D border, inside a
// flat single border, or at the edge when there is no border (or no new-style controls).
struct TEditFrame {
    bool NewStyle = true;     // the system draws new-style (3-D) controls
    bool Ctl3D = true;
    bool SingleBorder = true;
};
TRectI EditButtonBounds(int width, int height, int buttonWidth, const TEditFrame& frame);
// The text margins (x = left, y = top) the edit draws its text at; `marginLeft` is the
// edit's own left margin (EM_GETMARGINS), the heights those of the system font and the
// control's.
TPointI EditorTextMargins(const TEditFrame& frame, int marginLeft, int systemFontHeight,
                          int controlFontHeight);
// The x of the text a combo edit paints itself: at the margin while its popup is down,
// else by alignment in the room left of the button.
int ComboEditTextLeft(TAlignment alignment, bool popupShown, int marginX, int clientWidth,
                      int buttonWidth, int textWidth);

// Where a popup of popupWidth x popupHeight opens under an edit whose outer rectangle on
// the screen is `edit`: below it, or above when it would leave the screen at the bottom;
// its right edge on the edit's (epaRight, unless that puts it left of 0) or its left edge
// on the edit's (epaLeft, moved left by its extra width when it would leave the screen);
// then held inside the screen from left to right.
TPointI PopupPosition(const TRectI& edit, int popupWidth, int popupHeight, TPopupAlign align,
                      int screenWidth, int screenHeight);

// The ellipsis glyph of a button `buttonWidth` wide: a bitmap max(1, width - 6) x 4 with
// three 2 x 2 dots at y = 1.
struct TEllipsisGlyph {
    int Width = 1;
    std::vector<TRectI> Dots;
};
TEllipsisGlyph EllipsisGlyph(int buttonWidth);

// The width a combo edit's button has by nature: the glyph's cell + 6 (at least 21) for
// the default picture, the scroll bar's width for the drop-down arrow, else 21.
int NaturalButtonWidth(TGlyphKind kind, int glyphWidth, int numGlyphs, int scrollBarWidth);
