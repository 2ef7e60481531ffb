#include "controls/core/ComboEditRules.h"

#include <gtest/gtest.h>

namespace {

TEST(ComboEdit, PopupPlacementOnAScreenOf800x600) {
    const struct {
        TRectI edit;
        int w, h;
        TPopupAlign align;
        TPointI want;
    } rows[] = {
        {{100, 100, 221, 121}, 187, 124, epaRight, {34, 121}},   // right edges line up
        {{10, 100, 131, 121}, 187, 124, epaRight, {10, 121}},    // that would go left of 0
        {{100, 500, 221, 521}, 187, 124, epaRight, {34, 376}},   // above: no room below
        {{100, 100, 221, 121}, 187, 124, epaLeft, {100, 121}},   // left edges line up
        {{700, 100, 790, 121}, 187, 124, epaLeft, {603, 121}},   // too wide: moved left
        {{-50, 100, 20, 121}, 187, 124, epaLeft, {0, 121}},      // held inside the screen
        {{750, 100, 810, 121}, 187, 124, epaRight, {613, 121}},
        {{100, 100, 221, 121}, 900, 124, epaLeft, {-100, 121}},  // wider than the screen
    };
    for (const auto& r : rows)
        EXPECT_EQ(PopupPosition(r.edit, r.w, r.h, r.align, 800, 600), r.want) << r.edit.Left;
}

TEST(ComboEdit, ButtonTextRectAndMargins) {
    EXPECT_EQ(ButtonEditTextRect(117, 17, 21), (TRectI{0, 0, 94, 18}));
    EXPECT_EQ(ButtonEditMinHeight(13, 1), 18);

    const TEditFrame sunken{true, true, true}, flat{true, false, true}, bare{true, true, false},
        oldStyle{false, true, true};
    EXPECT_EQ(EditButtonBounds(121, 21, 21, sunken), (TRectI{96, 0, 117, 17}));
    EXPECT_EQ(EditButtonBounds(121, 21, 21, flat), (TRectI{98, 2, 119, 19}));
    EXPECT_EQ(EditButtonBounds(121, 21, 21, bare), (TRectI{100, 0, 121, 21}));
    EXPECT_EQ(EditButtonBounds(121, 21, 21, oldStyle), (TRectI{100, 0, 121, 21}));

    EXPECT_EQ(EditorTextMargins(sunken, 1, 16, 13), (TPointI{2, 1}));
    EXPECT_EQ(EditorTextMargins(flat, 1, 16, 13), (TPointI{3, 2}));
    EXPECT_EQ(EditorTextMargins(bare, 1, 16, 13), (TPointI{1, 0}));
    EXPECT_EQ(EditorTextMargins(oldStyle, 1, 16, 13), (TPointI{3, 3}));

    EXPECT_EQ(ComboEditTextLeft(taLeftJustify, false, 2, 117, 21, 40), 2);
    EXPECT_EQ(ComboEditTextLeft(taRightJustify, false, 2, 117, 21, 40), 51);
    EXPECT_EQ(ComboEditTextLeft(taCenter, false, 2, 117, 21, 40), 27);
    EXPECT_EQ(ComboEditTextLeft(taCenter, true, 2, 117, 21, 40), 2);
    EXPECT_EQ(ComboEditTextLeft(taRightJustify, false, 2, 117, 0, 40), 73);
}

TEST(ComboEdit, EllipsisAndNaturalWidth) {
    const struct {
        int button, width;
        std::vector<int> dots;
    } rows[] = {
        {21, 15, {1, 6, 11}},  // gaps of 3
        {16, 10, {0, 4, 8}},   // gap 2
        {12, 6, {-1, 2, 5}},   // gap at least 1
        {3, 1, {-3, 0, 3}},
    };
    for (const auto& r : rows) {
        TEllipsisGlyph g = EllipsisGlyph(r.button);
        EXPECT_EQ(g.Width, r.width) << r.button;
        ASSERT_EQ(g.Dots.size(), 3u);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(g.Dots[i], (TRectI{r.dots[i], 1, r.dots[i] + 2, 3})) << r.button << " " << i;
    }
    EXPECT_EQ(NaturalButtonWidth(gkDefault, 26, 2, 17), 21);
    EXPECT_EQ(NaturalButtonWidth(gkDefault, 40, 2, 17), 26);
    EXPECT_EQ(NaturalButtonWidth(gkDefault, 0, 1, 17), 21);
    EXPECT_EQ(NaturalButtonWidth(gkDropDown, 0, 1, 17), 17);
    EXPECT_EQ(NaturalButtonWidth(gkEllipsis, 9, 1, 17), 21);
}

}  // namespace
