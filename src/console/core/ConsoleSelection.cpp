#include "console/core/ConsoleSelection.h"

#include <algorithm>
#include <utility>

namespace {

enum class WordClass { None, Ascii, Hangul, Hanja };

WordClass ClassAt(std::string_view text, size_t i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (CharacterLength(text, i) == 2) {
        if (b >= 0xB0 && b <= 0xC8) return WordClass::Hangul;
        if (b >= 0xCA && b <= 0xFD) return WordClass::Hanja;
        return WordClass::None;
    }
    const bool alnum = (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
    return alnum ? WordClass::Ascii : WordClass::None;
}

int FloorDiv(int a, int b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

bool Before(CellPoint a, CellPoint b) {
    return a.line != b.line ? a.line < b.line : a.column < b.column;
}

int LineLength(const ScreenModel& screen, int line) {
    return static_cast<int>(screen.Text(line).size());
}

// The two points in text order, with their columns held within their lines; false when
// either point lies outside the line lists.
bool Ordered(const ScreenModel& screen, CellPoint& a, CellPoint& b) {
    if (Before(b, a)) std::swap(a, b);
    if (a.line < 0 || b.line >= screen.LineCount()) return false;
    a.column = std::clamp(a.column, 0, LineLength(screen, a.line));
    b.column = std::clamp(b.column, 0, LineLength(screen, b.line));
    return true;
}

}  // namespace

std::optional<CellPoint> CellUnderPointer(const ScreenModel& screen, const PaintGeometry& g, int x,
                                          int y) {
    if (g.cellWidth <= 0 || g.cellHeight <= 0) return std::nullopt;
    if (x < 0 || y < 0 || x >= g.viewWidth || y >= g.viewHeight) return std::nullopt;
    const int line = g.firstDisplayedLine + y / g.cellHeight;
    if (line < 0 || line >= screen.LineCount()) return std::nullopt;
    return CellPoint{FloorDiv(x - g.horizontalOffset, g.cellWidth), line};
}

std::optional<WordSpan> FindWordAt(const ScreenModel& screen, int line, int column) {
    if (line < 0 || line >= screen.LineCount()) return std::nullopt;
    const std::string_view text = screen.Text(line);
    if (column < 0 || column >= static_cast<int>(text.size())) return std::nullopt;
    // The characters of the line, by their first cells.
    std::vector<int> starts;
    for (size_t i = 0; i < text.size(); i += static_cast<size_t>(CharacterLength(text, i)))
        starts.push_back(static_cast<int>(i));
    const auto at = std::upper_bound(starts.begin(), starts.end(), column) - 1;
    const WordClass cls = ClassAt(text, static_cast<size_t>(*at));
    if (cls == WordClass::None) return std::nullopt;
    auto first = at;
    while (first != starts.begin() && ClassAt(text, static_cast<size_t>(*(first - 1))) == cls)
        --first;
    auto last = at + 1;
    while (last != starts.end() && ClassAt(text, static_cast<size_t>(*last)) == cls) ++last;
    const int end = last == starts.end() ? static_cast<int>(text.size()) : *last;
    return WordSpan{line, *first, end - *first};
}

std::string WordText(const ScreenModel& screen, const WordSpan& word) {
    if (word.line < 0 || word.line >= screen.LineCount()) return {};
    const std::string& text = screen.Text(word.line);
    const auto from = std::min(static_cast<size_t>(std::max(word.column, 0)), text.size());
    return text.substr(from, static_cast<size_t>(std::max(word.length, 0)));
}

PixelRect WordRect(const WordSpan& word, const PaintGeometry& g) {
    return SpanRect({word.line, word.column, word.column + word.length}, g);
}

std::optional<CellPoint> DragEndCell(const ScreenModel& screen, const PaintGeometry& g, int x,
                                     int y) {
    if (screen.LineCount() == 0 || g.cellWidth <= 0 || g.cellHeight <= 0) return std::nullopt;
    const int line =
        std::clamp(g.firstDisplayedLine + FloorDiv(y, g.cellHeight), 0, screen.LineCount() - 1);
    const std::string_view text = screen.Text(line);
    const int column =
        std::clamp(FloorDiv(x - g.horizontalOffset, g.cellWidth), 0, static_cast<int>(text.size()));
    return CellPoint{CharacterStart(text, column), line};
}

void SelectionSpans(const ScreenModel& screen, CellPoint a, CellPoint b,
                    std::vector<LineSpan>& spans) {
    spans.clear();
    if (!Ordered(screen, a, b)) return;
    for (int line = a.line; line <= b.line; ++line) {
        const int from = line == a.line ? a.column : 0;
        const int to = line == b.line ? b.column : LineLength(screen, line);
        if (from < to) spans.push_back({line, from, to});
    }
}

PixelRect SpanRect(const LineSpan& span, const PaintGeometry& g) {
    const int y = LineY(g, span.line);
    return {RunX(g, span.from), y, RunX(g, span.to), y + g.cellHeight};
}

std::string SelectionText(const ScreenModel& screen, CellPoint a, CellPoint b) {
    if (!Ordered(screen, a, b)) return {};
    const std::string& first = screen.Text(a.line);
    if (a.line == b.line)
        return first.substr(static_cast<size_t>(a.column),
                            static_cast<size_t>(b.column - a.column));
    std::string out = first.substr(static_cast<size_t>(a.column));
    for (int line = a.line + 1; line < b.line; ++line) {
        out += "\r\n";
        out += screen.Text(line);
    }
    out += "\r\n";
    out += screen.Text(b.line).substr(0, static_cast<size_t>(b.column));
    return out;
}

CellPoint TextEnd(const ScreenModel& screen) {
    const int last = screen.LineCount() - 1;
    if (last < 0) return {0, 0};
    return {LineLength(screen, last), last};
}

ViewChange DragAutoScroll(const ScreenModel& screen, const ConsoleViewport& view,
                          int horizontalOffset, int x, int y) {
    const PaintGeometry g = ViewGeometry(screen, view, horizontalOffset);
    ViewChange c{g.firstDisplayedLine, horizontalOffset, {}};
    if (g.cellWidth <= 0 || g.cellHeight <= 0 || screen.LineCount() == 0) return c;
    if (y > view.height && g.firstDisplayedLine + WholeRows(g) < screen.LineCount())
        ++c.firstDisplayedLine;
    else if (y < 0 && g.firstDisplayedLine > 0)
        --c.firstDisplayedLine;
    if (x > view.width - 2 * g.cellWidth) {
        const auto end = DragEndCell(screen, g, x, y);
        const int lineEnd = RunX(g, LineLength(screen, end->line));
        if (lineEnd > view.width) c.horizontalOffset -= g.cellWidth;
    } else if (x < g.cellWidth && horizontalOffset < view.margin) {
        c.horizontalOffset = std::min(horizontalOffset + g.cellWidth, view.margin);
    }
    if (c.firstDisplayedLine != g.firstDisplayedLine || c.horizontalOffset != horizontalOffset)
        c.move.kind = ViewMove::Repaint;
    return c;
}

ClickSend DecideClick(std::string_view word, bool ctrl, bool shift, bool sendEnterAsCrLf) {
    ClickSend s;
    if (!word.empty() && ctrl) {
        s.toEditor = std::string(word) + " ";
        return s;
    }
    s.bytes = word;
    if (shift)
        s.bytes += ' ';
    else
        s.bytes += sendEnterAsCrLf ? "\r\n" : "\r";
    return s;
}
