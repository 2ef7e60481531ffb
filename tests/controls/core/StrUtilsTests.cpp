#include "controls/core/StrUtils.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "controls/core/MaxMin.h"
#include "framework/core/SysUtils.h"

namespace {

struct Row {
    std::string got;
    std::string want;
};

void Check(std::initializer_list<Row> rows) {
    int line = 0;
    for (const Row& r : rows) {
        SCOPED_TRACE(++line);
        EXPECT_EQ(r.got, r.want);
    }
}

TEST(StrUtils, BuildingAndTrimming) {
    Check({
        {MakeStr('x', 3), "xxx"},
        {MakeStr('x', -1), ""},
        {AddChar('0', "12", 5), "00012"},
        {AddCharR('.', "12", 4), "12.."},
        {AddChar('0', "123456", 3), "123456"},
        {LeftStr("abcdef", 3), "abcdef"},  // pads, never cuts
        {RightStr("ab", 4), "  ab"},
        {CenterStr("ab", 7), "  ab   "},
        {CenterStr("abc", 2), "abc"},
        {DelSpace(" a b "), "ab"},
        {DelChars("a-b-c", '-'), "abc"},
        {DelBSpace("  a \t"), "a \t"},
        {DelESpace(" a  "), " a"},
        {DelRSpace("  a b  "), "a b"},
        {DelSpace1("a   b  c"), "a b c"},
        {Tab2Space("a\tb", 2), "a  b"},
        {ReplaceStr("aaa", "a", "aa"), "aaaaaa"},  // a replacement is not searched again
        {ReplaceStr("abcabc", "bc", ""), "aa"},
        {ReplaceStr("abc", "", "x"), "abc"},  // nothing to search for
        {Numb2USA("1234567"), "1,234,567"},
        {Numb2USA("123"), "123"},
        {QuotedString("it's", '\''), "'it''s'"},
        {ExtractQuotedString("'it''s'", '\''), "it's"},
        {ExtractQuotedString("plain", '\''), "plain"},
        {AnsiProperCase("hELLO wORLD-x", " -"), "Hello World-X"},
        {AnsiProperCase("\xB0\xA1"
                        "ab",
                        " "),
         "\xB0\xA1"
         "ab"},  // a double-byte start stays
    });
}

TEST(StrUtils, SearchingAndWords) {
    std::string rest = "key  value";
    std::string head = Copy2SpaceDel(rest);
    std::string rest2 = "a=b";
    std::string head2 = Copy2SymbDel(rest2, '=');
    int pos = 0;
    std::string fourth = ExtractWordPos(4, "a b", " ", pos);
    Check({
        {head + "|" + rest, "key|value"},
        {head2 + "|" + rest2, "a|=b"},
        {Copy2Symb("abc", 'x'), "abc"},
        {ExtractWord(2, "a,,c", ","), "c"},
        {ExtractDelimited(2, "a,,c", ","), ""},
        {ExtractDelimited(3, "a,,c", ","), "c"},
        {ExtractDelimited(4, "a,,c", ","), ""},
        {ExtractWord(0, "a b", " "), ""},
        {fourth + IntToStr(pos), "0"},
    });
    EXPECT_EQ(WordCount("  one two,three ", " ,"), 3);
    EXPECT_EQ(WordCount("", " "), 0);
    EXPECT_EQ(WordPosition(2, "  one two", " "), 7);
    EXPECT_EQ(WordPosition(3, "  one two", " "), 0);
    EXPECT_TRUE(IsWordPresent("two", "one two", " "));
    EXPECT_FALSE(IsWordPresent("tw", "one two", " "));
    EXPECT_EQ(NPos("aa", "aaaa", 3), 3);  // hits overlap
    EXPECT_EQ(NPos("a", "aaa", 4), 0);
    EXPECT_EQ(NPos("a", "aaa", 0), 0);
    EXPECT_EQ(FindPart("b?d", "abcde"), 2);
    EXPECT_EQ(FindPart("x", "abc"), 0);
    EXPECT_TRUE(IsEmptyStr(" \t", " \t"));
    EXPECT_FALSE(IsEmptyStr(" x", " "));
    // Walking a ";" list: the last field ends the text.
    int at = 1;
    std::string a = ExtractSubstr("a;b", at, ";");
    EXPECT_EQ(a + IntToStr(at), "a3");
    std::string b = ExtractSubstr("a;b", at, ";");
    EXPECT_EQ(b + IntToStr(at), "b4");
    EXPECT_EQ(ExtractSubstr("a;b", at, ";") + IntToStr(at), "4");
}

TEST(StrUtils, Wildcards) {
    const struct {
        const char* input;
        const char* wilds;
        bool ignoreCase;
        bool match;
    } cases[] = {
        {"readme.txt", "*.TXT", true, true},
        {"readme.txt", "*.TXT", false, false},
        {"abc", "abc", false, true},
        {"abc", "a?c", false, true},
        {"abc", "a*", false, true},
        {"abc", "*", false, true},
        {"", "*", false, true},
        {"", "a", false, false},
        {"abc", "", false, false},
        {"abc", "**c", false, true},
        {"aXbYc", "a*b*c", false, true},
        {"abcbc", "a*bc", false, true},  // the last piece is matched at the end
        {"abcbd", "a*bc", false, false},
        {"ab", "abc*", false, false},  // the pattern wants more than there is
        {"abc", "ab", false, false},
        {"abc", "abc*", false, true},
        {"ab", "a*b*", false, true},
        {"x.cpp", "*.c?p", false, true},
        {"x.h", "*.c?p", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.input) + " ~ " + c.wilds);
        EXPECT_EQ(IsWild(c.input, c.wilds, c.ignoreCase), c.match);
    }
}

