// The settings dialog's window: its controls from one table, and the model's state shown
// in them after every user action.
#include "windows/Gset.h"

#include <shellapi.h>

#include "comm/TapiDevice.h"
#include "controls/FileEdit.h"
#include "controls/XcCombos.h"
#include "controls/XcLabel.h"
#include "controls/XcSpin.h"
#include "engines/core/ConsolePalette.h"
#include "engines/core/DravelHanguel.h"
#include "framework/Buttons.h"
#include "framework/ComCtrls.h"
#include "framework/ExtCtrls.h"
#include "framework/FormBuilder.h"
#include "framework/Samples.h"
#include "framework/StdCtrls.h"

namespace {

// The dialog's layout, in pixels; the keyboard page's key buttons follow (KeyButtonRows).
const TComponentRow kRows[] = {
    {Make<TPageControl>, "GSET_PageControl", "", 6, 6, 448, 296, "", 0, 0},
    {Make<TSpeedButton>, "GSET_BTN_SelectTAPIDevice", "", 6, 308, 100, 26, "Modem...", bfFlat, 0},
    {Make<TSpeedButton>, "GSET_BTN_OK", "", 302, 308, 74, 26, "OK", bfFlat | bfDefault, 0},
    {Make<TSpeedButton>, "GSET_BTN_Cancel", "", 380, 308, 74, 26, "Cancel", bfFlat | bfCancel, 0},

    // "Font && Directories"
    {Make<TTabSheet>, "GSET_TS_Font", "GSET_PageControl", 0, 0, 440, 268, "Font && Directories", 0, 0},
    {Make<TLabel>, "GSET_LABEL_Font", "GSET_TS_Font", 8, 8, 170, 14, "Console Font", 0, 0},
    {Make<TFontComboBox>, "GSET_CB_Font", "GSET_TS_Font", 8, 24, 176, 22, "", 0, 0},
    {Make<TComboBox>, "GSET_CB_FontCharset", "GSET_TS_Font", 190, 24, 190, 22, "", bfDropDownList, 0},
    {Make<TCSpinButton>, "GSET_SPIN_ConsoleFontSize", "GSET_TS_Font", 386, 23, 18, 24, "", 0, 0},
    {Make<TLabel>, "GSET_LABEL_ConsoleFGColor", "GSET_TS_Font", 8, 54, 130, 14, "Text Color", 0, 0},
    {Make<TColorComboBox>, "GSET_CB_ConsoleFGColor", "GSET_TS_Font", 8, 70, 130, 22, "", 0, 0},
    {Make<TLabel>, "GSET_LABEL_ConsoleBGColor", "GSET_TS_Font", 146, 54, 130, 14, "Background Color", 0, 0},
    {Make<TColorComboBox>, "GSET_CB_ConsoleBGColor", "GSET_TS_Font", 146, 70, 130, 22, "", 0, 0},
    {Make<TPanel>, "GSET_PANEL_ConsoleFontSample", "GSET_TS_Font", 284, 52, 148, 44, "", 0, 0},
    {Make<TPaintBox>, "GSET_PB_InternalConsoleFontSample", "GSET_PANEL_ConsoleFontSample", 0, 0, 148, 44, "",
     bfAlignClient | bfHidden, 0},
    {Make<TCheckBox>, "GSET_CB_UseInternalFont", "GSET_TS_Font", 8, 104, 424, 18,
     "Use Internal Font (Supports KSC5601 Hanguel/Hanja)", 0, 0},
    {Make<TGroupBox>, "GSET_RG_HKeyLayout", "GSET_TS_Font", 8, 128, 424, 46, " Hanguel Keyboard Layout ", 0, 0},
    {Make<TRadioButton>, "GSET_RB_HKeyMode2BS", "GSET_RG_HKeyLayout", 10, 20, 130, 18, "2 Bul-Sik", 0, 1},
    {Make<TRadioButton>, "GSET_RB_HKeyMode3BS390", "GSET_RG_HKeyLayout", 145, 20, 140, 18, "3 Bul-Sik Type 390", 0,
     2},
    {Make<TRadioButton>, "GSET_RB_HKeyMode3BSFinal", "GSET_RG_HKeyLayout", 290, 20, 128, 18,
     "3 Bul-Sik Type Final", 0, 3},
    {Make<TPanel>, "GSET_PANEL_ZModemDirs", "GSET_TS_Font", 8, 184, 424, 76, "ZModem Directories   ", 0, 0},
    {Make<TLabel>, "GSET_LABEL_UpDir", "GSET_PANEL_ZModemDirs", 8, 14, 54, 14, "Upload", 0, 0},
    {Make<TDirectoryEdit>, "GSET_EDIT_UpDir", "GSET_PANEL_ZModemDirs", 64, 10, 186, 21, "", 0, 0},
    {Make<TSpeedButton>, "GSET_BTN_OpenUpDir", "GSET_PANEL_ZModemDirs", 252, 10, 40, 21, "Open", bfFlat, 0},
    {Make<TLabel>, "GSET_LABEL_DownDir", "GSET_PANEL_ZModemDirs", 8, 46, 54, 14, "Download", 0, 0},
    {Make<TDirectoryEdit>, "GSET_EDIT_DownDir", "GSET_PANEL_ZModemDirs", 64, 42, 186, 21, "", 0, 0},
    {Make<TSpeedButton>, "GSET_BTN_OpenDownDir", "GSET_PANEL_ZModemDirs", 252, 42, 40, 21, "Open", bfFlat, 0},

    // "Editor"
    {Make<TTabSheet>, "GSET_TS_Editor", "GSET_PageControl", 0, 0, 440, 268, "Editor", 0, 0},
    {Make<TLabel>, "GSET_LABEL_EditorFont", "GSET_TS_Editor", 8, 8, 170, 14, "Editor Font", 0, 0},
    {Make<TFontComboBox>, "GSET_CB_EditorFont", "GSET_TS_Editor", 8, 24, 176, 22, "", 0, 0},
    {Make<TComboBox>, "GSET_CB_EditorFontCharset", "GSET_TS_Editor", 190, 24, 190, 22, "", bfDropDownList, 0},
    {Make<TCSpinButton>, "GSET_SPIN_EditorFontSize", "GSET_TS_Editor", 386, 23, 18, 24, "", 0, 0},
    {Make<TLabel>, "GSET_LABEL_EditorFGColor", "GSET_TS_Editor", 8, 54, 130, 14, "Text Color", 0, 0},
    {Make<TColorComboBox>, "GSET_CB_EditorFGColor", "GSET_TS_Editor", 8, 70, 130, 22, "", 0, 0},
    {Make<TLabel>, "GSET_LABEL_EditorBGColor", "GSET_TS_Editor", 146, 54, 130, 14, "Background Color", 0, 0},
    {Make<TColorComboBox>, "GSET_CB_EditorBGColor", "GSET_TS_Editor", 146, 70, 130, 22, "", 0, 0},
    {Make<TPanel>, "GSET_PANEL_EditorSample", "GSET_TS_Editor", 284, 52, 148, 44, "", 0, 0},
    {Make<TGroupBox>, "GSET_RG_EditorHKeyLayout", "GSET_TS_Editor", 8, 104, 424, 46, " Hanguel Keyboard Layout ",
     0, 0},
    {Make<TRadioButton>, "GSET_RB_EditorHKeyMode2BS", "GSET_RG_EditorHKeyLayout", 10, 20, 130, 18, "2 Bul-Sik",
     bfChecked, 1},
    {Make<TRadioButton>, "GSET_RB_EditorHKeyMode3BS390", "GSET_RG_EditorHKeyLayout", 145, 20, 140, 18,
     "3 Bul-Sik Type 390", 0, 2},
    {Make<TRadioButton>, "GSET_RB_EditorHKeyMode3BSFinal", "GSET_RG_EditorHKeyLayout", 290, 20, 128, 18,
     "3 Bul-Sik Type Final", 0, 3},
    {Make<TGroupBox>, "GSET_GB_PageMargins", "GSET_TS_Editor", 8, 160, 424, 78, " Page Margins (mm) ", 0, 0},
    {Make<TLabel>, "GSET_LABEL_MarginLeft", "GSET_GB_PageMargins", 12, 24, 50, 14, "Left : ", 0, 0},
    {Make<TXcSpinEdit>, "GSET_ED_MarginLeft", "GSET_GB_PageMargins", 64, 20, 60, 21, "0", 0, 0},
    {Make<TLabel>, "GSET_LABEL_MarginRight", "GSET_GB_PageMargins", 140, 24, 50, 14, "Right : ", 0, 0},
    {Make<TXcSpinEdit>, "GSET_ED_MarginRight", "GSET_GB_PageMargins", 192, 20, 60, 21, "0", 0, 0},
    {Make<TLabel>, "GSET_LABEL_MarginTop", "GSET_GB_PageMargins", 12, 52, 50, 14, "Top : ", 0, 0},
    {Make<TXcSpinEdit>, "GSET_ED_MarginTop", "GSET_GB_PageMargins", 64, 48, 60, 21, "0", 0, 0},
    {Make<TLabel>, "GSET_LABEL_MarginBottom", "GSET_GB_PageMargins", 140, 52, 50, 14, "Bottom : ", 0, 0},
    {Make<TXcSpinEdit>, "GSET_ED_MarginBottom", "GSET_GB_PageMargins", 192, 48, 60, 21, "0", 0, 0},

    // "Keyboard": the key buttons come after this table.
    {Make<TTabSheet>, "GSET_TS_Keyboard", "GSET_PageControl", 0, 0, 440, 268, "Keyboard", 0, 0},
    {Make<TXcLabel>, "GSET_LABEL_KeyName", "GSET_TS_Keyboard", 276, 40, 156, 18, "Insert", 0, 0},
    {Make<TLabel>, "GSET_LABEL_KeyNorm", "GSET_TS_Keyboard", 276, 66, 156, 14, "Normal", 0, 0},
    {Make<TEdit>, "GSET_EDIT_KeyNorm", "GSET_TS_Keyboard", 276, 82, 156, 21, "", 0, 0},
    {Make<TLabel>, "GSET_LABEL_KeyAlt", "GSET_TS_Keyboard", 276, 110, 156, 14, "Application", 0, 0},
    {Make<TEdit>, "GSET_EDIT_KeyAlt", "GSET_TS_Keyboard", 276, 126, 156, 21, "", 0, 0},
    {Make<TButton>, "GSET_BTN_FKeyDefVT100", "GSET_TS_Keyboard", 8, 180, 90, 24, "Load VT100", 0, 0},
    {Make<TButton>, "GSET_BTN_FKeyDefVT220", "GSET_TS_Keyboard", 104, 180, 90, 24, "Load VT220", 0, 0},
    {Make<TCheckBox>, "GSET_CB_EmulateTerminalKeypad", "GSET_TS_Keyboard", 214, 183, 218, 18,
     "Emulate Terminal Keypad", 0, 0},
    {Make<TXcLabel>, "XcLabel1", "GSET_TS_Keyboard", 8, 216, 424, 36,
     "ESC               : \\x1B\nCtrl+A ... Ctrl+Z : \\x01 ... \\0x1A", 0, 0},

    // "Printing"
    {Make<TTabSheet>, "GSET_TS_Printing", "GSET_PageControl", 0, 0, 440, 268, "Printing", 0, 0},
    {Make<TGroupBox>, "GSET_GB_PrintMethods", "GSET_TS_Printing", 8, 8, 424, 124, " Select Print Methods ", 0, 0},
    {Make<TRadioButton>, "GSET_RB_PrintNone", "GSET_GB_PrintMethods", 12, 22, 160, 18, "None", bfChecked, 0},
    {Make<TRadioButton>, "GSET_RB_PrintRawData", "GSET_GB_PrintMethods", 12, 54, 160, 18, "Send as raw data", 0, 1},
    {Make<TComboBox>, "GSET_CB_PrinterList", "GSET_GB_PrintMethods", 176, 52, 236, 22, "", bfDisabled, 0},
    {Make<TRadioButton>, "GSET_RB_PrintFile", "GSET_GB_PrintMethods", 12, 88, 160, 18, "Save as a file only", 0, 2},
    {Make<TFilenameEdit>, "GSET_CB_PrintFileName", "GSET_GB_PrintMethods", 176, 86, 236, 21, "", bfDisabled, 0},

    // "Advanced..."
    {Make<TTabSheet>, "GSET_TS_Advanced", "GSET_PageControl", 0, 0, 440, 268, "Advanced...", 0, 0},
    {Make<TCheckBox>, "GSET_CB_CustomScreenSize", "GSET_TS_Advanced", 8, 10, 190, 18, "Enable Custom Screen Size",
     0, 0},
    {Make<TLabel>, "GSET_LABEL_ScreenRows", "GSET_TS_Advanced", 204, 12, 48, 14, "Rows : ", bfDisabled, 0},
    {Make<TXcSpinEdit>, "GSET_ED_ScreenRows", "GSET_TS_Advanced", 252, 8, 58, 21, "1", bfDisabled, 0},
    {Make<TLabel>, "GSET_LABEL_ScreenColumns", "GSET_TS_Advanced", 318, 12, 56, 14, "Columns : ", bfDisabled, 0},
    {Make<TXcSpinEdit>, "GSET_ED_ScreenColumns", "GSET_TS_Advanced", 374, 8, 58, 21, "1", bfDisabled, 0},
    {Make<TCheckBox>, "GSET_CB_OnLineMemoWindow", "GSET_TS_Advanced", 8, 36, 424, 18,
     "Show On-Line Memo Window [ NowNuri ]", 0, 0},
    {Make<TCheckBox>, "GSET_CB_ImagePack", "GSET_TS_Advanced", 8, 56, 424, 18,
     "Show Image Pack [ HiTel / NowNuri / Chollian ]", 0, 0},
    {Make<TCheckBox>, "GSET_CB_ZModemAutoDetect", "GSET_TS_Advanced", 8, 76, 424, 18, "Enable ZModem Auto-detect", 0,
     0},
    {Make<TCheckBox>, "GSET_CB_ConvertToKSC5601", "GSET_TS_Advanced", 8, 96, 424, 18,
     "Remote Server Uses Johab Hanguel Code", bfDisabled, 0},
    {Make<TGroupBox>, "GSET_GB_Proxy", "GSET_TS_Advanced", 8, 120, 424, 142, " Proxy / Firewall ", 0, 0},
    {Make<TRadioButton>, "GSET_RB_ProxyTypeNone", "GSET_GB_Proxy", 10, 18, 80, 18, "None", bfChecked, 0},
    {Make<TRadioButton>, "GSET_RB_ProxyTypeTIS", "GSET_GB_Proxy", 94, 18, 110, 18, "TIS Standard", 0, 0},
    {Make<TRadioButton>, "GSET_RB_ProxyTypeSocks4", "GSET_GB_Proxy", 208, 18, 90, 18, "SOCKS 4", 0, 0},
    {Make<TRadioButton>, "GSET_RB_ProxyTypeSocks5", "GSET_GB_Proxy", 302, 18, 90, 18, "SOCKS 5", 0, 0},
    {Make<TLabel>, "GSET_LABEL_ProxyHost", "GSET_GB_Proxy", 10, 46, 86, 14, "Host Address", bfDisabled, 0},
    {Make<TEdit>, "GSET_ED_ProxyHost", "GSET_GB_Proxy", 100, 42, 180, 21, "", bfDisabled, 0},
    {Make<TLabel>, "GSET_LABEL_ProxyPort", "GSET_GB_Proxy", 290, 46, 36, 14, "Port", bfDisabled, 0},
    {Make<TEdit>, "GSET_ED_ProxyPort", "GSET_GB_Proxy", 330, 42, 82, 21, "", bfDisabled, 0},
    {Make<TLabel>, "GSET_LABEL_ProxyUsername", "GSET_GB_Proxy", 10, 72, 86, 14, "User ID", bfDisabled, 0},
    {Make<TEdit>, "GSET_ED_ProxyUsername", "GSET_GB_Proxy", 100, 68, 120, 21, "", bfDisabled, 0},
    {Make<TLabel>, "GSET_LABEL_ProxyPassword", "GSET_GB_Proxy", 228, 72, 58, 14, "Password", bfDisabled, 0},
    {Make<TEdit>, "GSET_ED_ProxyPassword", "GSET_GB_Proxy", 290, 68, 122, 21, "", bfDisabled | bfPassword, 0},
    {Make<TLabel>, "GSET_LABEL_ProxyTISConnectCommand", "GSET_GB_Proxy", 10, 98, 104, 14, "Connect Command",
     bfDisabled, 0},
    {Make<TEdit>, "GSET_ED_ProxyTISConnectCommand", "GSET_GB_Proxy", 118, 94, 294, 21, "", bfDisabled, 0},
    {Make<TCheckBox>, "GSET_CB_ProxySocks5UserPswd", "GSET_GB_Proxy", 10, 120, 402, 18,
     "Use Username/Password Method (SOCKS5 Only)", bfDisabled, 0},
};

// The keyboard page's keys: the function keys in a row in groups of four, the editing
// block and the arrows below them on the left, the keypad in the middle.
struct KeyPlace {
    int code;  // 0: the inert "NUM"
    int left, top, width, height;
};
const KeyPlace kKeyPlaces[] = {
    {51, 8, 8, 32, 22},    {52, 42, 8, 32, 22},   {53, 76, 8, 32, 22},   {54, 110, 8, 32, 22},
    {55, 150, 8, 32, 22},  {56, 184, 8, 32, 22},  {57, 218, 8, 32, 22},  {58, 252, 8, 32, 22},
    {59, 292, 8, 32, 22},  {60, 326, 8, 32, 22},  {61, 360, 8, 32, 22},  {62, 394, 8, 32, 22},
    {31, 8, 40, 34, 22},   {32, 44, 40, 34, 22},  {33, 80, 40, 34, 22},  {34, 8, 64, 34, 22},
    {35, 44, 64, 34, 22},  {36, 80, 64, 34, 22},  {41, 8, 92, 106, 22},  {21, 44, 120, 34, 22},
    {23, 8, 144, 34, 22},  {22, 44, 144, 34, 22}, {24, 80, 144, 34, 22}, {0, 130, 40, 32, 22},
    {11, 164, 40, 32, 22}, {12, 198, 40, 32, 22}, {13, 232, 40, 32, 22}, {8, 130, 64, 32, 22},
    {9, 164, 64, 32, 22},  {10, 198, 64, 32, 22}, {14, 232, 64, 32, 46}, {5, 130, 88, 32, 22},
    {6, 164, 88, 32, 22},  {7, 198, 88, 32, 22},  {2, 130, 112, 32, 22}, {3, 164, 112, 32, 22},
    {4, 198, 112, 32, 22}, {16, 232, 112, 32, 46}, {1, 130, 136, 66, 22}, {15, 198, 136, 32, 22},
};

const char* const kConsoleLayouts[] = {"GSET_RB_HKeyMode2BS", "GSET_RB_HKeyMode3BS390", "GSET_RB_HKeyMode3BSFinal"};
const char* const kEditorLayouts[] = {"GSET_RB_EditorHKeyMode2BS", "GSET_RB_EditorHKeyMode3BS390",
                                      "GSET_RB_EditorHKeyMode3BSFinal"};
const char* const kMargins[] = {"GSET_ED_MarginLeft", "GSET_ED_MarginRight", "GSET_ED_MarginTop",
                                "GSET_ED_MarginBottom"};
const char* const kPrintRadios[] = {"GSET_RB_PrintNone", "GSET_RB_PrintRawData", "GSET_RB_PrintFile"};
const char* const kProxyRadios[] = {"GSET_RB_ProxyTypeNone", "GSET_RB_ProxyTypeTIS", "GSET_RB_ProxyTypeSocks4",
                                    "GSET_RB_ProxyTypeSocks5"};
const char* const kProxyLabels[] = {"GSET_LABEL_ProxyHost", "GSET_LABEL_ProxyPort", "GSET_LABEL_ProxyUsername",
                                    "GSET_LABEL_ProxyPassword", "GSET_LABEL_ProxyTISConnectCommand"};

TColor Colour(int index) { return static_cast<TColor>(ColorIndexToColor(static_cast<ColorIndex>(index))); }
int ColourIndex(TColor color) { return ColorToColorIndex(static_cast<ColorValue>(color)); }

// An enabled edit or list is white, a disabled one the colour of the dialog.
void Enable(TControl* c, bool on) {
    c->SetEnabled(on);
    c->SetColor(on ? clWindow : clBtnFace);
}
// The same, and the text greyed with it (the font and charset lists).
void EnableList(TControl* c, bool on) {
    Enable(c, on);
    c->Font()->SetColor(on ? clWindowText : clGrayText);
}

void ShowText(TControl* c, const std::string& text) {
    if (c->Caption() != text) c->SetCaption(text);
}

// (What the user is typing reads back as the value: it is left alone.)
void SetSpin(TXcSpinEdit* spin, int value) {
    if (spin->AsInteger() != value) spin->SetAsInteger(value);
}

// The checked one of a group of radio buttons (index -1: none).
template <size_t N>
void CheckRadio(TRadioButton* const (&radios)[N], int index) {
    for (size_t i = 0; i < N; ++i)
        if (radios[i]->Checked() != (int(i) == index)) radios[i]->SetChecked(int(i) == index);
}

// An arrow for the arrow keys' buttons (the bottom-left pixel is the transparent colour).
void DrawArrow(TBitmap* glyph, int code) {
    glyph->SetSize(9, 9);
    TCanvas* c = glyph->Canvas();
    c->Brush()->SetColor(clFuchsia);
    c->FillRect(RECT{0, 0, 9, 9});
    c->Pen()->SetColor(clBlack);
    for (int i = 0; i < 5; ++i) {
        // A triangle of five lines, narrowing toward the point.
        const int from = i, to = 9 - i;
        switch (code) {
        case 21: c->MoveTo(from, 6 - i); c->LineTo(to, 6 - i); break;
        case 22: c->MoveTo(from, 2 + i); c->LineTo(to, 2 + i); break;
        case 23: c->MoveTo(6 - i, from); c->LineTo(6 - i, to); break;
        default: c->MoveTo(2 + i, from); c->LineTo(2 + i, to); break;
        }
    }
}

}  // namespace

