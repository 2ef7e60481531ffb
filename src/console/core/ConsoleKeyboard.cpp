#include "console/core/ConsoleKeyboard.h"

#include <exception>

ConsoleKeyboard::ConsoleKeyboard(TDravelHanguel& hangul, const IIniStore& keyMap,
                                 const KeyboardLayout& layout,
                                 const quiro::engines::HangulKeyState& keys, ConsoleKeyHost& host)
    : hangul_(hangul), keyMap_(keyMap), layout_(layout), keys_(keys), host_(host) {}

bool ConsoleKeyboard::HandleKeyMessage(const KeyMessage& key, KeyContext context) {
    context.composing = hangul_.IsComposing() != 0;
    context.hangulShown = shownMode_ == 1;
    const KeyDecision d = DecideKey(key, context);
    try {
        Act(d, context);
        if (d.action == KeyAction::Character) TypeCharacter(d.character, key, context);
        if (d.keepAlive) host_.KeyTyped();
    } catch (const std::exception& e) {
        host_.ReportFailure(e.what());
    } catch (...) {
        host_.ReportFailure("The key could not be handled.");
    }
    return d.consumed;
}

void ConsoleKeyboard::Act(const KeyDecision& d, const KeyContext& c) {
    if (d.viewReturn != ViewReturn::None) host_.ReturnView(d.viewReturn == ViewReturn::Return);
    if (d.dropDrag) host_.DropDragSelection();
    const bool echo = c.localEcho;
    switch (d.action) {
        case KeyAction::UndoJamo:
            hangul_.Backspace();
            break;
        case KeyAction::SendBytes:
            FlushHangulSyllable(echo);
            Send(d.bytes, echo);
            break;
        case KeyAction::SendMapped:
            if (SendMappedKey(d.mapCode, d.mapMode, echo)) break;
            if (!d.bytes.empty())
                Send(d.bytes, echo);
            else if (d.scroll != ScrollCode::Other)
                host_.ScrollView(d.scroll);
            break;
        case KeyAction::DropSyllable:
            hangul_.ResetComposition();
            break;
        case KeyAction::Scroll:
            host_.ScrollView(d.scroll);
            break;
        case KeyAction::ZModemUpload:
        case KeyAction::ZModemDownload:
            FlushHangulSyllable(echo);
            host_.StartZModem(d.action == KeyAction::ZModemUpload);
            break;
        case KeyAction::CharacterTable:
            host_.ShowCharacterTable();
            break;
        case KeyAction::ToggleInputMode:
            ToggleInputMode(echo);
            break;
        case KeyAction::Copy:
            host_.CopySelection();
            break;
        case KeyAction::Paste:
            host_.PasteClipboard();
            break;
        case KeyAction::PassOn:
        case KeyAction::Nothing:
        case KeyAction::Character:
            break;
    }
}

void ConsoleKeyboard::TypeCharacter(int character, const KeyMessage& key, const KeyContext& c) {
    auto k = static_cast<unsigned char>(character);
    if (hangul_.GetHanguelMode())
        k = MapKeyToUSLayout(k, layout_, keys_.ShiftDown(), keys_.CapsLockOn());
    if (hangul_.InputChar(k)) SendOutput(c.localEcho);
    host_.ShowComposition();
    SyncInputMode();
    if (k >= 32 || k == 8) return;
    if (k == '\n')
        Send(key.ctrl ? "\r\n" : "\n", c.localEcho);  // Ctrl+Enter
    else if (k == '\r')
        Send(c.sendEnterAsCrLf ? "\r\n" : "\r", c.localEcho);
    else
        Send(std::string(1, static_cast<char>(k)), c.localEcho);
}

void ConsoleKeyboard::Send(const std::string& bytes, bool echo) {
    host_.SendString(bytes);
    if (echo) host_.EchoLocally(bytes);
}

void ConsoleKeyboard::SendOutput(bool localEcho) {
    const std::string out = hangul_.GetOutput();
    if (!out.empty()) Send(out, localEcho);
}

void ConsoleKeyboard::FlushHangulSyllable(bool localEcho) {
    if (!hangul_.IsComposing()) return;
    const std::string syllable = hangul_.GetComposingText();
    hangul_.ResetComposition();
    Send(syllable, localEcho);
}

bool ConsoleKeyboard::SendMappedKey(int code, int mode, bool localEcho) {
    const std::string bytes = MappedKeyBytes(keyMap_, code, mode);
    FlushHangulSyllable(localEcho);
    if (bytes.empty()) return false;
    host_.SendString(bytes);
    return true;
}

void ConsoleKeyboard::SetInputMode(int mode, bool localEcho) {
    if (mode) {
        hangul_.SetHanguelMode(1);
    } else {
        if (hangul_.SetHanguelMode(0)) SendOutput(localEcho);
        hangul_.ResetComposition();
    }
    SyncInputMode();
}

void ConsoleKeyboard::SyncInputMode() {
    const int mode = hangul_.GetHanguelMode();
    if (mode == shownMode_) return;
    shownMode_ = mode;
    if (mode) hangul_.ResetComposition();
    host_.ShowInputMode(mode, hangul_.GetKeyboardLayout());
}
