// Host output through the whole program under Wine: quiro_probe.exe connected to a host on
// 127.0.0.1 that writes one of the streams of BenchStreams.h as fast as the program reads
// it, for a few seconds, then asks for the cursor position (ESC [ 6 n) and stops the clock
// at the answer. Prints MB/s per stream, with the Windows font (the default settings) and
// with the built-in fonts. After the last byte the program's screen must hold what the
// terminal engine alone makes of the same bytes, and (built-in fonts) the console must show
// the renderer's picture of it. The probe's paint figures tell how far the screen lagged
// behind the data. Run by `make bench`; QUIRO_BENCH_SECONDS sets the seconds per stream;
// QUIRO_BENCH_PACED=1 makes the host one that pauses: 3,000 bytes every 4 ms (about
// 0.7 MB/s), where the picture of each burst must come with the next frame by itself.
#include <winsock2.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "../BenchStreams.h"
#include "BenchClock.h"
#include "comm/CommTestKit.h"
#include "console/ProgramKit.h"
#include "engines/core/DravelTerminal.h"

using namespace quiro::bench;
using namespace quiro::comm::test;
using namespace quiro::console::test;

namespace {

constexpr size_t kStreamBytes = 8 << 20;  // sent round and round until the time is up
constexpr size_t kChunk = 64 << 10;
constexpr size_t kPacedBurst = 3000;
constexpr DWORD kPacedPauseMs = 4;

bool Paced() {
    const char* s = std::getenv("QUIRO_BENCH_PACED");
    return s && std::atoi(s) > 0;
}

double Seconds() {
    const char* s = std::getenv("QUIRO_BENCH_SECONDS");
    return s && std::atof(s) > 0 ? std::atof(s) : 8.0;
}

struct Run {
    size_t sent = 0;  // bytes of the stream, the cursor question not counted
    double seconds = 0;
    std::atomic<bool> answered{false};
};

// Waits for the program's telnet offers, writes the stream until `seconds` have passed,
// asks for the cursor position and waits for the answer.
void Serve(SOCKET s, const std::string& stream, double seconds, Run& run, const std::atomic<bool>& release) {
    std::string in;
    char buf[4096];
    while (in.find("\xFF\xFB\x1F") == std::string::npos) {
        int n = recv(s, buf, sizeof buf, 0);
        if (n <= 0) return;
        in.append(buf, size_t(n));
    }
    const double t0 = Now();
    const bool paced = Paced();
    size_t at = 0;
    while (Now() - t0 < seconds) {
        const size_t n = std::min(paced ? kPacedBurst : kChunk, stream.size() - at % stream.size());
        SendAll(s, stream.substr(at % stream.size(), n));
        at += n;
        if (paced) Sleep(kPacedPauseMs);
    }
    run.sent = at;
    SendAll(s, "\x1b[6n");
    in.clear();
    while (in.find('R') == std::string::npos) {
        int n = recv(s, buf, sizeof buf, 0);
        if (n <= 0) return;
        in.append(buf, size_t(n));
    }
    run.seconds = Now() - t0;
    run.answered = true;
    while (!release) Sleep(10);  // the connection stays until the screen was looked at
}

// The stream's first `sent` bytes (round and round) and the question, through the engine
// alone, in the program's colours and size.
ScreenModel Reference(const std::string& stream, size_t sent, const ProbeState& s) {
    ScreenModel screen;
    TDravelTerminal term(screen, ColorIndexToColor(ColorIndex(s.Int("defaultForeground"))),
                         ColorIndexToColor(ColorIndex(s.Int("viewBackground"))));
    term.SetScreenSize(s.Int("columns"), s.Int("rows"));
    for (size_t at = 0; at < sent;) {
        const size_t n = std::min(stream.size() - at % stream.size(), sent - at);
        term.ProcessReceived(0, reinterpret_cast<const uint8_t*>(stream.data()) + at % stream.size(), n);
        at += n;
    }
    term.ProcessReceived(0, "\x1b[6n");
    return screen;
}

// Screen rows that differ between the program and the engine alone.
int ScreenDifferences(const ProbeState& s, const ScreenModel& ref) {
    int differ = 0;
    const int top = s.Int("screenTop");
    for (int row = 0; row < s.Int("rows"); ++row) {
        const size_t line = size_t(top + row);
        const int refLine = ref.ScreenTop + row;
        ProbeLine want;
        if (refLine < ref.LineCount())
            want = {ref.Text(refLine), ref.Foreground(refLine), ref.Background(refLine)};
        const ProbeLine got = line < s.lines.size() ? s.lines[line] : ProbeLine{};
        if (got.text != want.text || got.foreground != want.foreground || got.background != want.background)
            ++differ;
    }
    if (s.Int("cursorColumn") != ref.CursorColumn || s.Int("cursorRow") != ref.CursorRow) ++differ;
    return differ;
}

bool RunStream(const HostStream& h, bool bitmapFonts, double seconds) {
    const std::string stream = "\x1b[H\x1b[2J" + h.Make(kStreamBytes);
    DeleteSettings();
    Settings()->WriteInteger("UseInternalFont", bitmapFonts ? 1 : 0);
    Run run;
    std::atomic<bool> release{false};
    TestServer host([&](SOCKET s) { Serve(s, stream, seconds, run, release); });
    struct Release {  // before the server waits for its thread
        std::atomic<bool>& flag;
        ~Release() { flag = true; }
    } releaseAtEnd{release};
    // The pointer away from where the console comes, where it would highlight a word.
    MouseTo(5, GetSystemMetrics(SM_CYSCREEN) - 9);
    QuiroProgram q("127.0.0.1:" + std::to_string(host.Port()));
    if (!q.Window()) return false;
    const bool done = PumpUntil([&] { return run.answered.load(); }, DWORD(seconds * 1000) + 300000);
    ProbeState s = q.State();
    if (!done) {
        std::printf("  %-16s no answer after %.0f s\n", h.Name, seconds + 300);
        q.Close();
        return false;
    }
    const int rows = ScreenDifferences(s, Reference(stream, run.sent, s));
    std::string picture = "-";
    if (bitmapFonts) {
        const Picture expected = RenderConsole(s);
        const RECT box{s.Int("paintBoxLeft"), s.Int("paintBoxTop"), s.Int("paintBoxLeft") + expected.width,
                       s.Int("paintBoxTop") + expected.height};
        // The caret may stand on the cursor cell (it blinks): that cell is left out.
        const int cw = s.Int("cellWidth"), ch = s.Int("cellHeight");
        const int cx = s.Int("cursorColumn") * cw + s.Int("horizontalOffset");
        const int cy = (s.Int("screenTop") + s.Int("cursorRow") - s.Int("firstDisplayedLine")) * ch;
        auto capture = [&] {
            Picture p = CaptureScreen(box);
            for (int y = std::max(cy, 0); y < std::min(cy + ch, p.height); ++y)
                for (int x = std::max(cx, 0); x < std::min(cx + cw, p.width); ++x)
                    p.pixels[size_t(y * p.width + x)] = expected.pixels[size_t(y * p.width + x)];
            return p;
        };
        Picture shown;
        PumpUntil([&] { return (shown = capture()).Differences(expected) == 0; }, 2000);
        const int pixels = shown.Differences(expected);
        picture = pixels == 0 ? "same" : std::to_string(pixels) + " px differ";
        if (pixels) {
            shown.SaveBmp(std::string("throughput-") + h.Name + ".bmp");
            expected.SaveBmp(std::string("throughput-") + h.Name + "-expected.bmp");
        }
    }
    std::printf("  %-16s %8.2f MB/s  %7.1f MB in %5.2f s  screen %s  picture %s  frames %s (%s late), longest wait %s ms\n",
                h.Name, double(run.sent) / run.seconds / 1e6, double(run.sent) / 1e6, run.seconds,
                rows == 0 ? "same" : (std::to_string(rows) + " rows differ").c_str(), picture.c_str(),
                s.fields.count("framesPainted") ? s.Str("framesPainted").c_str() : "?",
                s.fields.count("lateFrames") ? s.Str("lateFrames").c_str() : "?",
                s.fields.count("longestPaintWait") ? s.Str("longestPaintWait").c_str() : "?");
    std::fflush(stdout);
    q.Close();
    return rows == 0 && (picture == "-" || picture == "same");
}

}  // namespace

