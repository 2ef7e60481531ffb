// Terminal engine throughput on seeded 10 MB streams fed in 1460-byte blocks (the
// streams of BenchStreams.h: plain ASCII lines, Korean text with frequent colour changes,
// full-screen ANSI art, scroll-region stress, a full rendition before every character, a
// cursor position before every word). Built a second time as bench_terminal
// (tools/termdiff) with the oracle terminal library, which gets the same streams (Korean
// as UTF-8); that build prints both throughputs and our/oracle ratio per stream.
#include "engines/core/DravelTerminal.h"

#include "BenchStreams.h"

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
        std::vector<Stream> v;
        for (const quiro::bench::HostStream& h : quiro::bench::HostStreams()) {
            Stream s{h.Name, h.Make(StreamSize), {}};
#ifdef QUIRO_BENCH_VTERM
            s.Utf8 = ToUtf8(s.Data);
#else
            s.Utf8 = s.Data;
#endif
            v.push_back(std::move(s));
        }
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
    for (size_t i = 0; i < Streams().size(); ++i) {
        const std::string name = Streams()[i].Name;
        benchmark::RegisterBenchmark(("terminal/" + name).c_str(), FeedOurs, static_cast<int>(i))->Unit(benchmark::kMillisecond);
#ifdef QUIRO_BENCH_VTERM
        benchmark::RegisterBenchmark(("oracle/" + name).c_str(), FeedOracle, static_cast<int>(i))->Unit(benchmark::kMillisecond);
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
            // One run, or the median of repetitions (which comes after them).
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name != "median")
                continue;
            const std::string name = r.run_name.str();
            const std::string stream = name.substr(name.find('/') + 1);
            size_t which = 0;
            for (size_t i = 0; i < Streams().size(); ++i)
                if (stream == Streams()[i].Name)
                    which = i;
            const double bytes = name.rfind("oracle", 0) == 0 ? static_cast<double>(Streams()[which].Utf8.size())
                                                               : static_cast<double>(Streams()[which].Data.size());
            const double seconds = r.GetAdjustedRealTime() * 1e-3; // in milliseconds
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
    for (size_t i = 0; i < Streams().size(); ++i) {
        const std::string n = Streams()[i].Name;
        const double ours = reporter.Rates["terminal/" + n];
        const double oracle = reporter.Rates["oracle/" + n];
        std::printf("%-16s %12.1f %12.1f %8.2f\n", n.c_str(), ours, oracle, oracle > 0 ? ours / oracle : 0.0);
    }
    benchmark::Shutdown();
    return 0;
}
#endif
