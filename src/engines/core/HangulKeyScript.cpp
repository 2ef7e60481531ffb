#include "engines/core/HangulKeyScript.h"

#include "engines/core/DravelHanguel.h"
#include "engines/core/EditorHanguel.h"

namespace quiro::engines {

namespace {

constexpr unsigned char kBackspace = 8;

HangulScriptResult RunConsole(const std::vector<HangulScriptKey>& keys,
                              const HangulScriptOptions& options) {
    HangulScriptResult result;
    HangulKeyFlags flags;
    flags.CapsLock = options.capsLock;
    TDravelHanguel hanguel;
    hanguel.SetCodePage(949);
    hanguel.SetKeyState(&flags);
    hanguel.SetKeyboardLayout(options.layout);
    hanguel.SetHanguelMode(options.hangulOff ? 0 : 1);
    for (const HangulScriptKey& key : keys) {
        HangulScriptStep step{key.label, {}, {}};
        if (key.ch == kBackspace) {
            if (!hanguel.Backspace()) step.sent.push_back(static_cast<char>(kBackspace));
        } else {
            flags.Shift = key.shift;
            hanguel.InputChar(key.ch);
            step.sent = hanguel.GetOutput();
            if (key.ch < 32) step.sent.push_back(static_cast<char>(key.ch));
            flags.Shift = false;
        }
        if (hanguel.IsComposing()) step.composing = hanguel.GetComposingText();
        result.sent += step.sent;
        result.steps.push_back(std::move(step));
    }
    if (hanguel.IsComposing()) result.composing = hanguel.GetComposingText();
    return result;
}

HangulScriptResult RunEditor(const std::vector<HangulScriptKey>& keys,
                             const HangulScriptOptions& options) {
    HangulScriptResult result;
    HangulKeyFlags flags;
    flags.CapsLock = options.capsLock;
    IDravelHanguel hanguel;
    hanguel.SetKeyState(&flags);
    hanguel.SetKeyboardLayout(options.layout);
    if (!options.hangulOff) hanguel.ToggleHanguel();
    for (const HangulScriptKey& key : keys) {
        HangulScriptStep step{key.label, {}, {}};
        if (key.ch == ' ' && key.shift) {
            // The editor's key path handles Shift+Space itself.
            hanguel.ToggleHanguel();
            step.sent = hanguel.TakeOutput();
        } else {
            const int consumed = hanguel.ProcessKey(key.ch);
            step.sent = hanguel.TakeOutput();
            if (!consumed) step.sent.push_back(static_cast<char>(key.ch));
        }
        hanguel.GetComposing(&step.composing);
        result.sent += step.sent;
        result.steps.push_back(std::move(step));
    }
    hanguel.GetComposing(&result.composing);
    return result;
}

}  // namespace

std::vector<HangulScriptKey> ParseHangulKeys(std::string_view keys) {
    std::vector<HangulScriptKey> out;
    for (size_t i = 0; i < keys.size(); ++i) {
        const auto c = static_cast<unsigned char>(keys[i]);
        HangulScriptKey key;
        key.ch = c;
        key.label = std::string(1, static_cast<char>(c));
        if (c == '\\') {
            key.label = "\\\\";
            const char next = i + 1 < keys.size() ? keys[i + 1] : '\0';
            if (next == 'b') {
                key = {kBackspace, false, "\\b"};
                ++i;
            } else if (next == 's') {
                key = {' ', true, "\\s"};
                ++i;
            } else if (next == '\\') {
                ++i;
            }
        } else if (c == kBackspace) {
            key.label = "\\b";
        } else if (c < 0x20 || c > 0x7E) {
            key.label = FormatHangulBytes(key.label);
        }
        out.push_back(std::move(key));
    }
    return out;
}

HangulScriptResult RunHangulKeys(const std::vector<HangulScriptKey>& keys,
                                 const HangulScriptOptions& options) {
    return options.editor ? RunEditor(keys, options) : RunConsole(keys, options);
}

std::string FormatHangulBytes(std::string_view bytes) {
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b >= 0x20 && b <= 0x7E) {
            out.push_back(ch);
        } else {
            out += "\\x";
            out.push_back(kHex[b >> 4]);
            out.push_back(kHex[b & 15]);
        }
    }
    return out;
}

}  // namespace quiro::engines
