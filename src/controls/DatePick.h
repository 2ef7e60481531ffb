// The calendars: TXcCalendar (a month grid), TLocCalendar (its variant inside the popup
// and the dialog), TPopupCalendar (the date edit's drop-down: a title with month and year
// buttons over a calendar), TSelectDateDlg (the same in a small modal dialog) and the
// routines SelectDate, SelectDateStr and PopupDate. The month arithmetic is
// controls/core/CalendarCells.h.
#pragma once

#include <string>

#include "controls/ComboEdit.h"
#include "controls/XcButtons.h"
#include "controls/core/CalendarCells.h"
#include "framework/Forms.h"
#include "framework/Grids.h"

class TXcCalendar : public TCustomGrid {
public:
    explicit TXcCalendar(TComponent* owner);

    TDateTime CalendarDate() const { return FDate; }
    void SetCalendarDate(TDateTime date);
    int Day() const { return ExtractDay(FDate); }
    int Month() const { return ExtractMonth(FDate); }
    int Year() const { return ExtractYear(FDate); }
    void NextMonth() { ChangeMonth(1); }
    void PrevMonth() { ChangeMonth(-1); }
    void NextYear() { ChangeMonth(12); }
    void PrevYear() { ChangeMonth(-12); }
    bool UseCurrentDate = true;
    TDayOfWeekName StartOfWeek() const { return FStartOfWeek; }
    void SetStartOfWeek(TDayOfWeekName day);
    TDaysOfWeek Weekends() const { return FWeekends; }
    void SetWeekends(TDaysOfWeek days);
    TColor WeekendColor() const { return FWeekendColor; }
    void SetWeekendColor(TColor color);
    bool ReadOnly = false;
    // The day shown in a cell (0: none).
    int DayAt(int col, int row) const;

    TNotifyEvent OnChange;

    void WndProc(TMessage& message) override;

protected:
    void DrawCell(int col, int row, RECT rect, TGridDrawState state) override;
    bool SelectCell(int col, int row) override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void KeyPress(char& key) override;
    void ChangeMonth(int months);
    void UpdateCalendar();
    void FitCells();
    virtual void Change();

private:
    TDateTime FDate;
    TDayOfWeekName FStartOfWeek = Mon;
    TDaysOfWeek FWeekends = 1u << Sun;
    TColor FWeekendColor = clRed;
    int FMonthOffset = 0;
    bool FUpdating = false;
};

// The calendar of the popup and the dialog: no border, no tab stop, the parent's colour,
// a line under the day names only, today framed.
class TLocCalendar : public TXcCalendar {
public:
    explicit TLocCalendar(TComponent* owner);

protected:
    void DrawCell(int col, int row, RECT rect, TGridDrawState state) override;
};

// The navigation button: it repeats while held.
class TXcTimerSpeedButton : public TXcSpeedButton {
public:
    explicit TXcTimerSpeedButton(TComponent* owner);
};

// 187 x 124 pixels: a title ("MMMM, YYYY") between the year and month buttons, and the
// calendar; a release over a day accepts it, PgUp and PgDn page months (years with Ctrl).
class TPopupCalendar : public TPopupWindow {
public:
    explicit TPopupCalendar(TCustomComboEdit* editor);
    TLocCalendar* Calendar() const { return FCalendar; }
    // The format of the values (the date edit's).
    std::string DateFormat = "mm/dd/yyyy";
    // Sets the navigation buttons' hints from the first four lines (up to four).
    void SetHints(const TStrings& hints);

    TPopupValue GetValue() override;
    void SetValue(const TPopupValue& value) override;
    // Keys the date edit hands on while the popup is down.
    void KeyDown(WORD& key, TShiftState shift) override;
    void KeyPress(char& key) override;

protected:
    void Paint() override;
    // A release outside cancels; on the title nothing (a double click there goes to today).
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

private:
    void UpdateTitle();
    TLocCalendar* FCalendar;
    TXcTimerSpeedButton* FButtons[4];
    std::string FTitle;
    bool FDoubled = false;  // the press was the second of a double click
};

// The date dialog: a title panel with the month and year buttons, and the calendar. Enter
// or a double click accepts, Escape cancels, Tab and Shift+Tab page months, PgUp and PgDn
// too (years with Ctrl).
class TSelectDateDlg : public TForm {
public:
    explicit TSelectDateDlg(TComponent* owner);
    TLocCalendar* Calendar = nullptr;
    TLabel* TitleLabel = nullptr;
    TDateTime Date() const { return Calendar->CalendarDate(); }
    void SetDate(TDateTime date);
    void SetHints(const TStrings& hints);

private:
    void UpdateTitle();
    void FormKeyDown(WORD& key, TShiftState shift);
    TXcTimerSpeedButton* FButtons[4] = {};
};

// The date dialog with `date` and the calendar's settings; on OK the chosen date comes
// back in `date` and the result is true.
bool SelectDate(TDateTime& date, const std::string& title, TDayOfWeekName startOfWeek,
                TDaysOfWeek weekends, TColor weekendColor, const TStrings* hints);
// The same on a text in the system's short date format.
bool SelectDateStr(std::string& text, const std::string& title, TDayOfWeekName startOfWeek,
                   TDaysOfWeek weekends, TColor weekendColor, const TStrings* hints);
// The dialog without border icons right under `control` (its left edge at least 0).
bool PopupDate(TDateTime& date, TWinControl* control);
