// Observable rules that every IIniStore follows, as one parameterised suite: the
// in-memory store runs it natively, the profile-file store under Wine, so the two cannot
// drift apart. Include this header in exactly one test file of an executable and
// instantiate the suite with a harness:
//   INSTANTIATE_TEST_SUITE_P(Mine, IniStoreConformance, ::testing::Values(MyHarness()),
//                            [](const auto& info) { return info.param.name; });
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/core/IniStore.h"

struct IniStoreHarness {
    std::string name;
    // A store over a file that holds `text`; an empty text means no file at all.
    std::function<std::unique_ptr<IIniStore>(const std::string& text)> open;
    // A fresh store over the file that `store` has written to.
    std::function<std::unique_ptr<IIniStore>(IIniStore& store)> reopen;
};

class IniStoreConformance : public ::testing::TestWithParam<IniStoreHarness> {
protected:
    std::unique_ptr<IIniStore> Open(const std::string& text) { return GetParam().open(text); }
    std::unique_ptr<IIniStore> Reopen(IIniStore& s) { return GetParam().reopen(s); }
};

struct IniReadCase {
    const char* what;
    const char* file;
    const char* section;
    const char* key;
    std::optional<std::string> value;
};

inline const IniReadCase kIniReadCases[] = {
    {"plain", "[S]\r\nk=v\r\n", "S", "k", "v"},
    {"LF line ends", "[S]\nk=v\n", "S", "k", "v"},
    {"names ignore case", "[Sec]\r\nKey=v\r\n", "sEC", "kEY", "v"},
    {"names trimmed in the file", "[ S ]\r\n  k  = v\r\n", "S", "k", "v"},
    {"names trimmed in the call", "[S]\r\nk=v\r\n", " S ", " k ", "v"},
    {"spaces inside a section name", "[a  b]\r\nk=1\r\n", "a  b", "k", "1"},
    {"a Korean key", "[S]\r\n\xC7\xD1=1\r\n", "S", "\xC7\xD1", "1"},
    {"value trimmed", "[S]\r\nk=   a b \t \r\n", "S", "k", "a b"},
    {"double quotes stripped", "[S]\r\nk=\" a \"\r\n", "S", "k", " a "},
    {"quotes stripped after the trim", "[S]\r\nk=  \"  x  \"  \r\n", "S", "k", "  x  "},
    {"quotes inside a value kept", "[S]\r\nk=a \"b\" c\r\n", "S", "k", "a \"b\" c"},
    {"single quotes stripped", "[S]\r\nk=' a '\r\n", "S", "k", " a "},
    {"one pair only", "[S]\r\nk=\"\"a\"\"\r\n", "S", "k", "\"a\""},
    {"unmatched quotes kept", "[S]\r\nk=\"a'\r\n", "S", "k", "\"a'"},
    {"lone quote kept", "[S]\r\nk=\"\r\n", "S", "k", "\""},
    {"empty quotes", "[S]\r\nk=\"\"\r\n", "S", "k", ""},
    {"empty value is not missing", "[S]\r\nk=\r\n", "S", "k", ""},
    {"first = splits", "[S]\r\nk=a=b\r\n", "S", "k", "a=b"},
    {"missing key", "[S]\r\nk=v\r\n", "S", "x", std::nullopt},
    {"missing section", "[S]\r\nk=v\r\n", "T", "k", std::nullopt},
    {"a ; line is read as a key", "[S]\r\n;k=v\r\n", "S", ";k", "v"},
    {"no = is no key", "[S]\r\nk\r\n", "S", "k", std::nullopt},
    {"lone CR ends a line", "[S]\r\nr=a\rb=c\r\n", "S", "b", "c"},
    {"lines before any header: section \"\"", "pre=1\r\n[S]\r\n", "", "pre", "1"},
    {"duplicate key: the first", "[S]\r\nk=1\r\nK=2\r\n", "S", "k", "1"},
    {"duplicate section: the first", "[S]\r\nk=1\r\n[s]\r\nj=2\r\n", "S", "j", std::nullopt},
    {"last ] closes the header", "[a]b]\r\nz=1\r\n", "a]b", "z", "1"},
    {"no ] is no header", "[A]\r\na=1\r\n[S\r\nk=1\r\n", "A", "k", "1"},
    {"missing file", "", "S", "k", std::nullopt},
};

TEST_P(IniStoreConformance, ReadsFileText) {
    for (const IniReadCase& c : kIniReadCases) {
        const auto store = Open(c.file);
        EXPECT_EQ(store->ReadValue(c.section, c.key), c.value) << c.what;
    }
}

