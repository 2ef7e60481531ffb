// The telnet object against Debian's telnet server. The test listens on 127.0.0.1, accepts
// one connection and runs the server on it with a probe script in place of login.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <gtest/gtest.h>

#include <cstring>

#include "PeerHarness.h"
#include "engines/core/Telnet.h"

using namespace peer;
using namespace quiro::zmtool;

namespace {

const char* const Probe = R"sh(#!/bin/sh
# Reports what the client negotiated, then echoes four raw bytes as hex.
echo "TERM=$TERM"
i=0
while [ "$(stty size)" = "0 0" ] && [ $i -lt 100 ]; do sleep 0.05; i=$((i+1)); done
echo "SIZE=$(stty size)"
stty raw -echo
echo "READY"
printf 'GOT=%s\n' "$(head -c 4 | od -An -tx1 | tr -d ' \n')"
printf 'HIGH=\377\200\n'
)sh";

struct Session {
    std::string text;  // data bytes as the terminal would get them
    bool hostBinary = false;  // the server agreed to send binary
    bool ownBinary = false;   // still sending binary at the end
};

// Connects, negotiates with a window of cols x rows, enters binary, sends four bytes after
// READY and collects everything until the probe ends (or 10 s pass).
Session RunTelnetd(const std::string& probe, uint16_t cols, uint16_t rows, const Bytes& payload)
{
    Session s;
    int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listener, 1) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        ::close(listener);
        return s;
    }
    int client = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ::connect(client, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    int served = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    ::close(listener);
    pid_t server = Spawn({"/usr/sbin/telnetd", "-h", "-E", probe}, "/", served);
    ::close(served);

    FdChannel line(client, client, 8192, true);
    IDravelTelnet telnet;
    telnet.SetPort(&line);
    telnet.SetWindowSize(cols, rows);
    telnet.SendTelnetWillOptions();
    telnet.EnterTelnetBinary();
    int mode = 0;
    bool sent = false;
    uint64_t deadline = MonotonicClock::RealMs() + 10000;
    uint8_t buf[4096];
    while (MonotonicClock::RealMs() < deadline && s.text.find("HIGH=") == std::string::npos) {
        line.Flush();
        pollfd p = {client, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0)
            continue;
        ssize_t got = ::read(client, buf, sizeof buf);
        if (got <= 0)
            break;
        for (ssize_t i = 0; i < got; ++i) {
            uint8_t b = buf[i];
            if (mode == IDravelTelnet::TelnetMode) {
                int r = telnet.ProcessTelnetCommand(b);
                mode = telnet.ReturnMode();
                if (r == 0)
                    s.text += char(b);
            } else if (b == IDravelTelnet::IAC) {
                telnet.BeginCommand(mode);
                mode = IDravelTelnet::TelnetMode;
            } else {
                s.text += char(b);
            }
        }
        // The server may later drop its side again (it follows its tty's output mode).
        s.hostBinary = s.hostBinary || telnet.HostBinary();
        if (!sent && s.text.find("READY") != std::string::npos) {
            // Data 0xFF travels doubled on a telnet line.
            Bytes out;
            for (uint8_t b : payload) {
                out.push_back(b);
                if (b == 0xFF)
                    out.push_back(0xFF);
            }
            line.PutBlock(out.data(), uint32_t(out.size()));
            sent = true;
        }
    }
    // Let the last line ("HIGH=..\n") arrive.
    uint64_t end = MonotonicClock::RealMs() + 2000;
    while (s.text.find("HIGH=\xFF\x80") != std::string::npos &&
           s.text.find('\n', s.text.find("HIGH=")) == std::string::npos &&
           MonotonicClock::RealMs() < end) {
        pollfd p = {client, POLLIN, 0};
        if (::poll(&p, 1, 100) > 0) {
            ssize_t got = ::read(client, buf, sizeof buf);
            if (got <= 0)
                break;
            s.text.append(reinterpret_cast<char*>(buf), size_t(got));
        }
    }
    s.ownBinary = telnet.OwnBinary();
    ::close(client);
    Reap(server, 3000);
    return s;
}

}  // namespace

TEST(Telnetd, TerminalTypeWindowSizeAndBinary)
{
    TempDir tmp;
    std::string probe = tmp.path + "/probe.sh";
    WriteFile(probe, Bytes(Probe, Probe + std::strlen(Probe)));
    ::chmod(probe.c_str(), 0755);

    struct Row {
        uint16_t cols, rows;
        const char* size;
    } rows[] = {
        {80, 24, "SIZE=24 80"},
        {255, 24, "SIZE=24 255"},  // a size byte of 0xFF must be doubled
        {300, 255, "SIZE=255 300"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.size);
        Session s = RunTelnetd(probe, r.cols, r.rows, {0xC7, 0xFF, 0x0D, 0x00});
        EXPECT_NE(s.text.find("TERM=vt100"), std::string::npos) << s.text;
        EXPECT_NE(s.text.find(r.size), std::string::npos) << s.text;
        EXPECT_TRUE(s.hostBinary);
        EXPECT_TRUE(s.ownBinary);
        // Binary both ways: the CR NUL pair and 0xFF arrive as sent, and the probe's
        // 0xFF 0x80 come back as data.
        EXPECT_NE(s.text.find("GOT=c7ff0d00"), std::string::npos) << s.text;
        EXPECT_NE(s.text.find("HIGH=\xFF\x80"), std::string::npos) << s.text;
    }
}

