#include "engines/core/HangulComposer.h"

#include "engines/core/KscJohab.h"

namespace quiro::engines {

namespace {

constexpr int kFillInitial = 1;
constexpr int kFillMedial = 2;
constexpr int kFillFinal = 1;

constexpr uint16_t MakeJohab(int initial, int medial, int final) {
    return static_cast<uint16_t>(0x8000 | (initial << 10) | (medial << 5) | final);
}

// clang-format off
// 2-set letters: a consonant has an initial code and a final code (0: cannot close a
// syllable); a vowel has a medial code.
struct TwoSetEntry {
    uint8_t initial;
    uint8_t final;
    uint8_t medial;
};
constexpr TwoSetEntry C(int initial, int final) { return {uint8_t(initial), uint8_t(final), 0}; }
constexpr TwoSetEntry V(int medial) { return {0, 0, uint8_t(medial)}; }

// Letters a-z, unshifted and shifted.
constexpr TwoSetEntry kTwoSet[26][2] = {
    {C(8, 17), C(8, 17)},    // a ㅁ
    {V(26), V(26)},          // b ㅠ
    {C(16, 25), C(16, 25)},  // c ㅊ
    {C(13, 23), C(13, 23)},  // d ㅇ
    {C(5, 8), C(6, 0)},      // e ㄷ ㄸ
    {C(7, 9), C(7, 9)},      // f ㄹ
    {C(20, 29), C(20, 29)},  // g ㅎ
    {V(13), V(13)},          // h ㅗ
    {V(5), V(5)},            // i ㅑ
    {V(7), V(7)},            // j ㅓ
    {V(3), V(3)},            // k ㅏ
    {V(29), V(29)},          // l ㅣ
    {V(27), V(27)},          // m ㅡ
    {V(20), V(20)},          // n ㅜ
    {V(4), V(6)},            // o ㅐ ㅒ
    {V(10), V(12)},          // p ㅔ ㅖ
    {C(9, 19), C(10, 0)},    // q ㅂ ㅃ
    {C(2, 2), C(3, 3)},      // r ㄱ ㄲ
    {C(4, 5), C(4, 5)},      // s ㄴ
    {C(11, 21), C(12, 22)},  // t ㅅ ㅆ
    {V(11), V(11)},          // u ㅕ
    {C(19, 28), C(19, 28)},  // v ㅍ
    {C(14, 24), C(15, 0)},   // w ㅈ ㅉ
    {C(18, 27), C(18, 27)},  // x ㅌ
    {V(19), V(19)},          // y ㅛ
    {C(17, 26), C(17, 26)},  // z ㅋ
};

// 3-set keys 0x21-0x7E: a part (initial, medial, final with its code) or the character the
// key produces instead.
enum class Part : uint8_t { Initial, Medial, Final, Char };
struct KeyEntry {
    Part part;
    uint8_t value;
};
constexpr KeyEntry Ini(int v) { return {Part::Initial, uint8_t(v)}; }
constexpr KeyEntry Med(int v) { return {Part::Medial, uint8_t(v)}; }
constexpr KeyEntry Fin(int v) { return {Part::Final, uint8_t(v)}; }
constexpr KeyEntry Chr(int v) { return {Part::Char, uint8_t(v)}; }

// 3-set 390.
constexpr KeyEntry kThreeSet390[94] = {
    Fin(24),   Chr(0x22), Chr(0x23), Chr(0x24), Chr(0x25), Chr(0x26), Ini(18),   Chr(0x28),
    Chr(0x29), Chr(0x2A), Chr(0x2B), Chr(0x2C), Chr(0x2D), Chr(0x2E), Med(13),   Ini(17),
    Fin(29),   Fin(22),   Fin(19),   Med(19),   Med(26),   Med(5),    Med(12),   Med(28),
    Med(20),   Chr(0x3A), Ini(9),    Chr(0x32), Chr(0x3D), Chr(0x33), Chr(0x3F), Chr(0x40),
    Fin(8),    Chr(0x21), Fin(11),   Fin(10),   Fin(26),   Fin(3),    Chr(0x2F), Chr(0x27),
    Chr(0x38), Chr(0x34), Chr(0x35), Chr(0x36), Chr(0x31), Chr(0x30), Chr(0x39), Chr(0x3E),
    Fin(28),   Med(6),    Fin(7),    Chr(0x3B), Chr(0x37), Fin(16),   Fin(27),   Fin(20),
    Chr(0x3C), Fin(25),   Chr(0x5B), Chr(0x5C), Chr(0x5D), Chr(0x5E), Chr(0x5F), Chr(0x60),
    Fin(23),   Med(20),   Med(10),   Med(29),   Med(11),   Med(3),    Med(27),   Ini(4),
    Ini(8),    Ini(13),   Ini(2),    Ini(14),   Ini(20),   Ini(11),   Ini(16),   Ini(19),
    Fin(21),   Med(4),    Fin(5),    Med(7),    Ini(5),    Med(13),   Fin(9),    Fin(2),
    Ini(7),    Fin(17),   Chr(0x7B), Chr(0x7C), Chr(0x7D), Chr(0x7E),
};

// 3-set final. Shift+G is ㅒ (medial 6), as on the printed layout; ㅐ is on 'r'.
constexpr KeyEntry kThreeSetFinal[94] = {
    Fin(3),    Chr(0x27), Fin(24),   Fin(15),   Fin(14),   Chr(0x22), Ini(18),   Chr(0x27),
    Chr(0x7E), Chr(0x22), Chr(0x2B), Chr(0x2C), Chr(0x29), Chr(0x2E), Med(13),   Ini(17),
    Fin(29),   Fin(22),   Fin(19),   Med(19),   Med(26),   Med(5),    Med(12),   Med(28),
    Med(20),   Chr(0x34), Ini(9),    Chr(0x2C), Chr(0x3E), Chr(0x2E), Chr(0x21), Fin(10),
    Fin(8),    Chr(0x3F), Fin(26),   Fin(12),   Fin(6),    Fin(11),   Med(6),    Chr(0x30),
    Chr(0x37), Chr(0x31), Chr(0x32), Chr(0x33), Chr(0x22), Chr(0x2D), Chr(0x38), Chr(0x39),
    Fin(28),   Fin(16),   Fin(7),    Fin(13),   Chr(0x36), Fin(4),    Fin(27),   Fin(20),
    Chr(0x35), Fin(25),   Chr(0x28), Chr(0x3A), Chr(0x3C), Chr(0x3D), Chr(0x3B), Chr(0x60),
    Fin(23),   Med(20),   Med(10),   Med(29),   Med(11),   Med(3),    Med(27),   Ini(4),
    Ini(8),    Ini(13),   Ini(2),    Ini(14),   Ini(20),   Ini(11),   Ini(16),   Ini(19),
    Fin(21),   Med(4),    Fin(5),    Med(7),    Ini(5),    Med(13),   Fin(9),    Fin(2),
    Ini(7),    Fin(17),   Chr(0x25), Chr(0x5C), Chr(0x2F), Chr(0x7E),
};

struct Triple {
    uint8_t first;
    uint8_t second;
    uint8_t result;
};

// Doubled initials (the same consonant twice), all layouts.
constexpr Triple kDoubleInitials[] = {{2, 2, 3}, {5, 5, 6}, {9, 9, 10}, {11, 11, 12}, {14, 14, 15}};

constexpr Triple kCompoundMedials[] = {
    {13, 3, 14}, {13, 4, 15}, {13, 29, 18}, {20, 7, 21}, {20, 10, 22}, {20, 29, 23}, {27, 29, 28},
};

constexpr Triple kCompoundFinals[] = {
    {2, 21, 4},  {5, 24, 6},  {5, 29, 7},  {9, 2, 10},  {9, 17, 11},  {9, 19, 12},
    {9, 21, 13}, {9, 27, 14}, {9, 28, 15}, {9, 29, 16}, {19, 21, 20},
};

// 2-set, a vowel after a final, by final code: the final that stays and the initial that
// moves to the next syllable. {0, 0}: no such final.
struct Split {
    uint8_t stays;
    uint8_t moves;
};
constexpr Split kFinalSplit[30] = {
    {0, 0},  {0, 0},  {1, 2},   {1, 3},  {2, 11},  {1, 4},  {5, 14}, {5, 20},
    {1, 5},  {1, 7},  {9, 2},   {9, 8},  {9, 9},   {9, 11}, {9, 18}, {9, 19},
    {9, 20}, {1, 8},  {0, 0},   {1, 9},  {19, 11}, {1, 11}, {1, 12}, {1, 13},
    {1, 14}, {1, 16}, {1, 17},  {1, 18}, {1, 19},  {1, 20},
};

// clang-format on

int Combine(const Triple* table, size_t count, int first, int second) {
    for (size_t i = 0; i < count; ++i) {
        if (table[i].first == first && table[i].second == second) return table[i].result;
    }
    return 0;
}

template <size_t N>
int Combine(const Triple (&table)[N], int first, int second) {
    return Combine(table, N, first, second);
}

// The first part of a compound; 0 when the code is no compound.
template <size_t N>
int FirstPartOf(const Triple (&table)[N], int result) {
    for (const Triple& t : table) {
        if (t.result == result) return t.first;
    }
    return 0;
}

void AppendCode(std::string& out, uint16_t ksc) {
    out.push_back(static_cast<char>(ksc >> 8));
    out.push_back(static_cast<char>(ksc & 0xFF));
}

// The compatibility jamo of a final: a simple final as the consonant's initial form, a
// compound final as itself.
uint16_t FinalJamo(int final) {
    if (final >= 0 && final < 30 && kFinalSplit[final].stays == kFillFinal)
        return JohabToKscCode(MakeJohab(kFinalSplit[final].moves, kFillMedial, kFillFinal),
                              JohabSource::Automaton);
    return JohabToKscCode(MakeJohab(kFillInitial, kFillMedial, final), JohabSource::Automaton);
}

}  // namespace

HangulComposer::HangulComposer(uint16_t emptySyllable)
    : FEmptySyllable(emptySyllable), FSyllable(emptySyllable) {}

std::string HangulComposer::SyllableToKsc(uint16_t johab) {
    std::string out;
    const int initial = (johab >> 10) & 0x1F;
    const int medial = (johab >> 5) & 0x1F;
    const int final = johab & 0x1F;
    const bool whole = initial != kFillInitial && medial != kFillMedial;
    const bool empty = initial == kFillInitial && medial == kFillMedial && final == kFillFinal;
    if ((johab & 0x8000) == 0 || whole || empty) {
        AppendCode(out, JohabToKscCode(johab, JohabSource::Automaton));
        return out;
    }
    if (initial != kFillInitial)
        AppendCode(out, JohabToKscCode(MakeJohab(initial, kFillMedial, kFillFinal),
                                       JohabSource::Automaton));
    if (medial != kFillMedial)
        AppendCode(out, JohabToKscCode(MakeJohab(kFillInitial, medial, kFillFinal),
                                       JohabSource::Automaton));
    if (final != kFillFinal) AppendCode(out, FinalJamo(final));
    return out;
}

uint16_t HangulComposer::SyllableToKscCode(uint16_t johab) {
    const std::string text = SyllableToKsc(johab);
    return static_cast<uint16_t>((static_cast<uint8_t>(text[0]) << 8) |
                                 static_cast<uint8_t>(text[1]));
}

std::string HangulComposer::ComposingText() const {
    return FState == Empty ? std::string() : SyllableToKsc(FSyllable);
}

std::string HangulComposer::TakeOutput() {
    std::string out;
    out.swap(FOutput);
    return out;
}

void HangulComposer::Flush() {
    if (FState != Empty) FOutput += SyllableToKsc(FSyllable);
}

void HangulComposer::End() {
    FSyllable = FEmptySyllable;
    FState = Empty;
}

void HangulComposer::StartSyllable(int initial) {
    FSyllable = MakeJohab(initial ? initial : kFillInitial, kFillMedial, kFillFinal);
}

void HangulComposer::SetMedial(int medial) {
    FSyllable =
        static_cast<uint16_t>((FSyllable & ~(0x1F << 5)) | ((medial ? medial : kFillMedial) << 5));
}

void HangulComposer::SetFinal(int final) {
    FSyllable = static_cast<uint16_t>((FSyllable & ~0x1F) | (final ? final : kFillFinal));
}

void HangulComposer::Other(unsigned char c) {
    Flush();
    End();
    Append(static_cast<char>(c));
}

void HangulComposer::Key(unsigned char c, bool capsLock) {
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (capsLock && letter) c ^= 0x20;
    if (FLayout == 2 || FLayout == 3)
        ThreeSetKey(c);
    else
        TwoSetKey(c);
}

void HangulComposer::TwoSetKey(unsigned char c) {
    const bool upper = c >= 'A' && c <= 'Z';
    if (!upper && !(c >= 'a' && c <= 'z')) {
        Other(c);
        return;
    }
    const TwoSetEntry& k = kTwoSet[(c | 0x20) - 'a'][upper ? 1 : 0];
    if (k.medial == 0) {  // consonant
        switch (FState) {
            case Empty:
                break;
            case Initial:
                if (int doubled = Combine(kDoubleInitials, InitialPart(), k.initial)) {
                    StartSyllable(doubled);
                    return;
                }
                break;
            case Medial:
                // A consonant after a lone vowel starts a new syllable; it cannot close one.
                if (InitialPart() != kFillInitial && k.final) {
                    SetFinal(k.final);
                    FState = Final;
                    return;
                }
                break;
            case Final:
                if (int compound = k.final ? Combine(kCompoundFinals, FinalPart(), k.final) : 0) {
                    SetFinal(compound);
                    return;
                }
                break;
        }
        Flush();
        StartSyllable(k.initial);
        FState = Initial;
        return;
    }
    switch (FState) {  // vowel
        case Empty:
            StartSyllable(0);
            break;
        case Initial:
            break;
        case Medial:
            if (int compound = Combine(kCompoundMedials, MedialPart(), k.medial)) {
                SetMedial(compound);
                return;
            }
            Flush();
            StartSyllable(0);
            break;
        case Final: {
            const int final = FinalPart();
            const Split split = final < 30 ? kFinalSplit[final] : Split{0, 0};
            if (split.stays == 0) {  // nothing to carry over
                Flush();
                StartSyllable(0);
                break;
            }
            SetFinal(split.stays);
            Flush();
            StartSyllable(split.moves);
            break;
        }
    }
    SetMedial(k.medial);
    FState = Medial;
}

void HangulComposer::ThreeSetKey(unsigned char c) {
    const KeyEntry* table = FLayout == 3 ? kThreeSetFinal : kThreeSet390;
    const KeyEntry e = (c >= 0x21 && c <= 0x7E) ? table[c - 0x21] : Chr(c);
    switch (e.part) {
        case Part::Char:
            Other(e.value);
            return;
        case Part::Initial:
            if (FState == Initial) {
                if (int doubled = Combine(kDoubleInitials, InitialPart(), e.value)) {
                    StartSyllable(doubled);
                    return;
                }
            }
            Flush();
            StartSyllable(e.value);
            FState = Initial;
            return;
        case Part::Medial:
            if (FState == Medial) {
                if (int compound = Combine(kCompoundMedials, MedialPart(), e.value)) {
                    SetMedial(compound);
                    return;
                }
            }
            if (FState != Initial) {
                Flush();
                StartSyllable(0);
            }
            SetMedial(e.value);
            FState = Medial;
            return;
        case Part::Final:
            if (FState == Medial) {
                SetFinal(e.value);
                FState = Final;
                return;
            }
            if (FState == Final) {
                if (int compound = Combine(kCompoundFinals, FinalPart(), e.value)) {
                    SetFinal(compound);
                    return;
                }
            }
            Flush();
            StartSyllable(0);
            SetFinal(e.value);
            FState = Final;
            return;
    }
}

bool HangulComposer::Backspace() {
    switch (FState) {
        case Empty:
            return false;
        case Initial:
            StartSyllable(0);
            FState = Empty;
            return true;
        case Medial:
            if (int first = FirstPartOf(kCompoundMedials, MedialPart())) {
                SetMedial(first);
                return true;
            }
            SetMedial(0);
            FState = InitialPart() == kFillInitial ? Empty : Initial;
            return true;
        case Final:
            if (int first = FirstPartOf(kCompoundFinals, FinalPart())) {
                SetFinal(first);
                return true;
            }
            SetFinal(0);
            if (MedialPart() != kFillMedial)
                FState = Medial;
            else
                FState = InitialPart() == kFillInitial ? Empty : Initial;
            return true;
    }
    return false;
}

}  // namespace quiro::engines
