#include "console/core/ImagePack.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "TableKit.h"

#include "engines/core/Telnet.h"
#include "engines/core/ZModemTestKit.h"

namespace {

std::vector<std::string> Blocks(const std::string& cell) {
    std::vector<std::string> blocks;
    for (size_t from = 0;;) {
        size_t bar = cell.find(" / ", from);
        std::string block = cell.substr(from, bar == std::string::npos ? std::string::npos : bar - from);
        blocks.push_back(block == "(empty)" ? "" : ParseBytes(block));
        if (bar == std::string::npos) return blocks;
        from = bar + 3;
    }
}

int Feed(ImagePackParser& p, const std::string& block) {
    return p.Parse(reinterpret_cast<const uint8_t*>(block.data()), block.size());
}

TEST(ImagePackParser, EveryStateAndByteClass) {
    for (const TableRow& row : ReadTable("image_pack_parser.txt")) {
        ImagePackParser p;
        std::string states;
        for (const std::string& block : Blocks(row.at(0))) states += (states.empty() ? "" : " ") + std::to_string(Feed(p, block));
        EXPECT_EQ(states, row.at(1)) << row[0];
        EXPECT_EQ(ShowBytes(std::string(p.Picture().begin(), p.Picture().end())), ShowBytes(ParseBytes(row.at(2))))
            << row[0];
        int r = 0, c = 0;
        std::string position = p.TakePosition(r, c) ? Format("%d %d", r, c) : "-";
        EXPECT_EQ(position, row.at(3)) << row[0];
        EXPECT_FALSE(p.TakePosition(r, c)) << "a position is taken once";
    }
}

TEST(ImagePackParser, ResetAndTheStreamCap) {
    ImagePackParser p;
    Feed(p, "\x01" "Dxab");
    p.Reset();
    EXPECT_EQ(Feed(p, "cd\r"), ImagePackParser::Idle) << "a reset parser waits for a command";
    EXPECT_TRUE(p.Picture().empty());

    // A stream that would pass the cap ends there, with what fitted.
    std::string line = "\x01" "Dx" + std::string(ImagePackParser::kMaxPictureBytes - 1, 'a');
    EXPECT_EQ(Feed(p, line), ImagePackParser::DataLine);
    EXPECT_FALSE(p.Overflowed());
    EXPECT_EQ(Feed(p, "bc\r"), ImagePackParser::PictureEnded);
    EXPECT_TRUE(p.Overflowed());
    EXPECT_EQ(p.Picture().size(), ImagePackParser::kMaxPictureBytes);
    EXPECT_EQ(p.Picture().back(), 'b');
    p.Reset();
    EXPECT_FALSE(p.Overflowed());
}

TEST(ImageDecodeSchedule, SizeStepsTimeShareAndTheFinalDecode) {
    ImageDecodeSchedule s;
    EXPECT_FALSE(s.Due(3071, 0));
    EXPECT_TRUE(s.Due(3072, 0));
    s.Decoded(3072, 1000, 1010);  // 10 ms: the next one waits the minimum
    EXPECT_FALSE(s.Grown(6143));
    EXPECT_TRUE(s.Grown(6144));
    EXPECT_EQ(s.WaitMs(1010 + ImageDecodeSchedule::kMinIntervalMs - 1), 1u);
    EXPECT_TRUE(s.Due(6144, 1010 + ImageDecodeSchedule::kMinIntervalMs));
    s.Decoded(50000, 0xFFFFFF00u, 0xFFFFFF00u + 100);  // 100 ms, across the clock's wrap
    EXPECT_EQ(s.WaitMs(0xFFFFFF64u + 299), 1u);
    EXPECT_EQ(s.WaitMs(0xFFFFFF64u + 300), 0u);
    s.Reset();
    EXPECT_EQ(s.DecodedSize(), 0u);
    EXPECT_TRUE(s.Due(3072, 5));
    EXPECT_FALSE(ImageDecodeSchedule::FinalDue(1024));
    EXPECT_TRUE(ImageDecodeSchedule::FinalDue(1025));
}

struct Line : quiro::engines::ByteChannel {
    std::string sent;
    bool IsOpen() const override { return true; }
    bool IsWinsock() const override { return true; }
    uint32_t OutputFree() const override { return 4096; }
    bool PutBlock(const uint8_t* d, uint32_t n) override {
        sent.append(reinterpret_cast<const char*>(d), n);
        return true;
    }
};

TEST(TelnetDataStrip, DoubledFFIsDataCommandsAreAnsweredAcrossBlocks) {
    Line line;
    IDravelTelnet telnet;
    telnet.SetPort(&line);
    TelnetDataStrip strip;
    std::string a = "a\xFF\xFF" "b\xFF\xFD", b = "\x18" "c\xFF", c = "\xF1" "d\xFF";
    std::string got;
    for (std::string* block : {&a, &b, &c}) {
        size_t n = strip.Strip(telnet, reinterpret_cast<uint8_t*>(block->data()), block->size());
        got += block->substr(0, n);
    }
    EXPECT_EQ(ShowBytes(got), ShowBytes("a\xFF" "bcd"));
    EXPECT_EQ(ShowBytes(line.sent), ShowBytes("\xFF\xFB\x18")) << "DO TERMINAL-TYPE is answered";
    std::string d = "\xFF" "e";
    ASSERT_EQ(strip.Strip(telnet, reinterpret_cast<uint8_t*>(d.data()), d.size()), 2u) << "IAC IAC across blocks";
    EXPECT_EQ(ShowBytes(d), ShowBytes("\xFF" "e"));
}

TEST(ViewerSize, PictureAboveTheButtonsScaledDownToTheScreen) {
    // picture w h, bar, Close width, room w h | client w h, shown w h
    const int rows[][10] = {
        {100, 80, 30, 75, 1000, 730, 375, 110, 100, 80},
        {640, 480, 30, 75, 1000, 730, 640, 510, 640, 480},
        {0, 0, 30, 75, 1000, 730, 375, 30, 0, 0},
        {4000, 3000, 30, 75, 1000, 730, 933, 730, 933, 700},
        {8000, 100, 30, 75, 1000, 730, 1000, 42, 1000, 12},
        {60000, 60000, 30, 75, 1000, 730, 700, 730, 700, 700},
    };
    for (const auto& r : rows) {
        ViewerSize v = FitViewerSize(r[0], r[1], r[2], r[3], r[4], r[5]);
        EXPECT_EQ(Format("%d %d %d %d", v.clientWidth, v.clientHeight, v.pictureWidth, v.pictureHeight),
                  Format("%d %d %d %d", r[6], r[7], r[8], r[9]))
            << r[0] << "x" << r[1];
    }
}

// The host names the picture's file: a file of that name stays as it was, the picture
// takes another name with the same extension; no file grows past the cap; all go after.
TEST(PictureDownloadFiles, NeverReplacesAFileCapsTheSizeAndRemovesAll) {
    zmtest::MemFiles mem;
    mem.files["T\\pic.jpg"] = {1, 2, 3};
    PictureDownloadFiles pictures(mem);
    const int first = pictures.Create("T\\pic.jpg");
    const int second = pictures.Create("T\\other.gif");
    ASSERT_GE(first, 0);
    ASSERT_GE(second, 0);
    EXPECT_EQ(pictures.Created(), (std::vector<std::string>{"T\\pic_1.jpg", "T\\other.gif"}));
    EXPECT_EQ(mem.files["T\\pic.jpg"], (zmtest::Bytes{1, 2, 3}));
    EXPECT_EQ(pictures.OpenExisting("T\\pic.jpg", true), -1) << "only the picture's own files are written";
    const std::vector<uint8_t> mib(1 << 20, 7);
    for (int64_t done = 0; done < PictureDownloadFiles::kMaxBytes; done += int64_t(mib.size()))
        ASSERT_TRUE(pictures.Write(second, mib.data(), uint32_t(mib.size())));
    EXPECT_FALSE(pictures.Write(second, mib.data(), 1)) << "past the cap";
    EXPECT_TRUE(pictures.Write(first, mib.data(), 1));
    pictures.RemoveAll();
    EXPECT_TRUE(pictures.Created().empty());
    ASSERT_EQ(mem.files.size(), 1u);
    EXPECT_EQ(mem.files.begin()->first, "T\\pic.jpg");
    EXPECT_TRUE(mem.open.empty()) << "open files are closed first";
}

}  // namespace
