// Telnet sessions through proxies, end to end under Wine: the Debian SOCKS server (danted,
// started by the test on 127.0.0.1 with configurations of its own) in front of the inetutils
// telnet server or a scripted host, and scripted proxies that check the bytes on the wire.
#include <gtest/gtest.h>

#include <fstream>

#include "ProgramKit.h"
#include "SessionKit.h"
#include "comm/CommTestKit.h"
#include "comm/SerialPair.h"

using namespace quiro::console::test;
using namespace quiro::comm::test;

namespace {

using Lines = std::vector<std::string>;

// A port on 127.0.0.1 that takes connections now.
bool Listening(uint16_t port) {
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::closesocket(s);
    return ok;
}

// tests/console/socks-server.sh: danted without authentication (Open) and with the
// user/password method (Auth), both refusing by rule what goes to 127.0.0.1 port `blocked`.
// The servers stop, and their system user is removed, when the object goes.
class SocksServer {
public:
    explicit SocksServer(uint16_t blocked) {
        static int made = 0;
        dir_ = "/tmp/quiro-socks-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++made);
        CreateDirectoryA(("Z:" + dir_).c_str(), nullptr);
        Open = RefusingPort();
        do Auth = RefusingPort();
        while (Auth == Open);
        const std::string script = std::string(QUIRO_SOURCE_DIR).substr(2) + "/tests/console/socks-server.sh";
        RunHost(script + " " + dir_ + " " + std::to_string(Open) + " " + std::to_string(Auth) + " " +
                std::to_string(blocked));
        ready_ = PumpUntil([&] { return bool(std::ifstream(File("user")) >> User >> Password); }, 20000) &&
                 PumpUntil([&] { return Listening(Open) && Listening(Auth); }, 20000);
    }
    ~SocksServer() {
        std::ofstream(File("stop")) << "\n";
        EXPECT_TRUE(PumpUntil([&] { return GetFileAttributesA(File("done").c_str()) != INVALID_FILE_ATTRIBUTES; },
                              20000));
        for (const char* name : {"user", "open.conf", "auth.conf", "open.pid", "auth.pid", "stop", "done"})
            DeleteFileA(File(name).c_str());
        for (uint16_t port : {Open, Auth}) DeleteFileA(File("danted-" + std::to_string(port) + ".log").c_str());
        RemoveDirectoryA(("Z:" + dir_).c_str());
    }
    bool Ready() const { return ready_; }

