// TIniFile over the system's profile functions: the same rules as the in-memory store
// (the shared conformance suite), and the cases where the two could part.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <memory>
#include <string>

#include "framework/IniFiles.h"
#include "framework/core/IniStoreConformance.h"
#include "framework/core/MemIniStore.h"
#include "framework/core/Strings.h"
#include "framework/core/TempDir.h"

namespace {

TempDir& Folder() {
    static TempDir dir;
    return dir;
}

std::string NewFile(const std::string& text) {
    static int counter = 0;
    std::string path = Folder().Path("t" + std::to_string(++counter) + ".ini");
    if (!text.empty()) std::ofstream(path, std::ios::binary) << text;
    return path;
}

IniStoreHarness ProfileHarness() {
    return {"TIniFile",
            [](const std::string& text) { return std::make_unique<TIniFile>(NewFile(text)); },
            [](IIniStore& store) {
                return std::make_unique<TIniFile>(dynamic_cast<TIniFile&>(store).FileName());
            }};
}

INSTANTIATE_TEST_SUITE_P(Profile, IniStoreConformance, ::testing::Values(ProfileHarness()),
                         [](const auto& info) { return info.param.name; });

std::string FileText(const std::string& path) {
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());  // flush the cache
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(IniFile, TypedValuesAndASecondObjectOverTheSameFile) {
    std::string path = NewFile("");
    TIniFile first(path);
    first.WriteString("Host", "Address", "telnet://bbs.example:23");
    first.WriteBool("Host", "EnableLocalEcho", true);
    first.WriteInteger("Host", "MemoLineCount", -2);
    TIniFile second(path);  // sees the writes at once (the system's cache)
    EXPECT_EQ(second.ReadString("Host", "Address", "x"), "telnet://bbs.example:23");
    EXPECT_TRUE(second.ReadBool("Host", "EnableLocalEcho", false));
    EXPECT_EQ(second.ReadInteger("Host", "MemoLineCount", 0), -2);
    EXPECT_EQ(second.ReadInteger("Host", "Address", 7), 7);  // not a number
    EXPECT_TRUE(second.ReadBool("Host", "Missing", true));
    EXPECT_EQ(second.ReadString("Nowhere", "Address", "fallback"), "fallback");
    EXPECT_EQ(FileText(path),
              "[Host]\r\nAddress=telnet://bbs.example:23\r\nEnableLocalEcho=1\r\nMemoLineCount=-2\r\n");

    TStringList sections;
    second.WriteString("\xC7\xD1\xB1\xDB", "k", "v");  // a Korean host name
    second.ReadSections(&sections);
    EXPECT_EQ(sections.Text(), "Host\r\n\xC7\xD1\xB1\xDB\r\n");
    EXPECT_TRUE(second.SectionExists("HOST"));
    second.EraseSection("host");
    EXPECT_FALSE(first.SectionExists("Host"));
    second.DeleteKey("\xC7\xD1\xB1\xDB", "k");
    EXPECT_FALSE(first.ValueExists("\xC7\xD1\xB1\xDB", "k"));
}

// What the system makes of file text, pinned; the in-memory store must read the same.
struct PinCase {
    const char* what;
    const char* file;
    const char* section;
    const char* key;
    std::optional<std::string> value;
    size_t sections;  // how many ListSections gives
};

const PinCase kPinCases[] = {
    // Both spellings are listed, but every lookup finds the first one only.
    {"sections differing only in case", "[Sec]\r\na=1\r\n[SEC]\r\nb=2\r\n", "sec", "b",
     std::nullopt, 2},
    {"the first of two equal keys wins", "[S]\r\nk=1\r\nK=2\r\n", "S", "k", "1", 1},
    {"spaces and quotes around a value", "[S]\r\nk=  \"  x  \"  \r\n", "S", "k", "  x  ", 1},
    {"quotes inside a value", "[S]\r\nk=a \"b\" c\r\n", "S", "k", "a \"b\" c", 1},
    {"a key without =", "[S]\r\nk\r\nj=1\r\n", "S", "k", std::nullopt, 1},
    {"missing section", "[S]\r\nk=1\r\n", "T", "k", std::nullopt, 1},
    {"a key before any section", "k=1\r\n[S]\r\n", "", "k", "1", 1},
    {"spaces inside a section name", "[a  b]\r\nk=1\r\n", "a  b", "k", "1", 1},
    {"a section line without ]", "[A]\r\na=1\r\n[S\r\nk=1\r\n", "A", "k", "1", 1},
    {"a Korean key", "[S]\r\n\xC7\xD1=1\r\n", "S", "\xC7\xD1", "1", 1},
};

TEST(IniFile, PinsTheSystemsReadingOfFileTextAndTheMemoryStoreAgrees) {
    for (const PinCase& c : kPinCases) {
        TIniFile ini(NewFile(c.file));
        MemIniStore mem = MemIniStore::Parse(c.file);
        EXPECT_EQ(ini.ReadValue(c.section, c.key), c.value) << c.what;
        EXPECT_EQ(ini.ListSections().size(), c.sections) << c.what;
        EXPECT_EQ(mem.ReadValue(c.section, c.key), c.value) << c.what << " (in memory)";
        EXPECT_EQ(mem.ListSections(), ini.ListSections()) << c.what << " (in memory)";
    }
}

TEST(IniFile, RefusesValuesNoFileCanHoldAndUnwritableFiles) {
    TIniFile ini(NewFile(""));
    EXPECT_FALSE(ini.WriteValue("S", "k", "a\r\nb=c"));
    EXPECT_FALSE(ini.HasSection("S"));
    std::string big(5000, 'x');  // longer than the first read buffer
    ASSERT_TRUE(ini.WriteValue("S", "big", big));
    EXPECT_EQ(ini.ReadValue("S", "big"), big);
    TIniFile nowhere(Folder().Path("no\\such\\folder\\x.ini"));
    EXPECT_FALSE(nowhere.WriteValue("S", "k", "v"));
    EXPECT_THROW(nowhere.WriteString("S", "k", "v"), EIniFileException);
    EXPECT_EQ(nowhere.ReadValue("S", "k"), std::nullopt);
}

}  // namespace
