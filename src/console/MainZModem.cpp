// ZModem: the data trigger that notices a host's receiver, and the transfer front end (the
// engine driven over the session's port, the transfer panel, cancel and its quiet period,
// the result report). The texts and the arithmetic of the panel are ZModemProgress.h.
//
// Modal steps (the upload's file dialog, the finish box) never run inside a port's
// notification: they are posted to the main window and run once the handler has returned,
// so that the port's next notifications are not nested in an unfinished one.
#include <windows.h>

#include <shellapi.h>

#include "console/Main.h"
#include "controls/FileUtil.h"
#include "framework/FormBuilder.h"
#include "framework/core/SysUtils.h"

namespace {

// The start of a receiver's hex ZRINIT header: "**" CAN "B01".
const char kReceiverReady[] = "**\x18" "B01";

constexpr unsigned kProgressInterval = 700;

enum ZModemStep : WPARAM { StepAskForUploadFile = 1, StepFinishBox = 2 };

UINT ZModemStepMessage() {
    static const UINT message = RegisterWindowMessageA("Quiro2.ZModemStep");
    return message;
}

void SetCaptionIfChanged(TLabel* label, const std::string& caption) {
    if (label->Caption() != caption) label->SetCaption(caption);
}

std::string WithoutTrailingBackslash(std::string path) {
    if (path.size() > 1 && path.back() == '\\') path.pop_back();
    return path;
}

// The short (8.3) form of an existing file's path; the path itself when it has none.
std::string ShortPath(const std::string& path) {
    char buffer[MAX_PATH + 1] = {};
    DWORD n = GetShortPathNameA(path.c_str(), buffer, sizeof buffer);
    return n > 0 && n < sizeof buffer ? std::string(buffer, n) : path;
}

}  // namespace

void TConsoleForm::WireZModemEvents() {
    MAIN_BTN_ZCancel->OnClick = [this](TComponent*) { MAIN_BTN_ZCancelClick(); };
    MAIN_ZBTN_OpenDir->OnClick = [this](TComponent*) { MAIN_ZBTN_OpenDirClick(); };
    MAIN_TIMER_ZCancel->SetOnTimer([this](TComponent*) { MAIN_TIMER_ZCancelTimer(); });
    FindAs<TMenuItem>(this, "MAIN_PMENU_StartZModemUpload")->OnClick = [this](TComponent*) {
        MAIN_PMENU_StartZModemUploadClick();
    };
    FindAs<TMenuItem>(this, "MAIN_PMENU_StartZModemDownload")->OnClick = [this](TComponent*) {
        MAIN_PMENU_StartZModemDownloadClick();
    };
    FZModemStatus.SetShow([this](const std::string& text) { MAIN_PANEL_ZModemStatus->SetCaption(text); });
    if (Application) {
        Application->HookMainWindow(&FFinishBoxes, [this](TMessage& m) {
            if (m.Msg != ZModemStepMessage()) return false;
            m.Result = 0;
            if (m.WParam == StepAskForUploadFile) AskForUploadFile();
            if (m.WParam == StepFinishBox) ShowFinishBox();
            return true;
        });
    }
}

void TConsoleForm::PostZModemStep(int step) {
    PostMessageA(Handle(), ZModemStepMessage(), static_cast<WPARAM>(step), 0);
}

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

void TConsoleForm::MAIN_PMENU_StartZModemUploadClick() {
    if (!Connected || !MAIN_CommPort->Open() || TransferRunning || FTerminal->ImagePackArmed) return;
    FlushHangulSyllable();  // the syllable being typed goes out before the transfer's frames
    StartZModemUpload();
}

void TConsoleForm::MAIN_PMENU_StartZModemDownloadClick() {
    if (!Connected || !MAIN_CommPort->Open() || TransferRunning || FTerminal->ImagePackArmed) return;
    FlushHangulSyllable();  // the syllable being typed goes out before the transfer's frames
    StartZModemDownload();
}

void TConsoleForm::PrepareZModemEngine(bool sender) {
    if (!ZModemEngine) {
        ZModemEngine = std::make_unique<IDravelZModem>();
        ZModemEngine->SetFileStore(&FZModemFiles);
        ZModemEngine->SetClock(FZModemClock);
        ZModemEngine->SetStatusLabel(&FZModemStatus);
    }
    if (!ProgressTimer) {
        ProgressTimer = std::make_unique<TTimer>(nullptr);
        ProgressTimer->SetEnabled(false);
        ProgressTimer->SetInterval(kProgressInterval);
        ProgressTimer->SetOnTimer([this](TComponent*) { UpdateTransferProgress(); });
    }
    if (sender && !SenderTimer) SenderTimer = std::make_unique<TWin32PumpTimer>();
    FZModemEndSeen = false;
    // What waits to be sent goes now or never: the engine writes to the port itself.
    FSendQueue.Resume(FPortChannel);
    DropSendQueue();
}

