#include "console/core/ZModemProgress.h"

#include <gtest/gtest.h>

#include <sstream>

#include "TableKit.h"

namespace {

TEST(ZModemProgress, PanelTexts) {
    for (const TableRow& row : ReadTable("zmodem_progress.txt")) {
        ZModemSnapshot s{"a"};
        uint32_t now = 0;
        std::istringstream(row.at(0)) >> s.fileSize >> s.position >> s.resumePoint >>
            s.batchDone >> s.batchTotal >> s.totalFiles >> s.filesRemaining >> s.startTick >> now;
        ZModemProgressView v = FormatTransferProgress(s, now);
        const TableRow shown = {row[0], v.fileLabel, v.fileSize, v.received, v.bytesLeft,
                                std::to_string(v.currentGauge), std::to_string(v.totalGauge),
                                v.throughput, v.timeLeft};
        EXPECT_EQ(shown, row);
    }
    ZModemProgressView v = FormatTransferProgress({"a.zip", 10, 4, 0, 0, 0, 3, 2, 1000}, 1000);
    EXPECT_EQ(TransferTitle(v, "BBS: bbs.example"), "40% a.zip [2/3] [ BBS: bbs.example ]");
}

TEST(ZModemProgress, FolderShortenedToTheLabel) {
    auto chars = [](std::string_view s) { return int(s.size()); };
    struct Case {
        const char* path;
        int width;
        const char* shown;
    } cases[] = {
        {"C:\\Quiro\\download", 17, "C:\\Quiro\\download"},
        {"C:\\Program Files\\Quiro\\download", 21, "C:\\...\\Quiro\\download"},
        {"C:\\Program Files\\Quiro\\download", 20, "C:\\...\\download"},
        {"\\\\server\\share\\bbs\\files\\today", 29, "\\\\server\\share\\...\\today"},
        {"Z:\\tmp\\a-rather-long-folder-name", 16, "...\\a-rather-..."},
    };
    for (const Case& c : cases) EXPECT_EQ(ShortenFolderPath(c.path, chars, c.width), c.shown) << c.path;
}

TEST(ZModemProgress, ResultLinesAndFinishBox) {
    const char* icons[] = {"information", "warning", "error"};
    for (const TableRow& row : ReadTable("zmodem_results.txt")) {
        const int status = std::stoi(row.at(0));
        using Lines = std::vector<std::string>;
        const Lines lines = row.at(1).empty() ? Lines{} : Lines{"", row[1], ""};
        EXPECT_EQ(ZModemResultLines(status), lines);
        ZModemFinishBox box = ZModemFinishBoxFor(status, "a.zip", "BBS");
        std::string text = row.at(2);
        for (size_t at; (at = text.find("\\n")) != std::string::npos;)
            text.replace(at, 2, "\n");
        EXPECT_EQ(box.text, text);
        EXPECT_EQ(box.caption, row.at(3) + " a.zip [BBS]");
        EXPECT_EQ(icons[box.icon], row.at(4)) << status;
    }
    EXPECT_EQ(ZModemAbortString(), std::string(10, '\x18') + std::string(10, '\x08'));
}

TEST(ZModemProgress, CancelQuietPeriod) {
    ZModemCancelQuiet q;
    ZModemCancelQuiet::Tick t = q.OnTimer(0, true, false);
    EXPECT_TRUE(t.stopTimer);  // nothing pending
    EXPECT_EQ(t.wake, "");

    q.Begin(0xFFFFF000u);  // the period runs across the clock's wrap
    EXPECT_FALSE(q.OnTimer(0xFFFFF000u + 4000, true, false).stopTimer);
    q.Swallow(10, 0xFFFFF000u + 3500);  // a block renews the period
    EXPECT_FALSE(q.OnTimer(0xFFFFF000u + 7500, true, false).stopTimer);
    t = q.OnTimer(0xFFFFF000u + 7501, true, true);
    EXPECT_TRUE(t.stopTimer);
    EXPECT_EQ(t.wake, "\r\n");
    EXPECT_FALSE(q.Pending());

    q.Begin(0);
    t = q.OnTimer(10, false, false);  // the line went down: no wake-up
    EXPECT_TRUE(t.stopTimer);
    EXPECT_EQ(t.wake, "");
    EXPECT_FALSE(q.Pending());
}

}  // namespace
