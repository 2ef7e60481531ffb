#include "engines/core/PrinterController.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engines/core/FakePrinterOutlet.h"

namespace {

// Feeds the blocks in turn and returns the bytes that went back to the screen.
std::string FeedBlocks(PrinterController& pc, const std::vector<std::string>& blocks) {
    std::string screen;
    for (const std::string& block : blocks) {
        const auto* data = reinterpret_cast<const uint8_t*>(block.data());
        size_t at = 0;
        while (at < block.size()) {
            if (!pc.IsOpen()) {
                screen += block[at++];
                continue;
            }
            bool finished = false;
            at += pc.Feed(data + at, block.size() - at, &finished);
        }
    }
    return screen;
}

struct PrintCase {
    const char* name;
    std::vector<std::string> blocks;  // what arrives after CSI 5 i
    std::string file;
    std::string screen;  // what follows the terminator
    size_t writes;       // a block's data in one write but for held bytes of an earlier block
};

class PrintData : public testing::TestWithParam<PrintCase> {};

TEST_P(PrintData, LandsInTheFileByteForByte) {
    const PrintCase& c = GetParam();
    FakePrinterOutlet outlet;
    PrinterController pc(outlet);
    ASSERT_TRUE(pc.Start(PrinterController::kNamedFile, "out.prn"));
    const std::string screen = FeedBlocks(pc, c.blocks);
    EXPECT_EQ(outlet.files["out.prn"], c.file);
    EXPECT_EQ(screen, c.screen);
    EXPECT_EQ(outlet.writes, c.writes);
    EXPECT_EQ(pc.IsOpen(), c.screen.empty() && outlet.log.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PrintData,
    testing::Values(PrintCase{"Plain", {"abc\x1B[4i"}, "abc", "", 1},
                    PrintCase{"ScreenResumesAfter", {"abc\x1B[4iAfter"}, "abc", "After", 1},
                    PrintCase{"OtherFinalWrittenThrough", {"a\x1B[4xb\x1B[4i"}, "a\x1B[4xb", "", 1},
                    PrintCase{"TerminatorSplitAcrossBlocks", {"ab\x1B", "[", "4", "i!"}, "ab", "!", 1},
                    PrintCase{"HeldBytesFlushedAcrossBlocks", {"ab\x1B[", "5q"}, "ab\x1B[5q", "", 3},
                    PrintCase{"EscRestartsTheMatch", {"\x1B\x1B[4iZ"}, "\x1B", "Z", 1},
                    PrintCase{"EscAfterBracket", {"\x1B[\x1B[4i"}, "\x1B[", "", 1},
                    PrintCase{"EscAfterFour", {"\x1B[4\x1B[4i"}, "\x1B[4", "", 1},
                    PrintCase{"EscSplitRestart", {"x\x1B[4", "\x1B", "[4i."}, "x\x1B[4", ".", 2},
                    PrintCase{"StartSequenceIsData", {"\x1B[5i\x1B[4i"}, "\x1B[5i", "", 1},
                    PrintCase{"EscapesInOneWrite", {"\x1B" "E\x1B" "E\x1B[\x1B" "E", "\x1B" "E\x1B[4i"},
                              "\x1B" "E\x1B" "E\x1B[\x1B" "E\x1B" "E", "", 2},
                    PrintCase{"BinaryAndNul",
                              {std::string("\0\xFF\x9B"
                                           "4i",
                                           5),
                               "\x1B[4i"},
                              std::string("\0\xFF\x9B"
                                          "4i",
                                          5),
                              "", 1},
                    PrintCase{"StillOpenWithoutTerminator", {"data\x1B[4"}, "data", "", 1}),
    [](const testing::TestParamInfo<PrintCase>& info) { return std::string(info.param.name); });

TEST(PrinterController, StartNeedsAModeAndAFileWithoutQuotes) {
    FakePrinterOutlet outlet;
    PrinterController pc(outlet);
    EXPECT_FALSE(pc.Start(PrinterController::kOff, "x"));
    EXPECT_FALSE(pc.Start(PrinterController::kNamedFile, "\"\""));
    outlet.failCreate = true;
    EXPECT_FALSE(pc.Start(PrinterController::kTemporaryFile, ""));
    bool finished = true;
    EXPECT_EQ(pc.Feed(reinterpret_cast<const uint8_t*>("a"), 1, &finished), 0u);  // nothing open: nothing taken
    EXPECT_FALSE(finished);

    EXPECT_EQ(PrinterController::NamedFileFor("\"C:\\My Files\\out.prn\""),
              "C:\\My Files\\out.prn");
    EXPECT_EQ(PrinterController::NamedFileFor("\"C:\\out.prn"), "C:\\out.prn");
    EXPECT_EQ(PrinterController::NamedFileFor("C:\\a\"b\""), "C:\\a\"b\"");
}

// A reset in the middle of printing (ResetTerminal at a new connection) must not leave the
// file open: held bytes are kept, a named file is closed, a temporary one printed and
// deleted. A controller that goes away with a job open closes the file and keeps it.
TEST(PrinterController, ResetAndDestructionCloseAnOpenFile) {
    FakePrinterOutlet outlet;
    {
        PrinterController pc(outlet);
        ASSERT_TRUE(pc.Start(PrinterController::kNamedFile, "named.prn"));
        FeedBlocks(pc, {"half\x1B["});
        pc.Reset();
        EXPECT_FALSE(pc.IsOpen());
        EXPECT_EQ(outlet.files["named.prn"], "half\x1B[");
        EXPECT_EQ(outlet.log, std::vector<std::string>{"close named.prn"});
        pc.Reset();  // nothing open: nothing happens
        EXPECT_EQ(outlet.log.size(), 1u);

        ASSERT_TRUE(pc.Start(PrinterController::kTemporaryFile, ""));
        FeedBlocks(pc, {"tmp\x1B"});
    }  // destroyed while printing
    EXPECT_TRUE(outlet.open.empty());
    const std::string name = "C:\\TEMP\\Q2@1.tmp";
    EXPECT_EQ(outlet.log, (std::vector<std::string>{"close named.prn", "close " + name}));
    EXPECT_EQ(outlet.files[name], "tmp\x1B");
}

// A printer that refuses the job: the temporary file keeps the data, and the next job
// gets a file of its own.
TEST(PrinterController, ARefusedJobKeepsItsFile) {
    FakePrinterOutlet outlet;
    outlet.printFails = true;
    PrinterController pc(outlet);
    ASSERT_TRUE(pc.Start(PrinterController::kTemporaryFile, ""));
    FeedBlocks(pc, {"kept\x1B[4i"});
    ASSERT_TRUE(pc.Start(PrinterController::kTemporaryFile, ""));
    outlet.printFails = false;
    FeedBlocks(pc, {"sent\x1B[4i"});
    const std::string first = "C:\\TEMP\\Q2@1.tmp", second = "C:\\TEMP\\Q2@2.tmp";
    EXPECT_EQ(outlet.log, (std::vector<std::string>{"close " + first, "refused " + first + ": kept", "close " + second,
                                                    "print " + second + ": sent", "delete " + second}));
    EXPECT_EQ(outlet.files.at(first), "kept");
}

// A full disk: the file keeps what it took and nothing after the failed write (not even
// once there is room again, which would leave a gap); the job still ends at its terminator,
// and its temporary file is kept, not printed. The next job starts afresh.
TEST(PrinterController, AFailedWriteKeepsWhatWasWritten) {
    FakePrinterOutlet outlet;
    PrinterController pc(outlet);
    ASSERT_TRUE(pc.Start(PrinterController::kTemporaryFile, ""));
    outlet.room = 5;
    FeedBlocks(pc, {"abc", "defgh"});
    outlet.room = SIZE_MAX;
    EXPECT_EQ(FeedBlocks(pc, {"ij\x1B[4", "xk\x1B[4i!"}), "!");
    const std::string first = "C:\\TEMP\\Q2@1.tmp";
    EXPECT_EQ(outlet.files.at(first), "abcde");
    EXPECT_EQ(outlet.log, std::vector<std::string>{"close " + first});

    ASSERT_TRUE(pc.Start(PrinterController::kTemporaryFile, ""));
    FeedBlocks(pc, {"ok\x1B[4i"});
    EXPECT_EQ(outlet.log.back(), "delete C:\\TEMP\\Q2@2.tmp");
}

}  // namespace