TGlobalConfigForm::TGlobalConfigForm(TComponent* owner, GlobalConfigHost& host, TDravelHanguel* renderer,
                                     TLinkCustomTapiDevice* device)
    : TForm(owner), Model(host), FRenderer(renderer), FDevice(device) {
    SetName("GlobalConfigForm");
    SetCaption(" Global Settings...");
    SetBorderStyle(bsToolWindow);
    SetBorderIcons(biSystemMenu);
    KeyPreview = true;
    Position = poScreenCenter;
    BuildForm(this, kRows);
    SetClientWidth(460);
    SetClientHeight(340);
    FindControls();
    FormCreate();
    DrawGlyphs();
    WireEvents();
    GSET_PageControl->SetActivePageIndex(0);
    Reflect();
}

void TGlobalConfigForm::FindControls() {
    GSET_PageControl = FindAs<TPageControl>(this, "GSET_PageControl");
    GSET_BTN_OK = FindAs<TSpeedButton>(this, "GSET_BTN_OK");
    GSET_BTN_Cancel = FindAs<TSpeedButton>(this, "GSET_BTN_Cancel");
    GSET_BTN_SelectTAPIDevice = FindAs<TSpeedButton>(this, "GSET_BTN_SelectTAPIDevice");
    GSET_BTN_OK->SetHint("OK");
    GSET_BTN_Cancel->SetHint("Cancel");
    GSET_BTN_SelectTAPIDevice->SetHint("Select Your Modem...");
    for (TSpeedButton* b : {GSET_BTN_OK, GSET_BTN_Cancel, GSET_BTN_SelectTAPIDevice}) b->SetShowHint(true);

    GSET_CB_Font = FindAs<TFontComboBox>(this, "GSET_CB_Font");
    GSET_CB_FontCharset = FindAs<TComboBox>(this, "GSET_CB_FontCharset");
    GSET_SPIN_ConsoleFontSize = FindAs<TCSpinButton>(this, "GSET_SPIN_ConsoleFontSize");
    GSET_CB_ConsoleFGColor = FindAs<TColorComboBox>(this, "GSET_CB_ConsoleFGColor");
    GSET_CB_ConsoleBGColor = FindAs<TColorComboBox>(this, "GSET_CB_ConsoleBGColor");
    GSET_PANEL_ConsoleFontSample = FindAs<TPanel>(this, "GSET_PANEL_ConsoleFontSample");
    GSET_PB_InternalConsoleFontSample = FindAs<TPaintBox>(this, "GSET_PB_InternalConsoleFontSample");
    GSET_CB_UseInternalFont = FindAs<TCheckBox>(this, "GSET_CB_UseInternalFont");
    GSET_RG_HKeyLayout = FindAs<TGroupBox>(this, "GSET_RG_HKeyLayout");
    GSET_EDIT_UpDir = FindAs<TDirectoryEdit>(this, "GSET_EDIT_UpDir");
    GSET_EDIT_DownDir = FindAs<TDirectoryEdit>(this, "GSET_EDIT_DownDir");
    GSET_CB_EditorFont = FindAs<TFontComboBox>(this, "GSET_CB_EditorFont");
    GSET_CB_EditorFontCharset = FindAs<TComboBox>(this, "GSET_CB_EditorFontCharset");
    GSET_SPIN_EditorFontSize = FindAs<TCSpinButton>(this, "GSET_SPIN_EditorFontSize");
    GSET_CB_EditorFGColor = FindAs<TColorComboBox>(this, "GSET_CB_EditorFGColor");
    GSET_CB_EditorBGColor = FindAs<TColorComboBox>(this, "GSET_CB_EditorBGColor");
    GSET_PANEL_EditorSample = FindAs<TPanel>(this, "GSET_PANEL_EditorSample");
    GSET_RG_EditorHKeyLayout = FindAs<TGroupBox>(this, "GSET_RG_EditorHKeyLayout");
    for (int i = 0; i < 3; ++i) {
        FConsoleLayouts[i] = FindAs<TRadioButton>(this, kConsoleLayouts[i]);
        FEditorLayouts[i] = FindAs<TRadioButton>(this, kEditorLayouts[i]);
        FPrintRadios[i] = FindAs<TRadioButton>(this, kPrintRadios[i]);
    }
    for (int i = 0; i < 4; ++i) {
        FMargins[i] = FindAs<TXcSpinEdit>(this, kMargins[i]);
        FProxyRadios[i] = FindAs<TRadioButton>(this, kProxyRadios[i]);
    }
    for (int i = 0; i < 5; ++i) FProxyLabels[i] = FindAs<TLabel>(this, kProxyLabels[i]);

    GSET_LABEL_KeyName = FindAs<TXcLabel>(this, "GSET_LABEL_KeyName");
    GSET_LABEL_KeyName->SetAlignment(taRightJustify);
    GSET_LABEL_KeyName->SetShadowPos(spRightBottom);
    GSET_LABEL_KeyName->Font()->SetStyle(fsBold);
    GSET_LABEL_KeyNorm = FindAs<TLabel>(this, "GSET_LABEL_KeyNorm");
    GSET_EDIT_KeyNorm = FindAs<TEdit>(this, "GSET_EDIT_KeyNorm");
    GSET_LABEL_KeyAlt = FindAs<TLabel>(this, "GSET_LABEL_KeyAlt");
    GSET_EDIT_KeyAlt = FindAs<TEdit>(this, "GSET_EDIT_KeyAlt");
    GSET_CB_EmulateTerminalKeypad = FindAs<TCheckBox>(this, "GSET_CB_EmulateTerminalKeypad");
    auto* hint = FindAs<TXcLabel>(this, "XcLabel1");
    hint->SetShadowPos(spLeftBottom);
    hint->Font()->SetName("Courier New");

    GSET_CB_PrinterList = FindAs<TComboBox>(this, "GSET_CB_PrinterList");
    GSET_CB_PrintFileName = FindAs<TFilenameEdit>(this, "GSET_CB_PrintFileName");

    GSET_CB_CustomScreenSize = FindAs<TCheckBox>(this, "GSET_CB_CustomScreenSize");
    FScreenLabels[0] = FindAs<TLabel>(this, "GSET_LABEL_ScreenRows");
    FScreenLabels[1] = FindAs<TLabel>(this, "GSET_LABEL_ScreenColumns");
    GSET_ED_ScreenRows = FindAs<TXcSpinEdit>(this, "GSET_ED_ScreenRows");
    GSET_ED_ScreenColumns = FindAs<TXcSpinEdit>(this, "GSET_ED_ScreenColumns");
    GSET_CB_OnLineMemoWindow = FindAs<TCheckBox>(this, "GSET_CB_OnLineMemoWindow");
    GSET_CB_ImagePack = FindAs<TCheckBox>(this, "GSET_CB_ImagePack");
    GSET_CB_ZModemAutoDetect = FindAs<TCheckBox>(this, "GSET_CB_ZModemAutoDetect");
    GSET_CB_ConvertToKSC5601 = FindAs<TCheckBox>(this, "GSET_CB_ConvertToKSC5601");
    GSET_ED_ProxyHost = FindAs<TEdit>(this, "GSET_ED_ProxyHost");
    GSET_ED_ProxyPort = FindAs<TEdit>(this, "GSET_ED_ProxyPort");
    GSET_ED_ProxyUsername = FindAs<TEdit>(this, "GSET_ED_ProxyUsername");
    GSET_ED_ProxyPassword = FindAs<TEdit>(this, "GSET_ED_ProxyPassword");
    GSET_ED_ProxyTISConnectCommand = FindAs<TEdit>(this, "GSET_ED_ProxyTISConnectCommand");
    GSET_CB_ProxySocks5UserPswd = FindAs<TCheckBox>(this, "GSET_CB_ProxySocks5UserPswd");

    // The lists and the spin edits' kinds and limits.
    GSET_CB_Font->SetStyle(csDropDownList);
    GSET_CB_Font->SetOptions(FontListOption(foFixedPitchOnly));
    GSET_CB_EditorFont->SetStyle(csDropDownList);
    for (TColorComboBox* c : {GSET_CB_ConsoleFGColor, GSET_CB_ConsoleBGColor, GSET_CB_EditorFGColor,
                              GSET_CB_EditorBGColor})
        c->SetStyle(csDropDownList);
    for (TComboBox* list : {GSET_CB_FontCharset, GSET_CB_EditorFontCharset})
        for (const CharsetItem& item : CharsetItems()) list->Items()->Add(std::string(item.name));
    for (TPanel* sample : {GSET_PANEL_ConsoleFontSample, GSET_PANEL_EditorSample}) {
        sample->SetBevelOuter(bvLowered);
        sample->SetAlignment(taLeftJustify);
    }
    FindAs<TPanel>(this, "GSET_PANEL_ZModemDirs")->SetAlignment(taRightJustify);
    struct Limits {
        TXcSpinEdit* spin;
        int min, max;
    };
    for (Limits l : {Limits{GSET_ED_ScreenRows, 1, ScreenRowsMax}, Limits{GSET_ED_ScreenColumns, 1, ScreenColumnsMax},
                     Limits{FMargins[0], 0, MarginMax}, Limits{FMargins[1], 0, MarginMax},
                     Limits{FMargins[2], 0, MarginMax}, Limits{FMargins[3], 0, MarginMax}}) {
        l.spin->SetButtonKind(bkStandard);
        l.spin->SetAlignment(taRightJustify);
        l.spin->SetMinValue(l.min);
        l.spin->SetMaxValue(l.max);
    }
    GSET_EDIT_UpDir->DialogText = "Choose a directory for upload.";
    GSET_EDIT_DownDir->DialogText = "Choose a directory for download.";
    for (TDirectoryEdit* dir : {GSET_EDIT_UpDir, GSET_EDIT_DownDir}) {
        dir->DialogKind = dkWin32;
        dir->DialogOptions = sdAllowCreate;
    }
}

