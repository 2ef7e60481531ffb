// The receive dispatch (which road a received block takes), the console road, and the send
// routine with its queue for what the port cannot take at once.
#include <windows.h>

#include "comm/core/Triggers.h"
#include "console/Main.h"
#include "console/core/ReceiveRouter.h"

uint8_t* TConsoleForm::ReceiveBlock(uint16_t count) {
    if (FReceiveBuffer.size() < size_t(count) + 1) FReceiveBuffer.resize(size_t(count) + 1);
    MAIN_CommPort->GetBlock(FReceiveBuffer.data(), count);
    FReceiveBuffer[count] = 0;  // the proxy's replies and the announcement test read text
    return FReceiveBuffer.data();
}

void TConsoleForm::MAIN_CommPortTriggerAvail(uint16_t count) {
    if (count == 0) return;
    uint8_t* block = ReceiveBlock(count);
    ReceiveState state;
    state.proxyNegotiating = ConnectionKind == ConnectionWinsock && FTelnetRoad.Negotiating();
    state.transferRunning = TransferRunning != 0;
    state.imageData = FTerminal->ImagePackArmed != 0;
    // In-band pictures are announced only to a program that can show them: without the
    // viewer the announcement is ordinary text.
    state.showImagePack = Settings.ShowImagePack && ImageViewerAvailable();
    switch (ChooseReceiveRoad(state, block, count)) {
    case ReceiveRoad::None: break;
    case ReceiveRoad::Proxy: Carry(FTelnetRoad.ProxyNegotiate(block, count)); break;
    case ReceiveRoad::ImagePack: ImagePackStep(block, count); break;
    case ReceiveRoad::ZModem: {
        size_t end = ZModemEngine ? ZModemEngine->ProcessBytes(block, count) : 0;
        // The transfer ends at byte `end` (it and the rest are the console's), or once the
        // sender has signed off: then nothing more is on its way.
        if (end == count && !(ZModemEngine && ZModemEngine->SenderSignedOff())) break;
        ZModemFinished();
        ConsoleDataReceived(block + end, static_cast<int>(count - end));
        if (MAIN_ZCB_AutoDisconnect->Checked() && MAIN_CommPort->Open()) MAIN_BTN_DisconnectClick();
        break;
    }
    case ReceiveRoad::ImageAnnouncement: ImageAnnouncement(); break;
    case ReceiveRoad::Console:
        if (ConsoleDataReceived(block, count)) StartZModemDownload();
        break;
    }
}

// The host announced an in-band picture (ESC "&Q"): the terminal waits for it, and the
// host is told to send it.
void TConsoleForm::ImageAnnouncement() {
    FTerminal->ImageCell = TerminalImageCell{};
    FTerminal->ImageCell.PositionFlag = 1;
    FTerminal->ClearCommaMarker();
    FTerminal->ImagePackArmed = 0;
    MAIN_ZCB_AutoDisconnect->SetChecked(false);
    if (ConnectionKind == ConnectionWinsock)
        if (IDravelTelnet* telnet = FTelnet.Telnet()) telnet->EnterTelnetBinary();
    SendString(kImageDownloadReady);
}

void TConsoleForm::MAIN_CommPortTriggerData(uint16_t triggerHandle) {
    if (ZModemTrigger != 0 && triggerHandle == ZModemTrigger) StartZModemUpload();
}

