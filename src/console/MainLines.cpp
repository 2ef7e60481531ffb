// The telephone and serial roads. A call dials the number through the telephony device,
// which opens the port on the connected call. A serial session opens the port with the line
// settings of its "com://" address over the device's stored configuration and reports what
// was applied.
#include <windows.h>

#include "comm/core/CommErrors.h"
#include "comm/core/StringTables.h"
#include "console/Main.h"
#include "console/core/ComAddress.h"
#include "console/core/ConsoleStatusText.h"

namespace {

// The device's stored configuration, as the serial address's fields take it.
bool DeviceDefaults(const std::string& device, ComLineSettings& out) {
    COMMCONFIG config{};
    config.dwSize = sizeof config;
    DWORD size = sizeof config;
    if (!GetDefaultCommConfigA(device.c_str(), &config, &size)) return false;
    const DCB& dcb = config.dcb;
    out.baud = static_cast<int32_t>(dcb.BaudRate);
    out.dataBits = dcb.ByteSize;
    out.parity = dcb.Parity <= SPACEPARITY ? static_cast<ComParity>(dcb.Parity) : ComParityNone;
    out.stopBits = dcb.StopBits == ONESTOPBIT ? 1 : 2;
    out.hardwareFlow = 0;
    if (dcb.fOutxCtsFlow) out.hardwareFlow |= ComRequireCTS;
    if (dcb.fOutxDsrFlow) out.hardwareFlow |= ComRequireDSR;
    if (dcb.fDtrControl == DTR_CONTROL_HANDSHAKE) out.hardwareFlow |= ComUseDTR;
    if (dcb.fRtsControl == RTS_CONTROL_HANDSHAKE) out.hardwareFlow |= ComUseRTS;
    out.softwareFlow = dcb.fOutX && dcb.fInX ? ComSwBoth
                       : dcb.fOutX           ? ComSwTransmit
                       : dcb.fInX            ? ComSwReceive
                                             : ComSwNone;
    out.rs485 = false;
    return true;
}

// A port held by another program: the library's own code on Windows, a sharing violation
// where the system reports it as such.
bool PortInUse(const std::exception& e) {
    if (auto* link = dynamic_cast<const ELinkException*>(&e)) return link->SourceCode == ecAlreadyOpen;
    if (auto* io = dynamic_cast<const EInOutError*>(&e)) return io->ErrorCode == ERROR_SHARING_VIOLATION;
    return false;
}

}  // namespace

// A modem line must be chosen before the first call; the choice is kept at once.
bool TConsoleForm::ReadyToDial() {
    if (!MAIN_TapiDevice->SelectedDevice().empty()) return true;
    if (MAIN_TapiDevice->SelectDevice() && !MAIN_TapiDevice->SelectedDevice().empty()) {
        Settings.TAPIDeviceName = MAIN_TapiDevice->SelectedDevice();
        TellSettingsNotSaved(SaveSettingValues({"TAPIDeviceName"}));
        return true;
    }
    MessageBoxA(Handle(), "TAPI device NOT selected.", " Quiro 2: Error", MB_OK | MB_ICONERROR);
    return false;
}

void TConsoleForm::PlainLine() {
    MAIN_CommPort->SetHWFlowOptions(0);
    MAIN_CommPort->SetSWFlowOptions(swfNone);
    MAIN_CommPort->SetRS485Mode(false);
}

void TConsoleForm::DialNumber() {
    Connected = 1;
    if (MAIN_PANEL_Console->CanFocus()) MAIN_PANEL_Console->SetFocus();
    PlainLine();
    ConsoleStatusLine(DialingLine(HostName, Address));
    // A call that cannot even be placed (no line, a line in use, a telephony error) ends
    // the session with the reason; OnTapiConnect or OnTapiFail tell of every other call.
    try {
        MAIN_TapiDevice->Dial(Address);
    } catch (const std::exception& e) {
        ConsoleStatusLine(std::string("Error : ") + e.what());
        MAIN_CommPortWsDisconnect();
    }
}

