// Serial sessions end to end under Wine: the program's COM5 is one end of a socat
// pseudo-terminal pair, the test holds the other (COM6).
#include <gtest/gtest.h>

#include "ProgramKit.h"
#include "HarnessCheck.h"
#include "SessionKit.h"
#include "comm/CommTestKit.h"
#include "comm/SerialPair.h"

using namespace quiro::console::test;
using namespace quiro::comm::test;

namespace {

using Lines = std::vector<std::string>;

// The report of an open port, its ready lines, and the lines of the session's end.
Lines Report(const std::string& baud, const std::string& bits, const std::string& parity, const std::string& stop,
             const std::string& hardware, const std::string& software) {
    return {"Opening COM5...", "",
            "> Baud Rate             : " + baud, "> Byte Size             : " + bits,
            "> Parity                : " + parity, "> Stop Bits             : " + stop,
            "> Hardware Flow Control :" + hardware, "> Software Flow Control : " + software,
            "> RS485 Mode            : Off", "",
            "", "COM5 Ready!", ""};
}

// The last lines of a failed start: the error, then the session's end.
Lines Failure(QuiroProgram& q, const std::string& address) {
    q.Connect(address);
    ProbeState s;
    EXPECT_TRUE(q.WaitFor(Ended, 20000, &s)) << address << ": " << ::testing::PrintToString(s.Texts());
    ExpectDisconnected(q, s);
    return s.Texts();
}

// "com://5" opens with the device's stored configuration (as the system gives it) and
// carries bytes both ways untouched: no telnet layer answers the host's telnet command.
// Written settings and flow control are reported as applied; a missing device and an
// address that names no port end the session with the reason.
TEST(Serial, SessionsOverAPseudoTerminalPair) {
    TSerialPair pair(5, 6);
    ASSERT_TRUE(pair.Ready());
    TFarEnd remote(pair.Far());
    ASSERT_TRUE(remote.Open());
    COMMCONFIG device{};
    device.dwSize = sizeof device;
    DWORD size = sizeof device;
    ASSERT_TRUE(GetDefaultCommConfigA("COM5", &device, &size));
    const DCB& dcb = device.dcb;
    ASSERT_TRUE(!dcb.fOutxCtsFlow && !dcb.fOutxDsrFlow && !dcb.fOutX && !dcb.fInX && dcb.Parity == NOPARITY &&
                dcb.fDtrControl != DTR_CONTROL_HANDSHAKE && dcb.fRtsControl != RTS_CONTROL_HANDSHAKE)
        << "the report below expects a plain line";

    DeleteSettings();
    QuiroProgram q;
    ASSERT_TRUE(q.Window());
    ProbeState s;
    q.Connect("com://5");
    ASSERT_TRUE(q.WaitFor(Com5Ready, 20000, &s)) << ::testing::PrintToString(s.Texts());
    EXPECT_EQ(s.Texts(), Report(std::to_string(dcb.BaudRate), std::to_string(dcb.ByteSize), "None",
                                dcb.StopBits == ONESTOPBIT ? "1" : "2", " None", "None"));
    EXPECT_EQ(s.Str("caption"), "Quiro 2 [ com://5 ]");

    ASSERT_TRUE(remote.Write("\xFF\xFD\x18serial hello\r\n"));
    EXPECT_TRUE(q.WaitFor([](const ProbeState& st) {
        for (const std::string& line : st.Texts())
            if (line.find("serial hello") != std::string::npos) return true;
        return false;
    }, 20000, &s)) << ::testing::PrintToString(s.Texts());
    q.Send("typed\r");
    EXPECT_TRUE(PumpUntil([&] { return remote.GotSize() >= 6; }, 20000));
    EXPECT_EQ(remote.Got(), "typed\r");
    q.Click("MAIN_BTN_Disconnect");
    EXPECT_TRUE(q.WaitFor(Ended, 20000, &s));
    ExpectDisconnected(q, s);

    q.Connect("com://5,19200,8,n,1,RTS CTS XIN XOUT");
    ASSERT_TRUE(q.WaitFor(Com5Ready, 20000, &s)) << ::testing::PrintToString(s.Texts());
    EXPECT_EQ(s.Texts(), Report("19200", "8", "None", "1", " UseRTS, RequireCTS", "Both (Transmit/Receive)"));
    q.Click("MAIN_BTN_Disconnect");
    EXPECT_TRUE(q.WaitFor(Ended, 20000, &s));

    Lines lines = Failure(q, "com://97");
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[1].rfind("Error : Cannot open COM97... [", 0), 0u) << lines[1];