// QUIRO_BENCH_ONLY: a comma-separated list of stream names and font kinds ("windows",
// "builtin") to run; what it does not name of a kind runs all of that kind.
std::vector<std::string> Chosen(const std::vector<std::string>& names) {
    const char* only = std::getenv("QUIRO_BENCH_ONLY");
    const std::string list = "," + std::string(only ? only : "") + ",";
    std::vector<std::string> chosen;
    for (const std::string& n : names)
        if (list.find("," + n + ",") != std::string::npos) chosen.push_back(n);
    return chosen.empty() ? names : chosen;
}

int main() {
    const double seconds = Seconds();
    std::vector<std::string> names;
    for (const HostStream& h : HostStreams()) names.push_back(h.Name);
    const std::vector<std::string> streams = Chosen(names), fonts = Chosen({"windows", "builtin"});
    bool ok = true;
    for (const std::string& font : fonts) {
        const bool bitmapFonts = font == "builtin";
        std::printf("host output through the program%s, %.0f s per stream, %s:\n",
                    Paced() ? " (a host that pauses)" : "", seconds,
                    bitmapFonts ? "built-in fonts" : "Windows font (default settings)");
        for (const HostStream& h : HostStreams())
            if (std::find(streams.begin(), streams.end(), h.Name) != streams.end())
                ok = RunStream(h, bitmapFonts, seconds) && ok;
    }
    DeleteSettings();
    return ok ? 0 : 1;
}
