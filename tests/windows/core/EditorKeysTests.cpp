// The editor's keys: one row per key and state.
#include <gtest/gtest.h>

#include "windows/core/EditorKeys.h"

namespace {

using A = EditorKeyAction;
constexpr EditorKeyKind D = EditorKeyKind::KeyDown, C = EditorKeyKind::Char;

TEST(EditorKeys, Table) {
    struct Row {
        const char* name;
        EditorKey key;
        EditorKeyContext context;  // available, on, composing, connected, byLine, batch
        A action;
        bool flush;
        int mode;
    } const rows[] = {
        {"Enter off-line, Hangul composing: the syllable, then the line break", {D, 13, false, false},
         {true, true, true, false, true, false}, A::PassOn, true, 0},
        {"Enter off-line, no Hangul input", {D, 13}, {false, false, false, false, true, false}, A::PassOn, false, 0},
        {"Enter on-line, send by line up: a line break", {D, 13}, {true, true, true, true, false, false},
         A::PassOn, true, 0},
        {"Enter on-line, send by line down: the line to the caret", {D, 13}, {false, false, false, true, true, false},
         A::SendLine, false, 0},
        {"Ctrl+Enter, no selection: the whole line", {D, 13, true}, {false, false, false, true, false, false},
         A::SendLine, false, 1},
        {"Ctrl+Enter with a selection: the batch", {D, 13, true}, {true, false, false, true, false, true},
         A::BatchSend, false, 1},
        {"Tab without Hangul input", {D, 9}, {}, A::TabBlanks, false, 0},
        {"Tab while composing flushes first", {D, 9}, {true, true, true}, A::TabBlanks, true, 0},
        {"Ctrl+Tab is the control's", {D, 9, true}, {}, A::PassOn, false, 0},
        {"a cursor key flushes", {D, 0x25}, {true, true, true}, A::PassOn, true, 0},
        {"Insert flushes", {D, 0x2D}, {true, true, true}, A::PassOn, true, 0},
        {"Delete drops the syllable", {D, 0x2E}, {true, true, true}, A::DropSyllable, false, 0},
        {"Delete with nothing composing deletes", {D, 0x2E}, {true, true, false}, A::PassOn, false, 0},
        {"Backspace takes back a jamo", {D, 8}, {true, true, true}, A::Backspace, false, 0},
        {"Backspace with nothing composing deletes", {D, 8}, {true, true, false}, A::PassOn, false, 0},
        {"the Hanja key", {D, 0x19}, {true, false, false}, A::CharacterTable, false, 0},
        {"the Hanja key without Hangul input", {D, 0x19}, {}, A::PassOn, false, 0},
        {"Shift+Space toggles", {C, ' ', false, true}, {true, true, true}, A::ToggleMode, false, 0},
        {"a letter in Hangul mode", {C, 'r'}, {true, true, false}, A::Automaton, false, 0},
        {"a letter in English mode", {C, 'r'}, {true, false, false}, A::InsertCharacter, false, 0},
        {"a letter without Hangul input", {C, 'r'}, {}, A::PassOn, false, 0},
        {"Ctrl+C keeps the syllable", {C, 3, true}, {true, true, true}, A::PassOn, true, 0},
        {"a byte from the input method", {C, 0xB0}, {true, true, false}, A::PassOn, false, 0},
    };
    for (const Row& r : rows) {
        EditorKeyDecision d = DecideEditorKey(r.key, r.context);
        EXPECT_EQ(d.action, r.action) << r.name;
        EXPECT_EQ(d.flush, r.flush) << r.name;
        EXPECT_EQ(d.sendMode, r.mode) << r.name;
    }
}

}  // namespace
