#include "engines/core/ConsolePalette.h"
#include "engines/core/ScreenModel.h"

#include <gtest/gtest.h>

namespace {

TEST(ConsolePalette, ConversionsAndForms)
{
    EXPECT_EQ(ColorIndexToColor(7), 0x808080u);
    EXPECT_EQ(ColorIndexToColor(8), 0xC0C0C0u);
    EXPECT_EQ(ColorIndexToColor(16), 0u);
    EXPECT_EQ(ColorIndexToColor(-1), 0u);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(ColorToColorIndex(ColorIndexToColor(i)), i);
    EXPECT_EQ(ColorToColorIndex(0x123456), 0);
    // The bright, dim and PC-order forms show in the stream tables (data/terminal/sgr.txt).
}

TEST(ScreenModel, RingKeepsOrderThroughDropsMovesAndGrowth)
{
    ScreenModel m;
    for (int i = 0; i < 1000; ++i) {
        m.AppendLine(std::to_string(i), 1, 2);
        if (m.LineCount() > 200)
            m.RemoveFirstLine();
    }
    ASSERT_EQ(m.LineCount(), 200);
    EXPECT_EQ(m.Text(0), "800");
    EXPECT_EQ(m.Text(199), "999");
    for (int i = 0; i < 600; ++i) // grows past the ring's first capacity
        m.AppendEmptyLine();
    EXPECT_EQ(m.Text(0), "800");
    EXPECT_EQ(m.Text(199), "999");
    EXPECT_EQ(m.Text(200), "");
    m.MoveLine(0, 3);
    EXPECT_EQ(m.Text(0), "801");
    EXPECT_EQ(m.Text(3), "800");
    m.MoveLine(3, 0);
    EXPECT_EQ(m.Text(0), "800");
    m.RotateLines(1, 4, 1); // 801 802 803 804 -> 802 803 804 801
    EXPECT_EQ(m.Text(1), "802");
    EXPECT_EQ(m.Text(4), "801");
    m.RotateLines(1, 4, -1);
    EXPECT_EQ(m.Text(1), "801");
    EXPECT_EQ(m.Text(4), "804");
    EXPECT_EQ(m.Foreground(0), "bbb");
    EXPECT_EQ(m.Background(0), "CCC");
    // Uneven strings from a caller are evened out.
    m.AppendLine("abc", "x", "");
    EXPECT_EQ(m.Foreground(m.LineCount() - 1).size(), 3u);
    EXPECT_EQ(m.Background(m.LineCount() - 1).size(), 3u);
    m.Clear();
    EXPECT_EQ(m.LineCount(), 0);
    EXPECT_EQ(m.LongestLine, 0);
}

} // namespace
