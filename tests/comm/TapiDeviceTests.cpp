// The telephony device against the test double of the telephony library (the scenario is
// the first digit dialled, see tests/comm/tapi32), with its port on a socat line: what the
// program sees of a call (exactly one OnTapiConnect or OnTapiFail per Dial), what the
// device asks of the library, and the data of a connected call.
#include "comm/TapiDevice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "CommTestKit.h"
#include "DialogDriver.h"
#include "HarnessCheck.h"
#include "comm/CommExcept.h"
#include "comm/SerialPair.h"
#include "framework/Forms.h"
#include "framework/Registry.h"

using namespace quiro::comm::test;

namespace {

const char kSessions[] = "SOFTWARE\\RidedUzezo\\LINK\\TAPI";

std::string OwnSessionValue() {
  char name[16];
  std::snprintf(name, sizeof name, "$%08lX", static_cast<unsigned long>(GetCurrentProcessId()));
  return name;
}

bool SessionValueExists(const std::string& name) {
  TRegistry reg;
  return reg.OpenKeyReadOnly(kSessions) && reg.ValueExists(name);
}

// An entry point of the double only (null when the real library is loaded).
template <class F>
F DoubleEntry(const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(LoadLibraryA("TAPI32"), name)));
}

// What the double was asked since the mark, one call a line.
class TDoubleLog {
 public:
  TDoubleLog() : log_(DoubleEntry<const char*(WINAPI*)()>("QuiroTapiLog")) {
    if (log_) mark_ = std::string(log_()).size();
  }
  bool Present() const { return log_ != nullptr; }
  std::string Since() const { return std::string(log_()).substr(mark_); }
  int Count(const std::string& call) const {
    std::istringstream in(Since());
    int n = 0;
    for (std::string line; std::getline(in, line);) n += line.rfind(call, 0) == 0;
    return n;
  }

 private:
  const char*(WINAPI* log_)();
  size_t mark_ = 0;
};

class TapiDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    InitLinkLibrary();
    QUIRO_NEEDS_HARNESS(log.Present(), "the telephony test double");
    {
      TRegistry reg;
      ASSERT_TRUE(reg.OpenKey(kSessions, true));
      reg.WriteInteger("$0FFFFFF1", 0x7777);  // left by a program that is gone
    }
    port = new TLinkComPort(&owner);
    device = new TLinkTapiDevice(&owner);
    device->SetSelectedDevice("Quiro Test Modem");
    device->RetryWait = 1;
    device->OnTapiConnect = [this](TComponent*) { events.push_back("connect"); };
    device->OnTapiFail = [this](TComponent*) { events.push_back("fail"); };
    device->OnTapiPortOpen = [this](TComponent*) { events.push_back("port open"); };
    device->OnTapiPortClose = [this](TComponent*) { events.push_back("port close"); };
    device->OnTapiStatus = [this](TComponent*, bool, bool, uint32_t, uint32_t message, uint32_t p1, uint32_t p2,
                                  uint32_t) { statuses.push_back(device->TapiStatusMsg(message, p1, p2)); };
    port->OnPortClosed = [this](TComponent*) { events.push_back("port closed"); };
    CollectInput(*port, received);
  }
  void TearDown() override { SetEnvironmentVariableA("QUIRO_TAPI_COMM", nullptr); }

  // A line for the connected call's data; the double opens its near end.
  std::unique_ptr<TSerialPair> Line(int nearPort) {
    auto pair = std::make_unique<TSerialPair>(nearPort, nearPort + 1);
    SetEnvironmentVariableA("QUIRO_TAPI_COMM", pair->Near().c_str());
    return pair;
  }
  int Count(const std::string& e) const { return int(std::count(events.begin(), events.end(), e)); }
  bool Saw(const std::string& status) const {
    return std::find(statuses.begin(), statuses.end(), status) != statuses.end();
  }

  TDoubleLog log;
  TApplication app;
  std::vector<std::string> events, statuses;
  std::string received;
  // Serial ports that the selection lists; they outlive the device and its port (a line
  // that hangs up under a port Wine probed takes the test's output with it).
  std::unique_ptr<TSerialPair> ports;
  TComponent owner;  // its port and device go first: their handlers note into the above
  TLinkComPort* port = nullptr;
  TLinkTapiDevice* device = nullptr;
};

