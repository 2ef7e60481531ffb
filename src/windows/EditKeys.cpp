// The capture editor's keys (a hook on its rich edit, before the control sees them): its
// own Hangul input, with the syllable in progress shown as selected text; Tab stops; Enter,
// which sends the line or the selection while connected; and the sends themselves.
#include <windows.h>

#include <imm.h>

#include "windows/Edit.h"

namespace {

bool Pressed(int vk) { return (GetKeyState(vk) & 0x8000) != 0; }

}  // namespace

EditorKeyContext TEditMainForm::KeyContext() {
    EditorKeyContext c;
    c.hangulAvailable = HanguelAvailable != 0;
    c.hangulOn = FAutomaton.IsHanguelOn() != 0;
    c.composing = FAutomaton.GetComposing() != 0;
    c.connected = FHost.PortOpen();
    c.sendByLine = CED_BTN_SendByLine->Down();
    c.batchEnabled = BatchSendable();
    return c;
}

void TEditMainForm::XcEditorWindowHookBeforeMessage(TMessage& msg, bool& handled) {
    switch (msg.Msg) {
    case WM_KEYDOWN: {
        FSwallowChar = 0;
        EditorKey key{EditorKeyKind::KeyDown, static_cast<int>(msg.WParam), Pressed(VK_CONTROL), Pressed(VK_SHIFT)};
        CarryKey(DecideEditorKey(key, KeyContext()), key, msg, handled);
        break;
    }
    case WM_CHAR: {
        const int ch = static_cast<int>(msg.WParam & 0xFF);
        if (FSwallowChar && ch == FSwallowChar) {
            // The character of a key already acted on.
            FSwallowChar = 0;
            handled = true;
            return;
        }
        EditorKey key{EditorKeyKind::Char, ch, Pressed(VK_CONTROL), Pressed(VK_SHIFT)};
        CarryKey(DecideEditorKey(key, KeyContext()), key, msg, handled);
        break;
    }
    case WM_IME_NOTIFY: {
        // The system's input method stays alphanumeric; its toggle switches the editor's.
        if (msg.WParam != IMN_SETCONVERSIONMODE || !HanguelAvailable) return;
        HWND w = CED_REDIT_Editor->Handle();
        HIMC context = ImmGetContext(w);
        if (!context) return;
        DWORD conversion = 0, sentence = 0;
        if (ImmGetConversionStatus(context, &conversion, &sentence) && conversion != 0) {
            ImmSetConversionStatus(context, 0, 0);
            if (!(conversion & IME_CMODE_FULLSHAPE)) ToggleInputMode();
        }
        ImmReleaseContext(w, context);
        break;
    }
    default: break;
    }
}

void TEditMainForm::CarryKey(const EditorKeyDecision& d, const EditorKey& key, TMessage&, bool& handled) {
    if (d.flush) FlushSyllable();
    // A key acted on here: its character (Tab, Enter, Backspace) goes no further either.
    auto consume = [&](int ch) {
        handled = true;
        if (key.kind == EditorKeyKind::KeyDown) FSwallowChar = ch;
    };
    switch (d.action) {
    case EditorKeyAction::PassOn: return;
    case EditorKeyAction::TabBlanks: {
        TXcRichEdit* e = CED_REDIT_Editor;
        const int caret = e->GetSelection().cpMin;
        const int lineStart = e->GetLineIndex(e->LineFromChar(caret));
        InsertAtCaret(std::string(TabBlanks(EditorText(lineStart, caret).size()), ' '));
        consume('\t');
        return;
    }
    case EditorKeyAction::SendLine:
        if (SendLine(d.sendMode)) consume(key.ctrl ? '\n' : '\r');
        return;
    case EditorKeyAction::BatchSend:
        CED_BTN_BatchSendClick();
        consume(key.ctrl ? '\n' : '\r');
        return;
    case EditorKeyAction::Automaton:
        FAutomaton.ProcessKey(FHost.MapKeyToUSLayout(static_cast<unsigned char>(key.code), key.shift));
        ShowAutomatonOutput();
        handled = true;
        return;
    case EditorKeyAction::Backspace:
        FAutomaton.ProcessKey('\b');
        ShowAutomatonOutput();
        consume('\b');
        return;
    case EditorKeyAction::DropSyllable:
        DropSyllable();
        handled = true;
        return;
    case EditorKeyAction::InsertCharacter:
        InsertAtCaret(std::string(1, static_cast<char>(key.code)));
        handled = true;
        return;
    case EditorKeyAction::ToggleMode:
        // The syllable in progress stays as text.
        FAutomaton.ToggleHanguel();
        ShowAutomatonOutput();
        ShowModeImage();
        handled = true;
        return;
    case EditorKeyAction::CharacterTable:
        ShowCharacterTable();
        handled = true;
        return;
    }
}

