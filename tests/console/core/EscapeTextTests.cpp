#include <gtest/gtest.h>

#include <string>

#include "console/core/EscapeText.h"

namespace {

using namespace std::string_literals;

struct EscapeCase {
    const char* what;
    std::string text;
    std::string bytes;
};

const EscapeCase kCases[] = {
    {"empty", "", ""},
    {"two digits", "\\x1B", "\x1B"},
    {"lower-case digits", "\\x1b", "\x1B"},
    {"FF either case", "\\xFF\\xff", "\xFF\xFF"},
    {"keep-alive default", "z\\x0D", "z\x0D"},
    {"escape then text", "\\x1BOp", "\x1BOp"},
    {"DEL and BS", "\\x7F\\x08", "\x7F\x08"},
    {"NUL survives", "a\\x00b", "a\0b"s},
    {"NUL in the text", "a\0\\x00\0"s, "a\0\0\0"s},
    {"doubled backslash", "a\\\\b", "a\\b"},
    {"doubled backslash before x", "\\\\x41", "\\x41"},
    {"other escaped character", "\\n", "n"},
    {"upper-case X is no hex escape", "\\X41", "X41"},
    {"one digit is the high nibble", "\\xAG", "\xA0G"},
    {"one digit before a blank", "\\x4 ", "\x40 "},
    {"no digit drops only the escape", "\\xZZ", "ZZ"},
    {"escape after a failed one", "\\x\\x41", "A"},
    {"produced backslash is not an escape", "\\x5Cx41", "\\x41"},
    {"one digit at the end", "\\x4", ""},
    {"cut escape drops one character", "ab\\xA", "ab"},
    {"x at the very end", "ab\\x", "ab"},
    {"lone backslash at the end", "ab\\", "ab"},
    {"only a backslash", "\\", ""},
    {"high bytes pass", "\xB0\xA1\\x41", "\xB0\xA1" "A"},
    {"one digit before a final backslash", "\\x4\\", "@"},
};

TEST(ExpandEscapes, Table) {
    for (const EscapeCase& c : kCases) {
        EXPECT_EQ(ExpandEscapes(c.text), c.bytes) << c.what;
    }
}

}  // namespace
