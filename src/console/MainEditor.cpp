// The capture editor beside the console: made on first use and given the editor settings,
// glued under the main window and moved along with it, the capture button and the hidden
// shortcuts that drive it, captured text delivered into it, the closing question about its
// unsaved text, and the main window's side of its sends (EditorHost).
#include <windows.h>

#include <algorithm>

#include "console/Main.h"
#include "console/core/ConsoleKeys.h"
#include "controls/XcHook.h"
#include "engines/core/ConsolePalette.h"
#include "framework/FormBuilder.h"

class TConsoleForm::TEditorLinks : public EditorHost, public CaptureSink {
public:
    explicit TEditorLinks(TConsoleForm& form) : f(form) {}

    bool PortOpen() override { return f.MAIN_CommPort->Open(); }
    bool SendEnterAsCrLf() override { return f.FTerminal->SendEnterAsCrLf != 0; }
    void SendUserText(const std::string& bytes) override {
        f.SendTyped(bytes);
        f.KeepAliveStamp = GetTickCount();
    }
    void SetCaptureButton(bool down) override { f.MAIN_BTN_Capture->SetDown(down); }
    void SetHexCapture(bool on) override { f.FTerminal->HexCapture = on ? 1 : 0; }
    TForm* MainWindow() override { return &f; }
    void ShowCharacterTable(uint16_t syllable) override { f.OpenCharacterTable(1, syllable); }
    unsigned char MapKeyToUSLayout(unsigned char ch, bool shift) override {
        return ::MapKeyToUSLayout(ch, f.FSystemKeyboard, shift, f.FSystemKeyboard.CapsLockOn());
    }

    // CaptureSink: the terminal's capture of a received block.
    void InsertCaptureText(std::string_view text) override {
        if (f.FEditor) f.FEditor->AppendCapture(text);
    }

private:
    TConsoleForm& f;
};

void TConsoleForm::TEditorLinksDeleter::operator()(TEditorLinks* links) const { delete links; }

void TConsoleForm::WireEditorEvents() {
    FEditorLinks.reset(new TEditorLinks(*this));
    MAIN_BTN_Capture->OnClick = [this](TComponent*) { MAIN_BTN_CaptureClick(); };
    FindAs<TMenuItem>(this, "ToggleConsoleChatWin")->OnClick = [this](TComponent*) { ToggleConsoleChatWinClick(); };
    FindAs<TMenuItem>(this, "ShowHideCaptureWindow")->OnClick = [this](TComponent*) { ShowHideCaptureWindowClick(); };
    FindAs<TMenuItem>(this, "CaptureOnOff")->OnClick = [this](TComponent*) { CaptureOnOffClick(); };
}

void TConsoleForm::PrepareCaptureEditor() {
    if (!FEditor) {
        FEditor = MakeCaptureEditor(this, *FEditorLinks);
        if (!FEditor) return;
        FEditor->SetSessionCaption(Connected != 0, ConnectionName);
        FSideChannels.SetCaptureSink(FEditorLinks.get());
        // From now on a glued editor follows the window's moves and sizes.
        GetWindowRect(Handle(), &FLastPosition);
        auto* hook = FindAs<TXcWindowHook>(this, "XcConsoleWindowHook");
        hook->AfterMessage = [this](TComponent*, TMessage& msg, bool& handled) {
            XcConsoleWindowHookAfterMessage(msg, handled);
        };
        hook->SetIsForm(true);
        // The open editor takes new editor settings (the settings dialog's OK) at once.
        EditorSettingsChanged = [this] { PrepareCaptureEditor(); };
    }
    EditorSettings s;
    s.keyboardLayout = Settings.EditorHanguelKeyLayoutMode;
    s.font = &EditorFont;
    s.background = static_cast<TColor>(ColorIndexToColor(static_cast<ColorIndex>(Settings.EditorBGColor)));
    s.marginLeft = Settings.EditorMarginLeft;
    s.marginTop = Settings.EditorMarginTop;
    s.marginRight = Settings.EditorMarginRight;
    s.marginBottom = Settings.EditorMarginBottom;
    FEditor->ApplySettings(s);
}

void TConsoleForm::MAIN_BTN_CaptureClick() {
    if (!MAIN_BTN_Capture->Down()) {
        if (FEditor) FEditor->Form()->Hide();
        return;
    }
    PrepareCaptureEditor();
    if (!FEditor) {
        MAIN_BTN_Capture->SetDown(false);
        return;
    }
    if (EditorPlaced)
        FEditor->KeepEditorOnScreen();
    else
        GlueEditor();
    FEditor->Form()->Show();
}

