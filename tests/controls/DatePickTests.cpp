// The date edit and the calendars under real windows: a typed date reads back, a text that
// is no date is refused on leaving, the popup picks a day, and the date dialog (answered by
// a timer) pages a month and accepts.
#include <windows.h>

#include <string>

#include "ControlKit.h"
#include "controls/DateEdit.h"
#include "framework/Timers.h"

using namespace uitest;

namespace {

class DateEdits : public ControlForm {
public:
    void SetUp() override {
        ControlForm::SetUp();
        edit = new TDateEdit(form);
        edit->SetParent(form);
        edit->SetBounds(10, 10, 150, 21);
        other = new TEdit(form);
        other->SetParent(form);
        other->SetBounds(10, 200, 100, 21);
        ShowForm();
    }
    // Types `date` as a user would: its digits, the mask puts the separators.
    void Type(TDateTime date) {
        edit->SetFocus();
        SendMessageA(edit->Handle(), EM_SETSEL, 0, 0);
        for (char c : FormatDateTime(edit->DateFormat(), date))
            if (c >= '0' && c <= '9') PostMessageA(edit->Handle(), WM_CHAR, c, 1);
        Pump();
    }
    TDateEdit* edit = nullptr;
    TEdit* other = nullptr;
};

TEST_F(DateEdits, TypedDatesReadBackAndBadOnesAreRefused) {
    EXPECT_EQ(edit->Date(), NullDate);  // empty
    Type(EncodeDate(2024, 12, 25));
    EXPECT_EQ(edit->Date(), EncodeDate(2024, 12, 25));
    EXPECT_EQ(edit->Caption(), FormatDateTime(edit->DateFormat(), EncodeDate(2024, 12, 25)));
    PostMessageA(edit->Handle(), WM_CHAR, 'x', 1);  // no letters in a date
    Pump();
    EXPECT_EQ(edit->Date(), EncodeDate(2024, 12, 25));

    edit->DefaultToday = true;
    edit->SetText("");
    EXPECT_EQ(edit->Date(), Date());

    std::string refused;
    app.OnException = [&](TComponent*, std::exception_ptr e) {
        refused = TApplication::ExceptionMessage(e);
    };
    edit->CheckOnExit = true;
    edit->SetText(FormatDateTime(edit->DateFormat(), EncodeDate(2024, 12, 25)));
    std::string bad = edit->Caption();
    bad.replace(bad.find("12"), 2, "13");  // the 13th month
    edit->SetText(bad);
    edit->SetFocus();
    other->SetFocus();
    Pump();
    EXPECT_NE(refused.find("is not a valid date"), std::string::npos) << refused;
}

TEST_F(DateEdits, ThePopupPicksADay) {
    edit->SetLeft(200);  // room on the form's left for the popup, in the picture
    edit->SetDate(EncodeDate(2024, 9, 15));
    edit->SetFocus();
    ClickAt(edit->Button()->Parent()->Handle(), 5, 5);
    ASSERT_TRUE(edit->PopupVisible());
    auto* popup = static_cast<TPopupCalendar*>(edit->Popup());
    EXPECT_TRUE(IsWindowVisible(popup->Handle()));
    RECT editRect, popupRect;  // right edges lined up, just below the edit
    GetWindowRect(edit->Handle(), &editRect);
    GetWindowRect(popup->Handle(), &popupRect);
    EXPECT_EQ(popupRect.right, editRect.right);
    EXPECT_EQ(popupRect.top, editRect.bottom);
    EXPECT_EQ(popup->Calendar()->CalendarDate(), EncodeDate(2024, 9, 15));
    // Keys go to the calendar while it is down: next month, next day.
    PressKey(VK_NEXT, 0, edit->Handle());
    PressKey(VK_RIGHT, 0, edit->Handle());
    EXPECT_EQ(popup->Calendar()->CalendarDate(), EncodeDate(2024, 10, 16));
    Shot("date-edit-popup");

    // A click on the 3rd accepts it.
    TLocCalendar* calendar = popup->Calendar();
    int col = 0, row = 0;
    CalendarCellOf(3, CalendarMonthOffset(2024, 10, calendar->StartOfWeek()), col, row);
    RECT cell = calendar->CellRect(col, row);
    ClickAt(calendar->Handle(), (cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
    EXPECT_FALSE(edit->PopupVisible());
    EXPECT_FALSE(IsWindowVisible(popup->Handle()));
    EXPECT_EQ(edit->Date(), EncodeDate(2024, 10, 3));

    // Escape closes it without taking the date.
    ClickAt(edit->Button()->Parent()->Handle(), 5, 5);
    PressKey(VK_LEFT, 0, edit->Handle());
    PressKey(VK_ESCAPE, 0, edit->Handle());
    EXPECT_FALSE(edit->PopupVisible());
    EXPECT_EQ(edit->Date(), EncodeDate(2024, 10, 3));
}

TEST_F(DateEdits, TheDateDialogPagesAndAccepts) {
    edit->SetCalendarStyle(csDialog);
    edit->SetDate(EncodeDate(2024, 1, 31));
    int shots = 0;
    TTimer presser(nullptr);
    presser.SetInterval(50);
    presser.SetOnTimer([&](TComponent*) {
        HWND dialog = FindWindowA(nullptr, "Select a Date");
        if (!dialog || !IsWindowVisible(dialog)) return;
        presser.SetEnabled(false);
        PostMessageA(dialog, WM_KEYDOWN, VK_NEXT, 1);  // a month on
        Pump();
        if (shots++ == 0) {
            int colours = 0;
            SaveScreenshot(dialog,
                           std::string(QUIRO_BINARY_DIR) + "/artifacts/controls/date-dialog.bmp",
                           colours);
        }
        PostMessageA(dialog, WM_KEYDOWN, VK_RETURN, 1);
    });
    edit->DoClick();
    EXPECT_EQ(shots, 1);
    EXPECT_EQ(edit->Date(), EncodeDate(2024, 2, 29));  // the 31st cut to February's end
}

}  // namespace
