#include "console/core/KeyMapFile.h"

#include <algorithm>
#include <array>

namespace {

using K = KeyMapKind;

constexpr std::array<KeyMapKey, 39> kKeys{{
    {1, "KeyPad[0]", K::Keypad, "KeyPad0_Norm", "KeyPad0_Alt"},
    {2, "KeyPad[1]", K::Keypad, "KeyPad1_Norm", "KeyPad1_Alt"},
    {3, "KeyPad[2]", K::Keypad, "KeyPad2_Norm", "KeyPad2_Alt"},
    {4, "KeyPad[3]", K::Keypad, "KeyPad3_Norm", "KeyPad3_Alt"},
    {5, "KeyPad[4]", K::Keypad, "KeyPad4_Norm", "KeyPad4_Alt"},
    {6, "KeyPad[5]", K::Keypad, "KeyPad5_Norm", "KeyPad5_Alt"},
    {7, "KeyPad[6]", K::Keypad, "KeyPad6_Norm", "KeyPad6_Alt"},
    {8, "KeyPad[7]", K::Keypad, "KeyPad7_Norm", "KeyPad7_Alt"},
    {9, "KeyPad[8]", K::Keypad, "KeyPad8_Norm", "KeyPad8_Alt"},
    {10, "KeyPad[9]", K::Keypad, "KeyPad9_Norm", "KeyPad9_Alt"},
    {11, "KeyPad[]", K::Keypad, "KeyPadSlash_Norm", "KeyPadSlash_Alt"},
    {12, "KeyPad[*]", K::Keypad, "KeyPadMult_Norm", "KeyPadMult_Alt"},
    {13, "KeyPad[-]", K::Keypad, "KeyPadMinus_Norm", "KeyPadMinus_Alt"},
    {14, "KeyPad[+]", K::Keypad, "KeyPadPlus_Norm", "KeyPadPlus_Alt"},
    {15, "KeyPad[.]", K::Keypad, "KeyPadDot_Norm", "KeyPadDot_Alt"},
    {16, "KeyPad[<ENTER>]", K::Enter, "", "KeyPadENT_Alt"},
    {21, "Arrow - Up", K::Keypad, "KeyUp_Norm", "KeyUp_Alt"},
    {22, "Arrow - Down", K::Keypad, "KeyDown_Norm", "KeyDown_Alt"},
    {23, "Arrow - Left", K::Keypad, "KeyLeft_Norm", "KeyLeft_Alt"},
    {24, "Arrow - Right", K::Keypad, "KeyRight_Norm", "KeyRight_Alt"},
    {31, "Insert", K::Single, "KeyIns", ""},
    {32, "Home", K::Single, "KeyHome", ""},
    {33, "PageUp", K::Single, "KeyPgUp", ""},
    {34, "Delete", K::Single, "KeyDel", ""},
    {35, "End", K::Single, "KeyEnd", ""},
    {36, "PageDown", K::Single, "KeyPgDn", ""},
    {41, "Backspace", K::Single, "KeyBackspace", ""},
    {51, "F1", K::Function, "KeyF1_Norm", "KeyF1_Shift"},
    {52, "F2", K::Function, "KeyF2_Norm", "KeyF2_Shift"},
    {53, "F3", K::Function, "KeyF3_Norm", "KeyF3_Shift"},
    {54, "F4", K::Function, "KeyF4_Norm", "KeyF4_Shift"},
    {55, "F5", K::Function, "KeyF5_Norm", "KeyF5_Shift"},
    {56, "F6", K::Function, "KeyF6_Norm", "KeyF6_Shift"},
    {57, "F7", K::Function, "KeyF7_Norm", "KeyF7_Shift"},
    {58, "F8", K::Function, "KeyF8_Norm", "KeyF8_Shift"},
    {59, "F9", K::Function, "KeyF9_Norm", "KeyF9_Shift"},
    {60, "F10", K::Function, "KeyF10_Norm", "KeyF10_Shift"},
    {61, "F11", K::Function, "KeyF11_Norm", "KeyF11_Shift"},
    {62, "F12", K::Function, "KeyF12_Norm", "KeyF12_Shift"},
}};

// In the order the built-in sets are written.
constexpr std::array<KeyMapValue, KeyMapValueCount> kValues{{
    {"KeyPad0_Norm", "0", "0"},
    {"KeyPad0_Alt", "\\x1BOp", "\\x1BOp"},
    {"KeyPad1_Norm", "1", "1"},
    {"KeyPad1_Alt", "\\x1BOq", "\\x1BOq"},
    {"KeyPad2_Norm", "2", "2"},
    {"KeyPad2_Alt", "\\x1BOr", "\\x1BOr"},
    {"KeyPad3_Norm", "3", "3"},
    {"KeyPad3_Alt", "\\x1BOs", "\\x1BOs"},
    {"KeyPad4_Norm", "4", "4"},
    {"KeyPad4_Alt", "\\x1BOt", "\\x1BOt"},
    {"KeyPad5_Norm", "5", "5"},
    {"KeyPad5_Alt", "\\x1BOu", "\\x1BOu"},
    {"KeyPad6_Norm", "6", "6"},
    {"KeyPad6_Alt", "\\x1BOv", "\\x1BOv"},
    {"KeyPad7_Norm", "7", "7"},
    {"KeyPad7_Alt", "\\x1BOw", "\\x1BOw"},
    {"KeyPad8_Norm", "8", "8"},
    {"KeyPad8_Alt", "\\x1BOx", "\\x1BOx"},
    {"KeyPad9_Norm", "9", "9"},
    {"KeyPad9_Alt", "\\x1BOy", "\\x1BOy"},
    {"KeyPadSlash_Norm", "/", "/"},
    {"KeyPadSlash_Alt", "/", "/"},
    {"KeyPadMult_Norm", "*", "*"},
    {"KeyPadMult_Alt", "*", "*"},
    {"KeyPadMinus_Norm", "-", "-"},
    {"KeyPadMinus_Alt", "\\x1BOm", "\\x1BOm"},
    {"KeyPadPlus_Norm", "+", "+"},
    {"KeyPadPlus_Alt", "+", "+"},
    {"KeyPadDot_Norm", ".", "."},
    {"KeyPadDot_Alt", "\\x1BOn", "\\x1BOn"},
    {"KeyPadENT_Alt", "\\x1BOM", "\\x1BOM"},
    {"KeyUp_Norm", "\\x1B[A", "\\x1B[A"},
    {"KeyUp_Alt", "\\x1BOA", "\\x1BOA"},
    {"KeyDown_Norm", "\\x1B[B", "\\x1B[B"},
    {"KeyDown_Alt", "\\x1BOB", "\\x1BOB"},
    {"KeyLeft_Norm", "\\x1B[D", "\\x1B[D"},
    {"KeyLeft_Alt", "\\x1BOD", "\\x1BOD"},
    {"KeyRight_Norm", "\\x1B[C", "\\x1B[C"},
    {"KeyRight_Alt", "\\x1BOC", "\\x1BOC"},
    {"KeyBackspace", "\\x08", "\\x08"},
    {"KeyIns", "", "\\x1B[2~"},
    {"KeyHome", "", "\\x1B[1~"},
    {"KeyPgUp", "", "\\x1B[5~"},
    {"KeyDel", "\\x7F", "\\x7F"},
    {"KeyEnd", "", "\\x1B[4~"},
    {"KeyPgDn", "", "\\x1B[6~"},
    {"KeyF1_Norm", "\\x1BOP", ""},
    {"KeyF1_Shift", "", "\\x1B[25~"},
    {"KeyF2_Norm", "\\x1BOQ", ""},
    {"KeyF2_Shift", "", "\\x1B[26~"},
    {"KeyF3_Norm", "\\x1BOR", ""},
    {"KeyF3_Shift", "", "\\x1B[28~"},
    {"KeyF4_Norm", "\\x1BOS", ""},
    {"KeyF4_Shift", "", "\\x1B[29~"},
    {"KeyF5_Norm", "\\x1BOt", ""},
    {"KeyF5_Shift", "", "\\x1B[31~"},
    {"KeyF6_Norm", "\\x1BOu", "\\x1B[17~"},
    {"KeyF6_Shift", "", "\\x1B[32~"},
    {"KeyF7_Norm", "\\x1BOv", "\\x1B[18~"},
    {"KeyF7_Shift", "", "\\x1B[33~"},
    {"KeyF8_Norm", "\\x1BOl", "\\x1B[19~"},
    {"KeyF8_Shift", "", "\\x1B[34~"},
    {"KeyF9_Norm", "\\x1BOw", "\\x1B[20~"},
    {"KeyF9_Shift", "", "\\x1BOP"},
    {"KeyF10_Norm", "\\x1BOx", "\\x1B[21~"},
    {"KeyF10_Shift", "", "\\x1BOQ"},
    {"KeyF11_Norm", "\\x1BOy", "\\x1B[23~"},
    {"KeyF11_Shift", "", "\\x1BOR"},
    {"KeyF12_Norm", "\\x1BOz", "\\x1B[24~"},
    {"KeyF12_Shift", "", "\\x1BOS"},
}};

// The console's fallback for keypad Enter in application mode: one LF byte, not escape
// text (it expands to itself).
constexpr std::string_view kConsoleEnterFallback = "\n";

// Writes one value so that it reads back exactly as given.
bool WriteText(IIniStore& file, std::string_view name, std::string_view text) {
    const auto encoded = EncodeIniValue(text);
    return encoded && file.WriteValue(KeyMapSection, name, *encoded);
}

}  // namespace

