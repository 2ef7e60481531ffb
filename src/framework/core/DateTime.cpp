#include "framework/core/DateTime.h"

#include <chrono>
#include <cmath>
#include <ctime>

#include "framework/core/SysUtils.h"

namespace {

constexpr int kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
// Days from 0001-01-01 to 1899-12-30.
constexpr int kDateDelta = 693594;
constexpr double kMsPerDay = 86400000.0;

std::function<TDateTime()>& Clock() {
    static std::function<TDateTime()> clock;
    return clock;
}

TDateTime LibraryNow() {
    auto now = std::chrono::system_clock::now();
    std::time_t t = std::chrono::system_clock::to_time_t(now);
    auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    std::tm tm{};
#ifdef _WIN32
    if (const std::tm* local = std::localtime(&t)) tm = *local;  // a buffer per thread there
#else
    localtime_r(&t, &tm);
#endif
    return EncodeDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday) +
           EncodeTime(tm.tm_hour, tm.tm_min, tm.tm_sec > 59 ? 59 : tm.tm_sec,
                      static_cast<int>(ms < 0 ? 0 : ms));
}

// Milliseconds since midnight of a date-time's time of day.
int64_t TimeMs(TDateTime t) {
    if (!std::isfinite(t)) return 0;
    double frac = std::fabs(t - std::trunc(t));
    auto ms = static_cast<int64_t>(std::llround(frac * kMsPerDay));
    return ms >= 86400000 ? 86399999 : ms;
}

bool StartsWithNoCase(std::string_view s, size_t i, std::string_view word) {
    if (s.size() - i < word.size()) return false;
    for (size_t k = 0; k < word.size(); ++k) {
        char a = s[i + k], b = word[k];
        if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 32);
        if (a != b) return false;
    }
    return true;
}

char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

class DateFormatter {
public:
    DateFormatter(TDateTime dt, const TFormatSettings& settings) : FSettings(settings) {
        DecodeDate(dt, FYear, FMonth, FDay);
        DecodeTime(dt, FHour, FMinute, FSecond, FMsec);
        FDayOfWeek = DayOfWeek(dt);
        FHasTime = TimeMs(dt) != 0;
    }

    // Nested formats (ddddd, c, t, ...) go at most two levels deep, so that a format
    // setting that names itself cannot recurse for ever.
    void Append(std::string_view f, int level) {
        if (level > 2) return;
        char lastToken = ' ';
        size_t i = 0;
        while (i < f.size()) {
            if (IsDoubleBytePair(f, i)) {
                FOut.append(f.substr(i, 2));
                i += 2;
                continue;
            }
            const char start = f[i];
            char token = UpperAscii(start);
            if (token >= 'A' && token <= 'Z') {
                if (token == 'M' && lastToken == 'H') token = 'N';
                lastToken = token;
            }
            size_t count = 1;
            auto run = [&] {
                while (i + count < f.size() && UpperAscii(f[i + count]) == UpperAscii(start))
                    ++count;
            };
            switch (token) {
                case 'Y':
                    run();
                    Number(count <= 2 ? FYear % 100 : FYear, count <= 2 ? 2 : 4);
                    break;
                case 'M':
                    run();
                    if (count <= 2)
                        Number(FMonth, static_cast<int>(count));
                    else if (FMonth >= 1)
                        FOut += (count == 3 ? FSettings.ShortMonthNames
                                            : FSettings.LongMonthNames)[FMonth - 1];
                    break;
                case 'D':
                    run();
                    if (count <= 2)
                        Number(FDay, static_cast<int>(count));
                    else if (count == 3)
                        FOut += FSettings.ShortDayNames[FDayOfWeek - 1];
                    else if (count == 4)
                        FOut += FSettings.LongDayNames[FDayOfWeek - 1];
                    else if (count == 5)
                        Append(FSettings.ShortDateFormat, level + 1);
                    else
                        Append(FSettings.LongDateFormat, level + 1);
                    break;
                case 'H': {
                    run();
                    int h = FHour;
                    if (TwelveHourClock(f)) {
                        if (h == 0)
                            h = 12;
                        else if (h > 12)
                            h -= 12;
                    }
                    Number(h, count >= 2 ? 2 : 1);
                    break;
                }
                case 'N':
                    run();
                    Number(FMinute, count >= 2 ? 2 : 1);
                    break;
                case 'S':
                    run();
                    Number(FSecond, count >= 2 ? 2 : 1);
                    break;
                case 'Z':
                    run();
                    Number(FMsec, count >= 3 ? 3 : 1);
                    break;
                case 'T':
                    run();
                    Append(count == 1 ? FSettings.ShortTimeFormat : FSettings.LongTimeFormat,
                           level + 1);
                    break;
                case 'C':
                    Append(FSettings.ShortDateFormat, level + 1);
                    if (FHasTime) {
                        FOut += ' ';
                        Append(FSettings.LongTimeFormat, level + 1);
                    }
                    break;
                case 'A':
                    if (StartsWithNoCase(f, i, "AM/PM")) {
                        FOut.append(f.substr(FHour >= 12 ? i + 3 : i, 2));
                        count = 5;
                    } else if (StartsWithNoCase(f, i, "A/P")) {
                        FOut += f[FHour >= 12 ? i + 2 : i];
                        count = 3;
                    } else if (StartsWithNoCase(f, i, "AMPM")) {
                        FOut += FHour >= 12 ? FSettings.TimePMString : FSettings.TimeAMString;
                        count = 4;
                    } else {
                        FOut += start;
                    }
                    break;
                case '/':
                    FOut += FSettings.DateSeparator;
                    break;
                case ':':
                    FOut += FSettings.TimeSeparator;
                    break;
                case '"':
                case '\'': {
                    size_t end = i + 1;
                    while (end < f.size() && f[end] != start)
                        end += IsDoubleBytePair(f, end) ? 2 : 1;
                    if (end > f.size()) end = f.size();
                    FOut.append(f.substr(i + 1, end - i - 1));
                    count = end < f.size() ? end - i + 1 : f.size() - i;
                    break;
                }
                default:
                    FOut += start;
                    break;
            }
            i += count;
        }
    }

