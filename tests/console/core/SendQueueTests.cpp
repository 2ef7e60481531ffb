#include "console/core/SendQueue.h"

#include <gtest/gtest.h>

#include "engines/core/ZModemTestKit.h"

namespace {

std::string Sent(zmtest::FakeLine& line) {
    zmtest::Bytes b = line.Take();
    return std::string(b.begin(), b.end());
}

TEST(SendQueue, SendsWhatFitsAndTheRestAsRoomFrees) {
    zmtest::FakeLine line;
    SendQueue queue;
    line.free = 4;
    EXPECT_TRUE(queue.Send(line, "abcdef"));
    EXPECT_EQ(Sent(line), "abcd");
    line.free = 0;  // the buffer is full
    EXPECT_TRUE(queue.Send(line, "gh"));  // behind what waits, never before it
    EXPECT_EQ(Sent(line), "");
    line.free = 3;
    EXPECT_TRUE(queue.Resume(line));
    EXPECT_EQ(Sent(line), "efg");
    line.refuse = true;  // room said, write refused: nothing is lost
    EXPECT_TRUE(queue.Resume(line));
    line.refuse = false;
    EXPECT_FALSE(queue.Resume(line));
    EXPECT_EQ(Sent(line), "h");
    EXPECT_EQ(queue.Waiting(), 0u);
}

TEST(SendQueue, NothingWaitsForAClosedLineOrAnEndedSession) {
    zmtest::FakeLine line;
    SendQueue queue;
    line.free = 0;
    EXPECT_TRUE(queue.Send(line, "abc"));
    line.open = false;
    EXPECT_FALSE(queue.Resume(line));
    EXPECT_EQ(queue.Waiting(), 0u);
    line.open = true;
    queue.Send(line, "late");
    queue.Clear();
    line.free = 10;
    EXPECT_FALSE(queue.Resume(line));
    EXPECT_EQ(Sent(line), "");
}

TEST(SendQueue, TellsHowMuchOfWhatWasCutShortWentOut) {
    zmtest::FakeLine line;
    SendQueue queue;
    line.free = 4;
    queue.Send(line, "abcdef");
    line.free = 0;  // full
    queue.Send(line, "gh");
    EXPECT_FALSE(queue.TakeDropped());
    line.open = false;
    queue.Resume(line);
    auto dropped = queue.TakeDropped();
    ASSERT_TRUE(dropped);
    EXPECT_EQ(dropped->sent, 4u);
    EXPECT_EQ(dropped->total, 8u);
    EXPECT_FALSE(queue.TakeDropped());  // told once
    // Sends that all went out count no more.
    line.open = true;
    line.free = 100;
    queue.Send(line, "abc");
    queue.Clear();
    EXPECT_FALSE(queue.TakeDropped());
}

}  // namespace
