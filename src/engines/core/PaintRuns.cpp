#include "engines/core/PaintRuns.h"

#include <algorithm>

namespace {

int Colour(char letter, char base) {
    const int index = static_cast<unsigned char>(letter) - static_cast<unsigned char>(base);
    return index >= 0 && index < 16 ? index : 0;
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
