// Drives the console or the editor Hangul automaton with a written key sequence, the way
// their callers do, and reports what each key sent and what is being composed. Used by the
// hangul-keys tool and by the automata tests.
//
// Key notation: "\b" is Backspace, "\s" is Shift+Space, "\\" is a backslash; every other
// character is that key (a backslash before any other character is a backslash key).
//
// "Sent" is what reaches the host (console) or the text (editor): the automaton's output
// and, after it, a key the automaton leaves to its caller (a control character, a
// Backspace that undid nothing, any key the editor automaton did not consume).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quiro::engines {

struct HangulScriptKey {
    unsigned char ch = 0;
    bool shift = false;
    std::string label;  // as written: "\b", "\s", "\\" or the character
};

struct HangulScriptOptions {
    int layout = 1;
    bool editor = false;
    bool capsLock = false;
    bool hangulOff = false;
};

struct HangulScriptStep {
    std::string key;  // the key's label
    std::string sent;
    std::string composing;
};

struct HangulScriptResult {
    std::vector<HangulScriptStep> steps;
    std::string sent;       // everything sent, in order
    std::string composing;  // the syllable in progress at the end, KS C 5601
};

std::vector<HangulScriptKey> ParseHangulKeys(std::string_view keys);
HangulScriptResult RunHangulKeys(const std::vector<HangulScriptKey>& keys,
                                 const HangulScriptOptions& options);
// Bytes 0x20-0x7E as themselves, every other byte as \xhh.
std::string FormatHangulBytes(std::string_view bytes);

}  // namespace quiro::engines
