#include "framework/SysLocale.h"

#include <windows.h>

#include <string>

#include "framework/core/SysUtils.h"

namespace {

bool LocaleString(LCTYPE type, std::string& out) {
    char buf[256];
    int n = GetLocaleInfoA(LOCALE_USER_DEFAULT, type, buf, sizeof buf);
    if (n <= 1) return false;  // the count includes the closing NUL
    out.assign(buf, static_cast<size_t>(n - 1));
    return true;
}

void LocaleChar(LCTYPE type, char& out) {
    std::string s;
    if (LocaleString(type, s)) out = s[0];
}

int LocaleInt(LCTYPE type, int fallback) {
    std::string s;
    return LocaleString(type, s) ? StrToIntDef(s, fallback) : fallback;
}

TDateTime SystemNow() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    return EncodeDate(st.wYear, st.wMonth, st.wDay) +
           EncodeTime(st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
}

}  // namespace

void GetLocaleFormatSettings(TFormatSettings& settings) {
    LocaleChar(LOCALE_SDATE, settings.DateSeparator);
    LocaleChar(LOCALE_STIME, settings.TimeSeparator);
    LocaleChar(LOCALE_SDECIMAL, settings.DecimalSeparator);
    LocaleChar(LOCALE_STHOUSAND, settings.ThousandSeparator);
    LocaleString(LOCALE_SSHORTDATE, settings.ShortDateFormat);
    LocaleString(LOCALE_SLONGDATE, settings.LongDateFormat);
    LocaleString(LOCALE_S1159, settings.TimeAMString);
    LocaleString(LOCALE_S2359, settings.TimePMString);
    // The time formats are built from the locale's choices rather than taken as they
    // stand: the system's "tt" and "H" letters mean something else in ours.
    std::string hour = LocaleInt(LOCALE_ITLZERO, 0) ? "hh" : "h";
    std::string prefix, postfix;
    if (LocaleInt(LOCALE_ITIME, 0) == 0) {
        if (LocaleInt(LOCALE_ITIMEMARKPOSN, 0) == 0)
            postfix = " AMPM";
        else
            prefix = "AMPM ";
    }
    settings.ShortTimeFormat = prefix + hour + ":mm" + postfix;
    settings.LongTimeFormat = prefix + hour + ":mm:ss" + postfix;
    for (int m = 0; m < 12; ++m) {
        LocaleString(static_cast<LCTYPE>(LOCALE_SABBREVMONTHNAME1 + m),
                     settings.ShortMonthNames[m]);
        LocaleString(static_cast<LCTYPE>(LOCALE_SMONTHNAME1 + m), settings.LongMonthNames[m]);
    }
    // The system counts the days from Monday, ours from Sunday.
    for (int d = 0; d < 7; ++d) {
        int ours = (d + 1) % 7;
        LocaleString(static_cast<LCTYPE>(LOCALE_SABBREVDAYNAME1 + d), settings.ShortDayNames[ours]);
        LocaleString(static_cast<LCTYPE>(LOCALE_SDAYNAME1 + d), settings.LongDayNames[ours]);
    }
}

void LoadSystemLocale() {
    GetLocaleFormatSettings(FormatSettings());
    SetLocalClock(&SystemNow);
}
