// The program itself under Wine, end to end: its first run, sessions with a scripted host
// on 127.0.0.1 and with the inetutils telnet server, and the ways a session fails. Each
// test starts quiro_probe.exe and reads its state through the probe.
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <set>
#include <sstream>

#include "ProgramKit.h"
#include "SessionKit.h"
#include "comm/CommTestKit.h"

using namespace quiro::console::test;
using namespace quiro::comm::test;

namespace {

// Rows of "a | b | c" (comments and blank lines left out).
std::vector<std::vector<std::string>> ReadTable(const std::string& name) {
    std::ifstream in(std::string(QUIRO_SOURCE_DIR) + "/tests/console/" + name);
    std::vector<std::vector<std::string>> rows;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> cells;
        std::istringstream parts(line);
        for (std::string cell; std::getline(parts, cell, '|');) {
            size_t a = cell.find_first_not_of(' '), b = cell.find_last_not_of(' ');
            cells.push_back(a == std::string::npos ? "" : cell.substr(a, b - a + 1));
        }
        rows.push_back(cells);
    }
    return rows;
}

struct ScreenRun {
    int row, column, foreground, background;
    std::string text;  // code page 949
};

// The first run writes every value of the global save and sizes the window to the screen;
// closing adds the session's values. A later start with one value missing, one of the
// wrong type and one out of range keeps the others and is not taken for a first run.
TEST(Program, FirstRunSavesEverySettingAndSizesTheConsoleToTheScreen) {
    DeleteSettings();
    std::set<std::string> global;
    for (const auto& r : ReadTable("core/data/settings_save_orders.txt"))
        if (r[0] == "SaveGlobalSettings") global.insert(r[1]);
    const auto table = ReadTable("core/data/settings_table.txt");
    ASSERT_EQ(table.size(), 64u);
    {
        QuiroProgram q;
        ASSERT_TRUE(q.Window()) << "no window shown";
        ASSERT_TRUE(PumpUntil([] { return Settings()->ValueExists("KeepAliveString"); }));
        for (const auto& r : table) {
            auto key = Settings();
            EXPECT_EQ(key->ValueExists(r[0]), global.count(r[0]) == 1) << r[0];
            if (key->ValueExists(r[0])) {
                EXPECT_EQ(key->TryReadInteger(r[0]).has_value(), r[1] != "string") << r[0];
            }
        }
        ProbeState s = q.State();
        EXPECT_EQ(s.Str("columns") + "x" + s.Str("rows"), "80x24");
        EXPECT_EQ(s.Int("paintBoxWidth"), 82 * s.Int("cellWidth"));
        EXPECT_EQ(s.Int("paintBoxHeight") / s.Int("cellHeight"), 25);
        EXPECT_EQ(s.Int("lineCount"), 0);
        EXPECT_EQ(q.Close(), 0);
    }
    for (const auto& r : table) EXPECT_TRUE(Settings()->ValueExists(r[0])) << r[0] << " after closing";

    Settings()->DeleteValue("LineAutoWrap");
    Settings()->WriteInteger("ConsoleFontName", 7);
    Settings()->WriteInteger("ConsoleBGColor", 1);
    Settings()->WriteInteger("ScreenSizeWidth", 0);
    QuiroProgram again;
    ASSERT_TRUE(again.Window());
    ProbeState s = again.State();
    EXPECT_EQ(s.Int("viewBackground"), 1);
    EXPECT_EQ(s.Int("columns"), 1);
    EXPECT_EQ(Settings()->TryReadInteger("ConsoleFontName"), 7) << "saved as after a first run";
    EXPECT_EQ(again.Close(), 0);
    EXPECT_EQ(Settings()->TryReadInteger("LineAutoWrap"), 1);
}

