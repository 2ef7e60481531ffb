#include "controls/core/XcLabelRules.h"

#include <gtest/gtest.h>

namespace {

TEST(ShadowLabel, ShadowPerDirectionAndTheRectangleBoth) {
    const TRectI text{10, 10, 50, 25};
    const struct {
        TShadowPosition pos;
        int size;
        TPointI offset;
        TRectI both;
    } rows[] = {
        {spLeftTop, 1, {-1, -1}, {9, 9, 50, 25}},
        {spLeftBottom, 2, {-2, 2}, {8, 10, 50, 27}},
        {spRightBottom, 1, {1, 1}, {10, 10, 51, 26}},
        {spRightTop, 3, {3, -3}, {10, 7, 53, 25}},
        {spRightTop, 0, {0, 0}, {10, 10, 50, 25}},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(ShadowOffset(r.pos, r.size), r.offset) << r.pos;
        EXPECT_EQ(ShadowUnion(text, r.pos, r.size), r.both) << r.pos;
    }
}

TEST(ShadowLabel, LayoutAndAutoSize) {
    EXPECT_EQ(LayoutShift(tlTop, 40, 15), 0);
    EXPECT_EQ(LayoutShift(tlCenter, 40, 15), 12);
    EXPECT_EQ(LayoutShift(tlCenter, 10, 15), -2);  // toward zero
    EXPECT_EQ(LayoutShift(tlBottom, 40, 15), 25);

    const TRectI bounds{100, 20, 165, 37};
    EXPECT_EQ(AutoSizeBounds(bounds, 80, 16, taLeftJustify), (TRectI{100, 20, 180, 36}));
    EXPECT_EQ(AutoSizeBounds(bounds, 80, 16, taCenter), (TRectI{100, 20, 180, 36}));
    EXPECT_EQ(AutoSizeBounds(bounds, 80, 16, taRightJustify), (TRectI{85, 20, 165, 36}));
}

}  // namespace
