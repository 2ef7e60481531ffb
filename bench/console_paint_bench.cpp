// The console's repaint plan: the colour runs of a whole view (a window exposure or a
// page of scroll-back), for an 80 x 24 screen and a 132 x 60 one, with ASCII and Hangul
// mixed and eight colour changes per line; and the one line a pixel scroll uncovers.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "console/core/ConsoleView.h"

namespace {

ScreenModel Screen(int columns, int rows) {
    ScreenModel s;
    unsigned seed = 12345;
    for (int row = 0; row < rows; ++row) {
        std::string text, fg, bg;
        while (static_cast<int>(text.size()) < columns) {
            seed = seed * 1103515245 + 12345;
            const char colour = static_cast<char>('a' + text.size() * 8 / columns);
            if ((seed >> 16) % 3 == 0 && static_cast<int>(text.size()) + 2 <= columns) {
                text += static_cast<char>(0xB0 + (seed >> 8) % 25);
                text += static_cast<char>(0xA1 + (seed >> 4) % 94);
                fg.append(2, colour);
            } else {
                text += static_cast<char>(0x20 + (seed >> 12) % 95);
                fg += colour;
            }
        }
        bg.assign(text.size(), 'E');
        s.AppendLine(text, fg, bg);
    }
    return s;
}

void BM_WholeView(benchmark::State& state) {
    const int columns = static_cast<int>(state.range(0));
    const int rows = static_cast<int>(state.range(1));
    const ScreenModel s = Screen(columns, rows);
    const ConsoleViewport view{columns * 8 + 4, rows * 16, 4};
    const PaintGeometry g = ViewGeometry(s, view, 4);
    std::vector<PaintRun> runs;
    for (auto _ : state) {
        PlanLinesPaint(s, g, g.firstDisplayedLine, s.LineCount() - 1, {}, runs);
        benchmark::DoNotOptimize(runs.data());
    }
    state.SetItemsProcessed(state.iterations() * columns * rows);  // cells
}
BENCHMARK(BM_WholeView)->Args({80, 24})->Args({132, 60});

void BM_OneLineScrolled(benchmark::State& state) {
    ScreenModel s = Screen(80, 48);
    s.FirstDisplayedLine = 10;
    const ConsoleViewport view{80 * 8 + 4, 24 * 16, 4};
    const PaintGeometry after = ViewGeometry(s, view, 4);
    const ViewMove move = PlanVerticalMove(11, after, true);
    std::vector<PaintRun> runs;
    for (auto _ : state) {
        PlanLinesPaint(s, after, after.firstDisplayedLine, s.LineCount() - 1, move.kept, runs);
        benchmark::DoNotOptimize(runs.data());
    }
}
BENCHMARK(BM_OneLineScrolled);

}  // namespace
