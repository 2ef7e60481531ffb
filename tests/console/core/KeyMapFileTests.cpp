#include "console/core/KeyMapFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/core/MemIniStore.h"

namespace {

struct DefaultRow {
    const char* name;
    const char* vt100;
    const char* vt220;
};

// Both built-in sets, in the order they are written.
const DefaultRow kDefaults[] = {
    {"KeyPad0_Norm", "0", "0"},           {"KeyPad0_Alt", "\\x1BOp", "\\x1BOp"},
    {"KeyPad1_Norm", "1", "1"},           {"KeyPad1_Alt", "\\x1BOq", "\\x1BOq"},
    {"KeyPad2_Norm", "2", "2"},           {"KeyPad2_Alt", "\\x1BOr", "\\x1BOr"},
    {"KeyPad3_Norm", "3", "3"},           {"KeyPad3_Alt", "\\x1BOs", "\\x1BOs"},
    {"KeyPad4_Norm", "4", "4"},           {"KeyPad4_Alt", "\\x1BOt", "\\x1BOt"},
    {"KeyPad5_Norm", "5", "5"},           {"KeyPad5_Alt", "\\x1BOu", "\\x1BOu"},
    {"KeyPad6_Norm", "6", "6"},           {"KeyPad6_Alt", "\\x1BOv", "\\x1BOv"},
    {"KeyPad7_Norm", "7", "7"},           {"KeyPad7_Alt", "\\x1BOw", "\\x1BOw"},
    {"KeyPad8_Norm", "8", "8"},           {"KeyPad8_Alt", "\\x1BOx", "\\x1BOx"},
    {"KeyPad9_Norm", "9", "9"},           {"KeyPad9_Alt", "\\x1BOy", "\\x1BOy"},
    {"KeyPadSlash_Norm", "/", "/"},       {"KeyPadSlash_Alt", "/", "/"},
    {"KeyPadMult_Norm", "*", "*"},        {"KeyPadMult_Alt", "*", "*"},
    {"KeyPadMinus_Norm", "-", "-"},       {"KeyPadMinus_Alt", "\\x1BOm", "\\x1BOm"},
    {"KeyPadPlus_Norm", "+", "+"},        {"KeyPadPlus_Alt", "+", "+"},
    {"KeyPadDot_Norm", ".", "."},         {"KeyPadDot_Alt", "\\x1BOn", "\\x1BOn"},
    {"KeyPadENT_Alt", "\\x1BOM", "\\x1BOM"},
    {"KeyUp_Norm", "\\x1B[A", "\\x1B[A"}, {"KeyUp_Alt", "\\x1BOA", "\\x1BOA"},
    {"KeyDown_Norm", "\\x1B[B", "\\x1B[B"}, {"KeyDown_Alt", "\\x1BOB", "\\x1BOB"},
    {"KeyLeft_Norm", "\\x1B[D", "\\x1B[D"}, {"KeyLeft_Alt", "\\x1BOD", "\\x1BOD"},
    {"KeyRight_Norm", "\\x1B[C", "\\x1B[C"}, {"KeyRight_Alt", "\\x1BOC", "\\x1BOC"},
    {"KeyBackspace", "\\x08", "\\x08"},   {"KeyIns", "", "\\x1B[2~"},
    {"KeyHome", "", "\\x1B[1~"},          {"KeyPgUp", "", "\\x1B[5~"},
    {"KeyDel", "\\x7F", "\\x7F"},         {"KeyEnd", "", "\\x1B[4~"},
    {"KeyPgDn", "", "\\x1B[6~"},
    {"KeyF1_Norm", "\\x1BOP", ""},        {"KeyF1_Shift", "", "\\x1B[25~"},
    {"KeyF2_Norm", "\\x1BOQ", ""},        {"KeyF2_Shift", "", "\\x1B[26~"},
    {"KeyF3_Norm", "\\x1BOR", ""},        {"KeyF3_Shift", "", "\\x1B[28~"},
    {"KeyF4_Norm", "\\x1BOS", ""},        {"KeyF4_Shift", "", "\\x1B[29~"},
    {"KeyF5_Norm", "\\x1BOt", ""},        {"KeyF5_Shift", "", "\\x1B[31~"},
    {"KeyF6_Norm", "\\x1BOu", "\\x1B[17~"}, {"KeyF6_Shift", "", "\\x1B[32~"},
    {"KeyF7_Norm", "\\x1BOv", "\\x1B[18~"}, {"KeyF7_Shift", "", "\\x1B[33~"},
    {"KeyF8_Norm", "\\x1BOl", "\\x1B[19~"}, {"KeyF8_Shift", "", "\\x1B[34~"},
    {"KeyF9_Norm", "\\x1BOw", "\\x1B[20~"}, {"KeyF9_Shift", "", "\\x1BOP"},
    {"KeyF10_Norm", "\\x1BOx", "\\x1B[21~"}, {"KeyF10_Shift", "", "\\x1BOQ"},
    {"KeyF11_Norm", "\\x1BOy", "\\x1B[23~"}, {"KeyF11_Shift", "", "\\x1BOR"},
    {"KeyF12_Norm", "\\x1BOz", "\\x1B[24~"}, {"KeyF12_Shift", "", "\\x1BOS"},
};

TEST(KeyMapFile, LoadSetsWriteThe70ValuesInOrder) {
    ASSERT_EQ(std::size(kDefaults), static_cast<size_t>(KeyMapValueCount));
    std::vector<std::string> order;
    for (const DefaultRow& r : kDefaults) order.push_back(r.name);
    for (const KeyMapSet set : {KeyMapSet::VT100, KeyMapSet::VT220}) {
        MemIniStore file;
        ASSERT_TRUE(WriteKeyMapDefaults(file, set));
        // Read back from the file text, as the next opening of the file would.
        const MemIniStore again = MemIniStore::Parse(file.Serialize());
        EXPECT_EQ(again.ListSections(), std::vector<std::string>{"QuiroKeyMap"});
        EXPECT_EQ(again.ListKeys("QuiroKeyMap"), order);
        EXPECT_EQ(file.WriteCount(), KeyMapValueCount);
        for (const DefaultRow& r : kDefaults) {
            EXPECT_EQ(again.ReadValue("QuiroKeyMap", r.name),
                      set == KeyMapSet::VT100 ? r.vt100 : r.vt220)
                << r.name;
        }
    }
}

TEST(KeyMapFile, LoadSetOverwritesAndErasesNothing) {
    MemIniStore file = MemIniStore::Parse("[QuiroKeyMap]\nKeyIns=mine\nExtra=kept\n[Other]\na=1\n");
    ASSERT_TRUE(WriteKeyMapDefaults(file, KeyMapSet::VT220));
    EXPECT_EQ(file.ReadValue("QuiroKeyMap", "KeyIns"), "\\x1B[2~");
    EXPECT_EQ(file.ReadValue("QuiroKeyMap", "Extra"), "kept");
    EXPECT_EQ(file.ReadValue("Other", "a"), "1");
    EXPECT_EQ(file.ListKeys("QuiroKeyMap").size(), static_cast<size_t>(KeyMapValueCount + 1));
}

struct ReadCase {
    const char* what;
    const char* file;
    int code;
    int variant;
    KeyMapReader reader;
    const char* text;
};

constexpr KeyMapReader E = KeyMapReader::Editor;
constexpr KeyMapReader C = KeyMapReader::Console;
const char* const kVt100File = nullptr;  // marker: the file holds the VT100 set

const ReadCase kReads[] = {
    {"missing file, editor: VT100 default", "", 16, 1, E, "\\x1BOM"},
    {"missing file, console: one LF", "", 16, 1, C, "\n"},
    {"keypad Enter has no normal value", "", 16, 0, C, ""},
    {"keypad Enter has no Shift value", "", 16, 2, E, ""},
    {"missing value: VT100 default", "[QuiroKeyMap]\nKeyUp_Alt=x\n", 21, 0, C, "\\x1B[A"},
    {"empty value stays empty", "[QuiroKeyMap]\nKeyUp_Norm=\n", 21, 0, C, ""},
    {"empty Enter value stays empty", "[QuiroKeyMap]\nKeyPadENT_Alt=\n", 16, 1, C, ""},
    {"names ignore case", "[quirokeymap]\nkeyup_norm=up\n", 21, 0, E, "up"},
    {"keypad Shift gives normal", "[QuiroKeyMap]\nKeyPad0_Norm=n\n", 1, 2, C, "n"},
    {"application mode", "[QuiroKeyMap]\nKeyPad9_Alt=a\n", 10, 1, C, "a"},
    {"F key application mode gives normal", "[QuiroKeyMap]\nKeyF1_Norm=n\n", 51, 1, C, "n"},
    {"F key with Shift", "[QuiroKeyMap]\nKeyF12_Shift=s\n", 62, 2, C, "s"},
    {"missing Shift value is empty", "", 55, 2, E, ""},
    {"single key, any variant", "[QuiroKeyMap]\nKeyPgDn=p\n", 36, 1, C, "p"},
    {"single key default", "", 41, 2, C, "\\x08"},
    {"VT100 set: Insert is empty", kVt100File, 31, 0, E, ""},
    {"code without a key", "", 17, 0, C, ""},
    {"code beyond F12", "", 63, 0, E, ""},
    {"code 0", "", 0, 0, E, ""},
};

TEST(KeyMapFile, ReadersFallBackOnlyForMissingValues) {
    for (const ReadCase& c : kReads) {
        MemIniStore file;
        if (c.file) {
            file = MemIniStore::Parse(c.file);
        } else {
            ASSERT_TRUE(WriteKeyMapDefaults(file, KeyMapSet::VT100));
        }
        EXPECT_EQ(ReadKeyMapText(file, c.code, c.variant, c.reader), c.text) << c.what;
    }
}

TEST(KeyMapFile, StoreWritesOnlyTheKeysOwnValuesAsTyped) {
    MemIniStore file;
    ASSERT_TRUE(StoreKeyMapTexts(file, 31, " \\x1B[2~ ", "ignored"));
    ASSERT_TRUE(StoreKeyMapTexts(file, 16, "ignored", "\"\\x0A\""));
    ASSERT_TRUE(StoreKeyMapTexts(file, 55, "", "\\x1B[31~"));
    ASSERT_TRUE(StoreKeyMapTexts(file, 99, "x", "y"));
    const MemIniStore again = MemIniStore::Parse(file.Serialize());
    EXPECT_EQ(again.ListKeys("QuiroKeyMap"),
              (std::vector<std::string>{"KeyIns", "KeyPadENT_Alt", "KeyF5_Norm", "KeyF5_Shift"}));
    EXPECT_EQ(ReadKeyMapText(again, 31, 0, E), " \\x1B[2~ ");
    EXPECT_EQ(ReadKeyMapText(again, 16, 1, C), "\"\\x0A\"");
    EXPECT_EQ(ReadKeyMapText(again, 55, 0, C), "");
}

TEST(KeyMapFile, WriteFailuresAreReported) {
    MemIniStore file;
    file.FailWritesAfter(10);
    EXPECT_FALSE(WriteKeyMapDefaults(file, KeyMapSet::VT100));
    file.FailWritesAfter(0);
    EXPECT_FALSE(StoreKeyMapTexts(file, 51, "a", "b"));
    MemIniStore writable;
    EXPECT_FALSE(StoreKeyMapTexts(writable, 51, "a\nb", ""));  // no file line can hold it
}

TEST(KeyMapFile, EveryKeyNamesValuesOfTheTable) {
    size_t names = 0;
    for (const KeyMapKey& k : KeyMapKeys()) {
        for (std::string_view n : {k.firstValue, k.secondValue}) {
            if (n.empty()) continue;
            ++names;
            EXPECT_NE(FindKeyMapValue(n), nullptr) << n;
        }
    }
    EXPECT_EQ(KeyMapKeys().size(), 39u);
    EXPECT_EQ(names, static_cast<size_t>(KeyMapValueCount));
    EXPECT_EQ(KeyMapFilePath("C:\\Quiro\\"), "C:\\Quiro\\KeyMap.INI");
}

}  // namespace
