// ZModem: the data trigger that notices a host's receiver, and the transfer front end. The
// front end (the engine driven with its progress panel) is not part of this version: a
// transfer the host starts is cancelled at once, with a status line that says so.
#include "console/Main.h"

namespace {

// The start of a receiver's hex ZRINIT header: "**" CAN "B01".
const char kReceiverReady[] = "**\x18" "B01";

}  // namespace

void TConsoleForm::ArmZModemTrigger() {
    if (MAIN_CommPort->Open()) {
        try {
            if (!ZModemTrigger && Settings.ZModemAutoDetect)
                ZModemTrigger = MAIN_CommPort->AddDataTrigger(kReceiverReady, false);
            else if (ZModemTrigger && !Settings.ZModemAutoDetect)
                DisarmZModemTrigger();
        } catch (const std::exception&) {
            ZModemTrigger = 0;
        }
    }
    TransferRunning = 0;
    try {
        MAIN_LightController->SetMonitoring(true);
    } catch (const std::exception&) {
    }
}

void TConsoleForm::DisarmZModemTrigger() {
    // A port that is closing keeps its triggers and brings them back when it opens again:
    // the handle then stays this window's.
    if (ZModemTrigger && MAIN_CommPort->PortState() == psOpen) {
        try {
            MAIN_CommPort->RemoveTrigger(ZModemTrigger);
        } catch (const std::exception&) {
        }
        ZModemTrigger = 0;
    }
    try {
        MAIN_LightController->SetMonitoring(false);
    } catch (const std::exception&) {
    }
}

namespace {

void RefuseTransfer(TConsoleForm& form) {
    form.SendString(ZModemAbortString());
    for (const char* line : {"", "[ ZModem - File transfers are not available in this version ]", ""})
        form.ConsoleStatusLine(line);
    form.ArmZModemTrigger();
}

}  // namespace

void TConsoleForm::StartZModemDownload() {
    DisarmZModemTrigger();
    RefuseTransfer(*this);
}

void TConsoleForm::StartZModemUpload() {
    DisarmZModemTrigger();
    RefuseTransfer(*this);
}

void TConsoleForm::ZModemFinished() {
    if (MAIN_SCROLLBOX_ZModem->Visible()) MAIN_SCROLLBOX_ZModem->Hide();
    TransferRunning = 0;
    Application->SetTitle(ConnectionName);
    ArmZModemTrigger();
    FreeZModemTimers();
}

void TConsoleForm::FreeZModemTimers() { ZModemEngine.reset(); }
