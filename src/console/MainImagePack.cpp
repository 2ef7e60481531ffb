// In-band pictures ("Image Pack"): the stream's start, its blocks and its end, the picture
// viewer placed over the host's cell, and the viewer's buttons as they reach the session.
// The protocol's decisions are console/core/ImagePack.h; the viewer is windows/ViewImage.
#include <windows.h>

#include <algorithm>

#include "console/Main.h"
#include "console/SecondaryWindows.h"
#include "console/core/ImagePack.h"
#include "framework/FormBuilder.h"

bool TConsoleForm::ImageViewerAvailable() { return bool(ConsoleWindows().PictureViewer) || FViewer; }

TPictureViewer* TConsoleForm::Viewer() {
    if (!FViewer && ConsoleWindows().PictureViewer) FViewer = ConsoleWindows().PictureViewer(this, this);
    return FViewer;
}

void TConsoleForm::WireImagePackEvents() {
    if (auto* item = FindAs<TMenuItem>(this, "MAIN_PMENU_ViewImageForm")) {
        item->SetEnabled(ImageViewerAvailable());
        item->OnClick = [this](TComponent*) { MAIN_PMENU_ViewImageFormClick(); };
    }
}

// The viewer over the picture's cell: below the cell's row, in screen pixels; at the main
// window's corner when that point is not on the main window.
void TConsoleForm::PlaceViewerAtImageCell(TPictureViewer* viewer) {
    const int column = std::clamp(FTerminal->ImageCell.Column, 0, std::max(FTerminal->Columns() - 1, 0));
    const int row = std::clamp(FTerminal->ImageCell.Row, 0, std::max(FTerminal->Rows() - 1, 0));
    POINT p{2 * GetSystemMetrics(SM_CXDLGFRAME) + column * FScreen.CellWidth, (row + 1) * FScreen.CellHeight};
    p = MAIN_PB_Console->ClientToScreen(p);
    const RECT main{Left(), Top(), Left() + Width(), Top() + Height()};
    if (!PtInRect(&main, p)) p = POINT{Left(), Top()};
    viewer->SetViewerPosition(p.x, p.y);
}

void TConsoleForm::StartImagePack() {
    TPictureViewer* viewer = Viewer();
    if (!viewer) {
        FTerminal->ImagePackArmed = 0;
        FTerminal->ImageCell.PositionFlag = 0;
        return;
    }
    viewer->SetCancelEnabled(true);
    viewer->ClearPicture();
    viewer->ResetViewer();
    if (!viewer->Form()->Visible()) PlaceViewerAtImageCell(viewer);
    viewer->Form()->Show();
    DisarmZModemTrigger();
    TransferRunning = 1;
    FImageTelnet.Reset();
    try {
        MAIN_LightController->SetMonitoring(true);
    } catch (const std::exception&) {
    }
    SendString(kImageStreamReady);
}

void TConsoleForm::ImagePackStep(const uint8_t* data, size_t length) {
    TPictureViewer* viewer = FViewer;
    if (!viewer) return;
    int state;
    if (length == 0) {
        state = viewer->ParserState();
    } else if (ConnectionKind == ConnectionWinsock && FTelnet.Telnet()) {
        // Telnet's commands are not picture data; IAC IAC is one 0xFF.
        FImageBlock.assign(data, data + length);
        const size_t kept = FImageTelnet.Strip(*FTelnet.Telnet(), FImageBlock.data(), length);
        state = kept ? viewer->ParseImagePackData(FImageBlock.data(), kept) : viewer->ParserState();
    } else {
        state = viewer->ParseImagePackData(data, length);
    }
    int row = 0, column = 0;
    if (viewer->TakePosition(row, column)) {
        FTerminal->ImageCell.Row = std::clamp(row, 0, std::max(FTerminal->Rows() - 1, 0));
        FTerminal->ImageCell.Column = std::clamp(column, 0, std::max(FTerminal->Columns() - 1, 0));
    }
    if (state == ImagePackParser::LineEnded) {
        SendString(kImageLineTaken);
        viewer->SetParserState(ImagePackParser::Idle);
        viewer->UpdateProgressiveImage(ConnectionName);
    } else if (state == ImagePackParser::PictureEnded) {
        if (viewer->StreamOverflowed()) {
            // The host is told to stop; what came is shown.
            SendString(kImageCancel);
            for (const char* line : {"", "[ Image Pack - Picture Too Large ]", ""}) ConsoleStatusLine(line);
        }
        viewer->ShowReceivedImage(1);
        viewer->ResetViewer();
        viewer->SetCancelEnabled(false);
        FTerminal->ImageCell.PositionFlag = 0;
        FTerminal->ImagePackArmed = 0;
        ArmZModemTrigger();
        TransferRunning = 0;
        ReturnToConsole();
    }
}

// The session ended under an in-band picture: it ends as if the host had ended it.
void TConsoleForm::EndImagePackStream() {
    if (!FViewer || !FTerminal->ImagePackArmed || !TransferRunning) return;
    FViewer->SetParserState(ImagePackParser::PictureEnded);
    ImagePackStep(nullptr, 0);
}

// The picture the host sent by ZModem, loaded by its extension; every file of the download
// is removed afterwards, the picture's too.
void TConsoleForm::ShowDownloadedPicture() {
    if (TPictureViewer* viewer = FViewer) {
        viewer->SetFileName(FPictureFiles.Created().empty() ? std::string() : FPictureFiles.Created().back());
        viewer->ShowReceivedImage(0);
        viewer->SetCancelEnabled(false);
    }
    FPictureFiles.RemoveAll();
    FTerminal->ImageCell.PositionFlag = 0;
}

void TConsoleForm::MAIN_PMENU_ViewImageFormClick() {
    TPictureViewer* viewer = Viewer();
    if (!viewer) return;
    // Cancel (and Close with it) stays for a picture on its way: the in-band stream, or a
    // picture the host sends by ZModem (the transfer panel is hidden then).
    const bool stream = TransferRunning && FTerminal->ImagePackArmed;
    viewer->SetCancelEnabled(stream || (!MAIN_SCROLLBOX_ZModem->Visible() && ZModemEngine != nullptr));
    viewer->Form()->Show();
}

// ---- What the viewer's buttons ask of the session ----

bool TConsoleForm::PictureStreamArmed() { return FTerminal->ImagePackArmed != 0; }

bool TConsoleForm::TransferExists() { return ZModemEngine != nullptr; }

void TConsoleForm::CancelTransfer() { MAIN_BTN_ZCancelClick(); }

void TConsoleForm::ViewerClosed() { ReturnToConsole(); }

void TConsoleForm::ReturnToConsole() {
    if (!HandleAllocated() || !IsWindowEnabled(Handle())) return;
    Show();
    if (MAIN_PANEL_Console->CanFocus()) MAIN_PANEL_Console->SetFocus();
}
