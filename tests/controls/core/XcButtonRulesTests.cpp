#include "controls/core/XcButtonRules.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// Every character 6 pixels wide, every line 13 high.
int Width6(std::string_view s) {
    return static_cast<int>(s.size()) * 6;
}
TPointI Extent(const std::string& caption, int) {
    int lines = 1, longest = 0, run = 0;
    for (char c : caption) {
        if (c == '\n') {
            ++lines;
            run = 0;
        } else {
            longest = std::max(longest, ++run);
        }
    }
    return {longest * 6, lines * 13};
}

TEST(ButtonLayout, GlyphAndCaptionPlaces) {
    const struct {
        TButtonLayoutInput in;
        TPointI glyph;
        TRectI text;
        const char* caption;
    } rows[] = {
        // Margin -1: glyph, spacing and text centred together.
        {{{0, 0, 100, 30}, {16, 16}, "OK", blGlyphLeft, -1, 4}, {34, 7}, {54, 9, 66, 22}, "OK"},
        // No caption, default spacing, moved by the client's corner.
        {{{2, 2, 27, 27}, {16, 16}, "", blGlyphTop, -1, 1}, {6, 6}, {14, 23, 14, 23}, ""},
        // Both -1: three equal gaps.
        {{{0, 0, 100, 20}, {10, 10}, "ab", blGlyphRight, -1, -1}, {64, 5}, {26, 4, 38, 17}, "ab"},
        // Spacing -1: what the margin leaves, halved, less half the text.
        {{{0, 0, 40, 60}, {16, 16}, "x", blGlyphBottom, 2, -1}, {12, 42}, {17, 14, 23, 27}, "x"},
        // Too long for the room (the mark takes 9): shortened; the mark widens the text.
        {{{0, 0, 60, 20}, {0, 0}, "Settings", blGlyphLeft, 2, 2, true},
         {2, 10},
         {4, 4, 55, 17},
         "Sett..."},
        // Each line on its own, trailing blanks dropped.
        {{{0, 0, 40, 40}, {0, 0}, "Longer line\nHi  ", blGlyphTop, 0, 0},
         {20, 0},
         {2, 0, 38, 26},
         "Lon...\nHi"},
        // Word wrap: never shortened.
        {{{0, 0, 40, 40}, {0, 0}, "Longer line", blGlyphTop, 0, 0, false, true},
         {20, 0},
         {-13, 0, 53, 13},
         "Longer line"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.in.Caption);
        TButtonLayoutResult out = CalcButtonLayout(r.in, Width6, Extent);
        EXPECT_EQ(out.GlyphPos, r.glyph);
        EXPECT_EQ(out.TextBounds, r.text);
        EXPECT_EQ(out.Caption, r.caption);
    }
}

TEST(ButtonLayout, FrameSteps) {
    using F = TFrameStep;
    const F hiFrame{false, clBtnHighlight, clWindowFrame}, faceShadow{false, clBtnFace, clBtnShadow},
        hiShadow{false, clBtnHighlight, clBtnShadow}, frames{false, clWindowFrame, clWindowFrame},
        frameHi{false, clWindowFrame, clBtnHighlight}, shadowFace{false, clBtnShadow, clBtnFace},
        corner{true, clBtnShadow, clBtnShadow};
    const struct {
        bool down, flat, newStyle;
        std::vector<F> want;
    } rows[] = {
        {false, false, true, {hiFrame, faceShadow}},
        {false, true, true, {hiShadow}},
        {false, false, false, {frames, hiShadow}},
        {false, true, false, {hiFrame}},
        {true, false, true, {frameHi, shadowFace}},
        {true, true, true, {frameHi}},
        {true, false, false, {frames, corner}},
        {true, true, false, {frameHi}},
    };
    for (const auto& r : rows)
        EXPECT_EQ(ButtonFrameSteps(r.down, r.flat, r.newStyle), r.want)
            << r.down << r.flat << r.newStyle;
}

TEST(ButtonGlyphs, StateImagesAndTheGray) {
    const struct {
        TXcButtonState state;
        int glyphs;
        TGlyphSource want;
    } rows[] = {
        {rbsUp, 1, {0, gmCopy}},         {rbsDisabled, 1, {0, gmDisabled}},
        {rbsDown, 1, {0, gmCopy}},       {rbsExclusive, 1, {0, gmCopy}},
        {rbsInactive, 1, {0, gmGray}},   {rbsDisabled, 2, {1, gmCopy}},
        {rbsDown, 2, {0, gmCopy}},       {rbsDown, 3, {2, gmCopy}},
        {rbsExclusive, 3, {2, gmCopy}},  {rbsInactive, 3, {0, gmGray}},
        {rbsExclusive, 4, {3, gmCopy}},  {rbsInactive, 5, {4, gmCopy}},
    };
    for (const auto& r : rows)
        EXPECT_EQ(GlyphSourceFor(r.state, r.glyphs), r.want) << r.state << " of " << r.glyphs;

    const TColor magenta = 0xFF00FF, face = 0xC0C0C0;
    EXPECT_EQ(InactiveGlyphPixel(0x0000FF, magenta, face), 0x4C4C4C);  // red: 255 * 77 >> 8
    EXPECT_EQ(InactiveGlyphPixel(0x00FF00, magenta, face), 0x959595);
    EXPECT_EQ(InactiveGlyphPixel(0xFF0000, magenta, face), 0x1C1C1C);
    EXPECT_EQ(InactiveGlyphPixel(0xFFFFFF, magenta, face), 0xFFFFFF);
    EXPECT_EQ(InactiveGlyphPixel(magenta, magenta, face), magenta);
    EXPECT_EQ(InactiveGlyphPixel(face, magenta, face), face);
}

TEST(ButtonGlyphs, DropDownMark) {
    using R = TMarkRow;
    EXPECT_EQ(DropDownMarkRows({10, 20}),
              (std::vector<R>{{19, 10, 17}, {20, 11, 16}, {21, 12, 15}, {22, 13, 14}}));
    TButtonLayoutResult layout;
    layout.GlyphPos = {4, 4};
    layout.TextBounds = {20, 6, 40, 19};
    const TRectI client{0, 0, 25, 25};
    EXPECT_EQ(DropDownMarkPos(layout, {16, 16}, blGlyphTop, client, false), (TPointI{21, 12}));
    EXPECT_EQ(DropDownMarkPos(layout, {16, 16}, blGlyphLeft, client, false), (TPointI{43, 12}));
    EXPECT_EQ(DropDownMarkPos(layout, {0, 0}, blGlyphTop, client, true), (TPointI{9, 12}));
}

TEST(ButtonGlyphs, SharedListSlots) {
    TGlyphSlots slots;
    bool appended = false;
    EXPECT_EQ(slots.Allocate(appended), 0);
    EXPECT_TRUE(appended);
    EXPECT_EQ(slots.Allocate(appended), 1);
    EXPECT_EQ(slots.Allocate(appended), 2);
    slots.Free(1);
    slots.Free(1);  // twice: once
    EXPECT_EQ(slots.Used(), 2);
    EXPECT_EQ(slots.Allocate(appended), 1);  // the hole first
    EXPECT_FALSE(appended);
    for (int i : {0, 1, 2}) slots.Free(i);
    EXPECT_TRUE(slots.Empty());
}

}  // namespace