TEST_F(TapiDevice, AConnectedCallCarriesDataUntilTheLineGoes) {
  EXPECT_FALSE(SessionValueExists("$0FFFFFF1"));
  EXPECT_TRUE(SessionValueExists(OwnSessionValue()));
  EXPECT_EQ(port->TapiMode, TTapiMode::tmOn);
  auto line = Line(43);
  ASSERT_TRUE(line->Ready());
  device->Dial("1234");
  EXPECT_EQ(device->GetBPSRate(), 0u);
  ASSERT_TRUE(PumpUntil([&] { return Count("connect") > 0; }));
  EXPECT_EQ(events, (std::vector<std::string>{"port open", "connect"}));
  EXPECT_EQ(device->GetBPSRate(), 28800u);
  for (const char* s : {"Dial tone", "Dialing", "Ringing at the called number", "Connected!"})
    EXPECT_TRUE(Saw(s)) << s;
  EXPECT_EQ(log.Count("lineOpen 0 1 16"), 1);  // the named line, no call privilege, data modem
  EXPECT_EQ(log.Count("lineMakeCall 1234 16"), 1);
  EXPECT_THROW(device->Dial("1"), ETapiBusy);
  EXPECT_TRUE(port->Open());

  TFarEnd peer(line->Far());
  ASSERT_TRUE(peer.Open());
  std::string in = PatternBytes(20000, 7), out = PatternBytes(20000, 8);
  ASSERT_TRUE(peer.Write(in));
  for (size_t i = 0; i < out.size(); i += 1000) {
    ASSERT_TRUE(PumpUntil([&] { return port->GetOutBuffFree() >= 1000; }));
    port->PutBlock(out.data() + i, 1000);
  }
  EXPECT_TRUE(PumpUntil([&] { return received.size() >= in.size() && peer.GotSize() >= out.size(); }));
  EXPECT_EQ(received, in);
  EXPECT_EQ(peer.Got(), out);

  // The far end of the line goes: the port closes by itself and the call is dropped.
  events.clear();
  line->Kill();
  ASSERT_TRUE(PumpUntil([&] { return Count("port close") > 0; }));
  EXPECT_EQ(events, (std::vector<std::string>{"port closed", "port close"}));
  EXPECT_EQ(log.Count("lineDrop"), 1);
  EXPECT_EQ(log.Count("lineClose"), 1);
  device->CancelCall();  // nothing left to cancel
  EXPECT_EQ(Count("fail"), 0);

  delete device;
  EXPECT_FALSE(SessionValueExists(OwnSessionValue()));
}

TEST_F(TapiDevice, ABusyNumberIsDialledUntilTheAttemptsRunOut) {
  device->RetryWait = 2;
  device->MaxAttempts = 3;
  device->Dial("2000");
  ASSERT_TRUE(PumpUntil([&] { return Count("fail") > 0; }, 20000));
  EXPECT_EQ(log.Count("lineMakeCall"), 3);
  EXPECT_EQ(std::count(statuses.begin(), statuses.end(), "Waiting for retry in 1 seconds"), 2);
  EXPECT_TRUE(Saw("Called number is busy"));
  EXPECT_FALSE(device->Dialing());
  device->CancelCall();  // the call is over: no second report
  PumpUntil([] { return false; }, 1500);
  EXPECT_EQ(events, std::vector<std::string>{"fail"});
  EXPECT_EQ(log.Count("lineMakeCall"), 3);
}

TEST_F(TapiDevice, AnUnansweredCallEndsWhenCancelled) {
  device->Dial("3000");
  ASSERT_TRUE(PumpUntil([&] { return Saw("Ringing at the called number"); }));
  device->CancelCall();
  EXPECT_EQ(events, std::vector<std::string>{"fail"});  // inside CancelCall
  EXPECT_TRUE(device->Cancelled());
  PumpUntil([] { return false; }, 1500);
  EXPECT_EQ(log.Count("lineMakeCall"), 1);  // no redial
  EXPECT_EQ(events.size(), 1u);

  // A device destroyed while its call rings hangs up without telling anyone.
  device->Dial("3000");
  ASSERT_TRUE(PumpUntil([&] { return log.Count("lineMakeCall") == 2; }));
  const int shutdowns = log.Count("lineShutdown");
  delete device;
  EXPECT_EQ(events.size(), 1u);
  EXPECT_EQ(log.Count("lineDrop"), 2);
  EXPECT_EQ(log.Count("lineShutdown"), shutdowns + 1);
}

