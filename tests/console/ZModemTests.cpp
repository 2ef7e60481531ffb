// ZModem transfers of the program under Wine, with lrzsz's sz and rz in a shell behind the
// inetutils telnet server: downloads the host starts, uploads its receiver asks for, a
// cancel and its quiet period, a host that goes silent, and auto-detection switched off.
// Last, sz on the far end of a serial line.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <regex>

#include "ProgramKit.h"
#include "SessionKit.h"
#include "comm/CommTestKit.h"
#include "comm/SerialPair.h"
#include "controls/FileUtil.h"
#include "framework/core/SysUtils.h"

using namespace quiro::console::test;
using namespace quiro::comm::test;

namespace {

const std::string kAbort = std::string(10, '\x18') + std::string(10, '\x08');

std::string Windows(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

// A line of the console holds `text`.
bool Shows(const ProbeState& s, const std::string& text) {
    return std::any_of(s.lines.begin(), s.lines.end(),
                       [&](const ProbeLine& l) { return l.text.find(text) != std::string::npos; });
}

// rz's last line ends in a CR: the commands after rz begin with an echo.
bool Prompt(const ProbeState& s) { return !s.lines.empty() && s.lines.back().text == "$ "; }

// The finish box: what it said, then closed.
DialogSeen FinishBox(QuiroProgram& q) {
    HWND box = q.WaitForDialog(60000);
    EXPECT_TRUE(box) << "no finish box";
    return box ? Answer(box, IDOK) : DialogSeen{};
}

// The program connected to a shell on the host, its settings written first.
struct Session {
    TelnetHost host{kShellLogin};
    std::unique_ptr<QuiroProgram> q;
    ProbeState s;
    std::string address;

    void Start() {
        ASSERT_FALSE(host.Port().empty());
        address = "127.0.0.1:" + host.Port();
        q = std::make_unique<QuiroProgram>(address);
        ASSERT_TRUE(q->Window());
        ASSERT_TRUE(q->WaitFor(Prompt, 30000, &s)) << ::testing::PrintToString(s.Texts());
    }
    // Types a command line to the shell.
    void Type(const std::string& line) { q->Send(line + "\r"); }
    bool WaitFor(const std::function<bool(const ProbeState&)>& done, DWORD ms = 60000) {
        return q->WaitFor(done, ms, &s);
    }
    DialogSeen FinishBox() { return ::FinishBox(*q); }
};

// The host sends a batch with sz (an empty file, 3 MB of every byte value, a text): the
// download starts by itself without showing the "rz" line and every file lands whole in
// the download folder, then in the program's folder once that folder is gone. The host's
// rz opens the file dialog: the chosen file reaches it whole; a cancelled dialog sends the
// abort string. Last, sz's closing frames and the host's text come in one write: the text
// is shown, and only then does "Auto Disconnect" end the session.
TEST(ZModem, DownloadsAndUploadsThroughTheTelnetServer) {
    DeleteSettings();
    Session t;
    const std::string bytes = PatternBytes(3 << 20, 11);
    std::string plain;
    while (plain.size() < (1 << 20)) plain += "a line of plain text, lower case only " + std::to_string(plain.size()) + "\n";
    t.host.Write("empty", "");
    t.host.Write("bytes.bin", bytes);
    t.host.Write("notes.txt", "notes\r\n");
    t.host.Write("plain.txt", plain);
    const std::string upload = PatternBytes(40000, 12);
    CreateDirectoryA(t.host.Path("outbox").c_str(), nullptr);
    CreateDirectoryA(t.host.Path("inbox").c_str(), nullptr);
    CreateDirectoryA(t.host.Path("dl").c_str(), nullptr);
    t.host.Write("outbox/upload.bin", upload);
    const std::string fallback = "zmodem-fallback-" + std::to_string(GetCurrentProcessId()) + ".txt";
    t.host.Write(fallback, "into the program's folder\r\n");
    const std::string downloads = Windows(t.host.Path("dl"));
    Settings()->WriteString("DownloadDir", downloads);
    Settings()->WriteString("UploadDir", Windows(t.host.Path("outbox")));
    Settings()->WriteInteger("ZModemShowFinishDialog", 1);
    ASSERT_NO_FATAL_FAILURE(t.Start());
    const std::string connection = " [" + t.address + "]";

    t.Type("sz -e empty bytes.bin notes.txt");
    DialogSeen box = t.FinishBox();
    EXPECT_EQ(box.caption, "DONE: notes.txt" + connection);
    EXPECT_EQ(box.text, "File Transfer Done!");
    ASSERT_TRUE(t.WaitFor(Prompt)) << ::testing::PrintToString(t.s.Texts());
    EXPECT_EQ(FileBytes(downloads + "\\empty"), "");
    EXPECT_TRUE(FileBytes(downloads + "\\bytes.bin") == bytes);
    EXPECT_EQ(FileBytes(downloads + "\\notes.txt"), "notes\r\n");
    for (const ProbeLine& l : t.s.lines) {
        EXPECT_NE(l.text.rfind("rz", 0), 0u) << "the sender's rz line is shown";
        EXPECT_EQ(l.text.find("[ ZModem"), std::string::npos) << l.text;
    }
    EXPECT_EQ(t.s.Str("transferRunning") + t.s.Str("zmodemPanel"), "00");
    EXPECT_EQ(t.s.Str("caption"), "Quiro 2 [ " + t.address + " ]");

    t.Type("cd inbox; rz; echo; cd ..");
    HWND dialog = t.q->WaitForDialog(30000);
    ASSERT_TRUE(dialog) << "no file dialog";
    Answer(dialog, IDOK, Windows(t.host.Path("outbox/upload.bin")));
    ASSERT_TRUE(t.WaitFor([](const ProbeState& s) { return s.Int("zmodemPanel") == 1; }));
    EXPECT_EQ(t.s.Str("zmodemBytesTitle"), "Bytes Sent");
    // The file goes by its short name.
    char shortPath[MAX_PATH] = {};
    GetShortPathNameA(Windows(t.host.Path("outbox/upload.bin")).c_str(), shortPath, sizeof shortPath);
    const std::string sent = ExtractFileName(shortPath);
    box = t.FinishBox();
    EXPECT_EQ(box.caption, "DONE: " + sent + connection);
    ASSERT_TRUE(t.WaitFor(Prompt)) << ::testing::PrintToString(t.s.Texts());
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA(Windows(t.host.Path("inbox/*")).c_str(), &found);
    while (search != INVALID_HANDLE_VALUE && found.cFileName[0] == '.' && FindNextFileA(search, &found)) {
    }
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    FindClose(search);
    EXPECT_EQ(AnsiCompareText(found.cFileName, sent), 0) << found.cFileName;
    EXPECT_TRUE(t.host.Read(std::string("inbox/") + found.cFileName) == upload) << found.cFileName;

    ClearDir(downloads, true);
    t.Type("sz -e " + fallback);
    t.FinishBox();
    const std::string programFolderCopy = std::string(QUIRO_BINARY_DIR) + "/src/console/" + fallback;
    EXPECT_EQ(FileBytes(programFolderCopy), "into the program's folder\r\n");
    DeleteFileA(programFolderCopy.c_str());
    CreateDirectoryA(downloads.c_str(), nullptr);
    ASSERT_TRUE(t.WaitFor(Prompt)) << ::testing::PrintToString(t.s.Texts());

    t.Type("stty raw -echo; tee got.bin | rz; stty sane; echo");
    dialog = t.q->WaitForDialog(30000);
    ASSERT_TRUE(dialog) << "no file dialog";
    Answer(dialog, IDCANCEL);
    EXPECT_TRUE(PumpUntil([&] { return t.host.Read("got.bin").size() >= kAbort.size(); }, 20000));
    EXPECT_EQ(t.host.Read("got.bin"), kAbort);
    // rz may still be ending when its abort is in the file; tee ends on the first byte it
    // writes after rz has gone.
    bool back = false;
    for (int i = 0; i < 30 && !back; ++i) {
        t.q->Send("\r");
        back = t.WaitFor(Prompt, 2000);
    }
    ASSERT_TRUE(back) << ::testing::PrintToString(t.s.Texts());

    // The filter holds back the closing "OO" until sz has ended, then writes it with the
    // text at once; it paces the transfer so that the check box can be ticked meanwhile.
    t.Type("sz -e plain.txt 2>/dev/null | perl -e '$h = \"\"; while (sysread(STDIN, $b, 4096)) { $b = $h . $b; $h = \"\";"
           " if ($b =~ /OO\\z/) { $h = $b } else { syswrite(STDOUT, $b); select(undef, undef, undef, 0.01) } }"
           " syswrite(STDOUT, $h . \"text after the transfer\\r\\n\")'");
    ASSERT_TRUE(t.WaitFor([](const ProbeState& s) { return s.Int("transferRunning") == 1; }));
    t.q->Click("MAIN_ZCB_AutoDisconnect");
    ASSERT_TRUE(t.WaitFor([](const ProbeState& s) {
        return s.Int("connected") == 0 && s.Find("Connection closed...") >= 0;
    })) << ::testing::PrintToString(t.s.Texts());
    int text = t.s.Find("text after the transfer");
    EXPECT_GE(text, 0) << ::testing::PrintToString(t.s.Texts());
    EXPECT_LT(text, t.s.Find("Connection closed..."));
    EXPECT_TRUE(FileBytes(downloads + "\\plain.txt") == plain);
    box = t.FinishBox();
    EXPECT_EQ(box.caption, "DONE: plain.txt" + connection);
    EXPECT_EQ(t.q->Close(), 0);
}

// A download cancelled in its middle: the panel showed its progress; "Please WAIT" is
// shown, what the sender still sends is swallowed (each block of 257 bytes or more answered
// with the abort string) until the line has been quiet, then a CR wakes the host. Then a
// host that stops sending in the middle of a file: the transfer times out and says so.
TEST(ZModem, CancelledDownloadAndASilentHost) {
    DeleteSettings();
    Session t;
    const std::string big = PatternBytes(3 << 20, 13);
    t.host.Write("big.bin", big);
    t.host.Write("silent.bin", big);
    t.host.Write("cancel.sh",
                 "stty raw -echo\n"
                 "sz -e big.bin 2>/dev/null | perl -e 'while (sysread(STDIN, $b, 4096)) { syswrite(STDOUT, $b);"
                 " select(undef, undef, undef, 0.01) }'\n"
                 // What arrives once sz has ended, up to the CR that ends the quiet period.
                 "perl -e 'open(F, \">after.bin\"); while (sysread(STDIN, $c, 1)) { syswrite(F, $c);"
                 " last if $c eq \"\\r\" }'\n"
                 "stty sane\n"
                 "echo quiet period over\n");
    CreateDirectoryA(t.host.Path("dl").c_str(), nullptr);
    const std::string downloads = Windows(t.host.Path("dl"));
    Settings()->WriteString("DownloadDir", downloads);
    Settings()->WriteInteger("ZModemShowFinishDialog", 1);
    ASSERT_NO_FATAL_FAILURE(t.Start());

    t.Type("sh cancel.sh");
    ASSERT_TRUE(t.WaitFor([](const ProbeState& s) {
        return s.Int("zmodemPanel") == 1 && !s.Str("zmodemBytes").empty() && std::stoll(s.Str("zmodemBytes")) >= 65536;
    })) << ::testing::PrintToString(t.s.Texts());
    EXPECT_EQ(t.s.Str("zmodemDirectory"), downloads);
    EXPECT_EQ(t.s.Str("zmodemFileName"), "big.bin [1/1]");
    EXPECT_EQ(t.s.Str("zmodemFileSize"), std::to_string(big.size()));
    EXPECT_EQ(t.s.Str("zmodemBytesTitle"), "Bytes Received");
    EXPECT_TRUE(std::regex_match(t.s.Str("caption"),
                                 std::regex("[0-9]+% big\\.bin \\[1/1\\] \\[ 127\\.0\\.0\\.1:[0-9]+ \\]")))
        << t.s.Str("caption");

    t.q->Click("MAIN_BTN_ZCancel");
    DialogSeen box = t.FinishBox();
    EXPECT_EQ(box.caption, "CANCELLED: big.bin [" + t.address + "]");
    EXPECT_EQ(box.text, "File Transfer Cancelled!");
    ASSERT_TRUE(t.WaitFor([](const ProbeState& s) { return s.Find("quiet period over") >= 0; }))
        << ::testing::PrintToString(t.s.Texts());
    int wait = t.s.Find("[ Please WAIT... Cancelling ZModem ]");
    ASSERT_GE(wait, 1);
    EXPECT_EQ(t.s.lines[size_t(wait - 1)].text, "");
    EXPECT_EQ(t.s.lines[size_t(wait + 1)].text, "quiet period over") << "swallowed data was shown";
    EXPECT_EQ(t.s.Str("transferRunning") + t.s.Str("zmodemPanel") + t.s.Str("zmodemCancelPending"), "000");
    const std::string after = t.host.Read("after.bin");
    ASSERT_GT(after.size(), 2 * kAbort.size()) << "no block was answered";
    EXPECT_EQ(after.substr(after.size() - kAbort.size() - 1), kAbort + "\r");
    EXPECT_EQ(after.find_first_not_of("\x18\x08"), after.size() - 1);
    ASSERT_TRUE(t.WaitFor(Prompt)) << ::testing::PrintToString(t.s.Texts());

    t.q->SetClockScale(20);  // the engine's eleven time-outs of ten seconds come sooner
    t.Type("stty raw -echo; sz -e silent.bin 2>/dev/null | perl -e '$n = 0; while ($n < 300000 &&"
           " sysread(STDIN, $b, 4096)) { syswrite(STDOUT, $b); $n += length $b } sleep 600'");
    box = t.FinishBox();
    EXPECT_EQ(box.caption, "FAILED: silent.bin [" + t.address + "]");
    box.text.erase(std::remove(box.text.begin(), box.text.end(), '\r'), box.text.end());
    EXPECT_EQ(box.text, "File Transfer Failed!\n\n[ ZModem - Timed Out ]");
    t.s = t.q->State();
    int timedOut = t.s.Find("[ ZModem - Timed Out ]");
    ASSERT_GE(timedOut, 1) << ::testing::PrintToString(t.s.Texts());
    EXPECT_EQ(t.s.lines[size_t(timedOut - 1)].text, "");
    EXPECT_EQ(t.s.Str("transferRunning") + t.s.Str("zmodemPanel"), "00");
    EXPECT_EQ(t.q->Close(), 0);
}

// With "ZModemAutoDetect" off no trigger waits for a receiver, and the host's rz opens no
// dialog; a download started from the console's menu takes what the host's sz sends.
TEST(ZModem, AutoDetectOffLeavesTheHostsReceiverAlone) {
    DeleteSettings();
    Settings()->WriteInteger("ZModemAutoDetect", 0);
    Session t;
    CreateDirectoryA(t.host.Path("dl").c_str(), nullptr);
    Settings()->WriteString("DownloadDir", Windows(t.host.Path("dl")));
    t.host.Write("menu.txt", "by the menu\r\n");
    ASSERT_NO_FATAL_FAILURE(t.Start());
    EXPECT_EQ(t.s.Int("zmodemTrigger"), 0);
    t.Type("rz; echo");
    ASSERT_TRUE(t.WaitFor([](const ProbeState& s) { return Shows(s, "**B0100000023be50"); }))
        << ::testing::PrintToString(t.s.Texts());
    t.q->Send(kAbort);  // rz gives up; the shell prompts again
    ASSERT_TRUE(t.WaitFor(Prompt)) << ::testing::PrintToString(t.s.Texts());
    EXPECT_EQ(t.q->OtherWindows(), 0);
    EXPECT_EQ(t.s.Int("transferRunning"), 0);

    t.Type("sz -e menu.txt");  // its ZRQINIT shows, as text
    ASSERT_TRUE(t.WaitFor([](const ProbeState& s) { return Shows(s, "0000000000000"); }))
        << ::testing::PrintToString(t.s.Texts());
    t.q->Click("MAIN_PMENU_StartZModemDownload");
    ASSERT_TRUE(t.WaitFor([](const ProbeState& s) { return s.Int("transferRunning") == 0; }));
    EXPECT_EQ(FileBytes(Windows(t.host.Path("dl/menu.txt"))), "by the menu\r\n");
    EXPECT_EQ(t.q->Close(), 0);
}

// The host's sz holds the far end of a serial line whose near end is the program's COM5:
// with no telnet layer on the road, the download starts by itself and every byte value
// (sent unescaped, 0xFF among them) lands as it was sent.
TEST(ZModem, DownloadOverASerialLine) {
    TSerialPair pair(5, 6);
    ASSERT_TRUE(pair.Ready());
    DeleteSettings();
    HostFolder host;
    const std::string bytes = PatternBytes(300000, 14);
    host.Write("bytes.bin", bytes);
    host.Write("notes.txt", "over the line\r\n");
    CreateDirectoryA(host.Path("dl").c_str(), nullptr);
    const std::string downloads = Windows(host.Path("dl"));
    Settings()->WriteString("DownloadDir", downloads);
    Settings()->WriteInteger("ZModemShowFinishDialog", 1);
    QuiroProgram q;
    ASSERT_TRUE(q.Window());
    ProbeState s;
    q.Connect("com://5");
    ASSERT_TRUE(q.WaitFor(Com5Ready, 20000, &s)) << ::testing::PrintToString(s.Texts());

    const std::string line = pair.FarDevice();
    ASSERT_TRUE(RunHost("cd " + host.Dir() + " && sz bytes.bin notes.txt <" + line + " >" + line +
                        " 2>sz.log; echo $? >sz.status"));
    DialogSeen box = FinishBox(q);
    EXPECT_EQ(box.caption, "DONE: notes.txt [com://5]");
    EXPECT_EQ(box.text, "File Transfer Done!");
    EXPECT_TRUE(PumpUntil([&] { return !host.Read("sz.status").empty(); }, 20000));
    EXPECT_EQ(host.Read("sz.status"), "0\n") << host.Read("sz.log");
    EXPECT_TRUE(FileBytes(downloads + "\\bytes.bin") == bytes);
    EXPECT_EQ(FileBytes(downloads + "\\notes.txt"), "over the line\r\n");
    s = q.State();
    // Nothing of the sender shows: its "rz" was blanked where it stood.
    const std::vector<std::string> texts = s.Texts();
    ASSERT_GE(texts.size(), 2u);
    EXPECT_EQ(std::vector<std::string>(texts.end() - 2, texts.end()), (std::vector<std::string>{"COM5 Ready!", "  "}))
        << ::testing::PrintToString(texts);
    EXPECT_EQ(s.Str("transferRunning") + s.Str("zmodemPanel") + s.Str("caption"), "00Quiro 2 [ com://5 ]");
    EXPECT_EQ(q.Close(), 0);
}

}  // namespace
