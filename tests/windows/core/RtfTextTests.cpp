// The RTF group the editor and the memo stream into a rich edit.
#include <gtest/gtest.h>

#include "windows/core/RtfText.h"

namespace {

struct BodyCase {
    const char* name;
    std::string text;
    int codePage;
    std::string body;
    int characters;
};

TEST(RtfText, BodyKeepsTextLiterallyAndCountsWhatTheControlGains) {
    const BodyCase cases[] = {
        {"braces and backslashes", "a{b}\\c", 949, "a\\{b\\}\\\\c", 6},
        {"CR is a paragraph, LF and Tab are dropped", "ab\r\ncd\tx", 949, "ab\\par cdx", 6},
        {"LF alone makes no paragraph", "ab\ncd", 949, "abcd", 4},
        {"control bytes are dropped", std::string("a\x01\x1B" "b\0c", 6), 949, "abc", 3},
        {"a CP949 pair counts one", "\xC7\xD1\xB1\xDB!", 949, "\xC7\xD1\xB1\xDB!", 3},
        {"a lone lead byte at the end is dropped", "ab\xC7", 949, "ab", 2},
        {"a lead byte without a trail byte does not swallow the brace", "\xC7{", 949, "\\{", 1},
        {"CP932: a trail byte 0x5C stays with its lead byte", "\x95\x5C{", 932, "\\'95\\'5c\\{", 2},
        {"CP936: trail bytes { and } stay paired", "\x81\x7B\x81\x7D", 936, "\\'81\\'7b\\'81\\'7d", 2},
        {"CP950: a plain pair is copied", "\xA4\x40" "a", 950, "\xA4\x40" "a", 2},
        {"single-byte page: high bytes are characters", "\xE9\xFC", 1252, "\xE9\xFC", 2},
    };
    for (const BodyCase& c : cases) {
        std::string body;
        EXPECT_EQ(AppendRtfBody(body, c.text, c.codePage), c.characters) << c.name;
        EXPECT_EQ(body, c.body) << c.name;
    }
}

TEST(RtfText, GroupHasTheFontsHeaderAndClosingBrace) {
    RtfFont font{129, "Gulim", 10, 0x00336699};
    RtfGroup g = WrapAsRtf("x}", font, 949);
    EXPECT_EQ(g.rtf,
              "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fcharset129 Gulim;}}"
              "{\\colortbl;\\red153\\green102\\blue51;}\\pard\\plain\\f0\\fs20\\cf1 x\\}}");
    EXPECT_EQ(g.characters, 2);
}

}  // namespace
