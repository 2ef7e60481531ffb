// The settings key and what the settings make of the console: the terminal's creation and
// reset, the cell size, the window sized to the screen.
#include <windows.h>

#include <algorithm>
#include <string>

#include "console/Main.h"
#include "console/core/AddressBookFile.h"
#include "controls/CtlUtils.h"
#include "engines/core/ConsolePalette.h"
#include "framework/FormBuilder.h"
#include "framework/core/SysUtils.h"

namespace {

// The settings key as the settings store: a missing value, or one of another type, is
// missing; nothing raises. Reading needs no more than read access to the key (a key that
// may not be written still gives its values); writing opens it for writing, made when
// missing, and a refusal keeps the system's reason.
class TRegistrySettings : public ISettingsStore {
public:
    enum TAccess { ForReading, ForWriting };
    explicit TRegistrySettings(TAccess access)
        : FRegistry(access == ForReading ? KEY_READ : KEY_READ | KEY_WRITE) {
        FOpen = FRegistry.OpenKey(std::string(SettingsKeyPath), access == ForWriting);
    }
    ~TRegistrySettings() override { FRegistry.CloseKey(); }

    std::optional<int32_t> ReadInteger(std::string_view name) const override {
        if (!FOpen) return std::nullopt;
        return FRegistry.TryReadInteger(std::string(name));
    }
    std::optional<std::string> ReadString(std::string_view name) const override {
        std::string n(name);
        if (!FOpen || !FRegistry.ValueExists(n)) return std::nullopt;
        try {
            return FRegistry.ReadString(n);
        } catch (const ERegistryException&) {
            return std::nullopt;  // stored as another type
        }
    }
    bool WriteInteger(std::string_view name, int32_t value) override {
        return Write([&] { FRegistry.WriteInteger(std::string(name), value); });
    }
    bool WriteString(std::string_view name, std::string_view value) override {
        return Write([&] { FRegistry.WriteString(std::string(name), std::string(value)); });
    }
    // The reason the key could not be opened, or its last write failed.
    std::string WriteFailure() const override { return Win32ErrorText(static_cast<DWORD>(FRegistry.LastError())); }

private:
    template <class F>
    bool Write(F&& write) {
        if (!FOpen) return false;
        try {
            write();
            return true;
        } catch (const ERegistryException&) {
            return false;
        }
    }
    TRegistry FRegistry;
    bool FOpen = false;
};

std::string ProgramFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return ExtractFilePath(path);
}

TColor Colour(int index) { return static_cast<TColor>(ColorIndexToColor(static_cast<ColorIndex>(index))); }

// The cool bar's panels by their names in the settings.
constexpr const char* kPanelPrefix = "MAIN_PANEL_";

}  // namespace

void TConsoleForm::LoadSettings() {
    FProgramFolder = ProgramFolder();
    // The values a missing entry does not reset keep the window's design values.
    Settings.UseKeepAlive = false;
    Settings.ConsoleFormWidth = Width();
    Settings.ConsoleFormHeight = Height();
    Settings.ConsoleFormState = wsNormal;
    Settings.TAPIDeviceName.clear();
    Settings.CoolBand1 = "Address";
    Settings.CoolBand2 = "Menu";
    Settings.CoolBandBreak2 = true;
    Settings.CoolBandBreak3 = false;
    for (int i = 0; i < 3; ++i) Settings.CoolBandWidth[i] = MAIN_CoolBar->Bands()->Items(i)->Width();

    SettingsEnvironment env;
    env.programFolder = FProgramFolder;
    env.probeCharset = [this](const std::string& name) { return ProbeFontCharset(name); };
    SettingsLoadResult result;
    {
        TRegistrySettings store(TRegistrySettings::ForReading);
        result = ::LoadSettings(store, env, Settings);
    }
    FDefaultsUsed = result.defaultsUsed;
    ApplySettings();
}

