// The telephony wrappers against the test double of the telephony library (run with
// QUIRO_WINE_DLLOVERRIDES=tapi32=n,b; they skip under Wine's own library): typed calls,
// records that grow to what is needed, notifications during message processing. The data
// of a connected call is shown end to end by the telephony device's tests.
#include "comm/TapiUtil.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CommTestKit.h"
#include "HarnessCheck.h"
#include "comm/CommExcept.h"

using namespace quiro::comm::test;

namespace {

struct Notice {
  DWORD message, p1, p2;
  bool operator==(const Notice&) const = default;
};
std::vector<Notice> gNotices;

void CALLBACK Callback(DWORD, DWORD message, DWORD_PTR, DWORD_PTR p1, DWORD_PTR p2, DWORD_PTR) {
  gNotices.push_back({message, DWORD(p1), DWORD(p2)});
}

class Tapi : public ::testing::Test {
 protected:
  void SetUp() override {
    InitLinkLibrary();
    HMODULE tapi = LoadLibraryA("TAPI32");
    QUIRO_NEEDS_HARNESS(tapi && GetProcAddress(tapi, "QuiroTapiLog"), "the telephony test double");
    gNotices.clear();
    ASSERT_EQ(tuLineInitialize(&app, GetModuleHandleA(nullptr), Callback, "Quiro tests", &lines), 0);
    ASSERT_EQ(tuLineNegotiateApiVersion(app, 0, 0x10004, 0x10004, &version, &extension), 0);
  }
  void TearDown() override {
    if (app) tuLineShutdown(app);
  }
  HLINEAPP app = 0;
  DWORD lines = 0, version = 0;
  LINEEXTENSIONID extension{};
};

TEST_F(Tapi, CapabilitiesGrowToWhatTheLineNeeds) {
  EXPECT_EQ(lines, 2u);
  TTapiRecord caps;
  ASSERT_EQ(tuLineGetDevCapsDyn(app, 0, version, 0, caps), 0);
  const LINEDEVCAPS* c = As<LINEDEVCAPS>(caps);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(caps.size(), c->dwNeededSize);  // more than the first guess of 240 bytes
  EXPECT_GT(c->dwNeededSize, 240u);
  EXPECT_STREQ(reinterpret_cast<const char*>(caps.data()) + c->dwLineNameOffset, "Quiro Test Modem");
  ASSERT_EQ(tuLineGetDevCapsDyn(app, 1, version, 0, caps), 0);
  EXPECT_EQ(As<LINEDEVCAPS>(caps)->dwLineNameSize, 0u);  // the line without a name
  EXPECT_EQ(tuLineGetDevCapsDyn(app, 9, version, 0, caps), LONG(LINEERR_BADDEVICEID));
  EXPECT_TRUE(caps.empty());
}

TEST_F(Tapi, ADialledCallIsToldStepByStep) {
  HLINE line = 0;
  HCALL call = 0;
  ASSERT_EQ(tuLineOpen(app, 0, &line, version, 0, 0, LINECALLPRIVILEGE_NONE, LINEMEDIAMODE_DATAMODEM, nullptr), 0);
  LINECALLPARAMS params{};
  params.dwTotalSize = sizeof params;
  params.dwBearerMode = LINEBEARERMODE_VOICE;
  params.dwMediaMode = LINEMEDIAMODE_DATAMODEM;
  LONG request = tuLineMakeCall(line, &call, "1234", 0, &params);
  ASSERT_GT(request, 0);
  EXPECT_TRUE(gNotices.empty());  // nothing arrives outside message processing
  ASSERT_TRUE(PumpUntil([] { return gNotices.size() >= 5; }));
  std::vector<Notice> want = {{LINE_REPLY, DWORD(request), 0},
                              {LINE_CALLSTATE, LINECALLSTATE_DIALTONE, 0},
                              {LINE_CALLSTATE, LINECALLSTATE_DIALING, 0},
                              {LINE_CALLSTATE, LINECALLSTATE_RINGBACK, 0},
                              {LINE_CALLSTATE, LINECALLSTATE_CONNECTED, 0}};
  EXPECT_EQ(gNotices, want);
  TTapiRecord info;
  ASSERT_EQ(tuLineGetCallInfoDyn(call, info), 0);
  EXPECT_EQ(As<LINECALLINFO>(info)->dwRate, 28800u);
  TTapiRecord status;
  ASSERT_EQ(tuLineGetCallStatusDyn(call, status), 0);
  EXPECT_EQ(As<LINECALLSTATUS>(status)->dwCallState, DWORD(LINECALLSTATE_CONNECTED));

  gNotices.clear();
  LONG drop = tuLineDrop(call, nullptr, 0);
  ASSERT_GT(drop, 0);
  EXPECT_TRUE(PumpUntil([] { return !gNotices.empty() && gNotices.back().p1 == DWORD(LINECALLSTATE_IDLE); }));
  EXPECT_EQ(tuLineDeallocateCall(call), 0);
  EXPECT_EQ(tuLineClose(line), 0);
}

}  // namespace