// The proxy radio buttons carry their proxy types, the key buttons their key codes
// ("NUM" has none and stays disabled); the model starts on F1.
void TGlobalConfigForm::FormCreate() {
    for (int i = 0; i < 4; ++i) FProxyRadios[i]->Tag = i;
    auto* keyboard = FindAs<TTabSheet>(this, "GSET_TS_Keyboard");
    for (const KeyPlace& place : kKeyPlaces) {
        auto* button = new TSpeedButton(this);
        const KeyButton* key = nullptr;
        for (const KeyButton& k : KeyButtons())
            if (k.code == place.code) key = &k;
        button->SetName(key ? std::string(key->name) : "GSET_BTN_KeyNum");
        button->SetCaption(key ? std::string(key->caption) : "NUM");
        button->Tag = place.code;
        button->SetBounds(place.left, place.top, place.width, place.height);
        button->SetParent(keyboard);
        if (!key)
            button->SetEnabled(false);
        else
            FKeyButtons.push_back(button);
    }
}

void TGlobalConfigForm::DrawGlyphs() {
    for (TSpeedButton* b : FKeyButtons)
        if (b->Tag >= 21 && b->Tag <= 24) DrawArrow(b->Glyph(), static_cast<int>(b->Tag));
}

template <class F>
void TGlobalConfigForm::Act(F&& handler) {
    if (FReflecting) return;
    handler();
    Reflect();
}