// A key taken out of the middle of its section: the keys after it are still found, read and
// rewritten in place.
TEST_P(IniStoreConformance, KeysAfterADeletedOneStayReachable) {
    auto store = Open("[S]\r\na=1\r\nb=2\r\nc=3\r\n");
    ASSERT_TRUE(store->DeleteKey("S", "a"));
    EXPECT_EQ(store->ReadValue("S", "c"), "3");
    ASSERT_TRUE(store->WriteValue("S", "b", "9"));
    EXPECT_EQ(store->ListKeys("S"), (std::vector<std::string>{"b", "c"}));
    EXPECT_EQ(store->ReadValue("S", "b"), "9");
}

TEST_P(IniStoreConformance, WritesKeepFileOrder) {
    auto store = Open("[B]\r\nz=1\r\ny=2\r\n[a]\r\nx=3\r\n[D]\r\nw=5\r\n");
    ASSERT_TRUE(store->WriteValue("b", "Z", "9"));  // rewrite: keeps its place and spelling
    ASSERT_TRUE(store->WriteValue("B", "new", "4"));
    ASSERT_TRUE(store->WriteValue("C", "k", ""));
    EXPECT_TRUE(store->DeleteSection("A"));
    EXPECT_TRUE(store->DeleteSection("missing"));
    EXPECT_TRUE(store->DeleteKey("d", "W"));
    EXPECT_TRUE(store->DeleteKey("B", "missing"));
    EXPECT_TRUE(store->DeleteKey("missing", "k"));
    ASSERT_TRUE(store->WriteValue("a", "x", "6"));  // comes back at the end
    const auto again = Reopen(*store);
    EXPECT_EQ(again->ListSections(), (std::vector<std::string>{"B", "D", "C", "a"}));
    EXPECT_EQ(again->ListKeys("b"), (std::vector<std::string>{"z", "y", "new"}));
    EXPECT_TRUE(again->ListKeys("D").empty());
    EXPECT_EQ(again->ReadValue("B", "z"), "9");
    EXPECT_EQ(again->ReadValue("C", "k"), "");
    EXPECT_TRUE(again->ListKeys("none").empty());
    EXPECT_FALSE(again->HasSection("none"));
}

TEST_P(IniStoreConformance, ListsWhatTheFileHolds) {
    auto store = Open(
        "pre=1\r\n[A]\r\nk=1\r\nk=2\r\n;c=3\r\nnokey\r\nj=4\r\n"
        "[]\r\ne=1\r\n[X]\r\na=1\r\n[x]\r\nb=2\r\n");
    EXPECT_EQ(store->ListSections(), (std::vector<std::string>{"A", "X", "x"}));
    EXPECT_EQ(store->ListKeys("a"), (std::vector<std::string>{"k", "k", "j"}));
    EXPECT_FALSE(store->HasSection(""));
    EXPECT_TRUE(store->DeleteSection("x"));  // only the first of the two goes
    EXPECT_EQ(store->ListSections(), (std::vector<std::string>{"A", "x"}));
    EXPECT_EQ(store->ReadValue("X", "b"), "2");
}

// A line "=value" is a key with an empty name: it can be read, but it ends the key list.
TEST_P(IniStoreConformance, KeyWithAnEmptyNameEndsTheKeyList) {
    const auto store = Open("[S]\r\nj=1\r\n = v\r\nk=2\r\n[T]\r\nt=3\r\n");
    EXPECT_EQ(store->ListKeys("S"), (std::vector<std::string>{"j"}));
    EXPECT_EQ(store->ReadValue("S", ""), "v");
    EXPECT_EQ(store->ReadValue("S", "k"), "2");
    EXPECT_EQ(store->ListKeys("T"), (std::vector<std::string>{"t"}));
}

TEST_P(IniStoreConformance, EncodedValuesReadBackExactly) {
    const std::string values[] = {"", " a", "a ", "\"q\"", "'q'", "\"", "'", "\" '",
                                  "x=y", ";x", "[x]", "\t", "\\x1B[A", "\xB0\xA1\xB0\xA2"};
    auto store = Open("");
    for (size_t i = 0; i < std::size(values); ++i) {
        const auto encoded = EncodeIniValue(values[i]);
        ASSERT_TRUE(encoded) << i;
        ASSERT_TRUE(store->WriteValue("S", "k" + std::to_string(i), *encoded)) << i;
    }
    const auto again = Reopen(*store);
    for (size_t i = 0; i < std::size(values); ++i) {
        EXPECT_EQ(again->ReadValue("S", "k" + std::to_string(i)), values[i]) << i;
    }
}
