#include "engines/core/PaintRuns.h"

#include <algorithm>

namespace {

int Colour(char letter, char base) {
    const int index = static_cast<unsigned char>(letter) - static_cast<unsigned char>(base);
    return index >= 0 && index < 16 ? index : 0;
}

}  // namespace

std::vector<ColourRun> SplitColourRuns(std::string_view text, std::string_view foreground,
                                       std::string_view background) {
    std::vector<ColourRun> runs;
    const size_t n = std::min({text.size(), foreground.size(), background.size()});
    size_t start = 0;
    while (start < n) {
        size_t end = start + 1;
        while (end < n && foreground[end] == foreground[start] &&
               background[end] == background[start])
            ++end;
        runs.push_back({static_cast<int>(start), static_cast<int>(end - start),
                        Colour(foreground[start], 'a'), Colour(background[start], 'A')});
        start = end;
    }
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
