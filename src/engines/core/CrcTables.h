// CRC-16/XMODEM and CRC-32 (the reflected 0xEDB88320 one) with tables built by the
// compiler. Used by the ZModem frames; kept free of any I/O so that benchmarks and fuzz
// targets can call them directly.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quiro::engines {

constexpr std::array<uint16_t, 256> MakeCrc16Table()
{
    std::array<uint16_t, 256> t{};
    for (unsigned i = 0; i < 256; ++i) {
        uint16_t c = static_cast<uint16_t>(i << 8);
        for (int k = 0; k < 8; ++k)
            c = static_cast<uint16_t>((c & 0x8000) ? (c << 1) ^ 0x1021 : (c << 1));
        t[i] = c;
    }
    return t;
}

constexpr std::array<uint32_t, 256> MakeCrc32Table()
{
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : (c >> 1);
        t[i] = c;
    }
    return t;
}

inline constexpr std::array<uint16_t, 256> Crc16Table = MakeCrc16Table();
inline constexpr std::array<uint32_t, 256> Crc32Table = MakeCrc32Table();

// CRC-16/XMODEM: initial 0, most significant byte first, no final complement.
constexpr uint16_t Crc16Update(uint16_t crc, uint8_t b)
{
    return static_cast<uint16_t>((crc << 8) ^ Crc16Table[((crc >> 8) ^ b) & 0xFF]);
}

// CRC-32: the caller starts at 0xFFFFFFFF and complements the result.
constexpr uint32_t Crc32Update(uint32_t crc, uint8_t b)
{
    return (crc >> 8) ^ Crc32Table[(crc ^ b) & 0xFF];
}

// Blocks of bytes, sixteen at a time through sliced tables (the same results as
// Crc16Update / Crc32Update byte by byte). Crc32Block works on the running register:
// no initial value, no final complement.
uint16_t Crc16Of(const uint8_t* data, size_t len, uint16_t crc = 0);
uint32_t Crc32Block(uint32_t crc, const uint8_t* data, size_t len);
// Complete CRC-32 (initial value and final complement applied).
inline uint32_t Crc32Of(const uint8_t* data, size_t len)
{
    return ~Crc32Block(0xFFFFFFFFu, data, len);
}

constexpr uint16_t Crc16Of(std::string_view s)
{
    uint16_t crc = 0;
    for (char c : s)
        crc = Crc16Update(crc, static_cast<uint8_t>(c));
    return crc;
}

constexpr uint32_t Crc32Of(std::string_view s)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (char c : s)
        crc = Crc32Update(crc, static_cast<uint8_t>(c));
    return ~crc;
}

static_assert(Crc16Of(std::string_view("123456789")) == 0x31C3);
static_assert(Crc32Of(std::string_view("123456789")) == 0xCBF43926u);

}  // namespace quiro::engines
