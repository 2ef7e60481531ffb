// Terminal engine throughput on four seeded 10 MB streams fed in 1460-byte blocks:
// plain ASCII lines, Korean text with frequent colour changes, full-screen ANSI art, and
// scroll-region stress. Built a second time as bench_terminal (tools/termdiff) with the
// oracle terminal library, which gets the same streams (Korean as UTF-8); that build
// prints both throughputs and our/oracle ratio per stream.
#include "engines/core/DravelTerminal.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#ifdef QUIRO_BENCH_VTERM
#include <iconv.h>
#include <vterm.h>
#endif

namespace {

constexpr size_t StreamSize = 10u << 20;
constexpr size_t BlockSize = 1460;

std::string Sgr(int fg, int bg) { return "\x1b[" + std::to_string(30 + fg) + ";" + std::to_string(40 + bg) + "m"; }

std::string AsciiLines()
{
    std::mt19937 rng(1);
    std::string s;
    while (s.size() < StreamSize) {
        const int n = static_cast<int>(rng() % 80);
        for (int i = 0; i < n; ++i)
            s += static_cast<char>(0x20 + rng() % 95);
        s += "\r\n";
    }
    return s;
}

std::string KoreanText()
{
    std::mt19937 rng(2);
    std::string s;
    int col = 0, untilSgr = 8;
    while (s.size() < StreamSize) {
        if (--untilSgr <= 0) {
            const int fg = static_cast<int>(rng() % 8);
            s += Sgr(fg, (fg + 1 + rng() % 7) % 8);
            untilSgr = 4 + static_cast<int>(rng() % 5); // 8-16 cells
        }
        if (rng() % 6 == 0) {
            s += ' ';
            col += 1;
        } else {
            s += static_cast<char>(0xB0 + rng() % 25);
            s += static_cast<char>(0xA1 + rng() % 94);
            col += 2;
        }
        if (col >= 76) {
            s += "\r\n";
            col = 0;
        }
    }
    return s;
}

std::string AnsiArt()
{
    std::mt19937 rng(3);
    std::string s;
    while (s.size() < StreamSize) {
        s += "\x1b[2J";
        for (int row = 1; row <= 24; ++row) {
            s += "\x1b[" + std::to_string(row) + ";1H";
            for (int c = 0; c < 79; ++c) {
                const int fg = static_cast<int>(rng() % 8);
                s += Sgr(fg, (fg + 1 + rng() % 7) % 8);
                s += static_cast<char>(0x21 + rng() % 94);
            }
        }
    }
    return s;
}

std::string ScrollStress()
{
    std::mt19937 rng(4);
    std::string s;
    while (s.size() < StreamSize) {
        const int top = 1 + static_cast<int>(rng() % 12);
        const int bottom = top + 1 + static_cast<int>(rng() % (24 - top));
        s += "\x1b[" + std::to_string(top) + ";" + std::to_string(bottom) + "r";
        s += "\x1b[" + std::to_string(bottom) + ";1H";
        for (int i = 0; i < 20; ++i) {
            const int n = static_cast<int>(rng() % 60);
            for (int k = 0; k < n; ++k)
                s += static_cast<char>(0x21 + rng() % 94);
            switch (rng() % 4) {
            case 0: s += "\x1b[2L"; break;
            case 1: s += "\x1b[M"; break;
            case 2: s += "\x1b" "D"; break;
            default: break;
            }
            s += "\r\n";
        }
        s += "\x1b[r";
    }
    return s;
}

struct Stream {
    const char* Name;
    std::string Data;    // as the host sends it to us
    std::string Utf8;    // the same for the oracle
};

#ifdef QUIRO_BENCH_VTERM
std::string ToUtf8(const std::string& ksc)
{
    iconv_t cd = iconv_open("UTF-8", "EUC-KR");
    std::string out(ksc.size() * 2, '\0');
    char* in = const_cast<char*>(ksc.data());
    size_t inLeft = ksc.size();
    char* o = out.data();
    size_t outLeft = out.size();
    iconv(cd, &in, &inLeft, &o, &outLeft);
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}
#endif

std::vector<Stream>& Streams()
{
    static std::vector<Stream> streams = [] {
        std::vector<Stream> v{{"ascii_lines", AsciiLines(), {}},
                              {"korean_sgr", KoreanText(), {}},
                              {"ansi_art", AnsiArt(), {}},
                              {"scroll_regions", ScrollStress(), {}}};
        for (auto& s : v)
            s.Utf8 = s.Data;
#ifdef QUIRO_BENCH_VTERM
        v[1].Utf8 = ToUtf8(v[1].Data);
#endif
        return v;
    }();
    return streams;
}

void FeedOurs(benchmark::State& state, int which)
{
    const Stream& s = Streams()[which];
    for (auto _ : state) {
        ScreenModel screen;
        TDravelTerminal term(screen, ColorIndexToColor(15), ColorIndexToColor(4));
        const auto* p = reinterpret_cast<const uint8_t*>(s.Data.data());
        for (size_t at = 0; at < s.Data.size(); at += BlockSize)
            term.ProcessReceived(0, p + at, std::min(BlockSize, s.Data.size() - at));
        benchmark::DoNotOptimize(screen.LineCount());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(s.Data.size()));
}

#ifdef QUIRO_BENCH_VTERM
void FeedOracle(benchmark::State& state, int which)
{
    const Stream& s = Streams()[which];
    for (auto _ : state) {
        VTerm* vt = vterm_new(24, 80);
        vterm_set_utf8(vt, 1);
        VTermScreen* screen = vterm_obtain_screen(vt);
        vterm_screen_reset(screen, 1);
        for (size_t at = 0; at < s.Utf8.size(); at += BlockSize)
            vterm_input_write(vt, s.Utf8.data() + at, std::min(BlockSize, s.Utf8.size() - at));
        vterm_free(vt);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(s.Utf8.size()));
}
#endif

void RegisterAll()
{
    for (int i = 0; i < 4; ++i) {
        const std::string name = Streams()[i].Name;
        benchmark::RegisterBenchmark(("terminal/" + name).c_str(), FeedOurs, i)->Unit(benchmark::kMillisecond);
#ifdef QUIRO_BENCH_VTERM
        benchmark::RegisterBenchmark(("oracle/" + name).c_str(), FeedOracle, i)->Unit(benchmark::kMillisecond);
#endif
    }
}

#ifndef QUIRO_BENCH_VTERM
const bool registered = (RegisterAll(), true);
#endif

} // namespace