void TConsoleForm::GlueEditor() {
    PrepareCaptureEditor();
    if (!FEditor) return;
    FEditor->GlueEditorToConsole();
    if (WindowState() == wsMaximized) {
        // Room for the editor below the window.
        const int width = Width(), height = Height();
        TForm* editor = FEditor->Form();
        SetWindowState(wsNormal);
        SetBounds(0, 0, width - 2 * GetSystemMetrics(SM_CXFRAME),
                  height - editor->Height() - 2 * GetSystemMetrics(SM_CYFRAME));
        editor->SetBounds(0, Top() + Height(), Width(), editor->Height());
        ConsoleShrunkForEditor = 1;
    }
    EditorPlaced = 1;
}

// A glued editor keeps its place under the window's bottom edge and its width beside the
// window's: it moves with the left and bottom edges and grows or shrinks with the width.
// (A minimised or maximised window is no place to follow: the editor waits for the normal
// one.)
void TConsoleForm::XcConsoleWindowHookAfterMessage(TMessage& msg, bool&) {
    if ((msg.Msg != WM_MOVE && msg.Msg != WM_SIZE) || !HandleAllocated()) return;
    if (IsIconic(Handle()) || IsZoomed(Handle())) return;
    RECT r;
    GetWindowRect(Handle(), &r);
    const RECT& last = FLastPosition;
    if (FEditor && EditorPlaced && FEditor->GluedToConsole()) {
        TForm* editor = FEditor->Form();
        const int width = editor->Width() + (r.right - r.left) - (last.right - last.left);
        editor->SetBounds(editor->Left() + r.left - last.left, editor->Top() + r.bottom - last.bottom,
                          std::max(width, 1), editor->Height());
    }
    FLastPosition = r;
}

// Alt+C: to the editor, showing it first when it is hidden.
void TConsoleForm::ToggleConsoleChatWinClick() {
    PrepareCaptureEditor();
    if (!FEditor) return;
    if (!FEditor->Form()->Visible()) {
        MAIN_BTN_Capture->SetDown(true);
        if (EditorPlaced)
            FEditor->KeepEditorOnScreen();
        else
            GlueEditor();
        FEditor->Form()->Show();
    } else {
        FEditor->KeepEditorOnScreen();
    }
    FEditor->FocusEditor();
}

// Alt+E: the editor shown or hidden, the capture button with it.
void TConsoleForm::ShowHideCaptureWindowClick() {
    const bool made = FEditor != nullptr;
    PrepareCaptureEditor();
    if (!FEditor) return;
    if (!made) FEditor->SetSendByLine(false);
    if (!EditorPlaced) GlueEditor();  // a first show goes under the console
    EditorPlaced = 1;
    TForm* editor = FEditor->Form();
    editor->SetVisible(!editor->Visible());
    MAIN_BTN_Capture->SetDown(editor->Visible());
}

// Alt+L: capture on (the editor shown, the focus kept here); while it is on, the editor's
// send-by-line switch, or its own capture switch when that is off.
void TConsoleForm::CaptureOnOffClick() {
    if (!MAIN_BTN_Capture->Down()) {
        MAIN_BTN_Capture->SetDown(true);
        const bool wasVisible = FEditor && FEditor->Form()->Visible();
        PrepareCaptureEditor();
        if (!FEditor) {
            MAIN_BTN_Capture->SetDown(false);
            return;
        }
        if (!EditorPlaced) GlueEditor();
        EditorPlaced = 1;
        if (!wasVisible) FEditor->SetCaptureOn(true);
        FEditor->Form()->Show();
        SetFocus();
        if (MAIN_PANEL_Console->CanFocus()) MAIN_PANEL_Console->SetFocus();
    } else if (FEditor) {
        if (FEditor->CaptureOn())
            FEditor->SetSendByLine(!FEditor->SendByLineOn());
        else
            FEditor->SetCaptureOn(true);
    }
}

bool TConsoleForm::EditorLetsClose() {
    if (!FEditor || !FEditor->Modified()) return true;
    switch (MessageBoxA(Handle(), "Save editor changes before exit?", " Quiro 2: Warning",
                        MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDCANCEL: return false;
    case IDYES: return FEditor->SaveBeforeExit();
    default: return true;
    }
}
