#include "controls/core/FileEditRules.h"

#include <gtest/gtest.h>

namespace {

TEST(FileEdit, QuotedNamesAndTheFileNameOfAText) {
    EXPECT_EQ(ExtFilename("C:\\My Files\\a.txt"), "\"C:\\My Files\\a.txt\"");
    EXPECT_EQ(ExtFilename("\"C:\\My Files\\a.txt\""), "\"C:\\My Files\\a.txt\"");
    EXPECT_EQ(ExtFilename("C:\\a.txt"), "C:\\a.txt");
    EXPECT_EQ(ExtFilename(""), "");

    auto exists = [](const std::string& n) { return n == "C:\\odd name.txt"; };
    EXPECT_EQ(ClipFilename("C:\\odd name.txt", exists), "C:\\odd name.txt");
    EXPECT_EQ(ClipFilename("\"C:\\My Files\\a.txt\"", exists), "C:\\My Files\\a.txt");
    EXPECT_EQ(ClipFilename("notepad.exe /p x.txt", exists), "notepad.exe");
    EXPECT_EQ(ClipFilename("", exists), "");
}

TEST(DirectoryEdit, ListsAndTheDialogsStart) {
    auto upper = [](const std::string& s) { return s == "gone" ? std::string() : "<" + s + ">"; };
    EXPECT_EQ(MapDirList("a;b;gone;;c", true, upper), "<a>;<b>;<>;<c>");
    EXPECT_EQ(MapDirList("a;b", false, upper), "<a;b>");
    EXPECT_EQ(MapDirList("gone", true, upper), "");

    EXPECT_EQ(AddDirToList("", "C:\\up", true), "C:\\up");
    EXPECT_EQ(AddDirToList("C:\\a", "C:\\up", true), "C:\\a;C:\\up");
    EXPECT_EQ(AddDirToList("C:\\a", "C:\\up", false), "C:\\up");

    auto dir = [](const std::string& s) { return s == "C:\\here" || s == "C:\\init"; };
    EXPECT_EQ(DirDialogStart("C:\\here", "C:\\init", dir), "C:\\here");
    EXPECT_EQ(DirDialogStart("", "C:\\init", dir), "C:\\init");
    EXPECT_EQ(DirDialogStart("", "", dir), "\\");
    EXPECT_EQ(DirDialogStart("C:\\nowhere", "C:\\init", dir), "\\");
    EXPECT_EQ(DirDialogStart("", "C:\\gone", dir), "\\");
}

}  // namespace
