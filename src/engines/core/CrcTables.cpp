#include "engines/core/CrcTables.h"

namespace quiro::engines {

namespace {

// Slice k of a table holds what a byte contributes when k zero bytes follow it, so
// sixteen bytes fold into the register with sixteen independent lookups.
constexpr int kSlices = 16;

constexpr std::array<std::array<uint32_t, 256>, kSlices> MakeCrc32Slices()
{
    std::array<std::array<uint32_t, 256>, kSlices> t{};
    t[0] = Crc32Table;
    for (int k = 1; k < kSlices; ++k)
        for (int i = 0; i < 256; ++i)
            t[k][i] = (t[k - 1][i] >> 8) ^ Crc32Table[t[k - 1][i] & 0xFF];
    return t;
}

constexpr std::array<std::array<uint16_t, 256>, kSlices> MakeCrc16Slices()
{
    std::array<std::array<uint16_t, 256>, kSlices> t{};
    t[0] = Crc16Table;
    for (int k = 1; k < kSlices; ++k)
        for (int i = 0; i < 256; ++i)
            t[k][i] = static_cast<uint16_t>((t[k - 1][i] << 8) ^ Crc16Table[t[k - 1][i] >> 8]);
    return t;
}

constexpr auto kCrc32Slices = MakeCrc32Slices();
constexpr auto kCrc16Slices = MakeCrc16Slices();

inline uint32_t Load32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

}  // namespace

uint16_t Crc16Of(const uint8_t* data, size_t len, uint16_t crc)
{
    const auto& t = kCrc16Slices;
    while (len >= kSlices) {
        // The register meets the first two bytes; the rest enter as they are.
        uint32_t x = crc ^ (uint32_t(data[0]) << 8 | data[1]);
        uint32_t r = t[15][x >> 8] ^ t[14][x & 0xFF];
        for (int j = 2; j < kSlices; ++j)
            r ^= t[kSlices - 1 - j][data[j]];
        crc = static_cast<uint16_t>(r);
        data += kSlices;
        len -= kSlices;
    }
    while (len--)
        crc = Crc16Update(crc, *data++);
    return crc;
}

uint32_t Crc32Block(uint32_t crc, const uint8_t* data, size_t len)
{
    const auto& t = kCrc32Slices;
    while (len >= kSlices) {
        uint32_t a = crc ^ Load32(data);
        uint32_t b = Load32(data + 4), c = Load32(data + 8), d = Load32(data + 12);
        crc = t[15][a & 0xFF] ^ t[14][(a >> 8) & 0xFF] ^ t[13][(a >> 16) & 0xFF] ^ t[12][a >> 24] ^
              t[11][b & 0xFF] ^ t[10][(b >> 8) & 0xFF] ^ t[9][(b >> 16) & 0xFF] ^ t[8][b >> 24] ^
              t[7][c & 0xFF] ^ t[6][(c >> 8) & 0xFF] ^ t[5][(c >> 16) & 0xFF] ^ t[4][c >> 24] ^
              t[3][d & 0xFF] ^ t[2][(d >> 8) & 0xFF] ^ t[1][(d >> 16) & 0xFF] ^ t[0][d >> 24];
        data += kSlices;
        len -= kSlices;
    }
    while (len--)
        crc = Crc32Update(crc, *data++);
    return crc;
}

}  // namespace quiro::engines
