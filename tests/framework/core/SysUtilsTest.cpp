#include "framework/core/SysUtils.h"

#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <optional>
#include <utility>
#include <vector>

#include "framework/core/TempDir.h"

namespace {

struct IntCase {
  const char* text;
  std::optional<int32_t> value;  // nullopt: not an integer
};

TEST(StrToInt, ReadsDecimalAndDollarHexAndRejectsEverythingElse) {
  const IntCase cases[] = {
      {"0", 0},
      {"123", 123},
      {"-123", -123},
      {"+7", 7},
      {"  42", 42},
      {"$FF", 255},
      {"$ff", 255},
      {"0x1A", 26},
      {"-$10", -16},
      {"$FFFFFFFF", -1},
      {"$80000000", INT32_MIN},
      {"2147483647", INT32_MAX},
      {"-2147483648", INT32_MIN},
      {"2147483648", std::nullopt},
      {"-2147483649", std::nullopt},
      {"$100000000", std::nullopt},
      {"99999999999999999999", std::nullopt},
      {"", std::nullopt},
      {" ", std::nullopt},
      {"-", std::nullopt},
      {"$", std::nullopt},
      {"0x", std::nullopt},
      {"12 ", std::nullopt},
      {"1a", std::nullopt},
      {"$G", std::nullopt},
      {"--1", std::nullopt},
  };
  for (const IntCase& c : cases) {
    SCOPED_TRACE(std::string("text '") + c.text + "'");
    EXPECT_EQ(StrToIntDef(c.text, 999), c.value.value_or(999));
    if (c.value) {
      EXPECT_EQ(StrToInt(c.text), *c.value);
    } else {
      EXPECT_THROW(StrToInt(c.text), EConvertError);
    }
  }
}

TEST(StrToInt, ErrorNamesTheText) {
  try {
    StrToInt("abc");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message, "'abc' is not a valid integer value");
  }
}

TEST(IntToHexAndStr, WidthsAndNegativeBitPatterns) {
  EXPECT_EQ(IntToHex(255, 2), "FF");
  EXPECT_EQ(IntToHex(255, 4), "00FF");
  EXPECT_EQ(IntToHex(0x1234, 2), "1234");
  EXPECT_EQ(IntToHex(0, 0), "0");
  EXPECT_EQ(IntToHex(-1, 2), "FFFFFFFF");
  EXPECT_EQ(IntToHex(int64_t{-1}, 1), "FFFFFFFFFFFFFFFF");
  EXPECT_EQ(IntToStr(INT32_MIN), "-2147483648");
  EXPECT_EQ(IntToStr(INT64_MAX), "9223372036854775807");
}

TEST(Format, Conversions) {
  const std::pair<std::string, std::string> cases[] = {
      {Format("%d,%d,%d,%d", 1, -2, 3, 4), "1,-2,3,4"},
      {Format("%02d:%02d:%02d", 1, 5, 3), "01:05:03"},
      {Format("%.2d|%.3d", 5, 7), "05|007"},
      {Format("%8s|%-8s|%-12s|", "ab", "cd", "ef"), "      ab|cd      |ef          |"},
      {Format("%08.8x  %07.7d", 0x1A2B, 1234), "00001a2b  0001234"},
      {Format("%x %X", -1, int64_t{-1}), "ffffffff FFFFFFFFFFFFFFFF"},
      {Format("%u", -1), "4294967295"},
      {Format("%lu 0 0 0 %d %ld", 70000u, 1, 70000L), "70000 0 0 0 1 70000"},
      {Format("%5d|%-5d|%05d", -42, -42, -42), "  -42|-42  |-0042"},
      {Format("%+d % d", 5, 5), "+5  5"},
      {Format("%*d|%-*d|", 4, 7, 3, 8), "   7|8  |"},
      {Format("%o %#x %#o", 8, 255, 8), "10 0xff 010"},
      {Format("%.3s", "abcdef"), "abc"},
      {Format("%.2f %e", 3.14159, 1500.0), "3.14 1.500000e+03"},
      {Format("%d", static_cast<char>(0xB0)), "176"},
      {Format("100%%"), "100%"},
      {Format("COM%d", 12), "COM12"},
      {Format("\"%s\"", std::string("a b")), "\"a b\""},
      {Format("%p", reinterpret_cast<const void*>(0x1F)), std::string(sizeof(void*) * 2 - 2, '0') + "1F"},
  };
  for (const auto& [got, want] : cases) EXPECT_EQ(got, want);
}

