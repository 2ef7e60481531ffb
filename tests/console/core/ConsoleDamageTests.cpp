#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "console/core/ConsoleDamage.h"

namespace {

// Rows of a view as what they show: an id per row; a row copied out of a partly shown last
// row shows only a part of its id (negative).
struct View {
    std::vector<int> rows;
    bool lastPartial;
    int next = 1;

    View(int n, bool partial) : rows(size_t(n)), lastPartial(partial) {
        for (int& r : rows) r = next++;
    }
    void Change(int first, int last) {
        for (int r = std::max(first, 0); r <= std::min(last, int(rows.size()) - 1); ++r) rows[size_t(r)] = next++;
    }
    // Moves what rows top..bottom show by dy rows. The text's rows that nothing moved into
    // get new ids; a picture's (a block copy) keep theirs and show only a part of what came
    // from a partly shown row.
    void Move(int top, int bottom, int dy, bool text) {
        const std::vector<int> before = rows;
        for (int r = top; r <= bottom; ++r) {
            const int from = r - dy;
            if (from >= top && from <= bottom) {
                const bool part = !text && lastPartial && from == int(rows.size()) - 1 && r != from;
                rows[size_t(r)] = part ? -std::abs(before[size_t(from)]) : before[size_t(from)];
            } else if (text) {
                rows[size_t(r)] = next++;
            }
        }
    }
};

// The picture brought up to date by a plan: the copy, then the rows painted from the text.
void Apply(View& picture, const View& text, const ConsoleDamage::Plan& plan) {
    if (plan.dy != 0) picture.Move(plan.top, plan.bottom, plan.dy, false);
    for (auto [first, last] : plan.rows)
        for (int r = first; r <= last; ++r) picture.rows[size_t(r)] = text.rows[size_t(r)];
}

int Painted(const ConsoleDamage::Plan& plan) {
    int n = 0;
    for (auto [first, last] : plan.rows) n += last - first + 1;
    return n;
}

// Random changes, region scrolls and view moves between pictures: whether the band is
// copied or not, the picture ends as the text is.
TEST(ConsoleDamage, PicturesFollowTheText) {
    std::mt19937 rng(7);
    for (bool partial : {false, true}) {
        for (int round = 0; round < 400; ++round) {
            const int n = 1 + int(rng() % 30);
            View text(n, partial), picture = text;
            ConsoleDamage damage;
            damage.SetRows(n, partial);
            Apply(picture, text, damage.Take(true));
            for (int step = 0, steps = int(rng() % 8); step < steps; ++step) {
                const int a = int(rng() % n) - 2, b = a + int(rng() % n);
                switch (rng() % 4) {
                    case 0:
                        text.Change(a, b);
                        damage.MarkRows(a, b);
                        break;
                    case 1: {
                        const int top = std::max(a, 0), bottom = std::min(b, n - 1);
                        const int dy = int(rng() % 7) - 3;
                        if (top <= bottom) text.Move(top, bottom, dy, true);
                        damage.MoveBand(a, b, dy);
                        break;
                    }
                    case 2: {
                        const int dy = int(rng() % 5) - 2;
                        text.Move(0, n - 1, dy, true);
                        damage.MoveBand(0, n - 1, dy);
                        break;
                    }
                    default:
                        if (rng() % 4 == 0) {
                            text.Change(0, n - 1);
                            damage.MarkAll();
                        }
                }
            }
            const bool pixelMoves = rng() % 3 != 0;
            Apply(picture, text, damage.Take(pixelMoves));
            ASSERT_EQ(picture.rows, text.rows) << "round " << round;
            EXPECT_FALSE(damage.Pending());
        }
    }
}

// What a plan costs: a line scrolled in paints one row, the partly shown row comes along
// when it moves, a second band is painted, and a covered view paints the band.
TEST(ConsoleDamage, MovesCopyAndPaintOnlyWhatTheyUncover) {
    ConsoleDamage d;
    d.SetRows(24, false);
    d.Take(true);
    d.MoveBand(0, 23, -1);
    ConsoleDamage::Plan p = d.Take(true);
    EXPECT_EQ(p.dy, -1);
    EXPECT_EQ(p.rows, (std::vector<std::pair<int, int>>{{23, 23}}));

    d.SetRows(25, true);
    d.Take(true);
    d.MoveBand(0, 24, -2);
    d.MoveBand(0, 24, -1);
    p = d.Take(true);
    EXPECT_EQ(p.dy, -3);
    EXPECT_EQ(p.rows, (std::vector<std::pair<int, int>>{{21, 24}}));

    d.MoveBand(0, 24, -1);
    d.MoveBand(5, 9, 1);
    EXPECT_EQ(Painted(d.Take(true)), 7);
    d.MoveBand(0, 24, 3);
    EXPECT_TRUE(d.MoveWaits());
    EXPECT_EQ(Painted(d.Take(false)), 25);
}

TEST(ConsoleDamage, FramesFollowTheDisplay) {
    FrameClock clock;
    EXPECT_EQ(clock.Wait(5), 0);  // nothing painted yet
    clock.Painted(1000);
    EXPECT_EQ(clock.Wait(1000), 16666);
    EXPECT_EQ(clock.Wait(11000), 6666);
    EXPECT_EQ(clock.Wait(17666), 0);
    clock.SetRate(144);
    EXPECT_EQ(clock.Wait(1000), 6944);
    for (int unknown : {0, 1, 5000}) {
        clock.SetRate(unknown);
        EXPECT_EQ(clock.PeriodMicros(), 16666) << unknown;
    }
}

}  // namespace
