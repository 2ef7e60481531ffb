// TZComm under Wine over a socat pair: data both ways, OnDataAvailable on the main thread,
// and a close that stops the thread (a notice still queued is dropped).
#include "comm/ZComm.h"

#include <gtest/gtest.h>

#include <string>

#include "CommTestKit.h"
#include "HarnessCheck.h"
#include "comm/SerialPair.h"

using namespace quiro::comm::test;

namespace {

TEST(ZComm, DataBothWaysOnTheMainThreadAndACloseThatStopsTheThread) {
  QUIRO_NEEDS_HARNESS(InWinePrefix(), "the Wine harness with its serial lines");
  TSerialPair pair(51, 52);
  ASSERT_TRUE(pair.Ready());
  TZComm comm;
  comm.Port = pair.Near();
  comm.BaudRate = 38400;
  std::string got;
  int offMain = 0;
  const DWORD main = GetCurrentThreadId();
  comm.OnDataAvailable = [&](TComponent*) {
    offMain += GetCurrentThreadId() != main;
    got += comm.Text();
  };
  ASSERT_TRUE(comm.OpenConnection());
  EXPECT_TRUE(comm.ThreadRunning());
  TFarEnd peer(pair.Far());
  ASSERT_TRUE(peer.Write("from the far end"));
  EXPECT_TRUE(PumpUntil([&] { return got == "from the far end"; })) << got;
  comm.SetText("from TZComm");
  EXPECT_TRUE(PumpUntil([&] { return peer.Got() == "from TZComm"; })) << peer.Got();

  // Input that arrives while the connection closes is never handed to the handler.
  ASSERT_TRUE(peer.Write("late"));
  comm.CloseConnection();
  EXPECT_FALSE(comm.Connected());
  EXPECT_FALSE(comm.ThreadRunning());
  PumpPending();
  EXPECT_EQ(got, "from the far end");
  EXPECT_EQ(offMain, 0);
  // And it opens again.
  ASSERT_TRUE(comm.OpenConnection());
  EXPECT_TRUE(PumpUntil([&] { return got == "from the far endlate"; })) << got;
}

TEST(ZComm, AMissingPortIsReported) {
  TZComm comm;
  comm.Port = "\\\\.\\COM78";
  std::string reported;
  comm.OnErrorOccurred = [&](TComponent*, int, const std::string& text) { reported = text; };
  EXPECT_FALSE(comm.OpenConnection());
  EXPECT_FALSE(comm.Connected());
  EXPECT_EQ(reported, "Open Error");
  EXPECT_EQ(comm.State(), DWORD(ERROR_FILE_NOT_FOUND));
}

}  // namespace
