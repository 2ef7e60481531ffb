#include "engines/core/PaintRuns.h"

#include <algorithm>

#include "engines/core/ScreenModel.h"

namespace {

int Colour(char letter, char base) {
    const int index = static_cast<unsigned char>(letter) - static_cast<unsigned char>(base);
    return index >= 0 && index < 16 ? index : 0;
}

// Appends the runs of cells [from, to) of a line, leaving out those outside the view.
void AddLineRuns(const ScreenModel& screen, const PaintGeometry& g, int line, int from, int to,
                 std::vector<ColourRun>& scratch, std::vector<PaintRun>& runs) {
    const ScreenModel::Line& l = screen.At(line);
    scratch.clear();
    AppendColourRuns(l.Text, l.Foreground, l.Background, from, to, scratch);
    const int y = LineY(g, line);
    for (const ColourRun& r : scratch) {
        const int x = RunX(g, r.column);
        if (x >= g.viewWidth || x + r.length * g.cellWidth <= 0) continue;
        runs.push_back({line, r.column, r.length, x, y, r.foreground, r.background});
    }
}

}  // namespace

int CharacterStart(std::string_view text, int column) {
    const size_t end = std::min(static_cast<size_t>(std::max(column, 0)), text.size());
    size_t i = 0;
    while (i < end) {
        const size_t next = i + static_cast<size_t>(CharacterLength(text, i));
        if (next > end) return static_cast<int>(i);
        i = next;
    }
    return column;
}

void AppendColourRuns(std::string_view text, std::string_view foreground,
                      std::string_view background, int from, int to,
                      std::vector<ColourRun>& runs) {
    if (from >= to) return;
    const size_t n = std::min({text.size(), foreground.size(), background.size()});
    text = text.substr(0, n);
    const size_t end = std::min(static_cast<size_t>(std::max(to, 0)), n);
    size_t i = static_cast<size_t>(std::max(CharacterStart(text, from), 0));
    while (i < end) {
        const size_t start = i;
        const char fg = foreground[start];
        const char bg = background[start];
        i += static_cast<size_t>(CharacterLength(text, i));
        while (i < end && foreground[i] == fg && background[i] == bg)
            i += static_cast<size_t>(CharacterLength(text, i));
        runs.push_back({static_cast<int>(start), static_cast<int>(i - start), Colour(fg, 'a'),
                        Colour(bg, 'A')});
    }
}

std::vector<ColourRun> SplitColourRuns(std::string_view text, std::string_view foreground,
                                       std::string_view background) {
    std::vector<ColourRun> runs;
    AppendColourRuns(text, foreground, background, 0, static_cast<int>(text.size()), runs);
    return runs;
}

PixelRect DirtyRectToPixels(const CellRect& cells, const PaintGeometry& g) {
    PixelRect r;
    r.left = cells.left == -1 ? 0 : RunX(g, cells.left);
    r.top = cells.top == -1 ? 0 : LineY(g, cells.top);
    r.right = cells.right == -1 ? g.viewWidth : RunX(g, cells.right);
    r.bottom = cells.bottom == -1 ? g.viewHeight : LineY(g, cells.bottom + 1);
    return r;
}

void PlanLinesPaint(const ScreenModel& screen, const PaintGeometry& g, int firstLine, int lastLine,
                    const KeptRange& kept, std::vector<PaintRun>& runs) {
    runs.clear();
    if (g.cellWidth <= 0 || g.cellHeight <= 0 || g.viewHeight <= 0) return;
    // The lines on view: from the first displayed one while its top is inside the view.
    const int rows = (g.viewHeight + g.cellHeight - 1) / g.cellHeight;
    const int last = std::min({lastLine, screen.LineCount() - 1, g.firstDisplayedLine + rows - 1});
    std::vector<ColourRun> scratch;
    for (int line = std::max({firstLine, g.firstDisplayedLine, 0}); line <= last; ++line) {
        const int length = static_cast<int>(screen.Text(line).size());
        if (length == 0) continue;
        if (kept.topLine >= 0 && kept.bottomLine >= 0 && kept.topLine <= line && line <= kept.bottomLine)
            continue;
        if (kept.leftColumn < 0 && kept.rightColumn < 0) {
            AddLineRuns(screen, g, line, 0, length, scratch, runs);
            continue;
        }
        if (kept.leftColumn > 0) AddLineRuns(screen, g, line, 0, kept.leftColumn, scratch, runs);
        if (kept.rightColumn >= 0) AddLineRuns(screen, g, line, kept.rightColumn, length, scratch, runs);
    }
}
