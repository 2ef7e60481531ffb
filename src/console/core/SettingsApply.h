// What the main window does, in order, with the settings the settings dialog hands back
// after OK, and how the input-mode indicator follows a new font or keyboard layout.
#pragma once

#include <vector>

// The indicator and the automaton after the settings changed. "Reset" drops the syllable
// in progress, gives the automaton the new layout, leaves Hangul mode and clears the
// window's Hangul-input flag.
struct InputModeBefore {
    int codePage = 0;            // of the new console character set
    bool internalFont = false;   // the built-in fonts are now in use
    bool noneImageShown = false; // the indicator says the console cannot take Korean
    bool hangulInput = false;    // the window's Hangul-input flag
    int automatonLayout = 1;     // the automaton's layout now
    int layout = 1;              // the new keyboard layout setting
};

enum class KeyModeImage { Unchanged, English, None };

struct InputModeChange {
    bool reset = false;
    KeyModeImage image = KeyModeImage::Unchanged;
    // The flag is still set: the syllable's spot goes to the cursor cell.
    bool placeComposition = false;
    bool operator==(const InputModeChange&) const = default;
};

InputModeChange InputModeAfterSettings(const InputModeBefore& before);

// The steps after OK, in the order they run. The settings themselves are taken before
// the first; each step reads only what was taken.
enum class SettingsStep {
    TakeConsoleFont,        // the console font object; the upload dialog's folder
    PaintConsoleColours,    // the paint box's font; the console's background colour
    SetCodePageAndCells,    // the automaton's code page; the cell size
    ResetInput,
    ShowEnglishImage,
    ShowNoneImage,
    PlaceComposition,
    TakeEditorSettings,     // the capture editor, when open: layout, font, background, margins
    TakeMemoSettings,       // the on-line memo, when open: the editor font; closed when not wanted
    SetTerminalJohab,       // the connection's Johab flag
    ArmZModemTrigger,
    SaveGlobalSettings,
    ApplyTerminalSettings,  // double-byte flag, margin, size, scroll region, colours, printing
    InvalidateConsole,      // the window is not in its normal state
    SetWindowSize,          // else: sized to the screen
};

struct SettingsApplyState {
    InputModeBefore input;
    bool portOpen = false;
    bool transferRunning = false;
    bool windowNormal = true;
};

std::vector<SettingsStep> PlanSettingsApply(const SettingsApplyState& state);
