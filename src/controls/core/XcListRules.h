// The arithmetic of the library's list boxes: tab stops and column widths, the cells of
// the shared check picture, and the rules of check states (the click cycle and the radio
// rule that keeps exactly one item checked).
#pragma once

#include <string_view>
#include <vector>

#include "framework/core/ControlMath.h"
#include "framework/core/IniStore.h"

enum TCheckKind { ckCheckBoxes, ckRadioButtons, ckCheckMarks };

// The tab stop of a list box with TabWidth `tabWidth` (dialog units of a quarter "0"):
// zeroWidth * tabWidth, a quarter of it, to the nearest integer.
int ListTabStop(int zeroWidth, int tabWidth);
// The width of one column of a multi-column list box.
inline int ListColumnWidth(int width, int columns) {
    return (width + columns - 3) / columns;
}

// The check picture is a grid of 6 x 3 equal cells; cell n lies at column n mod 6, row
// n div 6. By kind: check boxes 0..5, radio buttons 6..11, check marks 12..17; the first
// three of each enabled (unchecked, checked, grayed), the last three disabled.
int CheckCellIndex(TCheckBoxState state, TCheckKind kind, bool enabled);
TRectI CheckCellRect(int index, int cellWidth, int cellHeight);

// The state a click (or the space key) gives: unchecked -> grayed when grays are allowed
// (never for radio buttons), else checked; checked -> unchecked; grayed -> checked.
TCheckBoxState NextCheckState(TCheckBoxState state, bool allowGrayed, TCheckKind kind);
// The radio rule on a whole list: the first checked item (item 0 when none is) becomes
// the only checked one; grayed items count as unchecked. Nothing for an empty list.
void ApplyRadioRule(std::vector<TCheckBoxState>& states);

// The item height of a check list box drawn by itself: the text's height or the check
// cell's, whichever is more; for the fixed owner-draw style at least `itemHeight` too.
int CheckListItemHeight(int textHeight, int checkHeight, bool fixedStyle, int itemHeight);

// A check list's states in a section of its own: the section is erased, then "Count" and
// "Item0", "Item1", ... hold the number of items and each state as an integer.
void SaveCheckStates(IIniStore& store, std::string_view section,
                     const std::vector<TCheckBoxState>& states);
// The states to give the first min(Count, itemCount) items, from such a section (none when
// it is missing); for radio buttons nothing after the first checked item.
std::vector<TCheckBoxState> ReadCheckStates(const IIniStore& store, std::string_view section,
                                            int itemCount, bool radio);
