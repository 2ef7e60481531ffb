// The main window's smaller commands: the keyboard-shortcut menu, the pop-up menu's
// terminal toggles, the one-shot commands and their dialog, the keep-alive, the help file,
// the about box, the logo's web link, a second copy of the program, and the report of a
// print job that did not go out.
#include <windows.h>

#include <shellapi.h>

#include "console/Main.h"
#include "console/SecondaryWindows.h"
#include "console/core/ConsoleStatusText.h"
#include "controls/CtlUtils.h"
#include "controls/XcRichEd.h"
#include "framework/FormBuilder.h"
#include "framework/Printers.h"
#include "framework/core/SysUtils.h"

namespace {

// A print job's report waits for the terminal to finish the block that ended it (or in which
// its file failed).
UINT PrintReportMessage() {
    static const UINT message = RegisterWindowMessageA("Quiro2.PrintReport");
    return message;
}

}  // namespace

void TConsoleForm::WireMenuEvents() {
    const std::pair<TMenuItem*, ConsoleToggle> toggles[] = {
        {MAIN_PMENU_SendENTERasCRLF, ConsoleToggle::SendEnterAsCrLf},
        {MAIN_PMENU_AddLFToReceivedCR, ConsoleToggle::AddLfToReceivedCr},
        {MAIN_PMENU_LineAutoWrap, ConsoleToggle::LineAutoWrap},
        {MAIN_PMENU_LocalEcho, ConsoleToggle::LocalEcho},
    };
    for (auto [item, toggle] : toggles)
        item->OnClick = [this, item, toggle](TComponent*) { MAIN_PMENU_ToggleClick(item, toggle); };

    FindAs<TMenuItem>(this, "DisconnectItem")->OnClick = [this](TComponent*) {
        if (MAIN_BTN_Disconnect->Enabled()) MAIN_BTN_DisconnectClick();
    };
    FindAs<TMenuItem>(this, "SwitchToHostlist")->OnClick = [this](TComponent*) {
        if (MAIN_COMBO_Address->Enabled() && MAIN_COMBO_Address->CanFocus()) MAIN_COMBO_Address->SetFocus();
    };
    MAIN_BTN_New->OnClick = [this](TComponent*) { MAIN_BTN_NewClick(); };
    for (const char* item : {"NewQuiro", "NewQuiro2"})
        FindAs<TMenuItem>(this, item)->OnClick = [this](TComponent*) { NewQuiroClick(); };

    for (int i = 0; i < 3; ++i) {
        MAIN_BTN_OneShot[i]->OnClick = [this, i](TComponent*) { MAIN_BTN_OneShotClick(i); };
        auto* item = FindAs<TMenuItem>(this, "MAIN_PMENU_OneShotCommand" + std::to_string(i + 1));
        item->OnClick = [this, item](TComponent*) { MAIN_PMENU_OneShotCommandClick(static_cast<int>(item->Tag)); };
    }
    FindAs<TMenuItem>(this, "MAIN_PMENU_ChangeCommandStrings")->OnClick = [this](TComponent*) {
        MAIN_PMENU_ChangeCommandStringsClick();
    };
    MAIN_BTN_KeepAlive->OnClick = [this](TComponent*) { MAIN_BTN_KeepAliveClick(); };
    MAIN_BTN_Help->OnClick = [this](TComponent*) { MAIN_BTN_HelpClick(); };
    MAIN_BTN_About->OnClick = [this](TComponent*) { MAIN_BTN_AboutClick(); };

    FPrintOutlet.OnPrintRawFile = [this](const std::string& fileName) { return PrintRawFile(fileName); };
    FPrintOutlet.OnWriteFailed = [this](uint32_t error, const std::string& fileName) {
        PostPrintReport(PrintFileWriteFailedLines(error ? Win32ErrorText(error) : "the file took no data", fileName));
    };
    if (Application) {
        Application->HookMainWindow(&FPrintReports, [this](TMessage& m) {
            if (m.Msg != PrintReportMessage()) return false;
            m.Result = 0;
            while (!FPrintReports.empty()) {
                const std::string line = std::move(FPrintReports.front());
                FPrintReports.pop_front();
                ConsoleStatusLine(line);
            }
            return true;
        });
    }
}

void TConsoleForm::PostPrintReport(std::vector<std::string> lines) {
    // A window that has gone is not made again for a report nobody would see.
    if (!HandleAllocated()) return;
    for (std::string& line : lines) FPrintReports.push_back(std::move(line));
    PostMessageA(Handle(), PrintReportMessage(), 0, 0);
}

void TConsoleForm::EndPrintJob() {
    FSideChannels.ResetPrinterController();
}

void TConsoleForm::TellPendingPrintReports() {
    if (FPrintReports.empty()) return;
    std::string text;
    for (const std::string& line : FPrintReports) {
        // A status line's brackets are for the console.
        const bool bracketed = line.size() >= 4 && line.compare(0, 2, "[ ") == 0 && line.compare(line.size() - 2, 2, " ]") == 0;
        text += (text.empty() ? "" : "\n") + (bracketed ? line.substr(2, line.size() - 4) : line);
    }
    FPrintReports.clear();
    MessageBoxA(Handle(), text.c_str(), " Quiro 2: Warning", MB_OK | MB_ICONWARNING);
}

