// What a key does in the console: the decision for each key message as a pure function of
// the key, its modifiers, the session's state and the settings; the key map's bytes for a
// special key; and the mapping of typed characters to the US key positions that the
// Hangul automaton expects.
//
// Special-key codes (the key map's): keypad 0-9 = 1-10, / 11, * 12, - 13, + 14, . 15,
// keypad Enter 16, Up 21, Down 22, Left 23, Right 24, Insert 31, Home 32, Page Up 33,
// Delete 34, End 35, Page Down 36, Backspace 41, F1-F12 51-62. The key-map mode is 0
// normal, 1 application mode, 2 with Shift.
#pragma once

#include <string>

#include "console/core/ConsoleView.h"
#include "framework/core/IniStore.h"

// Virtual-key codes the console looks at.
namespace ConsoleVk {
inline constexpr int Back = 0x08, Tab = 0x09, Return = 0x0D, Shift = 0x10, Control = 0x11,
                     Menu = 0x12, Hanja = 0x19, Prior = 0x21, Next = 0x22, End = 0x23, Home = 0x24,
                     Left = 0x25, Up = 0x26, Right = 0x27, Down = 0x28, Insert = 0x2D,
                     Delete = 0x2E, KeyC = 0x43, KeyH = 0x48, Numpad0 = 0x60, Numpad9 = 0x69,
                     Multiply = 0x6A, Add = 0x6B, Subtract = 0x6D, Decimal = 0x6E, Divide = 0x6F,
                     F1 = 0x70, F4 = 0x73, F10 = 0x79, F12 = 0x7B;
}  // namespace ConsoleVk

enum class KeyMessageKind { KeyDown, SysKeyDown, Char, Other };

struct KeyMessage {
    KeyMessageKind kind = KeyMessageKind::Other;
    int code = 0;           // the virtual-key code, or the character of a Char message
    bool extended = false;  // the extended-key bit of the key data (keypad Enter)
    // The modifiers as the keyboard state shows them at the moment of the key.
    bool ctrl = false;
    bool shift = false;
    bool alt = false;
};

struct KeyContext {
    bool connected = false;
    bool transferRunning = false;  // a ZModem transfer or an in-band picture runs
    bool imagePackArmed = false;   // the terminal waits for an in-band picture
    bool cursorKeyApplicationMode = false;
    bool keypadApplicationMode = false;
    bool sendEnterAsCrLf = false;
    bool localEcho = false;
    bool emulateTerminalKeypad = false;  // the setting "EmulateTerminalKeypad"
    bool koreanInput = false;   // code page 949 or the built-in fonts: the mode toggle works
    bool hangulShown = false;   // the indicator shows Hangul mode
    bool composing = false;     // a syllable is in progress
    bool scrolledBack = false;  // the user scrolled back (a live line is saved)
    bool atLiveLine = false;    // ... and the view shows the live line again
    bool dragSelection = false;
    bool canScrollUp = false;    // the first displayed line is above line 0
    bool canScrollDown = false;  // a line exists below the first displayed one
};

enum class KeyAction {
    PassOn,          // not the console's: the message takes its ordinary course
    Nothing,         // consumed without further effect
    Character,       // `character` through the automaton, then control bytes
    UndoJamo,        // Backspace takes back part of the syllable in progress
    SendBytes,       // the syllable is flushed, then `bytes` are sent and echoed
    SendMapped,      // the key map's value of mapCode/mapMode (not echoed); when it is
                     // empty, `bytes` (echoed) or, without bytes, the scroll `scroll`
    DropSyllable,    // the syllable in progress is dropped unsent
    Scroll,          // the view scrolls (`scroll`)
    ZModemUpload,    // the syllable is flushed first
    ZModemDownload,  // likewise
    CharacterTable,
    ToggleInputMode,
    Copy,
    Paste,
};

// What happens to a view the user scrolled back.
enum class ViewReturn {
    None,
    Release,  // it shows the live line already: forget the saved line
    Return,   // back to the live line, selection dropped, repainted
};

struct KeyDecision {
    bool consumed = false;  // the message goes no further (no character, no dispatch)
    ViewReturn viewReturn = ViewReturn::None;
    bool dropDrag = false;   // the drag selection is removed first
    bool keepAlive = false;  // the key counts as activity for the keep-alive timer
    KeyAction action = KeyAction::PassOn;
    int character = 0;
    int mapCode = 0;
    int mapMode = 0;
    std::string bytes;
    ScrollCode scroll = ScrollCode::Other;
};

// The decision for one key message. It has no side effects, so a caller that fails while
// acting on it still knows whether the message was consumed.
KeyDecision DecideKey(const KeyMessage& key, const KeyContext& context);

// The bytes a special key sends: the key map's value (escape text, read afresh from the
// file at every press) or, when the file lacks it, the built-in default; empty when the
// value is empty or the code and mode have none.
std::string MappedKeyBytes(const IIniStore& keyMap, int code, int mode);

// The keyboard layout the system has selected.
class KeyboardLayout {
public:
    virtual ~KeyboardLayout() = default;
    // Scan code of the key that types `ch` in this layout; -1 when no key does.
    virtual int ScanCodeOf(unsigned char ch) const = 0;
};

// The character the same key gives on a US keyboard: printable characters (33..126) are
// found by their key's scan code among the 47 keys of the main block and replaced by that
// key's US character, unshifted or shifted by the Shift key; with Caps Lock on, upper case
// without Shift and lower case with it. Anything else stays as it is.
unsigned char MapKeyToUSLayout(unsigned char ch, const KeyboardLayout& layout, bool shift,
                               bool capsLock);
