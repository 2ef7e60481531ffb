// ZModem wire format: frame constants, ZDLE escaping, and the encoders for the headers
// and data subpackets that the engine sends. The decoders live in the engine, which feeds
// them one received byte at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quiro::engines::zproto {

constexpr uint8_t ZPAD = '*';
constexpr uint8_t ZDLE = 0x18;  // CAN
constexpr uint8_t ZBIN = 'A';   // binary header, CRC-16
constexpr uint8_t ZHEX = 'B';   // hex header, CRC-16
constexpr uint8_t ZBIN32 = 'C'; // binary header, CRC-32
constexpr uint8_t ZCRCE = 'h';  // end of frame, header follows
constexpr uint8_t ZCRCG = 'i';  // frame continues nonstop
constexpr uint8_t ZCRCQ = 'j';  // frame continues, ZACK expected
constexpr uint8_t ZCRCW = 'k';  // end of frame, ZACK expected
constexpr uint8_t ZRUB0 = 'l';  // escaped 0x7F
constexpr uint8_t ZRUB1 = 'm';  // escaped 0xFF
constexpr uint8_t XON = 0x11;
constexpr uint8_t XOFF = 0x13;
constexpr uint8_t BS = 0x08;

enum FrameType : uint8_t {
    ZRQINIT = 0, ZRINIT = 1, ZSINIT = 2, ZACK = 3, ZFILE = 4, ZSKIP = 5, ZNAK = 6,
    ZABORT = 7, ZFIN = 8, ZRPOS = 9, ZDATA = 10, ZEOF = 11, ZFERR = 12, ZCRC = 13,
    ZCHALLENGE = 14, ZCOMPL = 15, ZCAN = 16, ZFREECNT = 17, ZCOMMAND = 18,
};

// Header data byte holding ZF0 (the flags are stored ZF3 ZF2 ZF1 ZF0).
constexpr int ZF0 = 3;
// ZRINIT / ZSINIT ZF0: the peer wants every control character escaped.
constexpr uint8_t ESCCTL = 0x40;
// ZRINIT ZF0 we send: full duplex, overlapped I/O, break, CRC-32.
constexpr uint8_t ReceiverCapabilities = 0x27;
// ZFILE ZF0: the sender asks to continue an interrupted file.
constexpr uint8_t ZCRECOV = 3;

struct EscapeMode {
    bool escapeControls;  // peer asked for ESCCTL
    bool winsock;         // telnet line: a plain 0xFF goes out doubled
};

void StorePosition(uint8_t data[4], uint32_t pos);
uint32_t LoadPosition(const uint8_t data[4]);

// One data byte, escaped for sending.
void AppendEscaped(std::vector<uint8_t>& out, uint8_t b, EscapeMode mode);
void AppendEscaped(std::vector<uint8_t>& out, const uint8_t* data, size_t len, EscapeMode mode);

// '*' '*' ZDLE 'B', type and data as lower-case hex, CRC-16 as hex, CR LF, and XON
// unless the type is ZFIN or ZACK.
void AppendHexHeader(std::vector<uint8_t>& out, uint8_t type, const uint8_t data[4]);
// '*' ZDLE 'C', type and data escaped, CRC-32 least significant byte first, escaped.
void AppendBinaryHeader32(std::vector<uint8_t>& out, uint8_t type, const uint8_t data[4],
                          EscapeMode mode);
// Escaped data, ZDLE and the frame end, then the CRC-32 of data and frame end, escaped.
void AppendDataSubpacket32(std::vector<uint8_t>& out, const uint8_t* data, size_t len,
                           uint8_t frameEnd, EscapeMode mode);

// The CRC-16 forms, which the engine accepts but never sends (peers' frames in tests).
void AppendBinaryHeader16(std::vector<uint8_t>& out, uint8_t type, const uint8_t data[4],
                          EscapeMode mode);
void AppendDataSubpacket16(std::vector<uint8_t>& out, const uint8_t* data, size_t len,
                           uint8_t frameEnd, EscapeMode mode);

}  // namespace quiro::engines::zproto
