#include "framework/core/ShortCuts.h"

#include <cctype>

namespace {

// Names of the keys that are not a letter or digit, by virtual-key code (the OEM keys
// by their place on a US keyboard).
const char* KeyName(unsigned key) {
    switch (key) {
        case 0x08:
            return "BkSp";
        case 0x09:
            return "Tab";
        case 0x0D:
            return "Enter";
        case 0x1B:
            return "Esc";
        case 0x20:
            return "Space";
        case 0x21:
            return "PgUp";
        case 0x22:
            return "PgDn";
        case 0x23:
            return "End";
        case 0x24:
            return "Home";
        case 0x25:
            return "Left";
        case 0x26:
            return "Up";
        case 0x27:
            return "Right";
        case 0x28:
            return "Down";
        case 0x2D:
            return "Ins";
        case 0x2E:
            return "Del";
        case 0x6A:
            return "Num *";
        case 0x6B:
            return "Num +";
        case 0x6D:
            return "Num -";
        case 0x6E:
            return "Num Del";
        case 0x6F:
            return "Num /";
        case 0xBA:
            return ";";
        case 0xBB:
            return "=";
        case 0xBC:
            return ",";
        case 0xBD:
            return "-";
        case 0xBE:
            return ".";
        case 0xBF:
            return "/";
        case 0xC0:
            return "`";
        case 0xDB:
            return "[";
        case 0xDC:
            return "\\";
        case 0xDD:
            return "]";
        case 0xDE:
            return "'";
        default:
            return nullptr;
    }
}

}  // namespace

TShortCut ShortCut(uint16_t key, TShiftState shift) {
    if (key & 0xFF00) return scNone;
    TShortCut s = key;
    if (shift & ssShift) s |= scShift;
    if (shift & ssCtrl) s |= scCtrl;
    if (shift & ssAlt) s |= scAlt;
    return s;
}

void ShortCutToKey(TShortCut shortCut, uint16_t& key, TShiftState& shift) {
    key = shortCut & 0xFF;
    shift = 0;
    if (shortCut & scShift) shift |= ssShift;
    if (shortCut & scCtrl) shift |= ssCtrl;
    if (shortCut & scAlt) shift |= ssAlt;
}

std::string ShortCutToText(TShortCut shortCut) {
    unsigned key = shortCut & 0xFF;
    std::string name;
    if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) {
        name = std::string(1, static_cast<char>(key));
    } else if (key >= 0x60 && key <= 0x69) {
        name = "Num " + std::string(1, static_cast<char>('0' + key - 0x60));
    } else if (key >= 0x70 && key <= 0x87) {
        name = "F" + std::to_string(key - 0x70 + 1);
    } else if (const char* n = KeyName(key)) {
        name = n;
    } else {
        return std::string();
    }
    std::string text;
    if (shortCut & scShift) text += "Shift+";
    if (shortCut & scCtrl) text += "Ctrl+";
    if (shortCut & scAlt) text += "Alt+";
    return text + name;
}

char AccelChar(const std::string& caption) {
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        if (caption[i + 1] == '&') {
            ++i;
            continue;
        }
        auto c = static_cast<unsigned char>(caption[i + 1]);
        return c < 0x80 ? static_cast<char>(std::toupper(c)) : static_cast<char>(c);
    }
    return 0;
}

bool IsAccel(char ch, const std::string& caption) {
    char accel = AccelChar(caption);
    if (!accel) return false;
    auto c = static_cast<unsigned char>(ch);
    char up = c < 0x80 ? static_cast<char>(std::toupper(c)) : ch;
    return up == accel;
}

std::string StripHotkey(const std::string& caption) {
    std::string out;
    out.reserve(caption.size());
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] != '&') {
            out += caption[i];
        } else if (i + 1 < caption.size() && caption[i + 1] == '&') {
            out += '&';
            ++i;
        }
    }
    return out;
}
