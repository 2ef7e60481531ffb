#include "controls/DatePick.h"

#include <algorithm>

#include "controls/CtlUtils.h"
#include "framework/ExtCtrls.h"
#include "framework/StdCtrls.h"

namespace {

// Hints and pictures of the navigation buttons: previous month, previous year, next month,
// next year.
const char* const kNavigationHints[4] = {"Previous Month|", "Previous Year|", "Next Month|",
                                         "Next Year|"};
const char* const kNavigationGlyphs[4] = {"XCPREVMONTH", "XCPREVYEAR", "XCNEXTMONTH",
                                          "XCNEXTYEAR"};
constexpr int kMonthSteps[4] = {-1, -12, 1, 12};

std::string MonthTitle(TDateTime date) {
    return FormatDateTime("mmmm, yyyy", date);
}

// The system's message font, else "MS Sans Serif" 8 pt.
void UseMessageFont(TFont* font) {
    NONCLIENTMETRICSA ncm{};
    ncm.cbSize = sizeof ncm;
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0)) {
        HFONT handle = CreateFontIndirectA(&ncm.lfMessageFont);
        font->SetHandle(handle);
        DeleteObject(handle);
    } else {
        font->SetName("MS Sans Serif");
        font->SetSize(8);
    }
    font->SetColor(clWindowText);
}

// Makes the four navigation buttons on `parent`; `step` gets the month steps.
void MakeNavigation(TWinControl* parent, TXcTimerSpeedButton* (&buttons)[4],
                    const std::function<void(int months)>& step) {
    for (int i = 0; i < 4; ++i) {
        auto* b = new TXcTimerSpeedButton(parent);
        b->SetParent(parent);
        auto glyph = MakeBitmap(kNavigationGlyphs[i]);
        b->SetGlyph(glyph.get());
        b->SetHint(kNavigationHints[i]);
        int months = kMonthSteps[i];
        b->OnClick = [step, months](TComponent*) { step(months); };
        buttons[i] = b;
    }
}

void PlaceNavigation(TXcTimerSpeedButton* (&buttons)[4], int width, int top, int size) {
    buttons[1]->SetBounds(2, top, size, size);
    buttons[0]->SetBounds(2 + size, top, size, size);
    buttons[2]->SetBounds(width - 2 - 2 * size, top, size, size);
    buttons[3]->SetBounds(width - 2 - size, top, size, size);
}

}  // namespace

// ---- TXcCalendar ------------------------------------------------------------------------

TXcCalendar::TXcCalendar(TComponent* owner) : TCustomGrid(owner), FDate(Date()) {
    SetColCount(kCalendarColumns);
    SetRowCount(kCalendarRows);
    SetFixedCols(0);
    SetFixedRows(1);
    FWidth = 7 * 24;
    FHeight = 7 * 18;
    UpdateCalendar();
}

int TXcCalendar::DayAt(int col, int row) const {
    return CalendarDayAt(col, row, FMonthOffset, DaysInAMonth(Year(), Month()));
}

void TXcCalendar::UpdateCalendar() {
    FUpdating = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{FUpdating};
    FMonthOffset = CalendarMonthOffset(Year(), Month(), FStartOfWeek);
    int col = 0, row = 0;
    CalendarCellOf(Day(), FMonthOffset, col, row);
    FocusCell(col, row);
    Invalidate();
}

void TXcCalendar::SetCalendarDate(TDateTime date) {
    if (!ValidDate(date)) return;
    FDate = CutTime(date);
    UpdateCalendar();
    Change();
}

void TXcCalendar::ChangeMonth(int months) {
    SetCalendarDate(IncMonth(FDate, months));
}

void TXcCalendar::SetStartOfWeek(TDayOfWeekName day) {
    FStartOfWeek = day;
    UpdateCalendar();
}

void TXcCalendar::SetWeekends(TDaysOfWeek days) {
    FWeekends = days;
    Invalidate();
}

void TXcCalendar::SetWeekendColor(TColor color) {
    FWeekendColor = color;
    Invalidate();
}

void TXcCalendar::Change() {
    if (OnChange) OnChange(this);
}

