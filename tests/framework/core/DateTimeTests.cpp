#include "framework/core/DateTime.h"

#include <gtest/gtest.h>

#include "framework/core/SysUtils.h"

namespace {

TEST(Dates, EncodeAndDecodeAcrossTheCalendar) {
    struct Case {
        int y, m, d;
        double serial;
        int dayOfWeek;
    };
    const Case cases[] = {
        {1899, 12, 30, 0, 7},    {1900, 1, 1, 2, 2},         {1900, 3, 1, 61, 5},
        {2000, 2, 29, 36585, 3}, {2000, 3, 1, 36586, 4},     {2024, 12, 31, 45657, 3},
        {1, 1, 1, -693593, 2},   {9999, 12, 31, 2958465, 6}, {1600, 12, 31, -109206, 1},
        {1899, 12, 29, -1, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Format("%d-%d-%d", c.y, c.m, c.d));
        EXPECT_EQ(EncodeDate(c.y, c.m, c.d), c.serial);
        int y, m, d;
        DecodeDate(c.serial + (c.serial < 0 ? -0.75 : 0.75), y, m, d);  // 18:00
        EXPECT_EQ(Format("%d-%d-%d", y, m, d), Format("%d-%d-%d", c.y, c.m, c.d));
        EXPECT_EQ(DayOfWeek(c.serial), c.dayOfWeek);
    }
    // Every day of four centuries comes back as itself.
    for (double n = EncodeDate(1800, 1, 1); n < EncodeDate(2200, 1, 1); n += 1) {
        int y, m, d;
        DecodeDate(n, y, m, d);
        ASSERT_EQ(EncodeDate(y, m, d), n);
    }
    const int bad[][3] = {{1900, 2, 29}, {2023, 2, 29}, {0, 1, 1},   {10000, 1, 1},
                          {2000, 13, 1}, {2000, 4, 31}, {2000, 1, 0}};
    for (const auto& b : bad) {
        TDateTime untouched = 42;
        EXPECT_FALSE(TryEncodeDate(b[0], b[1], b[2], untouched));
        EXPECT_EQ(untouched, 42);
        EXPECT_THROW(EncodeDate(b[0], b[1], b[2]), EConvertError);
    }
    EXPECT_TRUE(IsLeapYear(2000) && IsLeapYear(2024) && !IsLeapYear(1900) && !IsLeapYear(2023));
}

TEST(Dates, TimesOfDay) {
    EXPECT_EQ(EncodeTime(12, 0, 0, 0), 0.5);
    int h, n, s, ms;
    DecodeTime(EncodeDate(2024, 5, 6) + EncodeTime(23, 59, 59, 999), h, n, s, ms);
    EXPECT_EQ(Format("%d:%d:%d.%d", h, n, s, ms), "23:59:59.999");
    DecodeTime(-1.25, h, n, s, ms);  // before 1899-12-30 the fraction still counts forward
    EXPECT_EQ(h, 6);
    EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
    EXPECT_THROW(EncodeTime(0, 60, 0, 0), EConvertError);
    EXPECT_THROW(EncodeTime(0, 0, 0, 1000), EConvertError);
}

TEST(Dates, NowReadsTheInstalledClock) {
    TDateTime fixed = EncodeDate(2021, 7, 4) + EncodeTime(14, 5, 9, 0);
    SetLocalClock([&] { return fixed; });
    EXPECT_EQ(Now(), fixed);
    EXPECT_EQ(Date(), EncodeDate(2021, 7, 4));
    EXPECT_EQ(Time(), EncodeTime(14, 5, 9, 0));
    SetLocalClock(nullptr);
    int y, m, d;
    DecodeDate(Now(), y, m, d);
    EXPECT_GE(y, 2024);
}

TEST(FormatDateTime, Specifiers) {
    TFormatSettings us;
    TFormatSettings ko;
    ko.DateSeparator = '-';
    ko.ShortDateFormat = "yyyy-MM-dd";
    ko.LongDateFormat = "yyyy'\xB3\xE2' M'\xBF\xF9' d'\xC0\xCF' dddd";
    ko.TimeAMString = "\xBF\xC0\xC0\xFC";
    ko.TimePMString = "\xBF\xC0\xC8\xC4";
    ko.LongTimeFormat = "AMPM h:mm:ss";
    ko.LongDayNames[0] = "\xC0\xCF\xBF\xE4\xC0\xCF";
    const TDateTime afternoon = EncodeDate(2021, 7, 4) + EncodeTime(14, 5, 9, 7);
    const TDateTime midnight = EncodeDate(2003, 1, 2);
    struct Case {
        const char* format;
        TDateTime when;
        const TFormatSettings& settings;
        const char* want;
    };
    const Case cases[] = {
        {"yyyy-mm-dd hh:mm:ss", afternoon, us, "2021-07-04 14:05:09"},
        {"[hh:nn:ss AM/PM] ", afternoon, us, "[02:05:09 PM] "},
        {"h:n:s am/pm", midnight, us, "12:0:0 am"},
        {"h a/p|H A/P", afternoon, us, "2 p|2 P"},
        {"hh ampm", afternoon, ko, "02 \xBF\xC0\xC8\xC4"},
        {"d/m/yy", midnight, us, "2/1/03"},
        {"d/m/y", midnight, ko, "2-1-03"},
        {"ddd dddd mmm mmmm", afternoon, us, "Sun Sunday Jul July"},
        {"ddddd", afternoon, us, "7/4/2021"},
        {"ddddd", afternoon, ko, "2021-07-04"},
        {"dddddd", afternoon, ko, "2021\xB3\xE2 7\xBF\xF9 4\xC0\xCF \xC0\xCF\xBF\xE4\xC0\xCF"},
        {"c", afternoon, us, "7/4/2021 2:05:09 PM"},
        {"", midnight, us, "1/2/2003"},
        {"t|tt", afternoon, us, "2:05 PM|2:05:09 PM"},
        {"z zzz", afternoon, us, "7 007"},
        {"\"dd\" 'mm' dd", afternoon, us, "dd mm 04"},
        {"\xB0\xA1"
         "dd",
         afternoon, us,
         "\xB0\xA1"
         "04"},  // a double-byte character is copied
        {"'unclosed", afternoon, us, "unclosed"},
        {"xq!", afternoon, us, "xq!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        EXPECT_EQ(FormatDateTime(c.format, c.when, c.settings), c.want);
    }
    TFormatSettings loops;
    loops.ShortDateFormat = "ddddd";  // names itself: nesting stops
    EXPECT_EQ(FormatDateTime("ddddd", afternoon, loops), "");
}

TEST(Floats, FollowTheDecimalSeparator) {
    TFormatSettings comma;
    comma.DecimalSeparator = ',';
    EXPECT_EQ(StrToFloat("1,5", comma), 1.5);
    EXPECT_THROW(StrToFloat("1.5", comma), EConvertError);
    double v = 9;
    EXPECT_FALSE(TryStrToFloat("1,5", v));  // the default separator is "."
    EXPECT_EQ(v, 9);
    EXPECT_EQ(FloatToStrF(-2.25, ffFixed, 15, 2, comma), "-2,25");
    EXPECT_EQ(FloatToStrF(0.000125, ffGeneral, 15, 0, comma), "0,000125");
}

}  // namespace
