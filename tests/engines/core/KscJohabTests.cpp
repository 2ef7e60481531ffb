#include "engines/core/KscJohab.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>

#ifndef _WIN32
#include <iconv.h>
#endif

namespace {

// Every pair of every row against the remap table written out as data.
TEST(KscJohab, RowRemapOfEveryPair) {
    std::ifstream in(std::string(QUIRO_SOURCE_DIR) + "/tests/engines/core/data/ksc_row_remap.txt");
    std::map<uint16_t, uint16_t> table;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream row(line);
        unsigned lead = 0, trail = 0, code = 0;
        row >> std::hex >> lead >> trail;
        row.ignore(1);  // the colon
        while (row >> code) table[static_cast<uint16_t>(lead << 8 | trail++)] = static_cast<uint16_t>(code);
    }
    ASSERT_EQ(table.size(), 94u + 34u);
    for (int pair = 0; pair < 0x10000; ++pair) {
        const auto it = table.find(static_cast<uint16_t>(pair));
        ASSERT_EQ(KscRowRemap(static_cast<uint8_t>(pair >> 8), static_cast<uint8_t>(pair)),
                  it == table.end() ? KscNoRowMapping : it->second)
            << std::hex << pair;
    }
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
    EXPECT_EQ(JohabToKscCode(0x0000, JohabSource::Terminal), KscNoJohabMapping);
    EXPECT_EQ(JohabToKscCode(0xFFFF, JohabSource::Automaton), KscNoJohabMapping);
    EXPECT_GT(placeholders, 0);
}

#endif

}  // namespace