TEST_F(TapiDevice, ARefusedCallIsReportedOnce) {
  device->MaxAttempts = 3;
  device->Dial("4000");
  EXPECT_EQ(events, std::vector<std::string>{"fail"});  // inside Dial
  PumpUntil([] { return false; }, 1500);
  EXPECT_EQ(events.size(), 1u);
  EXPECT_EQ(log.Count("lineMakeCall"), 1);
  device->OnTapiFail = nullptr;  // then it is raised instead, as "call unavailable" with its reason
  try {
    device->Dial("4000");
    ADD_FAILURE() << "the refusal was not raised";
  } catch (const ETapiCallUnavail& e) {
    EXPECT_EQ(e.ErrorCode, -13805);
    EXPECT_STREQ(e.what(), "Invalid address");
  }
}

TEST_F(TapiDevice, WhatCannotBeDialledIsRefusedAtOnce) {
  device->SetSelectedDevice("A line not installed");
  device->ShowTapiDevices = device->ShowPorts = false;
  EXPECT_THROW(device->Dial("1"), ETapiNoSelect);
  port->TapiMode = TTapiMode::tmOff;
  EXPECT_THROW(device->Dial("1"), ETapiNotSet);
  TLinkTapiDevice portless;
  EXPECT_THROW(portless.Dial("1"), EPortNotAssigned);
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(log.Count("lineOpen"), 0);
}

// A connected call whose port cannot be opened on it is no connection: it is dropped and
// reported as failed, whatever went wrong.
TEST_F(TapiDevice, ACallWithoutAUsablePortFails) {
  auto line = Line(49);
  ASSERT_TRUE(line->Ready());
  // no handle from the library, a record too short for one, an invalid handle, a port that
  // fails to open
  for (const char* number : {"6000", "8000", "9000", "1000"}) {
    events.clear();
    if (number[0] == '1') port->OnPortOpened = [](TComponent*) { throw Exception("refused"); };
    device->Dial(number);
    ASSERT_TRUE(PumpUntil([&] { return Count("fail") > 0; })) << number;
    PumpPending();
    EXPECT_EQ(Count("connect"), 0) << number;
    EXPECT_EQ(Count("fail"), 1) << number;
    EXPECT_FALSE(port->Open()) << number;
    EXPECT_EQ(port->TapiCommHandle, 0) << number;
  }
  EXPECT_EQ(log.Count("lineDrop"), 4);
  EXPECT_EQ(log.Count("lineMakeCall"), 4);  // no redial either
  delete device;
  delete port;
}

TEST_F(TapiDevice, AFailedRedialCountsAsAnAttempt) {
  device->MaxAttempts = 2;  // busy; the line will not open: the end
  device->Dial("7000");
  ASSERT_TRUE(PumpUntil([&] { return Count("fail") > 0; }, 20000));
  EXPECT_EQ(std::tuple(log.Count("lineOpen"), log.Count("lineMakeCall")), std::tuple(2, 1));
  device->MaxAttempts = 3;  // busy; the line will not open; busy: the end
  device->Dial("7000");
  ASSERT_TRUE(PumpUntil([&] { return Count("fail") > 1; }, 20000));
  EXPECT_EQ(std::tuple(log.Count("lineOpen"), log.Count("lineMakeCall")), std::tuple(5, 3));
  PumpUntil([] { return false; }, 1500);
  EXPECT_EQ(events, (std::vector<std::string>{"fail", "fail"}));
  // A line that will not open for the first attempt is Dial's own error.
  EXPECT_THROW(device->Dial("1000"), ETapi);
  EXPECT_FALSE(device->Dialing());
  EXPECT_EQ(events.size(), 2u);
}

