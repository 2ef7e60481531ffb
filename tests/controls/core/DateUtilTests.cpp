#include "controls/core/DateUtil.h"

#include <gtest/gtest.h>

#include "framework/core/SysUtils.h"

namespace {

// A fixed "today" and the default (US) settings for every test, restored afterwards.
class DateUtilTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved = FormatSettings();
        FormatSettings() = TFormatSettings();
        Today(1999, 6, 15);
    }
    void TearDown() override {
        FormatSettings() = saved;
        SetLocalClock(nullptr);
        CenturyOffset = 30;
    }
    static void Today(int y, int m, int d) {
        TDateTime t = EncodeDate(y, m, d) + 0.5;
        SetLocalClock([t] { return t; });
    }
    static std::string Text(TDateTime d) { return FormatDateTime("yyyy-mm-dd", d); }

    TFormatSettings saved;
};

TEST_F(DateUtilTest, CalendarArithmetic) {
    const struct {
        TDateTime got;
        const char* want;
    } rows[] = {
        {IncMonth(EncodeDate(1999, 1, 31), 1), "1999-02-28"},
        {IncMonth(EncodeDate(2000, 1, 31), 1), "2000-02-29"},
        {IncMonth(EncodeDate(2000, 3, 15), -3), "1999-12-15"},
        {IncMonth(EncodeDate(2000, 3, 15), -15), "1998-12-15"},
        {IncMonth(EncodeDate(2000, 11, 30), 14), "2002-01-30"},
        {IncYear(EncodeDate(2000, 2, 29), 1), "2001-02-28"},
        {IncDate(EncodeDate(2000, 1, 31), 1, 1, 1), "2001-03-01"},
        {IncDay(EncodeDate(1999, 12, 31), 1), "2000-01-01"},
        {FirstDayOfNextMonth(), "1999-07-01"},
        {FirstDayOfPrevMonth(), "1999-05-01"},
        {LastDayOfPrevMonth(), "1999-05-31"},
    };
    for (const auto& r : rows) EXPECT_EQ(Text(r.got), r.want);
    // The time of day stays.
    EXPECT_DOUBLE_EQ(IncMonth(EncodeDate(2000, 1, 31) + 0.25, 1), EncodeDate(2000, 2, 29) + 0.25);
    EXPECT_DOUBLE_EQ(IncHour(0.5, 36), 2.0);
    EXPECT_DOUBLE_EQ(IncMinute(0.0, -60), 23.0 / 24);  // below zero wraps into the day
    EXPECT_THROW(IncYear(EncodeDate(9999, 1, 1), 1), EConvertError);
    Today(2000, 12, 10);
    EXPECT_EQ(Text(FirstDayOfNextMonth()), "2001-01-01");
    Today(2000, 1, 10);
    EXPECT_EQ(Text(FirstDayOfPrevMonth()), "1999-12-01");
    EXPECT_EQ(DaysPerMonth(2000, 2) + DaysPerMonth(1900, 2), 29 + 28);
    EXPECT_EQ(
        ExtractDay(EncodeDate(2001, 2, 3)) * 10000 + ExtractMonth(EncodeDate(2001, 2, 3)) * 100,
        30200);
}

TEST_F(DateUtilTest, Differences) {
    int d, m, y;
    DateDiff(EncodeDate(2001, 3, 5), EncodeDate(1999, 12, 20), d, m, y);  // swapped first
    EXPECT_EQ(Format("%d/%d/%d", y, m, d), "1/2/16");
    EXPECT_EQ(MonthsBetween(EncodeDate(1999, 6, 1), EncodeDate(1999, 6, 11)), 0.5);
    EXPECT_EQ(MonthsBetween(EncodeDate(1999, 1, 1), EncodeDate(2000, 2, 3)), 13.25);
    EXPECT_EQ(MonthsBetween(EncodeDate(1999, 1, 1), EncodeDate(1999, 1, 2)), 0);
    EXPECT_EQ(MonthsBetween(EncodeDate(1999, 1, 1), EncodeDate(1999, 1, 30)), 1);
    EXPECT_EQ(DaysInPeriod(EncodeDate(2000, 1, 10), EncodeDate(2000, 1, 1)), 10);
    EXPECT_EQ(DaysInPeriod(EncodeDate(2000, 1, 10), 1e9), 0);
    EXPECT_EQ(DaysBetween(EncodeDate(2000, 1, 1), EncodeDate(2000, 1, 10) + 0.9), 10);
    EXPECT_EQ(DaysBetween(EncodeDate(2000, 1, 10), EncodeDate(2000, 1, 1)), 0);
    EXPECT_TRUE(ValidDate(EncodeDate(1, 1, 1)));
    EXPECT_FALSE(ValidDate(-700000));
    EXPECT_EQ(CutTime(EncodeDate(2000, 1, 1) + 0.7), EncodeDate(2000, 1, 1));
}

TEST_F(DateUtilTest, TwoDigitYearsFallInTheWindow) {
    const struct {
        int today, year, want;
    } rows[] = {
        {1999, 29, 2029}, {1999, 30, 1930}, {1999, 99, 1999}, {1999, 0, 2000},  {2024, 54, 2054},
        {2024, 55, 1955}, {2070, 0, 2100},  {2070, 1, 2001},  {2024, 100, 100}, {2024, 1999, 1999},
    };
    for (const auto& r : rows) {
        Today(r.today, 1, 1);
        EXPECT_EQ(ExpandYear(r.year), r.want) << r.today << " " << r.year;
    }
    Today(1999, 1, 1);
    CenturyOffset = 50;
    EXPECT_EQ(ExpandYear(49), 2049);
    EXPECT_EQ(ExpandYear(50), 1950);
}

