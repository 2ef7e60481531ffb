#include "console/core/TelnetRoad.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "SessionActionKit.h"
#include "console/core/ConsoleSettings.h"

namespace {

using Lines = std::vector<std::string>;

struct Step {
    std::string event;  // empty for the start
    Lines expected;
};

struct Scenario {
    std::string name;
    ConsoleSettings settings;
    std::string address;
    bool local = false;
    std::vector<Step> steps;
};

// The scenarios of data/telnet_road.txt (its head says how they are written).
std::vector<Scenario> ReadScenarios() {
    std::ifstream in(DataPath("telnet_road.txt"));
    std::vector<Scenario> all;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("= ")) {
            const TableRow head = SplitCells(line.substr(2));
            Scenario s;
            s.name = head.at(0);
            ConsoleSettings& p = s.settings;
            std::istringstream(head.at(1)) >> p.ProxyType >> p.ProxyHostAddress >> p.ProxyPort >>
                p.ProxyUserID >> p.ProxyPassword;
            for (std::string* field :
                 {&p.ProxyHostAddress, &p.ProxyPort, &p.ProxyUserID, &p.ProxyPassword})
                *field = *field == "-" ? "" : *field;
            std::string local;
            std::istringstream(head.at(2)) >> s.address >> local;
            s.local = local == "local";
            s.steps.push_back({});
            all.push_back(s);
        } else if (line.starts_with("> ")) {
            all.back().steps.push_back({line.substr(2), {}});
        } else if (line.starts_with("< ")) {
            all.back().steps.back().expected.push_back(line.substr(2));
        }
    }
    return all;
}

// "..." in the pattern stands for any actions.
bool Matches(const Lines& pattern, const Lines& actual, size_t p = 0, size_t a = 0) {
    if (p == pattern.size())
        return a == actual.size();
    if (pattern[p] == "...")
        return Matches(pattern, actual, p + 1, a) ||
               (a < actual.size() && Matches(pattern, actual, p, a + 1));
    return a < actual.size() && pattern[p] == actual[a] && Matches(pattern, actual, p + 1, a + 1);
}

// The actions of every step. The bytes received at step `split` come in two blocks, the
// first of `cut` bytes.
std::vector<Lines> Play(const Scenario& s, size_t split = 0, size_t cut = 0) {
    TelnetRoad road;
    std::vector<Lines> out = {Describe(road.Start(s.address, s.local, s.settings))};
    for (size_t i = 1; i < s.steps.size(); ++i) {
        const std::string& e = s.steps[i].event;
        SessionActions actions;
        if (e.starts_with("resolved ")) {
            actions = road.NameResolved(e.substr(9));
        } else if (e == "lookup failed") {
            actions = road.NameLookupFailed();
        } else if (e == "connected") {
            actions = road.PortConnected();
        } else if (e.starts_with("failed ")) {
            actions = road.PortFailed(e.substr(7));
        } else if (e.starts_with("received ")) {
            std::string bytes = ParseBytes(e.substr(9));
            auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
            size_t first = i == split ? cut : bytes.size();
            actions = road.ProxyNegotiate(data, first);
            Append(actions, road.ProxyNegotiate(data + first, bytes.size() - first));
        } else {
            EXPECT_EQ(e, "closed");
            actions = road.PortClosed();
        }
        out.push_back(Describe(actions));
    }
    return out;
}

TEST(TelnetRoad, Scenarios) {
    const std::vector<Scenario> all = ReadScenarios();
    ASSERT_GT(all.size(), 20u);
    for (const Scenario& s : all) {
        auto check = [&](const std::vector<Lines>& got, const std::string& how) {
            for (size_t i = 0; i < s.steps.size(); ++i) {
                std::string shown;
                for (const std::string& line : got[i])
                    shown += "\n  " + line;
                EXPECT_TRUE(Matches(s.steps[i].expected, got[i]))
                    << s.name << how << ", step " << i << " " << s.steps[i].event << ":" << shown;
            }
        };
        check(Play(s), "");
        for (size_t i = 1; i < s.steps.size() && s.settings.ProxyType >= ProxySocks4; ++i) {
            size_t n = s.steps[i].event.starts_with("received ")
                           ? ParseBytes(s.steps[i].event.substr(9)).size()
                           : 0;
            for (size_t cut = 1; cut < n; ++cut)
                check(Play(s, i, cut), " cut at " + std::to_string(cut));
        }
    }
}

}  // namespace
