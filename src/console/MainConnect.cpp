// A session from the address box to its end: the address book's entry or the typed
// address, the scheme's road, the console's reset, the telnet road's events and actions,
// the recent-address list, and the end of every session with its status lines.
#include <windows.h>

#include "comm/core/SocketErrorText.h"
#include "comm/core/StringTables.h"
#include "console/core/ConsoleStatusText.h"
#include "console/Main.h"
#include "framework/IniFiles.h"
#include "framework/core/SysUtils.h"

void TConsoleForm::MAIN_BTN_ConnectClick() {
    std::string text = MAIN_COMBO_Address->Text();
    if (text.empty()) return;
    TIniFile book(FAddressBookPath);
    SessionTarget target = ResolveSessionTarget(book, text, Settings);
    HostName = target.hostName;
    Address = target.address;
    FSessionFlags = target.flags;
    StartConnection();
}

void TConsoleForm::MAIN_COMBO_AddressKeyPress(char& key) {
    auto c = static_cast<unsigned char>(key);
    if (c == '\r') {
        key = 0;
        MAIN_BTN_ConnectClick();
        return;
    }
    // Control keys, and the bytes of a double-byte character, are the box's own.
    if (c < 32 || c >= 0x80) return;
    std::string text = MAIN_COMBO_Address->Text();
    size_t start = std::min<size_t>(static_cast<size_t>(std::max(0, MAIN_COMBO_Address->SelStart())),
                                    text.size());
    size_t length = std::min<size_t>(static_cast<size_t>(std::max(0, MAIN_COMBO_Address->SelLength())),
                                     text.size() - start);
    text.replace(start, length, 1, static_cast<char>(c));
    size_t caret = start + 1;
    int match = FindCompletion(*MAIN_COMBO_Address->Items(), std::string_view(text).substr(0, caret));
    if (match >= 0) text = MAIN_COMBO_Address->Items()->Strings(match);
    MAIN_COMBO_Address->SetText(text);
    MAIN_COMBO_Address->SetSelection(static_cast<int>(caret),
                                     match >= 0 ? static_cast<int>(text.size() - caret) : 0);
    key = 0;
}

namespace {
constexpr uint16_t kSocketInSize = 32768;
constexpr uint16_t kLineInSize = 4096;
}  // namespace

void TConsoleForm::StartConnection() {
    AddressScheme scheme = ::ParseAddressScheme(Address);
    Address = scheme.address;
    LocalFlag = scheme.local ? 1 : 0;
    if (scheme.kind == ConnectionTelephony && !ReadyToDial()) return;
    ConnectionKind = scheme.kind;
    ConnectionName = SessionCaption(HostName, Address);
    SetCaption(FBaseCaption + " [ " + ConnectionName + " ]");
    Application->SetTitle(ConnectionName);
    SetConnectedUiState();

    // The port is closed here: the connect controls are disabled while a session is up.
    MAIN_CommPort->SetDeviceLayer(ConnectionKind == ConnectionWinsock ? dlWinsock : dlWin32);
    MAIN_CommPort->AutoOpen = false;
    MAIN_CommPort->SetOpen(false);
    // A socket's reads take up to this much of what has arrived (a ring of 4 KB took a
    // read, a notice and a message for every 4 KB of a download); the lines keep their own.
    MAIN_CommPort->SetInSize(ConnectionKind == ConnectionWinsock ? kSocketInSize : kLineInSize);
    MAIN_CommPort->TapiMode = ConnectionKind == ConnectionTelephony ? TTapiMode::tmOn : TTapiMode::tmOff;
    ResetConsole();
    ApplySessionFlags();
    switch (ConnectionKind) {
    case ConnectionWinsock: StartTelnetRoad(); break;
    case ConnectionTelephony: DialNumber(); break;
    default: OpenComPort(); break;
    }
}