TEST_F(DateUtilTest, ParsingByFormatAndFreely) {
    const struct {
        const char* format;
        const char* text;
        const char* want;  // null: not a date
    } rows[] = {
        {"MM/DD/YYYY", "07/04/2021", "2021-07-04"},  // by position
        {"DD/MM/YYYY", "04/07/2021", "2021-07-04"},
        {"YYYY/MM/DD", "2021/07/04", "2021-07-04"},
        {"MM/DD/YY", "07/04/29", "2029-07-04"},
        {"MM/DD/YY", "07/04/30", "1930-07-04"},
        {"DD-MMM-YYYY", "04-Jul-2021", "2021-07-04"},
        {"DD-MMM-YYYY", "04-jul-2021", "2021-07-04"},
        {"MM/DD/YYYY", "7/4/2021", "2021-07-04"},  // free: numbers and separators
        {"MM/DD/YYYY", " 7 / 4 / 2021 ", "2021-07-04"},
        {"MM/DD/YYYY", "7/4/21/", "2021-07-04"},
        {"MM/DD/YYYY", "7/4", "1999-07-04"},  // the current year
        {"DD/MM/YYYY", "4/7", "1999-07-04"},
        {"YYYY/MM/DD", "7/4", "1999-07-04"},
        {"YYYY/MM/DD", "2021/7/4", "2021-07-04"},
        {"MM/DD/YYYY", "2/29/2000", "2000-02-29"},
        {"MM/DD/YYYY", "2/29/1999", nullptr},
        {"MM/DD/YYYY", "13/1/2000", nullptr},
        {"MM/DD/YYYY", "1/1/20000", nullptr},  // at most four digits
        {"MM/DD/YYYY", "1/1/2000x", nullptr},
        {"MM/DD/YYYY", "1-1-2000", nullptr},  // not the separator
        {"MM/DD/YYYY", "7", nullptr},
        {"MM/DD/YYYY", "  /  /    ", nullptr},
        {"MM/DD/YYYY ddd", "7/4/2021 Sunday", "2021-07-04"},
        {"MM/DD/YYYY ddd", "7/4/2021 Sun", "2021-07-04"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.format) + " <- " + r.text);
        TDateTime d = StrToDateFmtDef(r.format, r.text, -1);
        EXPECT_EQ(d == -1 ? std::string("none") : Text(d), r.want ? r.want : "none");
    }
    EXPECT_EQ(StrToDateFmt("MM/DD/YYYY", ""), NullDate);
    try {
        StrToDateFmt("MM/DD/YYYY", "31/31/2000");
        ADD_FAILURE();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message, "'31/31/2000' is not a valid date");
    }
    // The system's short date format, with its own separator.
    FormatSettings().ShortDateFormat = "yyyy-MM-dd";
    FormatSettings().DateSeparator = '-';
    EXPECT_EQ(Text(StrToDateDef("2021-7-4", 0)), "2021-07-04");
    EXPECT_EQ(StrToDateDef("7/4/2021", 5), 5);
}

TEST_F(DateUtilTest, FormatsMasksAndNames) {
    EXPECT_EQ(GetDateOrder("d.m.y"), doDMY);
    EXPECT_EQ(GetDateOrder("yyyy-MM-dd"), doYMD);
    EXPECT_EQ(GetDateOrder("ee/mm/dd"), doYMD);
    EXPECT_EQ(GetDateOrder("M/d/yyyy"), doMDY);
    EXPECT_EQ(GetDateOrder("--"), doDMY);
    EXPECT_EQ(DefDateFormat(true) + " " + DefDateMask('_', true), "MM/DD/YYYY !99/99/9999;1;_");
    EXPECT_TRUE(DefaultFourDigitYear());
    FormatSettings().ShortDateFormat = "yy-MM-dd";
    EXPECT_FALSE(DefaultFourDigitYear());
    EXPECT_EQ(DefDateFormat(true) + " " + DefDateMask(' ', true), "YYYY/MM/DD !9999/99/99;1; ");
    EXPECT_EQ(DefDateFormat(false) + " " + DefDateMask(' ', false), "YY/MM/DD !99/99/99;1; ");
    FormatSettings().ShortDateFormat = "dd.MM.yyyy";
    EXPECT_EQ(DefDateFormat(false), "DD/MM/YY");
    EXPECT_EQ(MonthFromName("Sept.", 3), 9);
    EXPECT_EQ(MonthFromName("MAY", 3), 5);
    EXPECT_EQ(MonthFromName("Mai", 3), 0);
    EXPECT_EQ(MonthFromName("", 3), 0);
    FormatSettings().LongDateFormat = "dddd, mmmm d, yyyy  ";
    const TDateTime d = EncodeDate(2021, 7, 4) + EncodeTime(14, 5, 9, 0);
    EXPECT_EQ(FormatLongDate(d), "Sunday, July 4, 2021");
    EXPECT_EQ(FormatLongDateTime(d), "Sunday, July 4, 2021 2:05:09 PM");
    EXPECT_EQ(FormatLongDateTime(NullDate), "");
    Today(2024, 3, 1);
    EXPECT_EQ(CurrentYear(), 2024);
}

}  // namespace