TEST_F(TapiDevice, TelephonyRestartEndsTheCallAndTheSession) {
  auto line = Line(49);
  ASSERT_TRUE(line->Ready());
  const int shutdowns = log.Count("lineShutdown");
  device->Dial("5000");
  ASSERT_TRUE(PumpUntil([&] { return Count("port close") > 0; }));
  EXPECT_EQ(events, (std::vector<std::string>{"port open", "connect", "port closed", "port close"}));
  EXPECT_TRUE(Saw("Telephony must be restarted"));
  EXPECT_EQ(log.Count("lineShutdown"), shutdowns + 1);
  EXPECT_FALSE(SessionValueExists(OwnSessionValue()));
  // The next call starts telephony again, waiting out one more restart.
  device->Dial("1000");
  ASSERT_TRUE(PumpUntil([&] { return Count("connect") == 2; }, 15000));
  EXPECT_EQ(log.Count("lineInitialize"), 3);  // the device's first, the refused one, the new one
  EXPECT_TRUE(SessionValueExists(OwnSessionValue()));
  device->CancelCall();
  EXPECT_EQ(Count("fail"), 0);
}

// Without a line by name, the user picks one at dial time (the double's second line has
// no name); a history of the call is kept.
TEST_F(TapiDevice, TheUnnamedLineIsChosenAtDialTime) {
  auto line = Line(49);
  ASSERT_TRUE(line->Ready());
  auto* history = new TLinkTapiLog(&owner);
  history->TapiHistoryName = "tapi-history-test.his";
  DeleteFileA(history->TapiHistoryName.c_str());
  device->SetTapiLog(history);
  device->SetSelectedDevice("");
  std::vector<std::string> listed;
  TDialogDriver driver("Device Selection", [&](HWND dialog) {
    HWND combo = Control(dialog, "QuiroComboBox");
    listed = ComboItems(combo);
    ChooseAndPress(combo, "<noname>", Control(dialog, "QuiroButton", "OK"), Control(dialog, "QuiroButton", "Cancel"));
  });
  device->Dial("1000");
  EXPECT_EQ(listed, (std::vector<std::string>{"Quiro Test Modem", "<noname>"}));
  EXPECT_EQ(device->SelectedDevice(), "<noname>");
  EXPECT_EQ(log.Count("lineOpen 1 "), 1);
  ASSERT_TRUE(PumpUntil([&] { return Count("connect") > 0; }));
  device->CancelCall();
  EXPECT_EQ(events, (std::vector<std::string>{"port open", "connect", "port closed", "port close"}));
  std::ifstream in(history->TapiHistoryName);
  std::vector<std::string> lines;
  for (std::string l; std::getline(in, l);) {
    if (!l.empty() && l.back() == '\r') l.pop_back();
    size_t at = l.find(" : ");
    lines.push_back(at == std::string::npos ? l : l.substr(at + 3));
  }
  in.close();
  DeleteFileA(history->TapiHistoryName.c_str());
  EXPECT_EQ(lines, (std::vector<std::string>{"call started", "  dialing 1000", "  connected", "  cancelled",
                                             "  dropped", "call finished", ""}));
}

TEST_F(TapiDevice, SelectingAPortOrALine) {
  ports = std::make_unique<TSerialPair>(45, 46);
  ASSERT_TRUE(ports->Ready());
  std::vector<std::string> listed;
  {
    TDialogDriver driver("Device Selection", [&](HWND dialog) {
      HWND combo = Control(dialog, "QuiroComboBox");
      listed = ComboItems(combo);
      ChooseAndPress(combo, "Direct to COM45", Control(dialog, "QuiroButton", "OK"),
                     Control(dialog, "QuiroButton", "Cancel"));
    });
    EXPECT_TRUE(device->SelectDevice());
  }
  EXPECT_NE(std::find(listed.begin(), listed.end(), "Direct to COM46"), listed.end());
  EXPECT_EQ(std::tuple(port->TapiMode, port->ComNumber()), std::tuple(TTapiMode::tmOff, uint16_t(45)));
  EXPECT_EQ(device->SelectedDevice(), "Quiro Test Modem");
  device->ShowTapiDevices = device->ShowPorts = false;
  bool okEnabled = true;
  {
    TDialogDriver driver("Device Selection", [&](HWND dialog) {
      okEnabled = IsWindowEnabled(Control(dialog, "QuiroButton", "OK"));
      Press(Control(dialog, "QuiroButton", "Cancel"));
    });
    EXPECT_FALSE(device->SelectDevice());
  }
  EXPECT_FALSE(okEnabled);  // nothing to choose
  EXPECT_EQ(std::tuple(port->TapiMode, device->SelectedDevice()), std::tuple(TTapiMode::tmOff, std::string("Quiro Test Modem")));
}

