#include "windows/core/CharacterTableRules.h"

#include <algorithm>

namespace chartable {

const char kTabCaptions[] =
    "Hanja\nHanguel\nWide ASCII\nSymbol\nEnclosed\nUnits\nBox Drawing\nGreek\nHiragana/Katakana\nRussian\nMisc";

namespace {

constexpr HanjaReading kReadings[] = {
#include "windows/core/HanjaReadingTable.inc"
};

constexpr int kHanjaLead = 0xCA;
constexpr int kRowLength = 94;

constexpr CodeRange kNone{};

const TabRanges kTabRanges[kTabCount] = {
    {},  // Hanja: by the syllable
    {CodeRange{0xA4A1, 0xA4D3}, CodeRange{0xA4D5, 0xA4FE}, kNone, kNone},
    {CodeRange{0xA3A1, 0xA3FE}, kNone, kNone, kNone},
    {CodeRange{0xA1A1, 0xA1FE}, CodeRange{0xA2A1, 0xA2E5}, CodeRange{0xA5A1, 0xA5AA}, CodeRange{0xA5B0, 0xA5B9}},
    {CodeRange{0xA8B1, 0xA8F5}, CodeRange{0xA9B1, 0xA9F5}, kNone, kNone},
    {CodeRange{0xA7A1, 0xA7EF}, CodeRange{0xA8F6, 0xA8FE}, CodeRange{0xA9F6, 0xA9FE}, kNone},
    {CodeRange{0xA6A1, 0xA6E4}, kNone, kNone, kNone},
    {CodeRange{0xA5C1, 0xA5D8}, CodeRange{0xA5E1, 0xA5F8}, kNone, kNone},
    {CodeRange{0xAAA1, 0xAAF3}, CodeRange{0xABA1, 0xABF6}, kNone, kNone},
    {CodeRange{0xACA1, 0xACC1}, CodeRange{0xACD1, 0xACF1}, kNone, kNone},
    {CodeRange{0xA8A1, 0xA8A4}, CodeRange{0xA8A6, 0xA8A6}, CodeRange{0xA8A8, 0xA8AF}, CodeRange{0xA9A1, 0xA9B0}},
};

int HanjaCode(int index) { return (kHanjaLead + index / kRowLength) << 8 | (0xA1 + index % kRowLength); }

}  // namespace

std::span<const HanjaReading> HanjaReadings() { return kReadings; }

TabRanges HanjaRanges(uint16_t syllable) {
    TabRanges ranges{};
    const auto* end = std::end(kReadings);
    const auto* found = std::lower_bound(std::begin(kReadings), end, syllable,
                                         [](const HanjaReading& r, uint16_t s) { return r.syllable < s; });
    if (found == end || found->syllable != syllable || found->count == 0) return ranges;
    const int first = found->first, count = found->count;
    const int inRow = std::min(count, kRowLength - first % kRowLength);
    ranges[0] = CodeRange{HanjaCode(first), HanjaCode(first + inRow - 1)};
    // What is left starts the next row; a run that ends with its row leaves nothing.
    if (count > inRow) ranges[1] = CodeRange{HanjaCode(first + inRow), HanjaCode(first + count - 1)};
    return ranges;
}

TabRanges RangesOfTab(int tab, uint16_t syllable) {
    if (tab == TabHanja) return HanjaRanges(syllable);
    if (tab < 0 || tab >= kTabCount) return {};
    return kTabRanges[tab];
}

std::vector<uint16_t> CellCodes(const TabRanges& ranges) {
    std::vector<uint16_t> codes;
    for (const CodeRange& r : ranges) {
        if (!r.Used()) continue;
        for (int code = r.first; code <= r.last; ++code) codes.push_back(static_cast<uint16_t>(code));
    }
    return codes;
}

std::vector<std::string> GridRows(const std::vector<uint16_t>& cells) {
    std::vector<std::string> rows;
    for (size_t i = 0; i < cells.size(); ++i) {
        if (i % kCellsPerRow == 0) rows.emplace_back();
        rows.back() += static_cast<char>(cells[i] >> 8);
        rows.back() += static_cast<char>(cells[i] & 0xFF);
    }
    return rows;
}

int MostGridRows() {
    size_t most = 0;
    for (int tab = TabHanja + 1; tab < kTabCount; ++tab) most = std::max(most, CellCodes(kTabRanges[tab]).size());
    for (const HanjaReading& r : kReadings) most = std::max<size_t>(most, r.count);
    return static_cast<int>((most + kCellsPerRow - 1) / kCellsPerRow);
}

int CellAt(int x, int y, int cellCount) {
    if (x < 0 || y < 0 || x >= kGridWidth) return -1;
    const int index = (y / kCellSize) * kCellsPerRow + x / kCellSize;
    return index < cellCount ? index : -1;
}

CellOrigin CellPosition(int index) {
    return CellOrigin{(index % kCellsPerRow) * kCellSize, (index / kCellsPerRow) * kCellSize};
}

int MoveHighlight(int current, Move move, int cellCount) {
    if (cellCount <= 0) return -1;
    if (current < 0 || current >= cellCount) return 0;
    int next = current;
    switch (move) {
    case Move::Left: next = current - 1; break;
    case Move::Right: next = current + 1; break;
    case Move::Up: next = current - kCellsPerRow; break;
    case Move::Down: next = current + kCellsPerRow; break;
    }
    return next >= 0 && next < cellCount ? next : current;
}

int NextTab(int tab, bool backwards) { return (tab + (backwards ? kTabCount - 1 : 1)) % kTabCount; }

int TabForSyllable(int tab, uint16_t syllable) {
    if (syllable) return TabHanja;
    return tab == TabHanja ? TabSymbol : tab;
}

}  // namespace chartable
