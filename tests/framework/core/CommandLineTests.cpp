#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/core/CommandLine.h"

using quiro::framework::SplitCommandLine;

namespace {

struct Case {
    const char* line;
    std::vector<std::string> args;
};

const Case kCases[] = {
    {"", {}},
    {"quiro.exe", {"quiro.exe"}},
    {"quiro.exe telnet://bbs:23", {"quiro.exe", "telnet://bbs:23"}},
    {"  quiro.exe   a  \t b ", {"quiro.exe", "a", "b"}},
    {"\"C:\\Program Files\\Quiro\\quiro.exe\" host", {"C:\\Program Files\\Quiro\\quiro.exe", "host"}},
    {"q \"two words\" x", {"q", "two words", "x"}},
    {"q a\"b c\"d", {"q", "ab cd"}},
    {"q \"\"", {"q", ""}},
    {"q a\\\\b", {"q", "a\\\\b"}},
    {"q a\\\\\"b c\"", {"q", "a\\b c"}},
    {"q a\\\"b", {"q", "a\"b"}},
    {"q \"a\"\"b\"", {"q", "a\"b"}},
    {"q \"unterminated arg", {"q", "unterminated arg"}},
};

TEST(CommandLine, SplitsAsWindowsDoes) {
    for (const Case& c : kCases) EXPECT_EQ(SplitCommandLine(c.line), c.args) << c.line;
}

}  // namespace