bool TXcCalendar::SelectCell(int col, int row) {
    if (FUpdating) return true;
    int day = DayAt(col, row);
    if (day == 0 || ReadOnly) return false;
    FDate = EncodeDate(Year(), Month(), day);
    Change();
    return true;
}

void TXcCalendar::DrawCell(int col, int row, RECT rect, TGridDrawState state) {
    TCanvas* c = Canvas();
    c->FillRect(rect);
    std::string text =
        CalendarCellText(col, row, FMonthOffset, DaysInAMonth(Year(), Month()), FStartOfWeek);
    if (text.empty()) return;
    if (!(state & gdSelected) && CalendarWeekendColumn(col, FStartOfWeek, FWeekends))
        c->Font()->SetColor(FWeekendColor);
    c->RequireTools();
    SetBkMode(c->Handle(), TRANSPARENT);
    DrawTextA(c->Handle(), text.c_str(), -1, &rect, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
}

void TXcCalendar::FitCells() {
    SetDefaultColWidth(std::max(ClientWidth() / kCalendarColumns, 1));
    SetDefaultRowHeight(std::max(ClientHeight() / kCalendarRows, 1));
}

void TXcCalendar::KeyDown(WORD& key, TShiftState shift) {
    if ((shift & (ssShift | ssCtrl | ssAlt)) == 0) {
        if (key == VK_RIGHT || key == VK_ADD) {
            SetCalendarDate(FDate + 1);
            key = 0;
            return;
        }
        if (key == VK_LEFT || key == VK_SUBTRACT) {
            SetCalendarDate(FDate - 1);
            key = 0;
            return;
        }
    }
    TCustomGrid::KeyDown(key, shift);
}

void TXcCalendar::KeyPress(char& key) {
    TCustomGrid::KeyPress(key);
    if (key == 'T' || key == 't') {
        SetCalendarDate(Date());
        key = 0;
    }
}

void TXcCalendar::WndProc(TMessage& message) {
    TCustomGrid::WndProc(message);
    if (message.Msg == WM_SIZE) FitCells();
}

// ---- TLocCalendar -----------------------------------------------------------------------

TLocCalendar::TLocCalendar(TComponent* owner) : TXcCalendar(owner) {
    SetBorderStyle(bsNone);
    SetTabStop(false);
    SetParentColor(true);
    FixedRowLineOnly = true;
    FocusOnClick = false;
    UseCurrentDate = false;
}

void TLocCalendar::DrawCell(int col, int row, RECT rect, TGridDrawState state) {
    if (state & gdFixed) Canvas()->Brush()->SetColor(Color());
    TXcCalendar::DrawCell(col, row, rect, state);
    int day = DayAt(col, row);
    if (day && EncodeDate(Year(), Month(), day) == Date()) {
        RECT r = rect;
        DrawEdge(Canvas()->Handle(), &r, BDR_SUNKENOUTER, BF_RECT);
    }
}

// ---- TXcTimerSpeedButton ----------------------------------------------------------------

TXcTimerSpeedButton::TXcTimerSpeedButton(TComponent* owner) : TXcSpeedButton(owner) {
    SetStyle(bsWin31);
    SetAllowTimer(true);
}

// ---- TPopupCalendar ---------------------------------------------------------------------

TPopupCalendar::TPopupCalendar(TCustomComboEdit* editor) : TPopupWindow(editor) {
    FWidth = std::max(187, 180);
    FHeight = std::max(124, 120);
    SetColor(clBtnFace);
    UseMessageFont(Font());
    MakeNavigation(this, FButtons, [this](int months) {
        if (months == -1) FCalendar->PrevMonth();
        if (months == 1) FCalendar->NextMonth();
        if (months == -12) FCalendar->PrevYear();
        if (months == 12) FCalendar->NextYear();
    });
    PlaceNavigation(FButtons, FWidth - 2, 1, 16);
    FCalendar = new TLocCalendar(this);
    FCalendar->SetParent(this);
    FCalendar->SetBounds(0, 19, FWidth - 2, FHeight - 21);
    FCalendar->OnChange = [this](TComponent*) { UpdateTitle(); };
    // A release over a day accepts it (not the release of a double click).
    FCalendar->OnMouseDown = [this](TComponent*, TMouseButton, TShiftState shift, int, int) {
        FDoubled = (shift & ssDouble) != 0;
    };
    FCalendar->OnMouseUp = [this](TComponent*, TMouseButton button, TShiftState, int x, int y) {
        int col = 0, row = 0;
        if (button == mbLeft && !FDoubled && FCalendar->MouseToCell(x, y, col, row) &&
            FCalendar->DayAt(col, row))
            CloseUp(true);
    };
    FClickEvents = true;
    OnDblClick = [this](TComponent*) { FCalendar->SetCalendarDate(Date()); };
    UpdateTitle();
}

void TPopupCalendar::SetHints(const TStrings& hints) {
    for (int i = 0; i < 4 && i < hints.Count(); ++i) FButtons[i]->SetHint(hints.Strings(i));
}

void TPopupCalendar::UpdateTitle() {
    FTitle = MonthTitle(FCalendar->CalendarDate());
    if (HandleAllocated()) {
        RECT title{0, 0, ClientWidth(), 19};
        InvalidateRect(Handle(), &title, TRUE);
    }
}

void TPopupCalendar::Paint() {
    TCanvas* c = Canvas();
    c->Brush()->SetColor(Color());
    c->FillRect(ClientRect());
    c->Font()->Assign(*Font());
    c->RequireTools();
    SetBkMode(c->Handle(), TRANSPARENT);
    RECT title{36, 0, ClientWidth() - 36, 19};
    DrawTextA(c->Handle(), FTitle.c_str(), -1, &title, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
}

void TPopupCalendar::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TCustomControl::MouseUp(button, shift, x, y);
    if (button == mbLeft && (x < 0 || y < 0 || x >= ClientWidth() || y >= ClientHeight()))
        CloseUp(false);
}

TPopupValue TPopupCalendar::GetValue() {
    return FormatDateTime(DateFormat, FCalendar->CalendarDate());
}

void TPopupCalendar::SetValue(const TPopupValue& value) {
    std::string text = value.value_or(std::string());
    std::string digits;
    for (char ch : text)
        if (ch != FormatSettings().DateSeparator) digits += ch;
    TDateTime date = Date();
    if (!Trim(digits).empty()) date = StrToDateFmtDef(DateFormat, text, Date());
    if (date == NullDate) date = Date();
    FCalendar->SetCalendarDate(date);
    UpdateTitle();
}

void TPopupCalendar::KeyDown(WORD& key, TShiftState shift) {
    bool ctrl = (shift & ssCtrl) != 0;
    if (key == VK_PRIOR) {
        ctrl ? FCalendar->PrevYear() : FCalendar->PrevMonth();
    } else if (key == VK_NEXT) {
        ctrl ? FCalendar->NextYear() : FCalendar->NextMonth();
    } else {
        FCalendar->Perform(WM_KEYDOWN, key, 0);
    }
    key = 0;
}

void TPopupCalendar::KeyPress(char& key) {
    FCalendar->Perform(WM_CHAR, static_cast<BYTE>(key), 0);
    key = 0;
}

// ---- TSelectDateDlg ---------------------------------------------------------------------

TSelectDateDlg::TSelectDateDlg(TComponent* owner) : TForm(owner) {
    SetBorderStyle(bsDialog);
    Position = poScreenCenter;
    KeyPreview = true;
    SetCaption("Select a Date");
    UseMessageFont(Font());
    SetClientWidth(222);
    SetClientHeight(168);
    auto* top = new TPanel(this);
    top->SetParent(this);
    top->SetBounds(0, 0, 222, 26);
    top->SetAlign(alTop);
    top->SetBevelOuter(bvNone);
    TitleLabel = new TLabel(top);
    TitleLabel->SetParent(top);
    TitleLabel->SetAutoSize(false);
    TitleLabel->SetAlignment(taCenter);
    TitleLabel->SetLayout(tlCenter);
    TitleLabel->SetBounds(40, 0, 142, 26);
    MakeNavigation(top, FButtons, [this](int months) {
        if (months == -1) Calendar->PrevMonth();
        if (months == 1) Calendar->NextMonth();
        if (months == -12) Calendar->PrevYear();
        if (months == 12) Calendar->NextYear();
    });
    PlaceNavigation(FButtons, 222, 4, 18);
    top->OnMouseDown = [this](TComponent*, TMouseButton, TShiftState shift, int, int) {
        if (shift & ssDouble) Calendar->SetCalendarDate(Date());
    };
    Calendar = new TLocCalendar(this);
    Calendar->SetParent(this);
    Calendar->SetBounds(0, 26, 222, 142);
    Calendar->SetAlign(alClient);
    Calendar->OnChange = [this](TComponent*) { UpdateTitle(); };
    Calendar->OnMouseDown = [this](TComponent*, TMouseButton button, TShiftState shift, int x,
                                   int y) {
        int col = 0, row = 0;
        if (button == mbLeft && (shift & ssDouble) && Calendar->MouseToCell(x, y, col, row) &&
            Calendar->DayAt(col, row))
            ModalResult = mrOk;
    };
    OnKeyDown = [this](TComponent*, WORD& key, TShiftState shift) { FormKeyDown(key, shift); };
    UpdateTitle();
}

void TSelectDateDlg::SetDate(TDateTime date) {
    Calendar->SetCalendarDate(date == NullDate || !ValidDate(date) ? Date() : date);
    UpdateTitle();
}

void TSelectDateDlg::SetHints(const TStrings& hints) {
    for (int i = 0; i < 4 && i < hints.Count(); ++i) FButtons[i]->SetHint(hints.Strings(i));
}

void TSelectDateDlg::UpdateTitle() {
    TitleLabel->SetCaption(MonthTitle(Calendar->CalendarDate()));
}

void TSelectDateDlg::FormKeyDown(WORD& key, TShiftState shift) {
    bool ctrl = (shift & ssCtrl) != 0;
    switch (key) {
        case VK_ESCAPE:
            ModalResult = mrCancel;
            break;
        case VK_RETURN:
            ModalResult = mrOk;
            break;
        case VK_TAB:
            (shift & ssShift) ? Calendar->PrevMonth() : Calendar->NextMonth();
            break;
        case VK_PRIOR:
            ctrl ? Calendar->PrevYear() : Calendar->PrevMonth();
            break;
        case VK_NEXT:
            ctrl ? Calendar->NextYear() : Calendar->NextMonth();
            break;
        default:
            return;
    }
    UpdateTitle();
    key = 0;
}

bool SelectDate(TDateTime& date, const std::string& title, TDayOfWeekName startOfWeek,
                TDaysOfWeek weekends, TColor weekendColor, const TStrings* hints) {
    TSelectDateDlg dialog(Application);
    if (!title.empty()) dialog.SetCaption(title);
    dialog.Calendar->SetStartOfWeek(startOfWeek);
    dialog.Calendar->SetWeekends(weekends);
    dialog.Calendar->SetWeekendColor(weekendColor);
    if (hints) dialog.SetHints(*hints);
    dialog.SetDate(date);
    if (dialog.ShowModal() != mrOk) return false;
    date = dialog.Date();
    return true;
}

bool SelectDateStr(std::string& text, const std::string& title, TDayOfWeekName startOfWeek,
                   TDaysOfWeek weekends, TColor weekendColor, const TStrings* hints) {
    const std::string format = FormatSettings().ShortDateFormat;
    TDateTime date = StrToDateFmt(format, text);
    if (!SelectDate(date, title, startOfWeek, weekends, weekendColor, hints)) return false;
    text = FormatDateTime(format, date);
    return true;
}

bool PopupDate(TDateTime& date, TWinControl* control) {
    TSelectDateDlg dialog(Application);
    dialog.SetBorderIcons(0);
    dialog.Position = poDesigned;
    POINT below = control->ClientToScreen(POINT{0, control->Height()});
    dialog.SetBounds(std::max<int>(below.x, 0), below.y, dialog.Width(), dialog.Height());
    dialog.SetDate(date);
    if (dialog.ShowModal() != mrOk) return false;
    date = dialog.Date();
    return true;
}
