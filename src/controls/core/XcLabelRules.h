// The arithmetic of the shadow label: where the shadow goes, the rectangle the text and
// its shadow cover together, the vertical layout and the bounds of an auto-sized label.
#pragma once

#include "framework/core/ControlMath.h"

enum TShadowPosition { spLeftTop, spLeftBottom, spRightBottom, spRightTop };

// The shadow's offset from the text: `size` pixels left or right, up or down.
TPointI ShadowOffset(TShadowPosition position, int size);
// The text's rectangle together with its shadow's.
TRectI ShadowUnion(const TRectI& text, TShadowPosition position, int size);
// How far the text moves down in a label of `height` whose measured text ends at
// `measuredBottom`: all of the rest for tlBottom, half of it (toward zero) for tlCenter.
int LayoutShift(TTextLayout layout, int height, int measuredBottom);
// The bounds of an auto-sized label: the measured right and bottom edges are its width and
// height; a right-justified label keeps its right edge.
TRectI AutoSizeBounds(const TRectI& bounds, int measuredRight, int measuredBottom,
                      TAlignment alignment);