bool TConsoleForm::PrintRawFile(const std::string& fileName) {
    const RawPrintOutcome outcome = ::PrintRawFile(Settings.PrinterName, fileName, "Quiro 2 [Print]");
    if (outcome.Ok()) return true;
    std::string reason = outcome.error ? Win32ErrorText(outcome.error) : std::string();
    if (reason.empty() && outcome.failed == RawPrintStep::PrinterWrite) reason = "the printer took no data";
    PostPrintReport(PrintFailedLines(RawPrintStepText(outcome.failed), reason, fileName));
    return false;
}

// ---- The terminal toggles ----------------------------------------------------------------

void TConsoleForm::MAIN_PMENU_ToggleClick(TMenuItem* item, ConsoleToggle toggle) {
    const bool on = !item->Checked();
    item->SetChecked(on);
    SetToggle(toggle, on, MAIN_CommPort->Open(), *FTerminal, Settings);
}

void TConsoleForm::ShowToggles() {
    const bool open = MAIN_CommPort->Open();
    MAIN_PMENU_SendENTERasCRLF->SetChecked(ToggleState(ConsoleToggle::SendEnterAsCrLf, open, *FTerminal, Settings));
    MAIN_PMENU_AddLFToReceivedCR->SetChecked(
        ToggleState(ConsoleToggle::AddLfToReceivedCr, open, *FTerminal, Settings));
    MAIN_PMENU_LineAutoWrap->SetChecked(ToggleState(ConsoleToggle::LineAutoWrap, open, *FTerminal, Settings));
    MAIN_PMENU_LocalEcho->SetChecked(ToggleState(ConsoleToggle::LocalEcho, open, *FTerminal, Settings));
}

// ---- A second copy ------------------------------------------------------------------------

void TConsoleForm::MAIN_BTN_NewClick() {
    const std::string self = ParamStr(0);
    ShellExecuteA(nullptr, "open", self.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void TConsoleForm::NewQuiroClick() { MAIN_BTN_New->Click(); }

// ---- One-shot commands --------------------------------------------------------------------

void TConsoleForm::MAIN_BTN_OneShotClick(int index) {
    if (index < 0 || index >= int(MAIN_BTN_OneShot.size())) return;
    FlushHangulSyllable();
    const std::string bytes = CommandBytes(MAIN_BTN_OneShot[size_t(index)]->Hint());
    if (!bytes.empty()) SendString(bytes);
}

void TConsoleForm::MAIN_PMENU_OneShotCommandClick(int tag) { MAIN_BTN_OneShotClick(tag - 1); }

void TConsoleForm::MAIN_PMENU_ChangeCommandStringsClick() {
    if (!ConsoleWindows().CommandStringsDialog) return;
    CommandStrings strings;
    for (size_t i = 0; i < strings.commands.size(); ++i) strings.commands[i] = MAIN_BTN_OneShot[i]->Hint();
    strings.keepAlive = Settings.KeepAliveString;
    strings.interval = Settings.KeepAliveInterval;
    if (ConsoleWindows().CommandStringsDialog(*this, strings)) {
        for (size_t i = 0; i < strings.commands.size(); ++i) {
            MAIN_BTN_OneShot[i]->SetHint(strings.commands[i]);
            Settings.OneShotCommand[i] = strings.commands[i];
        }
        Settings.KeepAliveString = strings.keepAlive;
        Settings.KeepAliveInterval = KeepAliveMinutes(strings.interval);
        TellSettingsNotSaved(SaveSettingValues(
            {"OneShotCommand1", "OneShotCommand2", "OneShotCommand3", "KeepAliveInterval", "KeepAliveString"}));
    }
    if (KeepAliveTimer) KeepAliveStamp = GetTickCount();
}

// ---- Keep-alive ---------------------------------------------------------------------------

void TConsoleForm::MAIN_BTN_KeepAliveClick() {
    if (!MAIN_BTN_KeepAlive->Down()) {
        KeepAliveTimer.reset();
        return;
    }
    try {
        if (!KeepAliveTimer) KeepAliveTimer = std::make_unique<TTimer>(nullptr);
        KeepAliveStamp = GetTickCount();
        KeepAliveTimer->SetEnabled(false);
        KeepAliveTimer->SetInterval(KeepAliveTickMs);
        KeepAliveTimer->SetOnTimer([this](TComponent*) { KeepAliveTick(); });
        KeepAliveTimer->SetEnabled(true);
    } catch (const std::exception&) {
        // No timer to be had: the switch goes back up.
        KeepAliveTimer.reset();
        MAIN_BTN_KeepAlive->SetDown(false);
    }
}

void TConsoleForm::KeepAliveTick() {
    const uint32_t now = GetTickCount();
    const KeepAliveStep step =
        ::KeepAliveTick(now, KeepAliveStamp, Settings.KeepAliveInterval, TransferRunning != 0, Settings.KeepAliveString);
    if (step.renewStamp) KeepAliveStamp = now;
    if (!step.send.empty()) SendString(step.send);
}

// ---- Help, about and the web page ---------------------------------------------------------

void TConsoleForm::MAIN_BTN_HelpClick() {
    const std::string path = FProgramFolder + "Quiro2.chm";
    if (FileExists(path)) {
        ShellExecuteA(Handle(), "open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        return;
    }
    const std::string caption = " Quiro 2: Error - " + path;
    MessageBoxA(Handle(), "Unable to locate Quiro2 help file.", caption.c_str(), MB_OK | MB_ICONERROR);
}

void TConsoleForm::MAIN_BTN_AboutClick() {
    if (ConsoleWindows().AboutBox) ConsoleWindows().AboutBox(*this);
}

void TConsoleForm::OpenWebLink() { ::OpenWebLink(std::string(QuiroWebAddress)); }