// The panel of a new transfer: nothing known yet.
void TConsoleForm::ResetTransferPanel(bool upload) {
    MAIN_ZLABEL_Directory->SetCaption("");
    MAIN_ZLABEL_Directory->SetHint("");
    MAIN_ZLABEL_FileName->SetCaption("");
    MAIN_ZLABEL_FileSize->SetCaption("0");
    for (TLabel* label : {MAIN_ZLABEL_RecvedBytes, MAIN_ZLABEL_BytesLeft, MAIN_ZLABEL_Throughput,
                          MAIN_ZLABEL_TimeLeft})
        label->SetCaption("");
    MAIN_ZLABEL_RcvdSentBytes->SetCaption(upload ? "Bytes Sent" : "Bytes Received");
    MAIN_ZCurrentGauge->SetProgress(0);
    MAIN_ZTotalGauge->SetProgress(0);
    MAIN_PANEL_ZModemStatus->SetCaption("");
    MAIN_BTN_ZCancel->Tag = 0;
    FZModemFileName.clear();
    MAIN_SCROLLBOX_ZModem->Show();
}

void TConsoleForm::EnterTransferBinary() {
    if (ConnectionKind == ConnectionWinsock)
        if (IDravelTelnet* telnet = FTelnet.Telnet()) telnet->EnterTelnetBinary();
}

void TConsoleForm::StartZModemUpload() {
    DisarmZModemTrigger();
    UploadDirection = 1;
    FTerminal->ImageCell.PositionFlag = 0;
    PostZModemStep(StepAskForUploadFile);
}

