#include "console/core/ComAddress.h"

#include <utility>

#include "framework/core/SysUtils.h"

namespace {

std::optional<int32_t> Positive(std::string_view field) {
    int32_t v = StrToIntDef(field, 0);
    return v > 0 ? std::optional<int32_t>(v) : std::nullopt;
}

bool Contains(std::string_view text, std::string_view word) {
    return text.find(word) != std::string_view::npos;
}

std::string WithText(std::string line, std::string_view errorText) {
    if (!errorText.empty())
        line += " [" + std::string(errorText) + "]";
    return line;
}

}  // namespace

ComRequest ParseComAddress(std::string_view address) {
    ComRequest r;
    if (address.size() >= 6 && AnsiCompareText(address.substr(0, 6), "com://") == 0)
        address.remove_prefix(6);
    if (address.empty()) {
        r.status = ComRequest::NotSpecified;
        return r;
    }
    // Fields 1 to 5 end at a ','; the sixth is the rest of the text.
    std::string_view fields[6];
    size_t count = 0;
    while (count < 5) {
        size_t comma = address.find(',');
        fields[count++] = address.substr(0, comma);
        if (comma == std::string_view::npos) {
            address = {};
            break;
        }
        address.remove_prefix(comma + 1);
        if (count == 5)
            fields[count++] = address;
    }
    r.portOnly = count == 1;
    r.port = StrToIntDef(fields[0], 0);
    if (r.port < 1) {
        r.status = ComRequest::UnknownPort;
        return r;
    }
    // The field as typed (only a number gets here: digits, a sign, blanks or a hex prefix).
    r.device = "COM" + std::string(fields[0]);
    if (count > 1)
        r.baud = Positive(fields[1]);
    if (count > 2)
        r.dataBits = Positive(fields[2]);
    if (count > 3 && !fields[3].empty()) {
        switch (fields[3][0]) {
        case 'E': case 'e': r.parity = ComParityEven; break;
        case 'M': case 'm': r.parity = ComParityMark; break;
        case 'O': case 'o': r.parity = ComParityOdd; break;
        case 'S': case 's': r.parity = ComParitySpace; break;
        default: r.parity = ComParityNone; break;
        }
    }
    if (count > 4) {
        if (Trim(fields[4]) == "1.5")
            r.stopBits = 2;
        else if (auto stop = Positive(fields[4]))
            r.stopBits = *stop == 1 ? 1 : 2;
    }
    if (count > 5) {
        std::string flags = AnsiUpperCase(fields[5]);
        if (Contains(flags, "CTS")) r.hardwareFlow |= ComRequireCTS;
        if (Contains(flags, "DSR")) r.hardwareFlow |= ComRequireDSR;
        if (Contains(flags, "DTR")) r.hardwareFlow |= ComUseDTR;
        if (Contains(flags, "RTS")) r.hardwareFlow |= ComUseRTS;
        bool out = Contains(flags, "XOUT"), in = Contains(flags, "XIN");
        r.softwareFlow = in && out ? ComSwBoth : out ? ComSwTransmit : in ? ComSwReceive : ComSwNone;
        r.rs485 = Contains(flags, "RS485");
    }
    return r;
}

ComLineSettings ApplyComRequest(const ComRequest& request, const ComLineSettings& deviceDefaults) {
    if (request.portOnly)
        return deviceDefaults;
    ComLineSettings s = deviceDefaults;
    s.baud = request.baud.value_or(s.baud);
    s.dataBits = request.dataBits.value_or(s.dataBits);
    s.parity = request.parity.value_or(s.parity);
    s.stopBits = request.stopBits.value_or(s.stopBits);
    s.hardwareFlow = request.hardwareFlow;
    s.softwareFlow = request.softwareFlow;
    s.rs485 = request.rs485;
    return s;
}

std::vector<std::string> ComReportLines(std::string_view device, const ComLineSettings& s) {
    static const char* const kParity[] = {"None", "Odd", "Even", "Mark", "Space"};
    static const char* const kSoftware[] = {"None", "Receive Only", "Transmit Only",
                                            "Both (Transmit/Receive)"};
    std::string hardware;
    for (auto [bit, name] : {std::pair{ComUseDTR, " UseDTR"}, std::pair{ComUseRTS, " UseRTS"},
                             std::pair{ComRequireDSR, " RequireDSR"},
                             std::pair{ComRequireCTS, " RequireCTS"}}) {
        if (s.hardwareFlow & bit)
            hardware += (hardware.empty() ? "" : ",") + std::string(name);
    }
    return {
        "Opening " + std::string(device) + "...",
        "",
        "> Baud Rate             : " + IntToStr(s.baud),
        "> Byte Size             : " + IntToStr(s.dataBits),
        "> Parity                : " + std::string(kParity[s.parity <= ComParitySpace ? s.parity : 0]),
        "> Stop Bits             : " + IntToStr(s.stopBits),
        "> Hardware Flow Control :" + (hardware.empty() ? std::string(" None") : hardware),
        "> Software Flow Control : " + std::string(kSoftware[s.softwareFlow <= ComSwBoth ? s.softwareFlow : 0]),
        "> RS485 Mode            : " + std::string(s.rs485 ? "On" : "Off"),
        "",
    };
}

std::vector<std::string> ComReadyLines(std::string_view device) {
    return {"", std::string(device) + " Ready!", ""};
}

std::vector<std::string> ComAddressErrorLines(ComRequest::Status status) {
    if (status == ComRequest::NotSpecified)
        return {"", "Error : COM port not specified!"};
    return {"", "Error : Unknown COM port!"};
}

std::vector<std::string> ComOpenFailedLines(std::string_view device, bool inUse,
                                            std::string_view errorText) {
    std::string line = inUse ? "Error : " + std::string(device) + " already in use..."
                             : "Error : Cannot open " + std::string(device) + "...";
    return {"", WithText(std::move(line), errorText)};
}
