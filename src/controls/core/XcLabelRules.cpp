#include "controls/core/XcLabelRules.h"

#include <algorithm>

TPointI ShadowOffset(TShadowPosition position, int size) {
    switch (position) {
        case spLeftTop:
            return {-size, -size};
        case spLeftBottom:
            return {-size, size};
        case spRightBottom:
            return {size, size};
        default:
            return {size, -size};
    }
}

TRectI ShadowUnion(const TRectI& text, TShadowPosition position, int size) {
    TPointI d = ShadowOffset(position, size);
    return {std::min(text.Left, text.Left + d.X), std::min(text.Top, text.Top + d.Y),
            std::max(text.Right, text.Right + d.X), std::max(text.Bottom, text.Bottom + d.Y)};
}

int LayoutShift(TTextLayout layout, int height, int measuredBottom) {
    int rest = height - measuredBottom;
    if (layout == tlBottom) return rest;
    if (layout == tlCenter) return rest / 2;
    return 0;
}

TRectI AutoSizeBounds(const TRectI& bounds, int measuredRight, int measuredBottom,
                      TAlignment alignment) {
    TRectI r{bounds.Left, bounds.Top, bounds.Left + measuredRight, bounds.Top + measuredBottom};
    if (alignment == taRightJustify) {
        r.Left = bounds.Right - measuredRight;
        r.Right = bounds.Right;
    }
    return r;
}
