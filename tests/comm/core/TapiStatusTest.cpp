#include "comm/core/TapiStatus.h"

#include <gtest/gtest.h>

#include "comm/core/LinkStringsForTests.h"

using namespace quiro::comm::test;

namespace {

TEST(TapiStatus, TextsByTheirArithmetic) {
  ErrorTableScope table;
  struct Row {
    uint32_t message, state, reason;
    int32_t retry;
    const char* text;
  };
  const Row rows[] = {
      {kLineCallState, 0x1, 0, 0, "Line is idle"},
      {kLineCallState, 0x100, 0, 0, "Connected!"},
      {kLineCallState, 0x40, 0, 0, "Called number is busy"},
      {kLineCallState, 0x20 | 0x100, 0, 0, "Ringing at the called number"},  // the lowest bit counts
      {kLineCallState, kCallStateDisconnected, 0x1, 0, "Call disconnected (Normal Hangup by Remote)"},
      {kLineCallState, kCallStateDisconnected, 0, 0, "Call disconnected (Unknown reason)"},
      {kLineLineDevState, 0x2, 0, 0, "Ringing"},
      {kLineLineDevState, 0x40000, 0, 0, "Telephony must be restarted"},
      {kTapiOwnStatus, 8, 0, 5, "Waiting for retry in 5 seconds"},
  };
  for (const Row& r : rows) EXPECT_EQ(TapiStatusMsg(r.message, r.state, r.reason, r.retry), r.text) << r.text;
  EXPECT_EQ(TapiStatusTextId(kLineCallState, 0), 13533);  // no bit: 33
  EXPECT_EQ(TapiStatusTextId(kLineReply, 1), 13565);
  int texts = 0;
  for (int32_t id = 13501; id <= 13670; ++id) texts += !table.Table().GetString(id).empty();
  EXPECT_EQ(texts, 68);
}

TEST(TapiStatus, CallStatesAndErrorCodes) {
  EXPECT_EQ(TapiStateOf(0x1), tsIdle);
  EXPECT_EQ(TapiStateOf(0x100), tsConnected);
  EXPECT_EQ(TapiStateOf(0x4000), tsDisconnected);
  for (uint32_t other : {0u, 0x8000u, 0x101u}) EXPECT_EQ(TapiStateOf(other), tsUnknown) << other;
  EXPECT_EQ(TapiErrorToLinkCode(0), 0);
  EXPECT_EQ(TapiErrorToLinkCode(7), 0);  // the id of a request under way
  EXPECT_EQ(TapiErrorToLinkCode(int32_t(0x80000005)), -13805);
  EXPECT_EQ(TapiErrorToLinkCode(int32_t(0x8000004F)), -13879);
  EXPECT_EQ(TapiErrorToLinkCode(-13931), -13931);  // the binding's own
}

}  // namespace