#ifdef QUIRO_BENCH_VTERM
namespace {
// Keeps each run's throughput in MB/s of the stream as sent, for the ratio table.
class RateReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> Rates;
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& r : runs) {
            const std::string name = r.benchmark_name();
            const auto slash = name.find('/');
            const std::string stream = name.substr(slash + 1);
            int which = 0;
            for (int i = 0; i < 4; ++i)
                if (stream == Streams()[i].Name)
                    which = i;
            const double bytes = name.rfind("oracle", 0) == 0 ? static_cast<double>(Streams()[which].Utf8.size())
                                                               : static_cast<double>(Streams()[which].Data.size());
            const double seconds = r.real_accumulated_time / static_cast<double>(r.iterations);
            Rates[name] = bytes / seconds / 1e6;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};
} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RegisterAll();
    RateReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n%-16s %12s %12s %8s\n", "stream", "ours MB/s", "oracle MB/s", "ratio");
    for (int i = 0; i < 4; ++i) {
        const std::string n = Streams()[i].Name;
        const double ours = reporter.Rates["terminal/" + n];
        const double oracle = reporter.Rates["oracle/" + n];
        std::printf("%-16s %12.1f %12.1f %8.2f\n", n.c_str(), ours, oracle, oracle > 0 ? ours / oracle : 0.0);
    }
    benchmark::Shutdown();
    return 0;
}
#endif