void TConsoleForm::ApplySessionFlags() {
    FTerminal->JohabInput = FSessionFlags.convertJohab;
    FTerminal->SendEnterAsCrLf = FSessionFlags.sendEnterAsCrLf;
    FTerminal->AddLfToCr = FSessionFlags.addLfToCr;
    FTerminal->AutoWrap = FSessionFlags.lineAutoWrap;
    FTerminal->LocalEcho = FSessionFlags.localEcho;
    // The toggles show this connection's flags until it ends.
    MAIN_PMENU_SendENTERasCRLF->SetChecked(FSessionFlags.sendEnterAsCrLf);
    MAIN_PMENU_AddLFToReceivedCR->SetChecked(FSessionFlags.addLfToCr);
    MAIN_PMENU_LineAutoWrap->SetChecked(FSessionFlags.lineAutoWrap);
    MAIN_PMENU_LocalEcho->SetChecked(FSessionFlags.localEcho);
}

void TConsoleForm::ResetConsole() {
    FScreen.Clear();
    TextLeftMargin = 2 * GetSystemMetrics(SM_CXDLGFRAME);
    ScrollBackReturnLine = -1;
    DropSelection();
    CreateOrResetTerminal();
    FTerminal->DoubleByteOn = FHanguel->GetCodePage() != 1252 || Settings.UseInternalFont ? 1 : 0;
    MAIN_VSCR_Console->SetParams(0, 0, 0);
    MAIN_HSCR_Console->SetParams(0, 0, 0);
    FLogo.reset();  // shown only until the first session
    MAIN_PB_Console->Invalidate();
    ResetOnLineMemo();
}

// The telnet road, directly or through the configured proxy (the road decides which).
void TConsoleForm::StartTelnetRoad() {
    MAIN_CommPort->Telnet = false;
    if (MAIN_PANEL_Console->CanFocus()) MAIN_PANEL_Console->SetFocus();
    Connected = 1;
    Carry(FTelnetRoad.Start(Address, LocalFlag != 0, Settings));
}

void TConsoleForm::Carry(const SessionActions& actions) {
    for (const SessionAction& a : actions) {
        switch (a.kind) {
        case SessionAction::StatusLine: ConsoleStatusLine(a.text); break;
        case SessionAction::ClearPendingLine: FTerminal->ClearPendingLine(); break;
        case SessionAction::StartLookup:
            MAIN_DNS_Socket->RemotePort = a.port;
            MAIN_DNS_Socket->GetRemoteName(a.text);
            break;
        case SessionAction::OpenPort: OpenPortAt(a.text, a.port); break;
        case SessionAction::Send: SendString(std::string(a.bytes.begin(), a.bytes.end())); break;
        case SessionAction::SendTelnetOffers:
            if (IDravelTelnet* telnet = FTelnet.Telnet()) telnet->SendTelnetWillOptions();
            break;
        case SessionAction::ToConsole:
            if (ConsoleDataReceived(a.bytes.data(), static_cast<int>(a.bytes.size())))
                StartZModemDownload();
            break;
        case SessionAction::Disconnect: MAIN_BTN_DisconnectClick(); break;
        case SessionAction::StoreProxyPort: Settings.ProxyPort = a.text; break;
        }
    }
}

void TConsoleForm::OpenPortAt(const std::string& address, const std::string& port) {
    try {
        MAIN_CommPort->SetWsAddress(address);
        MAIN_CommPort->SetWsPort(port);
        MAIN_CommPort->SetOpen(true);
    } catch (const std::exception& e) {
        Carry(FTelnetRoad.PortFailed(e.what()));
    }
}

void TConsoleForm::MAIN_DNS_SocketNameResolved() {
    Carry(FTelnetRoad.NameResolved(MAIN_DNS_Socket->RemoteAddr));
}

void TConsoleForm::MAIN_DNS_SocketNameLookupFailed() { Carry(FTelnetRoad.NameLookupFailed()); }

void TConsoleForm::MAIN_CommPortWsConnect() {
    if (AppActive && MAIN_PANEL_Console->CanFocus()) MAIN_PANEL_Console->SetFocus();
    AddAddressToQuickLinks();
    ArmZModemTrigger();
    TransferRunning = 0;
    ZCancel.Clear();
    FTerminal->ImageCell.PositionFlag = 0;
    Carry(FTelnetRoad.PortConnected());
}