// A scripted host on 127.0.0.1: the telnet offers reach it, the status lines come in order,
// its Korean colour screen is on the console cell by cell and pixel by pixel as the
// renderer draws it; a send larger than the port's buffer reaches it whole; its last
// screen before it closes is shown, then "Connection closed...".
TEST(Program, KoreanColourScreenFromAScriptedHost) {
    DeleteSettings();
    Settings()->WriteInteger("UseInternalFont", 1);
    std::vector<ScreenRun> runs;
    std::string screen = "\x1b[2J\x1b[H";
    for (const auto& r : ReadTable("data/bbs_screen.txt")) {
        ScreenRun run{std::stoi(r[0]), std::stoi(r[1]), std::stoi(r[2]), std::stoi(r[3]), ToCp949(r[4])};
        screen += "\x1b[" + r[0] + ";" + r[1] + "H\x1b[0;" + (run.foreground >= 8 ? "1;" : "") + "3" +
                  std::to_string(run.foreground % 8) + ";4" + r[3] + "m" + run.text;
        runs.push_back(run);
    }
    screen += "\x1b[0m\x1b[20;30H";
    const std::string sent = PatternBytes(300000, 17);
    std::string lastScreen, fromProgram;
    for (int i = 0; i < 300; ++i) lastScreen += "last screen line " + std::to_string(i) + "\r\n";
    std::atomic<size_t> fromProgramSize{0};
    std::atomic<bool> finish{false};
    TestServer host([&](SOCKET s) {
        Receive(s, fromProgram, [&] { return fromProgram.find("\xFF\xFB\x18\xFF\xFB\x1F") != std::string::npos; },
                20000);
        SendAll(s, screen);
        Receive(s, fromProgram, [&] { return finish.load(); }, 60000, &fromProgramSize);
        SendAll(s, lastScreen);
    });
    const std::string port = std::to_string(host.Port());
    QuiroProgram q("127.0.0.1:" + port);
    ASSERT_TRUE(q.Window());
    ProbeState s;
    ASSERT_TRUE(q.WaitFor([&](const ProbeState& st) {
        return st.lines.size() > size_t(st.Int("screenTop") + 23) &&
               st.lines[size_t(st.Int("screenTop") + 23)].text == runs.back().text;
    }, 20000, &s));

    ASSERT_GE(s.lines.size(), 3u);
    EXPECT_EQ(s.lines[0].text, "Trying 127.0.0.1 (PORT:" + port + ")...");
    EXPECT_EQ(s.lines[1].text, "Connected to 127.0.0.1...");
    EXPECT_EQ(s.lines[2].text, "");
    EXPECT_EQ(s.Int("screenTop"), 3);
    EXPECT_EQ(s.Str("caption"), "Quiro 2 [ 127.0.0.1:" + port + " ]");
    for (const ScreenRun& r : runs) {
        const ProbeLine& line = s.lines.at(size_t(s.Int("screenTop") + r.row - 1));
        size_t at = size_t(r.column - 1), n = r.text.size();
        ASSERT_GE(line.text.size(), at + n) << "row " << r.row;
        EXPECT_EQ(line.text.substr(at, n), r.text) << "row " << r.row;
        EXPECT_EQ(line.foreground.substr(at, n), std::string(n, char('a' + r.foreground))) << "row " << r.row;
        EXPECT_EQ(line.background.substr(at, n), std::string(n, char('A' + r.background))) << "row " << r.row;
    }

    // The console on the screen is the renderer's picture of the same cells.
    Picture expected = RenderConsole(s), onScreen = ConsoleOnScreen(s, expected);
    EXPECT_EQ(onScreen.Differences(expected), 0);
    RECT window;
    GetWindowRect(q.Window(), &window);
    CaptureScreen(window).SaveBmp("main-window-korean.bmp");
    expected.SaveBmp("console-korean-renderer.bmp");

    q.Send(sent);
    EXPECT_TRUE(PumpUntil([&] { return fromProgramSize >= sent.size(); }, 20000));
    finish = true;
    ASSERT_TRUE(q.WaitFor(Ended, 20000, &s));
    ASSERT_GE(fromProgram.size(), sent.size());
    EXPECT_EQ(fromProgram.substr(fromProgram.size() - sent.size()), sent);
    int last = s.Find("last screen line 299");
    ASSERT_GE(last, 150);
    for (int i = 0; i < 150; ++i)
        EXPECT_EQ(s.lines[size_t(last - i)].text, "last screen line " + std::to_string(299 - i));
    // Then the cursor's empty line, two empty lines and the end.
    EXPECT_EQ(s.lines.size() - size_t(last), 5u);
    for (size_t i = size_t(last) + 1; i + 1 < s.lines.size(); ++i) EXPECT_EQ(s.lines[i].text, "");
    ExpectDisconnected(q, s);
    EXPECT_EQ(q.Close(), 0);
}

