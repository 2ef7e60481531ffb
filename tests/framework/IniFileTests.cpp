// TIniFile over the system's profile functions: the same rules as the in-memory store (the
// shared conformance suite, which holds every reading of file text), and what the file
// object adds: typed values, two objects over one file, refusals.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <memory>
#include <string>

#include "framework/IniFiles.h"
#include "framework/core/IniStoreConformance.h"
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
