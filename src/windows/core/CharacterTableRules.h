// The character table's rules: its tabs and their KS C 5601 code ranges, the Hanja of a
// Hangul reading, the grid of 16 x 16 cells the codes fill (30 to a row), which cell lies
// under a point, and where the keys move the highlight.
//
// Codes are 16-bit, lead byte high. The Hanja block holds 4888 characters (leads
// 0xCA-0xFD, 94 to a row) in the order of their readings; a reading's Hanja are one run of
// that order, which may go on into the next row.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace chartable {

enum Tab : int {
    TabHanja,
    TabHanguel,
    TabWideAscii,
    TabSymbol,
    TabEnclosed,
    TabUnits,
    TabBoxDrawing,
    TabGreek,
    TabKana,
    TabRussian,
    TabMisc,
};
inline constexpr int kTabCount = 11;
// The tabs' captions, in order, as one text with a line per tab.
extern const char kTabCaptions[];

inline constexpr int kCellSize = 16;
inline constexpr int kCellsPerRow = 30;
inline constexpr int kGridWidth = kCellSize * kCellsPerRow;  // 480

struct CodeRange {
    int first = -1;  // -1: unused
    int last = -1;
    bool Used() const { return first >= 0; }
    bool operator==(const CodeRange&) const = default;
};
using TabRanges = std::array<CodeRange, 4>;

// One reading of the Hanja block: the Hangul syllable, the index of its first Hanja in the
// block's order and how many there are.
struct HanjaReading {
    uint16_t syllable;
    uint16_t first;
    uint16_t count;
};
// The 473 readings, sorted by syllable.
std::span<const HanjaReading> HanjaReadings();
// The Hanja of a syllable: one range, or two when the run goes on into the next row; no
// range for a syllable without Hanja (and for 0).
TabRanges HanjaRanges(uint16_t syllable);
// A tab's ranges; the Hanja tab's are those of `syllable`.
TabRanges RangesOfTab(int tab, uint16_t syllable);

// The codes of the ranges, in order: the cells of the grid.
std::vector<uint16_t> CellCodes(const TabRanges& ranges);
// The grid rows' bytes (each cell's lead and trail byte, 30 cells to a row).
std::vector<std::string> GridRows(const std::vector<uint16_t>& cells);
// Grid rows of the tab with the most cells (the Hanja tab's longest reading included).
int MostGridRows();

// The cell under pixel (x, y) of the grid; -1 where there is none.
int CellAt(int x, int y, int cellCount);
// The pixel rectangle of cell `index`: left, top (16 x 16).
struct CellOrigin {
    int x, y;
};
CellOrigin CellPosition(int index);

enum class Move { Left, Right, Up, Down };
// The highlight after an arrow key: within the grid (it stays at an edge); from none to
// the first cell. -1 when the grid is empty.
int MoveHighlight(int current, Move move, int cellCount);
// Tab and Shift+Tab: the next or the previous tab, round the ends.
int NextTab(int tab, bool backwards);
// The tab on show after the table is given a syllable: the Hanja tab for one, and for
// none the Symbol tab in place of the Hanja tab.
int TabForSyllable(int tab, uint16_t syllable);

}  // namespace chartable
