#include "console/core/ConsoleKeys.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "console/core/EscapeText.h"
#include "console/core/KeyMapFile.h"

namespace {

namespace Vk = ConsoleVk;

bool IsModifier(int k) {
    return k == Vk::Menu || k == Vk::Shift || k == Vk::Control;
}

KeyDecision Consumed(KeyDecision d, KeyAction action) {
    d.consumed = true;
    d.action = action;
    return d;
}

KeyDecision Mapped(KeyDecision d, int code, int mode, std::string fallback = {},
                   ScrollCode scroll = ScrollCode::Other) {
    d = Consumed(std::move(d), KeyAction::SendMapped);
    d.mapCode = code;
    d.mapMode = mode;
    d.bytes = std::move(fallback);
    d.scroll = scroll;
    return d;
}

// Key-down while typing to the host.
KeyDecision TypingKey(const KeyMessage& key, const KeyContext& c) {
    KeyDecision d;
    d.keepAlive = true;
    const int k = key.code;

    // A key while scrolled back returns the view first and is not sent, except the
    // copy and paste shortcuts, which work on what is shown.
    if (c.scrolledBack && !IsModifier(k) && k != Vk::Prior && k != Vk::Next) {
        if (c.atLiveLine) {
            d.viewReturn = ViewReturn::Release;
        } else if (!key.ctrl && !((k == Vk::Insert || k == Vk::KeyC) && key.shift)) {
            d.viewReturn = ViewReturn::Return;
            return Consumed(std::move(d), KeyAction::Nothing);
        }
    }
    if (c.dragSelection && !IsModifier(k) && k != Vk::Insert && !key.ctrl && k != Vk::KeyC)
        d.dropDrag = true;

    const int keypadMode = c.keypadApplicationMode ? 1 : 0;
    switch (k) {
        case Vk::Back:
            if (c.composing) return Consumed(std::move(d), KeyAction::UndoJamo);
            if (key.ctrl) {
                d.bytes = "\x7F";
                return Consumed(std::move(d), KeyAction::SendBytes);
            }
            return Mapped(std::move(d), 41, 0, "\x08");
        case Vk::Tab:
            d.bytes = "\t";
            return Consumed(std::move(d), KeyAction::SendBytes);
        case Vk::Return:
            if (key.extended && c.emulateTerminalKeypad && c.keypadApplicationMode)
                return Mapped(std::move(d), 16, 1);
            return d;  // the character message sends Enter
        case Vk::Hanja:
            return Consumed(std::move(d), KeyAction::CharacterTable);
        case Vk::Prior:
            if (key.ctrl) return Consumed(std::move(d), KeyAction::ZModemUpload);
            return Mapped(std::move(d), 33, 0, {}, ScrollCode::PageUp);
        case Vk::Next:
            if (key.ctrl) return Consumed(std::move(d), KeyAction::ZModemDownload);
            return Mapped(std::move(d), 36, 0, {}, ScrollCode::PageDown);
        case Vk::End:
            return Mapped(std::move(d), 35, 0);
        case Vk::Home:
            return Mapped(std::move(d), 32, 0);
        case Vk::Left:
        case Vk::Up:
        case Vk::Right:
        case Vk::Down: {
            static constexpr int kArrowCodes[] = {23, 21, 24, 22};
            return Mapped(std::move(d), kArrowCodes[k - Vk::Left],
                          c.cursorKeyApplicationMode ? 1 : 0);
        }
        case Vk::Insert:
            if (key.ctrl || key.shift || key.alt) return d;
            return Mapped(std::move(d), 31, 0);
        case Vk::Delete:
            if (c.hangulShown && c.composing)
                return Consumed(std::move(d), KeyAction::DropSyllable);
            return Mapped(std::move(d), 34, 0, "\x7F");
        case Vk::Multiply:
        case Vk::Add:
        case Vk::Subtract:
        case Vk::Decimal:
        case Vk::Divide: {
            if (!c.emulateTerminalKeypad) return d;
            // * + (separator) - . /
            static constexpr int kSignCodes[] = {12, 14, 0, 13, 15, 11};
            return Mapped(std::move(d), kSignCodes[k - Vk::Multiply], keypadMode);
        }
        default:
            break;
    }
    if (k >= Vk::Numpad0 && k <= Vk::Numpad9) {
        if (!c.emulateTerminalKeypad) return d;
        return Mapped(std::move(d), 1 + k - Vk::Numpad0, keypadMode);
    }
    if (k >= Vk::F1 && k <= Vk::F12) {
        if (k == Vk::F4 && key.alt) return d;
        return Mapped(std::move(d), 51 + k - Vk::F1, key.shift ? 2 : 0);
    }
    return d;
}

// Key-down while a transfer runs or a picture is awaited: the keys only move the view.
KeyDecision ViewingKey(const KeyMessage& key, const KeyContext& c) {
    KeyDecision d;
    const int k = key.code;
    if (c.scrolledBack && k != Vk::Prior && k != Vk::Next && k != Vk::Up && k != Vk::Down) {
        if (c.atLiveLine) {
            d.viewReturn = ViewReturn::Release;
            return d;
        }
        d.viewReturn = ViewReturn::Return;
        return Consumed(std::move(d), KeyAction::Nothing);
    }
    switch (k) {
        case Vk::Prior:
        case Vk::Next:
            d.scroll = k == Vk::Prior ? ScrollCode::PageUp : ScrollCode::PageDown;
            return Consumed(std::move(d), KeyAction::Scroll);
        case Vk::Up:
        case Vk::Down: {
            const bool can = k == Vk::Up ? c.canScrollUp : c.canScrollDown;
            if (!can) return Consumed(std::move(d), KeyAction::Nothing);
            d.scroll = k == Vk::Up ? ScrollCode::LineUp : ScrollCode::LineDown;
            return Consumed(std::move(d), KeyAction::Scroll);
        }
        case Vk::Left:
        case Vk::Right:
            return Consumed(std::move(d), KeyAction::Nothing);
        default:
            return d;
    }
}

// The console menu's shortcuts, for keys the console itself did not take.
KeyDecision Shortcut(KeyDecision d, const KeyMessage& key, const KeyContext& c) {
    const int k = key.code;
    const bool ctrlOnly = key.ctrl && !key.shift && !key.alt;
    if (key.kind == KeyMessageKind::SysKeyDown) {
        if (k == Vk::KeyH && key.alt && !key.ctrl && !key.shift && c.koreanInput)
            return Consumed(std::move(d), KeyAction::ToggleInputMode);
        return d;
    }
    if (key.kind != KeyMessageKind::KeyDown) return d;
    if (ctrlOnly && (k == Vk::Insert || k == Vk::KeyC) && c.dragSelection)
        return Consumed(std::move(d), KeyAction::Copy);
    if (k == Vk::Insert && key.shift && !key.ctrl && !key.alt && c.connected)
        return Consumed(std::move(d), KeyAction::Paste);
    return d;
}

// The scan codes of the 47 keys of the main block, and each key's US characters
// (unshifted, shifted) in the same order.
constexpr std::array<unsigned char, 47> kScanCodes{
    0x29, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x2B, 0x10, 0x11,
    0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B, 0x1E, 0x1F, 0x20, 0x21, 0x22, 0x23,
    0x24, 0x25, 0x26, 0x27, 0x28, 0x2C, 0x2D, 0x2E, 0x2F, 0x30, 0x31, 0x32, 0x33, 0x34, 0x35};
constexpr char kUsKeys[] =
    "`~1!2@3#4$5%6^7&8*9(0)-_=+\\|qQwWeErRtTyYuUiIoOpP[{]}aAsSdDfFgGhHjJkKlL;:'\"zZxXcCvVbBnNmM,<.>"
    "/?";
static_assert(sizeof kUsKeys - 1 == 2 * kScanCodes.size());

unsigned char ToUpper(unsigned char c) {
    return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c;
}
unsigned char ToLower(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c;
}

}  // namespace

