#include <gtest/gtest.h>

#include <string>

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

    EXPECT_TRUE(reg.DeleteValue("Zero"));
    EXPECT_FALSE(reg.ValueExists("Zero"));
    reg.CloseKey();
    EXPECT_THROW(reg.WriteInteger("x", 1), ERegistryException);  // no key open
}

}  // namespace