    for (const char* address : {"com://x", "com://0"})
        EXPECT_EQ(Failure(q, address), (Lines{"", "Error : Unknown COM port!", "", "", "Connection closed..."}));

    // The far end goes away: the session ends by itself and says why.
    q.Connect("com://5");
    ASSERT_TRUE(q.WaitFor(Com5Ready, 20000, &s)) << ::testing::PrintToString(s.Texts());
    pair.Kill();
    ASSERT_TRUE(q.WaitFor(Ended, 20000, &s)) << ::testing::PrintToString(s.Texts());
    Lines end = s.Texts();
    ASSERT_GE(end.size(), 4u);
    EXPECT_EQ(end[end.size() - 4].rfind("Error : ", 0), 0u) << ::testing::PrintToString(end);
    EXPECT_GT(end[end.size() - 4].size(), 8u) << "the reason is named";
    EXPECT_EQ(Lines(end.end() - 3, end.end()), (Lines{"", "", "Connection closed..."}));
    EXPECT_EQ(q.Close(), 0);
}

}  // namespace

namespace {

bool LastLine(const ProbeState& s, const std::string& text) { return !s.lines.empty() && s.lines.back().text == text; }

// Calls through the telephony test double (the first digit dialled chooses what the call
// does, see tests/comm/tapi32); a connected call's data goes over a socat line, the far end
// held here. A call answered, one cancelled while it rings, one busy at every attempt.
TEST(Telephone, CallsThroughTheTelephonyDouble) {
    QUIRO_NEEDS_HARNESS(TelephonyDoubleInPlace(), "the telephony test double");
    TSerialPair pair(7, 8);
    ASSERT_TRUE(pair.Ready());
    TFarEnd remote(pair.Far());
    ASSERT_TRUE(remote.Open());
    DeleteSettings();
    Settings()->WriteString("TAPIDeviceName", "Quiro Test Modem");
    SetEnvironmentVariableA("QUIRO_TAPI_COMM", pair.Near().c_str());
    QuiroProgram q("", true);
    SetEnvironmentVariableA("QUIRO_TAPI_COMM", nullptr);
    ASSERT_TRUE(q.Window());
    ProbeState s;

    q.Connect("phone://1234");
    ASSERT_TRUE(q.WaitFor([](const ProbeState& st) { return st.Find("Setting console...") >= 0; }, 20000, &s))
        << ::testing::PrintToString(s.Texts());
    EXPECT_EQ(s.Texts(), (Lines{"Dialing 1234...", "Connected to 1234 (28800bps)...", "Setting console...", ""}));
    EXPECT_EQ(s.Str("caption"), "Quiro 2 [ 1234 ]");
    ASSERT_TRUE(remote.Write("CONNECT 28800\r\nmodem host\r\n"));
    EXPECT_TRUE(q.WaitFor([](const ProbeState& st) { return st.Find("modem host") >= 0; }, 20000, &s))
        << ::testing::PrintToString(s.Texts());
    q.Send("ATH\r");
    EXPECT_TRUE(PumpUntil([&] { return remote.GotSize() >= 4; }, 20000));
    EXPECT_EQ(remote.Got(), "ATH\r");
    q.Click("MAIN_BTN_Disconnect");
    EXPECT_TRUE(q.WaitFor([](const ProbeState& st) { return LastLine(st, "Connection cancelled..."); }, 20000, &s))
        << ::testing::PrintToString(s.Texts());
    ExpectDisconnected(q, s);

    q.Connect("phone://3000");
    ASSERT_TRUE(q.WaitFor([](const ProbeState& st) { return LastLine(st, "Dialing 3000..."); }, 20000, &s));
    q.Click("MAIN_BTN_Disconnect");
    EXPECT_TRUE(q.WaitFor([](const ProbeState& st) { return st.Int("connected") == 0; }, 20000, &s));
    EXPECT_EQ(s.Texts(), (Lines{"Dialing 3000...", "", "", "Connection cancelled..."}));
    ExpectDisconnected(q, s);

    // Five attempts, five seconds apart, then one end.
    q.Connect("phone://2000");
    EXPECT_TRUE(q.WaitFor([](const ProbeState& st) { return st.Int("connected") == 0; }, 60000, &s));
    EXPECT_EQ(s.Texts(), (Lines{"Dialing 2000...", "", "", "Connection closed..."}));
    ExpectDisconnected(q, s);
    EXPECT_EQ(q.Close(), 0);
}

}  // namespace
