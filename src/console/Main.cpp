// The main window's life cycle: construction, FormCreate, FormShow, FormClose, and the
// connected and disconnected states of its controls.
#include "console/Main.h"

#include <utility>

#include "framework/FormBuilder.h"
#include "framework/core/SysUtils.h"

TConsoleForm* ConsoleForm = nullptr;

namespace {

// The window's design size (kept by "ConsoleFormWidth" and "ConsoleFormHeight" once it
// has been closed).
constexpr int kDesignWidth = 720;
constexpr int kDesignHeight = 560;

}  // namespace

TConsoleForm::TConsoleForm(TComponent* owner) : TForm(owner) {
    SetName("ConsoleForm");
    SetCaption("Quiro 2");
    SetBounds(0, 0, kDesignWidth, kDesignHeight);
    Position = poScreenCenter;
    ConsoleFont.SetName("Fixedsys");
    EditorFont.SetName("Fixedsys");
    FindComponents();
    FCaret = std::make_unique<TCaret>(MAIN_PANEL_Console);
    FPortChannel.SetPort(MAIN_CommPort);
    FTelnet.SetPort(&FPortChannel);
    WireEvents();
    if (!ConsoleForm) ConsoleForm = this;
}

TConsoleForm::~TConsoleForm() {
    // A print job still open ends while all it reaches is here (a form deleted without
    // being closed); after it nothing of the print files reaches this form.
    EndPrintJob();
    FPrintOutlet.OnPrintRawFile = nullptr;
    FPrintOutlet.OnWriteFailed = nullptr;
    if (Application) Application->UnhookMainWindow(&FPrintReports);
    // The port's events reach into this form: no more of them while it goes.
    if (MAIN_CommPort) {
        MAIN_CommPort->OnWsDisconnect = nullptr;
        MAIN_CommPort->OnWsConnect = nullptr;
        MAIN_CommPort->OnWsError = nullptr;
    }
    if (MAIN_DNS_Socket) MAIN_DNS_Socket->OnNameResolved = MAIN_DNS_Socket->OnNameLookupFailed = nullptr;
    if (MAIN_PANEL_Console) UnwireKeyEvents();
    if (MAIN_TapiDevice) MAIN_TapiDevice->OnTapiConnect = MAIN_TapiDevice->OnTapiFail = nullptr;
    // The capture editor, the character table and the memo go before what they reach here.
    FSideChannels.SetCaptureSink(nullptr);
    FSideChannels.SetMemoOutlet(nullptr);
    delete std::exchange(FCharTable, nullptr);
    delete std::exchange(FMemo, nullptr);
    EditorSettingsChanged = nullptr;
    delete std::exchange(FEditor, nullptr);
    ZModemEngine.reset();
    FTerminal.reset();
    if (ConsoleForm == this) ConsoleForm = nullptr;
}

