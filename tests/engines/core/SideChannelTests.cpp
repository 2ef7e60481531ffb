#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engines/core/ImageCommand.h"
#include "engines/core/PaintRuns.h"

namespace {

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
    testing::Values(
        ImageCase{"Plain", "A10 5\r", ImageCommand::Result::Position, 9, 4},
        ImageCase{"SeparatorAndBlanks", "A#  3   7 \r", ImageCommand::Result::Position, 2, 6},
        ImageCase{"OtherCommand", "B", ImageCommand::Result::Ignored, 0, 0},
        ImageCase{"LowerCaseIsOther", "a", ImageCommand::Result::Ignored, 0, 0},
        ImageCase{"MissingNumbers", "A\r", ImageCommand::Result::Position, 0, 0},
        ImageCase{"ZeroStaysAtFirstCell", "A0 0\r", ImageCommand::Result::Position, 0, 0},
        ImageCase{"Saturates", "A99999999999999999999 123456789012\r",
                  ImageCommand::Result::Position, 32766, 32766},
        ImageCase{"SeventeenNumbers", "A1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18\r",
                  ImageCommand::Result::Position, 0, 1},
        ImageCase{"NoCrYet", "A12 3", ImageCommand::Result::More, 0, 0}),
    [](const testing::TestParamInfo<ImageCase>& info) { return std::string(info.param.name); });

TEST(PaintRuns, SplitsALineIntoRunsOfEqualColours) {
    const std::vector<ColourRun> runs = SplitColourRuns("ab\xB0\xA1xyz", "hhhhppp", "EEEEEEA");
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0].length, 4);
    EXPECT_EQ(runs[0].foreground * 16 + runs[0].background, 7 * 16 + 4);
    EXPECT_EQ(runs[1].column, 4);
    EXPECT_EQ(runs[1].foreground, 15);
    EXPECT_EQ(runs[2].column * 16 + runs[2].background, 6 * 16 + 0);

    // Lists of unequal lengths: only the cells all three hold; bad letters read as 0.
    const std::vector<ColourRun> odd = SplitColourRuns("abcdef", "a?", "AAA");
    ASSERT_EQ(odd.size(), 2u);
    EXPECT_EQ(odd[1].foreground, 0);
    EXPECT_EQ(odd[1].column + odd[1].length, 2);
    EXPECT_TRUE(SplitColourRuns("", "", "").empty());
}

// A line of pairs whose colours change inside every pair (the second byte of pair k has
// colour k + 1) and a lead at the very end: at every start and end column, runs begin on
// a character's first cell and never leave half a pair behind.
TEST(PaintRuns, RunsNeverCutADoubleBytePair) {
    std::string text, fg, bg;
    for (int k = 0; k < 6; ++k) {
        text += "\xB0\xA1";
        fg += {static_cast<char>('a' + k), static_cast<char>('a' + k + 1)};
        bg += "AA";
    }
    text += "x\xB0";  // a lone lead at the end is one cell
    fg += "ab";
    bg += "AA";
    const int n = static_cast<int>(text.size());
    for (int from = 0; from <= n; ++from) {
        for (int to = from; to <= n; ++to) {
            std::vector<ColourRun> runs;
            AppendColourRuns(text, fg, bg, from, to, runs);
            const int start = from < 12 ? from & ~1 : from;
            const int end = to < 12 ? (to + 1) & ~1 : to;
            int at = start;
            for (const ColourRun& r : runs) {
                EXPECT_EQ(r.column, at) << from << ".." << to;
                EXPECT_EQ(r.foreground, r.column < 12 ? r.column / 2 : r.column == 12 ? 0 : 1);
                at += r.length;
            }
            EXPECT_EQ(at, from < to ? end : start) << from << ".." << to;
        }
    }
    EXPECT_EQ(CharacterStart(text, 5), 4);
    EXPECT_EQ(CharacterStart(text, 13), 13);
    EXPECT_EQ(CharacterStart("\xB0" "A\xB0", 1), 0);  // a lead takes any byte after it
}

}  // namespace
