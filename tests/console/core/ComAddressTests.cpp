#include "console/core/ComAddress.h"

#include <gtest/gtest.h>

#include "TableKit.h"

namespace {

using Lines = std::vector<std::string>;

// The settings a request asks for over the device's defaults, as a short text:
// "DEVICE baud bits parity stop hw sw rs485" ("-" for a field left to the device).
std::string Show(const ComRequest& r) {
    if (r.status != ComRequest::Ok)
        return r.status == ComRequest::NotSpecified ? "not specified" : "unknown port";
    auto opt = [](const auto& v) { return v ? std::to_string(int(*v)) : std::string("-"); };
    return r.device + (r.portOnly ? " only" : "") + " " + opt(r.baud) + " " + opt(r.dataBits) +
           " " + opt(r.parity) + " " + opt(r.stopBits) + " " + std::to_string(r.hardwareFlow) +
           " " + std::to_string(r.softwareFlow) + " " + (r.rs485 ? "rs485" : "-");
}

TEST(ComAddress, Fields) {
    for (const TableRow& row : ReadTable("com_address.txt"))
        EXPECT_EQ(Show(ParseComAddress(row.at(0))), row.at(1)) << row[0];
}

TEST(ComAddress, AppliedSettingsAndReport) {
    const ComLineSettings device{115200, 8, ComParityEven, 1, ComUseDTR, ComSwBoth, false};
    EXPECT_EQ(ApplyComRequest(ParseComAddress("com://5"), device), device);
    ComLineSettings baudOnly = device;
    baudOnly.baud = 19200;
    baudOnly.hardwareFlow = 0;
    baudOnly.softwareFlow = ComSwNone;
    EXPECT_EQ(ApplyComRequest(ParseComAddress("com://5,19200"), device), baudOnly);

    ComLineSettings applied =
        ApplyComRequest(ParseComAddress("com://2,19200,8,n,1,RTS CTS XIN XOUT"), device);
    EXPECT_EQ(ComReportLines("COM2", applied),
              (Lines{"Opening COM2...", "", "> Baud Rate             : 19200",
                     "> Byte Size             : 8", "> Parity                : None",
                     "> Stop Bits             : 1",
                     "> Hardware Flow Control : UseRTS, RequireCTS",
                     "> Software Flow Control : Both (Transmit/Receive)",
                     "> RS485 Mode            : Off", ""}));
    ComLineSettings other{300, 7, ComParitySpace, 2, 0xF, ComSwReceive, true};
    Lines report = ComReportLines("COM9", other);
    EXPECT_EQ(report[4], "> Parity                : Space");
    EXPECT_EQ(report[6], "> Hardware Flow Control : UseDTR, UseRTS, RequireDSR, RequireCTS");
    EXPECT_EQ(report[7], "> Software Flow Control : Receive Only");
    EXPECT_EQ(report[8], "> RS485 Mode            : On");
}

TEST(ComAddress, OpenFailuresSayWhy) {
    EXPECT_EQ(ComOpenFailedLines("COM5", true, "ie_Hardware - Specified comport in use"),
              (Lines{"", "Error : COM5 already in use... [ie_Hardware - Specified comport in use]"}));
    EXPECT_EQ(ComOpenFailedLines("COM5", false, "File not found"),
              (Lines{"", "Error : Cannot open COM5... [File not found]"}));
}

}  // namespace