// A host that floods the console and closes: its last text, read within a frame of the
// picture before it, is painted as the session ends, and the console shows the cells as
// they are then, with no caret left on them (the caret belongs to a session, and one drawn
// as the session's last frame went on while the status lines scrolled the picture).
TEST(Program, HostClosingRightAfterAFloodLeavesTheConsoleClean) {
    DeleteSettings();
    Settings()->WriteInteger("UseInternalFont", 1);
    std::string flood;
    for (int i = 0; flood.size() < 48000; ++i) flood += "flood line " + std::to_string(i) + "\r\n";
    flood += "last line\r\n";
    std::atomic<bool> go{false};
    TestServer host([&](SOCKET s) {
        std::string offers;
        Receive(s, offers, [&] { return offers.find("\xFF\xFB\x1F") != std::string::npos; }, 20000);
        SendAll(s, "ready\r\n");
        Receive(s, offers, [&] { return go.load(); }, 20000);
        SendAll(s, flood);
    });
    QuiroProgram q("127.0.0.1:" + std::to_string(host.Port()));
    ProbeState s;
    ASSERT_TRUE(StartFocused(q, "ready", s));
    ASSERT_TRUE(q.WaitFor([](const ProbeState& st) { return st.Int("caretShown") == 1; }, 5000, &s));
    go = true;
    ASSERT_TRUE(q.WaitFor(Ended, 20000, &s));
    EXPECT_EQ(s.lines[size_t(s.Find("last line")) + 4].text, "Connection closed...");
    Picture expected = RenderConsole(s), onScreen = ConsoleOnScreen(s, expected);
    EXPECT_EQ(onScreen.Differences(expected), 0);
    onScreen.SaveBmp("console-after-flood-and-close.bmp");
    EXPECT_EQ(q.Close(), 0);
}

// The inetutils telnet server reached by a name from the hosts file: the lookup's lines,
// the telnet negotiation (the server learns the terminal type), Korean text; closing the
// window during the session ends it cleanly and remembers the address.
TEST(Program, TelnetServerByNameThenClosedDuringTheSession) {
    DeleteSettings();
    const std::string korean = ToCp949("안녕하세요, 큐이로입니다");
    TelnetHost host("echo \"TERM=$TERM\"\ncat greeting.txt\nsleep 60\n");
    host.Write("greeting.txt", korean + "\n");
    const std::string port = host.Port();
    ASSERT_FALSE(port.empty());
    {
        QuiroProgram q("localhost:" + port);
        ASSERT_TRUE(q.Window());
        ProbeState s;
        ASSERT_TRUE(q.WaitFor([&](const ProbeState& st) { return st.Find(korean) >= 0; }, 30000, &s))
            << ::testing::PrintToString(s.Texts());
        const std::vector<std::string> expected = {
            "Resolving localhost...", "Found IP address for localhost...",
            "Trying 127.0.0.1 (PORT:" + port + ")...", "Connected to 127.0.0.1...",
            // The cursor stood on the closing empty status line: the host's text begins there.
            "TERM=vt100"};
        std::vector<std::string> texts = s.Texts();
        texts.resize(expected.size());
        EXPECT_EQ(texts, expected);
        EXPECT_EQ(s.Int("connected"), 1);
        EXPECT_EQ(q.Close(), 0);
    }
    EXPECT_EQ(Settings()->ReadString("QuickLinks"), "localhost:" + port + "\r\n");
}