void TGlobalConfigForm::WireEvents() {
    GlobalConfigModel* m = &Model;
    OnShow = [this](TComponent*) { Model.SetVisible(true); };
    OnHide = [this](TComponent*) { Model.SetVisible(false); };
    OnClose = [this](TComponent*, TCloseAction&) { Model.FormClose(); };
    GSET_BTN_OK->OnClick = [this](TComponent*) { ModalResult = mrOk; };
    GSET_BTN_Cancel->OnClick = [this](TComponent*) { ModalResult = mrCancel; };
    GSET_BTN_SelectTAPIDevice->OnClick = [this](TComponent*) {
        if (FDevice) FDevice->SelectDevice();
    };

    // "Font && Directories" and "Editor".
    GSET_CB_UseInternalFont->OnClick = [this](TComponent*) { GSET_CB_UseInternalFontClick(); };
    GSET_CB_Font->OnChange = [this, m](TComponent*) { Act([&] { m->ConsoleFontChange(GSET_CB_Font->FontName()); }); };
    GSET_CB_EditorFont->OnChange = [this, m](TComponent*) {
        Act([&] { m->EditorFontChange(GSET_CB_EditorFont->FontName()); });
    };
    GSET_CB_FontCharset->OnChange = [this, m](TComponent*) {
        Act([&] { m->ConsoleCharsetChange(GSET_CB_FontCharset->ItemIndex()); });
    };
    GSET_CB_EditorFontCharset->OnChange = [this, m](TComponent*) {
        Act([&] { m->EditorCharsetChange(GSET_CB_EditorFontCharset->ItemIndex()); });
    };
    GSET_SPIN_ConsoleFontSize->OnUpClick = [this, m](TComponent*) { Act([&] { m->ConsoleSizeClick(true); }); };
    GSET_SPIN_ConsoleFontSize->OnDownClick = [this, m](TComponent*) { Act([&] { m->ConsoleSizeClick(false); }); };
    GSET_SPIN_EditorFontSize->OnUpClick = [this, m](TComponent*) { Act([&] { m->EditorSizeClick(true); }); };
    GSET_SPIN_EditorFontSize->OnDownClick = [this, m](TComponent*) { Act([&] { m->EditorSizeClick(false); }); };
    struct ColourCombo {
        TColorComboBox* combo;
        bool editor, background;
    };
    for (ColourCombo c : {ColourCombo{GSET_CB_ConsoleFGColor, false, false}, ColourCombo{GSET_CB_ConsoleBGColor, false, true},
                          ColourCombo{GSET_CB_EditorFGColor, true, false}, ColourCombo{GSET_CB_EditorBGColor, true, true}})
        c.combo->OnChange = [this, m, c](TComponent*) {
            Act([&] {
                const int index = ColourIndex(c.combo->ColorValue());
                if (c.editor)
                    m->EditorColorChange(c.background, index);
                else
                    m->ConsoleColorChange(c.background, index);
            });
        };
    for (int i = 0; i < 3; ++i) {
        FConsoleLayouts[i]->OnClick = [this, m, i](TComponent*) {
            if (FConsoleLayouts[i]->Checked()) Act([&] { m->ConsoleLayoutClick(i + 1); });
        };
        FEditorLayouts[i]->OnClick = [this, m, i](TComponent*) {
            if (FEditorLayouts[i]->Checked()) Act([&] { m->EditorLayoutClick(i + 1); });
        };
    }
    struct Directory {
        TDirectoryEdit* edit;
        std::string ConsoleSettings::*field;
        const char* open;
    };
    for (Directory d : {Directory{GSET_EDIT_UpDir, &ConsoleSettings::UploadDir, "GSET_BTN_OpenUpDir"},
                        Directory{GSET_EDIT_DownDir, &ConsoleSettings::DownloadDir, "GSET_BTN_OpenDownDir"}}) {
        d.edit->OnChange = [this, m, d](TComponent*) { Act([&] { m->values.*d.field = d.edit->Caption(); }); };
        d.edit->OnBeforeDialog = [m, d](TComponent*, std::string& name, bool&) { name = m->values.*d.field; };
        FindAs<TSpeedButton>(this, d.open)->OnClick = [this, m, d](TComponent*) { OpenDirectory(m->values.*d.field); };
    }
    GSET_PB_InternalConsoleFontSample->OnPaint = [this](TComponent*) { PaintConsoleSample(); };
    int32_t ConsoleSettings::*const margins[] = {&ConsoleSettings::EditorMarginLeft, &ConsoleSettings::EditorMarginRight,
                                                 &ConsoleSettings::EditorMarginTop,
                                                 &ConsoleSettings::EditorMarginBottom};
    for (int i = 0; i < 4; ++i) {
        TXcSpinEdit* spin = FMargins[i];
        int32_t ConsoleSettings::*field = margins[i];
        spin->OnChange = [this, m, spin, field](TComponent*) { Act([&] { m->values.*field = spin->AsInteger(); }); };
    }

    // "Keyboard".
    for (TSpeedButton* b : FKeyButtons) b->OnClick = [this](TComponent* sender) { GSET_BTN_KeyClick(sender); };
    GSET_EDIT_KeyNorm->OnChange = [this, m](TComponent*) { Act([&] { m->keyFirst = GSET_EDIT_KeyNorm->Caption(); }); };
    GSET_EDIT_KeyAlt->OnChange = [this, m](TComponent*) { Act([&] { m->keySecond = GSET_EDIT_KeyAlt->Caption(); }); };
    FindAs<TButton>(this, "GSET_BTN_FKeyDefVT100")->OnClick = [this](TComponent*) { GSET_BTN_FKeyDefVT100Click(); };
    FindAs<TButton>(this, "GSET_BTN_FKeyDefVT220")->OnClick = [this](TComponent*) { GSET_BTN_FKeyDefVT220Click(); };
    GSET_CB_EmulateTerminalKeypad->OnClick = [this](TComponent*) { GSET_CB_EmulateTerminalKeypadClick(); };

    // "Printing".
    for (int i = 0; i < 3; ++i)
        FPrintRadios[i]->OnClick = [this, m, i](TComponent*) {
            if (FPrintRadios[i]->Checked()) Act([&] { m->PrintTypeClick(i); });
        };
    GSET_CB_PrinterList->OnChange = [this, m](TComponent*) {
        Act([&] {
            m->values.PrinterName = GSET_CB_PrinterList->Caption();
            m->printerIndex = GSET_CB_PrinterList->ItemIndex();
        });
    };
    GSET_CB_PrintFileName->OnChange = [this, m](TComponent*) {
        Act([&] { m->values.PrintFileName = GSET_CB_PrintFileName->Caption(); });
    };

    // "Advanced...".
    GSET_CB_CustomScreenSize->OnClick = [this](TComponent*) { GSET_CB_CustomScreenSizeClick(); };
    GSET_ED_ScreenRows->OnChange = [this, m](TComponent*) {
        Act([&] { m->values.ScreenSizeHeight = GSET_ED_ScreenRows->AsInteger(); });
    };
    GSET_ED_ScreenColumns->OnChange = [this, m](TComponent*) {
        Act([&] { m->values.ScreenSizeWidth = GSET_ED_ScreenColumns->AsInteger(); });
    };
    struct Flag {
        TCheckBox* box;
        bool ConsoleSettings::*field;
    };
    for (Flag f : {Flag{GSET_CB_OnLineMemoWindow, &ConsoleSettings::ShowOnLineMemoWindow},
                   Flag{GSET_CB_ImagePack, &ConsoleSettings::ShowImagePack},
                   Flag{GSET_CB_ZModemAutoDetect, &ConsoleSettings::ZModemAutoDetect},
                   Flag{GSET_CB_ConvertToKSC5601, &ConsoleSettings::ConvertToKSC5601}})
        f.box->OnClick = [this, m, f](TComponent*) { Act([&] { m->values.*f.field = f.box->Checked(); }); };
    for (TRadioButton* r : FProxyRadios) r->OnClick = [this](TComponent* sender) { GSET_RB_ProxyTypeClick(sender); };
    struct Text {
        TEdit* edit;
        std::string ConsoleSettings::*field;
    };
    for (Text t : {Text{GSET_ED_ProxyHost, &ConsoleSettings::ProxyHostAddress},
                   Text{GSET_ED_ProxyPort, &ConsoleSettings::ProxyPort},
                   Text{GSET_ED_ProxyUsername, &ConsoleSettings::ProxyUserID},
                   Text{GSET_ED_ProxyPassword, &ConsoleSettings::ProxyPassword},
                   Text{GSET_ED_ProxyTISConnectCommand, &ConsoleSettings::ProxyConnectCommand}})
        t.edit->OnChange = [this, m, t](TComponent*) { Act([&] { m->values.*t.field = t.edit->Caption(); }); };
    GSET_CB_ProxySocks5UserPswd->OnClick = [this](TComponent*) { GSET_CB_ProxySocks5UserPswdClick(); };
}

