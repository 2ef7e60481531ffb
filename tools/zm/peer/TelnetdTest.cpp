// The telnet object against Debian's telnet server. The test listens on 127.0.0.1, accepts
// one connection and runs the server on it with a probe script in place of login.
#include <arpa/inet.h>
#include <netinet/in.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>

#include "PeerHarness.h"
#include "engines/core/Telnet.h"

using namespace peer;
using namespace quiro::zmtool;

namespace {

// One telnet session: the server on an accepted socket, our telnet object on the client.
struct TelnetSession {
    int client = -1;
    pid_t server = -1;
    std::unique_ptr<FdChannel> line;
    IDravelTelnet telnet;
    int mode = 0;
    std::string text;  // data bytes as the terminal would get them

    TelnetSession(const std::string& probe, uint16_t cols, uint16_t rows)
    {
        int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        ::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        ::listen(listener, 1);
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);
        client = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        ::connect(client, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        int served = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        ::close(listener);
        server = Spawn({"/usr/sbin/telnetd", "-h", "-E", probe}, "/", served);
        ::close(served);
        line = std::make_unique<FdChannel>(client, client, 16384, true);
        telnet.SetPort(line.get());
        telnet.SetWindowSize(cols, rows);
        telnet.SendTelnetWillOptions();
    }
    ~TelnetSession()
    {
        line.reset();
        ::close(client);
        Reap(server, 3000);
    }
    // Runs the terminal's side until `done` holds after a byte (or 10 s pass); returns the
    // bytes of that read that came after it.
    Bytes Until(const std::function<bool()>& done)
    {
        uint64_t deadline = MonotonicClock::RealMs() + 10000;
        uint8_t buf[4096];
        while (MonotonicClock::RealMs() < deadline) {
            line->Flush();
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
                        text += char(b);
                } else if (b == IDravelTelnet::IAC) {
                    telnet.BeginCommand(mode);
                    mode = IDravelTelnet::TelnetMode;
                } else {
                    text += char(b);
                }
                if (done())
                    return Bytes(buf + i + 1, buf + got);
            }
        }
        return {};
    }
};

std::string WriteProbe(const TempDir& tmp, const std::string& name, const std::string& script)
{
    std::string path = tmp.path + "/" + name;
    WriteFile(path, Bytes(script.begin(), script.end()));
    ::chmod(path.c_str(), 0755);
    return path;
}

bool Has(const std::string& text, const std::string& what)
{
    return text.find(what) != std::string::npos;
}

}  // namespace

TEST(Telnetd, TerminalTypeWindowSizeAndBinary)
{
    TempDir tmp;
    std::string probe = WriteProbe(tmp, "probe.sh", R"sh(#!/bin/sh
echo "TERM=$TERM"
i=0
while [ "$(stty size)" = "0 0" ] && [ $i -lt 100 ]; do sleep 0.05; i=$((i+1)); done
echo "SIZE=$(stty size)"
stty raw -echo
echo "READY"
printf 'GOT=%s\n' "$(head -c 4 | od -An -tx1 | tr -d ' \n')"
printf 'HIGH=\377\200\n'
)sh");
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
        TelnetSession s(probe, r.cols, r.rows);
        s.telnet.EnterTelnetBinary();
        bool hostBinary = false;  // the server may drop it again later (it follows its tty)
        s.Until([&] {
            hostBinary = hostBinary || s.telnet.HostBinary();
            return Has(s.text, "READY");
        });
        // CR NUL and a doubled 0xFF arrive as sent only in binary mode.
        const uint8_t payload[] = {0xC7, 0xFF, 0xFF, 0x0D, 0x00};
        s.line->PutBlock(payload, sizeof payload);
        s.Until([&] { return Has(s.text, "HIGH=\xFF\x80\n") || Has(s.text, "HIGH=\xFF\x80\r"); });
        EXPECT_TRUE(Has(s.text, "TERM=vt100")) << s.text;
        EXPECT_TRUE(Has(s.text, r.size)) << s.text;
        EXPECT_TRUE(hostBinary);
        EXPECT_TRUE(s.telnet.OwnBinary());
        EXPECT_TRUE(Has(s.text, "GOT=c7ff0d00")) << s.text;
        EXPECT_TRUE(Has(s.text, "HIGH=\xFF\x80")) << s.text;
    }
}

// ZModem over the telnet line: sz and rz behind the server in binary mode, so every data
// 0xFF travels doubled both ways.
TEST(Telnetd, ZModemBothWaysOverTheTelnetLine)
{
    TempDir tmp;
    std::string src = tmp.Sub("src"), dst = tmp.Sub("dst"), up = tmp.Sub("up");
    Bytes data = RandomBytes(120000, 11);
    for (size_t i = 0; i < data.size(); i += 7)
        data[i] = 0xFF;
    WriteFile(src + "/ff.bin", data);

    for (bool download : {true, false}) {
        SCOPED_TRACE(download ? "download" : "upload");
        std::string probe = WriteProbe(tmp, download ? "down.sh" : "up.sh",
                                       "#!/bin/sh\nstty raw -echo\necho READY\n" +
                                           (download ? "exec sz -q " + src + "/ff.bin\n"
                                                     : "cd " + up + " && exec rz -q\n"));
        TelnetSession s(probe, 80, 24);
        // The tty is raw by then (a bare LF ends the line). As the front end does when a
        // transfer starts, binary goes on now, so the server agrees to it for its output.
        Bytes leftover = s.Until([&] { return Has(s.text, "READY\n"); });
        s.telnet.EnterTelnetBinary();
        PosixFileStore files;
        MonotonicClock clock;
        LoopTimer timer(0);
        IDravelZModem zm;
        zm.SetFileStore(&files);
        zm.SetClock(&clock);
        if (download) {
            zm.Start(s.line.get(), IDravelZModem::DirectionReceive, dst + "/", "");
            zm.SendZRINIT();
        } else {
            zm.Start(s.line.get(), IDravelZModem::DirectionSend, src + "/", "ff.bin");
            zm.StartSender(&timer);
        }
        for (uint8_t b : leftover)
            zm.ProcessByte(b);
        SessionEnd end = RunSession(zm, *s.line, download ? nullptr : &timer);
        EXPECT_TRUE(SessionSucceeded(zm, end)) << "status " << zm.Status();
        Bytes got;
        EXPECT_TRUE(ReadFile((download ? dst : up) + "/ff.bin", got));
        EXPECT_EQ(got, data);
    }
}
