#include "controls/core/XcListRules.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "controls/core/AppUtils.h"

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

void SaveCheckStates(IIniStore& store, std::string_view section,
                     const std::vector<TCheckBoxState>& states) {
    IniEraseSection(&store, section);
    IniWriteInteger(&store, section, "Count", static_cast<int>(states.size()));
    for (size_t i = 0; i < states.size(); ++i)
        IniWriteInteger(&store, section, "Item" + std::to_string(i), states[i]);
}

std::vector<TCheckBoxState> ReadCheckStates(const IIniStore& store, std::string_view section,
                                            int itemCount, bool radio) {
    std::vector<TCheckBoxState> states;
    int count = std::min(IniReadInteger(&store, section, "Count", 0), itemCount);
    for (int i = 0; i < count; ++i) {
        int v = IniReadInteger(&store, section, "Item" + std::to_string(i), cbUnchecked);
        auto state = v == cbChecked ? cbChecked : v == cbGrayed ? cbGrayed : cbUnchecked;
        states.push_back(state);
        if (radio && state == cbChecked) break;
    }
    return states;
}
