#include "console/core/ConsoleSettings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <variant>
#include <vector>

#include "TableKit.h"

namespace {

using Value = std::variant<int32_t, std::string>;
using Values = std::map<std::string, Value, std::less<>>;

// A settings key in memory that logs the names it writes, and refuses those of `refused`
// with their reasons.
class FakeStore : public ISettingsStore {
public:
    Values values;
    std::vector<std::string> written;
    std::map<std::string, std::string, std::less<>> refused;
    std::string failure;

    template <typename T>
    std::optional<T> Read(std::string_view name) const {
        auto it = values.find(name);
        if (it == values.end() || !std::holds_alternative<T>(it->second))
            return std::nullopt;
        return std::get<T>(it->second);
    }
    std::optional<int32_t> ReadInteger(std::string_view n) const override { return Read<int32_t>(n); }
    std::optional<std::string> ReadString(std::string_view n) const override {
        return Read<std::string>(n);
    }
    bool WriteInteger(std::string_view n, int32_t v) override { return Write(n, v); }
    bool WriteString(std::string_view n, std::string_view v) override {
        return Write(n, std::string(v));
    }
    std::string WriteFailure() const override { return failure; }
    bool Write(std::string_view name, Value v) {
        if (auto it = refused.find(name); it != refused.end()) {
            failure = it->second;
            return false;
        }
        written.emplace_back(name);
        values[std::string(name)] = std::move(v);
        return true;
    }
};

SettingsEnvironment Env() {
    return {"C:\\Quiro\\", [](const std::string& font) { return int32_t(100 + font.size()); }};
}

// Every value as it would be stored.
Values Stored(const ConsoleSettings& settings) {
    std::vector<std::string_view> names;
    for (const SettingInfo& s : SettingsSchema())
        names.push_back(s.name);
    FakeStore out;
    EXPECT_TRUE(SaveSettingValues(out, settings, names).Saved());
    return out.values;
}

// A table cell as stored: a text in quotes or a number.
Value Cell(const std::string& c) {
    if (c.starts_with('"'))
        return c.substr(1, c.size() - 2);
    return StrToInt(c);
}

// The default of a row of data/settings_table.txt as stored; references resolve against
// `loaded`, values not reset against `design`.
Value Expected(const TableRow& row, const Values& loaded, const Values& design) {
    const std::string& d = row.at(2);
    if (d == "not reset")
        return design.at(row[0]);
    if (d == "empty")
        return std::string();
    if (d.starts_with("program folder + "))
        return Env().programFolder + std::get<std::string>(Cell(d.substr(17)));
    if (d.starts_with("same as "))
        return loaded.at(d.substr(8));
    if (d.starts_with("probed from "))
        return Env().probeCharset(std::get<std::string>(loaded.at(d.substr(12))));
    return Cell(d);
}

TEST(ConsoleSettings, SchemaAndDefaultsFollowTheTable) {
    const std::vector<TableRow> table = ReadTable("settings_table.txt");
    auto schema = SettingsSchema();
    ASSERT_EQ(table.size(), 64u);
    ASSERT_EQ(schema.size(), table.size());
    const char* types[] = {"string", "integer", "boolean"};
    FakeStore full;  // every value stored, each different from its default
    for (size_t i = 0; i < table.size(); ++i) {
        const TableRow& row = table[i];
        EXPECT_EQ(std::string(schema[i].name) + " " + types[int(schema[i].type)],
                  row[0] + " " + row.at(1));
        EXPECT_EQ(schema[i].reset, row.at(2) != "not reset") << row[0];
        full.values[row[0]] = row[1] == "string"    ? Value("v-" + row[0])
                              : row[1] == "integer" ? Value(2)
                                                    : Value(row[2] == "1" ? 0 : 1);
    }
    ConsoleSettings design;  // the window's values for those not reset
    design.ConsoleFormWidth = 640;
    design.TAPIDeviceName = "design modem";
    design.CoolBandWidth = {100, 200, 300};
    const Values designValues = Stored(design);
    ConsoleSettings loaded = design;
    EXPECT_FALSE(LoadSettings(full, Env(), loaded).defaultsUsed);
    const Values fullValues = Stored(loaded);
    EXPECT_EQ(fullValues, full.values);

    // One value missing: it alone takes its default.
    for (const TableRow& row : table) {
        FakeStore store = full;
        store.values.erase(row[0]);
        ConsoleSettings s = design;
        SettingsLoadResult r = LoadSettings(store, Env(), s);
        Values expected = fullValues;
        expected[row[0]] = Expected(row, fullValues, designValues);
        const Values actual = Stored(s);
        for (const auto& [name, value] : expected)
            EXPECT_EQ(actual.at(name), value) << name << " with " << row[0] << " missing";
        EXPECT_EQ(r.defaultsUsed, row[0] == "CoolBand1" || row[0] == "OneShotCommand1") << row[0];
        EXPECT_EQ(r.coolBarStored, row[0] != "CoolBand1");
    }

    // The first run: every value its default, derived ones from the other defaults.
    ConsoleSettings first = design;
    EXPECT_TRUE(LoadSettings(FakeStore(), Env(), first).defaultsUsed);
    const Values firstValues = Stored(first);
    for (const TableRow& row : table)
        EXPECT_EQ(firstValues.at(row[0]), Expected(row, firstValues, designValues)) << row[0];
}

TEST(ConsoleSettings, LoadedValuesAreMadeSafe) {
    for (const TableRow& row : ReadTable("settings_load.txt")) {
        FakeStore store;
        store.values[row.at(0)] = Cell(row.at(1));
        ConsoleSettings s;
        LoadSettings(store, Env(), s);
        EXPECT_EQ(Stored(s).at(row[0]), Cell(row.at(2))) << row[0] << " " << row[1];
    }
}

TEST(ConsoleSettings, SavesWriteTheirValuesInOrder) {
    std::map<std::string, std::vector<std::string>> orders;
    for (const TableRow& row : ReadTable("settings_save_orders.txt"))
        orders[row.at(0)].push_back(row.at(1));
    ConsoleSettings s;
    s.CoolBand1 = "Menu";
    s.CoolBand2 = "Favorites";
    FakeStore g, t;
    ASSERT_TRUE(SaveGlobalSettings(g, s).Saved());
    ASSERT_TRUE(SaveSessionSettings(t, s).Saved());
    EXPECT_EQ(g.written, orders["SaveGlobalSettings"]);
    EXPECT_EQ(t.written, orders["SaveSessionSettings"]);
    // A band holding no known panel is not recorded.
    s.CoolBand2 = "Toolbar";
    FakeStore u;
    SaveSessionSettings(u, s);
    EXPECT_EQ(std::count(u.written.begin(), u.written.end(), "CoolBand2"), 0);
    EXPECT_FALSE(SaveSettingValues(u, s, std::vector<std::string_view>{"NoSuchValue"}).Saved());
}

// Values the store refuses do not stop the others; the user is told once, of the first
// and its reason.
TEST(ConsoleSettings, RefusedValuesAreToldOnceWithTheReason) {
    FakeStore store;
    store.refused = {{"ConsoleFontSize", "Access denied."}, {"PrintType", "Out of room."}};
    SettingsSaveResult r = SaveGlobalSettings(store, ConsoleSettings());
    EXPECT_EQ(r.refused, 2);
    EXPECT_EQ(SettingsSaveFailureText(r),
              "The settings could not be saved in the registry (ConsoleFontSize and 1 more): Access denied.");
    EXPECT_EQ(store.written.back(), "KeepAliveString");
    store.failure.clear();
    store.refused = {{"Favorites2", ""}};
    r = SaveSessionSettings(store, ConsoleSettings());
    EXPECT_EQ(SettingsSaveFailureText(r), "The settings could not be saved in the registry (Favorites2).");
}

TEST(ConsoleSettings, CoolBarBandsRestoreTheSavedOrder) {
    const std::pair<const char*, const char*> cases[][2] = {
        {{"", ""}, {"Address Menu", "Favorites"}},
        {{"Menu", "Favorites"}, {"Menu Favorites", "Address"}},
        {{"Favorites", "Menu"}, {"Favorites Menu", "Address"}},
        {{"Toolbar", "Menu"}, {"Address Menu", "Favorites"}},
    };
    for (const auto& [stored, order] : cases) {
        auto b = CoolBarBands(stored.first, stored.second);
        EXPECT_EQ(std::string(b[0]) + " " + std::string(b[1]), order.first) << stored.first;
        EXPECT_EQ(b[2], order.second) << stored.first;
    }
}

TEST(ConsoleSettings, CharsetToCodePage) {
    EXPECT_EQ(CharsetToCodePage(129), 949);
    EXPECT_EQ(CharsetToCodePage(0x181), 949);  // the low byte counts
    EXPECT_EQ(CharsetToCodePage(130), 1252);   // no Johab code page
}

}  // namespace