void TGlobalConfigForm::GSET_CB_UseInternalFontClick() {
    Act([&] { Model.UseInternalFontClick(GSET_CB_UseInternalFont->Checked()); });
}

// The key that was current is stored, the clicked one shown.
void TGlobalConfigForm::GSET_BTN_KeyClick(TComponent* sender) {
    if (auto* button = dynamic_cast<TSpeedButton*>(sender))
        Act([&] { Model.KeyClick(static_cast<int>(button->Tag)); });
}

void TGlobalConfigForm::GSET_BTN_FKeyDefVT100Click() { Act([&] { Model.LoadKeySet(KeyMapSet::VT100); }); }

void TGlobalConfigForm::GSET_BTN_FKeyDefVT220Click() { Act([&] { Model.LoadKeySet(KeyMapSet::VT220); }); }

void TGlobalConfigForm::GSET_CB_EmulateTerminalKeypadClick() {
    Act([&] { Model.EmulateTerminalKeypadClick(GSET_CB_EmulateTerminalKeypad->Checked()); });
}

void TGlobalConfigForm::GSET_CB_CustomScreenSizeClick() {
    Act([&] { Model.CustomScreenSizeClick(GSET_CB_CustomScreenSize->Checked()); });
}

// The radio button that became checked gives its proxy type.
void TGlobalConfigForm::GSET_RB_ProxyTypeClick(TComponent* sender) {
    auto* radio = dynamic_cast<TRadioButton*>(sender);
    if (radio && radio->Checked()) Act([&] { Model.ProxyTypeClick(static_cast<int>(radio->Tag)); });
}

