#include "engines/core/CaptureFormat.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class FakeSink : public CaptureSink {
public:
    void InsertCaptureText(std::string_view text) override { calls.emplace_back(text); }
    std::vector<std::string> calls;
};

const CaptureTime kTime{2026, 3, 7, 9, 5, 1};

std::string Dump(const std::string& block) {
    HexDumpFormatter f;
    f.Begin(kTime, block.size());
    f.Add(reinterpret_cast<const uint8_t*>(block.data()), block.size());
    return f.Finish();
}

struct HexCase {
    const char* name;
    std::string block;
    std::string dump;
};

class HexDump : public testing::TestWithParam<HexCase> {};

TEST_P(HexDump, IsByteExact) {
    EXPECT_EQ(Dump(GetParam().block), GetParam().dump);
}

std::string Sp(size_t n) {
    return std::string(n, ' ');
}

// Rows line up their character column at 53; a last row of exactly 8 bytes gets the
// padding space of a short row on top of the one after its 8th byte, so it sits one
// further right.
INSTANTIATE_TEST_SUITE_P(
    Cases, HexDump,
    testing::Values(HexCase{"TwentyBytes", "ABCDEFGHIJKLMNOPQRST",
                            "<RECV> 2026-03-07 09:05:01 (20 bytes)\r"
                            "41 42 43 44 45 46 47 48  49 4A 4B 4C 4D 4E 4F 50" +
                                Sp(5) +
                                "ABCDEFGHIJKLMNOP\r"
                                "51 52 53 54" +
                                Sp(42) + "QRST\r\r"},
                    HexCase{"NineBytes", "!\x20\x7F\x80\xFFxyz\x1B",
                            "<RECV> 2026-03-07 09:05:01 (9 bytes)\r"
                            "21 20 7F 80 FF 78 79 7A  1B" +
                                Sp(26) + "!....xyz.\r\r"},
                    HexCase{"EightBytes", "12345678",
                            "<RECV> 2026-03-07 09:05:01 (8 bytes)\r"
                            "31 32 33 34 35 36 37 38" +
                                Sp(31) + "12345678\r\r"},
                    HexCase{"OneByte", "\xB0",
                            "<RECV> 2026-03-07 09:05:01 (1 bytes)\r"
                            "B0" +
                                Sp(51) + ".\r\r"},
                    HexCase{"ExactRowEndsWithBlankLine", "0123456789abcdef",
                            "<RECV> 2026-03-07 09:05:01 (16 bytes)\r"
                            "30 31 32 33 34 35 36 37  38 39 61 62 63 64 65 66" +
                                Sp(5) + "0123456789abcdef\r\r"},
                    HexCase{"EmptyBlock", "", "<RECV> 2026-03-07 09:05:01 (0 bytes)\r\r"}),
    [](const testing::TestParamInfo<HexCase>& info) { return std::string(info.param.name); });

// What a block delivers in text and in hex, through the terminal, is in
// TerminalSideChannelsTests; here the formatter's layout and the mode switch.
TEST(Capture, OffDeliversNothingAndTheModeHoldsForTheBlock) {
    FakeSink sink;
    CaptureRecorder rec;
    rec.SetSink(&sink);
    rec.BeginBlock(1, kTime);  // capture off
    rec.PlacedByte('a');
    rec.EndBlock();
    EXPECT_TRUE(sink.calls.empty());

    // Switching to hex in the middle of a block takes effect with the next block.
    rec.SetOn(true);
    rec.BeginBlock(1, kTime);
    rec.SetHex(true);
    rec.ReceivedByte('q');
    rec.PlacedByte('q');
    rec.EndBlock();
    ASSERT_EQ(sink.calls.size(), 1u);
    EXPECT_EQ(sink.calls[0], "q");
}

}  // namespace
