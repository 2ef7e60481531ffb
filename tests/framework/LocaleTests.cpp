// The harness gives Wine a Korean system (code page 949, language 1042) unless a run asks
// for another code page (QUIRO_WINE_LANG=C gives 1252; the run then sets QUIRO_EXPECT_ACP).
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>

TEST(Locale, CodePageAndLanguageAreTheHarnesss) {
    const char* expected = std::getenv("QUIRO_EXPECT_ACP");
    UINT acp = expected ? static_cast<UINT>(std::atoi(expected)) : 949;
    EXPECT_EQ(GetACP(), acp);
    if (acp == 949) {
        EXPECT_EQ(GetSystemDefaultLangID(), 1042);
        // A Korean syllable in code page 949 becomes one UTF-16 character.
        wchar_t w[4] = {};
        EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "\xb0\xa1", 2, w, 4), 1);
        EXPECT_EQ(w[0], 0xAC00);
    }
}
