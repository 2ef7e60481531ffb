// The printer controller on 10 MB of print data fed in 1460-byte blocks: plain text, and
// printer-language data (an escape every seven bytes, one in four of them ESC [ 4 with
// another final). The counter "writes/block" is how many writes the file gets per
// received block.
#include "engines/core/PrinterController.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <string>

namespace {

constexpr size_t StreamSize = 10u << 20;
constexpr size_t BlockSize = 1460;

class CountingOutlet : public PrinterOutlet {
public:
    int CreateTemporaryPrintFile(std::string* name) override {
        *name = "tmp";
        return 1;
    }
    int CreatePrintFile(const std::string&) override { return 1; }
    bool WritePrintFile(int, const uint8_t* data, size_t size) override {
        ++writes;
        bytes += size;
        benchmark::DoNotOptimize(data);
        return true;
    }
    void ClosePrintFile(int) override {}
    bool PrintRawFile(const std::string&) override { return true; }
    void DeletePrintFile(const std::string&) override {}

    size_t writes = 0;
    size_t bytes = 0;
};

std::string Repeat(const std::string& unit) {
    std::string s;
    while (s.size() < StreamSize) s += unit;
    s.resize(StreamSize);
    return s;
}

void Feed(benchmark::State& state, const std::string& data) {
    CountingOutlet outlet;
    size_t blocks = 0;
    for (auto _ : state) {
        PrinterController pc(outlet);
        pc.Start(PrinterController::kNamedFile, "out.prn");
        const auto* p = reinterpret_cast<const uint8_t*>(data.data());
        bool finished = false;
        for (size_t at = 0; at < data.size(); at += BlockSize, ++blocks)
            pc.Feed(p + at, std::min(BlockSize, data.size() - at), &finished);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.size()));
    state.counters["writes/block"] = double(outlet.writes) / double(std::max<size_t>(blocks, 1));
}

void BM_PlainText(benchmark::State& state) {
    static const std::string data = Repeat("The quick brown fox jumps over the lazy dog.\r\n");
    Feed(state, data);
}

void BM_PrinterLanguage(benchmark::State& state) {
    static const std::string data = Repeat("\x1B" "Eab\x1B&l0O\x1B(s12H\x1B[4xtext\r\n");
    Feed(state, data);
}

}  // namespace

BENCHMARK(BM_PlainText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PrinterLanguage)->Unit(benchmark::kMillisecond);
