// Serial sessions: the "com://port,baud,bits,parity,stop,flags" address, the line settings
// it asks for on top of the device's defaults, and the status lines that report the
// settings applied or why the port could not be opened.
//
// Parity, flow control and their numbers follow the comm port's TParity (pNone, pOdd,
// pEven, pMark, pSpace), hardware flow bits (hwfUseDTR 1, hwfUseRTS 2, hwfRequireDSR 4,
// hwfRequireCTS 8) and TSWFlowOptions (swfNone, swfReceive, swfTransmit, swfBoth).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum ComParity : uint8_t { ComParityNone, ComParityOdd, ComParityEven, ComParityMark, ComParitySpace };
enum : uint8_t { ComUseDTR = 1, ComUseRTS = 2, ComRequireDSR = 4, ComRequireCTS = 8 };
enum ComSoftwareFlow : uint8_t { ComSwNone, ComSwReceive, ComSwTransmit, ComSwBoth };

struct ComLineSettings {
    int32_t baud = 0;
    int32_t dataBits = 8;
    ComParity parity = ComParityNone;
    int32_t stopBits = 1;
    uint8_t hardwareFlow = 0;  // Com* bits
    ComSoftwareFlow softwareFlow = ComSwNone;
    bool rs485 = false;

    bool operator==(const ComLineSettings&) const = default;
};

struct ComRequest {
    enum Status { Ok, NotSpecified, UnknownPort };
    Status status = Ok;
    int32_t port = 0;
    std::string device;  // "COM" + the port field as typed ("com://01": "COM01")
    // Fields 2 to 5, when present and valid.
    std::optional<int32_t> baud;
    std::optional<int32_t> dataBits;
    std::optional<ComParity> parity;
    std::optional<int32_t> stopBits;
    // Field 6 (the rest of the text).
    uint8_t hardwareFlow = 0;
    ComSoftwareFlow softwareFlow = ComSwNone;
    bool rs485 = false;
    // Only the port was given: the device's whole stored configuration is used.
    bool portOnly = false;
};

// Reads a serial address (with or without its "com://"). The port is a number of at least
// 1; baud, data bits and stop bits are numbers above 0 ("1.5" stop bits is 2); parity is
// the first letter (E, M, O, S, anything else none); the flags are searched, in upper case,
// for CTS, DSR, DTR, RTS, XIN, XOUT and RS485.
ComRequest ParseComAddress(std::string_view address);

// The settings to apply: with only the port, the device's defaults as they are; otherwise
// each given field over the device's default, and flow control and RS-485 from the flags.
ComLineSettings ApplyComRequest(const ComRequest& request, const ComLineSettings& deviceDefaults);

// The report after the port opened: "Opening DEVICE...", the settings applied, an empty
// line.
std::vector<std::string> ComReportLines(std::string_view device, const ComLineSettings& applied);
// The lines that end a good start: "", "DEVICE Ready!", "".
std::vector<std::string> ComReadyLines(std::string_view device);
// An empty line and the error of an address that names no port.
std::vector<std::string> ComAddressErrorLines(ComRequest::Status status);
// An empty line and why opening failed: "already in use" when the port is held by another
// program, else "Cannot open" (also for a device the system does not know), each with the
// error's own text when there is one.
std::vector<std::string> ComOpenFailedLines(std::string_view device, bool inUse,
                                            std::string_view errorText);
