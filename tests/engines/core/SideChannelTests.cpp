#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engines/core/ImageCommand.h"
#include "engines/core/MemoTrigger.h"
#include "engines/core/PaintRuns.h"

namespace {

class FakeMemo : public MemoOutlet {
public:
    void ShowOnLineMemo(const std::string& line) override { lines.push_back(line); }
    std::vector<std::string> lines;
};

TEST(MemoTrigger, OnlyABellAtColumnOneOfTheBottomRowsArmsIt) {
    struct Case {
        bool setting;
        int column, row;
        bool armed;
    };
    for (const Case& c : {Case{true, 1, 23, true}, Case{true, 1, 30, true}, Case{true, 0, 23, false},
                          Case{true, 2, 23, false}, Case{true, 1, 22, false}, Case{false, 1, 23, false}}) {
        MemoTrigger t;
        t.SetPending(true);  // every bell decides afresh
        t.Bell(c.setting, c.column, c.row);
        EXPECT_EQ(t.Pending(), c.armed) << c.setting << " " << c.column << " " << c.row;
    }
}

TEST(MemoTrigger, RestoreCursorHandsOverTheLineOnce) {
    FakeMemo memo;
    MemoTrigger t;
    EXPECT_FALSE(t.RestoreCursor("not armed", &memo));
    t.Bell(true, 1, 23);
    EXPECT_TRUE(t.RestoreCursor("[memo] hello", &memo));
    EXPECT_FALSE(t.RestoreCursor("again", &memo));
    t.Bell(true, 1, 23);
    EXPECT_FALSE(t.RestoreCursor("", &memo));  // an empty line disarms without a memo
    EXPECT_FALSE(t.Pending());
    EXPECT_EQ(memo.lines, std::vector<std::string>{"[memo] hello"});
}

struct ImageCase {
    const char* name;
    std::string bytes;  // after SOH
    ImageCommand::Result last;
    int column, row;
};

class ImageCommandBytes : public testing::TestWithParam<ImageCase> {};

TEST_P(ImageCommandBytes, SetTheCell) {
    const ImageCase& c = GetParam();
    ImageCommand cmd;
    cmd.Start();
    ImageCommand::Result r = ImageCommand::Result::More;
    for (size_t i = 0; i < c.bytes.size(); ++i) {
        r = cmd.Byte(static_cast<uint8_t>(c.bytes[i]));
        if (i + 1 < c.bytes.size()) {
            ASSERT_EQ(r, ImageCommand::Result::More) << i;
        }
    }
    EXPECT_EQ(r, c.last);
    if (r == ImageCommand::Result::Position) {
        EXPECT_EQ(cmd.Column(), c.column);
        EXPECT_EQ(cmd.Row(), c.row);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ImageCommandBytes,
    testing::Values(ImageCase{"Plain", "A10 5\r", ImageCommand::Result::Position, 9, 4},
                    ImageCase{"SeparatorAndBlanks", "A#  3   7 \r", ImageCommand::Result::Position, 2, 6},
                    ImageCase{"OtherCommand", "B", ImageCommand::Result::Ignored, 0, 0},
                    ImageCase{"LowerCaseIsOther", "a", ImageCommand::Result::Ignored, 0, 0},
                    ImageCase{"MissingNumbers", "A\r", ImageCommand::Result::Position, 0, 0},
                    ImageCase{"ZeroStaysAtFirstCell", "A0 0\r", ImageCommand::Result::Position, 0, 0},
                    ImageCase{"Saturates", "A99999999999999999999 123456789012\r", ImageCommand::Result::Position,
                              32766, 32766},
                    ImageCase{"SeventeenNumbers", "A1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18\r",
                              ImageCommand::Result::Position, 0, 1},
                    ImageCase{"NoCrYet", "A12 3", ImageCommand::Result::More, 0, 0}),
    [](const testing::TestParamInfo<ImageCase>& info) { return std::string(info.param.name); });

TEST(ImageCommand, ManyNumbersAreCappedAndTheNextCommandStartsClean) {
    ImageCommand cmd;
    cmd.Start();
    cmd.Byte('A');
    for (int i = 0; i < 1000; ++i) {
        cmd.Byte('9');
        cmd.Byte(' ');
    }
    EXPECT_EQ(cmd.Byte('\r'), ImageCommand::Result::Position);
    EXPECT_EQ(cmd.Column(), 8);
    cmd.Start();
    for (char c : std::string("A3 4\r")) cmd.Byte(static_cast<uint8_t>(c));
    EXPECT_EQ(cmd.Column(), 2);
    EXPECT_EQ(cmd.Row(), 3);
}

TEST(PaintRuns, SplitsALineIntoRunsOfEqualColours) {
    const std::vector<ColourRun> runs = SplitColourRuns("ab\xB0\xA1xyz", "hhhhppp", "EEEEEEA");
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0].column, 0);
    EXPECT_EQ(runs[0].length, 4);
    EXPECT_EQ(runs[0].foreground, 7);
    EXPECT_EQ(runs[0].background, 4);
    EXPECT_EQ(runs[1].column, 4);
    EXPECT_EQ(runs[1].length, 2);
    EXPECT_EQ(runs[1].foreground, 15);
    EXPECT_EQ(runs[2].column, 6);
    EXPECT_EQ(runs[2].background, 0);

    // Lists of unequal lengths: only the cells all three hold; bad letters read as 0.
    const std::vector<ColourRun> odd = SplitColourRuns("abcdef", "a?", "AAA");
    ASSERT_EQ(odd.size(), 2u);
    EXPECT_EQ(odd[1].foreground, 0);
    EXPECT_EQ(odd[1].column + odd[1].length, 2);
    EXPECT_TRUE(SplitColourRuns("", "", "").empty());
}

TEST(PaintRuns, DirtyRectangleInPixelsWithViewEdges) {
    PaintGeometry g;
    g.cellWidth = 8;
    g.cellHeight = 16;
    g.horizontalOffset = 4;
    g.firstDisplayedLine = 100;
    g.viewWidth = 644;
    g.viewHeight = 384;
    struct Case {
        CellRect cells;
        int left, top, right, bottom;
    };
    for (const Case& c : {Case{{2, 101, 10, 101}, 20, 16, 84, 32}, Case{{-1, -1, -1, -1}, 0, 0, 644, 384},
                          Case{{0, 100, 80, 123}, 4, 0, 644, 384}, Case{{-1, 110, -1, 111}, 0, 160, 644, 192}}) {
        const PixelRect r = DirtyRectToPixels(c.cells, g);
        EXPECT_EQ(r.left, c.left);
        EXPECT_EQ(r.top, c.top);
        EXPECT_EQ(r.right, c.right);
        EXPECT_EQ(r.bottom, c.bottom);
    }
    EXPECT_EQ(RunX(g, 3), 28);
    EXPECT_EQ(LineY(g, 105), 80);
}

}  // namespace
