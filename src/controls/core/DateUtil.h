// Calendar arithmetic, a tolerant date parser with a window for two-digit years, and the
// default date formats and edit masks of the date controls.
//
// "Today" and the current year come from the framework's clock (Now), the formats, the
// separator and the month and day names from its FormatSettings().
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "framework/core/DateTime.h"

enum TDateOrder { doMDY, doDMY, doYMD };
enum TDayOfWeekName { Sun, Mon, Tue, Wed, Thu, Fri, Sat };
using TDaysOfWeek = unsigned;  // bit (1 << TDayOfWeekName) per member

// The window for two-digit years (see ExpandYear); 30 at first.
extern uint8_t CenturyOffset;
constexpr TDateTime NullDate = 0;

// Whether the system's short date format writes four-digit years ("yyyy" in any case).
bool DefaultFourDigitYear();

int DaysPerMonth(int year, int month);
// The first day of the month after / before today's, the last day of the one before.
TDateTime FirstDayOfNextMonth();
TDateTime FirstDayOfPrevMonth();
TDateTime LastDayOfPrevMonth();
int ExtractDay(TDateTime date);
int ExtractMonth(TDateTime date);
int ExtractYear(TDateTime date);

// Years and months added (the month kept in 1..12), the day cut to the new month's length,
// then the days added; the time of day stays. A result outside the years 1..9999 throws
// EConvertError.
TDateTime IncDate(TDateTime date, int days, int months, int years);
TDateTime IncDay(TDateTime date, int delta);
TDateTime IncMonth(TDateTime date, int delta);
TDateTime IncYear(TDateTime date, int delta);
// The whole days of `hours` added to the day, the rest as a part of a day; a result below
// zero gets one day added.
TDateTime IncTime(TDateTime time, int hours, int minutes, int seconds, int msecs);
TDateTime IncHour(TDateTime time, int delta);
TDateTime IncMinute(TDateTime time, int delta);
TDateTime IncSecond(TDateTime time, int delta);
TDateTime IncMSec(TDateTime time, int delta);

// The calendar difference of the later minus the earlier date: a day count below zero
// borrows the length of the earlier date's month, a month count below zero 12 months.
void DateDiff(TDateTime date1, TDateTime date2, int& days, int& months, int& years);
// Whole months between, plus 0.25 for 2..6 days left, 0.5 for 7..14, 0.75 for 15..20 and
// 1 for 21 or more.
double MonthsBetween(TDateTime date1, TDateTime date2);
// A date of the years 1..9999.
bool ValidDate(TDateTime date);
// |whole days between| + 1; 0 when either date is invalid.
int DaysInPeriod(TDateTime date1, TDateTime date2);
// Whole days of date2 - whole days of date1 + 1, at least 0.
int DaysBetween(TDateTime date1, TDateTime date2);
TDateTime CutTime(TDateTime date);
int CurrentYear();

// The order of the first of "D", "E" or "Y", "M" in `format` (any case); doDMY without.
TDateOrder GetDateOrder(std::string_view format);
// 1..12 when the first `maxLen` characters of `s` are those of a month's long name (case
// ignored); else 0.
int MonthFromName(std::string_view s, int maxLen);
// A two-digit year as the year with those last digits among the hundred years that end
// `CenturyOffset` years after the current one (in 1999 with 30: 1930..2029, so 29 is 2029
// and 30 is 1930; in 2024: 1955..2054). Years of 100 or more stay.
int ExpandYear(int year);

// Parses `s` by `format`: an empty text is NullDate; a text laid out like the format (the
// month, day and year digits where the format has "m", "d" and "y"; a month name for
// "mmm") is read by position; any other is read freely: two or three numbers separated by
// the date separator in the format's date order (two numbers take the current year; the
// year expanded), optionally followed by a separator and blanks (and, when the format has
// "ddd", a day name). Throws EConvertError "'S' is not a valid date".
TDateTime StrToDateFmt(std::string_view format, std::string_view s);
// With the system's short date format / with `format`; `fallback` when the text does not
// parse.
TDateTime StrToDateDef(std::string_view s, TDateTime fallback);
TDateTime StrToDateFmtDef(std::string_view format, std::string_view s, TDateTime fallback);

// "MM/DD/YYYY", "DD/MM/YYYY" or "YYYY/MM/DD" by the system's date order ("YY" with two
// digits).
std::string DefDateFormat(bool fourDigitYear);
// "!99/99/9999;1;", "!9999/99/99;1;" (year first) or "!99/99/99;1;", then `blanksChar`.
std::string DefDateMask(char blanksChar, bool fourDigitYear);
// The system's long date, without trailing blanks; with the long time after it ("" for
// NullDate).
std::string FormatLongDate(TDateTime date);
std::string FormatLongDateTime(TDateTime date);
