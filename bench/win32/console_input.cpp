// The console end to end under Wine: keys per second from the system's input queue to
// bytes on the wire (quiro_probe.exe connected to a host on 127.0.0.1 that counts what
// arrives), and frames per second for a stream of full-screen updates shown in the console
// (compare the renderer's own figure, bench_console_paint_bench). Run by `make bench`.
#include <winsock2.h>

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <string>

#include "BenchClock.h"
#include "comm/CommTestKit.h"
#include "console/ProgramKit.h"

using namespace quiro::bench;
using namespace quiro::comm::test;
using namespace quiro::console::test;

namespace {

constexpr int kKeys = 2000;
constexpr int kFrames = 300;

// Waits for the program's telnet offers, sends `screen`, then counts what arrives.
void Serve(SOCKET s, const std::string& screen, std::atomic<size_t>& received, std::atomic<bool>& done) {
    std::string offers;
    char buf[8192];
    while (offers.find("\xFF\xFB\x1F") == std::string::npos) {
        int n = recv(s, buf, sizeof buf, 0);
        if (n <= 0) return;
        offers.append(buf, size_t(n));
    }
    SendAll(s, screen);
    while (!done) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(s, &set);
        timeval tv{0, 20000};
        if (select(0, &set, nullptr, nullptr, &tv) != 1) continue;
        int n = recv(s, buf, sizeof buf, 0);
        if (n <= 0) return;
        received += size_t(n);
    }
}

std::string Frames() {
    std::string out;
    for (int f = 0; f < kFrames; ++f) {
        out += "\x1B[H";
        for (int row = 0; row < 24; ++row) {
            out += "\x1B[3" + std::to_string((f + row) % 8) + ";4" + std::to_string((f + row + 4) % 8) + "m";
            std::string line = "frame " + std::to_string(f) + " row " + std::to_string(row) + " ";
            while (line.size() < 80) line += char('A' + (line.size() + f) % 26);
            out += line + (row < 23 ? "\r\n" : "");
        }
    }
    return out + "\x1B[0m\x1B[H\x1B[2Kframes done";
}

}  // namespace

int main() {
    DeleteSettings();
    Settings()->WriteInteger("UseInternalFont", 1);
    std::atomic<size_t> received{0};
    std::atomic<bool> done{false};
    std::atomic<double> streamStart{0};
    const std::string frames = Frames();
    TestServer host([&](SOCKET s) {
        streamStart = Now();
        Serve(s, frames, received, done);
    });
    QuiroProgram q("127.0.0.1:" + std::to_string(host.Port()));
    ProbeState s;
    auto shown = [](const ProbeState& st) {
        for (const ProbeLine& l : st.lines)
            if (l.text.rfind("frames done", 0) == 0) return true;
        return false;
    };
    if (!q.WaitFor(shown, 120000, &s)) {
        std::fprintf(stderr, "the frames were not shown (window %p, %zu lines)\n", static_cast<void*>(q.Window()),
                     s.lines.size());
        for (size_t i = 0; i < s.lines.size() && i < 6; ++i) std::fprintf(stderr, "%s\n", s.lines[i].text.c_str());
        done = true;
        return 1;
    }
    const double frameSeconds = Now() - streamStart;
    std::printf("console: %d full-screen frames (80x24, colours) shown in %.2f s: %.0f frames/s\n", kFrames,
                frameSeconds, kFrames / frameSeconds);

    if (!Focus(q.Window())) std::fprintf(stderr, "the program did not come to the front\n");
    const size_t before = received;
    const double t0 = Now();
    for (int i = 0; i < kKeys; ++i) Press('A');
    PumpUntil([&] { return received >= before + kKeys; }, 120000);
    const double keySeconds = Now() - t0;
    std::printf("console: %zu of %d keys from the input queue to the wire in %.2f s: %.0f keys/s\n",
                size_t(received - before), kKeys, keySeconds, double(received - before) / keySeconds);
    done = true;
    q.Close();
    return 0;
}