void TGlobalConfigForm::GSET_CB_ProxySocks5UserPswdClick() {
    Act([&] { Model.ProxySocks5UserPswdClick(GSET_CB_ProxySocks5UserPswd->Checked()); });
}

void TGlobalConfigForm::LoadFromConsole() {
    Model.LoadFromConsole();
    Reflect();
}

void TGlobalConfigForm::Reflect() {
    FReflecting = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{FReflecting};
    ReflectFontPage();
    ReflectEditorPage();
    ReflectKeyboardPage();
    ReflectPrintingPage();
    ReflectAdvancedPage();
}

void TGlobalConfigForm::ReflectFontPage() {
    const GlobalConfigModel& m = Model;
    const ConsoleSettings& v = m.values;
    if (GSET_CB_Font->FontName() != v.ConsoleFontName) GSET_CB_Font->SetFontName(v.ConsoleFontName);
    if (GSET_CB_FontCharset->ItemIndex() != m.consoleCharsetIndex) GSET_CB_FontCharset->SetItemIndex(m.consoleCharsetIndex);
    EnableList(GSET_CB_Font, m.consoleFontEnabled);
    EnableList(GSET_CB_FontCharset, m.consoleFontEnabled);
    if (GSET_SPIN_ConsoleFontSize->Enabled() != m.consoleFontEnabled) {
        GSET_SPIN_ConsoleFontSize->SetEnabled(m.consoleFontEnabled);
        GSET_SPIN_ConsoleFontSize->Invalidate();  // its arrows are drawn greyed
    }
    GSET_CB_ConsoleFGColor->SetColorValue(Colour(v.ConsoleFGColor));
    GSET_CB_ConsoleBGColor->SetColorValue(Colour(v.ConsoleBGColor));
    if (GSET_CB_UseInternalFont->Checked() != m.internalFontChecked)
        GSET_CB_UseInternalFont->SetChecked(m.internalFontChecked);
    GSET_RG_HKeyLayout->SetEnabled(m.consoleLayoutEnabled);
    GSET_RG_HKeyLayout->Font()->SetColor(m.consoleLayoutEnabled ? clWindowText : clGrayText);
    for (TRadioButton* r : FConsoleLayouts) r->SetEnabled(m.consoleLayoutEnabled);
    CheckRadio(FConsoleLayouts, m.consoleLayout - 1);
    ShowText(GSET_EDIT_UpDir, v.UploadDir);
    ShowText(GSET_EDIT_DownDir, v.DownloadDir);

    // The sample: the panel's caption in the console font, or the paint box's bitmap text.
    TPanel* sample = GSET_PANEL_ConsoleFontSample;
    sample->SetColor(Colour(v.ConsoleBGColor));
    sample->Font()->SetColor(Colour(v.ConsoleFGColor));
    if (!m.SamplePaintBoxShown()) {
        sample->Font()->SetName(v.ConsoleFontName);
        sample->Font()->SetSize(v.ConsoleFontSize);
        sample->Font()->SetCharset(static_cast<TFontCharset>(v.ConsoleFontCharset));
    }
    ShowText(sample, m.ConsoleSampleCaption());
    GSET_PB_InternalConsoleFontSample->SetVisible(m.SamplePaintBoxShown());
    GSET_PB_InternalConsoleFontSample->Invalidate();
}