// A line that waits for calls takes an offered data call, tells who calls, answers it once
// it rang AnswerOnRing times and carries it on the port; its tone digits are told while
// they are watched. A call of a kind the line does not answer is left alone.
TEST_F(TapiDevice, AnOfferedCallIsAnsweredAfterItsRings) {
  auto line = Line(43);
  ASSERT_TRUE(line->Ready());
  auto offer = DoubleEntry<void(WINAPI*)(const char*, const char*, DWORD)>("QuiroTapiOffer");
  auto ring = DoubleEntry<void(WINAPI*)(DWORD)>("QuiroTapiRing");
  auto tones = DoubleEntry<void(WINAPI*)(const char*)>("QuiroTapiTones");
  std::vector<std::string> callers;
  std::string digits;
  int rings = 0;
  device->OnTapiCallerID = [&](TComponent*, const std::string& id, const std::string& name) {
    callers.push_back(id + "/" + name);
  };
  device->OnTapiDTMF = [&](TComponent*, char digit, uint32_t) { digits += digit; };
  device->OnTapiStatus = [&](TComponent*, bool, bool, uint32_t, uint32_t message, uint32_t state, uint32_t,
                             uint32_t) { rings += message == LINE_LINEDEVSTATE && state == LINEDEVSTATE_RINGING; };
  device->AnswerOnRing = 2;
  device->AutoAnswer();
  EXPECT_EQ(log.Count("lineOpen 0 4 16"), 1);  // the line owns the data calls offered on it
  offer(" 0212345678 ", "Maru Byeol", LINEMEDIAMODE_DATAMODEM);
  ASSERT_TRUE(PumpUntil([&] { return !callers.empty(); }));
  EXPECT_EQ(log.Count("lineAccept"), 1);
  EXPECT_EQ(callers, std::vector<std::string>{"0212345678/Maru Byeol"});
  EXPECT_EQ(std::tuple(device->GetCallerID(), device->GetCallerIDName()),
            std::tuple(std::string("0212345678"), std::string("Maru Byeol")));
  ring(1);
  ASSERT_TRUE(PumpUntil([&] { return rings == 1; }));
  EXPECT_EQ(log.Count("lineAnswer"), 0);
  ring(2);
  ASSERT_TRUE(PumpUntil([&] { return Count("connect") > 0; }));
  EXPECT_EQ(log.Count("lineAnswer"), 1);
  EXPECT_EQ(events, (std::vector<std::string>{"port open", "connect"}));
  EXPECT_TRUE(port->Open());
  device->MonitorDTMF(true);
  tones("12#");
  EXPECT_TRUE(PumpUntil([&] { return digits == "12#"; })) << digits;
  device->MonitorDTMF(false);
  EXPECT_EQ(log.Count("lineMonitorDigits 0"), 1);
  device->CancelCall();
  EXPECT_EQ(Count("fail"), 0);

  events.clear();
  callers.clear();
  device->AutoAnswer();
  const int left = log.Count("lineDeallocateCall");
  offer("0311112222", nullptr, LINEMEDIAMODE_INTERACTIVEVOICE);
  ASSERT_TRUE(PumpUntil([&] { return log.Count("lineDeallocateCall") > left; }));
  EXPECT_EQ(log.Count("lineAccept"), 1);
  offer(nullptr, nullptr, LINEMEDIAMODE_DATAMODEM);  // a withheld number
  ASSERT_TRUE(PumpUntil([&] { return !callers.empty(); }));
  EXPECT_EQ(callers, std::vector<std::string>{"Caller ID Blocked/"});
  device->CancelCall();  // before it was answered: a call that never connected
  EXPECT_EQ(events, std::vector<std::string>{"fail"});
}

