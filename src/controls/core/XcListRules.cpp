#include "controls/core/XcListRules.h"

#include <algorithm>
#include <cmath>

int ListTabStop(int zeroWidth, int tabWidth) {
    return static_cast<int>(std::nearbyint((zeroWidth * tabWidth) * 0.25));
}

int CheckCellIndex(TCheckBoxState state, TCheckKind kind, bool enabled) {
    return 6 * kind + (enabled ? 0 : 3) + state;
}

TRectI CheckCellRect(int index, int cellWidth, int cellHeight) {
    int left = (index % 6) * cellWidth, top = (index / 6) * cellHeight;
    return {left, top, left + cellWidth, top + cellHeight};
}

TCheckBoxState NextCheckState(TCheckBoxState state, bool allowGrayed, TCheckKind kind) {
    switch (state) {
        case cbUnchecked:
            return allowGrayed && kind != ckRadioButtons ? cbGrayed : cbChecked;
        case cbChecked:
            return cbUnchecked;
        default:
            return cbChecked;
    }
}

void ApplyRadioRule(std::vector<TCheckBoxState>& states) {
    if (states.empty()) return;
    auto first = std::find(states.begin(), states.end(), cbChecked);
    size_t keep = first == states.end() ? 0 : static_cast<size_t>(first - states.begin());
    for (size_t i = 0; i < states.size(); ++i) states[i] = i == keep ? cbChecked : cbUnchecked;
}

int CheckListItemHeight(int textHeight, int checkHeight, bool fixedStyle, int itemHeight) {
    int h = std::max(textHeight, checkHeight);
    return fixedStyle ? std::max(h, itemHeight) : h;
}