TEST(Format, KeepsNulBytesOfCharsAndStrings) {
  // A SOCKS 4 request: version, command, port, address, user id, terminator.
  std::string req = Format("%c%c%c%c%c%c%c%c%s", 4, 1, 0, 23, 127, 0, 0, 1, std::string("me\0", 3));
  EXPECT_EQ(req, std::string("\x04\x01\x00\x17\x7F\x00\x00\x01me\x00", 11));
  EXPECT_EQ(Format("%s|", std::string("a\0b", 3)), std::string("a\0b|", 4));
  EXPECT_EQ(Format("%c", 0x1FF), "\xFF");
}

TEST(Format, MismatchesThrowInsteadOfReadingGarbage) {
  EXPECT_THROW(Format("%d"), EConvertError);
  EXPECT_THROW(Format("%d %d", 1), EConvertError);
  EXPECT_THROW(Format("%d", "x"), EConvertError);
  EXPECT_THROW(Format("%s", 5), EConvertError);
  EXPECT_THROW(Format("%f", 5), EConvertError);
  EXPECT_THROW(Format("%q", 1), EConvertError);
  EXPECT_THROW(Format("abc%", 1), EConvertError);
  EXPECT_THROW(Format("%l", 1), EConvertError);
  EXPECT_THROW(Format("%99999999d", 1), EConvertError);
  EXPECT_THROW(Format("%*d", "x", 1), EConvertError);
  EXPECT_EQ(Format("%d", 1, 2, 3), "1");  // extra arguments are ignored
}

TEST(Trim, BlanksAndControlBytesAtTheEdgesOnly) {
  const char* const cases[][4] = {
      // input, Trim, TrimLeft, TrimRight
      {"", "", "", ""},
      {"   ", "", "", ""},
      {"  a b  ", "a b", "a b  ", "  a b"},
      {"\t\r\nx\x01", "x", "x\x01", "\t\r\nx"},
      {"\xB0\xA1 ", "\xB0\xA1", "\xB0\xA1 ", "\xB0\xA1"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Trim(c[0]), c[1]);
    EXPECT_EQ(TrimLeft(c[0]), c[2]);
    EXPECT_EQ(TrimRight(c[0]), c[3]);
  }
}

TEST(AnsiCase, MapsAsciiLettersAndKeepsDoubleByteCharacters) {
  EXPECT_EQ(AnsiUpperCase("abcXYZ12"), "ABCXYZ12");
  EXPECT_EQ(AnsiLowerCase("abcXYZ12"), "abcxyz12");
  // Code page 949 trail bytes may be ASCII letters: the pair stays as it is.
  EXPECT_EQ(AnsiUpperCase("\x81\x61" "a"), "\x81\x61" "A");
  EXPECT_EQ(AnsiLowerCase("\x81\x41" "A"), "\x81\x41" "a");
  EXPECT_EQ(AnsiUpperCase("a\x81"), "A\x81");  // a lone lead byte at the end

  EXPECT_EQ(AnsiCompareText("telnet://", "TELNET://"), 0);
  EXPECT_LT(AnsiCompareText("a", "B"), 0);
  EXPECT_GT(AnsiCompareText("b", "A"), 0);
  EXPECT_NE(AnsiCompareText("\x81\x61", "\x81\x41"), 0);
  EXPECT_NE(AnsiCompareStr("a", "A"), 0);
  EXPECT_GT(AnsiCompareStr("\x80", "z"), 0);  // bytes compare unsigned
  EXPECT_EQ(AnsiCompareStr("abc", "abc"), 0);
}

