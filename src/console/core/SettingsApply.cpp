#include "console/core/SettingsApply.h"

InputModeChange InputModeAfterSettings(const InputModeBefore& b) {
    InputModeChange c;
    const bool korean = b.codePage == 949 || b.internalFont;
    if (korean && !b.noneImageShown) {
        // The indicator stays unless the layout changed.
        if (b.automatonLayout != b.layout) {
            c.reset = true;
            c.image = KeyModeImage::English;
        }
    } else if (korean) {
        c.reset = b.hangulInput;
        c.image = KeyModeImage::English;
    } else {
        c.reset = true;
        c.image = KeyModeImage::None;
    }
    c.placeComposition = b.hangulInput && !c.reset;
    return c;
}

std::vector<SettingsStep> PlanSettingsApply(const SettingsApplyState& state) {
    using S = SettingsStep;
    std::vector<S> steps{S::TakeConsoleFont, S::PaintConsoleColours, S::SetCodePageAndCells};
    const InputModeChange input = InputModeAfterSettings(state.input);
    if (input.reset) steps.push_back(S::ResetInput);
    if (input.image == KeyModeImage::English) steps.push_back(S::ShowEnglishImage);
    if (input.image == KeyModeImage::None) steps.push_back(S::ShowNoneImage);
    if (input.placeComposition) steps.push_back(S::PlaceComposition);
    steps.insert(steps.end(), {S::TakeEditorSettings, S::TakeMemoSettings});
    if (state.portOpen) {
        steps.push_back(S::SetTerminalJohab);
        if (!state.transferRunning) steps.push_back(S::ArmZModemTrigger);
    }
    steps.insert(steps.end(), {S::SaveGlobalSettings, S::ApplyTerminalSettings,
                               state.windowNormal ? S::SetWindowSize : S::InvalidateConsole});
    return steps;
}
