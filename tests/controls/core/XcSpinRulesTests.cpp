#include "controls/core/XcSpinRules.h"

#include <gtest/gtest.h>

#include "framework/core/DateTime.h"

namespace {

TSpinRules Rules(double min, double max, TValueType type = vtInt, int decimal = 2) {
    TSpinRules r;
    r.MinValue = min;
    r.MaxValue = max;
    r.ValueType = type;
    r.Decimal = decimal;
    return r;
}

TEST(SpinRules, LimitsHoldTheValueUnlessEqual) {
    const struct {
        double min, max, value, want;
    } rows[] = {
        {0, 0, 12345, 12345},  // 0/0: no limits
        {0, 0, -7, -7},
        {5, 5, 100, 100},  // any equal pair: no limits
        {1, 10, 50, 10},
        {1, 10, -3, 1},
        {1, 10, 7, 7},
        {10, 1, 50, 10},  // the wrong way round: still between them
        {10, 1, -3, 1},
        {10, 1, 5, 5},
    };
    for (const auto& r : rows)
        EXPECT_EQ(Rules(r.min, r.max).CheckValue(r.value), r.want)
            << r.min << ".." << r.max << " " << r.value;
}

TEST(SpinRules, TextsAndTheValuesTheyShow) {
    auto saved = FormatSettings();
    const struct {
        TSpinRules rules;
        char separator;
        const char* text;
        double value;        // ValueOf(text)
        double set;          // TextOf(set) gives...
        const char* shown;
    } rows[] = {
        {Rules(0, 0), '.', "12345", 12345, 2.5, "2"},  // the nearest even integer
        {Rules(0, 0), '.', "", 0, 3.5, "4"},
        {Rules(2.7, 2.7), '.', "abc", 2, 1e30, "2147483647"},  // held so that it reads back
        {Rules(-2.7, -2.7), '.', "9999999999", -2, -1e30, "-2147483648"},
        {Rules(1, 10), '.', "$10", 16, 50, "10"},
        {Rules(0, 0, vtFloat), '.', "1.5", 1.5, 1.5, "1.50"},
        {Rules(0, 0, vtFloat, 0), '.', "2e3", 2000, 1.5, "2"},
        {Rules(0.5, 0.5, vtFloat), ',', "1.5", 0.5, 0.126, "0,13"},
        {Rules(0, 0, vtFloat, 1), ',', "-1,25", -1.25, -1.26, "-1,3"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.text);
        FormatSettings().DecimalSeparator = r.separator;
        EXPECT_EQ(r.rules.ValueOf(r.text), r.value);
        EXPECT_EQ(r.rules.TextOf(r.set), r.shown);
    }
    FormatSettings() = saved;
}

TEST(SpinRules, StepsAndLeaving) {
    TSpinRules limited = Rules(1, 10);
    EXPECT_EQ(limited.StepText("10", true), "10");  // at the top: the text stays
    EXPECT_EQ(limited.StepText("10", false), "9");
    EXPECT_EQ(limited.StepText("junk", true), "2");  // junk reads as MinValue
    EXPECT_EQ(limited.ExitText("50"), "10");
    EXPECT_EQ(limited.ExitText("007"), "007");  // inside: as typed
    EXPECT_EQ(limited.ExitText("junk"), "junk");
    EXPECT_EQ(Rules(0, 0).ExitText("12345"), "12345");
    EXPECT_EQ(Rules(0, 0).StepText("", false), "-1");

    TSpinRules r = Rules(0, 0, vtFloat, 1);
    r.Increment = 0.4;
    EXPECT_EQ(r.StepText("1.0", true), "1.4");
    r.SetValueType(vtInt);  // 0.4 rounds to 0, which would never move: 1
    EXPECT_EQ(r.Increment, 1);
    r.SetValueType(vtFloat);
    r.Increment = 2.6;
    r.SetValueType(vtInt);
    EXPECT_EQ(r.Increment, 3);
}

TEST(SpinRules, TypedCharacters) {
    auto saved = FormatSettings();
    FormatSettings().DecimalSeparator = ',';
    const struct {
        TValueType type;
        bool editor;
        char c;
        const char* text;
        bool ok;
    } rows[] = {
        {vtInt, true, '7', "", true},     {vtInt, true, '-', "1", true},
        {vtInt, true, '+', "", true},     {vtInt, true, 'a', "", false},
        {vtInt, true, ',', "", false},    {vtInt, true, '\b', "", true},
        {vtInt, true, '\r', "", true},    {vtInt, true, '\xB0', "", false},
        {vtFloat, true, ',', "12", true}, {vtFloat, true, ',', "1,2", false},
        {vtFloat, true, '.', "12", false},  // not this locale's separator
        {vtFloat, true, 'E', "12", true}, {vtFloat, true, 'e', "1E2", false},
        {vtFloat, true, 'E', "1e2", false},
        // The editor disabled: navigation and dialog keys only.
        {vtInt, false, '5', "", false},   {vtInt, false, '\b', "", false},
        {vtInt, false, '\r', "", true},   {vtInt, false, '\x1B', "", true},
    };
    for (const auto& r : rows) {
        TSpinRules rules = Rules(0, 0, r.type);
        EXPECT_EQ(rules.IsValidChar(r.c, r.text, r.editor), r.ok)
            << int(static_cast<unsigned char>(r.c)) << " in '" << r.text << "'";
    }
    FormatSettings() = saved;
}

TEST(SpinRules, DiagonalHalves) {
    const struct {
        int x, y, w, h;
        TSpinButtonState want;
    } rows[] = {
        {0, 0, 20, 20, sbTopDown},     {5, 19, 20, 20, sbBottomDown},
        {0, 19, 20, 20, sbTopDown},  // the line starts at the corner's bottom edge
        {19, 0, 20, 20, sbTopDown},    {19, 1, 20, 20, sbBottomDown},
        {10, 10, 20, 20, sbBottomDown},  // on the line: bottom
        {10, 9, 20, 20, sbTopDown},    {20, 10, 40, 20, sbBottomDown},
        {20, 9, 40, 20, sbTopDown},    {-1, 5, 20, 20, sbNotDown},
        {20, 5, 20, 20, sbNotDown},    {5, 20, 20, 20, sbNotDown},
    };
    for (const auto& r : rows)
        EXPECT_EQ(DiagonalHalfAt(r.x, r.y, r.w, r.h), r.want) << r.x << "," << r.y;
    EXPECT_EQ(SpinButtonWidth(17), 15);
    EXPECT_EQ(SpinButtonWidth(13), 13);
}

}  // namespace
