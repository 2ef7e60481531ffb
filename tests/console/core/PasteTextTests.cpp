#include <gtest/gtest.h>

#include <string>

#include "console/core/PasteText.h"

namespace {

struct PasteRow {
    const char* what;
    std::string text;
    std::string plain;  // what the host receives
    std::string crlf;   // ... when Enter is sent as CR LF
};

const PasteRow kRows[] = {
    {"line ends", "a\r\nb", "a\rb", "a\r\nb"},
    {"a run of LFs is one", "a\n\n\nb", "ab", "a\nb"},
    {"blank lines", "a\r\n\r\nb\r\n", "a\r\rb\r", "a\r\n\r\nb\r\n"},
    {"leading LF", "\nab", "ab", "ab"},
    {"only LFs", "\n\n", "", ""},
    {"empty", "", "", ""},
    {"Korean text", "\xC7\xD1\xB1\xDB\r\nx", "\xC7\xD1\xB1\xDB\rx", "\xC7\xD1\xB1\xDB\r\nx"},
};

TEST(PasteText, LineEnds) {
    for (const PasteRow& r : kRows) {
        EXPECT_EQ(PasteBytes(r.text, false), r.plain) << r.what;
        EXPECT_EQ(PasteBytes(r.text, true), r.crlf) << r.what;
    }
}

}  // namespace
