// The character table's tabs, its Hanja by reading, its grid and its keys.
#include <gtest/gtest.h>

#include "windows/core/CharacterTableRules.h"

using namespace chartable;

namespace {

constexpr CodeRange R(int first, int last) { return CodeRange{first, last}; }
constexpr CodeRange kNo{};

TEST(CharacterTable, TabRangesAreTheKsc5601Blocks) {
    const struct {
        int tab;
        TabRanges ranges;
    } cases[] = {
        {TabHanguel, {R(0xA4A1, 0xA4D3), R(0xA4D5, 0xA4FE), kNo, kNo}},
        {TabWideAscii, {R(0xA3A1, 0xA3FE), kNo, kNo, kNo}},
        {TabSymbol, {R(0xA1A1, 0xA1FE), R(0xA2A1, 0xA2E5), R(0xA5A1, 0xA5AA), R(0xA5B0, 0xA5B9)}},
        {TabEnclosed, {R(0xA8B1, 0xA8F5), R(0xA9B1, 0xA9F5), kNo, kNo}},
        {TabUnits, {R(0xA7A1, 0xA7EF), R(0xA8F6, 0xA8FE), R(0xA9F6, 0xA9FE), kNo}},
        {TabBoxDrawing, {R(0xA6A1, 0xA6E4), kNo, kNo, kNo}},
        {TabGreek, {R(0xA5C1, 0xA5D8), R(0xA5E1, 0xA5F8), kNo, kNo}},
        {TabKana, {R(0xAAA1, 0xAAF3), R(0xABA1, 0xABF6), kNo, kNo}},
        {TabRussian, {R(0xACA1, 0xACC1), R(0xACD1, 0xACF1), kNo, kNo}},
        {TabMisc, {R(0xA8A1, 0xA8A4), R(0xA8A6, 0xA8A6), R(0xA8A8, 0xA8AF), R(0xA9A1, 0xA9B0)}},
    };
    for (const auto& c : cases) EXPECT_EQ(RangesOfTab(c.tab, 0xC7D1), c.ranges) << "tab " << c.tab;
    // The Symbol tab is the largest: 183 cells, seven rows of the grid.
    EXPECT_EQ(CellCodes(RangesOfTab(TabSymbol, 0)).size(), 183u);
    EXPECT_EQ(MostGridRows(), 7);
}

TEST(CharacterTable, HanjaOfAReadingInOneOrTwoRows) {
    const struct {
        const char* reading;
        uint16_t syllable;
        TabRanges ranges;
    } cases[] = {
        {"ga: 29 in the first row", 0xB0A1, {R(0xCAA1, 0xCABD), kNo, kNo, kNo}},
        {"geom: 4 at the row's end, 3 in the next", 0xB0CB, {R(0xCBFB, 0xCBFE), R(0xCCA1, 0xCCA3), kNo, kNo}},
        {"gi: 64 across a row end", 0xB1E2, {R(0xD0EA, 0xD0FE), R(0xD1A1, 0xD1CB), kNo, kNo}},
        {"gam: ends with its row", 0xB0A8, {R(0xCAEB, 0xCAFE), kNo, kNo, kNo}},
        {"hil: the last Hanja, the end of the last row", 0xC8FA, {R(0xFDFE, 0xFDFE), kNo, kNo, kNo}},
        {"kkae: no Hanja", 0xB1FA, {}},
        {"none", 0, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HanjaRanges(c.syllable), c.ranges) << c.reading;
        EXPECT_EQ(RangesOfTab(TabHanja, c.syllable), c.ranges) << c.reading;
    }
    const std::vector<uint16_t> geom = CellCodes(HanjaRanges(0xB0CB));
    EXPECT_EQ(geom, (std::vector<uint16_t>{0xCBFB, 0xCBFC, 0xCBFD, 0xCBFE, 0xCCA1, 0xCCA2, 0xCCA3}));
}

// The reading table as KS X 1001 lays the Hanja out: 473 readings of 4888 Hanja, in
// syllable order, each run right after the one before.
TEST(CharacterTable, ReadingTableCoversTheHanjaBlockInOrder) {
    const auto readings = HanjaReadings();
    ASSERT_EQ(readings.size(), 473u);
    int next = 0;
    uint16_t previous = 0;
    for (const HanjaReading& r : readings) {
        EXPECT_GT(r.syllable, previous);
        EXPECT_GE(r.syllable >> 8, 0xB0);
        EXPECT_LE(r.syllable >> 8, 0xC8);
        EXPECT_GE(r.syllable & 0xFF, 0xA1);
        EXPECT_EQ(r.first, next) << std::hex << r.syllable;
        EXPECT_GT(r.count, 0);
        next = r.first + r.count;
        previous = r.syllable;
    }
    EXPECT_EQ(next, 4888);
    // A few as glibc's table shows them: 0xCAA1 (U+4F3D) reads ga, 0xF5E4 (U+4E11) chuk,
    // 0xF5E3 (U+9C0D) chu, 0xFDFE (U+8A70) hil.
    const struct {
        int index;
        uint16_t reading;
    } known[] = {{0, 0xB0A1}, {(0xF5 - 0xCA) * 94 + 0x43, 0xC3E0}, {(0xF5 - 0xCA) * 94 + 0x42, 0xC3DF}, {4887, 0xC8FA}};
    for (const auto& k : known) {
        uint16_t reading = 0;
        for (const HanjaReading& r : readings)
            if (k.index >= r.first && k.index < r.first + r.count) reading = r.syllable;
        EXPECT_EQ(reading, k.reading) << k.index;
    }
}

TEST(CharacterTable, GridRowsAndCellsUnderThePointer) {
    std::vector<uint16_t> cells;
    for (int i = 0; i < 31; ++i) cells.push_back(static_cast<uint16_t>(0xA1A1 + i));
    const std::vector<std::string> rows = GridRows(cells);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].size(), 60u);
    EXPECT_EQ(rows[0].substr(0, 4), "\xA1\xA1\xA1\xA2");
    EXPECT_EQ(rows[1], "\xA1\xBF");
    const struct {
        int x, y, cell;
    } points[] = {{0, 0, 0}, {15, 15, 0}, {16, 0, 1}, {479, 15, 29}, {0, 16, 30}, {16, 16, -1}, {480, 0, -1}, {-1, 0, -1}, {0, -1, -1}};
    for (const auto& p : points) EXPECT_EQ(CellAt(p.x, p.y, 31), p.cell) << p.x << ',' << p.y;
    EXPECT_EQ(CellPosition(31).x, 16);
    EXPECT_EQ(CellPosition(31).y, 16);
}

