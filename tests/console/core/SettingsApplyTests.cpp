#include "console/core/SettingsApply.h"

#include <gtest/gtest.h>

namespace {

// The indicator after OK, by what the console can show now and what it showed before.
TEST(SettingsApply, InputModeFollowsTheFontAndLayout) {
    struct Row {
        const char* what;
        int codePage;
        bool internalFont, noneShown, hangul;
        int automatonLayout, layout;
        InputModeChange change;
    };
    using I = KeyModeImage;
    const Row rows[] = {
        {"Korean, same layout: nothing", 949, false, false, false, 2, 2, {false, I::Unchanged, false}},
        {"Korean, same layout, composing", 949, false, false, true, 2, 2, {false, I::Unchanged, true}},
        {"Korean, new layout", 949, false, false, true, 1, 3, {true, I::English, false}},
        {"built-in fonts on an ANSI font, new layout", 1252, true, false, false, 1, 2, {true, I::English, false}},
        {"Korean again after none", 949, false, true, false, 1, 1, {false, I::English, false}},
        {"built-in fonts after none, Hangul flag", 1252, true, true, true, 1, 1, {true, I::English, false}},
        {"no Korean any more", 1252, false, false, true, 2, 2, {true, I::None, false}},
        {"still no Korean", 1251, false, true, false, 1, 1, {true, I::None, false}},
    };
    for (const Row& r : rows) {
        InputModeBefore b;
        b.codePage = r.codePage;
        b.internalFont = r.internalFont;
        b.noneImageShown = r.noneShown;
        b.hangulInput = r.hangul;
        b.automatonLayout = r.automatonLayout;
        b.layout = r.layout;
        EXPECT_EQ(InputModeAfterSettings(b), r.change) << r.what;
    }
}

// The steps after OK in their order: the console font before the cells it measures, the
// cells before the input mode, the save before the terminal, the window size last.
TEST(SettingsApply, StepsRunInOrder) {
    using S = SettingsStep;
    SettingsApplyState idle;
    idle.input.codePage = 949;
    EXPECT_EQ(PlanSettingsApply(idle),
              (std::vector<S>{S::TakeConsoleFont, S::PaintConsoleColours, S::SetCodePageAndCells,
                              S::TakeEditorSettings, S::TakeMemoSettings, S::SaveGlobalSettings,
                              S::ApplyTerminalSettings, S::SetWindowSize}));

    SettingsApplyState online = idle;
    online.portOpen = true;
    online.windowNormal = false;
    online.input.codePage = 1252;  // Korean input goes: the indicator says so
    EXPECT_EQ(PlanSettingsApply(online),
              (std::vector<S>{S::TakeConsoleFont, S::PaintConsoleColours, S::SetCodePageAndCells, S::ResetInput,
                              S::ShowNoneImage, S::TakeEditorSettings, S::TakeMemoSettings, S::SetTerminalJohab,
                              S::ArmZModemTrigger, S::SaveGlobalSettings, S::ApplyTerminalSettings,
                              S::InvalidateConsole}));

    SettingsApplyState transfer = idle;
    transfer.portOpen = transfer.transferRunning = true;
    transfer.input.hangulInput = true;
    EXPECT_EQ(PlanSettingsApply(transfer),
              (std::vector<S>{S::TakeConsoleFont, S::PaintConsoleColours, S::SetCodePageAndCells,
                              S::PlaceComposition, S::TakeEditorSettings, S::TakeMemoSettings, S::SetTerminalJohab,
                              S::SaveGlobalSettings, S::ApplyTerminalSettings, S::SetWindowSize}));
}

}  // namespace
