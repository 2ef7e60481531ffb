// The walk of an application-event dispatcher, as a table. Members are listed in
// creation order, each with its handler ('.' none, 'h' one, 's' one that stops the walk,
// 'x' one that throws, 'f' one that frees its own member) and its Chained flag ('+'/'-').
// The trace: N member N's handler, S the saved handler, ! a handler that threw.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "controls/core/EventChain.h"

using namespace quiro::controls;

namespace {

struct Row {
    std::vector<std::string> members;
    bool saved;
    std::string trace;
    bool showsException;  // the exception event shows the standard message
};

const Row kRows[] = {
    {{"h+", "h+"}, true, "2 1 S", false},
    {{"h+", "h-"}, true, "2", false},
    {{"h-", "h+"}, true, "2 1", false},
    {{"h+", ".-"}, true, "", true},
    {{"h+", "s+"}, true, "2", false},
    {{"s+", "h+"}, true, "2 1", false},
    {{}, true, "S", false},
    {{}, false, "", true},
    {{"h+"}, false, "1", false},
    {{"h+", "x+"}, true, "2! 1 S", false},
    {{"h+", "f-"}, true, "2 1 S", false},  // a freed member's Chained is not asked
};

TEST(EventChain, TableOfWalks) {
    for (const Row& row : kRows) {
        std::vector<std::string> members = row.members;  // a freed one reads "--"
        EventChain<std::string> chain;
        for (std::string& m : members) chain.Add(&m);
        std::string log;
        auto walk = chain.Walk([](std::string* m) { return (*m)[1] == '+'; },
                               [](std::string* m) { return (*m)[0] != '.'; },
                               [&](std::string* m) {
                                   log += " " + std::to_string(m - members.data() + 1);
                                   char handler = (*m)[0];
                                   if (handler == 'x') throw std::runtime_error("failed");
                                   if (handler == 'f') chain.Remove(m), *m = "--";
                                   return handler == 's';
                               },
                               [&] { log += "!"; });
        if (CallsSaved(walk, row.saved)) log += " S";
        EXPECT_EQ(log.empty() ? log : log.substr(1), row.trace) << row.trace;
        EXPECT_EQ(ShowsException(walk, row.saved), row.showsException) << row.trace;
    }
}

}  // namespace
