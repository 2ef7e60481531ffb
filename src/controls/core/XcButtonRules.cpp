#include "controls/core/XcButtonRules.h"

#include <algorithm>

namespace {

// Each line shortened to `width`, trailing blanks dropped.
std::string MinimizeCaption(const std::string& caption, const TTextMeasure& lineWidth,
                            int width) {
    std::string out;
    size_t start = 0;
    for (;;) {
        size_t end = caption.find_first_of("\r\n", start);
        std::string line = caption.substr(start, end == std::string::npos ? end : end - start);
        out += MinimizeText(line, lineWidth, width);
        if (end == std::string::npos) break;
        size_t next = end + 1;
        if (caption[end] == '\r' && next < caption.size() && caption[next] == '\n') ++next;
        out += caption.substr(end, next - end);
        start = next;
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

}  // namespace

TButtonLayoutResult CalcButtonLayout(const TButtonLayoutInput& in, const TTextMeasure& lineWidth,
                                     const TCaptionExtent& extent) {
    TPointI c{in.Client.Width(), in.Client.Height()};
    TPointI g = in.Glyph;
    bool horizontal = in.Layout == blGlyphLeft || in.Layout == blGlyphRight;
    TPointI room = c;
    if (horizontal) {
        room.X = c.X - g.X;
        if (in.Margin != -1) room.X -= in.Margin;
        if (in.Spacing != -1) room.X -= in.Spacing;
        if (in.Mark) room.X -= kDropDownMarkWidth;
    } else {
        room.Y = c.Y - g.Y;
        if (in.Margin != -1) room.Y -= in.Margin;
        if (in.Spacing != -1) room.Y -= in.Spacing;
    }
    room.X = std::max(room.X, 0);
    room.Y = std::max(room.Y, 0);

    TButtonLayoutResult out;
    out.Caption = in.Caption.substr(0, 255);
    if (!in.WordWrap) out.Caption = MinimizeCaption(out.Caption, lineWidth, room.X);
    TPointI t = out.Caption.empty() ? TPointI{} : extent(out.Caption, room.X);

    if (in.Mark) {
        if ((g.X == 0 && g.Y == 0) || in.Layout == blGlyphLeft)
            t.X += kDropDownMarkWidth;
        else
            g.X += 6;
    }

    // Across the main axis both are centred.
    if (horizontal) {
        out.GlyphPos.Y = c.Y / 2 - g.Y / 2;
        out.TextBounds.Top = c.Y / 2 - t.Y / 2;
    } else {
        out.GlyphPos.X = c.X / 2 - g.X / 2;
        out.TextBounds.Left = c.X / 2 - t.X / 2;
    }

    // Along it: margin and spacing.
    int cm = horizontal ? c.X : c.Y, gm = horizontal ? g.X : g.Y, tm = horizontal ? t.X : t.Y;
    int margin = in.Margin, spacing = in.Spacing;
    if (margin == -1 && spacing != -1)
        margin = cm / 2 - (gm + spacing + tm) / 2;
    else if (margin == -1 && spacing == -1)
        margin = spacing = (cm - (gm + tm)) / 3;
    else if (spacing == -1)
        spacing = (cm - (margin + gm)) / 2 - tm / 2;

    switch (in.Layout) {
        case blGlyphLeft:
            out.GlyphPos.X = margin;
            out.TextBounds.Left = out.GlyphPos.X + g.X + spacing;
            break;
        case blGlyphRight:
            out.GlyphPos.X = c.X - margin - g.X;
            out.TextBounds.Left = out.GlyphPos.X - spacing - t.X;
            break;
        case blGlyphTop:
            out.GlyphPos.Y = margin;
            out.TextBounds.Top = out.GlyphPos.Y + g.Y + spacing;
            break;
        case blGlyphBottom:
            out.GlyphPos.Y = c.Y - margin - g.Y;
            out.TextBounds.Top = out.GlyphPos.Y - spacing - t.Y;
            break;
    }
    out.GlyphPos.X += in.Client.Left;
    out.GlyphPos.Y += in.Client.Top;
    out.TextBounds.Left += in.Client.Left;
    out.TextBounds.Top += in.Client.Top;
    out.TextBounds.Right = out.TextBounds.Left + t.X;
    out.TextBounds.Bottom = out.TextBounds.Top + t.Y;
    return out;
}

std::vector<TFrameStep> ButtonFrameSteps(bool down, bool flat, bool newStyle) {
    std::vector<TFrameStep> steps;
    auto frame = [&](TColor tl, TColor br) { steps.push_back({false, tl, br}); };
    if (!down && newStyle) {
        if (!flat) frame(clBtnHighlight, clWindowFrame);
        frame(flat ? clBtnHighlight : clBtnFace, clBtnShadow);
    } else if (!down) {
        if (flat) {
            frame(clBtnHighlight, clWindowFrame);
        } else {
            frame(clWindowFrame, clWindowFrame);
            frame(clBtnHighlight, clBtnShadow);
        }
    } else if (newStyle) {
        frame(clWindowFrame, clBtnHighlight);
        if (!flat) frame(clBtnShadow, clBtnFace);
    } else if (flat) {
        frame(clWindowFrame, clBtnHighlight);
    } else {
        frame(clWindowFrame, clWindowFrame);
        steps.push_back({true, clBtnShadow, clBtnShadow});
    }
    return steps;
}

TGlyphSource GlyphSourceFor(TXcButtonState state, int numGlyphs) {
    if ((state == rbsDown || state == rbsExclusive) && numGlyphs < 3) state = rbsUp;
    if (state == rbsExclusive && numGlyphs < 4) state = rbsDown;
    if (state < numGlyphs) return {state, gmCopy};
    if (state == rbsDisabled) return {rbsUp, gmDisabled};
    return {rbsUp, gmGray};
}

TColor InactiveGlyphPixel(TColor rgb, TColor transparent, TColor face) {
    if (rgb == transparent || rgb == face) return rgb;
    int r = rgb & 0xFF, g = (rgb >> 8) & 0xFF, b = (rgb >> 16) & 0xFF;
    int gray = (r * 77 + g * 150 + b * 29) >> 8;
    return gray | (gray << 8) | (gray << 16);
}

TPointI DropDownMarkPos(const TButtonLayoutResult& layout, TPointI glyphSize, TButtonLayout kind,
                        const TRectI& client, bool emptyCaption) {
    if (kind != blGlyphLeft && (glyphSize.X > 0 && glyphSize.Y > 0))
        return {layout.GlyphPos.X + glyphSize.X + 1, layout.GlyphPos.Y + glyphSize.Y / 2};
    int y = client.Top + client.Height() / 2;
    if (emptyCaption) return {(client.Left + client.Right - 7) / 2, y};
    return {layout.TextBounds.Right + 3, y};
}

std::vector<TMarkRow> DropDownMarkRows(TPointI anchor) {
    std::vector<TMarkRow> rows;
    for (int i = 0; i < 4; ++i)
        rows.push_back({anchor.Y - 1 + i, anchor.X + i, anchor.X + 7 - i});
    return rows;
}

int TGlyphSlots::Allocate(bool& appended) {
    auto free = std::find(FSlots.begin(), FSlots.end(), false);
    appended = free == FSlots.end();
    int slot = static_cast<int>(free - FSlots.begin());
    if (appended)
        FSlots.push_back(true);
    else
        *free = true;
    ++FUsed;
    return slot;
}

void TGlyphSlots::Free(int slot) {
    if (slot < 0 || slot >= static_cast<int>(FSlots.size()) || !FSlots[slot]) return;
    FSlots[slot] = false;
    --FUsed;
}
