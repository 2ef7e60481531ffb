#include "controls/core/DateUtil.h"

#include <cmath>
#include <optional>

#include "framework/core/SysUtils.h"

uint8_t CenturyOffset = 30;

namespace {

struct Ymd {
    int y = 0, m = 0, d = 0;
};

Ymd Decode(TDateTime date) {
    Ymd r;
    DecodeDate(date, r.y, r.m, r.d);
    return r;
}

TDateTime Frac(TDateTime t) {
    return t - std::trunc(t);
}

std::optional<TDateTime> Encode(int y, int m, int d) {
    TDateTime date;
    if (!TryEncodeDate(y, m, d, date)) return std::nullopt;
    return date;
}

char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads a date laid out like the format: each field from the positions where the format
// has its letter.
std::optional<TDateTime> ReadByPositions(std::string_view format, std::string_view s) {
    if (s.size() > format.size()) return std::nullopt;  // not laid out like the format
    auto field = [&](char letter, int& count) {
        std::string text;
        count = 0;
        for (size_t i = 0; i < format.size(); ++i) {
            if (Upper(format[i]) != letter) continue;
            ++count;
            if (i < s.size()) text += s[i];
        }
        return Trim(text);
    };
    auto number = [](const std::string& text, int& value) {
        if (text.empty() || text.size() > 4) return false;
        for (char c : text)
            if (!IsDigit(c)) return false;
        value = StrToInt(text);
        return true;
    };
    int count = 0, month = 0, day = 1, year = CurrentYear();
    std::string text = field('M', count);
    if (count >= 3) {
        month = MonthFromName(text, static_cast<int>(text.size()));
    } else if (count == 0 || !number(text, month)) {
        return std::nullopt;
    }
    text = field('D', count);
    if (count > 0 && !number(text, day)) return std::nullopt;
    text = field('Y', count);
    if (count > 0) {
        if (!number(text, year)) return std::nullopt;
        year = ExpandYear(year);
    }
    return Encode(year, month, day);
}

// Reads a date written freely: numbers separated by the date separator.
class FreeScanner {
public:
    FreeScanner(std::string_view format, std::string_view s) : FFormat(format), FText(s) {}

    std::optional<TDateTime> Run() {
        const TFormatSettings& fs = FormatSettings();
        if (!fs.ShortDateFormat.empty() && Upper(fs.ShortDateFormat[0]) == 'G') SkipToDigits();
        int n1, n2, n3 = 0;
        if (!Number(n1) || !Separator() || !Number(n2)) return std::nullopt;
        bool three = Separator();
        if (three && !Number(n3)) return std::nullopt;
        int y = 0, m = 0, d = 0;
        switch (GetDateOrder(FFormat)) {
            case doMDY:
                m = n1, d = n2, y = n3;
                break;
            case doDMY:
                d = n1, m = n2, y = n3;
                break;
            default:  // doYMD
                if (three)
                    y = n1, m = n2, d = n3;
                else
                    m = n1, d = n2;  // two numbers: month first
                break;
        }
        y = three ? ExpandYear(y) : CurrentYear();
        if (three) Separator();  // a trailing separator is allowed
        Blanks();
        if (AnsiUpperCase(FFormat).find("DDD") != std::string::npos) SkipDayName();
        Blanks();
        if (FPos != FText.size()) return std::nullopt;
        return Encode(y, m, d);
    }

private:
    void Blanks() {
        while (FPos < FText.size() && FText[FPos] == ' ') ++FPos;
    }
    // Up to four digits: the scan stops once the value reaches 1000.
    bool Number(int& value) {
        Blanks();
        if (FPos >= FText.size() || !IsDigit(FText[FPos])) return false;
        value = 0;
        while (FPos < FText.size() && IsDigit(FText[FPos]) && value < 1000)
            value = value * 10 + (FText[FPos++] - '0');
        return true;
    }
    bool Separator() {
        size_t save = FPos;
        Blanks();
        if (FPos < FText.size() && FText[FPos] == FormatSettings().DateSeparator) {
            ++FPos;
            return true;
        }
        FPos = save;
        return false;
    }
    void SkipToDigits() {
        while (FPos < FText.size() && !IsDigit(FText[FPos]))
            FPos += IsDoubleBytePair(FText, FPos) ? 2 : 1;
    }
    void SkipDayName() {
        const TFormatSettings& fs = FormatSettings();
        std::string_view rest = FText.substr(FPos);
        for (const auto* names : {&fs.LongDayNames, &fs.ShortDayNames}) {
            for (const std::string& name : *names) {
                if (!name.empty() && rest.size() >= name.size() &&
                    AnsiCompareText(rest.substr(0, name.size()), name) == 0) {
                    FPos += name.size();
                    return;
                }
            }
        }
    }