void TConsoleForm::WireEvents() {
    OnCreate = [this](TComponent*) { FormCreate(); };
    OnShow = [this](TComponent*) { FormShow(); };
    OnClose = [this](TComponent*, TCloseAction& action) { FormClose(action); };
    OnResize = [this](TComponent*) { FormResize(); };

    MAIN_BTN_Connect->OnClick = [this](TComponent*) { MAIN_BTN_ConnectClick(); };
    MAIN_BTN_Disconnect->OnClick = [this](TComponent*) { MAIN_BTN_DisconnectClick(); };
    MAIN_BTN_SetSize->OnClick = [this](TComponent*) { MAIN_BTN_SetSizeClick(); };
    MAIN_COMBO_Address->OnKeyPress = [this](TComponent*, char& key) {
        MAIN_COMBO_AddressKeyPress(key);
    };
    MAIN_PANEL_Address->OnResize = [this](TComponent*) { MAIN_PANEL_AddressResize(); };
    MAIN_PB_Console->OnPaint = [this](TComponent*) { MAIN_PB_ConsolePaint(); };
    WireViewEvents();
    WireKeyEvents();

    MAIN_CommPort->OnWsConnect = [this](TComponent*) { MAIN_CommPortWsConnect(); };
    MAIN_CommPort->OnWsDisconnect = [this](TComponent*) { MAIN_CommPortWsDisconnect(); };
    MAIN_CommPort->OnWsError = [this](TComponent*, int32_t error) { MAIN_CommPortWsError(error); };
    MAIN_CommPort->SetOnTriggerAvail(
        [this](TComponent*, uint16_t count) { MAIN_CommPortTriggerAvail(count); });
    MAIN_CommPort->SetOnTriggerData(
        [this](TComponent*, uint16_t handle) { MAIN_CommPortTriggerData(handle); });
    MAIN_CommPort->SetOnTriggerOutbuffFree([this](TComponent*) { MAIN_CommPortTriggerOutbuffFree(); });
    WireZModemEvents();
    WireImagePackEvents();
    MAIN_DNS_Socket->OnNameResolved = [this](TComponent*) { MAIN_DNS_SocketNameResolved(); };
    MAIN_DNS_Socket->OnNameLookupFailed = [this](TComponent*) { MAIN_DNS_SocketNameLookupFailed(); };
    MAIN_TapiDevice->OnTapiConnect = [this](TComponent*) { MAIN_TapiDeviceTapiConnect(); };
    MAIN_TapiDevice->OnTapiFail = [this](TComponent*) { MAIN_TapiDeviceTapiFail(); };

    MAIN_BTN_AddressBook->OnClick = [this](TComponent*) { MAIN_BTN_AddressBookClick(); };
    MAIN_BTN_GlobalConfig->OnClick = [this](TComponent*) { MAIN_BTN_GlobalConfigClick(); };
    WireMenuEvents();
    WireEditorEvents();
    WireMemoAndTableEvents();
}

void TConsoleForm::FormCreate() {
    // The selection's drag points belong to the view; the session is down.
    Connected = 0;
    FBaseCaption = Caption();
    ConnectionName = FBaseCaption;
    LoadSettings();
    SetDisconnectedUiState();
    BuildQuickConnectButtons();
    TextLeftMargin = 2 * GetSystemMetrics(SM_CXDLGFRAME);
    HorizontalOffset = TextLeftMargin;
    FTerminal->SetHorizontalOffset(HorizontalOffset);

    FHanguel = std::make_unique<TDravelHanguel>();
    FHanguel->SetKeyboardLayout(Settings.HanguelKeyLayoutMode);
    if (Settings.UseInternalFont) {
        Settings.UseInternalFont = FHanguel->LoadBitmapFonts(nullptr) != 0;
        if (!Settings.UseInternalFont) ApplyCellSize();  // back to the Windows font's cells
    }
    int codePage = CharsetToCodePage(ConsoleFont.Charset());
    FHanguel->SetCodePage(codePage);
    FHanguel->SetHanguelMode(0);
    CreateKeyboard();
    FTerminal->DoubleByteOn = codePage != 1252 || Settings.UseInternalFont ? 1 : 0;

    SetKeyModeImage(codePage == 949 || Settings.UseInternalFont ? MAIN_IMG_KeyModeEng
                                                                : MAIN_IMG_KeyModeNone);
    MAIN_OPNDLG_ZModemUp->InitialDir = Settings.UploadDir;
    MAIN_ZCB_ShowFinishDialog->SetChecked(Settings.ZModemShowFinishDialog);
    CreateLogo();
    if (GetSystemDefaultLangID() == 1042) ApplyKoreanUiFonts();
    UpdateMemoAndTableItems();
}

void TConsoleForm::SetKeyModeImage(TImage* shown) {
    for (TImage* image : {MAIN_IMG_KeyModeHan2, MAIN_IMG_KeyModeHan3, MAIN_IMG_KeyModeHan390,
                          MAIN_IMG_KeyModeEng, MAIN_IMG_KeyModeNone})
        image->SetVisible(image == shown);
}

void TConsoleForm::ApplyKoreanUiFonts() {
    MAIN_COMBO_Address->Font()->SetName(KoreanUiFont);
    MAIN_COMBO_Address->Font()->SetSize(10);
    MAIN_PANEL_Favorites->Font()->SetName(KoreanUiFont);
    MAIN_PANEL_Favorites->Font()->SetSize(9);
    MAIN_ZLABEL_Directory->Font()->SetName(KoreanUiFont);
    MAIN_ZLABEL_FileName->Font()->SetName(KoreanUiFont);
    MAIN_PANEL_AddressResize();
}

