#include "controls/core/SecretPanelRules.h"

#include <gtest/gtest.h>

namespace {

TEST(SecretPanel, ScrollRangeAndTicks) {
    EXPECT_EQ(FirstTextLine({"", "  \t", "Credits", ""}), 2);
    EXPECT_EQ(FirstTextLine({" "}), 1);
    EXPECT_EQ(SecretLineHeight(13, 2, false), 15);
    EXPECT_EQ(SecretLineHeight(13, 2, true), 16);

    const TRectI text{4, 4, 104, 54};  // 100 x 50
    EXPECT_EQ(SecretScrollMax(sdVertical, text, 5, 2, 15, 300), 50 + 3 * 15);
    EXPECT_EQ(SecretScrollMax(sdHorizontal, text, 5, 2, 15, 300), 400);

    // Line 0 enters at the bottom (right) and has left the area at the maximum.
    EXPECT_EQ(SecretLineOrigin(sdVertical, text, 0, 15, 0), (TPointI{0, 50}));
    EXPECT_EQ(SecretLineOrigin(sdVertical, text, 2, 15, 95), (TPointI{0, -15}));
    EXPECT_EQ(SecretLineOrigin(sdHorizontal, text, 1, 15, 400), (TPointI{-300, 15}));

    bool stop = true;
    EXPECT_EQ(SecretNextPosition(0, 3, false, stop), 1);
    EXPECT_FALSE(stop);
    EXPECT_EQ(SecretNextPosition(3, 3, true, stop), 0);
    EXPECT_FALSE(stop);
    EXPECT_EQ(SecretNextPosition(3, 3, false, stop), 3);
    EXPECT_TRUE(stop);
}

TEST(SecretPanel, GlyphAndTextPlaces) {
    const TRectI area{2, 2, 102, 62};  // 100 x 60
    const struct {
        TGlyphLayout layout;
        TRectI glyph, text;
    } rows[] = {
        {glGlyphLeft, {2, 22, 22, 42}, {22, 2, 102, 62}},
        {glGlyphRight, {82, 22, 102, 42}, {2, 2, 82, 62}},
        {glGlyphTop, {42, 2, 62, 22}, {2, 22, 102, 62}},
        {glGlyphBottom, {42, 42, 62, 62}, {2, 2, 102, 42}},
    };
    for (const auto& r : rows) {
        TRectI glyph, text;
        SecretDrawRects(area, 20, 20, r.layout, glyph, text);
        EXPECT_EQ(glyph, r.glyph) << r.layout;
        EXPECT_EQ(text, r.text) << r.layout;
    }
    TRectI glyph{1, 1, 1, 1}, text;
    SecretDrawRects(area, 0, 0, glGlyphLeft, glyph, text);
    EXPECT_EQ(glyph, TRectI{});
    EXPECT_EQ(text, area);
    SecretDrawRects(area, 150, 20, glGlyphLeft, glyph, text);  // wider than the area
    EXPECT_EQ(text.Width(), 0);
    EXPECT_EQ(SecretInflateWidth(0, 1, true, false), 1);
    EXPECT_EQ(SecretInflateWidth(2, 3, true, true), 8);
}

}  // namespace
