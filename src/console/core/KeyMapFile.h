// The key map file "KeyMap.INI": which escape text each special key of the PC keyboard
// sends, in up to two variants, and the two built-in sets ("Load VT100", "Load VT220").
//
// One section, "QuiroKeyMap", with 70 string values. Each value is escape text exactly as
// the user typed it; an empty value means the key sends nothing in that variant. The file
// lives in the program's folder; callers open it (TIniFile in the product) and pass it in.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "framework/core/IniStore.h"

inline constexpr std::string_view KeyMapFileName = "KeyMap.INI";
inline constexpr std::string_view KeyMapSection = "QuiroKeyMap";
inline constexpr int KeyMapValueCount = 70;

// Layout of the two edit boxes of the key-map editor for a key.
enum class KeyMapKind {
    None,      // a code that belongs to no key
    Single,    // editing keys and Backspace: one value, first box only
    Function,  // F1-F12: "_Norm" and "_Shift"
    Keypad,    // keypad keys and arrows: "_Norm" and "_Alt"
    Enter,     // keypad Enter: "KeyPadENT_Alt" only, second box
};

// Special-key codes shared by the keyboard handler and the key-map editor: keypad 0-9 are
// 1-10, / 11, * 12, - 13, + 14, . 15, keypad Enter 16, Up 21, Down 22, Left 23, Right 24,
// Insert 31, Home 32, Page Up 33, Delete 34, End 35, Page Down 36, Backspace 41, F1-F12 51-62.
struct KeyMapKey {
    int code;
    std::string_view displayName;  // as the editor shows it
    KeyMapKind kind;
    std::string_view firstValue;   // value name of the first box; empty: none
    std::string_view secondValue;  // value name of the second box; empty: none
};

struct KeyMapValue {
    std::string_view name;
    std::string_view vt100;  // "Load VT100", also the editor's fallback for a missing value
    std::string_view vt220;  // "Load VT220"
};

enum class KeyMapSet { VT100, VT220 };

// Who reads: the key-map editor falls back to the VT100 set; the console's keyboard
// handler does too, except that keypad Enter in application mode falls back to a single
// LF byte.
enum class KeyMapReader { Editor, Console };

// The 39 keys, by code.
std::span<const KeyMapKey> KeyMapKeys();
// The key of `code`, or nullptr.
const KeyMapKey* FindKeyMapKey(int code);
// The 70 values, in the order the built-in sets are written.
std::span<const KeyMapValue> KeyMapValues();
// The value named `name` (names compared as the file compares them), or nullptr.
const KeyMapValue* FindKeyMapValue(std::string_view name);

// Value name for key `code` in `variant`: 0 normal, 1 application mode, 2 with Shift.
// Keypad and arrow keys give "_Alt" only for 1, function keys "_Shift" only for 2, keypad
// Enter has a name only for 1, single keys give their one name for every variant. Empty
// when the code and variant have no value.
std::string_view KeyMapValueName(int code, int variant);
// What a missing value reads as for `reader`; empty for an unknown name.
std::string_view KeyMapFallback(std::string_view name, KeyMapReader reader);

// The escape text stored for `code` and `variant`; a missing value gives the reader's
// fallback, an empty value stays empty; a code and variant without a name give "".
std::string ReadKeyMapText(const IIniStore& file, int code, int variant, KeyMapReader reader);
// Writes the editor's two boxes for `code` (a box whose key has no value there is
// skipped). Text is stored as typed. False when a value could not be written.
bool StoreKeyMapTexts(IIniStore& file, int code, std::string_view first,
                      std::string_view second);
// Writes all 70 values of a built-in set, in order, over what is there; nothing is erased.
// Stops and returns false at the first value that could not be written.
bool WriteKeyMapDefaults(IIniStore& file, KeyMapSet set);

// Full name of the key map file in the program's folder.
std::string KeyMapFilePath(std::string_view programFolder);
