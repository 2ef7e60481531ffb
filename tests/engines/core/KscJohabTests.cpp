#include "engines/core/KscJohab.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#ifndef _WIN32
#include <iconv.h>
#endif

namespace {

struct JohabCase {
    uint16_t johab;
    JohabSource source;
    uint16_t ksc;
};

TEST(KscJohab, JohabToKscKnownCodes) {
    const JohabCase cases[] = {
        {0x8861, JohabSource::Terminal, 0xB0A1},  // first syllable
        {0xD3B7, JohabSource::Terminal, 0xC8FE},  // last syllable
        {0x89F3, JohabSource::Terminal, 0xB1A8},
        {0x8841, JohabSource::Terminal, 0xA4A1},   // first consonant
        {0x8461, JohabSource::Terminal, 0xA4BF},   // first vowel
        {0x87A1, JohabSource::Automaton, 0xA4D3},  // last vowel
        {0x8444, JohabSource::Terminal, 0xA4A3},   // consonant cluster, written as a final
        {0x8441, JohabSource::Terminal, 0xA2AF},   // empty syllable from a host
        {0x8441, JohabSource::Automaton, 0xA1A1},  // empty syllable of an automaton
        {0x8442, JohabSource::Terminal, 0xA2AF},   // lone final
        {0x8863, JohabSource::Terminal, 0xA2AF},   // syllable outside KS C 5601
        {0x0000, JohabSource::Terminal, 0xA2AF},
        {0xFFFF, JohabSource::Automaton, 0xA2AF},
        {0xD931, JohabSource::Terminal, 0xA2AF},  // Johab symbol row
    };
    for (const auto& c : cases) {
        EXPECT_EQ(JohabToKscCode(c.johab, c.source), c.ksc) << std::hex << c.johab;
    }
}

TEST(KscJohab, RowRemap) {
    struct {
        uint8_t lead, trail;
        uint16_t ksc;
    } const cases[] = {
        {0xAD, 0xA1, 0xA1E0}, {0xAD, 0xA2, 0xA1DB}, {0xAD, 0xFE, 0xA6E7}, {0xAD, 0xA0, 0xA1E0},
        {0xAD, 0xFF, 0xA1E0}, {0xAD, 0x41, 0xA1E0}, {0xAE, 0xA1, 0xA6E8}, {0xAE, 0xBF, 0xA9FA},
        {0xAE, 0xC2, 0xA1E0}, {0xAE, 0xC3, 0xA1E0}, {0xAE, 0xFE, 0xA1E0}, {0xAE, 0x00, 0xA1E0},
        {0xAC, 0xA1, 0xA1E0}, {0xB0, 0xA1, 0xA1E0}, {0x00, 0x00, 0xA1E0}, {0xFF, 0xFF, 0xA1E0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(KscRowRemap(c.lead, c.trail), c.ksc)
            << std::hex << int(c.lead) << ' ' << int(c.trail);
    }
}

TEST(KscJohab, CompareCode16OrdersTheWholeRange) {
    EXPECT_LT(CompareCode16(0x0000, 0xFFFF), 0);
    EXPECT_GT(CompareCode16(0xFFFF, 0x0000), 0);
    EXPECT_EQ(CompareCode16(0x8861, 0x8861), 0);
    EXPECT_LT(CompareCode16(0x7FFF, 0x8000), 0);
    for (int i = 1; i < 2350; ++i)
        ASSERT_LT(CompareCode16(JohabSyllableTable[i - 1], JohabSyllableTable[i]), 0) << i;
}

#ifndef _WIN32

// Converts one two-byte code with the C library; nothing when it rejects it.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    std::optional<std::string> operator()(std::string in) const {
        char out[16];
        char* inp = in.data();
        char* outp = out;
        size_t inLeft = in.size(), outLeft = sizeof out;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd_, &inp, &inLeft, &outp, &outLeft) == static_cast<size_t>(-1) || inLeft != 0)
            return std::nullopt;
        return std::string(out, outp);
    }

    std::optional<std::string> operator()(uint16_t code) const {
        return (*this)(std::string{static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)});
    }

    std::optional<uint16_t> code(uint16_t code) const {
        auto s = (*this)(code);
        if (!s || s->size() != 2) return std::nullopt;
        return static_cast<uint16_t>((static_cast<uint8_t>((*s)[0]) << 8) |
                                     static_cast<uint8_t>((*s)[1]));
    }

private:
    iconv_t cd_;
};

