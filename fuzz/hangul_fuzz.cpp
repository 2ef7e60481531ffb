// Arbitrary keys through the console and the editor Hangul automata: the first byte picks
// the layout and Caps Lock, every further byte (its low 7 bits) is a key, 0x08 Backspace
// and 0x01 Shift+Space. Both must survive anything and compose the same syllables from
// the same printable keys.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engines/core/DravelHanguel.h"
#include "engines/core/EditorHanguel.h"

using quiro::engines::HangulKeyFlags;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    HangulKeyFlags flags;
    flags.CapsLock = (data[0] & 4) != 0;
    TDravelHanguel console;
    console.SetCodePage(949);
    console.SetKeyState(&flags);
    console.SetKeyboardLayout(data[0] & 3);
    console.SetHanguelMode(1);
    IDravelHanguel editor;
    editor.SetKeyState(&flags);
    editor.SetKeyboardLayout(data[0] & 3);
    editor.ToggleHanguel();
    for (size_t i = 1; i < size; ++i) {
        const auto c = static_cast<uint8_t>(data[i] & 0x7F);
        if (c == 8) {
            const int a = console.Backspace();
            const int b = editor.ProcessKey(8);
            if (a != b) std::abort();
        } else if (c == 1) {
            flags.Shift = true;
            console.InputChar(' ');
            flags.Shift = false;
            editor.ToggleHanguel();
        } else {
            console.InputChar(c);
            editor.ProcessKey(c);
        }
        const std::string sent = console.GetOutput();
        const std::string edited = editor.TakeOutput();
        if (c >= 0x20 && c <= 0x7E && console.GetHanguelMode() && sent != edited) std::abort();
        std::string composing;
        editor.GetComposing(&composing);
        const std::string shown = console.IsComposing() ? console.GetComposingText() : "";
        if (console.GetHanguelMode() == editor.IsHanguelOn() && composing != shown) std::abort();
        if (shown.size() != 0 && shown.size() != 2 && shown.size() != 4) std::abort();
    }
    return 0;
}