void TConsoleForm::ApplySettings() {
    TStrings* links = MAIN_COMBO_Address->Items();
    links->SetText(Settings.QuickLinks);
    MAIN_COMBO_Address->SetText(links->Count() > 0 ? links->Strings(0) : std::string());

    TakeConsoleFont();
    TakeEditorFont();
    for (int i = 0; i < 3; ++i) MAIN_BTN_OneShot[i]->SetHint(Settings.OneShotCommand[i]);
    MAIN_BTN_KeepAlive->SetDown(Settings.UseKeepAlive);
    MAIN_TapiDevice->SetSelectedDevice(Settings.TAPIDeviceName);

    // The window as it was left (a minimised window comes back normal).
    int width = std::max(200, Settings.ConsoleFormWidth);
    int height = std::max(150, Settings.ConsoleFormHeight);
    SetBounds(Left(), Top(), width, height);
    if (Settings.ConsoleFormState == wsMaximized) SetWindowState(wsMaximized);

    // The cool bar's order, rows and widths (the design's when none were stored).
    std::array<std::string_view, 3> order = CoolBarBands(Settings.CoolBand1, Settings.CoolBand2);
    TCoolBands* bands = MAIN_CoolBar->Bands();
    for (int i = 0; i < 3; ++i) {
        auto* panel = FindAs<TControl>(this, kPanelPrefix + std::string(order[i]));
        if (TCoolBand* band = bands->FindBand(panel)) band->SetIndex(i);
    }
    bands->Items(1)->SetBreak(Settings.CoolBandBreak2);
    bands->Items(2)->SetBreak(Settings.CoolBandBreak3);
    for (int i = 0; i < 3; ++i)
        if (Settings.CoolBandWidth[i] > 0) bands->Items(i)->SetWidth(Settings.CoolBandWidth[i]);

    FAddressBookPath = AddressBookFilePath(FProgramFolder);
    CreateOrResetTerminal();

    PaintConsoleColours();
    MAIN_VSCR_Console->SetParams(0, 0, 0);
    MAIN_HSCR_Console->SetParams(0, 0, 0);
    ApplyCellSize();
    FScreen.ScreenTop = FScreen.FirstDisplayedLine = FScreen.LongestLine = 0;
    FScreen.CursorColumn = FScreen.CursorRow = 0;
}

void TConsoleForm::TakeConsoleFont() {
    ConsoleFont.SetName(Settings.ConsoleFontName);
    ConsoleFont.SetSize(Settings.ConsoleFontSize);
    ConsoleFont.SetCharset(static_cast<TFontCharset>(Settings.ConsoleFontCharset));
    ConsoleFont.SetColor(Colour(Settings.ConsoleFGColor));
}

void TConsoleForm::TakeEditorFont() {
    EditorFont.SetName(Settings.EditorFontName);
    EditorFont.SetSize(Settings.EditorFontSize);
    EditorFont.SetCharset(static_cast<TFontCharset>(Settings.EditorFontCharset));
    EditorFont.SetColor(Colour(Settings.EditorFGColor));
}

void TConsoleForm::PaintConsoleColours() {
    TColor background = Colour(Settings.ConsoleBGColor);
    for (TControl* c : std::initializer_list<TControl*>{MAIN_PB_Console, MAIN_PANEL_Console,
                                                         MAIN_PANEL_ConsoleTop, MAIN_PANEL_ConsoleBottom})
        c->SetColor(background);
}

void TConsoleForm::ApplyCellSize() {
    if (Settings.UseInternalFont) {
        FScreen.CellWidth = 8;
        FScreen.CellHeight = 16;
        return;
    }
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, ConsoleFont.Handle());
    SIZE c{}, g{};
    GetTextExtentPoint32A(dc, "C", 1, &c);
    GetTextExtentPoint32A(dc, "g", 1, &g);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    FScreen.CellWidth = std::max<int>(1, c.cx);
    FScreen.CellHeight = std::max<int>(1, g.cy);
}

int TConsoleForm::ProbeFontCharset(const std::string& fontName) {
    TFont probe;
    probe.SetName(fontName);
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, probe.Handle());
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return metrics.tmCharSet;
}

SettingsSaveResult TConsoleForm::SaveGlobalSettings() {
    Settings.QuickLinks = MAIN_COMBO_Address->Items()->Text();
    for (int i = 0; i < 3; ++i) Settings.OneShotCommand[i] = MAIN_BTN_OneShot[i]->Hint();
    TRegistrySettings store(TRegistrySettings::ForWriting);
    return ::SaveGlobalSettings(store, Settings);
}

