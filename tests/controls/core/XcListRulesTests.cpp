#include "controls/core/XcListRules.h"

#include <gtest/gtest.h>

#include "framework/core/MemIniStore.h"

namespace {

TEST(ListRules, TabStopsAndColumns) {
    EXPECT_EQ(ListTabStop(7, 8), 14);  // 7 * 8 * 0.25
    EXPECT_EQ(ListTabStop(6, 3), 4);   // 4.5: to the even neighbour
    EXPECT_EQ(ListTabStop(7, 3), 5);   // 5.25
    EXPECT_EQ(ListColumnWidth(121, 2), 60);
    EXPECT_EQ(ListColumnWidth(100, 1), 98);
}

TEST(CheckList, CellsOfTheCheckPicture) {
    // The picture's cells, by state, for each kind enabled / disabled.
    const int cells[3][3][2] = {
        {{0, 3}, {1, 4}, {2, 5}},
        {{6, 9}, {7, 10}, {8, 11}},
        {{12, 15}, {13, 16}, {14, 17}},
    };
    for (int kind = 0; kind < 3; ++kind)
        for (int state = 0; state < 3; ++state)
            for (int enabled = 0; enabled < 2; ++enabled)
                EXPECT_EQ(CheckCellIndex(TCheckBoxState(state), TCheckKind(kind), !enabled),
                          cells[kind][state][enabled]);
    EXPECT_EQ(CheckCellRect(0, 13, 12), (TRectI{0, 0, 13, 12}));
    EXPECT_EQ(CheckCellRect(10, 13, 12), (TRectI{52, 12, 65, 24}));
    EXPECT_EQ(CheckCellRect(17, 13, 12), (TRectI{65, 24, 78, 36}));
}

TEST(CheckList, ClickCycleAndTheRadioRule) {
    EXPECT_EQ(NextCheckState(cbUnchecked, false, ckCheckBoxes), cbChecked);
    EXPECT_EQ(NextCheckState(cbUnchecked, true, ckCheckBoxes), cbGrayed);
    EXPECT_EQ(NextCheckState(cbUnchecked, true, ckCheckMarks), cbGrayed);
    EXPECT_EQ(NextCheckState(cbUnchecked, true, ckRadioButtons), cbChecked);
    EXPECT_EQ(NextCheckState(cbGrayed, true, ckCheckBoxes), cbChecked);
    EXPECT_EQ(NextCheckState(cbChecked, true, ckCheckBoxes), cbUnchecked);

    using V = std::vector<TCheckBoxState>;
    const struct {
        V in, out;
    } rows[] = {
        {{}, {}},
        {{cbUnchecked, cbUnchecked}, {cbChecked, cbUnchecked}},
        {{cbGrayed, cbChecked, cbChecked}, {cbUnchecked, cbChecked, cbUnchecked}},
        {{cbUnchecked, cbGrayed}, {cbChecked, cbUnchecked}},
    };
    for (auto r : rows) {
        ApplyRadioRule(r.in);
        EXPECT_EQ(r.in, r.out);
    }
    EXPECT_EQ(CheckListItemHeight(13, 12, false, 20), 13);
    EXPECT_EQ(CheckListItemHeight(10, 12, false, 20), 12);
    EXPECT_EQ(CheckListItemHeight(10, 12, true, 20), 20);
}

TEST(CheckList, StatesInASection) {
    MemIniStore ini;
    ini.WriteValue("Form.Checks", "Stale", "1");
    SaveCheckStates(ini, "Form.Checks", {cbChecked, cbUnchecked, cbGrayed});
    EXPECT_EQ(ini.ListKeys("Form.Checks"),
              (std::vector<std::string>{"Count", "Item0", "Item1", "Item2"}));
    EXPECT_EQ(ini.ReadValue("Form.Checks", "Item2"), "2");

    using V = std::vector<TCheckBoxState>;
    EXPECT_EQ(ReadCheckStates(ini, "Form.Checks", 10, false),
              (V{cbChecked, cbUnchecked, cbGrayed}));
    EXPECT_EQ(ReadCheckStates(ini, "Form.Checks", 2, false), (V{cbChecked, cbUnchecked}));
    EXPECT_EQ(ReadCheckStates(ini, "Form.Checks", 10, true), (V{cbChecked}));
    EXPECT_EQ(ReadCheckStates(ini, "Missing", 10, false), V{});
    ini.WriteValue("Form.Checks", "Item1", "junk");  // reads as unchecked
    ini.WriteValue("Form.Checks", "Item2", "7");
    EXPECT_EQ(ReadCheckStates(ini, "Form.Checks", 10, false),
              (V{cbChecked, cbUnchecked, cbUnchecked}));
}

}  // namespace
