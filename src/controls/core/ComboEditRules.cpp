#include "controls/core/ComboEditRules.h"

#include <algorithm>

TRectI EditButtonBounds(int width, int height, int buttonWidth, const TEditFrame& frame) {
    if (frame.NewStyle && frame.SingleBorder && frame.Ctl3D)
        return {width - buttonWidth - 4, 0, width - 4, height - 4};
    if (frame.NewStyle && frame.SingleBorder)
        return {width - buttonWidth - 2, 2, width - 2, height - 2};
    return {width - buttonWidth, 0, width, height};
}

TPointI EditorTextMargins(const TEditFrame& frame, int marginLeft, int systemFontHeight,
                          int controlFontHeight) {
    if (frame.NewStyle) {
        int i = !frame.SingleBorder ? 0 : (frame.Ctl3D ? 1 : 2);
        return {marginLeft + i, i};
    }
    int i = !frame.SingleBorder ? 0 : std::min(systemFontHeight, controlFontHeight) / 4;
    return {i, i};
}

int ComboEditTextLeft(TAlignment alignment, bool popupShown, int marginX, int clientWidth,
                      int buttonWidth, int textWidth) {
    if (popupShown) return marginX;
    int width = textWidth + (buttonWidth > 0 ? 1 : 0);
    switch (alignment) {
        case taRightJustify:
            return clientWidth - buttonWidth - width - marginX - 2;
        case taCenter:
            return (clientWidth - buttonWidth - width) / 2;
        default:
            return marginX;
    }
}

TPointI PopupPosition(const TRectI& edit, int popupWidth, int popupHeight, TPopupAlign align,
                      int screenWidth, int screenHeight) {
    TPointI p{edit.Left, edit.Bottom};
    if (p.Y + popupHeight > screenHeight) p.Y = edit.Top - popupHeight;
    int extra = popupWidth - edit.Width();
    if (align == epaRight) {
        if (p.X - extra >= 0) p.X -= extra;
    } else if (p.X + popupWidth > screenWidth) {
        p.X -= extra;
    }
    if (p.X < 0) p.X = 0;
    if (p.X + popupWidth > screenWidth) p.X = screenWidth - popupWidth;
    return p;
}

TEllipsisGlyph EllipsisGlyph(int buttonWidth) {
    TEllipsisGlyph g;
    g.Width = std::max(1, buttonWidth - 6);
    int gap = std::min(std::max((g.Width - 6) / 2, 1), 3);
    int x = ((g.Width - 6) - 2 * gap) / 2;
    for (int i = 0; i < 3; ++i) {
        int left = x + i * (gap + 2);
        g.Dots.push_back({left, 1, left + 2, 3});
    }
    return g;
}

int NaturalButtonWidth(TGlyphKind kind, int glyphWidth, int numGlyphs, int scrollBarWidth) {
    if (kind == gkDefault && glyphWidth > 0)
        return std::max(glyphWidth / std::max(numGlyphs, 1) + 6, kDefaultEditButtonWidth);
    if (kind == gkDropDown) return scrollBarWidth;
    return kDefaultEditButtonWidth;
}
