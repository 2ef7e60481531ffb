// The settings dialog " Global Settings...": five pages over GlobalConfigModel (its state
// and handlers, windows/core/GlobalConfig.h). The window only shows the model's state and
// hands it the user's actions; the main window copies its settings in and reads them back
// after OK (RunGlobalConfigForm).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "framework/Forms.h"
#include "framework/IniFiles.h"
#include "windows/core/GlobalConfig.h"

class TButton;
class TCheckBox;
class TColorComboBox;
class TComboBox;
class TConsoleForm;
class TCSpinButton;
class TDirectoryEdit;
class TDravelHanguel;
class TEdit;
class TFilenameEdit;
class TFontComboBox;
class TGroupBox;
class TLabel;
class TLinkCustomTapiDevice;
class TPageControl;
class TPaintBox;
class TPanel;
class TRadioButton;
class TSpeedButton;
class TXcLabel;
class TXcSpinEdit;

class TGlobalConfigForm : public TForm {
public:
    // `renderer` draws the console sample with the built-in fonts; the device button
    // chooses on `device` (none: the button does nothing).
    TGlobalConfigForm(TComponent* owner, GlobalConfigHost& host, TDravelHanguel* renderer,
                      TLinkCustomTapiDevice* device);

    GlobalConfigModel Model;

    // Fills the controls from the fields (after Model.CopyIn).
    void LoadFromConsole();
    // Shows the model's state in the controls.
    void Reflect();

    TPageControl* GSET_PageControl = nullptr;
    TSpeedButton* GSET_BTN_OK = nullptr;
    TSpeedButton* GSET_BTN_Cancel = nullptr;
    TSpeedButton* GSET_BTN_SelectTAPIDevice = nullptr;

private:
    void FindControls();
    void FormCreate();
    void WireEvents();
    void DrawGlyphs();
    // Runs a model handler (not while the controls are being set) and shows the result.
    template <class F>
    void Act(F&& handler);
    void ReflectFontPage();
    void ReflectEditorPage();
    void ReflectKeyboardPage();
    void ReflectPrintingPage();
    void ReflectAdvancedPage();
    void PaintConsoleSample();
    void OpenDirectory(const std::string& dir);

    // Handlers by their controls' names (the rest are lambdas in WireEvents).
    void GSET_CB_UseInternalFontClick();
    void GSET_BTN_KeyClick(TComponent* sender);
    void GSET_BTN_FKeyDefVT100Click();
    void GSET_BTN_FKeyDefVT220Click();
    void GSET_CB_EmulateTerminalKeypadClick();
    void GSET_CB_CustomScreenSizeClick();
    void GSET_RB_ProxyTypeClick(TComponent* sender);
    void GSET_CB_ProxySocks5UserPswdClick();

    TDravelHanguel* FRenderer;
    TLinkCustomTapiDevice* FDevice;
    bool FReflecting = false;

    TFontComboBox* GSET_CB_Font = nullptr;
    TComboBox* GSET_CB_FontCharset = nullptr;
    TCSpinButton* GSET_SPIN_ConsoleFontSize = nullptr;
    TColorComboBox* GSET_CB_ConsoleFGColor = nullptr;
    TColorComboBox* GSET_CB_ConsoleBGColor = nullptr;
    TPanel* GSET_PANEL_ConsoleFontSample = nullptr;
    TPaintBox* GSET_PB_InternalConsoleFontSample = nullptr;
    TCheckBox* GSET_CB_UseInternalFont = nullptr;
    TGroupBox* GSET_RG_HKeyLayout = nullptr;
    TRadioButton* FConsoleLayouts[3] = {};
    TDirectoryEdit* GSET_EDIT_UpDir = nullptr;
    TDirectoryEdit* GSET_EDIT_DownDir = nullptr;

    TFontComboBox* GSET_CB_EditorFont = nullptr;
    TComboBox* GSET_CB_EditorFontCharset = nullptr;
    TCSpinButton* GSET_SPIN_EditorFontSize = nullptr;
    TColorComboBox* GSET_CB_EditorFGColor = nullptr;
    TColorComboBox* GSET_CB_EditorBGColor = nullptr;
    TPanel* GSET_PANEL_EditorSample = nullptr;
    TGroupBox* GSET_RG_EditorHKeyLayout = nullptr;
    TRadioButton* FEditorLayouts[3] = {};
    TXcSpinEdit* FMargins[4] = {};  // left, right, top, bottom

    std::vector<TSpeedButton*> FKeyButtons;
    TXcLabel* GSET_LABEL_KeyName = nullptr;
    TLabel* GSET_LABEL_KeyNorm = nullptr;
    TEdit* GSET_EDIT_KeyNorm = nullptr;
    TLabel* GSET_LABEL_KeyAlt = nullptr;
    TEdit* GSET_EDIT_KeyAlt = nullptr;
    TCheckBox* GSET_CB_EmulateTerminalKeypad = nullptr;

    TRadioButton* FPrintRadios[3] = {};
    TComboBox* GSET_CB_PrinterList = nullptr;
    TFilenameEdit* GSET_CB_PrintFileName = nullptr;

    TCheckBox* GSET_CB_CustomScreenSize = nullptr;
    TLabel* FScreenLabels[2] = {};
    TXcSpinEdit* GSET_ED_ScreenRows = nullptr;
    TXcSpinEdit* GSET_ED_ScreenColumns = nullptr;
    TCheckBox* GSET_CB_OnLineMemoWindow = nullptr;
    TCheckBox* GSET_CB_ImagePack = nullptr;
    TCheckBox* GSET_CB_ZModemAutoDetect = nullptr;
    TCheckBox* GSET_CB_ConvertToKSC5601 = nullptr;
    TRadioButton* FProxyRadios[4] = {};
    TEdit* GSET_ED_ProxyHost = nullptr;
    TEdit* GSET_ED_ProxyPort = nullptr;
    TEdit* GSET_ED_ProxyUsername = nullptr;
    TEdit* GSET_ED_ProxyPassword = nullptr;
    TEdit* GSET_ED_ProxyTISConnectCommand = nullptr;
    TCheckBox* GSET_CB_ProxySocks5UserPswd = nullptr;
    TLabel* FProxyLabels[5] = {};  // host, port, user, password, connect command
};

// The installed printers (EnumPrintersA at level 1: local and connected printers on
// Windows NT, local ones otherwise), asked for the size first; empty when there are none
// or the system fails. `enumPrinters` is the system's function unless a test gives one.
using TEnumPrintersFn = BOOL(WINAPI*)(DWORD flags, LPSTR name, DWORD level, LPBYTE buffer, DWORD size,
                                      LPDWORD needed, LPDWORD returned);
std::vector<std::string> ListPrinters(TEnumPrintersFn enumPrinters = nullptr);

// The key-map file, keeping the system's error code of the first write that failed.
class TKeyMapIniFile : public TIniFile {
public:
    using TIniFile::TIniFile;
    bool WriteValue(std::string_view section, std::string_view key, std::string_view value) override;
    DWORD Error() const { return FError; }

private:
    DWORD FError = 0;
};
// What the user is told when the key map could not be written: the file and the system's
// reason.
std::string KeyMapNotWrittenText(const TKeyMapIniFile& file);

// The main window's round trip (installed for the main window, console/SecondaryWindows.h):
// the dialog over the main window's renderer and telephony device; on OK `settings`
// takes what the dialog holds.
bool RunGlobalConfigForm(TConsoleForm& form, ConsoleSettings& settings);
