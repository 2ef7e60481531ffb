#include "controls/core/CtlUtils.h"

#include <gtest/gtest.h>

#include "controls/core/FileNames.h"
#include "framework/core/SysUtils.h"

namespace {

// Every byte 1 unit wide, a double-byte character 2, "..." 3.
int Bytes(std::string_view s) {
    return static_cast<int>(s.size());
}

TEST(MinimizeText, CutsBeforeTheDotsAndNeverInsideADoubleByteCharacter) {
    const struct {
        const char* text;
        int width;
        const char* want;
    } rows[] = {
        {"abcdef", 6, "abcdef"},
        {"abcdef", 5, "ab..."},  // at least two characters go
        {"abcdef", 4, "a..."},
        {"abcdef", 3, "..."},
        {"abcdef", 1, "..."},
        {"", 0, ""},
        // Korean syllables: a head that ends in a lead byte would fit, but is never taken.
        {"\xB0\xA1\xB3\xAA"
         "ab",
         5, "\xB0\xA1..."},
        {"ab\xB0\xA1\xB3\xAA\xB4\xD9", 6, "ab..."},
        {"\xB0\xA1\xB3\xAA\xB4\xD9", 4, "..."},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.text) + " " + std::to_string(r.width));
        EXPECT_EQ(MinimizeText(r.text, Bytes, r.width), r.want);
    }
}

TEST(SplitCommandLine, FirstArgumentAndTheRestRequoted) {
    const struct {
        const char* line;
        const char* exe;
        const char* params;
    } rows[] = {
        {"quiro.exe telnet://host", "quiro.exe", "telnet://host"},
        {"\"C:\\Program Files\\q.exe\"  a\t\"b c\" d", "C:\\Program Files\\q.exe", "a \"b c\" d"},
        {"q \"say \"\"hi\"\"\"", "q", "\"say \"hi\"\""},
        {"   ", "", ""},
        {"q", "q", ""},
        {"q \"unclosed arg", "q", "\"unclosed arg\""},
    };
    for (const auto& r : rows) {
        std::string exe = "x", params = "y";
        SplitCommandLine(r.line, exe, params);
        EXPECT_EQ(exe + "|" + params, std::string(r.exe) + "|" + r.params) << r.line;
    }
}

TEST(CtlNames, DropTAndFirstCharacter) {
    EXPECT_EQ(DropT("TForm") + DropT("tEdit") + DropT("T") + DropT("Panel"), "FormEditTPanel");
    EXPECT_EQ(AnsiUpperFirstChar("abc"), "Abc");
    EXPECT_EQ(AnsiUpperFirstChar("\x81\x61"
                                 "b"),
              "\x81\x61"
              "b");
}

TEST(GradientBands, StripesAndRemainder) {
    auto text = [](const std::vector<TGradientBand>& bands) {
        std::string s;
        for (const auto& b : bands) s += Format("%d-%d:%06X ", b.from, b.to, b.color);
        return s;
    };
    // Three colours over 10 pixels: bands of 3, the last pixel in the end colour.
    EXPECT_EQ(text(GradientBands(10, 0x000000, 0x0000FF, fdTopToBottom, 3)),
              "0-3:000000 3-6:000080 6-9:0000FF 9-10:0000FF ");
    // Reversed directions swap the colours.
    EXPECT_EQ(text(GradientBands(4, 0x000000, 0xFFFFFF, fdRightToLeft, 2)),
              "0-2:FFFFFF 2-4:000000 ");
    // Colours limited to the extent; fewer than two: one fill; nothing to fill: none.
    EXPECT_EQ(GradientBands(3, 0, 0xFF, fdLeftToRight, 256).size(), 3u);
    EXPECT_EQ(text(GradientBands(5, 0x123456, 0, fdTopToBottom, 1)), "0-5:123456 ");
    EXPECT_TRUE(GradientBands(0, 0, 0xFF, fdTopToBottom, 8).empty());
    EXPECT_EQ(text(GradientBands(1, 0x10, 0x20, fdTopToBottom, 8)), "0-1:000020 ");
}

TEST(FileNames, NormalDirAndRemoveBackSlash) {
    const char* const rows[][3] = {
        // name, NormalDir, RemoveBackSlash
        {"C", "C:\\", "C"},
        {"C:", "C:", "C:"},
        {"C:\\", "C:\\", "C:\\"},
        {"C:\\dir", "C:\\dir\\", "C:\\dir"},
        {"C:\\dir\\", "C:\\dir\\", "C:\\dir"},
        {"\\", "\\", "\\"},
        {"", "", ""},
        {"1", "1\\", "1"},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(NormalDir(r[0]), r[1]) << r[0];
        EXPECT_EQ(RemoveBackSlash(r[0]), r[2]) << r[0];
    }
}

TEST(FileNames, ValidByTheSystemsRules) {
    const struct {
        const char* name;
        bool valid;
    } rows[] = {
        {"log[1].txt", true},  // brackets are legal
        {"C:\\dir\\file.txt", true},
        {"dir/sub/file", true},
        {"\\\\server\\share\\f", true},
        {"\xB0\xA1\xB3\xAA.txt", true},
        {"what?.txt", false},
        {"*.txt", false},
        {"a|b", false},
        {"a<b", false},
        {"say \"hi\"", false},
        {"tab\there", false},
        {"C:\\a:b", false},  // a colon only after the drive letter
        {"1:\\x", false},
        {"", false},
        {"C:\\dir\\", false},  // no file name
        {"..", false},
        {"CON", false},
        {"C:\\x\\nul.txt", false},
        {"com1", false},
        {"LPT9.log", false},
        {"console.txt", true},
        {"COM10", true},
    };
    for (const auto& r : rows) EXPECT_EQ(ValidFileName(r.name), r.valid) << r.name;
}

TEST(Memory, ComparesBlocksAndCopiesStrings) {
    const char a[] = "abcX", b[] = "abcY";
    EXPECT_TRUE(CompareMem(a, b, 3));
    EXPECT_FALSE(CompareMem(a, b, 4));
    EXPECT_TRUE(CompareMem(a, b, 0));
    EXPECT_TRUE(CompareMem(nullptr, nullptr, -1));
    const std::string text("\xC7\xD1\0z", 4);
    auto copy = StrPAlloc(text);
    EXPECT_EQ(std::string(copy.get(), 5), std::string("\xC7\xD1\0z\0", 5));
    EXPECT_STREQ(StringToPChar("abc"), "abc");
}

}  // namespace
