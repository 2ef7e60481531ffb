// The arithmetic of the secret panel: the lines it scrolls, how far, and where the glyph
// and the text go inside it.
#pragma once

#include <string>
#include <vector>

#include "framework/core/ControlMath.h"

enum TGlyphLayout { glGlyphLeft, glGlyphRight, glGlyphTop, glGlyphBottom };
enum TScrollDirection { sdVertical, sdHorizontal };

// The index of the first line that is not blank after trimming (the count when all are).
int FirstTextLine(const std::vector<std::string>& lines);
// A line's height: the font's height and its external leading, one more for a lowered or
// raised text style.
inline int SecretLineHeight(int fontHeight, int externalLeading, bool styledText) {
    return fontHeight + externalLeading + (styledText ? 1 : 0);
}
// How far the text scrolls: vertically the text area's height and every line from the
// first text line; horizontally the widest line and the area's width.
int SecretScrollMax(TScrollDirection direction, const TRectI& textRect, int lineCount,
                    int firstLine, int lineHeight, int widestLine);
// One tick: the position one pixel further, 0 again for a cycled panel that reached the
// end; `stop` is set when an uncycled one did.
int SecretNextPosition(int position, int maximum, bool cycled, bool& stop);
// Where line `index` (from the first text line on) is drawn in the text area at scroll
// position `position`: it enters at the bottom (vertical) or the right (horizontal).
TPointI SecretLineOrigin(TScrollDirection direction, const TRectI& textRect, int index,
                         int lineHeight, int position);

// The glyph and the text inside `area` (the client area less border and bevels): the
// glyph at the side or end `layout` names, centred across, the text in the rest.
void SecretDrawRects(const TRectI& area, int glyphWidth, int glyphHeight, TGlyphLayout layout,
                     TRectI& glyphRect, TRectI& textRect);
// The pixels border and bevels take at each edge.
inline int SecretInflateWidth(int borderWidth, int bevelWidth, bool outerBevel, bool innerBevel) {
    return borderWidth + (outerBevel ? bevelWidth : 0) + (innerBevel ? bevelWidth : 0);
}