KeyDecision DecideKey(const KeyMessage& key, const KeyContext& c) {
    KeyMessage k = key;
    // F10 comes as a system key (it would open the window menu) but is a terminal key.
    if (k.kind == KeyMessageKind::SysKeyDown && k.code == ConsoleVk::F10 && !k.alt)
        k.kind = KeyMessageKind::KeyDown;

    KeyDecision d;
    if (c.connected) {
        if (c.transferRunning || c.imagePackArmed) {
            if (k.kind == KeyMessageKind::KeyDown) d = ViewingKey(k, c);
        } else if (k.kind == KeyMessageKind::Char) {
            d.keepAlive = true;
            d.character = k.code;
            d = Consumed(std::move(d), KeyAction::Character);
        } else if (k.kind == KeyMessageKind::KeyDown) {
            d = TypingKey(k, c);
        }
    }
    if (d.consumed) return d;
    return Shortcut(std::move(d), k, c);
}

std::string MappedKeyBytes(const IIniStore& keyMap, int code, int mode) {
    return ExpandEscapes(ReadKeyMapText(keyMap, code, mode, KeyMapReader::Console));
}

unsigned char MapKeyToUSLayout(unsigned char ch, const KeyboardLayout& layout, bool shift,
                               bool capsLock) {
    if (ch < 33 || ch > 126) return ch;
    const int scan = layout.ScanCodeOf(ch);
    const auto it = std::find(kScanCodes.begin(), kScanCodes.end(), scan);
    if (scan < 0 || it == kScanCodes.end()) return ch;
    const auto key = static_cast<size_t>(std::distance(kScanCodes.begin(), it));
    const auto us = static_cast<unsigned char>(kUsKeys[2 * key + (shift ? 1 : 0)]);
    if (!capsLock) return us;
    return shift ? ToLower(us) : ToUpper(us);
}
