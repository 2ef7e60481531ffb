#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "framework/Registry.h"

namespace {

class RegistryTest : public ::testing::Test {
protected:
    const std::string key = "\\Software\\QuiroTests\\Registry" + std::to_string(GetCurrentProcessId());
    void TearDown() override {
        TRegistry r;
        r.DeleteKey(key);
    }
};

TEST_F(RegistryTest, RoundTripAndMissingIsNotZero) {
    {
        TRegistry reg;
        EXPECT_FALSE(reg.OpenKey(key, false));  // not there yet
        EXPECT_EQ(reg.LastError(), ERROR_FILE_NOT_FOUND);
        ASSERT_TRUE(reg.OpenKey(key, true));
        reg.WriteInteger("ConsoleFontSize", 10);
        reg.WriteInteger("Negative", -5);
        reg.WriteBool("LineAutoWrap", true);
        reg.WriteBool("DoLocalEcho", false);
        reg.WriteString("ConsoleFontName", "\xB1\xBC\xB8\xB2");  // Korean bytes
        reg.WriteString("Empty", "");
        reg.WriteInteger("Zero", 0);
    }
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(key, false));
    EXPECT_EQ(reg.ReadInteger("ConsoleFontSize"), 10);
    EXPECT_EQ(reg.ReadInteger("Negative"), -5);
    EXPECT_TRUE(reg.ReadBool("LineAutoWrap"));
    EXPECT_FALSE(reg.ReadBool("DoLocalEcho"));
    EXPECT_EQ(reg.ReadString("ConsoleFontName"), "\xB1\xBC\xB8\xB2");
    EXPECT_EQ(reg.ReadString("Empty"), "");
    EXPECT_TRUE(reg.ValueExists("Empty"));

    EXPECT_EQ(reg.ReadInteger("Zero"), 0);
    EXPECT_EQ(reg.TryReadInteger("Zero"), 0);
    EXPECT_FALSE(reg.ValueExists("Missing"));
    EXPECT_EQ(reg.TryReadInteger("Missing"), std::nullopt);
    try {
        reg.ReadInteger("Missing");
        FAIL() << "a missing value read as a number";
    } catch (const ERegistryException& e) {
        EXPECT_EQ(e.Message, "Failed to get data for 'Missing'");
    }
    EXPECT_THROW(reg.ReadBool("Missing"), ERegistryException);
    try {
        reg.ReadInteger("ConsoleFontName");
        FAIL() << "a string read as a number";
    } catch (const ERegistryException& e) {
        EXPECT_EQ(e.Message, "Invalid data type for 'ConsoleFontName'");
    }
    EXPECT_THROW(reg.ReadString("Zero"), ERegistryException);
    EXPECT_EQ(reg.ReadString("MissingString"), "");

    std::vector<std::string> names = reg.GetValueNames();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"ConsoleFontName", "ConsoleFontSize", "DoLocalEcho", "Empty",
                                               "LineAutoWrap", "Negative", "Zero"}));
    EXPECT_TRUE(reg.DeleteValue("Zero"));
    EXPECT_FALSE(reg.ValueExists("Zero"));
    reg.CloseKey();
    EXPECT_THROW(reg.WriteInteger("x", 1), ERegistryException);  // no key open
    EXPECT_EQ(reg.LastError(), ERROR_INVALID_HANDLE);
}

}  // namespace

namespace {

// A registry key read and written like an INI file: sections are sub-keys, values come
// back exactly as written, and a section goes with everything below it.
TEST(RegIniFile, SectionsAreSubKeysAndValuesStayAsWritten) {
    const std::string key = "Software\\QuiroTests\\RegIni" + std::to_string(GetCurrentProcessId());
    TRegIniFile ini(key);
    EXPECT_FALSE(ini.TrimsValues());
    EXPECT_EQ(ini.ReadValue("Main", "Left"), std::nullopt);
    ASSERT_TRUE(ini.WriteValue("Main", "Left", "  \"12\"  "));
    ASSERT_TRUE(ini.WriteValue("Main", "Empty", ""));
    ASSERT_TRUE(ini.WriteValue("Main\\Nested", "Deep", "x"));
    ASSERT_TRUE(ini.WriteValue("Other", "A", "1"));
    EXPECT_EQ(ini.ReadValue("Main", "Left"), "  \"12\"  ");
    EXPECT_EQ(ini.ReadValue("Main", "Empty"), "");
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("\\" + key + "\\Other", false));
        reg.WriteInteger("Dword", -7);
    }
    EXPECT_EQ(ini.ReadValue("Other", "Dword"), "-7");
    EXPECT_EQ(ini.ListSections(), (std::vector<std::string>{"Main", "Other"}));
    std::vector<std::string> keys = ini.ListKeys("Main");  // in the registry's own order
    std::sort(keys.begin(), keys.end());
    EXPECT_EQ(keys, (std::vector<std::string>{"Empty", "Left"}));
    EXPECT_TRUE(ini.DeleteSection("Main"));
    EXPECT_EQ(ini.ReadValue("Main\\Nested", "Deep"), std::nullopt);
    EXPECT_EQ(ini.ListSections(), std::vector<std::string>{"Other"});
    EXPECT_TRUE(ini.DeleteSection("Missing"));
    TRegistry().DeleteKey("\\" + key + "\\Other");
    TRegistry().DeleteKey("\\" + key);
}

}  // namespace