void TConsoleForm::AskForUploadFile() {
    if (!MAIN_CommPort->Open() || TransferRunning) return;  // the moment has passed
    MAIN_OPNDLG_ZModemUp->FileName.clear();
    const bool chosen = MAIN_OPNDLG_ZModemUp->Execute();
    if (!MAIN_CommPort->Open()) return;  // the session ended meanwhile
    if (!chosen) {
        RefuseUpload();
        return;
    }
    const std::string path = MAIN_OPNDLG_ZModemUp->FileName;
    int readable = FZModemFiles.OpenExisting(path, false);
    if (readable < 0) {
        RefuseUpload();
        MessageBoxA(Handle(), "Upload Cancelled!\n\n[ File cannot be opened for upload. ]", path.c_str(),
                    MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
        FocusConsole();
        return;
    }
    FZModemFiles.Close(readable);

    PrepareZModemEngine(true);
    TransferRunning = 1;
    ZCancel.Clear();
    MAIN_ZCB_AutoDisconnect->SetChecked(false);
    ResetTransferPanel(true);
    const std::string shortPath = ShortPath(path);
    const size_t slash = shortPath.find_last_of("\\/");
    const std::string folder = slash == std::string::npos ? std::string() : shortPath.substr(0, slash + 1);
    const std::string name = shortPath.substr(slash == std::string::npos ? 0 : slash + 1);
    ZModemEngine->Start(&FPortChannel, IDravelZModem::DirectionSend, folder, name);
    FZModemFileName = name;
    ProgressTimer->SetEnabled(true);
    UpdateTransferProgress();
    EnterTransferBinary();
    if (ZModemEngine) ZModemEngine->StartSender(SenderTimer.get());
}

// No file to send: the host's receiver is told to stop.
void TConsoleForm::RefuseUpload() {
    const std::string abort = ZModemAbortString();
    SendString(abort);
    if (FTerminal->LocalEcho)
        ConsoleDataReceived(reinterpret_cast<const uint8_t*>(abort.data()), int(abort.size()), true);
    ArmZModemTrigger();
    FocusConsole();
}

void TConsoleForm::FocusConsole() {
    if (!MAIN_PANEL_Console->CanFocus()) return;
    MAIN_PANEL_Console->SetFocus();
    ConsoleHasFocus = 1;
}

void TConsoleForm::StartZModemDownload() {
    DisarmZModemTrigger();
    PrepareZModemEngine(false);
    UploadDirection = 0;
    TransferRunning = 1;
    ZCancel.Clear();
    ProgressTimer->SetEnabled(false);
    MAIN_ZCB_AutoDisconnect->SetChecked(false);
    // A picture announced by the host goes to the viewer through the temporary folder;
    // without a viewer it is an ordinary download.
    FZModemPicture = FTerminal->ImageCell.PositionFlag == 1 && ImageViewerAvailable();
    if (FZModemPicture) {
        const std::string temp = GetTempDir();  // "" when the system's answer does not fit
        if (temp.empty()) {
            FZModemPicture = false;
            TransferRunning = 0;
            FTerminal->ImageCell.PositionFlag = 0;
            SendString(ZModemAbortString());
            for (const char* line : {"", "[ ZModem - No temporary folder for the picture ]", ""})
                ConsoleStatusLine(line);
            FreeZModemTimers();
            ArmZModemTrigger();
            return;
        }
        FPictureFiles.RemoveAll();
        ZModemEngine->SetFileStore(&FPictureFiles);
        ZModemEngine->Start(&FPortChannel, IDravelZModem::DirectionReceive, temp, "");
        ZModemEngine->SetImagePack(1);
        if (TPictureViewer* viewer = Viewer()) {
            viewer->SetViewerProgress(ConnectionName, 0);
            if (!viewer->Form()->Visible()) PlaceViewerAtImageCell(viewer);
            viewer->SetCancelEnabled(true);
            viewer->ClearPicture();
            viewer->Form()->Show();
        }
        try {
            MAIN_LightController->SetMonitoring(true);
        } catch (const std::exception&) {
        }
    } else {
        const std::string folder =
            !Settings.DownloadDir.empty() && DirectoryExists(Settings.DownloadDir) ? Settings.DownloadDir : FProgramFolder;
        ZModemEngine->SetFileStore(&FZModemFiles);
        ZModemEngine->Start(&FPortChannel, IDravelZModem::DirectionReceive, folder, "");
        ResetTransferPanel(false);
    }
    ProgressTimer->SetEnabled(true);
    UpdateTransferProgress();
    EnterTransferBinary();
    if (ZModemEngine) ZModemEngine->SendZRINIT();
}

void TConsoleForm::UpdateTransferProgress() {
    if (!ZModemEngine) {
        ZModemFinished();
        return;
    }
    IDravelZModem& engine = *ZModemEngine;
    if (!MAIN_CommPort->Open()) {
        // The line went under the transfer: it did not end well.
        if (engine.State() != IDravelZModem::StateFinished) engine.Abort();
        ZModemFinished();
        return;
    }
    if (engine.State() == IDravelZModem::StateFinished) {
        // A sender's closing "OO" may still be on its way: it is given a tick, so that it
        // does not land on the console (the receive road ends the transfer at once when
        // anything else comes).
        if (engine.Direction() == IDravelZModem::DirectionReceive && !FZModemEndSeen) {
            FZModemEndSeen = true;
            return;
        }
        engine.Cleanup();
        ZModemFinished();
        if (MAIN_ZCB_AutoDisconnect->Checked() && MAIN_CommPort->Open()) MAIN_BTN_DisconnectClick();
        return;
    }
    if (!engine.FileName().empty()) FZModemFileName = engine.FileName();
    if (engine.CheckTimeout() > 0) {
        ZModemFinished();
        return;
    }
    if (FZModemPicture) {
        // The viewer shows the picture's progress.
        if (FViewer) {
            const int64_t size = engine.FileLength();
            FViewer->SetViewerProgress(ConnectionName, size < 1 ? 0 : int(int64_t(engine.Position()) * 100 / size));
        }
        return;
    }

    ZModemSnapshot s;
    s.fileName = FZModemFileName;
    s.fileSize = engine.FileLength();
    s.position = engine.Position();
    s.resumePoint = engine.StartPosition();
    s.batchDone = engine.BytesTransferred();
    s.batchTotal = engine.FileCount();
    s.totalFiles = engine.TotalFiles();
    s.filesRemaining = engine.FilesRemaining();
    s.startTick = engine.StartTick();
    const ZModemProgressView v = FormatTransferProgress(s, FZModemClock->NowMs());
    if (WindowState() != wsMinimized) {
        const std::string folder = WithoutTrailingBackslash(engine.Directory());
        if (folder != MAIN_ZLABEL_Directory->Hint()) {
            MAIN_ZLABEL_Directory->SetHint(folder);
            TCanvas* canvas = MAIN_ZLABEL_Directory->Canvas();
            canvas->Font()->Assign(*MAIN_ZLABEL_Directory->Font());
            SetCaptionIfChanged(
                MAIN_ZLABEL_Directory,
                ShortenFolderPath(folder, [canvas](std::string_view t) { return canvas->TextWidth(std::string(t)); },
                                  MAIN_ZLABEL_Directory->Width()));
        }
        SetCaptionIfChanged(MAIN_ZLABEL_FileName, v.fileLabel);
        SetCaptionIfChanged(MAIN_ZLABEL_FileSize, v.fileSize);
        SetCaptionIfChanged(MAIN_ZLABEL_RecvedBytes, v.received);
        SetCaptionIfChanged(MAIN_ZLABEL_BytesLeft, v.bytesLeft);
        if (MAIN_ZCurrentGauge->Progress() != v.currentGauge) MAIN_ZCurrentGauge->SetProgress(v.currentGauge);
        if (MAIN_ZTotalGauge->Progress() != v.totalGauge) MAIN_ZTotalGauge->SetProgress(v.totalGauge);
        SetCaptionIfChanged(MAIN_ZLABEL_Throughput, v.throughput);
        SetCaptionIfChanged(MAIN_ZLABEL_TimeLeft, v.timeLeft);
    }
    // The main window is the task bar's button: its caption shows the progress there.
    const std::string title = TransferTitle(v, ConnectionName);
    Application->SetTitle(title);
    if (Caption() != title) SetCaption(title);
}

void TConsoleForm::ZModemFinished() {
    if (ProgressTimer) ProgressTimer->SetEnabled(false);
    if (SenderTimer) SenderTimer->SetEnabled(false);
    MAIN_ZCurrentGauge->SetProgress(100);
    MAIN_ZTotalGauge->SetProgress(100);
    if (MAIN_SCROLLBOX_ZModem->Visible()) MAIN_SCROLLBOX_ZModem->Hide();
    TransferRunning = 0;
    Application->SetTitle(ConnectionName);
    SetCaption(Connected ? FBaseCaption + " [ " + ConnectionName + " ]" : FBaseCaption);
    ArmZModemTrigger();
    if (FZModemPicture) {
        FZModemPicture = false;
        if (ZModemEngine) ZModemEngine->Cleanup();  // the file is closed before it is read
        ShowDownloadedPicture();
    } else {
        if (AppActive) FocusConsole();
        const int status = ZModemEngine ? ZModemEngine->Status() : int(ZModemRunning);
        if (MAIN_BTN_ZCancel->Tag == 0)
            for (const std::string& line : ZModemResultLines(status)) ConsoleStatusLine(line);
        if (MAIN_ZCB_ShowFinishDialog->Checked()) {
            const std::string name = ZModemEngine && !ZModemEngine->FileName().empty() ? ZModemEngine->FileName()
                                                                                       : FZModemFileName;
            FFinishBoxes.push_back(ZModemFinishBoxFor(status, name, ConnectionName));
            PostZModemStep(StepFinishBox);
        }
    }
    FreeZModemTimers();
    if (!Visible()) Show();
}

void TConsoleForm::ShowFinishBox() {
    if (FFinishBoxes.empty()) return;
    const ZModemFinishBox box = FFinishBoxes.front();
    FFinishBoxes.pop_front();
    const UINT icon = box.icon == ZModemFinishBox::Error     ? MB_ICONERROR
                      : box.icon == ZModemFinishBox::Warning ? MB_ICONWARNING
                                                             : MB_ICONINFORMATION;
    MessageBoxA(Handle(), box.text.c_str(), box.caption.c_str(), MB_OK | icon | MB_SETFOREGROUND);
}

void TConsoleForm::FreeZModemTimers() {
    if (TransferRunning && ZModemEngine) {
        // The session ends under a running transfer: it is ended first, and says how.
        if (ZModemEngine->State() != IDravelZModem::StateFinished) ZModemEngine->Abort();
        ZModemFinished();  // comes back here with the transfer ended
        return;
    }
    ZModemEngine.reset();  // before the sender's pump, which it unhooks
    ProgressTimer.reset();
    SenderTimer.reset();
}

void TConsoleForm::MAIN_BTN_ZCancelClick() {
    if (!TransferRunning || !ZModemEngine) return;
    const bool download = UploadDirection == 0;
    MAIN_BTN_ZCancel->Tag = 1;  // the user knows: no result report
    if (MAIN_CommPort->Open()) {
        ZModemEngine->Abort();
        ZModemFinished();
    }
    if (!download) return;
    // What the sender still sends is swallowed until the line has been quiet a while.
    for (const char* line : {"", "[ Please WAIT... Cancelling ZModem ]", ""}) ConsoleStatusLine(line);
    ZCancel.Begin(GetTickCount());
    MAIN_TIMER_ZCancel->SetEnabled(true);
}

void TConsoleForm::MAIN_TIMER_ZCancelTimer() {
    const ZModemCancelQuiet::Tick tick =
        ZCancel.OnTimer(GetTickCount(), Connected && MAIN_CommPort->Open(), FTerminal->SendEnterAsCrLf != 0);
    if (tick.stopTimer) MAIN_TIMER_ZCancel->SetEnabled(false);
    if (tick.wake.empty()) return;
    SendString(tick.wake);
    if (FTerminal->LocalEcho)
        ConsoleDataReceived(reinterpret_cast<const uint8_t*>(tick.wake.data()), int(tick.wake.size()), true);
}

void TConsoleForm::MAIN_ZBTN_OpenDirClick() {
    const std::string folder = MAIN_ZLABEL_Directory->Hint();
    if (!folder.empty()) ShellExecuteA(Handle(), "open", folder.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}
