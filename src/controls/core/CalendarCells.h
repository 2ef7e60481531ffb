// The month grid of the calendars: 7 columns, a row of day names, then up to six weeks.
// The grid position of the 1st of the month (the month offset) places every day:
// day = offset + column + (row - 1) * 7.
#pragma once

#include <string>

#include "controls/core/DateUtil.h"

constexpr int kCalendarColumns = 7;
constexpr int kCalendarRows = 7;  // the day-name row and six weeks

// The offset of a month whose 1st falls in the column of its weekday, in week row 1.
int CalendarMonthOffset(int year, int month, TDayOfWeekName startOfWeek);
// The day shown in a cell (0 for the day-name row and for cells outside the month).
int CalendarDayAt(int column, int row, int offset, int daysInMonth);
// The cell that shows `day`.
void CalendarCellOf(int day, int offset, int& column, int& row);
// The weekday of a column, and whether it is one of `weekends`.
TDayOfWeekName CalendarColumnDay(int column, TDayOfWeekName startOfWeek);
bool CalendarWeekendColumn(int column, TDayOfWeekName startOfWeek, TDaysOfWeek weekends);
// The text of a cell: the short day name in row 0, the day's number, or "".
std::string CalendarCellText(int column, int row, int offset, int daysInMonth,
                             TDayOfWeekName startOfWeek);
