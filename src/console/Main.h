// The main window: the session hub every other window reaches through ConsoleForm.
//
// The decisions live in console/core (settings, address schemes, the telnet road, the
// receive router, the send queue); this class carries them out with its components. Its
// implementation is split by concern:
//   Main.cpp         life cycle: construction, FormCreate, FormShow, FormClose, UI states
//   MainLayout.cpp   the components, built from a table, and their small pictures
//   MainSettings.cpp the settings key, the terminal's creation and reset, the window size
//   MainConnect.cpp  the address box, the connection start and end, the telnet road
//   MainReceive.cpp  the receive dispatch, the console road, the send routine
//   MainView.cpp     the console paint box: painting the rows, following the cursor,
//                    the scroll bars, the caret and the syllable in progress
//   MainKeys.cpp     the keyboard, the input mode and the activation events
//   MainSelection.cpp the mouse: the word under it, the drag selection, copy and paste
//   MainZModem.cpp   the ZModem trigger and the transfer front end
//   MainImagePack.cpp the in-band pictures
//   MainLines.cpp    the telephone and serial roads
//   MainAddressBook.cpp the address book's round trip and the favourites bar
//   MainEditor.cpp   the capture editor beside the console: its placement, the capture
//                    button and shortcuts, captured text delivered into it
//   MainMemo.cpp     the on-line memo window: the host's memos delivered into it
//   MainCharTable.cpp the character table: opened for the console or the editor, its picks
//   MainMenus.cpp    the shortcut menu, the terminal toggles, one-shot commands and their
//                    dialog, keep-alive, help, about, a second copy, print failures
#pragma once

#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "comm/StatusLights.h"
#include "comm/TapiDevice.h"
#include "comm/WinsockPort.h"
#include "comm/ZSocket.h"
#include "console/PictureViewer.h"
#include "console/CharTableLink.h"
#include "console/EditorLink.h"
#include "console/FrameAlarm.h"
#include "console/MemoLink.h"
#include "console/PortChannel.h"
#include "console/core/AddressScheme.h"
#include "console/core/ConsoleCommands.h"
#include "console/core/ConsoleKeyboard.h"
#include "console/core/ConsoleSelection.h"
#include "console/core/ConsoleDamage.h"
#include "console/core/ConsoleSettings.h"
#include "console/core/ConsoleView.h"
#include "console/core/ImagePack.h"
#include "console/core/SendQueue.h"
#include "console/core/SessionActions.h"
#include "console/core/TelnetRoad.h"
#include "console/core/ZModemProgress.h"
#include "engines/PrintFileOutlet.h"
#include "engines/Win32FileStore.h"
#include "engines/Win32ZModemLinks.h"
#include "engines/core/DravelHanguel.h"
#include "engines/core/DravelTerminal.h"
#include "engines/core/ScreenModel.h"
#include "engines/core/TerminalSideChannels.h"
#include "engines/core/TerminalTelnetAdapter.h"
#include "engines/core/ZModem.h"
#include "framework/Buttons.h"
#include "framework/Caret.h"
#include "framework/ComCtrls.h"
#include "framework/Dialogs.h"
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/IniFiles.h"
#include "framework/Menus.h"
#include "framework/Registry.h"
#include "framework/Samples.h"
#include "framework/StdCtrls.h"
#include "framework/Timers.h"

class TConsoleProbe;

// The Korean UI font (its name in code page 949) that the windows' edits and lists take on
// a Korean system.
inline constexpr char KoreanUiFont[] = "\xB1\xBC\xB8\xB2";

// The system's keyboard as the console's key handling sees it (MainKeys.cpp).
class TSystemKeyboard : public quiro::engines::HangulKeyState, public KeyboardLayout {
public:
    bool ShiftDown() const override;
    bool CapsLockOn() const override;
    int ScanCodeOf(unsigned char ch) const override;
};