// The modem without a call: a pass-through call opens the port at once and ends without a
// failure. The selected line's number translation, its dialogs and its modem settings.
TEST_F(TapiDevice, TheModemItselfAndTheLinesSettings) {
  auto line = Line(49);
  ASSERT_TRUE(line->Ready());
  device->ConfigAndOpen();
  ASSERT_TRUE(PumpUntil([&] { return Count("connect") > 0; }));
  EXPECT_EQ(log.Count("lineMakeCall  16 64"), 1);  // no number, data modem, pass-through
  EXPECT_TRUE(port->Open());
  device->CancelCall();
  EXPECT_EQ(events, (std::vector<std::string>{"port open", "connect", "port closed", "port close"}));

  EXPECT_EQ(device->TranslateAddress("+82 (2) 123-4567"), "9,8221234567");
  EXPECT_THROW(device->TranslateAddress("!"), ETapiTranslateFail);
  device->TranslateDialog("+82 (2) 123-4567");
  device->ShowConfigDialog();
  EXPECT_EQ(log.Count("lineTranslateDialog 0 +82 (2) 123-4567"), 1);
  EXPECT_EQ(log.Count("lineConfigDialog 0 comm/datamodem"), 1);
  EXPECT_EQ(device->GetDevConfig(), std::string(300, 'Q'));
  const std::string config("\0\1AT&F", 6);
  device->SetDevConfig(config);
  EXPECT_EQ(device->GetDevConfig(), config);
}

// A copy takes the settings and the port; the call history stays with the device it serves.
TEST_F(TapiDevice, AssignTakesTheSettingsAndThePort) {
  auto* history = new TLinkTapiLog(&owner);
  device->SetTapiLog(history);
  device->MaxAttempts = 5;
  device->AnswerOnRing = 4;
  device->ShowTapiDevices = false;
  device->ShowPorts = false;
  device->EnableVoice = true;
  TComponent other;  // no port of its own
  auto* copy = new TLinkTapiDevice(&other);
  copy->Assign(*device);
  EXPECT_EQ(std::tuple(copy->SelectedDevice(), copy->ComPort(), int(copy->RetryWait), int(copy->MaxAttempts),
                       int(copy->AnswerOnRing), copy->ShowTapiDevices, copy->ShowPorts, copy->EnableVoice),
            std::tuple(std::string("Quiro Test Modem"), port, 1, 5, 4, false, false, true));
  EXPECT_EQ(copy->TapiLog(), nullptr);
  EXPECT_EQ(history->TapiDevice, device);
}

struct SeenMessage {
  UINT msg;
  WPARAM wParam;
  bool sent;
};
std::vector<SeenMessage> gSeen;

LRESULT CALLBACK LineCreateProbe(HWND h, UINT msg, WPARAM w, LPARAM l) {
  if (msg == LinkLineCreateMessage() || msg == 0x426) gSeen.push_back({msg, w, InSendMessage() != FALSE});
  return DefWindowProcA(h, msg, w, l);
}

TEST_F(TapiDevice, ANewLineIsToldToThisProgramsWindowsOnly) {
  std::vector<SeenMessage>& seen = gSeen;
  seen.clear();
  WNDCLASSA wc{};
  wc.lpfnWndProc = &LineCreateProbe;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "QuiroLineCreateProbe";
  RegisterClassA(&wc);
  HWND top = CreateWindowA("QuiroLineCreateProbe", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, wc.hInstance, nullptr);
  DoubleEntry<void(WINAPI*)()>("QuiroTapiAddLine")();
  EXPECT_TRUE(PumpUntil([] { return !seen.empty(); }));
  PumpPending();
  DestroyWindow(top);
  ASSERT_EQ(seen.size(), 1u);  // one session: the device's
  EXPECT_EQ(seen[0].msg, LinkLineCreateMessage());
  EXPECT_EQ(seen[0].wParam, 2u);
  EXPECT_FALSE(seen[0].sent);
}

}  // namespace