    std::string_view FFormat;
    std::string_view FText;
    size_t FPos = 0;
};

std::optional<TDateTime> ParseDate(std::string_view format, std::string_view s) {
    if (s.empty()) return NullDate;
    if (auto d = ReadByPositions(format, s)) return d;
    return FreeScanner(format, s).Run();
}

}  // namespace

bool DefaultFourDigitYear() {
    return AnsiUpperCase(FormatSettings().ShortDateFormat).find("YYYY") != std::string::npos;
}

int DaysPerMonth(int year, int month) {
    return DaysInAMonth(year, month);
}

TDateTime FirstDayOfNextMonth() {
    Ymd t = Decode(Now());
    return t.m == 12 ? EncodeDate(t.y + 1, 1, 1) : EncodeDate(t.y, t.m + 1, 1);
}

TDateTime FirstDayOfPrevMonth() {
    Ymd t = Decode(Now());
    return t.m == 1 ? EncodeDate(t.y - 1, 12, 1) : EncodeDate(t.y, t.m - 1, 1);
}

TDateTime LastDayOfPrevMonth() {
    Ymd t = Decode(Now());
    return EncodeDate(t.y, t.m, 1) - 1;
}

int ExtractDay(TDateTime date) {
    return Decode(date).d;
}
int ExtractMonth(TDateTime date) {
    return Decode(date).m;
}
int ExtractYear(TDateTime date) {
    return Decode(date).y;
}

TDateTime IncDate(TDateTime date, int days, int months, int years) {
    Ymd t = Decode(date);
    int64_t monthIndex = int64_t{t.y + years} * 12 + (t.m - 1) + months;
    int64_t y = monthIndex >= 0 ? monthIndex / 12 : (monthIndex - 11) / 12;
    int m = static_cast<int>(monthIndex - y * 12) + 1;
    if (y < 1 || y > 9999) throw EConvertError("Invalid argument to date encode");
    int d = t.d;
    if (d > DaysPerMonth(static_cast<int>(y), m)) d = DaysPerMonth(static_cast<int>(y), m);
    TDateTime day = EncodeDate(static_cast<int>(y), m, d) + days;
    return day < 0 ? day - std::fabs(Frac(date)) : day + std::fabs(Frac(date));
}

TDateTime IncDay(TDateTime date, int delta) {
    return IncDate(date, delta, 0, 0);
}
TDateTime IncMonth(TDateTime date, int delta) {
    return IncDate(date, 0, delta, 0);
}
TDateTime IncYear(TDateTime date, int delta) {
    return IncDate(date, 0, 0, delta);
}

TDateTime IncTime(TDateTime time, int hours, int minutes, int seconds, int msecs) {
    double ms = (hours % 24) * 3600000.0 + minutes * 60000.0 + seconds * 1000.0 + msecs;
    TDateTime result = time + hours / 24 + ms / 86400000.0;
    return result < 0 ? result + 1 : result;
}

TDateTime IncHour(TDateTime time, int delta) {
    return IncTime(time, delta, 0, 0, 0);
}
TDateTime IncMinute(TDateTime time, int delta) {
    return IncTime(time, 0, delta, 0, 0);
}
TDateTime IncSecond(TDateTime time, int delta) {
    return IncTime(time, 0, 0, delta, 0);
}
TDateTime IncMSec(TDateTime time, int delta) {
    return IncTime(time, 0, 0, 0, delta);
}

