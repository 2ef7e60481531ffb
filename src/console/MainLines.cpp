// The telephone and serial roads. Dialling a modem and opening a serial port are not part
// of this version: such a session ends at once with a status line that says so (a serial
// address that names no port is reported as such first).
#include "console/Main.h"
#include "console/core/ComAddress.h"

bool TConsoleForm::ReadyToDial() { return true; }

void TConsoleForm::DialNumber() {
    Connected = 1;
    ConsoleStatusLine("Telephone connections are not available in this version.");
    MAIN_CommPortWsDisconnect();
}

void TConsoleForm::OpenComPort() {
    Connected = 1;
    ComRequest request = ParseComAddress(Address);
    if (request.status != ComRequest::Ok) {
        for (const std::string& line : ComAddressErrorLines(request.status)) ConsoleStatusLine(line);
    } else {
        ConsoleStatusLine("Serial connections are not available in this version.");
    }
    MAIN_CommPortWsDisconnect();
}

void TConsoleForm::EndLineSession() { MAIN_CommPortWsDisconnect(); }

bool TConsoleForm::CallCancelled() { return false; }