SettingsSaveResult TConsoleForm::SaveSessionSettings() {
    Settings.UseKeepAlive = MAIN_BTN_KeepAlive->Down();
    // A maximized window made smaller for the capture editor counts as maximized.
    Settings.ConsoleFormState = ConsoleShrunkForEditor ? wsMaximized : WindowState();
    // The normal size is the one kept.
    if (WindowState() != wsNormal) SetWindowState(wsNormal);
    Settings.ConsoleFormWidth = Width();
    Settings.ConsoleFormHeight = Height();
    TCoolBands* bands = MAIN_CoolBar->Bands();
    auto panelName = [&](int i) {
        TWinControl* c = bands->Items(i)->Control();
        std::string name = c ? c->Name() : std::string();
        return name.rfind(kPanelPrefix, 0) == 0 ? name.substr(std::string(kPanelPrefix).size())
                                                : std::string();
    };
    Settings.CoolBand1 = panelName(0);
    Settings.CoolBand2 = panelName(1);
    Settings.CoolBandBreak2 = bands->Items(1)->Break();
    Settings.CoolBandBreak3 = bands->Items(2)->Break();
    for (int i = 0; i < 3; ++i) Settings.CoolBandWidth[i] = bands->Items(i)->Width();
    TRegistrySettings store(TRegistrySettings::ForWriting);
    return ::SaveSessionSettings(store, Settings);
}

SettingsSaveResult TConsoleForm::SaveSettingValues(std::initializer_list<std::string_view> names) {
    TRegistrySettings store(TRegistrySettings::ForWriting);
    return ::SaveSettingValues(store, Settings, std::span<const std::string_view>(names.begin(), names.size()));
}

// A refused save is told once, whatever it could not write; the fields keep the values, so
// the program goes on with them.
void TConsoleForm::TellSettingsNotSaved(const SettingsSaveResult& result) {
    if (result.Saved()) return;
    MessageBoxA(Handle(), SettingsSaveFailureText(result).c_str(), " Quiro 2: Error", MB_OK | MB_ICONERROR);
}

void TConsoleForm::CreateOrResetTerminal() {
    ColorValue fg = ColorIndexToColor(static_cast<ColorIndex>(Settings.ConsoleFGColor));
    ColorValue bg = ColorIndexToColor(static_cast<ColorIndex>(Settings.ConsoleBGColor));
    if (!FTerminal) {
        TerminalOutlets outlets;
        outlets.Sender = this;
        outlets.View = this;
        outlets.Canvas = this;
        outlets.TelnetHost = &FTelnet;
        FSideChannels.Attach(outlets);
        FTerminal = std::make_unique<TDravelTerminal>(FScreen, fg, bg, outlets);
    } else {
        FTerminal->ResetTerminal(fg, bg);
    }
    ApplyTerminalSettings();
}

void TConsoleForm::ApplyTerminalSettings() {
    ColorValue fg = ColorIndexToColor(static_cast<ColorIndex>(Settings.ConsoleFGColor));
    ColorValue bg = ColorIndexToColor(static_cast<ColorIndex>(Settings.ConsoleBGColor));
    HorizontalOffset = TextLeftMargin;
    FTerminal->SetHorizontalOffset(HorizontalOffset);
    FTerminal->SetScreenSize(Settings.ScreenSizeWidth, Settings.ScreenSizeHeight);
    FTerminal->SetTerminalFont(fg, bg);  // hands the size to the telnet object
    FTerminal->PrintMode = Settings.PrintType;
    FSideChannels.SetPrintFileName(Settings.PrintFileName);
    FSideChannels.SetShowOnLineMemoWindow(Settings.ShowOnLineMemoWindow);
}

void TConsoleForm::MAIN_BTN_SetSizeClick() {
    if (WindowState() != wsNormal) SetWindowState(wsNormal);
    int width = Width() - MAIN_PANEL_Console->Width() +
                (FTerminal->Columns() + 2) * FScreen.CellWidth;
    int height = Height() - MAIN_PANEL_Console->Height() +
                 (FTerminal->Rows() + 2) * FScreen.CellHeight + MAIN_HSCR_Console->Height();
    if (width == Width() && height == Height()) {
        MAIN_PB_Console->Invalidate();
        return;
    }
    SetBounds(Left(), Top(), width, height);
    ScrollCursorIntoView();
}
