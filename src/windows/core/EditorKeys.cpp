#include "windows/core/EditorKeys.h"

namespace {

EditorKeyDecision Enter(const EditorKey& key, const EditorKeyContext& c) {
    EditorKeyDecision d;
    d.flush = c.hangulAvailable && c.composing;
    if (!c.connected) return d;  // a line break (after the syllable)
    if (key.ctrl) {
        d.action = c.batchEnabled ? EditorKeyAction::BatchSend : EditorKeyAction::SendLine;
        d.sendMode = 1;
    } else if (c.sendByLine) {
        d.action = EditorKeyAction::SendLine;
        d.sendMode = 0;
    }
    return d;
}

EditorKeyDecision KeyDown(const EditorKey& key, const EditorKeyContext& c) {
    EditorKeyDecision d;
    switch (key.code) {
    case EditorVk::Return: return Enter(key, c);
    case EditorVk::Tab:
        if (key.ctrl) return d;
        d.flush = c.hangulAvailable && c.composing;
        d.action = EditorKeyAction::TabBlanks;
        return d;
    default: break;
    }
    if (!c.hangulAvailable) return d;
    if (key.code == EditorVk::Hanja) {
        d.action = EditorKeyAction::CharacterTable;
    } else if ((key.code >= EditorVk::Prior && key.code <= EditorVk::Down) || key.code == EditorVk::Insert) {
        d.flush = c.composing;
    } else if (key.code == EditorVk::Delete && c.composing) {
        d.action = EditorKeyAction::DropSyllable;
    } else if (key.code == EditorVk::Back && c.hangulOn && c.composing) {
        d.action = EditorKeyAction::Backspace;
    }
    return d;
}

EditorKeyDecision Char(const EditorKey& key, const EditorKeyContext& c) {
    EditorKeyDecision d;
    if (!c.hangulAvailable) return d;
    const int ch = key.code;
    if (ch == ' ' && key.shift && !key.ctrl) {
        d.action = EditorKeyAction::ToggleMode;
    } else if (ch >= 32 && ch <= 126 && !key.ctrl) {
        d.action = c.hangulOn ? EditorKeyAction::Automaton : EditorKeyAction::InsertCharacter;
    } else if (ch < 32 && ch != EditorVk::Back) {
        // Control characters (copy, paste, undo, ...) keep the syllable as text.
        d.flush = c.composing;
    }
    return d;
}

}  // namespace

EditorKeyDecision DecideEditorKey(const EditorKey& key, const EditorKeyContext& context) {
    return key.kind == EditorKeyKind::KeyDown ? KeyDown(key, context) : Char(key, context);
}
