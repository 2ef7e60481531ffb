#include "framework/core/ControlMath.h"

#include <gtest/gtest.h>

namespace {

struct Box {
    int l, t, w, h;
    bool operator==(const Box&) const = default;
};

Box Of(const TAlignItem& i) {
    return {i.Left, i.Top, i.Width, i.Height};
}

TEST(AlignItems, EdgesInOrderThenClientTakesTheRest) {
    // A main-window-like layout: two bars on top, a status bar below, a scroll bar on the
    // right, the console in what is left, and one free control.
    std::vector<TAlignItem> items = {
        {alClient, 0, 0, 10, 10},  // console
        {alTop, 0, 30, 99, 20},    // second bar (lower)
        {alTop, 0, 0, 99, 30},     // first bar
        {alBottom, 0, 0, 99, 16},  // status
        {alRight, 0, 0, 17, 99},   // scroll bar
        {alNone, 5, 6, 7, 8},      // placed by hand
        {alLeft, 50, 0, 10, 99},   // right of the next one
        {alLeft, 0, 0, 12, 99},
    };
    TRectI rest = AlignItems({0, 0, 400, 300}, items);
    EXPECT_EQ(Of(items[2]), (Box{0, 0, 400, 30}));
    EXPECT_EQ(Of(items[1]), (Box{0, 30, 400, 20}));
    EXPECT_EQ(Of(items[3]), (Box{0, 284, 400, 16}));
    EXPECT_EQ(Of(items[7]), (Box{0, 50, 12, 234}));
    EXPECT_EQ(Of(items[6]), (Box{12, 50, 10, 234}));
    EXPECT_EQ(Of(items[4]), (Box{383, 50, 17, 234}));
    EXPECT_EQ(Of(items[0]), (Box{22, 50, 361, 234}));
    EXPECT_EQ(Of(items[5]), (Box{5, 6, 7, 8}));
    EXPECT_EQ(rest, (TRectI{22, 50, 383, 284}));
}

TEST(AlignItems, TooSmallAParentGivesEmptyNotNegativeSizes) {
    std::vector<TAlignItem> items = {
        {alTop, 0, 0, 1, 40}, {alBottom, 0, 0, 1, 40}, {alClient, 0, 0, 1, 1}};
    AlignItems({0, 0, 50, 60}, items);
    EXPECT_EQ(Of(items[1]), (Box{0, 20, 50, 40}));  // overlaps the top one: both keep heights
    EXPECT_EQ(items[2].Height, 0);
    EXPECT_EQ(items[2].Width, 50);
}

TEST(CenterBox, CentredThenKeptInside) {
    int l = 0, t = 0;
    CenterBox({0, 0, 800, 600}, 200, 100, {0, 0, 800, 600}, l, t);
    EXPECT_EQ(l, 300);
    EXPECT_EQ(t, 250);
    // Centred on an owner near the right edge of the work area: moved back in.
    CenterBox({700, 500, 800, 560}, 300, 200, {0, 0, 800, 570}, l, t);
    EXPECT_EQ(l, 500);
    EXPECT_EQ(t, 370);
    // Larger than the work area: its top-left corner stays visible.
    CenterBox({0, 0, 100, 100}, 300, 300, {0, 0, 200, 200}, l, t);
    EXPECT_EQ(l, 0);
    EXPECT_EQ(t, 0);
}

TEST(Gauge, PercentTruncatesAndHoldsToTheRange) {
    EXPECT_EQ(GaugePercent(0, 100, 42), 42);
    EXPECT_EQ(GaugePercent(0, 3, 2), 66);
    EXPECT_EQ(GaugePercent(10, 20, 5), 0);
    EXPECT_EQ(GaugePercent(10, 20, 25), 100);
    EXPECT_EQ(GaugePercent(5, 5, 5), 0);
    EXPECT_EQ(GaugePercent(0, 2000000000, 1999999999), 99);  // no overflow
    EXPECT_EQ(GaugeText(7), "7%");
}

}  // namespace