TEST(KscJohabOracle, TablesMatchTheLibraryBothWays) {
    Converter toJohab("JOHAB", "EUC-KR");
    Converter toKsc("EUC-KR", "JOHAB");
    ASSERT_TRUE(toJohab.ok() && toKsc.ok());
    for (int i = 0; i < 2350; ++i) {
        const auto ksc = static_cast<uint16_t>(((0xB0 + i / 94) << 8) | (0xA1 + i % 94));
        ASSERT_EQ(toJohab.code(ksc), JohabSyllableTable[i]) << std::hex << ksc;
        ASSERT_EQ(toKsc.code(JohabSyllableTable[i]), ksc);
        EXPECT_EQ(JohabToKscCode(JohabSyllableTable[i], JohabSource::Terminal), ksc);
    }
    for (int j = 0; j < 51; ++j) {
        const auto ksc = static_cast<uint16_t>(0xA4A1 + j);
        ASSERT_EQ(toJohab.code(ksc), JohabJamoTable[j]) << std::hex << ksc;
        EXPECT_EQ(JohabToKscCode(JohabJamoTable[j], JohabSource::Automaton), ksc);
    }
}

// Every two-byte Johab code: where the library converts to a syllable or a jamo of row
// 0xA4, so do we. We deliberately differ for the empty syllable, lone finals and the
// non-Hangul part of Johab, all of which give the placeholder.
TEST(KscJohabOracle, EveryJohabCodeAgreesOrIsADeliberateDifference) {
    Converter toKsc("EUC-KR", "JOHAB");
    ASSERT_TRUE(toKsc.ok());
    int agreed = 0, placeholders = 0;
    for (int lead = 0x84; lead <= 0xF9; ++lead) {
        for (int trail = 0x31; trail <= 0xFE; ++trail) {
            const auto johab = static_cast<uint16_t>((lead << 8) | trail);
            const uint16_t ours = JohabToKscCode(johab, JohabSource::Terminal);
            const auto theirs = toKsc.code(johab);
            const bool hangulArea = johab >= 0x8441 && johab <= 0xD3FF;
            const bool loneFinal = lead <= 0x87 && ((johab >> 10) & 0x1F) == 1 &&
                                   ((johab >> 5) & 0x1F) == 2 && (johab & 0x1F) != 1;
            const bool ourResult = (ours >> 8) == 0xA4 || (ours >= 0xB0A1 && ours <= 0xC8FE);
            if (ourResult) {
                ASSERT_EQ(theirs, ours) << std::hex << johab;
                ++agreed;
                continue;
            }
            ASSERT_EQ(ours, KscNoJohabMapping) << std::hex << johab;
            ++placeholders;
            if (!theirs || *theirs == KscNoJohabMapping)  // the Johab code of that very symbol
                continue;
            // The library has a mapping here: it must be one of the deliberate differences.
            EXPECT_TRUE(johab == JohabEmptySyllable || loneFinal || !hangulArea)
                << std::hex << johab << " -> " << *theirs;
        }
    }
    EXPECT_EQ(agreed, 2350 + 51);
    EXPECT_EQ(JohabToKscCode(JohabEmptySyllable, JohabSource::Automaton), KscIdeographicSpace);
    EXPECT_GT(placeholders, 0);
}

// The remapped rows show assigned KS C 5601 codes only (five symbols of row 0xA6 that the
// library leaves unassigned are skipped).
TEST(KscJohabOracle, RemapTargetsAreAssignedCodes) {
    Converter toUtf8("UTF-8", "EUC-KR");
    Converter back("EUC-KR", "UTF-8");
    ASSERT_TRUE(toUtf8.ok() && back.ok());
    auto check = [&](uint16_t ksc) {
        if (ksc >= 0xA6E5 && ksc <= 0xA6E9) return;
        const auto text = toUtf8(ksc);
        ASSERT_TRUE(text.has_value()) << std::hex << ksc;
        const auto ksc2 = back(*text);
        ASSERT_TRUE(ksc2.has_value()) << std::hex << ksc;
        EXPECT_EQ(*ksc2, (std::string{static_cast<char>(ksc >> 8), static_cast<char>(ksc & 0xFF)}))
            << std::hex << ksc;
    };
    for (int t = 0xA1; t <= 0xFE; ++t) check(KscRowRemap(0xAD, static_cast<uint8_t>(t)));
    for (int t = 0xA1; t <= 0xC2; ++t) check(KscRowRemap(0xAE, static_cast<uint8_t>(t)));
}

#endif

}  // namespace
