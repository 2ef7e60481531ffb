// The way of a message through the hooks of a control, as a table. Hooks are listed in
// attach order, each with what its before- and after-handler do: '-' leaves Handled,
// 'H' sets it, 'X' throws, 'd' detaches hook 1. The trace: bN/aN hook N's before/after
// handler, P the control's procedure, ! a handler that threw.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "controls/core/HookDispatch.h"

using namespace quiro::controls;

namespace {

constexpr auto O = HookMessageKind::Ordinary;
constexpr auto D = HookMessageKind::Destroy;
constexpr auto Q = HookMessageKind::Quit;

struct Row {
    HookMessageKind kind;
    bool watching;  // false: the record lost its control
    std::vector<std::string> hooks;
    std::string trace;
};

const Row kRows[] = {
    {O, true, {}, "P"},
    {O, true, {"--", "--"}, "b2 b1 P a2 a1"},
    {O, true, {"--", "H-"}, "b2"},
    {O, true, {"H-", "--"}, "b2 b1"},
    {O, true, {"--", "-H"}, "b2 b1 P a2"},
    {D, true, {"--", "H-"}, "b2 P a2"},
    {D, true, {"H-", "--"}, "b2 b1 P a2"},
    {Q, true, {"H-", "H-"}, "P a2 a1"},
    {O, false, {"H-", "H-"}, "P"},
    {O, true, {"-X", "X-"}, "b2! b1 P a2 a1!"},
    {O, true, {"--", "d-"}, "b2 P a2"},
};

TEST(HookDispatch, TableOfMessageWays) {
    for (const Row& row : kRows) {
        std::vector<const std::string*> attached;
        for (const std::string& h : row.hooks) attached.push_back(&h);
        std::string log;
        auto walk = [&](size_t side, char tag) {
            return [&, side, tag](bool& handled) {
                DispatchHooks(
                    std::vector(attached), handled,
                    [&](const std::string* h, bool& hd) {
                        log += std::string(" ") + tag + std::to_string(h - row.hooks.data() + 1);
                        char action = (*h)[side];
                        if (action == 'H') hd = true;
                        if (action == 'd') attached.erase(attached.begin());
                        if (action == 'X') throw std::runtime_error("handler failed");
                    },
                    [&](const std::string* h) { return std::ranges::count(attached, h) > 0; },
                    [&] { log += "!"; });
            };
        };
        RouteHookedMessage(
            row.kind, row.watching, walk(0, 'b'), [&] { log += " P"; }, walk(1, 'a'));
        EXPECT_EQ(log.substr(1), row.trace) << "row with trace " << row.trace;
    }
}

}  // namespace
