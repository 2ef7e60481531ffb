#include "console/core/ReceiveRouter.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "TableKit.h"

#include "console/core/ZModemProgress.h"

namespace {

TEST(ReceiveRouter, RoadOfABlock) {
    const char* roads[] = {"none", "proxy", "image pack", "zmodem", "announcement", "console"};
    for (const TableRow& row : ReadTable("receive_router.txt")) {
        if (row.at(0) != "road")
            continue;
        ReceiveState s;
        std::istringstream(row.at(1)) >> s.proxyNegotiating >> s.transferRunning >>
            s.imageData >> s.showImagePack;
        std::string block = ParseBytes(row.at(2));
        auto* p = reinterpret_cast<const uint8_t*>(block.data());
        EXPECT_EQ(roads[int(ChooseReceiveRoad(s, p, block.size()))], row.at(3)) << row[2];
    }
}

TEST(ReceiveRouter, ConsoleBlockPlan) {
    for (const TableRow& row : ReadTable("receive_router.txt")) {
        if (row.at(0) != "plan")
            continue;
        bool pending, echoed, autoDetect, announceSeen;
        size_t length;
        std::istringstream(row.at(1)) >> pending >> length >> echoed >> autoDetect >> announceSeen;
        ZModemCancelQuiet quiet;
        if (pending)
            quiet.Begin(0);
        ConsoleBlockPlan p = PlanConsoleBlock(quiet, length, 100, echoed, autoDetect, announceSeen);
        EXPECT_EQ(Format("%d %d %d", p.drop, p.sendAbort, p.rzDetect), row.at(2)) << row[1];
    }
    // Only the host's blocks renew the quiet period.
    ZModemCancelQuiet quiet;
    quiet.Begin(0);
    PlanConsoleBlock(quiet, 5, 3000, true, true, false);
    EXPECT_EQ(quiet.OnTimer(4001, true, false).wake, "\r");
    quiet.Begin(0);
    PlanConsoleBlock(quiet, 5, 3000, false, true, false);
    EXPECT_EQ(quiet.OnTimer(4001, true, false).wake, "");
}

TEST(ReceiveRouter, ImageStepAfterABlock) {
    const char* steps[] = {"none", "ignore", "start", "streaming"};
    for (const TableRow& row : ReadTable("receive_router.txt")) {
        if (row.at(0) != "image")
            continue;
        bool imageData, showImagePack, echoed, streaming;
        std::istringstream(row.at(1)) >> imageData >> showImagePack >> echoed >> streaming;
        EXPECT_EQ(steps[int(ImageStepAfterBlock(imageData, showImagePack, echoed, streaming))], row.at(2))
            << row[1];
    }
}

}  // namespace
