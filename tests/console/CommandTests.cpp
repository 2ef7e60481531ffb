// The console's smaller commands end to end, against hosts that record what they get: the
// one-shot commands and their dialog, the pop-up menu's toggles, the help file, the about
// box, a second copy of the program, raw printing into a Wine printer and a print file that
// fails, the keep-alive (the one slow test), and the main window's mends: the menu's ZModem
// start sends the syllable being typed first, and a restored window shows the transfer's
// progress at once.
#include <gtest/gtest.h>

#include "InputKit.h"

#include <tlhelp32.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "framework/WinePrinterKit.h"

using namespace quiro::console::test;

namespace {

std::string Address(const RecordingHost& host) { return "127.0.0.1:" + std::to_string(host.Port()); }

bool FormShown(const FormState& f) { return f.count("form") && f.at("form").visible; }

bool Shows(const ProbeState& s, const std::string& text) {
    return std::any_of(s.lines.begin(), s.lines.end(),
                       [&](const ProbeLine& l) { return l.text.find(text) != std::string::npos; });
}

std::string Backslashes(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

// Runs a shell command line of the host; its output lands in `folder`'s "out".
std::string HostCommand(const HostFolder& folder, const std::string& command) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string line = "/bin/sh -c \"" + command + " > " + folder.Dir() + "/out.tmp 2>&1; mv " + folder.Dir() +
                       "/out.tmp " + folder.Dir() + "/out\"";
    if (!CreateProcessA("Z:/bin/sh", line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return "";
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    std::string out;
    PumpUntil([&] { return GetFileAttributesA(folder.Path("out").c_str()) != INVALID_FILE_ATTRIBUTES; }, 20000);
    out = folder.Read("out");
    DeleteFileA(folder.Path("out").c_str());
    return out;
}

// Processes of this name now running.
std::vector<DWORD> Processes(const char* exe) {
    std::vector<DWORD> found;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 e{};
    e.dwSize = sizeof e;
    for (BOOL more = Process32First(snap, &e); more; more = Process32Next(snap, &e))
        if (lstrcmpiA(e.szExeFile, exe) == 0) found.push_back(e.th32ProcessID);
    CloseHandle(snap);
    return found;
}

void EndProcess(DWORD pid) {
    if (HANDLE p = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid)) {
        TerminateProcess(p, 0);
        WaitForSingleObject(p, 5000);
        CloseHandle(p);
    }
}

// The visible top-level window of another program called "Quiro 2".
struct OtherCopy {
    HWND except;
    HWND found = nullptr;
};
BOOL CALLBACK FindOtherCopy(HWND h, LPARAM lp) {
    auto* o = reinterpret_cast<OtherCopy*>(lp);
    char text[64] = {};
    GetWindowTextA(h, text, sizeof text);
    if (h != o->except && IsWindowVisible(h) && std::string(text) == "Quiro 2") o->found = h;
    return o->found == nullptr;
}

// A picture of a window of the program, painted through first, into the artifacts.
void Snapshot(QuiroProgram& q, const std::string& caption, const RECT& rect, const std::string& file) {
    if (HWND w = q.WaitForWindow(caption, 5000))
        RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    CaptureScreen(rect).SaveBmp(file);
}

}  // namespace

// Alt+1 sends the first command; a command longer than the port's output buffer reaches a
// host that stops reading whole, with the next command after it. Alt+` opens the
// command-strings dialog on the current strings; Enter keeps what was typed (an interval
// of 0 becomes 1) in the registry, Esc keeps nothing.
TEST(Commands, OneShotsAndTheCommandStringsDialog) {
    DeleteSettings();
    std::string longCommand;
    for (int i = 0; i < 60000; ++i) longCommand += char('a' + i % 26);
    Settings()->WriteString("OneShotCommand2", longCommand + "\\x0D");
    RecordingHost host("ready\r\n", 4096);
    QuiroProgram q(Address(host));
    ProbeState s;
    ASSERT_TRUE(StartFocused(q, "ready", s));

    size_t mark = host.Received().size();
    Press('1', kAlt);
    EXPECT_TRUE(host.Gets(mark, "\x50\x0D")) << ::testing::PrintToString(host.Received().substr(mark));

    host.Reading = false;
    mark = host.Received().size();
    Press('2', kAlt);
    ASSERT_TRUE(q.WaitFor([](const ProbeState& st) { return st.Int("sendQueue") > 0; }, 10000, &s));
    Press('1', kAlt);
    host.Reading = true;
    EXPECT_TRUE(host.Gets(mark, longCommand + "\rP\r", 30000)) << host.Received().size() - mark;

    Press(VK_OEM_3, kAlt);
    FormState f;
    ASSERT_TRUE(q.WaitForForm("OneShotForm", FormShown, 10000, &f));
    EXPECT_EQ(f.at("form").text, " Set Command Strings...");
    EXPECT_EQ(f.at("ONESHOT_EDIT_Command1").text, "P\\x0D");
    EXPECT_EQ(f.at("ONESHOT_EDIT_Command3").text, "GO TODAY\\x0D");
    EXPECT_EQ(f.at("ONESHOT_EDIT_KeepAlive").text, "z\\x0D");
    EXPECT_EQ(f.at("ONESHOT_EDIT_SendInterval").text, "5");
    Snapshot(q, " Set Command Strings...", f.at("form").rect, "command-strings.bmp");
    ASSERT_TRUE(q.SetText("ONESHOT_EDIT_Command1", "Q\\x0D"));
    ASSERT_TRUE(q.SetText("ONESHOT_EDIT_KeepAlive", "K\\x0D"));
    ASSERT_TRUE(q.SetText("ONESHOT_EDIT_SendInterval", "0"));
    const RECT spin = f.at("ONESHOT_EDIT_SendInterval").rect;
    Click(spin.left + 8, (spin.top + spin.bottom) / 2);
    Press(VK_RETURN);  // in the spin edit, which takes Enter itself
    ASSERT_TRUE(PumpUntil([&] { return q.Form("OneShotForm").empty(); }, 10000)) << "Enter did not close it";
    auto key = Settings();
    EXPECT_EQ(key->ReadString("OneShotCommand1"), "Q\\x0D");
    EXPECT_EQ(key->ReadString("OneShotCommand2"), longCommand + "\\x0D");
    EXPECT_EQ(key->ReadString("OneShotCommand3"), "GO TODAY\\x0D");
    EXPECT_EQ(key->ReadString("KeepAliveString"), "K\\x0D");
    EXPECT_EQ(key->TryReadInteger("KeepAliveInterval"), 1);
    ASSERT_TRUE(q.Focus(q.Window()));
    mark = host.Received().size();
    Press('1', kAlt);
    EXPECT_TRUE(host.Gets(mark, "Q\r"));

    Press(VK_OEM_3, kAlt);
    ASSERT_TRUE(q.WaitForForm("OneShotForm", FormShown, 10000, &f));
    EXPECT_EQ(f.at("ONESHOT_EDIT_SendInterval").text, "1");
    ASSERT_TRUE(q.SetText("ONESHOT_EDIT_Command1", "X"));
    Press(VK_ESCAPE);
    ASSERT_TRUE(PumpUntil([&] { return q.Form("OneShotForm").empty(); }, 10000)) << "Esc did not close it";
    EXPECT_EQ(Settings()->ReadString("OneShotCommand1"), "Q\\x0D");
    ASSERT_TRUE(q.Focus(q.Window()));
    mark = host.Received().size();
    Press('1', kAlt);
    EXPECT_TRUE(host.Gets(mark, "Q\r"));
    EXPECT_EQ(q.Close(), 0);
}

// "Enable Local Echo" while disconnected is the setting kept on exit; while connected it
// is this session's only. The paste item says what it does.
TEST(Commands, TogglesActOnTheSettingOrTheSession) {
    DeleteSettings();
    {
        QuiroProgram q;
        ASSERT_TRUE(q.Window());
        q.Click("MAIN_PMENU_LocalEcho");
        FormState f = q.Form("ConsoleForm");
        EXPECT_TRUE(f.at("MAIN_PMENU_LocalEcho").checked);
        EXPECT_EQ(f.at("MAIN_PMENU_ConsolePaste").text, "Send Text from Clipboard");
        EXPECT_EQ(q.Close(), 0);
    }
    EXPECT_EQ(Settings()->TryReadInteger("DoLocalEcho"), 1);

    RecordingHost host("ready\r\n");
    QuiroProgram q(Address(host));
    ProbeState s;
    ASSERT_TRUE(StartFocused(q, "ready", s));
    size_t mark = host.Received().size();
    TypeLetters("ab");
    ASSERT_TRUE(host.Gets(mark, "ab"));
    s = q.State();
    EXPECT_EQ(s.lines.back().text, "ab") << "echoed";
    q.Click("MAIN_PMENU_LocalEcho");
    EXPECT_FALSE(q.Form("ConsoleForm").at("MAIN_PMENU_LocalEcho").checked);
    mark = host.Received().size();
    TypeLetters("cd");
    ASSERT_TRUE(host.Gets(mark, "cd"));
    s = q.State();
    EXPECT_EQ(s.lines.back().text, "ab") << "not echoed";
    EXPECT_EQ(q.Close(), 0);
    EXPECT_EQ(Settings()->TryReadInteger("DoLocalEcho"), 1) << "the session's switch is not kept";
}

// The help file beside the program is a CHM with every page; the help button opens it, and
// a copy of the program without it says where it looked. The about box tells the version
// resource's FileVersion and closes on a key or a click. Alt+N starts another copy.
TEST(Commands, HelpAboutAndAnotherCopy) {
    DeleteSettings();
    const std::string chm = std::string(QUIRO_BINARY_DIR) + "/src/console/Quiro2.chm";
    ASSERT_NE(GetFileAttributesA(chm.c_str()), INVALID_FILE_ATTRIBUTES) << chm;
    HostFolder scratch;
    const std::string unixChm = chm.substr(2);  // without "Z:"
    const std::string listing = HostCommand(scratch, "chmls -n list '" + unixChm + "'");
    std::ifstream contents(std::string(QUIRO_SOURCE_DIR) + "/docs/help/Quiro2.hhc");
    std::string page, pages;
    for (std::string line; std::getline(contents, line);) {
        const size_t at = line.find("name=\"Local\" value=\"");
        if (at == std::string::npos) continue;
        page = line.substr(at + 20, line.find('"', at + 20) - at - 20);
        pages += page + " ";
        EXPECT_NE(listing.find("/" + page), std::string::npos) << page << " is not in the help file:\n" << listing;
    }
    EXPECT_GT(pages.size(), 100u) << pages;
    HostCommand(scratch, "chmls extract '" + unixChm + "' /index.html " + scratch.Dir() + "/index.html");
    std::ifstream source(std::string(QUIRO_SOURCE_DIR) + "/docs/help/index.html", std::ios::binary);
    EXPECT_EQ(scratch.Read("index.html"), std::string(std::istreambuf_iterator<char>(source), {}));

    {
        QuiroProgram q;
        ASSERT_TRUE(q.Window());
        const size_t viewers = Processes("hh.exe").size();
        q.ClickLater("MAIN_BTN_Help");
        std::vector<DWORD> running;
        EXPECT_TRUE(PumpUntil([&] { return (running = Processes("hh.exe")).size() > viewers; }, 20000))
            << "no help viewer started";
        EXPECT_EQ(q.OtherWindows(), 0) << "an error box is up";
        for (DWORD pid : running) EndProcess(pid);

        q.ClickLater("MAIN_BTN_About");
        FormState f;
        ASSERT_TRUE(q.WaitForForm("AboutBox", FormShown, 10000, &f));
        EXPECT_EQ(f.at("form").text, " About...");
        EXPECT_EQ(f.at("ABOUT_LB_Version").text, "Version 2.0.0");
        EXPECT_EQ(f.at("ABOUT_GoToURL").text, "https://www.example.org/quiro2/");
        Snapshot(q, " About...", f.at("form").rect, "about-box.bmp");
        Press(VK_SPACE);
        EXPECT_TRUE(PumpUntil([&] { return q.Form("AboutBox").empty(); }, 10000)) << "a key did not close it";
        q.ClickLater("MAIN_BTN_About");
        ASSERT_TRUE(q.WaitForForm("AboutBox", FormShown, 10000, &f));
        q.Click("ABOUT_LB_Version");
        EXPECT_TRUE(PumpUntil([&] { return q.Form("AboutBox").empty(); }, 10000)) << "a click did not close it";

        ASSERT_TRUE(q.Focus(q.Window()));
        Press('N', kAlt);
        OtherCopy other{q.Window()};
        EXPECT_TRUE(PumpUntil([&] { return !EnumWindows(&FindOtherCopy, reinterpret_cast<LPARAM>(&other)); }, 20000))
            << "no second window";
        if (other.found) {
            DWORD pid = 0;
            GetWindowThreadProcessId(other.found, &pid);
            HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
            PostMessageA(other.found, WM_CLOSE, 0, 0);
            EXPECT_EQ(WaitForSingleObject(process, 20000), WAIT_OBJECT_0) << "the second copy did not close";
            CloseHandle(process);
        }
        EXPECT_EQ(q.Close(), 0);
    }

    HostFolder elsewhere;
    QuiroProgram bare("", false, elsewhere.Path(""));
    ASSERT_TRUE(bare.Window());
    bare.ClickLater("MAIN_BTN_Help");
    HWND box = bare.WaitForDialog(10000);
    ASSERT_TRUE(box);
    DialogSeen seen = Answer(box, IDOK);
    EXPECT_EQ(seen.caption, " Quiro 2: Error - " + Backslashes(elsewhere.Path("Quiro2.chm")));
    EXPECT_NE(seen.text.find("Unable to locate Quiro2 help file."), std::string::npos) << seen.text;
    EXPECT_EQ(bare.Close(), 0);
}

// The host's printer-controller data as one raw job: a Wine printer writing to a file gets
// it byte for byte; a printer that refuses it leaves a status line naming the step and the
// file that keeps the data.
TEST(Printing, RawJobsIntoAWinePrinter) {
    DeleteSettings();
    HostFolder spool;
    const std::string printerName = "Quiro Console Test Printer";
    ASSERT_TRUE(quiro::test::SetFilePrinter(printerName, spool.Dir() + "/job.prn"));
    Settings()->WriteInteger("PrintType", 1);
    Settings()->WriteString("PrinterName", printerName);
    std::string data = "\x1B@page one\r\n";
    for (int i = 0; data.size() < 45000; ++i) data += char(i % 251 == 27 ? 'x' : i % 251);  // no ESC, no 0xFF
    data += "\x0C";
    RecordingHost host("ready\r\n");
    QuiroProgram q(Address(host));
    ProbeState s;
    ASSERT_TRUE(StartFocused(q, "ready", s));

    host.Send("\x1B[5i" + data + "\x1B[4iafter one\r\n");
    ASSERT_TRUE(q.WaitFor([](const ProbeState& st) { return st.Find("after one") >= 0; }, 20000, &s));
    EXPECT_TRUE(PumpUntil([&] { return spool.Read("job.prn") == data; }, 20000))
        << spool.Read("job.prn").size() << " of " << data.size() << " bytes printed";

    ASSERT_TRUE(quiro::test::SetFilePrinter(printerName, spool.Dir() + "/no such folder/job.prn"));
    host.Send("\x1B[5i" + data + "\x1B[4iafter two\r\n");
    ASSERT_TRUE(q.WaitFor([](const ProbeState& st) { return Shows(st, "The print data is kept in "); }, 20000, &s))
        << ::testing::PrintToString(s.Texts());
    EXPECT_TRUE(Shows(s, "[ Printing failed while ")) << ::testing::PrintToString(s.Texts());
    EXPECT_GE(s.Find("after two"), 0);
    std::string kept;
    for (const ProbeLine& l : s.lines)
        if (l.text.rfind("[ The print data is kept in ", 0) == 0) kept = l.text.substr(28, l.text.size() - 30);
    EXPECT_TRUE(FileBytes(kept) == data) << kept;
    DeleteFileA(kept.c_str());
    quiro::test::RemovePrinter(printerName);
    EXPECT_EQ(q.Close(), 0);
}

// A print file on a full disk (the host's device that refuses every write): the console
// says so and names the file, and the screen goes on after the job.
TEST(Printing, AFullPrintFileIsTold) {
    DeleteSettings();
    Settings()->WriteInteger("PrintType", 2);
    Settings()->WriteString("PrintFileName", "Z:\\dev\\full");
    RecordingHost host("ready\r\n");
    QuiroProgram q(Address(host));
    ProbeState s;
    ASSERT_TRUE(StartFocused(q, "ready", s));
    host.Send("\x1B[5i" + std::string(5000, 'p') + "\x1B[4iafter\r\n");
    ASSERT_TRUE(q.WaitFor([](const ProbeState& st) { return Shows(st, "[ Writing the print file failed: "); }, 20000,
                          &s))
        << ::testing::PrintToString(s.Texts());
    EXPECT_TRUE(Shows(s, "[ What was written before is kept in Z:\\dev\\full;")) << ::testing::PrintToString(s.Texts());
    EXPECT_GE(s.Find("after"), 0);
    EXPECT_EQ(q.Close(), 0);
}

// The host leaves a job open (no ESC [ 4 i) and the user quits: the job ends while the
// program is whole, held bytes and all, and the program ends cleanly. A printer takes it and
// the temporary file goes; a printer that refuses it is told at the close, and the data
// stays in the temporary file.
TEST(Printing, AJobLeftOpenEndsWhenTheProgramCloses) {
    char folder[MAX_PATH + 1] = {};
    GetTempPathA(sizeof folder, folder);
    auto printFiles = [&] {
        std::vector<std::string> names;
        WIN32_FIND_DATAA found;
        HANDLE find = FindFirstFileA((std::string(folder) + "Q2@*").c_str(), &found);
        for (BOOL more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileA(find, &found))
            names.push_back(std::string(folder) + found.cFileName);
        if (find != INVALID_HANDLE_VALUE) FindClose(find);
        return names;
    };
    HostFolder spool;
    const std::string printerName = "Quiro Console Test Printer";
    ASSERT_TRUE(quiro::test::SetFilePrinter(printerName, spool.Dir() + "/job.prn"));
    const std::string data = "\x1B" "E\x1B[4xopen job\r\n" + std::string(3000, 'j') + "\x1B";
    for (const bool printerTakesIt : {true, false}) {
        SCOPED_TRACE(printerTakesIt ? "a printer" : "no printer");
        DeleteSettings();
        Settings()->WriteInteger("PrintType", 1);
        Settings()->WriteString("PrinterName", printerTakesIt ? printerName : "No Such Quiro Printer");
        const std::vector<std::string> before = printFiles();
        RecordingHost host("ready\r\n");
        QuiroProgram q(Address(host));
        ProbeState s;
        ASSERT_TRUE(StartFocused(q, "ready", s));
        host.Send("\x1B[5i" + data);
        // The job's file holds all but the ESC that may begin the terminator.
        std::string job;
        ASSERT_TRUE(PumpUntil([&] {
            for (const std::string& name : printFiles())
                if (std::find(before.begin(), before.end(), name) == before.end()) job = name;
            return !job.empty() && FileBytes(job).size() == data.size() - 1;
        }, 20000)) << job;
        DialogSeen told;
        EXPECT_EQ(q.Close([&] {
            if (HWND box = printerTakesIt ? nullptr : q.WaitForDialog(10000)) told = Answer(box, IDOK);
        }), 0);
        if (printerTakesIt) {
            const std::string printed = spool.Read("job.prn");
            EXPECT_TRUE(printed == data) << printed.size() << " of " << data.size() << " bytes printed";
            EXPECT_EQ(GetFileAttributesA(job.c_str()), INVALID_FILE_ATTRIBUTES) << job;
        } else {
            EXPECT_EQ(told.caption, " Quiro 2: Warning");
            EXPECT_NE(told.text.find("The print data is kept in " + job), std::string::npos) << told.text;
            const std::string kept = FileBytes(job);
            EXPECT_TRUE(kept == data) << kept.size() << " of " << data.size() << " bytes kept";
            DeleteFileA(job.c_str());
        }
    }
    quiro::test::RemovePrinter(printerName);
}

// The syllable being typed goes out before the frames of a ZModem transfer started from the
// pop-up menu.
TEST(Mends, TheMenusZModemStartSendsTheSyllableFirst) {
    DeleteSettings();
    Settings()->WriteInteger("UseInternalFont", 1);
    RecordingHost host("ready\r\n");
    QuiroProgram q(Address(host));
    ProbeState s;
    ASSERT_TRUE(StartFocused(q, "ready", s));
    Press('H', kAlt);
    const size_t mark = host.Received().size();
    TypeLetters("gks");  // 2-set: the syllable HAN, still open
    ASSERT_TRUE(q.WaitFor([](const ProbeState& st) { return FromHex(st.Str("composingText")) == "\xC7\xD1"; },
                          5000, &s));
    q.Click("MAIN_PMENU_StartZModemDownload");
    // (The telnet options for the binary transfer come between.)
    ASSERT_TRUE(PumpUntil([&] { return host.Received().find("**\x18" "B01", mark) != std::string::npos; }, 10000));
    EXPECT_EQ(host.Received().substr(mark, 2), "\xC7\xD1") << ::testing::PrintToString(host.Received().substr(mark));
    q.Click("MAIN_BTN_ZCancel");
    EXPECT_EQ(q.Close(), 0);
}

// A window brought back from the task bar shows the transfer as it stands at once (the
// panel is not drawn while the window is minimized).
TEST(Mends, ARestoredWindowShowsTheTransferAtOnce) {
    DeleteSettings();
    TelnetHost host(kShellLogin);
    ASSERT_FALSE(host.Port().empty());
    CreateDirectoryA(host.Path("dl").c_str(), nullptr);
    Settings()->WriteString("DownloadDir", Backslashes(host.Path("dl")));
    QuiroProgram q("127.0.0.1:" + host.Port());
    ProbeState s;
    ASSERT_TRUE(q.WaitFor([](const ProbeState& st) { return !st.lines.empty() && st.lines.back().text == "$ "; },
                          30000, &s));
    ShowWindow(q.Window(), SW_MINIMIZE);
    q.Send("head -c 300000000 /dev/zero > big; sz -e big; rm big\r");
    // The download runs while the window is down; nothing of it is drawn.
    ASSERT_TRUE(q.WaitFor([](const ProbeState& st) { return std::stoll(st.Str("zmodemPosition")) > 1000000; }, 60000, &s))
        << ::testing::PrintToString(s.Texts());
    EXPECT_EQ(std::stoll("0" + s.Str("zmodemBytes")), 0) << "drawn while minimized";
    ShowWindow(q.Window(), SW_RESTORE);
    s = q.State();
    EXPECT_EQ(s.Int("transferRunning"), 1) << "over too soon";
    EXPECT_GT(std::stoll("0" + s.Str("zmodemBytes")), 1000000) << s.Str("zmodemPosition");
    q.Click("MAIN_BTN_ZCancel");
    EXPECT_EQ(q.Close(), 0);
}

// The keep-alive string reaches the host once a minute of silence has passed, never while
// a transfer runs: a download that stalls over the first due tick holds it back (the
// minute starts again then), and it comes a minute after that. The one slow test.
TEST(Commands, KeepAliveReachesTheHostButNotDuringATransfer) {
    DeleteSettings();
    Settings()->WriteInteger("KeepAliveInterval", 1);
    Settings()->WriteString("KeepAliveString", "K\\x0D");
    Settings()->WriteInteger("UseKeepAlive", 1);  // armed when the session starts
    RecordingHost host("ready\r\n");
    QuiroProgram q(Address(host));
    ProbeState s;
    ASSERT_TRUE(StartFocused(q, "ready", s));
    ASSERT_EQ(s.Int("keepAliveOn"), 1);
    const std::string armed = s.Str("keepAliveStamp");
    q.Click("MAIN_PMENU_StartZModemDownload");  // the host never answers: the download waits
    ASSERT_TRUE(q.WaitFor([](const ProbeState& st) { return st.Int("transferRunning") == 1; }, 10000, &s));
    ASSERT_TRUE(q.WaitFor([&](const ProbeState& st) { return st.Str("keepAliveStamp") != armed; }, 100000, &s))
        << "no tick came due";
    const DWORD renewed = GetTickCount();
    EXPECT_EQ(s.Int("transferRunning"), 1);
    EXPECT_EQ(host.Received().find("K\r"), std::string::npos) << "sent during the transfer";
    q.Click("MAIN_BTN_ZCancel");
    ASSERT_TRUE(PumpUntil([&] { return host.Received().find("K\r") != std::string::npos; }, 120000))
        << "never sent";
    const DWORD after = GetTickCount() - renewed;
    EXPECT_GE(after, 55000u);
    EXPECT_LE(after, 100000u);
    EXPECT_EQ(q.Close(), 0);
}
