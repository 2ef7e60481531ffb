#include "framework/core/SysUtils.h"

#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <optional>
#include <utility>

#include "framework/core/TempDir.h"

namespace {

TEST(StrToInt, ReadsDecimalAndDollarHexAndRejectsEverythingElse) {
  const std::pair<const char*, std::optional<int32_t>> cases[] = {
      {"0", 0}, {"123", 123}, {"-123", -123}, {"+7", 7}, {"  42", 42}, {"$FF", 255}, {"$ff", 255},
      {"0x1A", 26}, {"-$10", -16}, {"$FFFFFFFF", -1}, {"$80000000", INT32_MIN},
      {"2147483647", INT32_MAX}, {"-2147483648", INT32_MIN}, {"2147483648", {}}, {"-2147483649", {}},
      {"$100000000", {}}, {"99999999999999999999", {}}, {"", {}}, {" ", {}}, {"-", {}}, {"$", {}},
      {"0x", {}}, {"12 ", {}}, {"1a", {}}, {"$G", {}}, {"--1", {}},
  };
  for (const auto& [text, value] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(StrToIntDef(text, 999), value.value_or(999));
    if (value) EXPECT_EQ(StrToInt(text), *value);
    else EXPECT_THROW(StrToInt(text), EConvertError);
  }
  try {
    StrToInt("abc");
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message, "'abc' is not a valid integer value");
  }
}

TEST(IntToHex, WidthsAndNegativeBitPatterns) {
  EXPECT_EQ(IntToHex(255, 4) + IntToHex(0x1234, 2) + IntToHex(0, 0), "00FF12340");
  EXPECT_EQ(IntToHex(-1, 2), "FFFFFFFF");
  EXPECT_EQ(IntToHex(int64_t{-1}, 1), "FFFFFFFFFFFFFFFF");
}

TEST(Format, Conversions) {
  const std::pair<std::string, std::string> cases[] = {
      {Format("%d,%d", 1, -2), "1,-2"},
      {Format("%02d:%02d:%02d", 1, 5, 3), "01:05:03"},
      {Format("%.2d|%.3d", 5, 7), "05|007"},
      {Format("%8s|%-8s|", "ab", "cd"), "      ab|cd      |"},
      {Format("%08.8x  %07.7d", 0x1A2B, 1234), "00001a2b  0001234"},
      {Format("%x %X %u", -1, int64_t{-1}, -1), "ffffffff FFFFFFFFFFFFFFFF 4294967295"},
      {Format("%lu 0 0 0 %d %ld", 70000u, 1, 70000L), "70000 0 0 0 1 70000"},
      {Format("%5d|%-5d|%05d|%+d", -42, -42, -42, 5), "  -42|-42  |-0042|+5"},
      {Format("%*d|%-*d|", 4, 7, 3, 8), "   7|8  |"},
      {Format("%o %#x", 8, 255), "10 0xff"},
      {Format("%.3s", "abcdef"), "abc"},
      {Format("%.2f", 3.14159), "3.14"},
      {Format("%d", static_cast<char>(0xB0)), "176"},  // chars are bytes
      {Format("100%%"), "100%"},
  };
  for (const auto& [got, want] : cases) EXPECT_EQ(got, want);
}

TEST(Format, KeepsNulBytesOfCharsAndStrings) {
  // A SOCKS 4 request: version, command, port, address, user id, terminator.
  std::string req = Format("%c%c%c%c%c%c%c%c%s", 4, 1, 0, 23, 127, 0, 0, 1, std::string("me\0", 3));
  EXPECT_EQ(req, std::string("\x04\x01\x00\x17\x7F\x00\x00\x01me\x00", 11));
  EXPECT_EQ(Format("%c", 0x1FF), "\xFF");
}

TEST(Format, MismatchesThrowInsteadOfReadingGarbage) {
  EXPECT_THROW(Format("%d"), EConvertError);
  EXPECT_THROW(Format("%d %d", 1), EConvertError);
  EXPECT_THROW(Format("%d", "x"), EConvertError);
  EXPECT_THROW(Format("%s", 5), EConvertError);
  EXPECT_THROW(Format("%f", 5), EConvertError);
  EXPECT_THROW(Format("%q", 1), EConvertError);
  EXPECT_THROW(Format("abc%l", 1), EConvertError);
  EXPECT_THROW(Format("%99999999d", 1), EConvertError);
  EXPECT_EQ(Format("%d", 1, 2), "1");  // extra arguments are ignored
}

TEST(Trim, BlanksAndControlBytesAtTheEdgesOnly) {
  const char* const cases[][4] = {
      // input, Trim, TrimLeft, TrimRight
      {"", "", "", ""}, {"   ", "", "", ""}, {"  a b  ", "a b", "a b  ", "  a b"},
      {"\t\r\nx\x01", "x", "x\x01", "\t\r\nx"}, {"\xB0\xA1 ", "\xB0\xA1", "\xB0\xA1 ", "\xB0\xA1"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Trim(c[0]), c[1]);
    EXPECT_EQ(TrimLeft(c[0]), c[2]);
    EXPECT_EQ(TrimRight(c[0]), c[3]);
  }
}