// ZModem over the telnet line: sz and rz run behind the telnet server in binary mode, so
// every data 0xFF travels doubled both ways.
namespace {

struct TelnetLine {
    int client = -1;
    pid_t server = -1;
    Bytes leftover;  // bytes that followed READY
};

TelnetLine OpenTelnetd(const std::string& probe, IDravelTelnet& telnet, FdChannel*& line)
{
    TelnetLine t;
    int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::listen(listener, 1);
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);
    t.client = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ::connect(t.client, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    int served = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    ::close(listener);
    t.server = Spawn({"/usr/sbin/telnetd", "-h", "-E", probe}, "/", served);
    ::close(served);

    line = new FdChannel(t.client, t.client, 16384, true);
    telnet.SetPort(line);
    telnet.SendTelnetWillOptions();
    std::string text;
    int mode = 0;
    uint64_t deadline = MonotonicClock::RealMs() + 10000;
    uint8_t buf[4096];
    while (MonotonicClock::RealMs() < deadline) {
        line->Flush();
        pollfd p = {t.client, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0)
            continue;
        ssize_t got = ::read(t.client, buf, sizeof buf);
        if (got <= 0)
            break;
        for (ssize_t i = 0; i < got; ++i) {
            uint8_t b = buf[i];
            if (mode == IDravelTelnet::TelnetMode) {
                telnet.ProcessTelnetCommand(b);
                mode = telnet.ReturnMode();
            } else if (b == IDravelTelnet::IAC) {
                telnet.BeginCommand(mode);
                mode = IDravelTelnet::TelnetMode;
            } else {
                text += char(b);
                // The tty is raw by then: the line ends with a bare LF.
                if (text.size() >= 6 && text.compare(text.size() - 6, 6, "READY\n") == 0) {
                    // As the front end does when a transfer starts: the host program has
                    // its tty raw by now, so the server agrees to binary output too.
                    telnet.EnterTelnetBinary();
                    line->Flush();
                    t.leftover.assign(buf + i + 1, buf + got);
                    return t;
                }
            }
        }
    }
    return t;
}

}  // namespace

TEST(Telnetd, ZModemBothWaysOverTheTelnetLine)
{
    TempDir tmp;
    std::string src = tmp.Sub("src"), dst = tmp.Sub("dst"), up = tmp.Sub("up");
    // Plenty of 0xFF and telnet-looking pairs in the data.
    Bytes data = RandomBytes(120000, 11);
    for (size_t i = 0; i < data.size(); i += 7)
        data[i] = 0xFF;
    WriteFile(src + "/ff.bin", data);

    for (bool download : {true, false}) {
        SCOPED_TRACE(download ? "download" : "upload");
        std::string probe = tmp.path + (download ? "/down.sh" : "/up.sh");
        std::string script = "#!/bin/sh\nstty raw -echo\necho READY\n" +
                             (download ? "exec sz -q " + src + "/ff.bin\n"
                                       : "cd " + up + " && exec rz -q\n");
        WriteFile(probe, Bytes(script.begin(), script.end()));
        ::chmod(probe.c_str(), 0755);

        IDravelTelnet telnet;
        telnet.SetWindowSize(80, 24);
        FdChannel* line = nullptr;
        TelnetLine t = OpenTelnetd(probe, telnet, line);
        ASSERT_NE(line, nullptr);
        PosixFileStore files;
        MonotonicClock clock;
        LoopTimer timer(0);
        IDravelZModem zm;
        zm.SetFileStore(&files);
        zm.SetClock(&clock);
        SessionEnd end;
        if (download) {
            zm.Start(line, IDravelZModem::DirectionReceive, dst + "/", "");
            zm.SendZRINIT();
            for (uint8_t b : t.leftover)
                zm.ProcessByte(b);
            end = RunSession(zm, *line, nullptr);
        } else {
            zm.Start(line, IDravelZModem::DirectionSend, src + "/", "ff.bin");
            zm.StartSender(&timer);
            for (uint8_t b : t.leftover)
                zm.ProcessByte(b);
            end = RunSession(zm, *line, &timer);
        }
        EXPECT_TRUE(SessionSucceeded(zm, end)) << "status " << zm.Status();
        Bytes got;
        EXPECT_TRUE(ReadFile((download ? dst : up) + "/ff.bin", got));
        EXPECT_EQ(got, data);
        delete line;
        ::close(t.client);
        Reap(t.server, 3000);
    }
}