TEST(CharacterTable, KeysStayInTheGridAndTabsGoRound) {
    const struct {
        int from;
        Move move;
        int count, to;
    } moves[] = {
        {-1, Move::Down, 40, 0},  {0, Move::Left, 40, 0},  {0, Move::Up, 40, 0},     {0, Move::Right, 40, 1},
        {29, Move::Right, 40, 30}, {30, Move::Left, 40, 29}, {5, Move::Down, 40, 35},  {10, Move::Down, 40, 10},
        {39, Move::Right, 40, 39}, {35, Move::Up, 40, 5},    {3, Move::Left, 0, -1},
    };
    for (const auto& m : moves) EXPECT_EQ(MoveHighlight(m.from, m.move, m.count), m.to) << m.from;
    EXPECT_EQ(NextTab(TabMisc, false), TabHanja);
    EXPECT_EQ(NextTab(TabHanja, true), TabMisc);
    EXPECT_EQ(NextTab(TabWideAscii, false), TabSymbol);
    EXPECT_EQ(NextTab(TabSymbol, true), TabWideAscii);
    // A syllable opens the Hanja tab; none takes the Hanja tab to the Symbol tab.
    EXPECT_EQ(TabForSyllable(TabGreek, 0xC7D1), TabHanja);
    EXPECT_EQ(TabForSyllable(TabHanja, 0), TabSymbol);
    EXPECT_EQ(TabForSyllable(TabGreek, 0), TabGreek);
}

}  // namespace
