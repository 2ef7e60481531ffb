#include <gtest/gtest.h>

#include "ZModemTestKit.h"
#include "engines/core/ZModemNames.h"

using namespace zmtest;

TEST(ZModemCrc, CheckValues)
{
    const Bytes s = B("123456789");
    EXPECT_EQ(Crc16Of(s.data(), s.size()), 0x31C3);
    EXPECT_EQ(Crc32Of(s.data(), s.size()), 0xCBF43926u);
}

// The sliced block routines against the byte-at-a-time ones, at every length around the
// slice width and at odd starting addresses, and split into two calls anywhere.
TEST(ZModemCrc, BlocksAgreeWithBytewise)
{
    uint32_t seed = 12345;
    Bytes data(300);
    for (auto& b : data) b = static_cast<uint8_t>((seed = seed * 1103515245u + 12345u) >> 16);
    for (size_t off = 0; off < 4; ++off)
        for (size_t len = 0; len + off <= data.size(); len += (len < 40 ? 1 : 37)) {
            const uint8_t* p = data.data() + off;
            uint16_t c16 = 0x1D0F;
            uint32_t c32 = 0xFFFFFFFFu;
            for (size_t i = 0; i < len; ++i) {
                c16 = Crc16Update(c16, p[i]);
                c32 = Crc32Update(c32, p[i]);
            }
            ASSERT_EQ(Crc16Of(p, len, 0x1D0F), c16) << off << "+" << len;
            ASSERT_EQ(Crc32Block(0xFFFFFFFFu, p, len), c32) << off << "+" << len;
            size_t cut = len / 3;
            ASSERT_EQ(Crc32Block(Crc32Block(0xFFFFFFFFu, p, cut), p + cut, len - cut), c32);
            ASSERT_EQ(Crc16Of(p + cut, len - cut, Crc16Of(p, cut, 0x1D0F)), c16);
        }
}

TEST(ZModemFrames, HexHeadersAreByteExact)
{
    uint8_t d[4] = {0, 0, 0, 0x27};
    Bytes out;
    AppendHexHeader(out, ZRINIT, d);
    EXPECT_EQ(out, B("**\x18" "B0100000027fed4\r\n\x11"));
    // ZFIN and ZACK end without XON.
    EXPECT_EQ(Hex(ZFIN), B("**\x18" "B0800000000022d\r\n"));
    EXPECT_EQ(Hex(ZACK), B("**\x18" "B0300000000eed2\r\n"));
}

TEST(ZModemFrames, EscapingTable)
{
    struct Row {
        uint8_t in;
        bool ctl, winsock;
        Bytes out;
    } rows[] = {
        {0x0D, false, false, {0x18, 0x4D}}, {0x8D, false, false, {0x18, 0xCD}},
        {0x10, false, false, {0x18, 0x50}}, {0x11, false, false, {0x18, 0x51}},
        {0x13, false, false, {0x18, 0x53}}, {0x18, false, false, {0x18, 0x58}},
        {0x90, false, false, {0x18, 0xD0}}, {0x91, false, false, {0x18, 0xD1}},
        {0x93, false, false, {0x18, 0xD3}}, {0x01, false, false, {0x01}},
        {0x01, true, false, {0x18, 0x41}},  {0x9F, true, false, {0x18, 0xDF}},
        {0x20, true, false, {0x20}},        {0x7F, true, false, {0x7F}},
        {0xFF, false, false, {0xFF}},       {0xFF, false, true, {0xFF, 0xFF}},
        {0xFF, true, true, {0x18, 'm'}},    {0xFF, true, false, {0x18, 'm'}},
        {'A', true, true, {'A'}},
    };
    for (const Row& r : rows) {
        Bytes out;
        AppendEscaped(out, r.in, {r.ctl, r.winsock});
        EXPECT_EQ(out, r.out) << "byte " << int(r.in) << " ctl " << r.ctl << " ws " << r.winsock;
    }
}

TEST(ZModemNames, ReceivedNamesAreMadeSafe)
{
    struct Row {
        const char* announced;
        const char* stored;  // "" = refused
    } rows[] = {
        {"readme.txt", "readme.txt"},
        {"..\\..\\x.exe", "x.exe"},
        {"../../etc/passwd", "passwd"},
        {"C:\\Windows\\system.ini", "system.ini"},
        {"C:autoexec.bat", "autoexec.bat"},
        {"\\\\server\\share\\f.zip", "f.zip"},
        {"dir/", ""},
        {"", ""},
        {".", ""},
        {"..", ""},
        {"a/..", ""},
        {".profile", "_profile"},
        {"CON", ""},
        {"con.txt", ""},
        {"Nul", ""},
        {"COM1", ""},
        {"lpt9.log", ""},
        {"COM10", "COM10"},
        {"CONSOLE", "CONSOLE"},
        {"a<b>c|d?e*f\"g", "a_b_c_d_e_f_g"},
        {"tab\tname", "tab_name"},
        {"trail. .", "trail___"},
        {"\xc7\xd1\xb1\xdb.txt", "\xc7\xd1\xb1\xdb.txt"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(SafeReceivedName(r.announced), r.stored) << r.announced;

    std::string longName = std::string(200, 'a') + ".jpg";
    std::string cut = SafeReceivedName(longName);
    EXPECT_EQ(cut.size(), MaxReceivedNameLength);
    EXPECT_EQ(cut.substr(cut.size() - 4), ".jpg");
    // A double-byte character is never split by the cut.
    std::string hangul;
    for (int i = 0; i < 100; ++i)
        hangul += "\xc7\xd1";
    std::string h = SafeReceivedName("x" + hangul);
    EXPECT_EQ(h.size() % 2, 1u);
    EXPECT_EQ(NumberedName("a.bin", 2), "a_2.bin");
    EXPECT_EQ(NumberedName("noext", 1), "noext_1");
}
