#include "controls/core/CalendarCells.h"

#include "framework/core/SysUtils.h"

int CalendarMonthOffset(int year, int month, TDayOfWeekName startOfWeek) {
    int weekday = DayOfWeek(EncodeDate(year, month, 1)) - 1;  // 0 Sunday
    int column = (weekday - startOfWeek + 7) % 7;
    return 1 - column;
}

int CalendarDayAt(int column, int row, int offset, int daysInMonth) {
    if (row < 1 || column < 0 || column >= kCalendarColumns) return 0;
    int day = offset + column + (row - 1) * 7;
    return day >= 1 && day <= daysInMonth ? day : 0;
}

void CalendarCellOf(int day, int offset, int& column, int& row) {
    int index = day - offset;  // from column 0 of row 1
    column = index % 7;
    row = index / 7 + 1;
}

TDayOfWeekName CalendarColumnDay(int column, TDayOfWeekName startOfWeek) {
    return static_cast<TDayOfWeekName>((startOfWeek + column) % 7);
}

bool CalendarWeekendColumn(int column, TDayOfWeekName startOfWeek, TDaysOfWeek weekends) {
    return (weekends >> CalendarColumnDay(column, startOfWeek)) & 1u;
}

std::string CalendarCellText(int column, int row, int offset, int daysInMonth,
                             TDayOfWeekName startOfWeek) {
    if (row == 0) return FormatSettings().ShortDayNames[CalendarColumnDay(column, startOfWeek)];
    int day = CalendarDayAt(column, row, offset, daysInMonth);
    return day ? IntToStr(day) : std::string();
}
