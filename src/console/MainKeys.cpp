// The console's keyboard: key messages taken from the application's message loop before
// they are translated, decided and carried out by ConsoleKeyboard (the Hangul automaton,
// the key map "KeyMap.INI" beside the program, the view's scrolling), the input-mode
// indicator, the system's input method kept alphanumeric, and the activation events.
#include <windows.h>
#include <imm.h>

#include "console/Main.h"
#include "controls/AppEvent.h"
#include "controls/XcHook.h"
#include "framework/FormBuilder.h"
#include "framework/Screen.h"

// ---- The system's keyboard ---------------------------------------------------------------

bool TSystemKeyboard::ShiftDown() const { return GetKeyState(VK_SHIFT) < 0; }

bool TSystemKeyboard::CapsLockOn() const { return (GetKeyState(VK_CAPITAL) & 1) != 0; }

int TSystemKeyboard::ScanCodeOf(unsigned char ch) const {
    const SHORT key = VkKeyScanA(static_cast<CHAR>(ch));
    if (key == -1) return -1;
    return static_cast<int>(MapVirtualKeyA(LOBYTE(key), MAPVK_VK_TO_VSC));
}

// ---- Key messages ------------------------------------------------------------------------

void TConsoleForm::CreateKeyboard() {
    FKeyMap = std::make_unique<TIniFile>(FProgramFolder + "KeyMap.INI");
    FHanguel->SetKeyState(&FSystemKeyboard);
    FKeyboard = std::make_unique<ConsoleKeyboard>(*FHanguel, *FKeyMap, FSystemKeyboard, FSystemKeyboard,
                                                   static_cast<ConsoleKeyHost&>(*this));
}

KeyContext TConsoleForm::CurrentKeyContext() {
    KeyContext c;
    c.connected = Connected != 0;
    c.transferRunning = TransferRunning != 0;
    c.imagePackArmed = FTerminal->ImagePackArmed != 0;
    c.cursorKeyApplicationMode = FTerminal->CursorKeyApplicationMode != 0;
    c.keypadApplicationMode = FTerminal->KeypadApplicationMode != 0;
    c.sendEnterAsCrLf = FTerminal->SendEnterAsCrLf != 0;
    c.localEcho = FTerminal->LocalEcho != 0;
    c.emulateTerminalKeypad = Settings.EmulateTerminalKeypad;
    c.koreanInput = KoreanInput();
    c.scrolledBack = ScrollBackReturnLine >= 0;
    c.atLiveLine = FScreen.FirstDisplayedLine == ScrollBackReturnLine;
    c.dragSelection = DragAnchor.line >= 0;
    c.canScrollUp = FScreen.FirstDisplayedLine > 0;
    c.canScrollDown = FScreen.FirstDisplayedLine + 1 < FScreen.LineCount();
    return c;
}

bool TConsoleForm::KoreanInput() const { return FHanguel->GetCodePage() == 949 || Settings.UseInternalFont; }

// Every message of the application passes here first. Key messages for the focused console
// panel are the console's: a consumed key is neither translated nor dispatched. Whatever
// fails while a key is carried out, the key stays consumed or not as it was decided.
void TConsoleForm::MAIN_AppEventsMessage(MSG& msg, bool& handled) {
    KeyMessageKind kind;
    switch (msg.message) {
    case WM_KEYDOWN: kind = KeyMessageKind::KeyDown; break;
    case WM_SYSKEYDOWN: kind = KeyMessageKind::SysKeyDown; break;
    case WM_CHAR: kind = KeyMessageKind::Char; break;
    default: return;
    }
    if (!FKeyboard || !MAIN_PANEL_Console->HandleAllocated() || msg.hwnd != MAIN_PANEL_Console->Handle() ||
        !MAIN_PANEL_Console->Focused())
        return;
    ::KeyMessage key;
    key.kind = kind;
    key.code = static_cast<int>(msg.wParam);
    key.extended = (msg.lParam & (1 << 24)) != 0;
    // The modifiers in one question to the system (each is a round trip).
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    key.ctrl = (keys[VK_CONTROL] & 0x80) != 0;
    key.shift = (keys[VK_SHIFT] & 0x80) != 0;
    key.alt = (keys[VK_MENU] & 0x80) != 0;
    handled = FKeyboard->HandleKeyMessage(key, CurrentKeyContext());
}

// ---- What the keyboard asks of the window (ConsoleKeyHost) ----------------------------