// A connection that cannot be made (refused, timed out) reaches the port only as an
// error; once connected, a lost connection closes the port instead.
void TConsoleForm::MAIN_CommPortWsError(int32_t error) {
    std::string text = std::string(WinsockErrorText(error)) + " (" + IntToStr(error) + ")";
    Carry(FTelnetRoad.PortFailed(text));
}

void TConsoleForm::AddAddressToQuickLinks() {
    std::string text = MAIN_COMBO_Address->Text();
    if (!::AddAddressToQuickLinks(*MAIN_COMBO_Address->Items(), text)) return;
    MAIN_COMBO_Address->SetText(text);
    Settings.QuickLinks = MAIN_COMBO_Address->Items()->Text();
    // A session is starting: a refusal is a status line, not a box that holds the start up.
    const SettingsSaveResult saved = SaveSettingValues({"QuickLinks"});
    if (!saved.Saved()) ConsoleStatusLine("Error : " + SettingsSaveFailureText(saved));
}

void TConsoleForm::MAIN_BTN_DisconnectClick() {
    if (MAIN_SCROLLBOX_ZModem->Visible()) MAIN_SCROLLBOX_ZModem->Hide();
    if (ConnectionKind != ConnectionWinsock) {
        EndLineSession();
        return;
    }
    if (MAIN_CommPort->Open()) {
        MAIN_CommPort->SetOpen(false);  // the port tells of the close (OnWsDisconnect)
        return;
    }
    // Still resolving or connecting.
    if (MAIN_DNS_Socket->State() == TZSocket::stLookingUp) MAIN_DNS_Socket->ZAsyncCancel();
    MAIN_CommPortWsDisconnect();
}

void TConsoleForm::MAIN_CommPortWsDisconnect() {
    if (!Connected) return;  // this session has ended already
    SetDisconnectedUiState();
    SetCaption(FBaseCaption);
    ConnectionName = FBaseCaption;
    Application->SetTitle(ConnectionName);
    Connected = 0;
    HideConsoleCaret();
    if (FHanguel->IsComposing()) FHanguel->ResetComposition();
    DropSelection();
    if (ConnectionKind == ConnectionWinsock) Carry(FTelnetRoad.PortClosed());
    // Text still waiting to go out is dropped: how much of it went.
    FSendQueue.Clear();
    if (auto cut = FSendQueue.TakeDropped()) ConsoleStatusLine(SendingStoppedLine(cut->sent, cut->total));
    // A line that failed under the session says why before the session's end.
    if (int32_t failure = MAIN_CommPort->LineFailure()) ConsoleStatusLine("Error : " + ErrorMsg(failure));
    for (const std::string& line : SessionEndLines(ConnectionKind == ConnectionTelephony && CallCancelled()))
        ConsoleStatusLine(line);
    EndImagePackStream();
    DisarmZModemTrigger();
    if (ZCancel.Pending()) {
        ZCancel.Clear();
        MAIN_TIMER_ZCancel->SetEnabled(false);
    }
    FreeZModemTimers();
    DropSendQueue();
    if (MAIN_COMBO_Address->CanFocus()) MAIN_COMBO_Address->SetFocus();
}

void TConsoleForm::ConsoleStatusLine(const std::string& text) {
    DropSelection();
    FScreen.AppendLine(text, std::string(text.size(), static_cast<char>('a' + Settings.ConsoleFGColor)),
                       std::string(text.size(), static_cast<char>('A' + Settings.ConsoleBGColor)));
    if (Connected && AppActive) HideConsoleCaret();
    FScreen.CursorColumn = static_cast<int>(text.size());
    FScreen.CursorRow = FScreen.LineCount() - FScreen.ScreenTop - 1;
    ScrollCursorIntoView();
    int line = FScreen.LineCount() - 1;
    PaintLines(line, line);
    if (Connected && AppActive) PlaceConsoleCaret();
    FTerminal->TrimLineBuffer();
    UpdateScrollBars();
}