void TGlobalConfigForm::PaintConsoleSample() {
    const ConsoleSettings& v = Model.values;
    if (!FRenderer || !v.UseInternalFont) return;
    TCanvas* c = GSET_PB_InternalConsoleFontSample->Canvas();
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(Colour(v.ConsoleBGColor));
    c->Font()->SetColor(Colour(v.ConsoleFGColor));
    const SampleOrigin at = ConsoleSampleOrigin(GSET_PB_InternalConsoleFontSample->Width(),
                                                GSET_PB_InternalConsoleFontSample->Height());
    FRenderer->PaintText(c, at.x, at.y, std::string(ConsoleSampleText));
}

void TGlobalConfigForm::ReflectEditorPage() {
    const GlobalConfigModel& m = Model;
    const ConsoleSettings& v = m.values;
    if (GSET_CB_EditorFont->FontName() != v.EditorFontName) GSET_CB_EditorFont->SetFontName(v.EditorFontName);
    if (GSET_CB_EditorFontCharset->ItemIndex() != m.editorCharsetIndex)
        GSET_CB_EditorFontCharset->SetItemIndex(m.editorCharsetIndex);
    GSET_CB_EditorFGColor->SetColorValue(Colour(v.EditorFGColor));
    GSET_CB_EditorBGColor->SetColorValue(Colour(v.EditorBGColor));
    GSET_RG_EditorHKeyLayout->SetEnabled(m.editorLayoutEnabled);
    GSET_RG_EditorHKeyLayout->Font()->SetColor(m.editorLayoutEnabled ? clWindowText : clGrayText);
    for (TRadioButton* r : FEditorLayouts) r->SetEnabled(m.editorLayoutEnabled);
    CheckRadio(FEditorLayouts, m.editorLayout - 1);
    const int margins[] = {v.EditorMarginLeft, v.EditorMarginRight, v.EditorMarginTop, v.EditorMarginBottom};
    for (int i = 0; i < 4; ++i) SetSpin(FMargins[i], margins[i]);

    TPanel* sample = GSET_PANEL_EditorSample;
    sample->SetColor(Colour(v.EditorBGColor));
    sample->Font()->SetName(v.EditorFontName);
    sample->Font()->SetSize(v.EditorFontSize);
    sample->Font()->SetCharset(static_cast<TFontCharset>(v.EditorFontCharset));
    sample->Font()->SetColor(Colour(v.EditorFGColor));
    ShowText(sample, m.EditorSampleCaption());
}

void TGlobalConfigForm::ReflectKeyboardPage() {
    const GlobalConfigModel& m = Model;
    const KeyBoxes boxes = KeyBoxesFor(m.currentKey);
    ShowText(GSET_LABEL_KeyName, std::string(boxes.name));
    ShowText(GSET_LABEL_KeyNorm, std::string(boxes.firstCaption));
    ShowText(GSET_LABEL_KeyAlt, std::string(boxes.secondCaption));
    GSET_LABEL_KeyNorm->SetEnabled(boxes.firstEnabled);
    GSET_LABEL_KeyAlt->SetEnabled(boxes.secondEnabled);
    Enable(GSET_EDIT_KeyNorm, boxes.firstEnabled);
    Enable(GSET_EDIT_KeyAlt, boxes.secondEnabled);
    ShowText(GSET_EDIT_KeyNorm, m.keyFirst);
    ShowText(GSET_EDIT_KeyAlt, m.keySecond);
    for (TSpeedButton* b : FKeyButtons)
        if (IsKeypadButton(static_cast<int>(b->Tag))) b->SetEnabled(m.values.EmulateTerminalKeypad);
    if (GSET_CB_EmulateTerminalKeypad->Checked() != m.values.EmulateTerminalKeypad)
        GSET_CB_EmulateTerminalKeypad->SetChecked(m.values.EmulateTerminalKeypad);
}

void TGlobalConfigForm::ReflectPrintingPage() {
    const GlobalConfigModel& m = Model;
    CheckRadio(FPrintRadios, m.printRadio);
    TStrings* items = GSET_CB_PrinterList->Items();
    std::vector<std::string> shown;
    for (int i = 0; i < items->Count(); ++i) shown.push_back(items->Strings(i));
    if (shown != m.printers) {
        items->Clear();
        for (const std::string& name : m.printers) items->Add(name);
        GSET_CB_PrinterList->SetItemIndex(m.printerIndex);
    }
    Enable(GSET_CB_PrinterList, m.printerListEnabled);
    Enable(GSET_CB_PrintFileName, m.printFileEnabled);
    ShowText(GSET_CB_PrintFileName, m.values.PrintFileName);
}

void TGlobalConfigForm::ReflectAdvancedPage() {
    const GlobalConfigModel& m = Model;
    const ConsoleSettings& v = m.values;
    if (GSET_CB_CustomScreenSize->Checked() != m.customScreenSize)
        GSET_CB_CustomScreenSize->SetChecked(m.customScreenSize);
    for (TLabel* l : FScreenLabels) l->SetEnabled(m.customScreenSize);
    Enable(GSET_ED_ScreenRows, m.customScreenSize);
    Enable(GSET_ED_ScreenColumns, m.customScreenSize);
    SetSpin(GSET_ED_ScreenRows, v.ScreenSizeHeight);
    SetSpin(GSET_ED_ScreenColumns, v.ScreenSizeWidth);
    struct Flag {
        TCheckBox* box;
        bool on;
    };
    for (Flag f : {Flag{GSET_CB_OnLineMemoWindow, v.ShowOnLineMemoWindow}, Flag{GSET_CB_ImagePack, v.ShowImagePack},
                   Flag{GSET_CB_ZModemAutoDetect, v.ZModemAutoDetect},
                   Flag{GSET_CB_ConvertToKSC5601, v.ConvertToKSC5601}})
        if (f.box->Checked() != f.on) f.box->SetChecked(f.on);

    CheckRadio(FProxyRadios, m.proxyRadio);
    struct Proxy {
        TEdit* edit;
        TLabel* label;
        const std::string& text;
        bool on;
    };
    for (const Proxy& p : {Proxy{GSET_ED_ProxyHost, FProxyLabels[0], v.ProxyHostAddress, m.proxyHostEnabled},
                           Proxy{GSET_ED_ProxyPort, FProxyLabels[1], v.ProxyPort, m.proxyPortEnabled},
                           Proxy{GSET_ED_ProxyUsername, FProxyLabels[2], v.ProxyUserID, m.proxyUserEnabled},
                           Proxy{GSET_ED_ProxyPassword, FProxyLabels[3], v.ProxyPassword, m.proxyPasswordEnabled},
                           Proxy{GSET_ED_ProxyTISConnectCommand, FProxyLabels[4], v.ProxyConnectCommand,
                                 m.proxyCommandEnabled}}) {
        ShowText(p.edit, p.text);
        Enable(p.edit, p.on);
        p.label->SetEnabled(p.on);
    }
    if (GSET_CB_ProxySocks5UserPswd->Checked() != v.ProxyUseSocks5UserPswd)
        GSET_CB_ProxySocks5UserPswd->SetChecked(v.ProxyUseSocks5UserPswd);
    GSET_CB_ProxySocks5UserPswd->SetEnabled(m.socks5SwitchEnabled);
}

void TGlobalConfigForm::OpenDirectory(const std::string& dir) {
    ShellExecuteA(Handle(), "open", dir.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}
