#include "console/core/KeyMapFile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "framework/core/MemIniStore.h"

namespace {

std::string DataFile(const std::string& name) {
    std::ifstream in(std::string(QUIRO_SOURCE_DIR) + "/tests/console/core/data/" + name,
                     std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The data files hold the exact file each "Load" button writes into a fresh folder.
TEST(KeyMapFile, LoadSetsWriteThe70ValuesInOrder) {
    for (const auto& [set, golden] : {std::pair{KeyMapSet::VT100, "keymap_vt100.ini"},
                                      std::pair{KeyMapSet::VT220, "keymap_vt220.ini"}}) {
        MemIniStore file;
        ASSERT_TRUE(WriteKeyMapDefaults(file, set));
        EXPECT_EQ(file.WriteCount(), KeyMapValueCount);
        EXPECT_EQ(file.Serialize(), DataFile(golden)) << golden;
    }
    // Over an existing file: values overwritten in place, nothing erased.
    MemIniStore file = MemIniStore::Parse("[QuiroKeyMap]\nKeyIns=mine\nExtra=kept\n");
    ASSERT_TRUE(WriteKeyMapDefaults(file, KeyMapSet::VT220));
    EXPECT_EQ(file.ListKeys("QuiroKeyMap").front(), "KeyIns");
    EXPECT_EQ(file.ReadValue("QuiroKeyMap", "KeyIns"), "\\x1B[2~");
    EXPECT_EQ(file.ReadValue("QuiroKeyMap", "Extra"), "kept");
}

struct ReadCase {
    const char* what;
    const char* file;  // nullptr: the VT220 set
    int code;
    int variant;
    KeyMapReader reader;
    const char* text;
};

constexpr KeyMapReader E = KeyMapReader::Editor;
constexpr KeyMapReader C = KeyMapReader::Console;

const ReadCase kReads[] = {
    {"missing: editor takes VT100", "", 16, 1, E, "\\x1BOM"},
    {"missing: console takes one LF", "", 16, 1, C, "\n"},
    {"missing: VT100 for the console too", "", 62, 0, C, "\\x1BOz"},
    {"empty value stays empty", "[QuiroKeyMap]\nKeyUp_Norm=\n", 21, 0, C, ""},
    {"empty Enter value stays empty", "[QuiroKeyMap]\nKeyPadENT_Alt=\n", 16, 1, C, ""},
    {"names ignore case", "[quirokeymap]\nkeyup_norm=up\n", 21, 0, E, "up"},
    {"keypad Enter: no normal value", nullptr, 16, 0, C, ""},
    {"keypad with Shift: normal", nullptr, 1, 2, C, "0"},
    {"keypad application mode", nullptr, 10, 1, C, "\\x1BOy"},
    {"F key application mode: normal", nullptr, 56, 1, C, "\\x1B[17~"},
    {"F key with Shift", nullptr, 62, 2, E, "\\x1BOS"},
    {"single key, any variant", nullptr, 36, 2, C, "\\x1B[6~"},
    {"code without a key", nullptr, 17, 0, C, ""},
    {"code beyond F12", nullptr, 63, 0, E, ""},
};

TEST(KeyMapFile, ReadersFallBackOnlyForMissingValues) {
    for (const ReadCase& c : kReads) {
        MemIniStore file = MemIniStore::Parse(c.file ? c.file : DataFile("keymap_vt220.ini"));
        EXPECT_EQ(ReadKeyMapText(file, c.code, c.variant, c.reader), c.text) << c.what;
    }
}

TEST(KeyMapFile, StoreWritesTheKeysOwnValuesAsTypedAndReportsFailures) {
    MemIniStore file;
    ASSERT_TRUE(StoreKeyMapTexts(file, 31, " \\x1B[2~ ", "ignored"));
    ASSERT_TRUE(StoreKeyMapTexts(file, 16, "ignored", "\"\\x0A\""));
    ASSERT_TRUE(StoreKeyMapTexts(file, 99, "x", "y"));
    const MemIniStore again = MemIniStore::Parse(file.Serialize());
    EXPECT_EQ(again.ListKeys("QuiroKeyMap"), (std::vector<std::string>{"KeyIns", "KeyPadENT_Alt"}));
    EXPECT_EQ(ReadKeyMapText(again, 31, 0, E), " \\x1B[2~ ");
    EXPECT_EQ(ReadKeyMapText(again, 16, 1, C), "\"\\x0A\"");

    EXPECT_FALSE(StoreKeyMapTexts(file, 51, "a\nb", ""));  // no file line can hold it
    file.FailWritesAfter(10);
    EXPECT_FALSE(WriteKeyMapDefaults(file, KeyMapSet::VT100));
    EXPECT_FALSE(StoreKeyMapTexts(file, 51, "a", "b"));
}

}  // namespace
