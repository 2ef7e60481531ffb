#include "framework/core/MemIniStore.h"

#include <gtest/gtest.h>

#include "framework/core/IniStoreConformance.h"

namespace {

IniStoreHarness MemHarness() {
    return {"MemIniStore",
            [](const std::string& text) {
                return std::make_unique<MemIniStore>(MemIniStore::Parse(text));
            },
            [](IIniStore& store) {
                const auto& mem = dynamic_cast<MemIniStore&>(store);
                return std::make_unique<MemIniStore>(MemIniStore::Parse(mem.Serialize()));
            }};
}

INSTANTIATE_TEST_SUITE_P(Memory, IniStoreConformance, ::testing::Values(MemHarness()),
                         [](const auto& info) { return info.param.name; });

TEST(MemIniStore, SerialisesAndKeepsLinesThatAreNoKeys) {
    MemIniStore ini = MemIniStore::Parse(
        "; top comment\n[A]\n k = v \n;note\nstray line\n\n\n[B]\nx=\"q\"\n");
    ASSERT_TRUE(ini.WriteValue("a", "n", "2"));
    ASSERT_TRUE(ini.WriteValue("", "pre", "1"));
    ASSERT_TRUE(ini.WriteValue("C", "m", " 3 "));
    EXPECT_EQ(ini.Serialize(),
              "; top comment\r\npre=1\r\n[A]\r\nk=v\r\n;note\r\nstray line\r\nn=2\r\n"
              "[B]\r\nx=\"q\"\r\n[C]\r\nm=3\r\n");
}

TEST(MemIniStore, FoldsOnlyAsciiLettersOutsideDoubleByteCharacters) {
    // 0xB0 0x41 and 0xB0 0x61 are two different characters of code page 949.
    MemIniStore ini;
    ASSERT_TRUE(ini.WriteValue("\xB0\x41", "k", "1"));
    ASSERT_TRUE(ini.WriteValue("\xB0\x61", "k", "2"));
    EXPECT_EQ(ini.ListSections().size(), 2u);
    EXPECT_TRUE(SameIniName("\xB0\xA1" "Ab", "\xB0\xA1" "aB"));
}

TEST(MemIniStore, FailingWritesChangeNothing) {
    MemIniStore ini = MemIniStore::Parse("[A]\nk=1\n");
    ini.FailWritesAfter(1);
    EXPECT_TRUE(ini.WriteValue("A", "k", "2"));
    EXPECT_FALSE(ini.WriteValue("A", "k", "3"));
    EXPECT_FALSE(ini.WriteValue("B", "k", "3"));
    EXPECT_FALSE(ini.DeleteSection("A"));
    EXPECT_TRUE(ini.DeleteSection("missing"));
    EXPECT_EQ(ini.Serialize(), "[A]\r\nk=2\r\n");
    EXPECT_EQ(ini.WriteCount(), 1);
}

TEST(MemIniStore, RefusesValuesNoFileCanHold) {
    MemIniStore ini;
    EXPECT_FALSE(ini.WriteValue("A", "k", "a\nb"));
    EXPECT_FALSE(ini.WriteValue("A", "k", std::string("a\0b", 3)));
    EXPECT_FALSE(EncodeIniValue("a\rb"));
    EXPECT_TRUE(ini.ListSections().empty());
}

}  // namespace
