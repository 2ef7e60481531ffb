// Telnet option negotiation for a Winsock line. The terminal engine owns one while the
// line is telnet and hands it every byte that follows an IAC:
//
//     on IAC in receive mode m:   telnet->BeginCommand(m); mode = 3;
//     in mode 3, for each byte b: r = telnet->ProcessTelnetCommand(b);
//                                 mode = telnet->ReturnMode();
//                                 if (r == 0) dispatch b again in that mode  (IAC IAC = 0xFF)
//
// Answers go straight to the line.
#pragma once

#include <cstdint>
#include <string>

#include "engines/core/ZModemLinks.h"

class IDravelTelnet {
public:
    enum : uint8_t {
        SE = 240, NOP = 241, SB = 250, WILL = 251, WONT = 252, DO = 253, DONT = 254, IAC = 255,
    };
    enum : uint8_t {
        OptBinary = 0, OptEcho = 1, OptSga = 3, OptTimingMark = 6, OptTtype = 24, OptNaws = 31,
    };
    enum : uint8_t { TtypeIs = 0, TtypeSend = 1 };
    // Receive mode value meaning "the next byte is still the telnet object's".
    static constexpr int TelnetMode = 3;

    IDravelTelnet() = default;

    void SetPort(quiro::engines::ByteChannel* port) { port_ = port; }
    void SetWindowSize(uint16_t columns, uint16_t rows) { columns_ = columns; rows_ = rows; }

    // Connection up: offers the terminal type and the window size.
    void SendTelnetWillOptions();
    // Before a transfer: binary both ways.
    void EnterTelnetBinary();
    // IAC SB NAWS <columns> <rows> IAC SE, 16 bits each, a 0xFF byte doubled.
    void SendWindowSize();

    // The terminal saw an IAC while in receive mode `mode`.
    void BeginCommand(int mode);
    // One byte after IAC: 0 only for IAC IAC (the byte is data), else 1.
    int ProcessTelnetCommand(uint8_t b);
    int ReturnMode() const { return returnMode_; }

    // Negotiated state, for the owner and the tests.
    bool HostBinary() const { return hostBinary_ != 0; }
    bool OwnBinary() const { return ownBinary_ != 0; }
    bool Echo() const { return echo_ != 0; }
    bool HostSga() const { return hostSga_ != 0; }
    bool OwnSga() const { return ownSga_ != 0; }
    const std::string& TerminalType() const { return terminalType_; }

private:
    void Put(const uint8_t* bytes, uint32_t len);
    void Answer(uint8_t verb, uint8_t option);
    void OnWill(uint8_t option);
    void OnWont(uint8_t option);
    void OnDo(uint8_t option);
    void OnDont(uint8_t option);

    quiro::engines::ByteChannel* port_ = nullptr;
    int state_ = 0;  // 0 after IAC, 1 in SB, 2 WILL, 3 WONT, 4 DO, 5 DONT
    int binaryRequested_ = 0;
    int binaryOffered_ = 0;
    int hostBinary_ = 0;
    int ownBinary_ = 0;
    int ownSga_ = 0;
    int hostSga_ = 0;
    int echo_ = 0;
    int ttypeOffered_ = 0;
    int nawsOffered_ = 0;
    uint16_t columns_ = 80;
    uint16_t rows_ = 24;
    int timingMark_ = 0;
    uint8_t sb_[8] = {};
    uint8_t sbCount_ = 0;
    int returnMode_ = TelnetMode;
    int modeBeforeIac_ = 0;
    std::string terminalType_ = "vt100";
};