void DateDiff(TDateTime date1, TDateTime date2, int& days, int& months, int& years) {
    if (date1 > date2) std::swap(date1, date2);
    Ymd a = Decode(date1), b = Decode(date2);
    years = b.y - a.y;
    months = b.m - a.m;
    days = b.d - a.d;
    if (days < 0) {
        days += DaysPerMonth(a.y, a.m);
        --months;
    }
    if (months < 0) {
        months += 12;
        --years;
    }
}

double MonthsBetween(TDateTime date1, TDateTime date2) {
    int d, m, y;
    DateDiff(date1, date2, d, m, y);
    double result = y * 12 + m;
    if (d >= 21)
        result += 1;
    else if (d >= 15)
        result += 0.75;
    else if (d >= 7)
        result += 0.5;
    else if (d >= 2)
        result += 0.25;
    return result;
}

bool ValidDate(TDateTime date) {
    return Decode(date).y != 0;
}

int DaysInPeriod(TDateTime date1, TDateTime date2) {
    if (!ValidDate(date1) || !ValidDate(date2)) return 0;
    return static_cast<int>(std::fabs(std::trunc(date2) - std::trunc(date1))) + 1;
}

int DaysBetween(TDateTime date1, TDateTime date2) {
    if (!ValidDate(date1) || !ValidDate(date2)) return 0;
    int n = static_cast<int>(std::trunc(date2) - std::trunc(date1)) + 1;
    return n < 0 ? 0 : n;
}

TDateTime CutTime(TDateTime date) {
    return std::trunc(date);
}

int CurrentYear() {
    return Decode(Now()).y;
}

TDateOrder GetDateOrder(std::string_view format) {
    for (char c : format) {
        switch (Upper(c)) {
            case 'D':
                return doDMY;
            case 'E':
            case 'Y':
                return doYMD;
            case 'M':
                return doMDY;
            default:
                break;
        }
    }
    return doDMY;
}

int MonthFromName(std::string_view s, int maxLen) {
    if (s.empty() || maxLen < 1) return 0;
    std::string head = Copy(s, 1, maxLen);
    for (int m = 1; m <= 12; ++m)
        if (AnsiCompareText(head, Copy(FormatSettings().LongMonthNames[m - 1], 1, maxLen)) == 0)
            return m;
    return 0;
}

int ExpandYear(int year) {
    if (year >= 100) return year;
    // The hundred years that end CenturyOffset years after this one.
    int current = CurrentYear();
    int latest = current + CenturyOffset;
    int expanded = current / 100 * 100 + year;
    if (expanded > latest) return expanded - 100;
    if (expanded <= latest - 100) return expanded + 100;
    return expanded;
}

TDateTime StrToDateFmt(std::string_view format, std::string_view s) {
    if (auto d = ParseDate(format, s)) return *d;
    throw EConvertError("'" + std::string(s) + "' is not a valid date");
}

TDateTime StrToDateDef(std::string_view s, TDateTime fallback) {
    return StrToDateFmtDef(FormatSettings().ShortDateFormat, s, fallback);
}

TDateTime StrToDateFmtDef(std::string_view format, std::string_view s, TDateTime fallback) {
    return ParseDate(format, s).value_or(fallback);
}

std::string DefDateFormat(bool fourDigitYear) {
    const char* year = fourDigitYear ? "YYYY" : "YY";
    switch (GetDateOrder(FormatSettings().ShortDateFormat)) {
        case doMDY:
            return std::string("MM/DD/") + year;
        case doDMY:
            return std::string("DD/MM/") + year;
        default:
            return std::string(year) + "/MM/DD";
    }
}

std::string DefDateMask(char blanksChar, bool fourDigitYear) {
    std::string mask;
    if (!fourDigitYear)
        mask = "!99/99/99;1;";
    else if (GetDateOrder(FormatSettings().ShortDateFormat) == doYMD)
        mask = "!9999/99/99;1;";
    else
        mask = "!99/99/9999;1;";
    return mask + blanksChar;
}

std::string FormatLongDate(TDateTime date) {
    std::string s = FormatDateTime("dddddd", date);
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

std::string FormatLongDateTime(TDateTime date) {
    if (date == NullDate) return {};
    return FormatLongDate(date) + FormatDateTime(" tt", date);
}