void TConsoleForm::EchoLocally(const std::string& bytes) {
    ConsoleDataReceived(reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<int>(bytes.size()), true);
}

void TConsoleForm::ShowInputMode(int mode, int layout) {
    if (!mode) {
        SetKeyModeImage(MAIN_IMG_KeyModeEng);
        return;
    }
    SetKeyModeImage(layout == 2 ? MAIN_IMG_KeyModeHan390 : layout == 3 ? MAIN_IMG_KeyModeHan3 : MAIN_IMG_KeyModeHan2);
    if (ConsoleHasFocus) {
        PlaceComposition();
    } else {
        FCompositionSpot = PixelPoint{};
        FHanguel->SetCompositionPos(0, 0);
    }
}

void TConsoleForm::ReturnView(bool repaint) {
    if (repaint) {
        DropSelection();
        ViewChange back{ScrollBackReturnLine, HorizontalOffset, {}};
        back.move.kind = ViewMove::Repaint;
        ScrollBackReturnLine = -1;
        CarryViewChange(back);
    } else {
        MAIN_VSCR_Console->SetPosition(ScrollBackReturnLine);
        ScrollBackReturnLine = -1;
    }
}

void TConsoleForm::DropDragSelection() {
    EraseDragSelection();
    DragAnchor = DragEnd = DragShown = CellPoint{};
}

void TConsoleForm::StartZModem(bool upload) {
    if (upload)
        StartZModemUpload();
    else
        StartZModemDownload();
}

void TConsoleForm::ShowCharacterTable() { MAIN_PMENU_ShowCharacterTableClick(); }

void TConsoleForm::CopySelection() { MAIN_PMENU_ConsoleCopyClick(); }

void TConsoleForm::PasteClipboard() { MAIN_PMENU_ConsolePasteClick(); }

void TConsoleForm::KeyTyped() { KeepAliveStamp = GetTickCount(); }

void TConsoleForm::ReportFailure(const std::string& what) {
    Application->MessageBox(what, " Quiro 2: Error", MB_OK | MB_ICONERROR);
}

// ---- The input mode ----------------------------------------------------------------------

void TConsoleForm::FlushHangulSyllable() {
    if (FKeyboard) FKeyboard->FlushHangulSyllable(FTerminal->LocalEcho != 0);
}

void TConsoleForm::SyncHanguelIndicator() {
    if (FKeyboard) FKeyboard->SyncInputMode();
}

// The indicator's images: the English one switches to Hangul, a Hangul one to English.
void TConsoleForm::MAIN_IMG_KeyModeClick(TComponent* sender) {
    FKeyboard->SetInputMode(sender == MAIN_IMG_KeyModeEng ? 1 : 0, FTerminal->LocalEcho != 0);
}

void TConsoleForm::MAIN_PMENU_ToggleInputModeClick() {
    if (!KoreanInput()) return;
    MAIN_IMG_KeyModeClick(FKeyboard->ShownMode() == 1 ? nullptr : MAIN_IMG_KeyModeEng);
}

// The user switched the system's input method to native input: it goes back to
// alphanumeric, and the program's own mode toggles instead (unless only the full-shape
// mode was asked for). With a console that cannot show Korean the input method is left
// alone.
void TConsoleForm::XcConsoleIMEWindowHookBeforeMessage(TMessage& msg, bool&) {
    if (msg.Msg == WM_MOUSEACTIVATE) {
        // Every click into the panel asks; one into an inactive program activates it, and
        // then it only focuses.
        FMouseActivated = !AppActive || GetForegroundWindow() != Handle();
        return;
    }
    if (msg.Msg != WM_IME_NOTIFY || msg.WParam != IMN_SETCONVERSIONMODE) return;
    HWND panel = MAIN_PANEL_Console->Handle();
    HIMC context = ImmGetContext(panel);
    if (!context) return;
    DWORD conversion = 0, sentence = 0;
    if (ImmGetConversionStatus(context, &conversion, &sentence) && conversion != 0 && KoreanInput()) {
        ImmSetConversionStatus(context, 0, 0);
        if (!(conversion & IME_CMODE_FULLSHAPE)) MAIN_PMENU_ToggleInputModeClick();
    }
    ImmReleaseContext(panel, context);
}

// ---- Activation --------------------------------------------------------------------------