std::span<const KeyMapKey> KeyMapKeys() { return kKeys; }

const KeyMapKey* FindKeyMapKey(int code) {
    const auto it = std::find_if(kKeys.begin(), kKeys.end(),
                                 [code](const KeyMapKey& k) { return k.code == code; });
    return it == kKeys.end() ? nullptr : &*it;
}

std::span<const KeyMapValue> KeyMapValues() { return kValues; }

const KeyMapValue* FindKeyMapValue(std::string_view name) {
    // Names from the key table match exactly; others are compared as the file compares.
    auto it = std::find_if(kValues.begin(), kValues.end(),
                           [name](const KeyMapValue& v) { return v.name == name; });
    if (it == kValues.end()) {
        it = std::find_if(kValues.begin(), kValues.end(),
                          [name](const KeyMapValue& v) { return SameIniName(v.name, name); });
    }
    return it == kValues.end() ? nullptr : &*it;
}

std::string_view KeyMapValueName(int code, int variant) {
    const KeyMapKey* key = FindKeyMapKey(code);
    if (!key) return {};
    switch (key->kind) {
        case KeyMapKind::Keypad:
        case KeyMapKind::Enter:
            return variant == 1 ? key->secondValue : key->firstValue;
        case KeyMapKind::Function:
            return variant == 2 ? key->secondValue : key->firstValue;
        case KeyMapKind::Single:
        case KeyMapKind::None:
            break;
    }
    return key->firstValue;
}

