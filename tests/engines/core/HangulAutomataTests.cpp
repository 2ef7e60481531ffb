#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engines/core/DravelHanguel.h"
#include "engines/core/EditorHanguel.h"
#include "engines/core/HangulKeyScript.h"
#include "engines/core/KscJohab.h"

using namespace quiro::engines;

namespace {

// Expected texts are written in UTF-8 and turned into KS C 5601 here, independently of the
// automata: a syllable goes through its Johab code, a compatibility jamo straight to row
// 0xA4, ASCII stays.
std::string Ksc(const std::string& utf8) {
    static const int kMedial[21] = {3,  4,  5,  6,  7,  10, 11, 12, 13, 14, 15,
                                    18, 19, 20, 21, 22, 23, 26, 27, 28, 29};
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        const auto b = static_cast<uint8_t>(utf8[i]);
        if (b < 0x80) {
            out.push_back(utf8[i++]);
            continue;
        }
        const uint32_t cp = ((b & 0x0F) << 12) | ((utf8[i + 1] & 0x3F) << 6) | (utf8[i + 2] & 0x3F);
        i += 3;
        uint16_t ksc = KscNoJohabMapping;
        if (cp >= 0xAC00 && cp <= 0xD7A3) {
            const int s = static_cast<int>(cp - 0xAC00);
            const int t = s % 28;
            const int johabFinal = t == 0 ? 1 : t <= 16 ? t + 1 : t + 2;
            const auto johab = static_cast<uint16_t>(0x8000 | ((s / 588 + 2) << 10) |
                                                     (kMedial[(s / 28) % 21] << 5) | johabFinal);
            ksc = JohabToKscCode(johab, JohabSource::Terminal);
        } else if (cp >= 0x3131 && cp <= 0x3163) {
            ksc = static_cast<uint16_t>(0xA4A1 + (cp - 0x3131));
        }
        out.push_back(static_cast<char>(ksc >> 8));
        out.push_back(static_cast<char>(ksc & 0xFF));
    }
    return out;
}

struct KeyCase {
    const char* what;
    int layout;
    const char* keys;
    const char* sent;       // UTF-8
    const char* composing;  // UTF-8
    bool caps = false;
    bool hangulOff = false;
};

// Each row runs on the console automaton and on the editor's: their callers see the
// same syllables. Plain composition, where both agree with libhangul, is checked on random
// keys against it (tools/hangul-keys/HangulOracleTests.cpp); the rows here are what the
// oracle cannot show: Caps Lock, mode keys, control keys, and where the automata differ.
void RunTable(const std::vector<KeyCase>& cases) {
    for (const KeyCase& c : cases) {
        for (bool editor : {false, true}) {
            HangulScriptOptions options;
            options.layout = c.layout;
            options.editor = editor;
            options.capsLock = c.caps;
            options.hangulOff = c.hangulOff;
            const HangulScriptResult r = RunHangulKeys(ParseHangulKeys(c.keys), options);
            EXPECT_EQ(FormatHangulBytes(r.sent), FormatHangulBytes(Ksc(c.sent)))
                << c.what << (editor ? " (editor)" : " (console)");
            EXPECT_EQ(FormatHangulBytes(r.composing), FormatHangulBytes(Ksc(c.composing)))
                << c.what << (editor ? " (editor)" : " (console)");
        }
    }
}

TEST(HangulAutomata, KeySequences) {
    RunTable({
        // Two-set.
        // The random keys of the oracle do not reach ㄺ before a vowel.
        {"compound final splits", 1, "fkfrk", "랄", "가"},
        {"Caps Lock inverts the case", 1, "RKS", "", "간", true},
        {"Caps Lock and Shift give ㄲ", 1, "rK", "", "까", true},
        {"syllable KS C 5601 lacks (the placeholder)", 1, "Eha.", "똠.", ""},
        // A vowel typed first stays a vowel: the consonant after it starts a syllable.
        {"vowel then consonant", 1, "kr", "ㅏ", "ㄱ"},
        {"vowel then syllable", 1, "krk", "ㅏ", "가"},
        {"compound vowel then syllable", 1, "hkrk", "ㅘ", "가"},
        // Three-set.
        {"final layout Caps Lock", 3, "KF", "", "가", true},
        // Lone finals and a vowel with a lone final go out as their jamo.
        {"lone final", 3, "s ", "ㄴ ", ""},
        {"lone compound final", 3, "S ", "ㄶ ", ""},
        {"vowel with lone final", 3, "fs ", "ㅏㄴ ", ""},
        {"initial then final", 3, "ks", "ㄱ", "ㄴ"},
        {"final after a final", 3, "kfss", "간", "ㄴ"},
        // Backspace and the mode keys.
        {"lone vowel back to nothing", 3, "f\\bk", "", "ㄱ"},
        {"3-set compound final", 2, "kfwx\\b", "", "갈"},
        {"3-set lone final", 3, "s\\b\\b", "\b", ""},
        {"vowel with lone final", 3, "fs\\b", "", "ㅏ"},
        {"Shift+Space leaves Hangul and sends the syllable", 1, "rk\\sab", "가ab", ""},
        {"Shift+Space enters Hangul", 1, "ab\\srk", "ab", "가", false, true},
        {"Shift+Space with a vowel and a lone final", 3, "fs\\s", "ㅏㄴ", ""},
        {"English mode", 1, "rk\\b", "rk\b", "", false, true},
        {"backslash key", 1, "rk\\\\", "가\\", ""},
        {"Enter after a syllable", 1, "rk\r", "가\r", ""},
        {"control keys after a syllable", 1,
         "rk\x1b"
         "dk\x03",
         "가\x1b아\x03", ""},
    });
}

