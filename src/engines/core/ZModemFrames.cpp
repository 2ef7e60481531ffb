#include "engines/core/ZModemFrames.h"

#include <array>

#include "engines/core/CrcTables.h"

namespace quiro::engines::zproto {
namespace {

// What to do with a byte: send it as it is, escape it (ZDLE, byte ^ 0x40), or the 0xFF
// rule. One table for each of the four escape modes.
enum : uint8_t { Plain = 0, Escape = 1, Rub1 = 2, Double = 3 };

constexpr std::array<uint8_t, 256> MakeEscapeTable(bool escapeControls, bool winsock)
{
    std::array<uint8_t, 256> t{};
    for (unsigned b = 0; b < 256; ++b) {
        uint8_t a = Plain;
        switch (b) {
        case 0x0D: case 0x8D: case 0x10: case 0x11: case 0x13: case 0x18:
        case 0x90: case 0x91: case 0x93:
            a = Escape;
            break;
        case 0xFF:
            a = escapeControls ? Rub1 : (winsock ? Double : Plain);
            break;
        default:
            if (escapeControls && (b & 0x60) == 0)
                a = Escape;
            break;
        }
        t[b] = a;
    }
    return t;
}

constexpr std::array<std::array<uint8_t, 256>, 4> EscapeTables = {
    MakeEscapeTable(false, false), MakeEscapeTable(false, true),
    MakeEscapeTable(true, false), MakeEscapeTable(true, true)};

const std::array<uint8_t, 256>& TableFor(EscapeMode mode)
{
    return EscapeTables[(mode.escapeControls ? 2 : 0) + (mode.winsock ? 1 : 0)];
}

inline void Put(std::vector<uint8_t>& out, uint8_t b, uint8_t action)
{
    switch (action) {
    case Plain: out.push_back(b); break;
    case Escape: out.push_back(ZDLE); out.push_back(static_cast<uint8_t>(b ^ 0x40)); break;
    case Rub1: out.push_back(ZDLE); out.push_back(ZRUB1); break;
    default: out.push_back(0xFF); out.push_back(0xFF); break;
    }
}

constexpr char HexDigits[] = "0123456789abcdef";

void PutHex(std::vector<uint8_t>& out, uint8_t b)
{
    out.push_back(static_cast<uint8_t>(HexDigits[b >> 4]));
    out.push_back(static_cast<uint8_t>(HexDigits[b & 15]));
}

}  // namespace

void StorePosition(uint8_t data[4], uint32_t pos)
{
    data[0] = static_cast<uint8_t>(pos);
    data[1] = static_cast<uint8_t>(pos >> 8);
    data[2] = static_cast<uint8_t>(pos >> 16);
    data[3] = static_cast<uint8_t>(pos >> 24);
}

uint32_t LoadPosition(const uint8_t data[4])
{
    return uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16 |
           uint32_t(data[3]) << 24;
}

void AppendEscaped(std::vector<uint8_t>& out, uint8_t b, EscapeMode mode)
{
    Put(out, b, TableFor(mode)[b]);
}

void AppendEscaped(std::vector<uint8_t>& out, const uint8_t* data, size_t len, EscapeMode mode)
{
    const auto& t = TableFor(mode);
    for (size_t i = 0; i < len; ++i)
        Put(out, data[i], t[data[i]]);
}

void AppendHexHeader(std::vector<uint8_t>& out, uint8_t type, const uint8_t data[4])
{
    out.insert(out.end(), {ZPAD, ZPAD, ZDLE, ZHEX});
    uint16_t crc = Crc16Update(0, type);
    PutHex(out, type);
    for (int i = 0; i < 4; ++i) {
        PutHex(out, data[i]);
        crc = Crc16Update(crc, data[i]);
    }
    PutHex(out, static_cast<uint8_t>(crc >> 8));
    PutHex(out, static_cast<uint8_t>(crc));
    out.push_back('\r');
    out.push_back('\n');
    if (type != ZFIN && type != ZACK)
        out.push_back(XON);
}

void AppendBinaryHeader32(std::vector<uint8_t>& out, uint8_t type, const uint8_t data[4],
                          EscapeMode mode)
{
    out.insert(out.end(), {ZPAD, ZDLE, ZBIN32});
    uint32_t crc = Crc32Update(0xFFFFFFFFu, type);
    AppendEscaped(out, type, mode);
    for (int i = 0; i < 4; ++i) {
        AppendEscaped(out, data[i], mode);
        crc = Crc32Update(crc, data[i]);
    }
    crc = ~crc;
    for (int i = 0; i < 4; ++i)
        AppendEscaped(out, static_cast<uint8_t>(crc >> (8 * i)), mode);
}

void AppendDataSubpacket32(std::vector<uint8_t>& out, const uint8_t* data, size_t len,
                           uint8_t frameEnd, EscapeMode mode)
{
    out.reserve(out.size() + len + len / 8 + 16);
    AppendEscaped(out, data, len, mode);
    const uint32_t crc = ~Crc32Update(Crc32Block(0xFFFFFFFFu, data, len), frameEnd);
    out.push_back(ZDLE);
    out.push_back(frameEnd);
    for (int i = 0; i < 4; ++i)
        AppendEscaped(out, static_cast<uint8_t>(crc >> (8 * i)), mode);
}

void AppendBinaryHeader16(std::vector<uint8_t>& out, uint8_t type, const uint8_t data[4],
                          EscapeMode mode)
{
    out.insert(out.end(), {ZPAD, ZDLE, ZBIN});
    uint16_t crc = Crc16Update(0, type);
    AppendEscaped(out, type, mode);
    for (int i = 0; i < 4; ++i) {
        AppendEscaped(out, data[i], mode);
        crc = Crc16Update(crc, data[i]);
    }
    AppendEscaped(out, static_cast<uint8_t>(crc >> 8), mode);
    AppendEscaped(out, static_cast<uint8_t>(crc), mode);
}

void AppendDataSubpacket16(std::vector<uint8_t>& out, const uint8_t* data, size_t len,
                           uint8_t frameEnd, EscapeMode mode)
{
    AppendEscaped(out, data, len, mode);
    uint16_t crc = Crc16Update(Crc16Of(data, len), frameEnd);
    out.push_back(ZDLE);
    out.push_back(frameEnd);
    AppendEscaped(out, static_cast<uint8_t>(crc >> 8), mode);
    AppendEscaped(out, static_cast<uint8_t>(crc), mode);
}

}  // namespace quiro::engines::zproto
