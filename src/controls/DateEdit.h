// The date edit: a combo edit with a date mask whose button drops down the calendar popup
// (or opens the date dialog). Its dates are read and written in DateFormat, the system's
// date order with two or four year digits. The date routines are controls/core/DateUtil.h.
#pragma once

#include <functional>
#include <string>

#include "controls/DatePick.h"

enum TYearDigits { dyDefault, dyFour, dyTwo };
enum TCalendarStyle { csPopup, csDialog };
// Before a chosen date is taken: the handler may change it or refuse it (action false).
using TExecDateDialog = std::function<void(TComponent* sender, TDateTime& date, bool& action)>;

class TCustomDateEdit : public TCustomComboEdit {
public:
    explicit TCustomDateEdit(TComponent* owner);
    ~TCustomDateEdit() override;

    // The text's date: NullDate (or today with DefaultToday) when it holds none.
    TDateTime Date();
    void SetDate(TDateTime date);
    std::string DialogTitle = "Select a Date";
    bool DefaultToday = false;
    bool CheckOnExit = false;
    TColor PopupColor() const { return FPopupColor; }
    void SetPopupColor(TColor color);
    char BlanksChar() const { return FBlanksChar; }
    // Control characters become a blank.
    void SetBlanksChar(char c);
    TStringList* CalendarHints() { return &FCalendarHints; }
    TDayOfWeekName StartOfWeek() const { return FStartOfWeek; }
    void SetStartOfWeek(TDayOfWeekName day);
    TDaysOfWeek Weekends() const { return FWeekends; }
    void SetWeekends(TDaysOfWeek days);
    TColor WeekendColor() const { return FWeekendColor; }
    void SetWeekendColor(TColor color);
    TYearDigits YearDigits() const { return FYearDigits; }
    void SetYearDigits(TYearDigits digits);
    const std::string& DateFormat() const { return FDateFormat; }
    TCalendarStyle CalendarStyle() const { return FPopup ? csPopup : csDialog; }
    void SetCalendarStyle(TCalendarStyle style);

    TExecDateDialog OnAcceptDate;

    // The format and mask again from the system's settings, keeping the date.
    void UpdateMask();
    // Throws EConvertError "'TEXT' is not a valid date" for a text that is no date (only
    // blanks and separators count as none).
    void CheckValidDate();

protected:
    TBitmap* GetDefaultBitmap(bool& destroy) override;
    void ButtonClick() override;
    bool AcceptPopup(TPopupValue& value) override;
    void DoExit() override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void KeyPress(char& key) override;

private:
    void CreatePopup();
    void UpdatePopup();
    TPopupCalendar* Calendar() const { return static_cast<TPopupCalendar*>(FPopup); }
    bool FourDigits() const;

    TColor FPopupColor = clBtnFace;
    char FBlanksChar = ' ';
    TStringList FCalendarHints;
    TDayOfWeekName FStartOfWeek = Mon;
    TDaysOfWeek FWeekends = 1u << Sun;
    TColor FWeekendColor = clRed;
    TYearDigits FYearDigits = dyDefault;
    std::string FDateFormat;
};

class TDateEdit : public TCustomDateEdit {
public:
    using TCustomDateEdit::TCustomDateEdit;
};

// Every date edit of the program's forms takes the system's date settings again.
void DateFormatChanged();