class TConsoleForm : public TForm,
                     public TerminalSender,
                     public TerminalView,
                     public TerminalCanvas,
                     public TPictureViewerHost,
                     public MemoOutlet,
                     private ConsoleKeyHost,
                     private CharacterTableHost {
public:
    explicit TConsoleForm(TComponent* owner);
    ~TConsoleForm() override;

    // ---- What the other windows use ----
    // The one routine that sends to the host: no echo, no translation; nothing on a closed
    // port. What the port cannot take at once waits and follows in order.
    void SendString(const std::string& bytes) override;
    // Shows bytes on the console. `echoed`: the user's own text shown by local echo, which
    // never starts a transfer or a picture. Non-zero when the terminal saw a ZModem sender
    // start (the receive road then starts a download).
    int ConsoleDataReceived(const uint8_t* data, int length, bool echoed = false);
    // Appends one line straight to the console in the console colours.
    void ConsoleStatusLine(const std::string& text);

    ConsoleSettings Settings;  // the settings key's values; the truth once loaded
    TFont ConsoleFont;
    TFont EditorFont;

    // ---- Session state shared by the console's parts ----
    int Connected = 0;       // 1 from the start of a connection road until the session ends
    int ConnectionKind = ConnectionWinsock;
    int TransferRunning = 0; // a ZModem transfer (or an in-band picture) runs
    int AppActive = 0;
    int ConsoleHasFocus = 0;
    int ScrollBackReturnLine = -1;  // the live first line while the user scrolls back
    int HorizontalOffset = 0;       // pixel x of column 0
    int TextLeftMargin = 0;
    uint32_t KeepAliveStamp = 0;    // tick count of the last key typed
    // The mouse's selections (MainSelection.cpp): the drag selection from DragAnchor (no
    // line: none) to DragEnd, drawn up to DragShown; the highlighted word and its pixels
    // (right <= left: none); a click that only ends a selection or focuses the console.
    CellPoint DragAnchor, DragEnd, DragShown;
    std::string SelectedText;
    RECT SelectionRect{-1, -1, -1, -1};
    int ClickSwallowed = 0;
    std::string HostName;        // the address book's entry of the session, or empty
    std::string Address;         // after the scheme and trailing '/' are removed
    std::string ConnectionName;  // the session caption
    int LocalFlag = 0;           // "local://": no proxy for this session
    uint16_t ZModemTrigger = 0;  // the data trigger of a host's receiver; 0 = none
    ZModemCancelQuiet ZCancel;   // the quiet period after a cancelled download
    std::unique_ptr<IDravelZModem> ZModemEngine;

    ScreenModel& Screen() { return FScreen; }
    TDravelTerminal* Terminal() const { return FTerminal.get(); }
    TDravelHanguel* Hanguel() const { return FHanguel.get(); }
    IDravelTelnet* Telnet() const { return FTelnet.Telnet(); }
    // The port as the engines' byte channel (the transfer engine writes through it).
    quiro::engines::ByteChannel& PortChannel() { return FPortChannel; }
    // Drops what waits to be sent (the session ended, or a transfer takes the line).
    void DropSendQueue();
    const std::string& AddressBookPath() const { return FAddressBookPath; }

    // ---- Components (built in MainLayout.cpp, found by these names) ----
    TCoolBar* MAIN_CoolBar = nullptr;
    TPanel* MAIN_PANEL_Address = nullptr;
    TComboBox* MAIN_COMBO_Address = nullptr;
    TSpeedButton* MAIN_BTN_Connect = nullptr;
    TSpeedButton* MAIN_BTN_Disconnect = nullptr;
    TPanel* MAIN_PANEL_Menu = nullptr;
    TSpeedButton* MAIN_BTN_New = nullptr;
    TSpeedButton* MAIN_BTN_Capture = nullptr;
    TSpeedButton* MAIN_BTN_KeepAlive = nullptr;
    std::array<TSpeedButton*, 3> MAIN_BTN_OneShot{};
    TSpeedButton* MAIN_BTN_SetSize = nullptr;
    TSpeedButton* MAIN_BTN_GlobalConfig = nullptr;
    TSpeedButton* MAIN_BTN_Help = nullptr;
    TSpeedButton* MAIN_BTN_About = nullptr;
    TImage* MAIN_IMG_KeyModeHan2 = nullptr;
    TImage* MAIN_IMG_KeyModeHan3 = nullptr;
    TImage* MAIN_IMG_KeyModeHan390 = nullptr;
    TImage* MAIN_IMG_KeyModeEng = nullptr;
    TImage* MAIN_IMG_KeyModeNone = nullptr;
    TLinkStatusLight* MAIN_StatusLight_TX = nullptr;
    TLinkStatusLight* MAIN_StatusLight_RX = nullptr;
    TPanel* MAIN_PANEL_Favorites = nullptr;
    TSpeedButton* MAIN_BTN_AddressBook = nullptr;
    TScrollBox* MAIN_SCROLLBOX_ZModem = nullptr;
    TPanel* MAIN_PANEL_ZModemStatus = nullptr;
    TLabel* MAIN_ZLABEL_Directory = nullptr;
    TLabel* MAIN_ZLABEL_FileName = nullptr;
    TLabel* MAIN_ZLABEL_FileSize = nullptr;
    TLabel* MAIN_ZLABEL_RcvdSentBytes = nullptr;
    TLabel* MAIN_ZLABEL_RecvedBytes = nullptr;
    TLabel* MAIN_ZLABEL_BytesLeft = nullptr;
    TLabel* MAIN_ZLABEL_Throughput = nullptr;
    TLabel* MAIN_ZLABEL_TimeLeft = nullptr;
    TCGauge* MAIN_ZCurrentGauge = nullptr;
    TCGauge* MAIN_ZTotalGauge = nullptr;
    TButton* MAIN_BTN_ZCancel = nullptr;
    TSpeedButton* MAIN_ZBTN_OpenDir = nullptr;
    TCheckBox* MAIN_ZCB_AutoDisconnect = nullptr;
    TCheckBox* MAIN_ZCB_ShowFinishDialog = nullptr;
    TScrollBar* MAIN_VSCR_Console = nullptr;
    TPanel* MAIN_PANEL_Console = nullptr;
    TPanel* MAIN_PANEL_ConsoleTop = nullptr;     // margin above the text
    TPanel* MAIN_PANEL_ConsoleBottom = nullptr;  // margin below the text
    TScrollBar* MAIN_HSCR_Console = nullptr;
    TPaintBox* MAIN_PB_Console = nullptr;
    TPopupMenu* MAIN_PMENU_Console = nullptr;
    TMenuItem* MAIN_PMENU_SendENTERasCRLF = nullptr;
    TMenuItem* MAIN_PMENU_AddLFToReceivedCR = nullptr;
    TMenuItem* MAIN_PMENU_LineAutoWrap = nullptr;
    TMenuItem* MAIN_PMENU_LocalEcho = nullptr;
    TPopupMenu* MAIN_PMENU_Main = nullptr;
    TImage* MAIN_ImageLan = nullptr;
    TImage* MAIN_ImagePhone = nullptr;
    TOpenDialog* MAIN_OPNDLG_ZModemUp = nullptr;
    TTimer* MAIN_TIMER_ZCancel = nullptr;
    TLinkWinsockPort* MAIN_CommPort = nullptr;
    TLinkTapiDevice* MAIN_TapiDevice = nullptr;
    TZSocket* MAIN_DNS_Socket = nullptr;
    TLinkSLController* MAIN_LightController = nullptr;

    // ---- Handlers (component name + event) ----
    void MAIN_BTN_ConnectClick();
    void MAIN_BTN_DisconnectClick();
    void MAIN_BTN_SetSizeClick();
    void MAIN_COMBO_AddressKeyPress(char& key);
    void MAIN_PANEL_AddressResize();
    void MAIN_CommPortWsConnect();
    void MAIN_CommPortWsDisconnect();
    void MAIN_CommPortWsError(int32_t error);
    void MAIN_CommPortTriggerAvail(uint16_t count);
    void MAIN_CommPortTriggerData(uint16_t triggerHandle);
    void MAIN_CommPortTriggerOutbuffFree();
    void MAIN_DNS_SocketNameResolved();
    void MAIN_DNS_SocketNameLookupFailed();
    void MAIN_PB_ConsolePaint();
    void FormResize();
    void MAIN_VSCR_ConsoleScroll(TScrollCode code, int& position);
    void MAIN_HSCR_ConsoleScroll(TScrollCode code, int& position);
    void MAIN_PANEL_ConsoleEnter();
    void MAIN_PANEL_ConsoleExit();
    void MAIN_AppEventsMessage(MSG& msg, bool& handled);
    void MAIN_AppEventsActivate();
    void MAIN_AppEventsDeactivate();
    void MAIN_AppEventsActiveFormChange();
    void XcConsoleIMEWindowHookBeforeMessage(TMessage& msg, bool& handled);
    void MAIN_IMG_KeyModeClick(TComponent* sender);
    void MAIN_PMENU_ToggleInputModeClick();
    void MAIN_PB_ConsoleMouseMove(TShiftState shift, int x, int y);
    void MAIN_PB_ConsoleMouseDown(TMouseButton button, TShiftState shift, int x, int y);
    void MAIN_PB_ConsoleMouseUp(TMouseButton button, TShiftState shift, int x, int y);
    void MAIN_PB_ConsoleClick();
    void MAIN_PMENU_ConsolePopup();
    void MAIN_PMENU_ConsoleCopyClick();
    void MAIN_PMENU_ConsoleCopy2Click();
    void MAIN_PMENU_ConsolePasteClick();
    void MAIN_PMENU_ConsoleSelectAllClick();

    // ---- Settings (MainSettings.cpp) ----
    void LoadSettings();
    // The saves give what the registry refused; the caller tells the user once
    // (TellSettingsNotSaved, or a status line while a session starts).
    [[nodiscard]] SettingsSaveResult SaveGlobalSettings();
    [[nodiscard]] SettingsSaveResult SaveSessionSettings();
    // Writes single values at once (QuickLinks, Favorites, the telephony device, ...).
    [[nodiscard]] SettingsSaveResult SaveSettingValues(std::initializer_list<std::string_view> names);
    void TellSettingsNotSaved(const SettingsSaveResult& result);
    void CreateOrResetTerminal();
    int ProbeFontCharset(const std::string& fontName);
    void SetConnectedUiState();
    void SetDisconnectedUiState();

    // ---- Address book and favourites (MainAddressBook.cpp) ----
    void MAIN_BTN_AddressBookClick();
    // The favourites bar: a button for each favourite with an address in the book.
    void BuildQuickConnectButtons();
    // The buttons fitted to the bar's width (each button's Tag holds its planned width).
    void PlaceQuickConnectButtons();
    void QuickConnectButtonClick(TComponent* sender);

    // ---- Connection (MainConnect.cpp) ----
    void StartConnection();
    void ResetConsole();
    void AddAddressToQuickLinks();

    // ---- Console view (MainView.cpp) ----
    // The view's damage from the terminal (TerminalView).
    void LinesChanged(int firstLine, int lastLine) override;
    void RegionScrolled(int topLine, int bottomLine, int count) override;
    void EverythingChanged() override;
    void JumpToScreen() override;
    // The console as the terminal's canvas (TerminalCanvas): the paint box, or the picture
    // buffer while a frame is drawn.
    int CanvasWidth() override;
    int CanvasHeight() override;
    void FillCanvas(const PixelRect& area, int color) override;
    void PaintRunText(int x, int y, std::string_view text, int foreground, int background) override;
    // The paint box's canvas in the console font with a solid brush; the terminal paints
    // on it from now on.
    TCanvas* ConsoleCanvas();
    // The same for another canvas of the view's size.
    TCanvas* PaintOn(TCanvas* canvas);
    ConsoleViewport Viewport();
    void PaintConsoleRows(const KeptRange& kept);
    // Repaints lines first..last where they are on view, and what is drawn over them.
    void PaintLines(int firstLine, int lastLine);
    // Brings the picture up to date with what changed since it was last painted (the
    // caret and the syllable follow the cursor after received text). Everything that draws
    // on the console, or moves its pixels, paints what waits first.
    void PaintPending();
    // Makes the cursor cell visible; true when the view moved.
    bool ScrollCursorIntoView();
    void UpdateScrollBars();
    // Whether the picture may move by copying its pixels: nothing covers the paint box and
    // no syllable in progress is drawn over the cells.
    bool PixelMovesAllowed();
    // The virtual screen, asked of the system once per display change (asking costs).
    RECT FScreenBox{};
    bool FScreenBoxKnown = false;
    // Takes the view to a new position (the selection, caret and syllable follow).
    void CarryViewChange(const ViewChange& change);
    void HideConsoleCaret();
    void PlaceConsoleCaret();
    void ReturnConsoleCaret();
    PixelPoint FCaretSize{};  // the console caret's size when it was made
    // The syllable in progress: its spot at the cursor cell; the text under it shown
    // again; the syllable drawn there.
    void PlaceComposition();
    void HideComposition();
    void ShowComposition() override;
    void ForceAlphanumericInput();
    // A shown selection or a drag in progress is taken off the console.
    void DropSelection();
    void PlaceLogo();

    // ---- Keyboard (MainKeys.cpp) ----
    // Sends the syllable in progress; shows the automaton's input mode.
    void FlushHangulSyllable();
    void SyncHanguelIndicator();
    KeyContext CurrentKeyContext();
    // The mode the indicator shows: 1 Hangul, 0 English.
    int ShownHanguelMode() const { return FKeyboard ? FKeyboard->ShownMode() : 0; }

    // ---- Selection (MainSelection.cpp) ----
    // Inverts the difference between the drawn drag selection and its new end.
    void DrawDragSelection();
    // User text to the host, echoed when local echo is on.
    void SendTyped(const std::string& bytes);

    // ---- ZModem (MainZModem.cpp) ----
    void ArmZModemTrigger();
    void DisarmZModemTrigger();
    // Start a transfer as they stand (the receive road, the data trigger). The file dialog
    // of an upload opens once the caller has returned.
    void StartZModemDownload();
    void StartZModemUpload();
    // The menu's and the keys' starts (Ctrl+PgUp, Ctrl+PgDn): only while connected, with
    // no transfer running and no picture awaited.
    void MAIN_PMENU_StartZModemUploadClick();
    void MAIN_PMENU_StartZModemDownloadClick();
    void UpdateTransferProgress();
    // Ends the transfer: panel, title, trigger, report (the finish box opens once the
    // caller has returned), engine and timers freed.
    void ZModemFinished();
    // Frees the engine and its timers; a transfer still running is ended first.
    void FreeZModemTimers();
    void MAIN_BTN_ZCancelClick();
    void MAIN_TIMER_ZCancelTimer();
    void MAIN_ZBTN_OpenDirClick();
    int UploadDirection = 0;  // 1 while an upload runs
    std::unique_ptr<TTimer> ProgressTimer;          // 700 ms: UpdateTransferProgress
    std::unique_ptr<TWin32PumpTimer> SenderTimer;   // the engine's sending pump

    // ---- In-band pictures (MainImagePack.cpp) ----
    // Whether pictures can be shown (the program's entry gave the viewer's maker).
    bool ImageViewerAvailable();
    // The viewer, made when missing (nullptr without a maker).
    TPictureViewer* Viewer();
    // The terminal entered image mode: open the viewer and answer the host.
    void StartImagePack();
    // A received block while a picture arrives (an empty one finishes an ended stream).
    void ImagePackStep(const uint8_t* data, size_t length) override;
    // The picture downloaded by ZModem is shown; every file of the download is removed.
    void ShowDownloadedPicture();
    // The session ends while an in-band picture arrives: the stream ends with it.
    void EndImagePackStream();
    void PlaceViewerAtImageCell(TPictureViewer* viewer);
    void MAIN_PMENU_ViewImageFormClick();
    // TPictureViewerHost
    bool PictureStreamArmed() override;
    bool TransferExists() override;
    void CancelTransfer() override;
    void ViewerClosed() override;
    // The main window in front with the console focused (not while a modal window holds
    // the program).
    void ReturnToConsole();

    // ---- The settings dialog's round trip (MainGlobalConfig.cpp) ----
    // Shows the settings dialog over a copy of the settings: Cancel undoes what the
    // dialog changed at once (the built-in fonts, the telephony device); OK applies the
    // copy and saves it.
    void MAIN_BTN_GlobalConfigClick();
    // After OK: the capture editor, while it is open, takes the editor's layout, font,
    // background and margins (it sets its hook when it opens and clears it when it goes);
    // the on-line memo takes the editor font and closes when ShowOnLineMemoWindow is off.
    std::function<void()> EditorSettingsChanged;
    std::function<void()> MemoSettingsChanged;

    // ---- Capture editor (MainEditor.cpp) ----
    // The editor, once made (it lives as long as this window).
    CaptureEditor* Editor() const { return FEditor; }
    int EditorPlaced = 0;            // placed once; later shows only keep it on screen
    int ConsoleShrunkForEditor = 0;  // the maximized window made room for it
    // Makes the editor on first use and gives it the editor settings.
    void PrepareCaptureEditor();
    void MAIN_BTN_CaptureClick();
    // The editor under the main window (a maximized window is made smaller for it).
    void GlueEditor();
    void XcConsoleWindowHookAfterMessage(TMessage& msg, bool& handled);
    // The hidden shortcuts Alt+C, Alt+E and Alt+L.
    void ToggleConsoleChatWinClick();
    void ShowHideCaptureWindowClick();
    void CaptureOnOffClick();
    // Closing: false when the user keeps the program open (the editor's unsaved text).
    bool EditorLetsClose();
    // The character table serving the console (target 0) or the editor (1), opened on
    // the Hanja of `syllable` (KS C 5601 code, 0 for none).
    void OpenCharacterTable(int target, uint16_t syllable);

    // ---- On-line memo (MainMemo.cpp) ----
    // The terminal's memo line: into the memo window, which is made (in the editor font)
    // and shown as needed.
    void ShowOnLineMemo(const std::string& text) override;
    void MAIN_PMENU_ShowOnLineMemoClick();
    OnLineMemo* Memo() const { return FMemo; }
    // The console pop-up's memo and character-table items: enabled when they can open.
    void UpdateMemoAndTableItems();

    // ---- Character table (MainCharTable.cpp) ----
    // Only where the console can show Korean: opened on the Hanja of the syllable in
    // progress (while connected), for the console.
    void MAIN_PMENU_ShowCharacterTableClick();
    CharacterTable* CharTable() const { return FCharTable; }

    // ---- Menus, one-shot commands, keep-alive, help, about (MainMenus.cpp) ----
    // A toggle of the pop-up menu: this connection's flag while the port is open, else
    // the global setting; ShowToggles puts the check marks right.
    void MAIN_PMENU_ToggleClick(TMenuItem* item, ConsoleToggle toggle);
    void ShowToggles();
    void MAIN_BTN_NewClick();  // a second copy of the program
    void NewQuiroClick();      // Alt+N, Alt+O
    // One-shot command 0..2 (the button's hint); the menu's Alt+1..Alt+3 by their tags 1..3.
    void MAIN_BTN_OneShotClick(int index);
    void MAIN_PMENU_OneShotCommandClick(int tag);
    void MAIN_PMENU_ChangeCommandStringsClick();
    void MAIN_BTN_KeepAliveClick();
    void KeepAliveTick();
    std::unique_ptr<TTimer> KeepAliveTimer;  // while the keep-alive switch is down
    void MAIN_BTN_HelpClick();
    void MAIN_BTN_AboutClick();
    void OpenWebLink();
    // The printer controller's finished temporary file as one raw job on the printer of
    // the settings; true when it went out whole. Otherwise the console tells the step that
    // failed and the file that keeps the data.
    bool PrintRawFile(const std::string& fileName);

    // ---- Telephone and serial roads (MainLines.cpp) ----
    // Before a call: false when no telephony device can be used (the connection does not start).
    bool ReadyToDial();
    void DialNumber();
    void OpenComPort();
    // Ends a telephone or serial session (MAIN_BTN_Disconnect for those kinds).
    void EndLineSession();
    // The call ended because the user cancelled it.
    bool CallCancelled();
    void CancelTapiCall();
    void MAIN_TapiDeviceTapiConnect();
    void MAIN_TapiDeviceTapiFail();

private:
    class TEditorLinks;
    struct TEditorLinksDeleter {
        void operator()(TEditorLinks* links) const;
    };
    friend class TConsoleProbe;

    void FormCreate();
    void FormShow();
    void FormClose(TCloseAction& action);
    void WireEvents();
    void FindComponents();
    void ApplySettings();
    void TakeConsoleFont();
    void TakeEditorFont();
    void PaintConsoleColours();
    void ApplyTerminalSettings();
    void ApplyDialogSettings(const ConsoleSettings& edited);
    void ApplyCellSize();
    void SetKeyModeImage(TImage* shown);
    void EnableSessionControls(bool connected);
    void ApplyKoreanUiFonts();
    void CreateLogo();
    void ApplySessionFlags();
    void StartTelnetRoad();
    // No flow control, RS-485 off: how every call and serial session starts.
    void PlainLine();
    // The telnet road's actions, carried out in order.
    void Carry(const SessionActions& actions);
    void OpenPortAt(const std::string& address, const std::string& port);
    void ArmOutputFree();
    void ImageAnnouncement();
    uint8_t* ReceiveBlock(uint16_t count);
    // ZModem (MainZModem.cpp)
    void WireZModemEvents();
    void WireImagePackEvents();
    void PrepareZModemEngine(bool sender);
    void PostZModemStep(int step);
    void AskForUploadFile();
    void ShowFinishBox();
    void RefuseUpload();
    void FocusConsole();
    void ResetTransferPanel(bool upload);
    void EnterTransferBinary();
    // Keyboard.
    void CreateKeyboard();
    void WireKeyEvents();
    void UnwireKeyEvents();
    bool KoreanInput() const;
    void EchoLocally(const std::string& bytes) override;
    void ShowInputMode(int mode, int layout) override;
    void ReturnView(bool repaint) override;
    void DropDragSelection() override;
    void ScrollView(ScrollCode code) override;
    void StartZModem(bool upload) override;
    void ShowCharacterTable() override;
    void CopySelection() override;
    void PasteClipboard() override;
    void KeyTyped() override;
    void ReportFailure(const std::string& what) override;
    // Selection.
    void WireSelectionEvents();
    PaintGeometry Geometry();
    bool HasOverlays() const;
    bool HasDragSelection() const;
    void DropWordHighlight();
    void HighlightWordAt(int x, int y);
    void EraseDragSelection();
    void DrawOverlays();
    void DragTo(int x, int y);
    std::string ClipboardBytes();

    ScreenModel FScreen;
    std::unique_ptr<TDravelTerminal> FTerminal;
    std::unique_ptr<TDravelHanguel> FHanguel;
    TerminalTelnetAdapter FTelnet;
    TPrintFileOutlet FPrintOutlet;
    TerminalSideChannels FSideChannels{nullptr, &FPrintOutlet};
    TPortChannel FPortChannel;
    SendQueue FSendQueue;
    uint16_t FOutFreeTrigger = 0;
    TelnetRoad FTelnetRoad;
    SessionFlags FSessionFlags;
    std::vector<uint8_t> FReceiveBuffer;
    std::unique_ptr<TImage> FLogo;
    std::array<TSpeedButton*, 5> FQuickConnect{};
    std::unique_ptr<TCaret> FCaret;  // in the console panel
    PixelPoint FCompositionSpot;      // where the syllable in progress is shown
    // Painting paced by the display (MainView.cpp): while a received block is taken the
    // terminal's changes gather in the damage; the picture follows once per frame.
    void MarkLines(int firstLine, int lastLine);
    void SyncDamageRows();
    void PaintWhenDue();
    void PaintIfDue(const MSG& msg);
    void WireViewEvents();
    void ArmFrameAlarm(int64_t waitMicros);
    void FrameAlarmRang(WPARAM id);
    ViewChange PlanViewChange(const std::function<ViewChange(bool pixelMoves)>& plan);
    // Draws rows first..last of the view (list lines from the first displayed one) into the
    // picture buffer, the view's background under them.
    void PaintRowsIntoBuffer(int first, int last);
    ConsoleDamage FDamage;
    FrameClock FFrameClock;
    bool FFrameRateKnown = false;
    std::unique_ptr<TBitmap> FPictureBuffer;  // rows are drawn here, then put on the console at once
    TCanvas* FPaintTarget = nullptr;          // where the terminal paints (ConsoleCanvas, PaintOn)
    TFrameAlarm FPaintAlarm;
    std::unique_ptr<TTimer> FPaintTimer;  // when the system has no alarm to give
    int FDeferPaint = 0;             // received blocks being taken (their painting waits)
    bool FPainting = false;          // the picture is being painted
    bool FCaretAfterPaint = false;   // received text moved the cursor: the caret follows
    bool FScrollBarsAfterPaint = false;  // and the scroll bars
    int64_t FDamageSince = 0;        // when the picture started to lag (microseconds)
    int64_t FLongestPaintWait = 0;   // the longest it lagged, for the probe
    int64_t FFramesPainted = 0;
    int64_t FLateFrames = 0;         // pictures that lagged more than a frame
    int64_t FScrollBarsShown = 0;    // when the scroll bars were last drawn during a flood
    TSystemKeyboard FSystemKeyboard;
    std::unique_ptr<TIniFile> FKeyMap;
    std::unique_ptr<ConsoleKeyboard> FKeyboard;
    CellPoint FPressCell;          // where the left button went down
    bool FMouseActivated = false;  // the program was activated by a click on the console
    std::string FBaseCaption;
    std::string FAddressBookPath;
    std::string FProgramFolder;
    bool FDefaultsUsed = false;
    // The transfer engine's surroundings.
    TWin32FileStore FZModemFiles;
    TWin32Clock FZModemSystemClock;
    quiro::engines::Clock* FZModemClock = &FZModemSystemClock;
    TFunctionStatusOutlet FZModemStatus;
    std::string FZModemFileName;               // the last file the panel showed
    bool FZModemPicture = false;               // the download is a picture for the viewer
    PictureDownloadFiles FPictureFiles{FZModemFiles};  // the picture download's files
    // In-band pictures.
    TPictureViewer* FViewer = nullptr;  // owned as a component of this form
    TelnetDataStrip FImageTelnet;
    std::vector<uint8_t> FImageBlock;
    bool FZModemEndSeen = false;               // a tick saw the engine finished
    std::deque<ZModemFinishBox> FFinishBoxes;  // shown once the caller has returned
    // The on-line memo and the character table.
    void WireMemoAndTableEvents();
    bool PrepareOnLineMemo();
    // At a session's start: the memo window names the session and starts empty.
    void ResetOnLineMemo();
    // A visible table serves the window that became active (the console or the editor).
    void RetargetCharacterTable();
    void PickToConsole(const std::string& bytes) override;
    void PickToEditor(const std::string& bytes) override;
    TForm* TargetWindow(int target) override;
    OnLineMemo* FMemo = nullptr;              // owned as a component
    CharacterTable* FCharTable = nullptr;     // owned as a component
    // Menus, and the reports of print jobs that did not go out or whose file refused the
    // data (shown once the terminal has finished the block).
    void WireMenuEvents();
    void PostPrintReport(std::vector<std::string> lines);
    // Ends a print job the host left open: its file is closed and, when temporary, printed
    // (and kept when it cannot be). Before the form goes, while all the job reaches is here.
    void EndPrintJob();
    // Reports not yet on the console, in a message box (the window is closing).
    void TellPendingPrintReports();
    std::deque<std::string> FPrintReports;
    // The capture editor.
    void WireEditorEvents();
    std::unique_ptr<TEditorLinks, TEditorLinksDeleter> FEditorLinks;  // the editor's host, the capture's sink
    CaptureEditor* FEditor = nullptr;            // owned as a component
    RECT FLastPosition{0, 0, 0, 0};              // where the window was at its last move or size
};

extern TConsoleForm* ConsoleForm;
