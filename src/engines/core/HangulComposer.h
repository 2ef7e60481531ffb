// The Hangul keyboard automaton shared by the console (TDravelHanguel) and the capture
// editor (IDravelHanguel): key tables of the three layouts, the combination, split and
// backspace tables and the state machine, composing one Johab syllable at a time.
//
// Layouts (HanguelKeyLayoutMode): 1 = 2-set, 2 = 3-set 390, 3 = 3-set final; any other
// value composes as 2-set. A Johab syllable packs, from the most significant bit: 1,
// initial (5 bits), medial (5 bits), final (5 bits); part codes are the Johab ones
// (initial fill 1, medial fill 2, final fill 1).
//
// Finished bytes (KS C 5601 pairs and single characters) collect in an output string that
// the owner takes after every key. A syllable that is not a whole syllable (a lone
// consonant, a lone vowel, a lone final, a vowel with a lone final) is sent as the
// compatibility jamo of its parts, so no key turns into the placeholder.
#pragma once

#include <cstdint>
#include <string>

namespace quiro::engines {

// The keyboard state the automata read besides the character itself. The Win32 side
// answers from the system's key state; tests and tools set fixed flags.
class HangulKeyState {
public:
    virtual ~HangulKeyState() = default;
    virtual bool ShiftDown() const = 0;
    virtual bool CapsLockOn() const = 0;
};

class HangulKeyFlags final : public HangulKeyState {
public:
    bool Shift = false;
    bool CapsLock = false;
    bool ShiftDown() const override { return Shift; }
    bool CapsLockOn() const override { return CapsLock; }
};

class HangulComposer {
public:
    enum State : int { Empty = 31, Initial = 32, Medial = 33, Final = 34 };

    // emptySyllable: the syllable value after End() (the console keeps 0x8441, the editor 0).
    explicit HangulComposer(uint16_t emptySyllable);

    void SetLayout(int layout) { FLayout = layout; }
    int Layout() const { return FLayout; }

    // One printable key (0x20-0x7F) while Hangul input is on. With Caps Lock on, letters
    // are looked up with their case inverted. Keys that are no jamo in the layout flush the
    // syllable, end the composition and are output as their own (or replacement) character.
    void Key(unsigned char c, bool capsLock);
    // Undoes the last part of the syllable; false when nothing is being composed.
    bool Backspace();
    // Appends the syllable in progress, if any, to the output (the state is kept).
    void Flush();
    // Drops the syllable in progress: empty syllable, state Empty.
    void End();

    State CurrentState() const { return FState; }
    uint16_t Syllable() const { return FSyllable; }

    // The syllable in progress as KS C 5601 bytes; empty when nothing is composed. Two
    // characters (4 bytes) for a vowel with a lone final (3-set), else one pair.
    std::string ComposingText() const;

    void Append(char c) { FOutput.push_back(c); }
    bool HasOutput() const { return !FOutput.empty(); }
    const std::string& Output() const { return FOutput; }
    std::string TakeOutput();
    // Removes the first n bytes of the output (they were handed out).
    void ConsumeOutput(size_t n) { FOutput.erase(0, n); }
    void ClearOutput() { FOutput.clear(); }

    // KS C 5601 bytes for a Johab code: a whole syllable as its pair (0xA2AF when KS C 5601
    // lacks it); a syllable with fill parts as the compatibility jamo of its other parts;
    // the empty syllable as the ideographic space; a code without the top bit as 0xA2AF.
    static std::string SyllableToKsc(uint16_t johab);
    // The first KS C 5601 code of SyllableToKsc.
    static uint16_t SyllableToKscCode(uint16_t johab);

private:
    void TwoSetKey(unsigned char c);
    void ThreeSetKey(unsigned char c);
    void Other(unsigned char c);
    void StartSyllable(int initial);
    void SetMedial(int medial);
    void SetFinal(int final);
    int InitialPart() const { return (FSyllable >> 10) & 0x1F; }
    int MedialPart() const { return (FSyllable >> 5) & 0x1F; }
    int FinalPart() const { return FSyllable & 0x1F; }

    std::string FOutput;
    int FLayout = 1;
    State FState = Empty;
    uint16_t FEmptySyllable;
    uint16_t FSyllable;
};

}  // namespace quiro::engines
