#include "framework/core/DialogText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

TEST(DialogText, ReturnedNamesOfOneOrSeveralFiles) {
    const std::string one = "C:\\dir\\a.txt\0\0"s;
    EXPECT_EQ(DialogFileNames(one.data(), one.size()), std::vector<std::string>{"C:\\dir\\a.txt"});
    // A multiple selection: the folder, then the names in it (a root keeps one delimiter,
    // a name given as a full path stays whole).
    const std::string several = "C:\\dir\0a.txt\0b c.txt\0D:\\x.txt\0\0"s;
    EXPECT_EQ(DialogFileNames(several.data(), several.size()),
              (std::vector<std::string>{"C:\\dir\\a.txt", "C:\\dir\\b c.txt", "D:\\x.txt"}));
    const std::string root = "C:\\\0a\0b\0\0"s;
    EXPECT_EQ(DialogFileNames(root.data(), root.size()),
              (std::vector<std::string>{"C:\\a", "C:\\b"}));
    // A list without its closing NULs ends at the buffer's end.
    const std::string cut = "C:\\dir\0a\0bcd"s;
    EXPECT_EQ(DialogFileNames(cut.data(), cut.size()),
              (std::vector<std::string>{"C:\\dir\\a", "C:\\dir\\bcd"}));
    EXPECT_TRUE(DialogFileNames("\0\0", 2).empty());
}

}  // namespace
