// The harness gives Wine a Korean system (code page 949, language 1042) unless a run asks
// for another code page (QUIRO_WINE_LANG=C gives 1252; the run then sets QUIRO_EXPECT_ACP).
#include <gtest/gtest.h>
#include <windows.h>


#include "HarnessCheck.h"
#include "framework/Libraries.h"
#include "framework/core/DateTime.h"
#include "framework/core/SysUtils.h"

TEST(Locale, CodePageAndLanguageAreTheHarnesss) {
    const UINT acp = HarnessCodePage();
    EXPECT_EQ(GetACP(), acp);
    if (acp == 949) {
        EXPECT_EQ(GetSystemDefaultLangID(), 1042);
        // A Korean syllable in code page 949 becomes one UTF-16 character.
        wchar_t w[4] = {};
        EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "\xb0\xa1", 2, w, 4), 1);
        EXPECT_EQ(w[0], 0xAC00);
    }
}

// The program's start-up takes the dates' and numbers' settings from the system's locale:
// our formatting of a date and a time says what the system's own does.
TEST(Locale, FormatSettingsComeFromTheSystem) {
    StartLibraries();
    SYSTEMTIME st{};
    st.wYear = 2021;
    st.wMonth = 7;
    st.wDay = 4;
    st.wHour = 14;
    st.wMinute = 5;
    st.wSecond = 9;
    char buf[256];
    const TDateTime when = EncodeDate(2021, 7, 4) + EncodeTime(14, 5, 9, 0);
    ASSERT_GT(GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buf, sizeof buf), 0);
    EXPECT_EQ(FormatDateTime("ddddd", when), buf);
    ASSERT_GT(GetDateFormatA(LOCALE_USER_DEFAULT, DATE_LONGDATE, &st, nullptr, buf, sizeof buf), 0);
    EXPECT_EQ(FormatDateTime("dddddd", when), buf);
    ASSERT_GT(GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &st, nullptr, buf, sizeof buf), 0);
    EXPECT_EQ(FormatDateTime("tt", when), buf);
    ASSERT_GT(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buf, sizeof buf), 0);
    EXPECT_EQ(FormatSettings().DecimalSeparator, buf[0]);
    EXPECT_EQ(FloatToStrF(2.5, ffFixed, 15, 1), std::string("2") + buf[0] + "5");
    // The clock is the system's.
    GetLocalTime(&st);
    int y, m, d;
    DecodeDate(Now(), y, m, d);
    EXPECT_EQ(y * 10000 + m * 100 + d, st.wYear * 10000 + st.wMonth * 100 + st.wDay);
}
