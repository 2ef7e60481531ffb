// The telnet object fed the way the terminal feeds it: a table of host byte strings and
// the bytes that must go back.
#include <gtest/gtest.h>

#include "ZModemTestKit.h"
#include "engines/core/Telnet.h"

using namespace zmtest;

namespace {

constexpr uint8_t IAC = 255, SB = 250, SE = 240, WILL = 251, WONT = 252, DO = 253, DONT = 254;

struct Host {
    FakeLine line;
    IDravelTelnet telnet;
    int mode = 0;
    Bytes shown;  // data bytes the terminal would show

    Host(uint16_t cols = 80, uint16_t rows = 24)
    {
        line.winsock = true;
        telnet.SetPort(&line);
        telnet.SetWindowSize(cols, rows);
    }
    void Feed(const Bytes& bytes)
    {
        for (uint8_t b : bytes) {
            if (mode == IDravelTelnet::TelnetMode) {
                int r = telnet.ProcessTelnetCommand(b);
                mode = telnet.ReturnMode();
                if (r == 0)
                    shown.push_back(b);
            } else if (b == IAC) {
                telnet.BeginCommand(mode);
                mode = IDravelTelnet::TelnetMode;
            } else {
                shown.push_back(b);
            }
        }
    }
};

}  // namespace

TEST(Telnet, AnswersTable)
{
    struct Row {
        const char* what;
        Bytes host;
        Bytes answer;
    } rows[] = {
        {"DO NAWS after the offer", {IAC, DO, 31}, {IAC, SB, 31, 0, 80, 0, 24, IAC, SE}},
        {"second DO NAWS", {IAC, DO, 31, IAC, DO, 31},
         {IAC, SB, 31, 0, 80, 0, 24, IAC, SE, IAC, WILL, 31}},
        {"TTYPE SEND", {IAC, SB, 24, 1, IAC, SE},
         {IAC, SB, 24, 0, 'v', 't', '1', '0', '0', IAC, SE}},
        {"long TTYPE SEND keeps its first 8 bytes", {IAC, SB, 24, 1, 9, 9, 9, 9, 9, 9, 9, IAC, SE},
         {IAC, SB, 24, 0, 'v', 't', '1', '0', '0', IAC, SE}},
        {"other subnegotiation", {IAC, SB, 32, 1, IAC, SE}, {}},
        {"DO TTYPE already offered", {IAC, DO, 24}, {}},
        {"WONT TTYPE then DO TTYPE", {IAC, WONT, 24, IAC, DO, 24}, {IAC, WILL, 24}},
        {"WILL ECHO", {IAC, WILL, 1}, {IAC, DO, 1}},
        {"WILL SGA", {IAC, WILL, 3}, {IAC, DO, 3}},
        {"DO SGA", {IAC, DO, 3}, {IAC, WILL, 3}},
        {"WILL other", {IAC, WILL, 5}, {IAC, DONT, 5}},
        {"DO other", {IAC, DO, 39}, {IAC, WONT, 39}},
        {"DONT other", {IAC, DONT, 39}, {IAC, WONT, 39}},
        {"WILL timing mark", {IAC, WILL, 6}, {}},
        {"WONT other", {IAC, WONT, 39}, {}},
        {"WILL BINARY unasked", {IAC, WILL, 0, IAC, WILL, 0}, {IAC, DO, 0}},
        {"DO BINARY unasked", {IAC, DO, 0, IAC, DONT, 0}, {IAC, WILL, 0, IAC, WONT, 0}},
        {"NOP", {IAC, 241}, {}},
    };
    for (const Row& r : rows) {
        Host h;
        h.telnet.SendTelnetWillOptions();
        EXPECT_EQ(h.line.Take(), (Bytes{IAC, WILL, 24, IAC, WILL, 31}));
        h.Feed(r.host);
        EXPECT_EQ(h.line.Take(), r.answer) << r.what;
        EXPECT_EQ(h.mode, 0) << r.what;
        EXPECT_TRUE(h.shown.empty()) << r.what;
    }
}

TEST(Telnet, BinaryRequestedBySelfIsNotAnsweredAgain)
{
    Host h;
    h.telnet.EnterTelnetBinary();
    EXPECT_EQ(h.line.Take(), (Bytes{IAC, WILL, 0, IAC, DO, 0}));
    h.Feed({IAC, DO, 0, IAC, WILL, 0});
    EXPECT_TRUE(h.line.Take().empty());
    EXPECT_TRUE(h.telnet.HostBinary());
    EXPECT_TRUE(h.telnet.OwnBinary());
}

TEST(Telnet, DoubledIacIsOneDataByteAndModeIsRestored)
{
    Host h;
    h.mode = 4;  // e.g. printer controller
    h.Feed({'a', IAC, IAC, 'b', IAC, 241, 'c'});
    EXPECT_EQ(h.shown, (Bytes{'a', 0xFF, 'b', 'c'}));
    EXPECT_EQ(h.mode, 4);
}

TEST(Telnet, WindowSizesTravelAs16BitsWithIacDoubled)
{
    struct Row {
        uint16_t cols, rows;
        Bytes sizes;
    } rows[] = {
        {80, 24, {0, 80, 0, 24}},
        {255, 24, {0, 255, 255, 0, 24}},
        {300, 255, {1, 44, 0, 255, 255}},
        {0xFFFF, 0xFF00, {255, 255, 255, 255, 255, 255, 0}},
    };
    for (const Row& r : rows) {
        Host h(r.cols, r.rows);
        h.telnet.SendWindowSize();
        Bytes want = Cat({{IAC, SB, 31}, r.sizes, {IAC, SE}});
        EXPECT_EQ(h.line.Take(), want) << r.cols << "x" << r.rows;
    }
}