void TConsoleForm::CreateLogo() {
    FLogo = std::make_unique<TImage>(nullptr);
    FLogo->SetAutoSize(true);
    FLogo->SetParent(MAIN_PANEL_Console);
    try {
        FLogo->Picture()->LoadFromResourceName(GetModuleHandleA(nullptr), "Q2_Splash");
    } catch (const std::exception&) {
        FLogo.reset();  // a program without its logo still works
        return;
    }
    FLogo->SetCursor(crHandPoint);
    FLogo->OnClick = [this](TComponent*) { OpenWebLink(); };
    PlaceLogo();
}

void TConsoleForm::FormShow() {
    if (FDefaultsUsed) {
        MAIN_BTN_SetSizeClick();
        TellSettingsNotSaved(SaveGlobalSettings());
        FDefaultsUsed = false;
    }
    if (ParamCount() >= 1) {
        MAIN_COMBO_Address->SetText(ParamStr(1));
        MAIN_BTN_ConnectClick();
    }
}

void TConsoleForm::FormClose(TCloseAction& action) {
    if (!EditorLetsClose()) {
        action = caNone;
        return;
    }
    if (Connected) MAIN_BTN_DisconnectClick();
    // A job the host left open goes out now, as a new session's reset would send it; what
    // went wrong with it is told here, as the console that would show it is going.
    EndPrintJob();
    TellPendingPrintReports();
    TellSettingsNotSaved(SaveSessionSettings());
}

// The connect controls while no session is up, the session's controls while one is.
void TConsoleForm::EnableSessionControls(bool connected) {
    for (TControl* c : std::initializer_list<TControl*>{MAIN_BTN_Connect, MAIN_COMBO_Address, MAIN_BTN_AddressBook})
        c->SetEnabled(!connected);
    for (TSpeedButton* b : FQuickConnect)
        if (b) b->SetEnabled(!connected);
    MAIN_BTN_Disconnect->SetEnabled(connected);
    for (TSpeedButton* b : MAIN_BTN_OneShot) b->SetEnabled(connected);
}

void TConsoleForm::SetConnectedUiState() {
    EnableSessionControls(true);
    if (FEditor) FEditor->SetSessionCaption(true, ConnectionName);
    if (MAIN_BTN_KeepAlive->Down()) MAIN_BTN_KeepAliveClick();  // armed afresh
}

void TConsoleForm::SetDisconnectedUiState() {
    EnableSessionControls(false);
    if (FEditor) FEditor->SetSessionCaption(false, ConnectionName);
    if (MAIN_SCROLLBOX_ZModem->Visible()) MAIN_SCROLLBOX_ZModem->Hide();
    MAIN_PMENU_SendENTERasCRLF->SetChecked(Settings.SendENTERasCRLF);
    MAIN_PMENU_AddLFToReceivedCR->SetChecked(Settings.AddLFToReceivedCR);
    MAIN_PMENU_LineAutoWrap->SetChecked(Settings.LineAutoWrap);
    MAIN_PMENU_LocalEcho->SetChecked(Settings.DoLocalEcho);
}

void TConsoleForm::FormResize() {
    ConsoleShrunkForEditor = 0;
    if (MAIN_SCROLLBOX_ZModem->Visible()) UpdateTransferProgress();
    if (Visible()) ScrollCursorIntoView();
}

void TConsoleForm::MAIN_PANEL_AddressResize() {
    auto* buttons = FindAs<TControl>(this, "MAIN_PANEL_AddressButtons");
    int top = std::max(0, (MAIN_PANEL_Address->Height() - MAIN_COMBO_Address->Height()) / 2);
    int width = std::max(40, MAIN_PANEL_Address->ClientWidth() - buttons->Width() - 2);
    MAIN_COMBO_Address->SetBounds(0, top, width, MAIN_COMBO_Address->Height());
}
