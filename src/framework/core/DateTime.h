// Dates, times and the locale's formats.
//
// A TDateTime counts days since 1899-12-30 00:00 as a double: the whole part is the day,
// the fraction the time of day (0.5 is noon). Years 1..9999 can be encoded. For a date
// before 1899-12-30 the number is negative and its fraction still counts the time forward
// from midnight (-1.25 is 1899-12-29 06:00).
//
// TFormatSettings holds the separators, formats and names the conversions use. The
// program's own copy (FormatSettings()) starts with the defaults below, and the Win32 side
// fills it from the system's locale when the application starts.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>

using TDateTime = double;

struct TFormatSettings {
    char DateSeparator = '/';
    char TimeSeparator = ':';
    char DecimalSeparator = '.';
    char ThousandSeparator = ',';
    std::string ShortDateFormat = "m/d/yyyy";
    std::string LongDateFormat = "dddd, mmmm d, yyyy";
    std::string ShortTimeFormat = "h:nn AMPM";
    std::string LongTimeFormat = "h:nn:ss AMPM";
    std::string TimeAMString = "AM";
    std::string TimePMString = "PM";
    std::array<std::string, 12> ShortMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::array<std::string, 12> LongMonthNames{"January",   "February", "March",    "April",
                                               "May",       "June",     "July",     "August",
                                               "September", "October",  "November", "December"};
    // Sunday first.
    std::array<std::string, 7> ShortDayNames{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    std::array<std::string, 7> LongDayNames{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                            "Thursday", "Friday", "Saturday"};
};

// The program's settings (the system's on Win32 once the application has started).
TFormatSettings& FormatSettings();

// ---- Calendar ---------------------------------------------------------------------------

bool IsLeapYear(int year);
// Days of a month (1..12) of a year; 0 for a month outside 1..12.
int DaysInAMonth(int year, int month);

// False (and `date` untouched) unless 1 <= year <= 9999, 1 <= month <= 12 and day lies in
// the month.
bool TryEncodeDate(int year, int month, int day, TDateTime& date);
// As TryEncodeDate; throws EConvertError "Invalid argument to date encode".
TDateTime EncodeDate(int year, int month, int day);
// A date outside the years 1..9999 (or no number at all) decodes as 0, 0, 0.
void DecodeDate(TDateTime date, int& year, int& month, int& day);
// 0 <= hour < 24, minute and second < 60, msec < 1000; the fraction of a day.
bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& time);
// As TryEncodeTime; throws EConvertError "Invalid argument to time encode".
TDateTime EncodeTime(int hour, int minute, int second, int msec);
// The time of day, rounded to the millisecond.
void DecodeTime(TDateTime time, int& hour, int& minute, int& second, int& msec);
// 1 for Sunday .. 7 for Saturday.
int DayOfWeek(TDateTime date);

// ---- Clock ------------------------------------------------------------------------------

// The local date and time, from the installed clock, else from the C library.
TDateTime Now();
// Today at midnight; the time of day of Now.
TDateTime Date();
TDateTime Time();
// Installs the clock Now reads (an empty function goes back to the C library's).
void SetLocalClock(std::function<TDateTime()> clock);

// ---- Formatting -------------------------------------------------------------------------

// The date and time in `format`, whose letters (in either case) stand for:
//   y, yy        year in two digits       yyy, yyyy   year in four digits
//   m, mm        month (mm: two digits)   mmm, mmmm   short, long month name
//   d, dd        day (dd: two digits)     ddd, dddd   short, long day name
//   ddddd        the short date format    dddddd      the long date format
//   h, hh        hour                     n, nn       minute (m and mm right after an
//   s, ss        second                               hour mean the minute too)
//   z, zzz       millisecond              t, tt       short, long time format
//   c            short date, then the long time when the time is not midnight
//   am/pm, a/p   AM or PM in the case written; with any of these three
//   ampm         the locale's AM or PM text;    the hours count 1..12
//   /            date separator           :           time separator
//   "..." '...'  literal text
// Other characters stand for themselves, double-byte characters included. An empty format
// is "c".
std::string FormatDateTime(std::string_view format, TDateTime dateTime);
std::string FormatDateTime(std::string_view format, TDateTime dateTime,
                           const TFormatSettings& settings);
