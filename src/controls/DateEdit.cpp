#include "controls/DateEdit.h"

#include "controls/CtlUtils.h"
#include "framework/core/SysUtils.h"

TCustomDateEdit::TCustomDateEdit(TComponent* owner) : TCustomComboEdit(owner) {
    DefaultGlyphCount = 2;
    SetGlyphKind(gkDefault);
    CreatePopup();
    UpdateMask();
    if (Application)
        Application->HookMainWindow(this, [this](TMessage& m) {
            if (m.Msg == WM_WININICHANGE && Application->UpdateFormatSettings) UpdateMask();
            return false;
        });
}

TCustomDateEdit::~TCustomDateEdit() {
    if (Application) Application->UnhookMainWindow(this);
}

TBitmap* TCustomDateEdit::GetDefaultBitmap(bool& destroy) {
    static std::unique_ptr<TBitmap> picture;
    if (!picture) picture = MakeBitmap("DEDITBMP");
    destroy = false;
    return picture.get();
}

void TCustomDateEdit::CreatePopup() {
    auto* popup = new TPopupCalendar(this);
    popup->CloseUpHandler = [this](TComponent* sender, bool accept) { PopupCloseUp(sender, accept); };
    FPopup = popup;
    UpdatePopup();
}

void TCustomDateEdit::SetCalendarStyle(TCalendarStyle style) {
    if (style == CalendarStyle()) return;
    if (style == csDialog) {
        delete FPopup;
        FPopup = nullptr;
    } else {
        CreatePopup();
    }
}

void TCustomDateEdit::UpdatePopup() {
    if (!FPopup) return;
    TPopupCalendar* p = Calendar();
    p->SetColor(FPopupColor);
    p->DateFormat = FDateFormat;
    p->Calendar()->SetStartOfWeek(FStartOfWeek);
    p->Calendar()->SetWeekends(FWeekends);
    p->Calendar()->SetWeekendColor(FWeekendColor);
    p->SetHints(FCalendarHints);
}

bool TCustomDateEdit::FourDigits() const {
    return FYearDigits == dyFour || (FYearDigits == dyDefault && DefaultFourDigitYear());
}

void TCustomDateEdit::UpdateMask() {
    TDateTime date = FDateFormat.empty() ? NullDate : Date();
    std::string format = DefDateFormat(FourDigits());
    std::string mask = DefDateMask(FBlanksChar, FourDigits());
    if (mask != EditMask() || format != FDateFormat) {
        FDateFormat = format;
        SetEditMask(mask);
    }
    UpdatePopup();
    SetDate(date);
}

TDateTime TCustomDateEdit::Date() {
    return StrToDateFmtDef(FDateFormat, Caption(), DefaultToday ? ::Date() : NullDate);
}

void TCustomDateEdit::SetDate(TDateTime date) {
    if (!ValidDate(date) || date == NullDate) date = DefaultToday ? ::Date() : NullDate;
    std::string old = Caption();
    SetText(date == NullDate ? std::string() : FormatDateTime(FDateFormat, date));
    if (Caption() != old) SetModified(true);
}

void TCustomDateEdit::SetPopupColor(TColor color) {
    FPopupColor = color;
    UpdatePopup();
}

void TCustomDateEdit::SetBlanksChar(char c) {
    if (static_cast<unsigned char>(c) < 32) c = ' ';
    if (c == FBlanksChar) return;
    FBlanksChar = c;
    UpdateMask();
}

void TCustomDateEdit::SetStartOfWeek(TDayOfWeekName day) {
    FStartOfWeek = day;
    UpdatePopup();
}

void TCustomDateEdit::SetWeekends(TDaysOfWeek days) {
    FWeekends = days;
    UpdatePopup();
}

void TCustomDateEdit::SetWeekendColor(TColor color) {
    FWeekendColor = color;
    UpdatePopup();
}

void TCustomDateEdit::SetYearDigits(TYearDigits digits) {
    if (digits == FYearDigits) return;
    FYearDigits = digits;
    UpdateMask();
}

void TCustomDateEdit::CheckValidDate() {
    std::string text = Caption();
    bool empty = true;
    for (char c : text)
        if (c != ' ' && c != FBlanksChar && c != FormatSettings().DateSeparator) empty = false;
    if (empty) return;
    TDateTime date = StrToDateFmt(FDateFormat, text);
    TNotifyEvent change = std::move(OnChange);
    OnChange = nullptr;
    struct Restore {
        TNotifyEvent& event;
        TNotifyEvent saved;
        ~Restore() { event = std::move(saved); }
    } restore{OnChange, std::move(change)};
    SetDate(date);
}

void TCustomDateEdit::DoExit() {
    if (CheckOnExit) CheckValidDate();
    TCustomComboEdit::DoExit();
}

void TCustomDateEdit::ButtonClick() {
    if (FPopup) {
        UpdatePopup();
        TCustomComboEdit::ButtonClick();
        return;
    }
    if (OnButtonClick) OnButtonClick(this);
    TDateTime date = Date();
    if (!SelectDate(date, DialogTitle, FStartOfWeek, FWeekends, FWeekendColor, &FCalendarHints))
        return;
    bool action = true;
    if (OnAcceptDate) OnAcceptDate(this, date, action);
    if (!action) return;
    SetDate(date);
    if (Focused()) SelectAll();
}

bool TCustomDateEdit::AcceptPopup(TPopupValue& value) {
    TDateTime date = value && !value->empty() ? StrToDateFmtDef(FDateFormat, *value, NullDate)
                                              : NullDate;
    bool action = true;
    if (OnAcceptDate) OnAcceptDate(this, date, action);
    if (action)
        value = date == NullDate ? TPopupValue{} : TPopupValue{FormatDateTime(FDateFormat, date)};
    return action;
}

void TCustomDateEdit::KeyDown(WORD& key, TShiftState shift) {
    if (PopupVisible()) {
        switch (key) {
            case VK_PRIOR: case VK_NEXT: case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN:
            case VK_ADD: case VK_SUBTRACT:
                Calendar()->KeyDown(key, shift);
                key = 0;
                return;
            default:
                break;
        }
    } else if (DirectInput() && (shift & (ssShift | ssCtrl | ssAlt)) == 0 &&
               (key == VK_ADD || key == VK_SUBTRACT)) {
        TDateTime date = Date();
        if (date == NullDate) date = ::Date();
        SetDate(date + (key == VK_ADD ? 1 : -1));
        SelectAll();
        key = 0;
        return;
    }
    TCustomComboEdit::KeyDown(key, shift);
}

void TCustomDateEdit::KeyPress(char& key) {
    bool special = key == '+' || key == '-' || key == 'T' || key == 't';
    if (special && PopupVisible()) {
        Calendar()->KeyPress(key);
        key = 0;
        return;
    }
    if (special && DirectInput()) {
        if (key == 'T' || key == 't') SetDate(::Date());
        key = 0;
        return;
    }
    TCustomComboEdit::KeyPress(key);
}

namespace {

void Remask(TComponent* owner) {
    for (int i = 0; i < owner->ComponentCount(); ++i) {
        TComponent* c = owner->Components(i);
        if (auto* edit = dynamic_cast<TCustomDateEdit*>(c)) edit->UpdateMask();
        Remask(c);
    }
}

}  // namespace

void DateFormatChanged() {
    if (Application) Remask(Application);
}
