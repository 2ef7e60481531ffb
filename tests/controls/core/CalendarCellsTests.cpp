#include "controls/core/CalendarCells.h"

#include <gtest/gtest.h>

#include "framework/core/DateTime.h"

namespace {

// The cell of the 1st and of the last day, for months that begin on every weekday.
TEST(CalendarCells, MonthsStartingOnEachWeekday) {
    const struct {
        int year, month;
        TDayOfWeekName start;
        int firstColumn, lastColumn, lastRow;
    } rows[] = {
        {2024, 9, Mon, 6, 0, 6},   // Sunday the 1st, 30 days: the grid's last row
        {2024, 7, Mon, 0, 2, 5},   // Monday
        {2024, 10, Mon, 1, 3, 5},  // Tuesday, 31 days
        {2024, 5, Mon, 2, 4, 5},   // Wednesday
        {2024, 2, Mon, 3, 3, 5},   // Thursday, leap February (29)
        {2024, 3, Mon, 4, 6, 5},   // Friday
        {2024, 6, Mon, 5, 6, 5},   // Saturday, 30 days
        {2023, 2, Mon, 2, 1, 5},   // Wednesday, 28 days
        {2026, 2, Sun, 0, 6, 4},   // Sunday the 1st with weeks from Sunday: four rows
        {2024, 9, Sun, 0, 1, 5},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::to_string(r.year) + "-" + std::to_string(r.month));
        int days = DaysInAMonth(r.year, r.month);
        int offset = CalendarMonthOffset(r.year, r.month, r.start);
        int column = -1, row = -1;
        CalendarCellOf(1, offset, column, row);
        EXPECT_EQ(column, r.firstColumn);
        EXPECT_EQ(row, 1);
        CalendarCellOf(days, offset, column, row);
        EXPECT_EQ(column, r.lastColumn);
        EXPECT_EQ(row, r.lastRow);
        EXPECT_EQ(CalendarDayAt(r.firstColumn, 1, offset, days), 1);
        EXPECT_EQ(CalendarDayAt(r.lastColumn, r.lastRow, offset, days), days);
        // Before the 1st and after the last day: no day.
        if (r.firstColumn > 0) {
            EXPECT_EQ(CalendarDayAt(r.firstColumn - 1, 1, offset, days), 0);
        }
        if (r.lastColumn < 6) {
            EXPECT_EQ(CalendarDayAt(r.lastColumn + 1, r.lastRow, offset, days), 0);
        }
    }
}

TEST(CalendarCells, DayNamesAndWeekends) {
    const int offset = CalendarMonthOffset(2024, 9, Mon);
    EXPECT_EQ(CalendarCellText(0, 0, offset, 30, Mon), "Mon");
    EXPECT_EQ(CalendarCellText(6, 0, offset, 30, Mon), "Sun");
    EXPECT_EQ(CalendarCellText(0, 0, offset, 30, Sat), "Sat");
    EXPECT_EQ(CalendarCellText(6, 1, offset, 30, Mon), "1");
    EXPECT_EQ(CalendarCellText(5, 1, offset, 30, Mon), "");
    const TDaysOfWeek weekends = (1u << Sun) | (1u << Sat);
    EXPECT_TRUE(CalendarWeekendColumn(6, Mon, weekends));
    EXPECT_TRUE(CalendarWeekendColumn(5, Mon, weekends));
    EXPECT_FALSE(CalendarWeekendColumn(0, Mon, weekends));
    EXPECT_TRUE(CalendarWeekendColumn(0, Sun, 1u << Sun));
    EXPECT_EQ(CalendarDayAt(0, 0, offset, 30), 0);
}

}  // namespace