TEST(PosAndCopy, CountFromOne) {
  EXPECT_EQ(Pos("b", "abc"), 2);
  EXPECT_EQ(Pos("abc", "abc"), 1);
  EXPECT_EQ(Pos("x", "abc"), 0);
  EXPECT_EQ(Pos("", "abc"), 0);
  const std::string s = "abcdef";
  EXPECT_EQ(Copy(s, 2, 3), "bcd");
  EXPECT_EQ(Copy(s, 0, 2), "ab");
  EXPECT_EQ(Copy(s, -5, 2), "ab");
  EXPECT_EQ(Copy(s, 6, 10), "f");
  EXPECT_EQ(Copy(s, 7, 1), "");
  EXPECT_EQ(Copy(s, 1, 0), "");
  EXPECT_EQ(Copy(s, 1, -1), "");
  EXPECT_EQ(Copy("", 1, 1), "");
  EXPECT_EQ(Copy("Direct to COM12", 14, INT_MAX), "12");
}

TEST(QuotedStr, RoundTrip) {
  EXPECT_EQ(AnsiQuotedStr("it's", '\''), "'it''s'");
  EXPECT_EQ(AnsiQuotedStr("", '"'), "\"\"");
  std::string src = "'it''s' rest";
  EXPECT_EQ(AnsiExtractQuotedStr(src, '\''), "it's");
  EXPECT_EQ(src, " rest");
  src = "'no end";
  EXPECT_EQ(AnsiExtractQuotedStr(src, '\''), "no end");
  EXPECT_EQ(src, "");
  src = "plain";
  EXPECT_EQ(AnsiExtractQuotedStr(src, '\''), "");
  EXPECT_EQ(src, "plain");
  for (const char* text : {"", "a\"b", "\"\"", "\xB0\"\xA1"}) {
    std::string quoted = AnsiQuotedStr(text, '"');
    EXPECT_EQ(AnsiExtractQuotedStr(quoted, '"'), text);
    EXPECT_EQ(quoted, "");
  }
}

TEST(FileNames, Parts) {
  const char* const cases[][4] = {
      // name, ExtractFilePath, ExtractFileName, ExtractFileExt
      {"C:\\dir\\a.txt", "C:\\dir\\", "a.txt", ".txt"},
      {"a.b.txt", "", "a.b.txt", ".txt"},
      {"C:a.txt", "C:", "a.txt", ".txt"},
      {"/tmp/x", "/tmp/", "x", ""},
      {"dir.d\\file", "dir.d\\", "file", ""},
      {"file.", "", "file.", "."},
      {"C:\\dir\\", "C:\\dir\\", "", ""},
      {"", "", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c[0]);
    EXPECT_EQ(ExtractFilePath(c[0]), c[1]);
    EXPECT_EQ(ExtractFileName(c[0]), c[2]);
    EXPECT_EQ(ExtractFileExt(c[0]), c[3]);
  }
}

TEST(FileNames, ExistenceOfFilesAndFolders) {
  TempDir tmp;
  std::string file = tmp.Path("a.txt");
  std::ofstream(file) << "x";
  EXPECT_TRUE(FileExists(file));
  EXPECT_FALSE(DirectoryExists(file));
  EXPECT_TRUE(DirectoryExists(tmp.Dir()));
  EXPECT_TRUE(DirectoryExists(tmp.Dir() + "/"));
  EXPECT_FALSE(FileExists(tmp.Dir()));
  EXPECT_FALSE(FileExists(tmp.Path("missing")));
  EXPECT_FALSE(DirectoryExists(tmp.Path("missing")));
  EXPECT_FALSE(FileExists(""));
  EXPECT_FALSE(DirectoryExists(""));
}

TEST(Floats, ReadAndWrite) {
  EXPECT_DOUBLE_EQ(StrToFloat("3.5"), 3.5);
  EXPECT_DOUBLE_EQ(StrToFloat(" -2 "), -2.0);
  EXPECT_DOUBLE_EQ(StrToFloat("+1e3"), 1000.0);
  EXPECT_DOUBLE_EQ(StrToFloat(".5"), 0.5);
  for (const char* bad : {"", "abc", "inf", "nan", "1.2.3", "1,5", "--1"})
    EXPECT_THROW(StrToFloat(bad), EConvertError) << bad;
  EXPECT_EQ(FloatToStrF(3.14159, ffFixed, 15, 2), "3.14");
  EXPECT_EQ(FloatToStrF(12.0, ffFixed, 15, 0), "12");
  EXPECT_EQ(FloatToStrF(1e20, ffFixed, 15, 2), "1E+20");
  EXPECT_EQ(FloatToStrF(0.25, ffGeneral, 15, 0), "0.25");
}

}  // namespace
