// The console and editor Hangul automata against libhangul (keyboards "2", "39", "3f"),
// driven with the same random key sequences, drawn from where the two should agree.
#include <hangul.h>
#include <iconv.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "engines/core/DravelHanguel.h"
#include "engines/core/EditorHanguel.h"
#include "engines/core/HangulKeyScript.h"

using quiro::engines::FormatHangulBytes;
using quiro::engines::HangulComposer;
using quiro::engines::HangulKeyFlags;

namespace {

constexpr unsigned char kBackspace = 8;

// libhangul's characters as KS C 5601; a character KS C 5601 lacks becomes the placeholder,
// as the automata send it.
class UcsToKsc {
public:
    UcsToKsc() : FCd(iconv_open("EUC-KR", "UTF-32LE")) {}
    ~UcsToKsc() { iconv_close(FCd); }
    UcsToKsc(const UcsToKsc&) = delete;
    UcsToKsc& operator=(const UcsToKsc&) = delete;

    std::string operator()(const ucschar* s) {
        std::string out;
        for (; *s; ++s) {
            char in[4] = {char(*s & 0xFF), char((*s >> 8) & 0xFF), char((*s >> 16) & 0xFF), 0};
            char buf[8];
            char* ip = in;
            char* op = buf;
            size_t il = 4, ol = sizeof buf;
            iconv(FCd, nullptr, nullptr, nullptr, nullptr);
            if (iconv(FCd, &ip, &il, &op, &ol) == static_cast<size_t>(-1))
                out += "\xA2\xAF";
            else
                out.append(buf, op);
        }
        return out;
    }

private:
    iconv_t FCd;
};

struct Oracle {
    explicit Oracle(const char* keyboard) : ic(hangul_ic_new(keyboard)) {
        // Doubled initials as here; two lone consonants are never joined into a cluster.
        hangul_ic_set_option(ic, HANGUL_IC_OPTION_COMBI_ON_DOUBLE_STROKE, true);
        hangul_ic_set_option(ic, HANGUL_IC_OPTION_NON_CHOSEONG_COMBI, false);
    }
    ~Oracle() { hangul_ic_delete(ic); }
    Oracle(const Oracle&) = delete;
    Oracle& operator=(const Oracle&) = delete;

    // What the key sends (the committed text, then the key when libhangul leaves it).
    std::string Key(unsigned char c, UcsToKsc& conv) {
        std::string sent;
        if (c == kBackspace) {
            if (!hangul_ic_backspace(ic)) sent.push_back(char(c));
            return sent;
        }
        const bool used = hangul_ic_process(ic, c);
        sent = conv(hangul_ic_get_commit_string(ic));
        if (!used) sent.push_back(char(c));
        return sent;
    }

    HangulInputContext* ic;
};

struct LayoutCase {
    int layout;
    const char* keyboard;
};

int Initial(uint16_t s) {
    return (s >> 10) & 0x1F;
}
int Final(uint16_t s) {
    return s & 0x1F;
}

bool IsCompoundFinal(int f) {
    return f == 4 || f == 6 || f == 7 || (f >= 10 && f <= 16) || f == 20;
}

// Keys on which the two differ by design: five 3-set final symbol keys that produce ASCII
// here (libhangul gives other symbols), and '#', a final ㅈ here that libhangul leaves alone.
bool ExcludedKey(int layout, unsigned char c) {
    if (layout != 3) return false;
    static const std::string keys = "\"&*`~#";
    return keys.find(char(c)) != std::string::npos;
}

// Whether the key would leave the ground the two agree on, given the automaton's state.
bool Agrees(int layout, const HangulComposer& probe, HangulComposer::State state, uint16_t syllable,
            unsigned char c) {
    if (ExcludedKey(layout, c)) return false;
    if (c == kBackspace) {
        // In 3-set, libhangul takes back a whole key; a compound typed with one key (a
        // compound final, ㅢ) goes back to its first part here.
        // A doubled initial goes back to empty here, to its first stroke in libhangul.
        const int initial = Initial(syllable);
        if (state == HangulComposer::Initial &&
            (initial == 3 || initial == 6 || initial == 10 || initial == 12 || initial == 15))
            return false;
        if (layout == 1) return true;
        if (state == HangulComposer::Final) return !IsCompoundFinal(Final(syllable));
        return !(state == HangulComposer::Medial && ((syllable >> 5) & 0x1F) == 28);
    }
    // Try the key on a copy and look at what it made.
    HangulComposer after = probe;
    after.ClearOutput();
    after.Key(c, false);
    const uint16_t s = after.Syllable();
    const auto st = after.CurrentState();
    const int initial = Initial(s);
    const int final = Final(s);
    // No syllable without an initial (2-set vowel first, 3-set lone final or medial+final).
    if (st == HangulComposer::Medial && initial == 1 && layout == 1) return false;
    if (st == HangulComposer::Final && initial == 1) return false;
    // No doubled final ㄱ+ㄱ or ㅅ+ㅅ (libhangul joins them).
    if (state == HangulComposer::Final && st == HangulComposer::Initial) {
        const int f = Final(syllable);
        if ((f == 2 && initial == 2) || (f == 21 && initial == 11)) return false;
    }
    if (layout != 1 && state == HangulComposer::Final && st == HangulComposer::Final) {
        const int f = Final(syllable);
        if (f == final && (f == 2 || f == 21)) return false;
    }
    return true;
}

class HangulOracle : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(HangulOracle, RandomKeysAgreeWithLibhangul) {
    const LayoutCase lc = GetParam();
    std::string keys;
    for (int c = 0x21; c <= 0x7E; ++c) keys.push_back(char(c));
    keys += "    \b\b\b";
    if (lc.layout == 1) keys += "rkskdhkfjtnmlqwertyuiopasdfghjklzxcvbnm";

