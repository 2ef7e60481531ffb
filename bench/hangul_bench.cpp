// Johab lookups per received pair, and keys per second through the console automaton.
#include <benchmark/benchmark.h>

#include <string>

#include "engines/core/DravelHanguel.h"
#include "engines/core/KscJohab.h"

namespace {

void BM_JohabSyllableLookup(benchmark::State& state) {
    int i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(JohabToKscCode(JohabSyllableTable[i], JohabSource::Terminal));
        i = (i + 37) % 2350;
    }
}
BENCHMARK(BM_JohabSyllableLookup);

// A code that is neither syllable nor jamo: binary search and the full jamo scan.
void BM_JohabMissLookup(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(JohabToKscCode(0xD931, JohabSource::Terminal));
}
BENCHMARK(BM_JohabMissLookup);

void BM_ConsoleTyping(benchmark::State& state) {
    const std::string keys = "dkssudgktpdy gksrmf dlqfurdmf xptmxm gkqslek. ";
    TDravelHanguel h;
    h.SetCodePage(949);
    h.SetKeyboardLayout(static_cast<int>(state.range(0)));
    h.SetHanguelMode(1);
    size_t sent = 0;
    for (auto _ : state) {
        for (char c : keys) {
            h.InputChar(static_cast<unsigned char>(c));
            sent += h.GetOutput().size();
        }
    }
    benchmark::DoNotOptimize(sent);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * keys.size()));
}
BENCHMARK(BM_ConsoleTyping)->Arg(1)->Arg(3);

}  // namespace