TEST(StrUtils, Numbers) {
    Check({
        {Dec2Hex(255, 4), "00FF"},
        {Dec2Numb(255, 0, 2), "11111111"},
        {Dec2Numb(35, 3, 36), "00Z"},
        {Dec2Numb(0, 1, 10), "0"},
        {Dec2Numb(-5, 4, 10), ""},
        {IntToBin(5, 8, 4), " 0000 0101"},
        {IntToBin(5, 4, 0), "0101"},  // no grouping
        {IntToBin(-1, 40, 8), " 11111111 11111111 11111111 11111111"},
        {IntToRoman(1994), "MCMXCIV"},
        {IntToRoman(0), ""},
    });
    EXPECT_THROW(Dec2Numb(10, 0, 1), EConvertError);
    EXPECT_THROW(Dec2Numb(10, 0, 37), EConvertError);
    EXPECT_EQ(Hex2Dec("ff") + Hex2Dec("$10") + Hex2Dec("zz"), 255 + 16 + 0);
    EXPECT_EQ(Numb2Dec("zz", 36), 35 * 36 + 35);
    EXPECT_EQ(Numb2Dec("101", 2), 5);
    EXPECT_EQ(RomanToInt("XIV"), 14);
    EXPECT_EQ(RomanToInt("-ix"), -9);
    EXPECT_EQ(RomanToInt("XZ"), 0);
    EXPECT_EQ(RomanToInt(""), 0);
}

TEST(StrUtils, CommandLineSwitches) {
    const std::vector<std::string> params = {"-Debug", "/log", "file.txt", "x"};
    EXPECT_TRUE(FindCmdLineSwitch(params, "debug", "-/", true));
    EXPECT_FALSE(FindCmdLineSwitch(params, "debug", "-/", false));
    EXPECT_FALSE(FindCmdLineSwitch(params, "ile.txt", "-/", true));  // not a switch character
    EXPECT_TRUE(FindCmdLineSwitch(params, "ile.txt", "", true));
    EXPECT_FALSE(FindCmdLineSwitch(params, "", "-/", true));
    EXPECT_EQ(GetCmdLineArg(params, "LOG", "-/"), "file.txt");
    EXPECT_EQ(GetCmdLineArg({"-last"}, "last", "-"), "");
    EXPECT_EQ(GetCmdLineArg(params, "none", "-"), "");
}

TEST(MaxMin, PicksAndSwaps) {
    int32_t a = 1, b = 2;
    SwapInt(a, b);
    EXPECT_EQ(a * 10 + b, 21);
    EXPECT_EQ(Max(-3, 2) + Min(-3, 2), -1);
    const int32_t ints[] = {4, -7, 9};
    EXPECT_EQ(MaxInteger(ints) - MinInteger(ints), 16);
    const TDateTime dates[] = {EncodeDate(2020, 1, 2), EncodeDate(1999, 3, 4)};
    EXPECT_EQ(MaxDateTime(dates), dates[0]);
    EXPECT_EQ(MinDateTime(dates), dates[1]);
    EXPECT_THROW(MaxFloat({}), Exception);
    // Any ordered type: texts by their bytes, of equal ones the first.
    EXPECT_EQ(MaxOf<std::string>({"b", "\xB0\xA1", "a"}), "\xB0\xA1");
    EXPECT_EQ(MinOf<std::string>({"b", "B", "a"}), "B");
    EXPECT_EQ(MaxOf({2.5, -1.0, 2.5}), 2.5);
    EXPECT_THROW(MinOf<int>({}), Exception);
}

}  // namespace