    uint16_t Open = 0, Auth = 0;
    std::string User, Password;

private:
    std::string File(const std::string& name) const { return "Z:" + dir_ + "/" + name; }
    std::string dir_;
    bool ready_ = false;
};

void UseProxy(int type, uint16_t port, const std::string& user = "", const std::string& password = "",
              const std::string& host = "127.0.0.1") {
    DeleteSettings();
    auto key = Settings();
    key->WriteInteger("ProxyType", type);
    key->WriteString("ProxyHostAddress", host);
    key->WriteString("ProxyPort", std::to_string(port));
    key->WriteString("ProxyUserID", user);
    key->WriteString("ProxyPassword", password);
    key->WriteString("ProxyConnectCommand", type == 1 ? "connect" : "");
}

// One session from the Connect click to its end, the user's Disconnect once a line holds
// `until` when it is given: the console's lines.
Lines Session(QuiroProgram& q, const std::string& address, const std::string& until = "") {
    q.Connect(address);
    ProbeState s;
    if (!until.empty()) {
        EXPECT_TRUE(q.WaitFor([&](const ProbeState& st) {
            for (const std::string& line : st.Texts())
                if (line.find(until) != std::string::npos) return true;
            return false;
        }, 30000, &s)) << address << ": " << ::testing::PrintToString(s.Texts());
        q.Click("MAIN_BTN_Disconnect");
    }
    EXPECT_TRUE(q.WaitFor(Ended, 30000, &s)) << address << ": " << ::testing::PrintToString(s.Texts());
    ExpectDisconnected(q, s);
    return s.Texts();
}

// The lines a session ends with, after what `lines` holds.
Lines Closed(Lines lines) {
    lines.insert(lines.end(), {"", "", "Connection closed..."});
    return lines;
}

std::string Trying(uint16_t proxyPort) {
    return "Trying Proxy Server at 127.0.0.1 (PORT:" + std::to_string(proxyPort) + ")...";
}
std::string Requesting(const std::string& port) { return "Requesting connection to 127.0.0.1 (PORT:" + port + ")..."; }

// A host that greets, waits for the telnet offers (sent once the tunnel stands), then closes.
std::function<void(SOCKET)> Greeter(const std::string& greeting) {
    return [greeting](SOCKET s) {
        SendAll(s, "\r\n" + greeting + "\r\n");
        std::string got;
        Receive(s, got, [&] { return got.find("\xFF\xFB\x18\xFF\xFB\x1F") != std::string::npos; }, 20000);
    };
}

// SOCKS 4: the inetutils telnet server reached through the tunnel learns the terminal type
// from the telnet offers; a target that a rule blocks is rejected.
TEST(Proxy, Socks4ThroughTheSocksServer) {
    TestServer blocked([](SOCKET) {});
    SocksServer socks(blocked.Port());
    ASSERT_TRUE(socks.Ready());
    TelnetHost telnetd("echo \"TERM=$TERM\"\nsleep 60\n");
    ASSERT_FALSE(telnetd.Port().empty());
    UseProxy(2, socks.Open);
    QuiroProgram q;
    ASSERT_TRUE(q.Window());

    const std::string target = "127.0.0.1:" + telnetd.Port();
    EXPECT_EQ(Session(q, target, "TERM="), Closed({Trying(socks.Open), "Connected to SOCKS4 Server (127.0.0.1)...",
                                          Requesting(telnetd.Port()), "", "Request Granted...TERM=vt100", ""}));

    const std::string refused = std::to_string(blocked.Port());
    EXPECT_EQ(Session(q, "127.0.0.1:" + refused),
              Closed({Trying(socks.Open), "Connected to SOCKS4 Server (127.0.0.1)...", Requesting(refused), "",
                      "Request Rejected or Failed..."}));
    EXPECT_EQ(q.Close(), 0);
}

// SOCKS 5 without authentication: a scripted host, a closed port, a port a rule blocks.
TEST(Proxy, Socks5ThroughTheSocksServer) {
    TestServer blocked([](SOCKET) {});
    SocksServer socks(blocked.Port());
    ASSERT_TRUE(socks.Ready());
    TestServer host(Greeter("through socks 5"));
    UseProxy(3, socks.Open);
    QuiroProgram q;
    ASSERT_TRUE(q.Window());
    auto lines = [&](uint16_t port, Lines last) {
        Lines all = {Trying(socks.Open), "Connected to SOCKS5 Server (127.0.0.1)...", "",
                     Requesting(std::to_string(port))};
        all.insert(all.end(), last.begin(), last.end());
        return Closed(all);
    };

    EXPECT_EQ(Session(q, "127.0.0.1:" + std::to_string(host.Port())),
              lines(host.Port(), {"Request Granted...", "through socks 5", ""}));

    const uint16_t closed = RefusingPort();
    EXPECT_EQ(Session(q, "127.0.0.1:" + std::to_string(closed)), lines(closed, {"Connection Refused..."}));
    EXPECT_EQ(Session(q, "127.0.0.1:" + std::to_string(blocked.Port())),
              lines(blocked.Port(), {"Connection Not Allowed by Ruleset..."}));
    EXPECT_EQ(q.Close(), 0);
}

// SOCKS 5 with the user/password method: the system user's password opens the tunnel, a
// wrong one is answered with a failure that the negotiation does not know.
TEST(Proxy, Socks5UserAndPasswordThroughTheSocksServer) {
    TestServer unused([](SOCKET) {});
    SocksServer socks(unused.Port());
    ASSERT_TRUE(socks.Ready());
    TestServer host(Greeter("through socks 5 with a password"));
    const std::string target = "127.0.0.1:" + std::to_string(host.Port());
    Lines start = {Trying(socks.Auth), "Connected to SOCKS5 Server (127.0.0.1)...", ""};
    {
        UseProxy(3, socks.Auth, socks.User, socks.Password + "x");
        QuiroProgram q;
        ASSERT_TRUE(q.Window());
        Lines refused = start;
        refused.push_back("Unknown Server Response...");
        EXPECT_EQ(Session(q, target), Closed(refused));
        EXPECT_EQ(q.Close(), 0);
    }
    UseProxy(3, socks.Auth, socks.User, socks.Password);
    QuiroProgram q;
    ASSERT_TRUE(q.Window());
    start.insert(start.end(), {Requesting(std::to_string(host.Port())), "Request Granted...",
                               "through socks 5 with a password", ""});
    EXPECT_EQ(Session(q, target), Closed(start));
    EXPECT_EQ(q.Close(), 0);
}

// A scripted SOCKS 5 proxy: with an empty user and password it is sent 01 00 00; its
// CONNECT reply and the host's first bytes arrive in one segment, and the bytes are shown.
TEST(Proxy, ScriptedSocks5ProxyReplyAndBannerInOneSegment) {
    std::string wire;
    TestServer proxy([&](SOCKET s) {
        auto take = [&](size_t n) {
            size_t want = wire.size() + n;
            Receive(s, wire, [&] { return wire.size() >= want; }, 20000);
        };
        take(4);
        SendAll(s, std::string("\x05\x02", 2));
        take(3);
        SendAll(s, std::string("\x01\x00", 2));
        take(10);
        SendAll(s, std::string("\x05\x00\x00\x01\x7F\x00\x00\x01\x00\x17", 10) + "\r\nscripted banner\r\n");
        take(6);
    });
    UseProxy(3, proxy.Port());
    QuiroProgram q;
    ASSERT_TRUE(q.Window());
    EXPECT_EQ(Session(q, "10.9.8.7:2323"),
              Closed({Trying(proxy.Port()), "Connected to SOCKS5 Server (127.0.0.1)...", "",
                      "Requesting connection to 10.9.8.7 (PORT:2323)...", "Request Granted...",
                      "scripted banner", ""}));
    EXPECT_EQ(wire, std::string("\x05\x02\x00\x02"
                                "\x01\x00\x00"
                                "\x05\x01\x00\x01\x0A\x09\x08\x07\x09\x13"
                                "\xFF\xFB\x18\xFF\xFB\x1F",
                                23));
    EXPECT_EQ(q.Close(), 0);
}

// A scripted TIS proxy, found by name: it greets, is sent exactly the connect command with
// the host and port, and its refusal is shown before the session ends.
TEST(Proxy, ScriptedTisProxyShowsItsRefusal) {
    std::string request;
    TestServer proxy([&](SOCKET s) {
        SendAll(s, "tis gateway ready\r\n");
        Receive(s, request, [&] { return request.find('\n') != std::string::npos; }, 20000);
        SendAll(s, "Not permitted: bbs.example\r\n");
    });
    UseProxy(1, proxy.Port(), "", "", "localhost");
    QuiroProgram q;
    ASSERT_TRUE(q.Window());
    const std::string port = std::to_string(proxy.Port());
    EXPECT_EQ(Session(q, "bbs.example:2323"),
              Closed({"Resolving Proxy Server (localhost)...", "Found IP address for Proxy Server (localhost)...",
                      Trying(proxy.Port()), "Connected to Proxy Server (127.0.0.1)...", "",
                      "Requesting> Not permitted: bbs.example", ""}));
    EXPECT_EQ(request, "connect bbs.example 2323\r\n");
    EXPECT_EQ(q.Close(), 0);
}

}  // namespace