    std::string Result() && { return std::move(FOut); }

private:
    void Number(int value, int digits) { FOut += Format("%.*d", digits, value); }

    // Whether the format holds an am/pm marker (outside quotes, before or after the hour):
    // the hour is then in 12-hour form.
    static bool TwelveHourClock(std::string_view f) {
        char quote = 0;
        for (size_t i = 0; i < f.size(); ++i) {
            if (quote) {
                if (f[i] == quote) quote = 0;
            } else if (f[i] == '"' || f[i] == '\'') {
                quote = f[i];
            } else if (StartsWithNoCase(f, i, "AM/PM") || StartsWithNoCase(f, i, "A/P") ||
                       StartsWithNoCase(f, i, "AMPM")) {
                return true;
            }
        }
        return false;
    }

    const TFormatSettings& FSettings;
    int FYear = 0, FMonth = 0, FDay = 0, FHour = 0, FMinute = 0, FSecond = 0, FMsec = 0;
    int FDayOfWeek = 1;
    bool FHasTime = false;
    std::string FOut;
};

}  // namespace

TFormatSettings& FormatSettings() {
    static TFormatSettings settings;
    return settings;
}

bool IsLeapYear(int year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInAMonth(int year, int month) {
    if (month < 1 || month > 12) return 0;
    return kMonthDays[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
}

bool TryEncodeDate(int year, int month, int day, TDateTime& date) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > DaysInAMonth(year, month))
        return false;
    int days = day;
    for (int m = 1; m < month; ++m) days += DaysInAMonth(year, m);
    int y = year - 1;
    days += y * 365 + y / 4 - y / 100 + y / 400;
    date = days - kDateDelta;
    return true;
}

TDateTime EncodeDate(int year, int month, int day) {
    TDateTime d = 0;
    if (!TryEncodeDate(year, month, day, d)) throw EConvertError("Invalid argument to date encode");
    return d;
}

void DecodeDate(TDateTime date, int& year, int& month, int& day) {
    if (!(date > -kDateDelta && date < 2958466)) {  // outside 0001-01-01 .. 9999-12-31
        year = month = day = 0;
        return;
    }
    // Days since 0001-01-01 (0 for that day), in 400-, 100-, 4- and 1-year cycles.
    int64_t n = static_cast<int64_t>(std::trunc(date)) + kDateDelta - 1;
    int64_t y = 1;
    y += 400 * (n / 146097);
    n %= 146097;
    int64_t c = n / 36524;
    if (c == 4) c = 3;  // the last day of a 400-year cycle
    y += 100 * c;
    n -= c * 36524;
    y += 4 * (n / 1461);
    n %= 1461;
    int64_t k = n / 365;
    if (k == 4) k = 3;  // the last day of a leap cycle
    y += k;
    n -= k * 365;
    year = static_cast<int>(y);
    month = 1;
    while (n >= DaysInAMonth(year, month)) n -= DaysInAMonth(year, month++);
    day = static_cast<int>(n) + 1;
}

bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& time) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
        msec < 0 || msec > 999)
        return false;
    time = (((hour * 60 + minute) * 60 + second) * 1000 + msec) / kMsPerDay;
    return true;
}

TDateTime EncodeTime(int hour, int minute, int second, int msec) {
    TDateTime t = 0;
    if (!TryEncodeTime(hour, minute, second, msec, t))
        throw EConvertError("Invalid argument to time encode");
    return t;
}

void DecodeTime(TDateTime time, int& hour, int& minute, int& second, int& msec) {
    int64_t ms = TimeMs(time);
    msec = static_cast<int>(ms % 1000);
    ms /= 1000;
    second = static_cast<int>(ms % 60);
    ms /= 60;
    minute = static_cast<int>(ms % 60);
    hour = static_cast<int>(ms / 60);
}

int DayOfWeek(TDateTime date) {
    // 1899-12-30 was a Saturday.
    if (!std::isfinite(date)) return 1;
    double w = std::fmod(std::trunc(date) + 6, 7);
    if (w < 0) w += 7;
    return static_cast<int>(w) + 1;
}

TDateTime Now() {
    return Clock() ? Clock()() : LibraryNow();
}

TDateTime Date() {
    return std::trunc(Now());
}

TDateTime Time() {
    int h, n, s, ms;
    DecodeTime(Now(), h, n, s, ms);
    return EncodeTime(h, n, s, ms);
}

void SetLocalClock(std::function<TDateTime()> clock) {
    Clock() = std::move(clock);
}

std::string FormatDateTime(std::string_view format, TDateTime dateTime) {
    return FormatDateTime(format, dateTime, FormatSettings());
}

std::string FormatDateTime(std::string_view format, TDateTime dateTime,
                           const TFormatSettings& settings) {
    DateFormatter f(dateTime, settings);
    f.Append(format.empty() ? std::string_view("c") : format, 0);
    return std::move(f).Result();
}
