// What a key does in the capture editor's text, decided from the key and the editor's
// state alone: the editor's Hangul input (when its font is a Korean one), Tab stops, and
// Enter, which sends the line or the selection while connected.
#pragma once

namespace EditorVk {
inline constexpr int Back = 0x08, Tab = 0x09, Return = 0x0D, Hanja = 0x19, Prior = 0x21, Down = 0x28,
                     Insert = 0x2D, Delete = 0x2E;
}  // namespace EditorVk

enum class EditorKeyKind { KeyDown, Char };

struct EditorKey {
    EditorKeyKind kind = EditorKeyKind::Char;
    int code = 0;  // the virtual-key code, or the character
    bool ctrl = false;
    bool shift = false;
};

struct EditorKeyContext {
    bool hangulAvailable = false;  // the editor's font is a Korean one: its own input runs
    bool hangulOn = false;         // ... in Hangul mode
    bool composing = false;        // a syllable is in progress
    bool connected = false;        // the port is open
    bool sendByLine = false;       // "Send By Line" is down
    bool batchEnabled = false;     // the batch button is enabled (a selection, nothing composing)
};

enum class EditorKeyAction {
    PassOn,           // the rich edit's own (after the flush, when one is asked for)
    TabBlanks,        // blanks up to the next tab stop
    SendLine,         // the line (sendMode 0: up to the caret, 1: whole); the key passes on
                      // when nothing could be sent
    BatchSend,        // the selection
    Automaton,        // the character through the Hangul automaton
    Backspace,        // Backspace takes back part of the syllable
    DropSyllable,     // Delete drops the syllable in progress
    InsertCharacter,  // English mode: the character inserted in the editor's font
    ToggleMode,       // Shift+Space: Hangul on or off
    CharacterTable,   // the Hanja key
};

struct EditorKeyDecision {
    EditorKeyAction action = EditorKeyAction::PassOn;
    bool flush = false;  // the syllable in progress becomes text first
    int sendMode = 0;
};

EditorKeyDecision DecideEditorKey(const EditorKey& key, const EditorKeyContext& context);
