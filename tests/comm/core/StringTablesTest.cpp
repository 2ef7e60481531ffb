#include "comm/core/StringTables.h"

#include <gtest/gtest.h>

#include "comm/core/CommErrors.h"

namespace {

std::vector<uint8_t> SmallTable() {
  return BuildStr0Table({{3007, u"Buffer is empty"}, {-5, u"minus five"}, {1, u""}, {70000, u"\uD55C\uAE00 text"}});
}

TEST(StringTables, RoundTripKeepsEveryRow) {
  auto blob = SmallTable();
  TStr0Table table(blob);
  EXPECT_EQ(table.Count(), 4u);
  EXPECT_EQ(table.GetString(3007), "Buffer is empty");
  EXPECT_EQ(table.GetString(-5), "minus five");  // ids compare as signed numbers
  EXPECT_EQ(table.GetString(1), "");
  EXPECT_EQ(table.GetString(70000), "?? text");  // the portable conversion marks non-ASCII
  std::u16string wide;
  ASSERT_TRUE(table.Find(70000, wide));
  EXPECT_EQ(wide, u"\uD55C\uAE00 text");
  EXPECT_EQ(table.GetString(2), "");
  table.ReportMissing = true;
  EXPECT_THROW(table.GetString(2), ELinkStringResourceError);
}

TEST(StringTables, BufferedCopiesAreCutToFit) {
  auto blob = SmallTable();
  TStr0Table table(blob);
  char ascii[6];
  EXPECT_STREQ(table.GetAsciiZ(3007, ascii, sizeof ascii), "Buffe");
  char16_t wide[4];
  EXPECT_EQ(std::u16string(table.GetWideChar(3007, wide, 4)), u"Buf");
  char one[1];
  EXPECT_STREQ(table.GetAsciiZ(3007, one, 1), "");
}

// Every prefix of a sound table, and tables with a damaged field, are refused whole:
// the reader never reads outside the bytes it was given (ASan watches).
TEST(StringTables, DamagedTablesAreRefused) {
  auto blob = SmallTable();
  for (size_t n = 1; n < blob.size(); ++n) {
    std::vector<uint8_t> cut(blob.begin(), blob.begin() + long(n));
    EXPECT_THROW(TStr0Table{cut}, ELinkStringResourceError) << "prefix " << n;
  }
  struct Damage {
    size_t at;
    uint8_t value;
  } damages[] = {
      {0, 'X'},          // magic
      {4, 0xFF},         // count larger than the index room
      {8 + 4, 0xFF},     // first offset past the end
      {8 + 8, 0x7F},     // first length past the end
      {8 + 12 + 3, 0x80} // second id now below the first: index not sorted
  };
  for (const auto& d : damages) {
    auto bad = blob;
    bad[d.at] = d.value;
    EXPECT_THROW(TStr0Table{bad}, ELinkStringResourceError) << "byte " << d.at;
  }
  TStr0Table empty;
  EXPECT_FALSE(empty.IsOpen());
  EXPECT_EQ(empty.GetString(1), "");
  empty.ChangeResource(blob);
  EXPECT_TRUE(empty.IsOpen());
  empty.ChangeResource({});
  EXPECT_FALSE(empty.IsOpen());
}

TEST(StringTables, SourceParserReportsTheBadLine) {
  struct Row {
    const char* text;
    bool ok;
    const char* error;
  } rows[] = {
      {"# c\n[A]\n1\tone\r\n\n2\ttwo\n", true, ""},
      {"1\tone\n", false, "line 1: row outside a table"},
      {"[A]\nx\tone\n", false, "line 2: expected an id, a tab and a text"},
      {"[A]\n1 one\n", false, "line 2: expected an id, a tab and a text"},
      {"[A]\n1\ta\n1\tb\n", false, "line 3: id 1 given twice"},
      {"[A]\n1\t\xC3\n", false, "line 2: text is not UTF-8"},
      {"[]\n", false, "line 1: bad table name"},
  };
  for (const auto& r : rows) {
    std::vector<TStringSection> sections;
    std::string error;
    EXPECT_EQ(ParseStringSource(r.text, sections, error), r.ok) << r.text;
    EXPECT_EQ(error, r.error);
  }
  EXPECT_THROW(BuildStr0Table({{1, u"a"}, {1, u"b"}}), std::invalid_argument);
}

}  // namespace