// A refused port, a name nobody knows, a connection the host resets, a serial address
// without its port and a proxy port that cannot be opened: each ends its session with a
// status line and no error box.
TEST(Program, FailedSessionsEndWithAStatusLine) {
    DeleteSettings();
    Settings()->WriteInteger("ProxyType", 2);
    Settings()->WriteString("ProxyHostAddress", "127.0.0.1");
    Settings()->WriteString("ProxyPort", "nosuchservice");
    QuiroProgram q;
    ASSERT_TRUE(q.Window());
    ProbeState s;
    // Each session starts on a cleared console (the probe's Connect returns after that);
    // the result is the index of its last line before the end lines.
    auto session = [&](const std::string& address) {
        q.Connect(address);
        bool ended = q.WaitFor(Ended, 30000, &s) && s.lines.size() >= 5;
        EXPECT_TRUE(ended) << address << ": " << ::testing::PrintToString(s.Texts());
        if (!ended) s.lines.assign(5, ProbeLine{});
        return size_t(s.lines.size() - 4);
    };

    const std::string refused = std::to_string(RefusingPort());
    size_t at = session("local://127.0.0.1:" + refused);
    EXPECT_EQ(s.lines[at - 1].text, "Trying 127.0.0.1 (PORT:" + refused + ")...");
    EXPECT_EQ(s.lines[at].text.rfind("Cannot connect to 127.0.0.1 (PORT:" + refused + ")... [", 0), 0u);
    EXPECT_NE(s.lines[at].text.find("(10061)]"), std::string::npos) << s.lines[at].text;
    ExpectDisconnected(q, s);

    const std::string unknown = std::string(64, 'q') + ".invalid";
    at = session("local://" + unknown + ":23");
    EXPECT_EQ(s.lines[at - 1].text, "Resolving " + unknown + "...");
    EXPECT_EQ(s.lines[at].text, "Cannot find IP address for " + unknown + "...");
    ExpectDisconnected(q, s);

    std::atomic<bool> seen{false};
    {
        TestServer host([&](SOCKET sock) {
            SendAll(sock, "hello from the host\r\n");
            std::string ignored;
            Receive(sock, ignored, [&] { return seen.load(); }, 20000);
            linger hard{1, 0};  // closing now resets the connection
            setsockopt(sock, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&hard), sizeof hard);
        });
        q.Connect("local://127.0.0.1:" + std::to_string(host.Port()));
        EXPECT_TRUE(q.WaitFor([](const ProbeState& st) { return st.Find("hello from the host") >= 0; }, 20000, &s));
        seen = true;
        EXPECT_TRUE(q.WaitFor(Ended, 20000, &s));
        EXPECT_EQ(s.Find("hello from the host"), int(s.lines.size()) - 5);
        ExpectDisconnected(q, s);
    }

    // A serial address without a port (its scheme is told before trailing '/' go).
    at = session("COM://");
    EXPECT_EQ(s.lines[at].text, "Error : COM port not specified!");
    ExpectDisconnected(q, s);

    at = session("127.0.0.1:23");
    EXPECT_EQ(s.lines[at - 1].text, "Trying Proxy Server at 127.0.0.1 (PORT:nosuchservice)...");
    EXPECT_EQ(s.lines[at].text.rfind("Cannot connect to Proxy Server at 127.0.0.1 (PORT:nosuchservice)... [", 0), 0u)
        << s.lines[at].text;
    ExpectDisconnected(q, s);
    EXPECT_EQ(q.Close(), 0);
}

}  // namespace
