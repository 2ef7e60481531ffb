// The glyph composer: one 80 x 24 screen of mixed ASCII and Hangul drawn as eight colour
// runs per line (the painter's call pattern), and one long run per line.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engines/core/GlyphComposer.h"

namespace {

const BitmapFontSet& Fonts() {
    static const BitmapFontSet fonts{MonoImage(760, 16), MonoImage(1504, 592),
                                     MonoImage(1504, 832)};
    return fonts;
}

// 24 lines of 80 bytes: ASCII words and syllables mixed.
std::vector<std::string> Screen() {
    std::vector<std::string> lines;
    unsigned seed = 12345;
    for (int row = 0; row < 24; ++row) {
        std::string line;
        while (line.size() < 80) {
            seed = seed * 1103515245 + 12345;
            if ((seed >> 16) % 3 == 0 && line.size() + 2 <= 80) {
                line += static_cast<char>(0xB0 + (seed >> 8) % 25);
                line += static_cast<char>(0xA1 + (seed >> 4) % 94);
            } else {
                line += static_cast<char>(0x20 + (seed >> 12) % 95);
            }
        }
        lines.push_back(line);
    }
    return lines;
}

void BM_ScreenInRuns(benchmark::State& state) {
    const int runs = static_cast<int>(state.range(0));
    const std::vector<std::string> screen = Screen();
    GlyphComposer composer(Fonts());
    MonoImage out;
    for (auto _ : state) {
        for (const std::string& line : screen) {
            const size_t step = line.size() / runs;
            for (size_t at = 0; at < line.size(); at += step) {
                composer.ComposeLine(reinterpret_cast<const uint8_t*>(line.data()) + at,
                                     std::min(step, line.size() - at), out);
                benchmark::DoNotOptimize(out.Bits().data());
            }
        }
    }
    state.SetItemsProcessed(state.iterations() * 24 * 80);
}
BENCHMARK(BM_ScreenInRuns)->Arg(1)->Arg(8);

}  // namespace
