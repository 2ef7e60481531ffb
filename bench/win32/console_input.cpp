// The console end to end under Wine (quiro_probe.exe against a host on 127.0.0.1), with
// the built-in fonts and with a Windows font:
// - frames: a stream of full-screen colour updates shown in the console, per second;
// - the console's own painting, timed by the probe: one whole picture (and how many of
//   them a second), and a scroll of the view by one line;
// - keys: a burst from the system's input queue to the bytes on the wire (keys a
//   second), then keys one at a time, the time from each key to its byte at the host
//   (median and 99th percentile), with the console idle and while the host floods it
//   with text as fast as it reads.
// Run by `make bench`.
#include <winsock2.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "../BenchStreams.h"
#include "BenchClock.h"
#include "comm/CommTestKit.h"
#include "console/ProgramKit.h"

using namespace quiro::bench;
using namespace quiro::comm::test;
using namespace quiro::console::test;

namespace {

constexpr int kBurst = 2000;
constexpr int kSingles = 300;
constexpr int kFrames = 300;
constexpr int kTimedPictures = 200;

std::string Frames() {
    std::string out;
    for (int i = 0; i < 40; ++i) out += "a line of scroll-back\r\n";  // a view that can scroll back
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

// The host: sends the frames once the program's telnet offers are in, notes when each key
// byte ('a', the A key without Shift) arrives, and floods the console with text while asked to.
class Host {
public:
    explicit Host(std::string frames)
        : frames_(std::move(frames)), flood_(AsciiLines(4 << 20)), server_([this](SOCKET s) { Serve(s); }) {}
    ~Host() { done_ = true; }

    uint16_t Port() const { return server_.Port(); }
    double FramesSent() const { return framesSent_; }
    size_t Keys() {
        std::lock_guard l(lock_);
        return arrivals_.size();
    }
    double Arrival(size_t i) {
        std::lock_guard l(lock_);
        return arrivals_[i];
    }
    std::atomic<bool> flood{false};

private:
    void Serve(SOCKET s) {
        std::string offers;
        char buf[8192];
        while (offers.find("\xFF\xFB\x1F") == std::string::npos) {
            int n = recv(s, buf, sizeof buf, 0);
            if (n <= 0) return;
            offers.append(buf, size_t(n));
        }
        framesSent_ = Now();
        SendAll(s, frames_);
        std::thread flooder([this, s] {
            for (size_t at = 0; !done_;) {
                if (!flood) {
                    Sleep(1);
                    continue;
                }
                const size_t n = std::min<size_t>(16384, flood_.size() - at);
                if (send(s, flood_.data() + at, int(n), 0) <= 0) return;
                at = (at + n) % flood_.size();
            }
        });
        while (!done_) {
            fd_set set;
            FD_ZERO(&set);
            FD_SET(s, &set);
            timeval tv{0, 20000};
            if (select(0, &set, nullptr, nullptr, &tv) != 1) continue;
            int n = recv(s, buf, sizeof buf, 0);
            if (n <= 0) break;
            const double t = Now();
            std::lock_guard l(lock_);
            for (int i = 0; i < n; ++i)
                if (buf[i] == 'a') arrivals_.push_back(t);
        }
        done_ = true;
        flooder.join();
    }

    std::string frames_, flood_;
    std::atomic<bool> done_{false};
    std::atomic<double> framesSent_{0};
    std::mutex lock_;
    std::vector<double> arrivals_;
    TestServer server_;
};

struct Latency {
    double median, p99;
};

// Keys one at a time, each waiting for its byte at the host.
Latency Singles(Host& host) {
    std::vector<double> ms;
    for (int i = 0; i < kSingles; ++i) {
        const size_t before = host.Keys();
        const double t0 = Now();
        Press('A');
        if (!PumpUntil([&] { return host.Keys() > before; }, 10000)) break;
        ms.push_back((host.Arrival(before) - t0) * 1000);
    }
    if (ms.empty()) return {-1, -1};
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms[std::min(ms.size() - 1, ms.size() * 99 / 100)]};
}

bool Run(bool bitmapFonts) {
    DeleteSettings();
    Settings()->WriteInteger("UseInternalFont", bitmapFonts ? 1 : 0);
    Host host(Frames());
    QuiroProgram q("127.0.0.1:" + std::to_string(host.Port()));
    MouseTo(5, GetSystemMetrics(SM_CYSCREEN) - 9);  // a pointer over the console highlights words
    ProbeState s;
    auto shown = [](const ProbeState& st) {
        for (const ProbeLine& l : st.lines)
            if (l.text.rfind("frames done", 0) == 0) return true;
        return false;
    };
    std::printf("%s:\n", bitmapFonts ? "built-in fonts" : "Windows font");
    if (!q.WaitFor(shown, 120000, &s)) {
        std::fprintf(stderr, "the frames were not shown (window %p, %zu lines)\n", static_cast<void*>(q.Window()),
                     s.lines.size());
        return false;
    }
    const double frameSeconds = Now() - host.FramesSent();
    std::printf("  %d full-screen frames (80x24, colours) through the program in %.2f s: %.0f frames/s\n", kFrames,
                frameSeconds, kFrames / frameSeconds);

    // The last frame's colour rows, painted again and again, with the program in front as
    // a user who scrolls it has it (its caret shown, which each picture and scroll hides
    // and shows again).
    if (!Focus(q.Window())) std::fprintf(stderr, "the program did not come to the front\n");
    if (q.TimePainting(kTimedPictures)) {
        s = q.State();
        const double picture = std::stod(s.Str("paintMicros")), scroll = std::stod(s.Str("scrollLineMicros"));
        std::printf("  the console's painting: a whole picture %.0f us (%.0f pictures/s), a one-line scroll %.0f us\n",
                    picture, picture > 0 ? 1e6 / picture : 0.0, scroll);
    }

    if (!Focus(q.Window())) std::fprintf(stderr, "the program did not come to the front\n");
    const size_t before = host.Keys();
    const double t0 = Now();
    for (int i = 0; i < kBurst; ++i) Press('A');
    PumpUntil([&] { return host.Keys() >= before + kBurst; }, 120000);
    const double keySeconds = Now() - t0;
    std::printf("  %zu of %d keys from the input queue to the wire in %.2f s: %.0f keys/s\n", host.Keys() - before,
                kBurst, keySeconds, double(host.Keys() - before) / keySeconds);
    const Latency idle = Singles(host);
    host.flood = true;
    Sleep(500);
    const Latency flooded = Singles(host);
    host.flood = false;
    std::printf("  key to wire, one at a time: idle median %.2f ms, 99%% %.2f ms; under a flood of text median "
                "%.2f ms, 99%% %.2f ms\n",
                idle.median, idle.p99, flooded.median, flooded.p99);
    std::fflush(stdout);
    q.Close();
    return true;
}

}  // namespace

int main() {
    bool ok = true;
    for (bool bitmapFonts : {true, false}) ok = Run(bitmapFonts) && ok;
    DeleteSettings();
    return ok ? 0 : 1;
}
