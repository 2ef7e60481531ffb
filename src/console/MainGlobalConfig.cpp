// The settings dialog's round trip: the dialog works on a copy of the settings; Cancel
// undoes what it changed at once, OK applies the copy in the order of PlanSettingsApply
// and saves it.
#include "console/Main.h"
#include "console/SecondaryWindows.h"
#include "console/core/SettingsApply.h"

void TConsoleForm::MAIN_BTN_GlobalConfigClick() {
    if (!ConsoleWindows().SettingsDialog) return;  // (a program without the window)
    ConsoleSettings edited = Settings;
    // The dialog chooses the telephony device at once; Cancel gives the old one back.
    const std::string device = MAIN_TapiDevice->SelectedDevice();
    ForceAlphanumericInput();
    if (ConsoleWindows().SettingsDialog(*this, edited)) {
        ApplyDialogSettings(edited);
        return;
    }
    // The dialog loads and frees the built-in fonts as its box is clicked.
    if (!Settings.UseInternalFont) {
        FHanguel->FreeBitmapFonts();
    } else if (!FHanguel->LoadBitmapFonts(nullptr)) {
        Settings.UseInternalFont = false;
        ApplyCellSize();
    }
    MAIN_TapiDevice->SetSelectedDevice(device);
    MAIN_PB_Console->Invalidate();
}

void TConsoleForm::ApplyDialogSettings(const ConsoleSettings& edited) {
    SettingsApplyState state;
    state.input.codePage = CharsetToCodePage(edited.ConsoleFontCharset);
    state.input.internalFont = edited.UseInternalFont;
    state.input.noneImageShown = MAIN_IMG_KeyModeNone->Visible();
    state.input.hangulInput = ShownHanguelMode() == 1;
    state.input.automatonLayout = FHanguel->GetKeyboardLayout();
    state.input.layout = edited.HanguelKeyLayoutMode;
    state.portOpen = MAIN_CommPort->Open();
    state.transferRunning = TransferRunning != 0;
    state.windowNormal = WindowState() == wsNormal;

    Settings = edited;
    Settings.TAPIDeviceName = MAIN_TapiDevice->SelectedDevice();
    SettingsSaveResult saved;
    for (SettingsStep step : PlanSettingsApply(state)) {
        switch (step) {
        case SettingsStep::TakeConsoleFont:
            TakeConsoleFont();
            MAIN_OPNDLG_ZModemUp->InitialDir = Settings.UploadDir;
            break;
        case SettingsStep::PaintConsoleColours:
            PaintConsoleColours();
            break;
        case SettingsStep::SetCodePageAndCells:
            FHanguel->SetCodePage(state.input.codePage);
            ApplyCellSize();
            break;
        case SettingsStep::ResetInput:
            HideComposition();
            FHanguel->ResetComposition();
            FHanguel->SetKeyboardLayout(Settings.HanguelKeyLayoutMode);
            FHanguel->SetHanguelMode(0);
            SyncHanguelIndicator();
            break;
        case SettingsStep::ShowEnglishImage:
            SetKeyModeImage(MAIN_IMG_KeyModeEng);
            break;
        case SettingsStep::ShowNoneImage:
            SetKeyModeImage(MAIN_IMG_KeyModeNone);
            break;
        case SettingsStep::PlaceComposition:
            PlaceComposition();
            break;
        case SettingsStep::TakeEditorSettings:
            TakeEditorFont();
            if (EditorSettingsChanged) EditorSettingsChanged();
            break;
        case SettingsStep::TakeMemoSettings:
            if (MemoSettingsChanged) MemoSettingsChanged();
            break;
        case SettingsStep::SetTerminalJohab:
            FTerminal->JohabInput = Settings.ConvertToKSC5601 ? 1 : 0;
            break;
        case SettingsStep::ArmZModemTrigger:
            ArmZModemTrigger();
            break;
        case SettingsStep::SaveGlobalSettings:
            saved = SaveGlobalSettings();
            break;
        case SettingsStep::ApplyTerminalSettings:
            FTerminal->DoubleByteOn = state.input.codePage != 1252 || Settings.UseInternalFont ? 1 : 0;
            ApplyTerminalSettings();
            break;
        case SettingsStep::InvalidateConsole:
            MAIN_PB_Console->Invalidate();
            break;
        case SettingsStep::SetWindowSize:
            MAIN_BTN_SetSize->Click();
            break;
        }
    }
    // The caret came back with the window before the cells changed.
    if (Connected && !TransferRunning) PlaceConsoleCaret();
    // Told once all is applied: the program goes on with the new settings either way.
    TellSettingsNotSaved(saved);
}
