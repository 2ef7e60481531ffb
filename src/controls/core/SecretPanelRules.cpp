#include "controls/core/SecretPanelRules.h"

#include "framework/core/SysUtils.h"

int FirstTextLine(const std::vector<std::string>& lines) {
    int i = 0;
    while (i < static_cast<int>(lines.size()) && Trim(lines[i]).empty()) ++i;
    return i;
}

int SecretScrollMax(TScrollDirection direction, const TRectI& textRect, int lineCount,
                    int firstLine, int lineHeight, int widestLine) {
    if (direction == sdVertical)
        return textRect.Height() + (lineCount - firstLine) * lineHeight;
    return widestLine + textRect.Width();
}

int SecretNextPosition(int position, int maximum, bool cycled, bool& stop) {
    stop = false;
    if (position < maximum) return position + 1;
    if (cycled) return 0;
    stop = true;
    return position;
}

TPointI SecretLineOrigin(TScrollDirection direction, const TRectI& textRect, int index,
                         int lineHeight, int position) {
    if (direction == sdVertical) return {0, textRect.Height() - position + index * lineHeight};
    return {textRect.Width() - position, index * lineHeight};
}

void SecretDrawRects(const TRectI& area, int glyphWidth, int glyphHeight, TGlyphLayout layout,
                     TRectI& glyphRect, TRectI& textRect) {
    textRect = area;
    glyphRect = {};
    if (glyphWidth <= 0 || glyphHeight <= 0) return;
    int midX = area.Left + (area.Width() - glyphWidth) / 2;
    int midY = area.Top + (area.Height() - glyphHeight) / 2;
    switch (layout) {
        case glGlyphLeft:
            glyphRect = {area.Left, midY, area.Left + glyphWidth, midY + glyphHeight};
            textRect.Left = glyphRect.Right;
            break;
        case glGlyphRight:
            glyphRect = {area.Right - glyphWidth, midY, area.Right, midY + glyphHeight};
            textRect.Right = glyphRect.Left;
            break;
        case glGlyphTop:
            glyphRect = {midX, area.Top, midX + glyphWidth, area.Top + glyphHeight};
            textRect.Top = glyphRect.Bottom;
            break;
        case glGlyphBottom:
            glyphRect = {midX, area.Bottom - glyphHeight, midX + glyphWidth, area.Bottom};
            textRect.Bottom = glyphRect.Top;
            break;
    }
    if (textRect.Right < textRect.Left) textRect.Right = textRect.Left;
    if (textRect.Bottom < textRect.Top) textRect.Bottom = textRect.Top;
}
