// IDravelHanguel: the capture editor's Hangul keyboard automaton. It composes with the
// console's automaton (HangulComposer) but draws nothing, has no code-page condition and
// leaves Shift+Space to its caller (ToggleHanguel). The caller inserts the output into
// the editor after every key and handles every key that ProcessKey did not consume.
#pragma once

#include <cstdint>
#include <string>

#include "engines/core/HangulComposer.h"

class IDravelHanguel {
public:
    // The most bytes one key can produce: a flushed vowel with a lone final (two jamo)
    // and one character.
    static constexpr int MaxKeyOutput = 5;

    IDravelHanguel();

    // 1 when the key was consumed, 0 when the caller must handle it itself. A control
    // character (CR, Tab, ESC, ...) flushes the syllable and is then left to the caller,
    // which inserts the output first.
    int ProcessKey(unsigned char c);
    // Copies up to size - 1 finished bytes and a NUL into buffer and returns how many;
    // bytes that do not fit stay for the next call (a buffer of MaxKeyOutput + 1 bytes
    // always takes everything one key produced).
    int TakeOutput(char* buffer, int size);
    std::string TakeOutput();
    int IsOutputReady() const { return FComposer.HasOutput() ? 1 : 0; }
    // Whether a syllable is in progress; with text, its KS C 5601 bytes (empty when none).
    int GetComposing(std::string* text = nullptr) const;
    // The backspace rule of the console automaton; 0 when Hangul is off or nothing is
    // being composed.
    int Backspace();
    // Drops the syllable in progress (nothing is output).
    void ResetAutomaton();
    // Flushes the syllable in progress to the output, resets and switches Hangul on/off.
    void ToggleHanguel();
    int IsHanguelOn() const { return FHanguelOn; }
    void SetKeyboardLayout(int layout) { FComposer.SetLayout(layout); }
    int GetKeyboardLayout() const { return FComposer.Layout(); }
    // The current Johab syllable as one KS C 5601 code (0x8441 gives 0xA1A1).
    uint16_t JohabToKsc() const;
    // Caps Lock; without a key state it reads as off.
    void SetKeyState(const quiro::engines::HangulKeyState* keys) { FKeys = keys; }

private:
    quiro::engines::HangulComposer FComposer;
    int FHanguelOn = 0;
    const quiro::engines::HangulKeyState* FKeys = nullptr;
};
