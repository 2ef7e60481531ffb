// Keyboard arithmetic of the controls: the shift state of key and mouse events, menu
// shortcuts (a virtual-key code with modifier bits) and their text, and the accelerator
// character of a caption ("&File": Alt+F).
#pragma once

#include <cstdint>
#include <string>

// Which modifier keys and mouse buttons were down with an event.
enum TShiftStateFlag : unsigned {
    ssShift = 1u << 0,
    ssAlt = 1u << 1,
    ssCtrl = 1u << 2,
    ssLeft = 1u << 3,
    ssRight = 1u << 4,
    ssMiddle = 1u << 5,
    ssDouble = 1u << 6,
};
using TShiftState = unsigned;

// A shortcut: the virtual-key code in the low byte, modifiers in the high bits; 0 = none.
using TShortCut = uint16_t;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;
constexpr TShortCut scNone = 0;

// The shortcut of `key` with the Shift, Ctrl and Alt bits of `shift` (mouse bits ignored).
TShortCut ShortCut(uint16_t key, TShiftState shift);
// The two halves again.
void ShortCutToKey(TShortCut shortCut, uint16_t& key, TShiftState& shift);
// "Ctrl+Shift+Z", "Alt+F4", "Shift+Ins", "Alt+`"; empty for 0 or a key without a name.
std::string ShortCutToText(TShortCut shortCut);

// The accelerator of a caption: the character after a single '&' ("&&" is a literal '&'),
// upper-cased for ASCII letters; 0 when the caption has none.
char AccelChar(const std::string& caption);
// True when `ch` (either case) is the caption's accelerator.
bool IsAccel(char ch, const std::string& caption);
// The caption as shown: "&&" becomes '&' and a single '&' disappears.
std::string StripHotkey(const std::string& caption);
