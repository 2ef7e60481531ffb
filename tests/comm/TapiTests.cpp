// The telephony wrappers against the test double of the telephony library (run with
// QUIRO_WINE_DLLOVERRIDES=tapi32=n,b; they skip under Wine's own library): typed calls,
// records that grow to what is needed, notifications during message processing, and the
// data path of a connected call through the telephony dispatcher on a socat line.
#include "comm/TapiUtil.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "CommTestKit.h"
#include "comm/SerialPair.h"
#include "comm/Win32Device.h"

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
    if (!tapi || !GetProcAddress(tapi, "QuiroTapiLog")) GTEST_SKIP() << "the telephony test double is not in place";
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

TEST_F(Tapi, ADialledCallCarriesDataOnTheSerialLayer) {
  TSerialPair pair(41, 42);
  ASSERT_TRUE(pair.Ready());
  SetEnvironmentVariableA("QUIRO_TAPI_COMM", pair.Near().c_str());
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

  std::vector<uint8_t> buffer(1028);
  auto* id = reinterpret_cast<LPVARSTRING>(buffer.data());
  id->dwTotalSize = 1028;
  ASSERT_EQ(tuLineGetID(line, 0, call, LINECALLSELECT_CALL, id, "comm/datamodem"), 0);
  HANDLE handle;
  std::memcpy(&handle, buffer.data() + id->dwStringOffset, sizeof handle);
  TLinkTAPI32Dispatcher d(nullptr, handle);
  ASSERT_EQ(d.InitPort(nullptr, 115200, parNone, 8, 1, 4096, 4096, true, true), 0);
  TLineWindow window(d);
  TFarEnd peer(pair.Far());
  ASSERT_TRUE(peer.Open());
  std::string in = PatternBytes(20000, 5), out = PatternBytes(20000, 6);
  ASSERT_TRUE(peer.Write(in));
  for (size_t i = 0; i < out.size(); i += 1000)
    ASSERT_TRUE(PumpUntil([&] { return d.PutBlock(reinterpret_cast<const uint8_t*>(out.data() + i), 1000) == 0; }));
  EXPECT_TRUE(PumpUntil([&] { return window.got.size() >= in.size() && peer.GotSize() >= out.size(); }));
  EXPECT_EQ(window.got, in);
  EXPECT_EQ(peer.Got(), out);
  EXPECT_EQ(d.DonePort(), 0);

  gNotices.clear();
  LONG drop = tuLineDrop(call, nullptr, 0);
  ASSERT_GT(drop, 0);
  EXPECT_TRUE(PumpUntil([] { return !gNotices.empty() && gNotices.back().p1 == DWORD(LINECALLSTATE_IDLE); }));
  EXPECT_EQ(tuLineDeallocateCall(call), 0);
  EXPECT_EQ(tuLineClose(line), 0);
}

}  // namespace