    UcsToKsc conv;
    std::mt19937 rng(20261206u + unsigned(lc.layout));
    HangulKeyFlags flags;
    int compared = 0;
    std::set<std::string> syllables;  // distinct syllables composed, to see the keys reach far
    for (int run = 0; run < 1000; ++run) {
        Oracle oracle(lc.keyboard);
        TDravelHanguel console;
        console.SetCodePage(949);
        console.SetKeyState(&flags);
        console.SetKeyboardLayout(lc.layout);
        console.SetHanguelMode(1);
        IDravelHanguel editor;
        editor.SetKeyboardLayout(lc.layout);
        editor.ToggleHanguel();
        HangulComposer probe(0x8441);
        probe.SetLayout(lc.layout);
        std::string typed;
        for (int n = 0; n < 60; ++n) {
            unsigned char c = 0;
            for (int tries = 0; tries < 50 && !c; ++tries) {
                const auto k = static_cast<unsigned char>(keys[rng() % keys.size()]);
                if (Agrees(lc.layout, probe, probe.CurrentState(), probe.Syllable(), k)) c = k;
            }
            if (!c) break;
            typed += c == kBackspace ? std::string("\\b") : std::string(1, char(c));

            const std::string expected = oracle.Key(c, conv);
            std::string sent;
            if (c == kBackspace) {
                if (!console.Backspace()) sent.push_back(char(c));
                probe.Backspace();
            } else {
                console.InputChar(c);
                sent = console.GetOutput();
                probe.Key(c, false);
                probe.ClearOutput();
            }
            const int consumed = editor.ProcessKey(c);
            std::string edited = editor.TakeOutput();
            if (!consumed) edited.push_back(char(c));

            const std::string preedit = conv(hangul_ic_get_preedit_string(oracle.ic));
            const std::string composing = console.IsComposing() ? console.GetComposingText() : "";
            std::string editorComposing;
            editor.GetComposing(&editorComposing);
            ASSERT_EQ(FormatHangulBytes(sent), FormatHangulBytes(expected)) << "keys " << typed;
            ASSERT_EQ(FormatHangulBytes(composing), FormatHangulBytes(preedit)) << "keys " << typed;
            ASSERT_EQ(FormatHangulBytes(edited), FormatHangulBytes(sent)) << "keys " << typed;
            ASSERT_EQ(FormatHangulBytes(editorComposing), FormatHangulBytes(composing))
                << "keys " << typed;
            ++compared;
            if (composing.size() == 2 && uint8_t(composing[0]) >= 0xB0) syllables.insert(composing);
        }
    }
    EXPECT_GT(compared, 20000);
    EXPECT_GT(syllables.size(), 300u) << syllables.size();
}

INSTANTIATE_TEST_SUITE_P(Layouts, HangulOracle,
                         ::testing::Values(LayoutCase{1, "2"}, LayoutCase{2, "39"},
                                           LayoutCase{3, "3f"}),
                         [](const auto& info) {
                             return std::string("Layout") + char('0' + info.param.layout);
                         });

}  // namespace