// ---- The syllable in progress ---------------------------------------------------------------

void TEditMainForm::ShowAutomatonOutput() {
    TXcRichEdit* e = CED_REDIT_Editor;
    const std::string done = FAutomaton.TakeOutput();
    std::string composing;
    FAutomaton.GetComposing(&composing);
    FUpdatingComposition = true;
    // The shown syllable is the selection: what the key finished replaces it.
    if (!done.empty()) {
        const int start = e->GetSelection().cpMin;
        const int n = InsertTextAsRtf(done);
        e->SetSelection(start + n, start + n, false);
    } else if (FCompositionShown && composing.empty()) {
        e->SetSelText("");
    }
    if (!composing.empty()) {
        const int start = e->GetSelection().cpMin;
        const int n = InsertTextAsRtf(composing);
        e->SetSelection(start, start + n, true);
        FComposition = CHARRANGE{start, start + n};
    }
    FCompositionShown = !composing.empty();
    FUpdatingComposition = false;
    UpdateBatchButton();
}

void TEditMainForm::FlushSyllable() {
    if (!FCompositionShown) {
        if (FAutomaton.GetComposing()) FAutomaton.ResetAutomaton();
        return;
    }
    // The syllable is in the text already: it stays, and the caret goes behind it.
    FAutomaton.ResetAutomaton();
    FCompositionShown = false;
    FUpdatingComposition = true;
    CED_REDIT_Editor->SetSelection(FComposition.cpMax, FComposition.cpMax, true);
    FUpdatingComposition = false;
}

void TEditMainForm::DropSyllable() {
    FAutomaton.ResetAutomaton();
    if (!FCompositionShown) return;
    FCompositionShown = false;
    FUpdatingComposition = true;
    CED_REDIT_Editor->SetSelection(FComposition.cpMin, FComposition.cpMax, false);
    CED_REDIT_Editor->SetSelText("");
    FUpdatingComposition = false;
}

// ---- Sends ----------------------------------------------------------------------------------

std::string TEditMainForm::EditorText(int start, int end) {
    return CED_REDIT_Editor->GetTextRange(start, end, static_cast<UINT>(CodePage));
}

bool TEditMainForm::SendLine(int mode) {
    if (!FHost.PortOpen()) return false;
    TXcRichEdit* e = CED_REDIT_Editor;
    const int caret = e->GetSelection().cpMin;
    const int lineStart = e->GetLineIndex(e->LineFromChar(caret));
    const int end = mode == 0 ? caret : lineStart + e->GetLineLength(lineStart);
    FHost.SendUserText(LineSendBytes(EditorText(lineStart, end), CurrentHeadTail(), FHost.SendEnterAsCrLf()));
    return true;
}

bool TEditMainForm::BatchSendable() {
    return CED_REDIT_Editor->HandleAllocated() && CED_REDIT_Editor->SelLength() > 0 && FHost.PortOpen() &&
           !FCompositionShown;
}

void TEditMainForm::CED_BTN_BatchSendClick() {
    if (!BatchSendable()) return;
    const CHARRANGE r = CED_REDIT_Editor->GetSelection();
    FHost.SendUserText(BatchSendBytes(EditorText(r.cpMin, r.cpMax), FHost.SendEnterAsCrLf()));
}
