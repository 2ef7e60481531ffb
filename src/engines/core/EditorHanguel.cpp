#include "engines/core/EditorHanguel.h"

#include <algorithm>
#include <cstring>

using quiro::engines::HangulComposer;

IDravelHanguel::IDravelHanguel() : FComposer(0) {
    FComposer.SetLayout(1);
}

int IDravelHanguel::ProcessKey(unsigned char c) {
    if (!FHanguelOn) return 0;
    if (c >= 0x20 && c <= 0x7E) {
        FComposer.Key(c, FKeys && FKeys->CapsLockOn());
        return 1;
    }
    if (c == 8) return Backspace();
    if (c == 0x7F) {
        if (FComposer.CurrentState() == HangulComposer::Empty) return 0;
        ResetAutomaton();
        return 1;
    }
    if (c < 0x80) {
        // The caller inserts the syllable, then acts on the key (Enter breaks the line).
        FComposer.Flush();
        ResetAutomaton();
    }
    return 0;
}

int IDravelHanguel::TakeOutput(char* buffer, int size) {
    if (!buffer || size <= 0) return 0;
    const std::string& out = FComposer.Output();
    const size_t n = std::min(out.size(), static_cast<size_t>(size - 1));
    std::memcpy(buffer, out.data(), n);
    buffer[n] = '\0';
    FComposer.ConsumeOutput(n);
    return static_cast<int>(n);
}

std::string IDravelHanguel::TakeOutput() {
    return FComposer.TakeOutput();
}

int IDravelHanguel::GetComposing(std::string* text) const {
    if (text) *text = FComposer.ComposingText();
    return FComposer.CurrentState() != HangulComposer::Empty ? 1 : 0;
}

int IDravelHanguel::Backspace() {
    if (!FHanguelOn) return 0;
    return FComposer.Backspace() ? 1 : 0;
}

void IDravelHanguel::ResetAutomaton() {
    FComposer.End();
}

void IDravelHanguel::ToggleHanguel() {
    FComposer.Flush();
    ResetAutomaton();
    FHanguelOn = FHanguelOn ? 0 : 1;
}

uint16_t IDravelHanguel::JohabToKsc() const {
    return HangulComposer::SyllableToKscCode(FComposer.Syllable());
}