void TConsoleForm::MAIN_AppEventsActivate() {
    AppActive = 1;
    if (Connected) {
        if (MAIN_PANEL_Console->CanFocus()) MAIN_PANEL_Console->SetFocus();
        ConsoleHasFocus = 1;
        if (!TransferRunning) PlaceConsoleCaret();
    }
    ForceAlphanumericInput();
}

void TConsoleForm::MAIN_AppEventsDeactivate() {
    AppActive = 0;
    ConsoleHasFocus = 0;
    DropWordHighlight();
    HideConsoleCaret();
}

void TConsoleForm::MAIN_AppEventsActiveFormChange() {
    if (::Screen->ActiveForm() != this) {
        if (Connected) HideConsoleCaret();
        ConsoleHasFocus = 0;
    } else {
        // Back from another of the program's windows (the capture editor): the console gets
        // the focus again as the form's active control, which tells no one.
        ConsoleHasFocus = MAIN_PANEL_Console->Focused() || ActiveControl() == MAIN_PANEL_Console ? 1 : 0;
        if (Connected && !TransferRunning) PlaceConsoleCaret();
    }
    RetargetCharacterTable();
    ForceAlphanumericInput();
}

void TConsoleForm::WireKeyEvents() {
    auto* events = FindAs<TAppEvents>(this, "MAIN_AppEvents");
    // The formats and metrics stay as they were read at start-up (a window built later may
    // ask for them again).
    events->SetUpdateFormatSettings(false);
    events->SetUpdateMetricSettings(false);
    events->OnMessage = [this](MSG& msg, bool& handled) {
        PaintIfDue(msg);
        MAIN_AppEventsMessage(msg, handled);
    };
    events->OnActivate = [this](TComponent*) { MAIN_AppEventsActivate(); };
    events->OnDeactivate = [this](TComponent*) { MAIN_AppEventsDeactivate(); };
    events->OnActiveFormChange = [this](TComponent*) { MAIN_AppEventsActiveFormChange(); };
    auto* ime = FindAs<TXcWindowHook>(this, "XcConsoleIMEWindowHook");
    ime->SetWinControl(MAIN_PANEL_Console);
    ime->BeforeMessage = [this](TComponent*, TMessage& msg, bool& handled) {
        XcConsoleIMEWindowHookBeforeMessage(msg, handled);
    };
    for (TImage* image : {MAIN_IMG_KeyModeEng, MAIN_IMG_KeyModeHan2, MAIN_IMG_KeyModeHan3, MAIN_IMG_KeyModeHan390})
        image->OnClick = [this](TComponent* sender) { MAIN_IMG_KeyModeClick(sender); };
    FindAs<TMenuItem>(this, "MAIN_PMENU_ToggleInputMode")->OnClick = [this](TComponent*) {
        MAIN_PMENU_ToggleInputModeClick();
    };
    MAIN_PANEL_Console->OnEnter = [this](TComponent*) { MAIN_PANEL_ConsoleEnter(); };
    MAIN_PANEL_Console->OnExit = [this](TComponent*) { MAIN_PANEL_ConsoleExit(); };
    MAIN_VSCR_Console->OnScroll = [this](TComponent*, TScrollCode code, int& position) {
        MAIN_VSCR_ConsoleScroll(code, position);
    };
    MAIN_HSCR_Console->OnScroll = [this](TComponent*, TScrollCode code, int& position) {
        MAIN_HSCR_ConsoleScroll(code, position);
    };
    WireSelectionEvents();
}

// The window's members go before its components: no event of the focus, the keyboard or
// the mouse may reach them while the components are destroyed.
void TConsoleForm::UnwireKeyEvents() {
    if (auto* events = FindAs<TAppEvents>(this, "MAIN_AppEvents")) {
        events->OnMessage = nullptr;
        events->OnActivate = events->OnDeactivate = events->OnActiveFormChange = nullptr;
    }
    if (auto* ime = FindAs<TXcWindowHook>(this, "XcConsoleIMEWindowHook")) ime->BeforeMessage = nullptr;
    MAIN_PANEL_Console->OnEnter = MAIN_PANEL_Console->OnExit = nullptr;
    MAIN_PB_Console->OnMouseMove = nullptr;
    MAIN_PB_Console->OnMouseDown = MAIN_PB_Console->OnMouseUp = nullptr;
    MAIN_PB_Console->OnClick = MAIN_PB_Console->OnPaint = nullptr;
}