TEST(HangulAutomata, ConsoleCodePageGate) {
    TDravelHanguel h;
    h.SetHanguelMode(1);
    ASSERT_FALSE(h.IsAutomatonActive());
    // Inactive: printable keys and bytes from 0x80 pass; control keys are the caller's.
    std::string out;
    for (unsigned char c : std::string("rk\x03\x1b\n\r\x08\x7f\xb0")) {
        h.InputChar(c);
        out += h.GetOutput();
    }
    EXPECT_EQ(out, "rk\x7f\xb0");
    EXPECT_FALSE(h.IsComposing());

    h.SetCodePage(949);
    for (unsigned char c : std::string("rk")) h.InputChar(c);
    EXPECT_EQ(h.GetOutput(), "");
    EXPECT_EQ(h.GetComposingChar(), 0xB0A1);

    TDravelHanguel fonts;
    fonts.SetBitmapFontsLoaded(1);
    fonts.SetHanguelMode(1);
    fonts.InputChar('r');
    EXPECT_TRUE(fonts.IsComposing());
}

TEST(HangulAutomata, ConsoleInterface) {
    TDravelHanguel h;
    int redraws = 0;
    h.SetCompositionRedraw([&] { ++redraws; });
    h.SetCodePage(949);
    EXPECT_EQ(h.GetKeyboardLayout(), 1);
    EXPECT_EQ(h.GetComposingChar(), KscIdeographicSpace);
    EXPECT_EQ(h.Backspace(), 0);  // English mode

    h.SetHanguelMode(1);
    EXPECT_EQ(h.InputChar('r'), 0);
    EXPECT_EQ(h.InputChar('k'), 0);
    EXPECT_EQ(h.IsComposing(), 1);
    EXPECT_EQ(h.InputChar(0xB0), 1);  // a byte from 0x81 up follows the flushed syllable
    EXPECT_EQ(h.GetOutput(), "\xB0\xA1\xB0");
    EXPECT_EQ(h.IsOutputReady(), 0);

    h.InputChar('r');
    redraws = 0;
    EXPECT_EQ(h.Backspace(), 1);
    EXPECT_EQ(h.Backspace(), 0);
    EXPECT_EQ(redraws, 2);

    h.InputChar('r');
    h.InputChar('k');
    redraws = 0;
    EXPECT_EQ(h.SetHanguelMode(0), 1);
    EXPECT_EQ(redraws, 1);  // the syllable drawn at the cursor is covered
    EXPECT_EQ(h.GetOutput(), "\xB0\xA1");
    EXPECT_EQ(h.IsComposing(), 0);
    EXPECT_EQ(h.SetHanguelMode(0), 0);

    h.SetHanguelMode(1);
    h.InputChar('r');
    h.InputChar('k');
    h.EndComposition();
    EXPECT_EQ(h.IsComposing(), 0);
    EXPECT_EQ(h.GetOutput(), "");
    EXPECT_EQ(h.JohabToKsc(), KscIdeographicSpace);
}

TEST(HangulAutomata, EditorControlKeys) {
    IDravelHanguel e;
    for (int c = 1; c < 256; ++c) EXPECT_EQ(e.ProcessKey(static_cast<unsigned char>(c)), 0);
    EXPECT_EQ(e.TakeOutput(), "");
    EXPECT_EQ(e.JohabToKsc(), KscNoJohabMapping);  // syllable 0 after a reset

    e.ToggleHanguel();
    EXPECT_EQ(e.IsHanguelOn(), 1);
    e.ProcessKey('r');
    e.ProcessKey('k');
    // Enter: the syllable is handed out and the caller still breaks the line.
    EXPECT_EQ(e.ProcessKey('\r'), 0);
    EXPECT_EQ(e.TakeOutput(), "\xB0\xA1");
    EXPECT_EQ(e.GetComposing(), 0);

    e.ProcessKey('r');
    EXPECT_EQ(e.ProcessKey(0x7F), 1);  // DEL drops the syllable
    EXPECT_EQ(e.TakeOutput(), "");
    EXPECT_EQ(e.ProcessKey(0x7F), 0);
    EXPECT_EQ(e.Backspace(), 0);

    // A vowel with a lone final and a key: five bytes; a small buffer loses none of them.
    e.SetKeyboardLayout(3);
    e.ProcessKey('f');
    e.ProcessKey('s');
    e.ProcessKey('H');
    char buf[4];
    std::string taken;
    while (int n = e.TakeOutput(buf, sizeof buf)) taken.append(buf, static_cast<size_t>(n));
    EXPECT_EQ(taken, Ksc("ㅏㄴ0"));
    EXPECT_EQ(e.GetComposing(), 0);
    EXPECT_EQ(e.TakeOutput(buf, 0), 0);

    e.ProcessKey('k');
    e.ToggleHanguel();
    EXPECT_EQ(e.TakeOutput(), Ksc("ㄱ"));
    EXPECT_EQ(e.ProcessKey('r'), 0);
}

}  // namespace
