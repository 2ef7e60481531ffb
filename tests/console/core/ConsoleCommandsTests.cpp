#include "console/core/ConsoleCommands.h"

#include <gtest/gtest.h>

#include <map>

#include "console/core/ConsoleSettings.h"
#include "engines/core/ConsolePalette.h"

namespace {

// The integers a session save writes, by value name.
class IntegerStore : public ISettingsStore {
public:
    std::map<std::string, int32_t, std::less<>> values;
    std::optional<int32_t> ReadInteger(std::string_view) const override { return std::nullopt; }
    std::optional<std::string> ReadString(std::string_view) const override { return std::nullopt; }
    bool WriteInteger(std::string_view name, int32_t value) override {
        values[std::string(name)] = value;
        return true;
    }
    bool WriteString(std::string_view, std::string_view) override { return true; }
};

std::map<std::string, int32_t, std::less<>> SavedFlags(const ConsoleSettings& s) {
    IntegerStore store;
    SaveSessionSettings(store, s);
    return store.values;
}

// A toggle while the port is closed is the global setting that the session save writes
// under its value name; while it is open only this connection's terminal flag changes.
TEST(ConsoleToggles, ConnectionWhileOpenGlobalWhileClosed) {
    struct Row {
        ConsoleToggle toggle;
        const char* value;  // the registry value
        int TDravelTerminal::*flag;
    } rows[] = {
        {ConsoleToggle::SendEnterAsCrLf, "SendENTERasCRLF", &TDravelTerminal::SendEnterAsCrLf},
        {ConsoleToggle::AddLfToReceivedCr, "AddLFToReceivedCR", &TDravelTerminal::AddLfToCr},
        {ConsoleToggle::LineAutoWrap, "LineAutoWrap", &TDravelTerminal::AutoWrap},
        {ConsoleToggle::LocalEcho, "DoLocalEcho", &TDravelTerminal::LocalEcho},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.value);
        ScreenModel screen;
        TDravelTerminal terminal{screen, ColorIndexToColor(7), ColorIndexToColor(0)};
        ConsoleSettings settings;
        const auto before = SavedFlags(settings);
        for (bool on : {true, false}) {
            // Closed: the setting, and the menu shows it.
            const TDravelTerminal untouched = terminal;
            SetToggle(row.toggle, on, false, terminal, settings);
            auto after = SavedFlags(settings);
            EXPECT_EQ(after.at(row.value), on ? 1 : 0);
            after[row.value] = before.at(row.value);
            EXPECT_EQ(after, before) << "another value changed";
            EXPECT_EQ(terminal.*row.flag, untouched.*row.flag);
            EXPECT_EQ(ToggleState(row.toggle, false, terminal, settings), on);

            // Open: the terminal's flag only.
            const ConsoleSettings kept = settings;
            SetToggle(row.toggle, !on, true, terminal, settings);
            EXPECT_EQ(terminal.*row.flag, on ? 0 : 1);
            EXPECT_EQ(settings, kept);
            EXPECT_EQ(ToggleState(row.toggle, true, terminal, settings), !on);
            EXPECT_EQ(ToggleState(row.toggle, false, terminal, settings), on);
        }
    }
}

TEST(OneShotCommands, EscapeTextBecomesTheBytesSent) {
    const std::pair<const char*, std::string> rows[] = {
        {"GO PDS\\x0D", "GO PDS\r"},
        {"P\\x0D", "P\r"},
        {"", ""},
        {"\\", ""},  // expands to nothing: nothing is sent
        {"a\\\\b\\x0D\\x0A", "a\\b\r\n"},
        {"\\x00", std::string(1, '\0')},
    };
    for (const auto& [text, bytes] : rows) EXPECT_EQ(CommandBytes(text), bytes) << text;
}

TEST(KeepAlive, IntervalIsWholeMinutesAtLeastOne) {
    const std::pair<double, int32_t> rows[] = {{5, 5}, {1, 1}, {0, 1}, {-3, 1}, {2.9, 2}, {0.5, 1}, {1e12, INT32_MAX}};
    for (auto [in, out] : rows) EXPECT_EQ(KeepAliveMinutes(in), out) << in;
}

// The keep-alive against a clock of its own: the button goes down at `start` (the stamp
// set then and the timer started), keys renew the stamp, transfers run in their windows.
struct Timeline {
    uint32_t start = 1000000;
    int32_t interval = 5;
    std::vector<uint32_t> keys;                         // ms after start
    std::vector<std::pair<uint32_t, uint32_t>> transfers;  // [from, to) ms after start
};

// The ms after start at which the string went out, over `ticks` ticks.
std::vector<uint32_t> Sends(const Timeline& t, int ticks) {
    uint32_t stamp = t.start;
    size_t key = 0;
    std::vector<uint32_t> sent;
    for (int i = 1; i <= ticks; ++i) {
        const uint32_t at = uint32_t(i) * KeepAliveTickMs;
        for (; key < t.keys.size() && t.keys[key] <= at; ++key) stamp = t.start + t.keys[key];
        bool transfer = false;
        for (auto [from, to] : t.transfers) transfer = transfer || (at >= from && at < to);
        KeepAliveStep step = KeepAliveTick(t.start + at, stamp, t.interval, transfer, "K\\x0D");
        if (step.renewStamp) stamp = t.start + at;
        if (!step.send.empty()) {
            EXPECT_EQ(step.send, "K\r");
            sent.push_back(at / 1000);
        }
    }
    return sent;
}

TEST(KeepAlive, SentAtTheFirstTickAfterTheIntervalSinceTheLastKey) {
    struct Row {
        const char* what;
        Timeline timeline;
        int ticks;
        std::vector<uint32_t> seconds;
    } rows[] = {
        {"five whole minutes", {1000000, 5, {}, {}}, 24, {300, 600}},
        {"a key restarts the count", {1000000, 5, {10000}, {}}, 24, {330, 630}},
        {"keys keep it quiet", {1000000, 5, {100000, 200000, 300000, 400000}, {}}, 24, {720}},
        {"interval 1", {1000000, 1, {45000}, {}}, 8, {120, 180, 240}},
        {"a stored 0 is 1", {1000000, 0, {}, {}}, 8, {60, 120, 180, 240}},
        {"during a transfer: not sent, stamp renewed", {1000000, 5, {}, {{280000, 310000}}}, 24, {600}},
        {"across the tick count's wrap", {0xFFFFFFFFu - 100000u, 1, {}, {}}, 8, {60, 120, 180, 240}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(Sends(row.timeline, row.ticks), row.seconds) << row.what;
}

TEST(KeepAlive, AnEmptyStringSendsNothingButRenews) {
    KeepAliveStep step = KeepAliveTick(200000, 100000, 1, false, "");
    EXPECT_TRUE(step.renewStamp);
    EXPECT_TRUE(step.send.empty());
}

}  // namespace
