// The in-memory INI store against the size of a section: loading a file and reading every
// key, and writing every key and saving the file. Both should grow linearly (BigO: N).
#include <benchmark/benchmark.h>

#include <string>

#include "framework/core/MemIniStore.h"

namespace {

std::string SectionText(int keys) {
    std::string text = "[List]\r\nCount=" + std::to_string(keys) + "\r\n";
    for (int i = 0; i < keys; ++i) text += "Item" + std::to_string(i) + "=value " + std::to_string(i) + "\r\n";
    return text;
}

void BM_IniLoad(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const std::string text = SectionText(n);
    for (auto _ : state) {
        MemIniStore ini = MemIniStore::Parse(text);
        size_t bytes = 0;
        for (int i = 0; i < n; ++i) bytes += ini.ReadValue("List", "Item" + std::to_string(i))->size();
        benchmark::DoNotOptimize(bytes);
    }
    state.SetComplexityN(n);
}
BENCHMARK(BM_IniLoad)->RangeMultiplier(10)->Range(100, 100000)->Complexity(benchmark::oN);

void BM_IniSave(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        MemIniStore ini;
        ini.WriteValue("List", "Count", std::to_string(n));
        for (int i = 0; i < n; ++i) ini.WriteValue("List", "Item" + std::to_string(i), "value");
        benchmark::DoNotOptimize(ini.Serialize());
    }
    state.SetComplexityN(n);
}
BENCHMARK(BM_IniSave)->RangeMultiplier(10)->Range(100, 100000)->Complexity(benchmark::oN);

}  // namespace