int TConsoleForm::ConsoleDataReceived(const uint8_t* data, int length, bool echoed) {
    if (length <= 0) return 0;
    ConsoleBlockPlan plan = PlanConsoleBlock(ZCancel, size_t(length), GetTickCount(), echoed,
                                             Settings.ZModemAutoDetect, FTerminal->ImageCell.PositionFlag != 0);
    if (plan.drop) {
        if (plan.sendAbort) SendString(ZModemAbortString());
        return 0;
    }
    int result = 0;
    {
        // The block's picture comes with the display's next frame: the caret and the
        // syllable in progress stay where they are until then, and the text under the
        // syllable is painted again with it.
        ++FDeferPaint;
        struct Deferred {
            int& depth;
            ~Deferred() { --depth; }
        } deferred{FDeferPaint};
        if (FHanguel->IsComposing() && FHanguel->GetCompositionCanvas() && FScreen.CellHeight > 0) {
            const int line = FScreen.FirstDisplayedLine + FCompositionSpot.y / FScreen.CellHeight;
            MarkLines(line, line);
        }
        DropSelection();
        // Into the capture editor while the main window's and the editor's switches are on.
        FTerminal->CaptureOn = 0;
        if (MAIN_BTN_Capture->Down() && FEditor && FEditor->CaptureOn()) FTerminal->CaptureOn = 1;
        if (ScrollBackReturnLine >= 0) {
            if (ScrollBackReturnLine != FScreen.FirstDisplayedLine) {
                FScreen.FirstDisplayedLine = ScrollBackReturnLine;
                EverythingChanged();
            }
            ScrollBackReturnLine = -1;
        }
        // While a picture streams only the user's echoed text comes here; whatever it does
        // to the terminal's picture state is undone below.
        const bool streaming = TransferRunning && FTerminal->ImagePackArmed;
        const TerminalImageCell cellBefore = FTerminal->ImageCell;
        result = FTerminal->ProcessReceived(plan.rzDetect, data, size_t(length));
        ScrollCursorIntoView();
        FScrollBarsAfterPaint = true;
        bool imageData = FTerminal->ImagePackArmed != 0;
        const ImageStep step = ImageStepAfterBlock(imageData, Settings.ShowImagePack && ImageViewerAvailable(),
                                                   echoed, streaming);
        // Only text goes on with the caret and the syllable at the cursor cell.
        FCaretAfterPaint = step == ImageStep::None;
        if (step != ImageStep::None && ConsoleHasFocus && AppActive) HideConsoleCaret();
        switch (step) {
        case ImageStep::None: break;
        case ImageStep::Ignore:
            FTerminal->ImageCell.PositionFlag = 0;
            FTerminal->ImagePackArmed = 0;
            break;
        case ImageStep::Start: StartImagePack(); break;
        case ImageStep::Streaming:
            FTerminal->ImagePackArmed = 1;
            FTerminal->ImageCell = cellBefore;
            break;
        }
    }
    PaintWhenDue();
    return result;
}

void TConsoleForm::SendString(const std::string& bytes) {
    if (!MAIN_CommPort->Open()) return;
    if (FSendQueue.Send(FPortChannel, bytes)) ArmOutputFree();
}

// What waits goes out when the port's output buffer has room again.
void TConsoleForm::ArmOutputFree() {
    try {
        if (!FOutFreeTrigger) FOutFreeTrigger = MAIN_CommPort->AddStatusTrigger(stOutBuffFree);
        uint32_t room = std::max<uint32_t>(1, MAIN_CommPort->OutSize() / 2);
        MAIN_CommPort->SetStatusTrigger(FOutFreeTrigger,
                                        static_cast<uint16_t>(std::min<size_t>(FSendQueue.Waiting(), room)),
                                        true);
    } catch (const std::exception&) {
        // No trigger: what waits goes out with the next send.
    }
}

void TConsoleForm::MAIN_CommPortTriggerOutbuffFree() {
    if (FSendQueue.Resume(FPortChannel)) ArmOutputFree();
}

void TConsoleForm::DropSendQueue() {
    FSendQueue.Clear();
    // (A closing port keeps the trigger for its next open, where it finds nothing waiting.)
    if (FOutFreeTrigger && MAIN_CommPort->PortState() == psOpen) {
        try {
            MAIN_CommPort->RemoveTrigger(FOutFreeTrigger);
        } catch (const std::exception&) {
        }
        FOutFreeTrigger = 0;
    }
}
