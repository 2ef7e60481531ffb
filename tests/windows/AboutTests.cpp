// The about box's version line against the system's own reading of the version resource;
// its keys and clicks, and the command-strings dialog, are the console's end-to-end tests.
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "controls/XcConst.h"
#include "framework/Libraries.h"
#include "framework/UiTestKit.h"
#include "windows/About.h"

namespace {

// The FileVersion of the file's first translation as the system's VerQueryValue reads it.
std::string SystemFileVersion(const std::string& file) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(file.c_str(), &ignored);
    if (size == 0) return "(none)";
    std::vector<char> block(size);
    if (!GetFileVersionInfoA(file.c_str(), 0, size, block.data())) return "(none)";
    WORD* translation = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length) ||
        length < 4)
        return "(none)";
    char path[64];
    wsprintfA(path, "\\StringFileInfo\\%04x%04x\\FileVersion", translation[0], translation[1]);
    char* value = nullptr;
    if (!VerQueryValueA(block.data(), path, reinterpret_cast<void**>(&value), &length)) return "(none)";
    return value;
}

struct Windows : testing::Test {
    void SetUp() override {
        uitest::DrainQueue();
        StartLibraries();
        InitXcControls();
    }
    TApplication app;
};

TEST_F(Windows, AboutBoxShowsTheProgramsFileVersion) {
    const std::string program = std::string(QUIRO_BINARY_DIR) + "/src/console/quiro.exe";
    ASSERT_EQ(SystemFileVersion(program), "2.0.0");
    auto* box = new TAboutBox(&app, program);
    EXPECT_EQ(box->Caption(), " About...");
    EXPECT_EQ(box->ABOUT_LB_Version->Caption(), "Version 2.0.0");

    // This test program has no version resource.
    ASSERT_EQ(SystemFileVersion(ParamStr(0)), "(none)");
    auto* bare = new TAboutBox(&app, ParamStr(0));
    EXPECT_EQ(bare->ABOUT_LB_Version->Caption(), "Version UNKNOWN");
    EXPECT_EQ(ReadProgramVersion(std::string(QUIRO_BINARY_DIR) + "/no such program.exe"), std::nullopt);
}

}  // namespace