void TConsoleForm::MAIN_TapiDeviceTapiConnect() {
    if (AppActive && MAIN_PANEL_Console->CanFocus()) MAIN_PANEL_Console->SetFocus();
    ConsoleStatusLine(DialConnectedLine(Address, std::to_string(MAIN_TapiDevice->GetBPSRate())));
    AddAddressToQuickLinks();
    ArmZModemTrigger();
    TransferRunning = 0;
    ZCancel.Clear();
    ConsoleStatusLine(std::string(SettingConsoleLine));
    ConsoleStatusLine("");
    FTerminal->ClearPendingLine();
}

// A call that never connected: busy until the attempts ran out, refused, or cancelled.
void TConsoleForm::MAIN_TapiDeviceTapiFail() { MAIN_CommPortWsDisconnect(); }

void TConsoleForm::CancelTapiCall() { MAIN_TapiDevice->CancelCall(); }

void TConsoleForm::OpenComPort() {
    Connected = 1;
    if (MAIN_PANEL_Console->CanFocus()) MAIN_PANEL_Console->SetFocus();
    PlainLine();

    ComRequest request = ParseComAddress(Address);
    std::vector<std::string> failure;
    ComLineSettings defaults;
    if (request.status != ComRequest::Ok)
        failure = ComAddressErrorLines(request.status);
    else if (request.port > 0xFFFF)
        failure = ComOpenFailedLines(request.device, false, "");
    else if (!DeviceDefaults(request.device, defaults))
        failure = ComOpenFailedLines(request.device, false, ErrorMsg(static_cast<int32_t>(GetLastError())));
    if (!failure.empty()) {
        for (const std::string& line : failure) ConsoleStatusLine(line);
        MAIN_CommPortWsDisconnect();
        return;
    }

    ComLineSettings wanted = ApplyComRequest(request, defaults);
    try {
        MAIN_CommPort->SetComNumber(static_cast<uint16_t>(request.port));
        MAIN_CommPort->SetBaud(wanted.baud);
        MAIN_CommPort->SetDataBits(static_cast<uint16_t>(wanted.dataBits));
        MAIN_CommPort->SetParity(static_cast<TParity>(wanted.parity));
        MAIN_CommPort->SetStopBits(static_cast<uint16_t>(wanted.stopBits));
        MAIN_CommPort->SetHWFlowOptions(wanted.hardwareFlow);
        MAIN_CommPort->SetSWFlowOptions(static_cast<TSWFlowOptions>(wanted.softwareFlow));
        MAIN_CommPort->SetRS485Mode(wanted.rs485);
        MAIN_CommPort->SetOpen(true);
    } catch (const std::exception& e) {
        for (const std::string& line : ComOpenFailedLines(request.device, PortInUse(e), e.what()))
            ConsoleStatusLine(line);
        MAIN_CommPortWsDisconnect();
        return;
    }

    if (AppActive && MAIN_PANEL_Console->CanFocus()) MAIN_PANEL_Console->SetFocus();
    ComLineSettings applied;
    applied.baud = MAIN_CommPort->Baud();
    applied.dataBits = MAIN_CommPort->DataBits();
    applied.parity = static_cast<ComParity>(MAIN_CommPort->Parity());
    applied.stopBits = MAIN_CommPort->StopBits();
    applied.hardwareFlow = MAIN_CommPort->HWFlowOptions();
    applied.softwareFlow = static_cast<ComSoftwareFlow>(MAIN_CommPort->SWFlowOptions());
    applied.rs485 = MAIN_CommPort->RS485Mode();
    for (const std::string& line : ComReportLines(request.device, applied)) ConsoleStatusLine(line);
    AddAddressToQuickLinks();
    ArmZModemTrigger();
    TransferRunning = 0;
    ZCancel.Clear();
    for (const std::string& line : ComReadyLines(request.device)) ConsoleStatusLine(line);
    FTerminal->ClearPendingLine();
}

// A serial session ends when its port closes (the port tells of it as OnWsDisconnect); a
// call through the telephony device, which hangs up, closes the port of a connected call
// and fails one that is still being dialled.
void TConsoleForm::EndLineSession() {
    if (ConnectionKind == ConnectionTelephony)
        CancelTapiCall();
    else if (MAIN_CommPort->Open())
        MAIN_CommPort->SetOpen(false);
    else
        MAIN_CommPortWsDisconnect();
}

bool TConsoleForm::CallCancelled() { return MAIN_TapiDevice->Cancelled(); }
