// ZModem on a noisy line: downloads from sz and uploads to rz through the damaging relay
// (drops, flips and duplicates; the senders stream unpaced, tens of kilobytes in flight),
// with our engine on our end of the line and, on the same seeds, rz or sz in its place.
// Each row prints both completion rates and the mean time of a completed transfer.
//   QUIRO_NOISE_SEEDS=N   seeds per row (default 6)
//   QUIRO_NOISE_JOBS=N    transfers at a time (default 6)
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

#include "../tools/zm/peer/LrzszRuns.h"

namespace {

unsigned FromEnv(const char* name, unsigned otherwise)
{
    const char* s = std::getenv(name);
    int n = s ? std::atoi(s) : 0;
    return n > 0 ? unsigned(n) : otherwise;
}

// Args: upload (0/1), file size, damage (one fault in N bytes), line speed (bytes/s).
void BM_NoisyLine(benchmark::State& state)
{
    peer::NoisyCase c;
    c.upload = state.range(0) != 0;
    c.size = size_t(state.range(1));
    c.faultOneIn = unsigned(state.range(2));
    c.bytesPerSec = uint32_t(state.range(3));
    c.limitMs = 300000;
    const unsigned seeds = FromEnv("QUIRO_NOISE_SEEDS", 6);
    std::vector<peer::NoisyCase> cases;
    for (unsigned seed = 1; seed <= seeds; ++seed) {
        c.seed = seed;
        cases.push_back(c);
    }
    unsigned ok[2] = {}, wrong[2] = {};
    double ms[2] = {};
    for (auto _ : state) {
        for (const auto& [ours, theirs] : peer::NoisyTransfers(cases, FromEnv("QUIRO_NOISE_JOBS", 6))) {
            int k = 0;
            for (const peer::NoisyResult* r : {&theirs, &ours}) {
                ok[k] += r->ok;
                wrong[k] += r->wrongBytes;
                ms[k] += r->ok ? double(r->ms) : 0;
                ++k;
            }
        }
    }
    auto pct = [&](int k) { return 100.0 * ok[k] / seeds; };
    auto mean = [&](int k) { return ok[k] ? ms[k] / ok[k] / 1000.0 : 0.0; };
    state.counters["ours_ok_pct"] = pct(1);
    state.counters["lrzsz_ok_pct"] = pct(0);
    state.counters["ours_mean_s"] = mean(1);
    state.counters["lrzsz_mean_s"] = mean(0);
    std::printf("%-8s %7zu B at %4u KB/s, 1/%-5u  ours %5.1f%% %6.1f s   %s %5.1f%% %6.1f s%s\n",
                c.upload ? "upload" : "download", c.size, c.bytesPerSec / 1000, c.faultOneIn,
                pct(1), mean(1), c.upload ? "sz" : "rz", pct(0), mean(0),
                wrong[1] || wrong[0] ? "   REPORTED OK WITH WRONG BYTES" : "");
    std::fflush(stdout);
    if (wrong[1])
        state.SkipWithError("our end reported OK with wrong bytes");
}
// A slow line with the smaller file, a fast one with the larger: each about three seconds
// when nothing goes wrong.
BENCHMARK(BM_NoisyLine)
    ->ArgsProduct({{0, 1}, {300000}, {10000, 3000, 1000}, {100000}})
    ->ArgsProduct({{0, 1}, {3000000}, {10000, 3000, 1000}, {1000000}})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace
