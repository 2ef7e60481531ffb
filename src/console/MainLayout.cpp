// The main window's components, built from one table, and the small pictures drawn for
// them (the input-mode images and the glyphs of the quick-connect buttons).
#include <windows.h>

#include <type_traits>

#include "console/Main.h"
#include "console/TextPicture.h"
#include "controls/AppEvent.h"
#include "controls/XcHook.h"
#include "framework/FormBuilder.h"

namespace {

constexpr uint32_t kCtrl = ssCtrl, kAlt = ssAlt, kShift = ssShift;

uint32_t Key(WORD vk, uint32_t shift = 0) { return bfShortCut(ShortCut(vk, shift)); }

// Bands of the cool bar in their design order: the address box on a row of its own, the
// tool buttons and the favourites side by side below it.
const TComponentRow kLayout[] = {
    {Make<TCoolBar>, "MAIN_CoolBar", "", 0, 0, 720, 60, "", bfAlignTop, 0},
    {Make<TPanel>, "MAIN_PANEL_Address", "MAIN_CoolBar", 0, 0, 700, 26, "", 0, 0},
    {Make<TComboBox>, "MAIN_COMBO_Address", "MAIN_PANEL_Address", 0, 2, 520, 21, "", 0, 0},
    {Make<TPanel>, "MAIN_PANEL_AddressButtons", "MAIN_PANEL_Address", 0, 0, 156, 26, "",
     bfAlignRight, 0},
    {Make<TSpeedButton>, "MAIN_BTN_Connect", "MAIN_PANEL_AddressButtons", 2, 1, 74, 24, "Connect",
     bfFlat, 0},
    {Make<TSpeedButton>, "MAIN_BTN_Disconnect", "MAIN_PANEL_AddressButtons", 78, 1, 76, 24,
     "Disconnect", bfFlat | bfDisabled, 0},
    {Make<TPanel>, "MAIN_PANEL_Menu", "MAIN_CoolBar", 0, 0, 484, 26, "", 0, 0},
    {Make<TSpeedButton>, "MAIN_BTN_New", "MAIN_PANEL_Menu", 2, 1, 36, 24, "New", bfFlat, 0},
    {Make<TSpeedButton>, "MAIN_BTN_Capture", "MAIN_PANEL_Menu", 38, 1, 56, 24, "Capture", bfFlat, 0},
    {Make<TSpeedButton>, "MAIN_BTN_KeepAlive", "MAIN_PANEL_Menu", 94, 1, 72, 24, "Keep-Alive",
     bfFlat, 0},
    {Make<TSpeedButton>, "MAIN_BTN_OneShot1", "MAIN_PANEL_Menu", 166, 1, 26, 24, "#1",
     bfFlat | bfDisabled, 1},
    {Make<TSpeedButton>, "MAIN_BTN_OneShot2", "MAIN_PANEL_Menu", 192, 1, 26, 24, "#2",
     bfFlat | bfDisabled, 2},
    {Make<TSpeedButton>, "MAIN_BTN_OneShot3", "MAIN_PANEL_Menu", 218, 1, 26, 24, "#3",
     bfFlat | bfDisabled, 3},
    {Make<TSpeedButton>, "MAIN_BTN_SetSize", "MAIN_PANEL_Menu", 246, 1, 36, 24, "Size", bfFlat, 0},
    {Make<TSpeedButton>, "MAIN_BTN_GlobalConfig", "MAIN_PANEL_Menu", 282, 1, 46, 24, "Setup",
     bfFlat, 0},
    {Make<TSpeedButton>, "MAIN_BTN_Help", "MAIN_PANEL_Menu", 328, 1, 38, 24, "Help", bfFlat, 0},
    {Make<TSpeedButton>, "MAIN_BTN_About", "MAIN_PANEL_Menu", 366, 1, 44, 24, "About", bfFlat, 0},
    {Make<TImage>, "MAIN_IMG_KeyModeHan2", "MAIN_PANEL_Menu", 412, 5, 34, 16, "", bfHidden, 0},
    {Make<TImage>, "MAIN_IMG_KeyModeHan3", "MAIN_PANEL_Menu", 412, 5, 34, 16, "", bfHidden, 0},
    {Make<TImage>, "MAIN_IMG_KeyModeHan390", "MAIN_PANEL_Menu", 412, 5, 34, 16, "", bfHidden, 0},
    {Make<TImage>, "MAIN_IMG_KeyModeEng", "MAIN_PANEL_Menu", 412, 5, 34, 16, "", bfHidden, 0},
    {Make<TImage>, "MAIN_IMG_KeyModeNone", "MAIN_PANEL_Menu", 412, 5, 34, 16, "", bfHidden, 0},
    {Make<TLinkStatusLight>, "MAIN_StatusLight_TX", "MAIN_PANEL_Menu", 450, 3, 16, 10, "", 0, 0},
    {Make<TLinkStatusLight>, "MAIN_StatusLight_RX", "MAIN_PANEL_Menu", 450, 14, 16, 10, "", 0, 0},
    {Make<TPanel>, "MAIN_PANEL_Favorites", "MAIN_CoolBar", 0, 0, 196, 26, "", 0, 0},
    {Make<TSpeedButton>, "MAIN_BTN_AddressBook", "MAIN_PANEL_Favorites", 0, 1, 92, 24,
     "Address Book", bfFlat, 0},

    // The transfer panel, shown while a ZModem transfer runs.
    {Make<TScrollBox>, "MAIN_SCROLLBOX_ZModem", "", 0, 0, 720, 84, "", bfAlignBottom | bfHidden, 0},
    {Make<TPanel>, "MAIN_PANEL_ZModemStatus", "MAIN_SCROLLBOX_ZModem", 0, 0, 716, 18, "",
     bfAlignTop, 0},
    {Make<TLabel>, "MAIN_ZLABEL_DirectoryTitle", "MAIN_SCROLLBOX_ZModem", 6, 22, 70, 14,
     "Directory", 0, 0},
    {Make<TLabel>, "MAIN_ZLABEL_Directory", "MAIN_SCROLLBOX_ZModem", 80, 22, 230, 14, "", 0, 0},
    {Make<TSpeedButton>, "MAIN_ZBTN_OpenDir", "MAIN_SCROLLBOX_ZModem", 312, 19, 44, 20, "Open",
     bfFlat, 0},
    {Make<TLabel>, "MAIN_ZLABEL_FileNameTitle", "MAIN_SCROLLBOX_ZModem", 366, 22, 40, 14, "File",
     0, 0},
    {Make<TLabel>, "MAIN_ZLABEL_FileName", "MAIN_SCROLLBOX_ZModem", 410, 22, 210, 14, "", 0, 0},
    {Make<TLabel>, "MAIN_ZLABEL_FileSizeTitle", "MAIN_SCROLLBOX_ZModem", 6, 42, 70, 14,
     "File Size", 0, 0},
    {Make<TLabel>, "MAIN_ZLABEL_FileSize", "MAIN_SCROLLBOX_ZModem", 80, 42, 80, 14, "", 0, 0},
    {Make<TLabel>, "MAIN_ZLABEL_RcvdSentBytes", "MAIN_SCROLLBOX_ZModem", 166, 42, 90, 14,
     "Bytes Received", 0, 0},
    {Make<TLabel>, "MAIN_ZLABEL_RecvedBytes", "MAIN_SCROLLBOX_ZModem", 260, 42, 80, 14, "", 0, 0},
    {Make<TLabel>, "MAIN_ZLABEL_BytesLeftTitle", "MAIN_SCROLLBOX_ZModem", 346, 42, 60, 14,
     "Bytes Left", 0, 0},
    {Make<TLabel>, "MAIN_ZLABEL_BytesLeft", "MAIN_SCROLLBOX_ZModem", 410, 42, 80, 14, "", 0, 0},
    {Make<TLabel>, "MAIN_ZLABEL_ThroughputTitle", "MAIN_SCROLLBOX_ZModem", 6, 62, 70, 14,
     "Throughput", 0, 0},
    {Make<TLabel>, "MAIN_ZLABEL_Throughput", "MAIN_SCROLLBOX_ZModem", 80, 62, 80, 14, "", 0, 0},
    {Make<TLabel>, "MAIN_ZLABEL_TimeLeftTitle", "MAIN_SCROLLBOX_ZModem", 166, 62, 90, 14,
     "Time Left", 0, 0},
    {Make<TLabel>, "MAIN_ZLABEL_TimeLeft", "MAIN_SCROLLBOX_ZModem", 260, 62, 80, 14, "", 0, 0},
    {Make<TCGauge>, "MAIN_ZCurrentGauge", "MAIN_SCROLLBOX_ZModem", 346, 61, 136, 16, "", 0, 0},
    {Make<TCGauge>, "MAIN_ZTotalGauge", "MAIN_SCROLLBOX_ZModem", 486, 61, 136, 16, "", 0, 0},
    {Make<TButton>, "MAIN_BTN_ZCancel", "MAIN_SCROLLBOX_ZModem", 630, 20, 80, 24, "Cancel", 0, 0},
    {Make<TCheckBox>, "MAIN_ZCB_AutoDisconnect", "MAIN_SCROLLBOX_ZModem", 496, 40, 126, 18,
     "Auto Disconnect", 0, 0},
    {Make<TCheckBox>, "MAIN_ZCB_ShowFinishDialog", "MAIN_SCROLLBOX_ZModem", 630, 46, 84, 32,
     "Show Finish Dialog", bfWordWrap, 0},

    // The console: the paint box in its panel between two margins, the scroll-back bar
    // beside the panel and the horizontal bar inside it.
    {Make<TScrollBar>, "MAIN_VSCR_Console", "", 0, 0, 17, 400, "",
     bfAlignRight | bfVertical | bfNoTabStop, 0},
    {Make<TPanel>, "MAIN_PANEL_Console", "", 0, 0, 700, 420, "", bfAlignClient | bfTabStop, 0},
    {Make<TScrollBar>, "MAIN_HSCR_Console", "MAIN_PANEL_Console", 0, 0, 700, 17, "",
     bfAlignBottom | bfNoTabStop, 0},
    {Make<TPanel>, "MAIN_PANEL_ConsoleTop", "MAIN_PANEL_Console", 0, 0, 700, 4, "", bfAlignTop, 0},
    {Make<TPanel>, "MAIN_PANEL_ConsoleBottom", "MAIN_PANEL_Console", 0, 0, 700, 4, "",
     bfAlignBottom, 0},
    {Make<TPaintBox>, "MAIN_PB_Console", "MAIN_PANEL_Console", 0, 0, 700, 395, "", bfAlignClient,
     0},
    {Make<TPopupMenu>, "MAIN_PMENU_Console", "MAIN_PANEL_Console", 0, 0, 0, 0, "", 0, 0},
    {Make<TMenuItem>, "MAIN_PMENU_ConsoleCopy", "MAIN_PMENU_Console", 0, 0, 0, 0, "&Copy",
     Key(VK_INSERT, kCtrl) | bfDisabled, 0},
    {Make<TMenuItem>, "MAIN_PMENU_ConsoleCopy2", "MAIN_PMENU_Console", 0, 0, 0, 0, "Copy 2",
     Key('C', kCtrl) | bfHidden, 0},
    {Make<TMenuItem>, "MAIN_PMENU_ConsolePaste", "MAIN_PMENU_Console", 0, 0, 0, 0, "Send Text from Clipboard",
     Key(VK_INSERT, kShift) | bfDisabled, 0},
    {Make<TMenuItem>, "MAIN_PMENU_ConsoleSelectAll", "MAIN_PMENU_Console", 0, 0, 0, 0,
     "Select &All", bfDisabled, 0},
    {Make<TMenuItem>, "MAIN_PMENU_Line1", "MAIN_PMENU_Console", 0, 0, 0, 0, "-", 0, 0},
    {Make<TMenuItem>, "MAIN_PMENU_StartZModemUpload", "MAIN_PMENU_Console", 0, 0, 0, 0,
     "ZModem &Upload", Key(VK_PRIOR, kCtrl), 0},
    {Make<TMenuItem>, "MAIN_PMENU_StartZModemDownload", "MAIN_PMENU_Console", 0, 0, 0, 0,
     "ZModem &Download", Key(VK_NEXT, kCtrl), 0},
    {Make<TMenuItem>, "MAIN_PMENU_ViewImageForm", "MAIN_PMENU_Console", 0, 0, 0, 0,
     "Show Image Window", bfDisabled, 0},
    {Make<TMenuItem>, "MAIN_PMENU_Line2", "MAIN_PMENU_Console", 0, 0, 0, 0, "-", 0, 0},
    {Make<TMenuItem>, "MAIN_PMENU_ShowOnLineMemo", "MAIN_PMENU_Console", 0, 0, 0, 0,
     "Show On-Line Memo Window", bfDisabled, 0},
    {Make<TMenuItem>, "MAIN_PMENU_ShowCharacterTable", "MAIN_PMENU_Console", 0, 0, 0, 0,
     "Show Character Table", Key(VK_SPACE, kCtrl) | bfDisabled, 0},
    {Make<TMenuItem>, "MAIN_PMENU_Line3", "MAIN_PMENU_Console", 0, 0, 0, 0, "-", 0, 0},
    {Make<TMenuItem>, "MAIN_PMENU_SendENTERasCRLF", "MAIN_PMENU_Console", 0, 0, 0, 0,
     "Send <ENTER> as <CR><LF>", 0, 0},
    {Make<TMenuItem>, "MAIN_PMENU_AddLFToReceivedCR", "MAIN_PMENU_Console", 0, 0, 0, 0,
     "Add <LF> to Received <CR>", 0, 0},
    {Make<TMenuItem>, "MAIN_PMENU_LineAutoWrap", "MAIN_PMENU_Console", 0, 0, 0, 0,
     "Enable Line Auto-Wrap", 0, 0},
    {Make<TMenuItem>, "MAIN_PMENU_LocalEcho", "MAIN_PMENU_Console", 0, 0, 0, 0,
     "Enable Local Echo", 0, 0},
    {Make<TMenuItem>, "MAIN_PMENU_Line4", "MAIN_PMENU_Console", 0, 0, 0, 0, "-", 0, 0},
    {Make<TMenuItem>, "MAIN_PMENU_ChangeCommandStrings", "MAIN_PMENU_Console", 0, 0, 0, 0,
     "Change Command Strings...", Key(VK_OEM_3, kAlt), 0},
    {Make<TMenuItem>, "MAIN_PMENU_OneShotCommand1", "MAIN_PMENU_Console", 0, 0, 0, 0,
     "One-Shot Command 1", Key('1', kAlt) | bfHidden, 1},
    {Make<TMenuItem>, "MAIN_PMENU_OneShotCommand2", "MAIN_PMENU_Console", 0, 0, 0, 0,
     "One-Shot Command 2", Key('2', kAlt) | bfHidden, 2},
    {Make<TMenuItem>, "MAIN_PMENU_OneShotCommand3", "MAIN_PMENU_Console", 0, 0, 0, 0,
     "One-Shot Command 3", Key('3', kAlt) | bfHidden, 3},
    {Make<TMenuItem>, "MAIN_PMENU_ToggleInputMode", "MAIN_PMENU_Console", 0, 0, 0, 0,
     "Toggle Input Mode", Key('H', kAlt) | bfHidden, 0},

    // The keyboard-shortcut menu: its items are never shown.
    {Make<TPopupMenu>, "MAIN_PMENU_Main", "", 0, 0, 0, 0, "", 0, 0},
    {Make<TMenuItem>, "NewQuiro", "MAIN_PMENU_Main", 0, 0, 0, 0, "New Quiro",
     Key('N', kAlt) | bfHidden, 0},
    {Make<TMenuItem>, "NewQuiro2", "MAIN_PMENU_Main", 0, 0, 0, 0, "New Quiro 2",
     Key('O', kAlt) | bfHidden, 0},
    {Make<TMenuItem>, "SwitchToHostlist", "MAIN_PMENU_Main", 0, 0, 0, 0, "Switch to Hostlist",
     Key('D', kAlt) | bfHidden, 0},
    {Make<TMenuItem>, "ToggleConsoleChatWin", "MAIN_PMENU_Main", 0, 0, 0, 0,
     "Toggle Console/ChatWin", Key('C', kAlt) | bfHidden, 0},
    {Make<TMenuItem>, "ShowHideCaptureWindow", "MAIN_PMENU_Main", 0, 0, 0, 0,
     "ShowHideCaptureWindow", Key('E', kAlt) | bfHidden, 0},
    {Make<TMenuItem>, "CaptureOnOff", "MAIN_PMENU_Main", 0, 0, 0, 0, "Capture On/Off",
     Key('L', kAlt) | bfHidden, 0},
    {Make<TMenuItem>, "DisconnectItem", "MAIN_PMENU_Main", 0, 0, 0, 0, "Disconnect",
     Key('Q', kAlt) | bfHidden, 0},

    // Pictures kept for the quick-connect buttons' glyphs.
    {Make<TImage>, "MAIN_ImageLan", "", 0, 0, 16, 16, "", bfHidden, 0},
    {Make<TImage>, "MAIN_ImagePhone", "", 0, 0, 16, 16, "", bfHidden, 0},

    // Components without a window.
    {Make<TOpenDialog>, "MAIN_OPNDLG_ZModemUp", "", 0, 0, 0, 0, "", 0, 0},
    {Make<TTimer>, "MAIN_TIMER_ZCancel", "", 0, 0, 0, 0, "", 0, 0},
    {Make<TLinkWinsockPort>, "MAIN_CommPort", "", 0, 0, 0, 0, "", 0, 0},
    {Make<TLinkTapiDevice>, "MAIN_TapiDevice", "", 0, 0, 0, 0, "", 0, 0},
    {Make<TZSocket>, "MAIN_DNS_Socket", "", 0, 0, 0, 0, "", 0, 0},
    {Make<TLinkSLController>, "MAIN_LightController", "", 0, 0, 0, 0, "", 0, 0},
    {Make<TAppEvents>, "MAIN_AppEvents", "", 0, 0, 0, 0, "", 0, 0},
    {Make<TXcWindowHook>, "XcConsoleWindowHook", "", 0, 0, 0, 0, "", 0, 0},
    {Make<TXcWindowHook>, "XcConsoleIMEWindowHook", "", 0, 0, 0, 0, "", 0, 0},
};

// The glyphs of the quick-connect buttons: a screen for a network address, a handset
// for a telephone number (the bottom-left pixel's colour is transparent).
void DrawGlyph(TImage* image, bool phone) {
    TBitmap* b = image->Picture()->Bitmap();
    b->SetSize(16, 16);
    TCanvas* c = b->Canvas();
    c->Brush()->SetColor(clFuchsia);
    c->FillRect(RECT{0, 0, 16, 16});
    c->Pen()->SetColor(clBlack);
    if (phone) {
        c->Brush()->SetColor(clMaroon);
        c->Rectangle(2, 3, 14, 7);
        c->Rectangle(4, 7, 12, 14);
        c->Brush()->SetColor(clWhite);
        c->FillRect(RECT{6, 9, 10, 12});
    } else {
        c->Brush()->SetColor(clNavy);
        c->Rectangle(1, 2, 15, 11);
        c->Brush()->SetColor(clAqua);
        c->FillRect(RECT{3, 4, 13, 9});
        c->Brush()->SetColor(clGray);
        c->FillRect(RECT{5, 12, 11, 14});
    }
}

}  // namespace

void TConsoleForm::FindComponents() {
    BuildForm(this, kLayout);
    auto get = [this](auto*& field, const char* name) {
        using T = std::remove_pointer_t<std::remove_reference_t<decltype(field)>>;
        field = FindAs<T>(this, name);
    };
    get(MAIN_CoolBar, "MAIN_CoolBar");
    get(MAIN_PANEL_Address, "MAIN_PANEL_Address");
    get(MAIN_COMBO_Address, "MAIN_COMBO_Address");
    get(MAIN_BTN_Connect, "MAIN_BTN_Connect");
    get(MAIN_BTN_Disconnect, "MAIN_BTN_Disconnect");
    get(MAIN_PANEL_Menu, "MAIN_PANEL_Menu");
    get(MAIN_BTN_New, "MAIN_BTN_New");
    get(MAIN_BTN_Capture, "MAIN_BTN_Capture");
    get(MAIN_BTN_KeepAlive, "MAIN_BTN_KeepAlive");
    for (int i = 0; i < 3; ++i)
        get(MAIN_BTN_OneShot[i], ("MAIN_BTN_OneShot" + std::to_string(i + 1)).c_str());
    get(MAIN_BTN_SetSize, "MAIN_BTN_SetSize");
    get(MAIN_BTN_GlobalConfig, "MAIN_BTN_GlobalConfig");
    get(MAIN_BTN_Help, "MAIN_BTN_Help");
    get(MAIN_BTN_About, "MAIN_BTN_About");
    get(MAIN_IMG_KeyModeHan2, "MAIN_IMG_KeyModeHan2");
    get(MAIN_IMG_KeyModeHan3, "MAIN_IMG_KeyModeHan3");
    get(MAIN_IMG_KeyModeHan390, "MAIN_IMG_KeyModeHan390");
    get(MAIN_IMG_KeyModeEng, "MAIN_IMG_KeyModeEng");
    get(MAIN_IMG_KeyModeNone, "MAIN_IMG_KeyModeNone");
    get(MAIN_StatusLight_TX, "MAIN_StatusLight_TX");
    get(MAIN_StatusLight_RX, "MAIN_StatusLight_RX");
    get(MAIN_PANEL_Favorites, "MAIN_PANEL_Favorites");
    get(MAIN_BTN_AddressBook, "MAIN_BTN_AddressBook");
    get(MAIN_SCROLLBOX_ZModem, "MAIN_SCROLLBOX_ZModem");
    get(MAIN_PANEL_ZModemStatus, "MAIN_PANEL_ZModemStatus");
    get(MAIN_ZLABEL_Directory, "MAIN_ZLABEL_Directory");
    get(MAIN_ZLABEL_FileName, "MAIN_ZLABEL_FileName");
    get(MAIN_ZLABEL_FileSize, "MAIN_ZLABEL_FileSize");
    get(MAIN_ZLABEL_RcvdSentBytes, "MAIN_ZLABEL_RcvdSentBytes");
    get(MAIN_ZLABEL_RecvedBytes, "MAIN_ZLABEL_RecvedBytes");
    get(MAIN_ZLABEL_BytesLeft, "MAIN_ZLABEL_BytesLeft");
    get(MAIN_ZLABEL_Throughput, "MAIN_ZLABEL_Throughput");
    get(MAIN_ZLABEL_TimeLeft, "MAIN_ZLABEL_TimeLeft");
    get(MAIN_ZCurrentGauge, "MAIN_ZCurrentGauge");
    get(MAIN_ZTotalGauge, "MAIN_ZTotalGauge");
    get(MAIN_BTN_ZCancel, "MAIN_BTN_ZCancel");
    get(MAIN_ZBTN_OpenDir, "MAIN_ZBTN_OpenDir");
    get(MAIN_ZCB_AutoDisconnect, "MAIN_ZCB_AutoDisconnect");
    get(MAIN_ZCB_ShowFinishDialog, "MAIN_ZCB_ShowFinishDialog");
    get(MAIN_VSCR_Console, "MAIN_VSCR_Console");
    get(MAIN_PANEL_Console, "MAIN_PANEL_Console");
    get(MAIN_PANEL_ConsoleTop, "MAIN_PANEL_ConsoleTop");
    get(MAIN_PANEL_ConsoleBottom, "MAIN_PANEL_ConsoleBottom");
    get(MAIN_HSCR_Console, "MAIN_HSCR_Console");
    get(MAIN_PB_Console, "MAIN_PB_Console");
    get(MAIN_PMENU_Console, "MAIN_PMENU_Console");
    get(MAIN_PMENU_SendENTERasCRLF, "MAIN_PMENU_SendENTERasCRLF");
    get(MAIN_PMENU_AddLFToReceivedCR, "MAIN_PMENU_AddLFToReceivedCR");
    get(MAIN_PMENU_LineAutoWrap, "MAIN_PMENU_LineAutoWrap");
    get(MAIN_PMENU_LocalEcho, "MAIN_PMENU_LocalEcho");
    get(MAIN_PMENU_Main, "MAIN_PMENU_Main");
    get(MAIN_ImageLan, "MAIN_ImageLan");
    get(MAIN_ImagePhone, "MAIN_ImagePhone");
    get(MAIN_OPNDLG_ZModemUp, "MAIN_OPNDLG_ZModemUp");
    get(MAIN_TIMER_ZCancel, "MAIN_TIMER_ZCancel");
    get(MAIN_CommPort, "MAIN_CommPort");
    get(MAIN_TapiDevice, "MAIN_TapiDevice");
    get(MAIN_DNS_Socket, "MAIN_DNS_Socket");
    get(MAIN_LightController, "MAIN_LightController");

    for (TPanel* p : {MAIN_PANEL_Address, FindAs<TPanel>(this, "MAIN_PANEL_AddressButtons"),
                      MAIN_PANEL_Menu, MAIN_PANEL_Favorites, MAIN_PANEL_Console,
                      MAIN_PANEL_ConsoleTop, MAIN_PANEL_ConsoleBottom})
        p->SetBevelOuter(bvNone);
    // The tool buttons are never squeezed off their band: a row too narrow for them and the
    // band beside them puts that band on a row of its own.
    MAIN_CoolBar->Bands()
        ->FindBand(MAIN_PANEL_Menu)
        ->SetMinWidth(MAIN_StatusLight_RX->Left() + MAIN_StatusLight_RX->Width());
    MAIN_PANEL_ZModemStatus->SetBevelOuter(bvLowered);
    MAIN_PANEL_ZModemStatus->SetAlignment(taLeftJustify);

    // The keep-alive and capture buttons are switches.
    MAIN_BTN_Capture->SetGroupIndex(1);
    MAIN_BTN_KeepAlive->SetGroupIndex(2);
    MAIN_BTN_Capture->AllowAllUp = MAIN_BTN_KeepAlive->AllowAllUp = true;
    MAIN_BTN_New->SetHint("Start another Quiro");
    MAIN_BTN_SetSize->SetHint("Size the window to the screen");
    MAIN_StatusLight_TX->SetHint("TX");
    MAIN_StatusLight_RX->SetHint("RX");
    for (TLinkStatusLight* lamp : {MAIN_StatusLight_TX, MAIN_StatusLight_RX}) {
        lamp->SetLitColor(clLime);
        lamp->SetShowHint(true);
    }
    TLightSet lights;
    lights.TXDLight = MAIN_StatusLight_TX;
    lights.RXDLight = MAIN_StatusLight_RX;
    MAIN_LightController->SetComPort(MAIN_CommPort);
    MAIN_TapiDevice->SetComPort(MAIN_CommPort);
    MAIN_TapiDevice->RetryWait = 5;
    MAIN_TapiDevice->MaxAttempts = 5;
    MAIN_TapiDevice->ShowTapiDevices = true;
    MAIN_TapiDevice->ShowPorts = false;
    MAIN_LightController->SetLights(lights);
    MAIN_ZCurrentGauge->SetForeColor(clNavy);
    MAIN_ZTotalGauge->SetForeColor(clNavy);
    MAIN_TIMER_ZCancel->SetEnabled(false);

    DrawTextPicture(MAIN_IMG_KeyModeHan2, "Han2", clNavy, clYellow);
    DrawTextPicture(MAIN_IMG_KeyModeHan3, "Han3", clNavy, clYellow);
    DrawTextPicture(MAIN_IMG_KeyModeHan390, "H390", clNavy, clYellow);
    DrawTextPicture(MAIN_IMG_KeyModeEng, "Eng", clBtnFace, clBlack);
    DrawTextPicture(MAIN_IMG_KeyModeNone, "--", clBtnFace, clGray);
    DrawGlyph(MAIN_ImageLan, false);
    DrawGlyph(MAIN_ImagePhone, true);
}