TEST(AnsiCase, MapsAsciiLettersAndKeepsDoubleByteCharacters) {
  EXPECT_EQ(AnsiUpperCase("abcXYZ12"), "ABCXYZ12");
  // Code page 949 trail bytes may be ASCII letters: the pair stays as it is.
  EXPECT_EQ(AnsiUpperCase("\x81\x61" "a"), "\x81\x61" "A");
  EXPECT_EQ(AnsiLowerCase("\x81\x41" "A"), "\x81\x41" "a");
  EXPECT_EQ(AnsiUpperCase("a\x81"), "A\x81");  // a lone lead byte at the end
  EXPECT_EQ(AnsiCompareText("telnet://", "TELNET://"), 0);
  EXPECT_LT(AnsiCompareText("a", "B"), 0);
  EXPECT_NE(AnsiCompareText("\x81\x61", "\x81\x41"), 0);
  EXPECT_NE(AnsiCompareStr("a", "A"), 0);
  EXPECT_GT(AnsiCompareStr("\x80", "z"), 0);  // bytes compare unsigned
}

TEST(PosAndCopy, CountFromOne) {
  EXPECT_EQ(Pos("b", "abc"), 2);
  EXPECT_EQ(Pos("x", "abc"), 0);
  EXPECT_EQ(Pos("", "abc"), 0);
  const std::pair<std::pair<int, int>, const char*> copies[] = {
      {{2, 3}, "bcd"}, {{0, 2}, "ab"}, {{-5, 2}, "ab"}, {{6, 10}, "f"}, {{7, 1}, ""}, {{1, 0}, ""}, {{1, -1}, ""},
  };
  for (const auto& [range, want] : copies) EXPECT_EQ(Copy("abcdef", range.first, range.second), want);
  EXPECT_EQ(Copy("Direct to COM12", 14, INT_MAX), "12");
}

TEST(QuotedStr, DoublesQuotesAndReadsThemBack) {
  EXPECT_EQ(AnsiQuotedStr("it's", '\''), "'it''s'");
  std::string src = "'it''s' rest", plain = "plain";
  EXPECT_EQ(AnsiExtractQuotedStr(src, '\'') + "|" + src, "it's| rest");
  EXPECT_EQ(AnsiExtractQuotedStr(plain, '\'') + "|" + plain, "|plain");
  // A lead byte before a quote is no pair: the quote is doubled and read back.
  for (const char* text : {"", "a\"b", "\"\"", "\xB0\"\xA1", "\xB0\xA1\""}) {
    std::string quoted = AnsiQuotedStr(text, '"');
    EXPECT_EQ(AnsiExtractQuotedStr(quoted, '"') + "|" + quoted, std::string(text) + "|");
  }
}

TEST(FileNames, PartsAndExistence) {
  const char* const cases[][4] = {
      // name, ExtractFilePath, ExtractFileName, ExtractFileExt
      {"C:\\dir\\a.txt", "C:\\dir\\", "a.txt", ".txt"}, {"a.b.txt", "", "a.b.txt", ".txt"},
      {"C:a.txt", "C:", "a.txt", ".txt"}, {"/tmp/x", "/tmp/", "x", ""}, {"dir.d\\file", "dir.d\\", "file", ""},
      {"C:\\dir\\", "C:\\dir\\", "", ""}, {"", "", "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ExtractFilePath(c[0]), c[1]);
    EXPECT_EQ(ExtractFileName(c[0]), c[2]);
    EXPECT_EQ(ExtractFileExt(c[0]), c[3]);
  }
  TempDir tmp;
  std::ofstream(tmp.Path("a.txt")) << "x";
  EXPECT_TRUE(FileExists(tmp.Path("a.txt")));
  EXPECT_FALSE(DirectoryExists(tmp.Path("a.txt")));
  EXPECT_TRUE(DirectoryExists(tmp.Dir() + "/"));
  EXPECT_FALSE(FileExists(tmp.Dir()));
  EXPECT_FALSE(FileExists(tmp.Path("missing")) || DirectoryExists(tmp.Path("missing")));
  EXPECT_FALSE(FileExists("") || DirectoryExists(""));
}

TEST(Floats, ReadAndWrite) {
  EXPECT_DOUBLE_EQ(StrToFloat(" -2.5 ") + StrToFloat("+1e3"), 997.5);
  for (const char* bad : {"", "abc", "inf", "nan", "1.2.3", "1,5"}) EXPECT_THROW(StrToFloat(bad), EConvertError);
  EXPECT_EQ(FloatToStrF(3.14159, ffFixed, 15, 2) + " " + FloatToStrF(1e20, ffFixed, 15, 2), "3.14 1E+20");
}

}  // namespace