std::string_view KeyMapFallback(std::string_view name, KeyMapReader reader) {
    const KeyMapValue* value = FindKeyMapValue(name);
    if (!value) return {};
    if (reader == KeyMapReader::Console && value->name == "KeyPadENT_Alt") {
        return kConsoleEnterFallback;
    }
    return value->vt100;
}

std::string ReadKeyMapText(const IIniStore& file, int code, int variant, KeyMapReader reader) {
    const std::string_view name = KeyMapValueName(code, variant);
    if (name.empty()) return {};
    if (auto stored = file.ReadValue(KeyMapSection, name)) return std::move(*stored);
    return std::string(KeyMapFallback(name, reader));
}

bool StoreKeyMapTexts(IIniStore& file, int code, std::string_view first,
                      std::string_view second) {
    const KeyMapKey* key = FindKeyMapKey(code);
    if (!key) return true;
    bool ok = true;
    if (!key->firstValue.empty()) ok = WriteText(file, key->firstValue, first) && ok;
    if (!key->secondValue.empty()) ok = WriteText(file, key->secondValue, second) && ok;
    return ok;
}

bool WriteKeyMapDefaults(IIniStore& file, KeyMapSet set) {
    for (const KeyMapValue& v : kValues) {
        if (!WriteText(file, v.name, set == KeyMapSet::VT100 ? v.vt100 : v.vt220)) return false;
    }
    return true;
}

std::string KeyMapFilePath(std::string_view programFolder) {
    return IniFilePath(programFolder, KeyMapFileName);
}
