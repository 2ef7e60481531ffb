// In-band pictures ("Image Pack") end to end: quiro_probe.exe against a scripted Image Pack
// host on 127.0.0.1 (a telnet session, so 0xFF travels doubled), with JPEG pictures made by
// cjpeg at test time; the viewer's Save As checked with ImageMagick's identify and file(1);
// and the ZModem picture after the ESC "&Q" handshake, sent by sz behind the telnet server.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <random>

#include "InputKit.h"

using namespace quiro::console::test;
using namespace quiro::comm::test;

namespace {

const std::string kReady = "\x01" "A#@\r", kTaken = "\x01" "D#@\r";

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
    return n;
}

// Runs a shell command line on the host system in `folder`; its standard output.
std::string RunHost(const HostFolder& folder, const std::string& command) {
    static int runs = 0;
    const std::string n = std::to_string(++runs);
    folder.Write("run" + n + ".sh", "cd " + folder.Dir() + " && { " + command + " ; } > out" + n + " 2>&1; echo $? > done" + n + "\n");
    std::string cmd = "/bin/sh " + folder.Dir() + "/run" + n + ".sh";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA("Z:/bin/sh", cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return "";
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    PumpUntil([&] { return !folder.Read("done" + n).empty(); }, 30000);
    return folder.Read("out" + n);
}

struct Rgb {
    int r, g, b;
};
// The picture's four quarters: red, green / blue, yellow.
const Rgb kQuarters[4] = {{230, 30, 30}, {30, 200, 40}, {30, 40, 220}, {240, 220, 30}};

// A w x h picture of four coloured quarters with a little noise, as cjpeg makes it.
std::string MakeJpeg(const HostFolder& folder, int w, int h, const std::string& options) {
    std::mt19937 rng{uint32_t(w * 31 + h)};
    std::string ppm = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Rgb& c = kQuarters[(y >= h / 2) * 2 + (x >= w / 2)];
            for (int v : {c.r, c.g, c.b}) ppm += char(std::clamp(v + int(rng() % 21) - 10, 0, 255));
        }
    folder.Write("in.ppm", ppm);
    RunHost(folder, "cjpeg " + options + " -outfile pic.jpg in.ppm");
    return folder.Read("pic.jpg");
}

// Data lines of `bytes`, `per` bytes each; control bytes and '#' escaped; 0xFF escaped too,
// or sent as it is (telnet then doubles it) with a telnet NOP in every line.
std::vector<std::string> DataLines(const std::string& bytes, size_t per, bool rawFF) {
    std::vector<std::string> lines;
    for (size_t at = 0; at < bytes.size(); at += per) {
        std::string line = "\x01" "D#@";
        for (unsigned char c : bytes.substr(at, per)) {
            if (c == 0xFF && rawFF) {
                line += "\xFF\xFF";
            } else if (c < 0x20 || c == '#' || c == 0xFF) {
                line += '#';
                line += c == '#' ? '#' : char(c ^ 0x40);
            } else {
                line += char(c);
            }
        }
        if (rawFF) line.insert(line.size() / 2, "\xFF\xF1");  // IAC NOP
        lines.push_back(line + "\r");
    }
    return lines;
}

// The scripted host: what it received, and one stream at a time.
struct Host {
    SOCKET s = INVALID_SOCKET;
    std::string got;
    bool WaitFor(const std::string& what, size_t count = 1, DWORD ms = 30000) {
        Receive(s, got, [&] { return Count(got, what) >= count; }, ms);
        return Count(got, what) >= count;
    }
    void Until(const std::atomic<bool>& flag) { Receive(s, got, [&] { return flag.load(); }, 120000); }
    // ESC % B 4 (and `start` with it), the lines each after the last one's answer (`first`
    // before the first, `afterFirst` run once it was answered), then the end. False when the
    // program stopped answering.
    bool Stream(const std::vector<std::string>& lines, const std::string& first = "", const std::string& start = "",
                const std::function<bool()>& afterFirst = nullptr) {
        const size_t ready = Count(got, kReady), taken = Count(got, kTaken);
        SendAll(s, "\x1b%B4" + start);
        if (!WaitFor(kReady, ready + 1)) return false;
        for (size_t i = 0; i < lines.size(); ++i) {
            SendAll(s, (i == 0 ? first : "") + lines[i]);
            if (!WaitFor(kTaken, taken + i + 1)) return false;
            if (i == 0 && afterFirst && !afterFirst()) return false;
        }
        SendAll(s, "\x01Z\r");
        return true;
    }
};

struct PictureSession {
    std::unique_ptr<QuiroProgram> q;
    ProbeState s;
    void Start(uint16_t port, int showImagePack = 1) {
        DeleteSettings();
        Settings()->WriteInteger("ShowImagePack", showImagePack);
        Settings()->WriteInteger("UseInternalFont", 1);
        q = std::make_unique<QuiroProgram>("127.0.0.1:" + std::to_string(port));
        ASSERT_TRUE(q->Window());
    }
    bool WaitFor(const std::function<bool(const ProbeState&)>& done, DWORD ms = 60000) {
        return q->WaitFor(done, ms, &s);
    }
};

bool Shows(const ProbeState& s, const std::string& text) {
    return std::any_of(s.lines.begin(), s.lines.end(),
                       [&](const ProbeLine& l) { return l.text.find(text) != std::string::npos; });
}

bool StreamOver(const ProbeState& s) {
    return s.fields.count("viewerVisible") && s.Int("transferRunning") == 0 && s.Int("imagePackArmed") == 0;
}

// The viewer below the cell's row, moved back only as far as the screen's work area needs.
void ExpectViewerAtCell(const ProbeState& s, int column, int row) {
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const int x = s.Int("paintBoxLeft") + 2 * GetSystemMetrics(SM_CXDLGFRAME) + column * s.Int("cellWidth");
    const int y = s.Int("paintBoxTop") + (row + 1) * s.Int("cellHeight");
    EXPECT_EQ(s.Int("viewerLeft"), std::max<int>(work.left, std::min<int>(x, work.right - s.Int("viewerWidth"))));
    EXPECT_EQ(s.Int("viewerTop"), std::max<int>(work.top, std::min<int>(y, work.bottom - s.Int("viewerHeight"))));
}

// Near one of the quarters' colours.
bool Near(uint32_t pixel, const Rgb& c) {
    const int r = int(pixel >> 16 & 255), g = int(pixel >> 8 & 255), b = int(pixel & 255);
    return std::abs(r - c.r) < 40 && std::abs(g - c.g) < 40 && std::abs(b - c.b) < 40;
}

// The in-band stream as a host sends it: the viewer at the host's cell, one answer per line,
// the picture shown whole above the buttons; Save As in every format of its list; the same
// stream with raw 0xFF (doubled on the wire) and telnet commands inside; Cancel and Close.
TEST(ImagePack, InBandPicturesThroughTheViewer) {
    HostFolder folder;
    const std::string jpeg = MakeJpeg(folder, 400, 240, "-quality 90 -progressive");
    ASSERT_GT(jpeg.size(), 8000u) << "cjpeg (libjpeg-turbo-progs) made no picture";
    std::atomic<bool> second{false}, third{false}, cancelled{false}, closeNow{false}, done{false};
    std::atomic<int> phase{0};
    TestServer server([&](SOCKET sock) {
        Host h;
        h.s = sock;
        SendAll(sock, "Image Pack host\r\n");
        if (!h.Stream(DataLines(jpeg, 1000, false), "\x01" "A#@3 10\r")) return;
        phase = 1;
        h.Until(second);
        // The terminal's own position command, with the stream's start: column first.
        if (!h.Stream(DataLines(jpeg, 1500, true), "", "\x01" "A#@10 3\r")) return;
        phase = 2;
        h.Until(third);
        // Cancel asks the host to stop; the host goes on until Close ends the stream.
        SendAll(sock, "\x1b%B4");
        if (!h.WaitFor(kReady, 3)) return;
        const std::vector<std::string> lines = DataLines(jpeg, 1000, false);
        SendAll(sock, lines[0]);
        phase = 3;
        if (!h.WaitFor("\x1b\x1b\x1b")) return;
        cancelled = true;
        SendAll(sock, lines[1]);
        if (!h.WaitFor(kTaken, Count(h.got, kTaken) + 1)) return;
        closeNow = true;
        if (!h.WaitFor("\x1b\x1b\x1b\r")) return;
        SendAll(sock, "after the pictures\r\n");
        h.Until(done);
    });
    PictureSession t;
    ASSERT_NO_FATAL_FAILURE(t.Start(server.Port()));

    ASSERT_TRUE(t.WaitFor([&](const ProbeState& s) { return phase >= 1 && StreamOver(s); }))
        << ::testing::PrintToString(t.s.Texts());
    ProbeState& s = t.s;
    // The picture ended: the main window is in front again with the keyboard on the console
    // (the viewer stays on top).
    EXPECT_TRUE(t.WaitFor([](const ProbeState& st) { return st.Str("focused") == "MAIN_PANEL_Console"; }, 5000))
        << s.Str("focused") << " in " << s.Str("activeWindow");
    EXPECT_EQ(s.Int("viewerVisible"), 1);
    EXPECT_EQ(s.Str("viewerCaption"), " View Image");
    EXPECT_EQ(s.Int("viewerPictureWidth"), 400);
    EXPECT_EQ(s.Int("viewerPictureHeight"), 240);
    EXPECT_EQ(s.Int("viewerClientWidth"), 400);
    EXPECT_EQ(s.Int("viewerClientHeight"), 240 + s.Int("viewerBarHeight"));
    EXPECT_EQ(s.Int("viewerCancelEnabled"), 0);
    EXPECT_EQ(s.Str("imageRow") + "," + s.Str("imageColumn"), "2,9") << "the stream's position \"3 10\"";
    // ESC % B 4 put the picture's cell at the start: below the first row.
    ExpectViewerAtCell(s, 0, 0);
    const RECT image = ControlRect(s, "VIEWIMG_Image");
    // The viewer paints the last picture when the system asks it to, which may come after
    // the state tells the stream is over.
    Picture shown;
    const auto quarterShows = [&](int q) {
        const int x = (q % 2 ? 3 : 1) * shown.width / 4, y = (q / 2 ? 3 : 1) * shown.height / 4;
        return Near(shown.pixels[size_t(y) * shown.width + x], kQuarters[q]);
    };
    PumpUntil([&] {
        shown = CaptureScreen(image);
        for (int q = 0; q < 4; ++q)
            if (!quarterShows(q)) return false;
        return true;
    }, 5000);
    for (int q = 0; q < 4; ++q) EXPECT_TRUE(quarterShows(q)) << "quarter " << q;
    RECT both{std::min<int>(image.left - 8, s.Int("mainLeft")), s.Int("mainTop"), image.right + 8, image.bottom + 60};
    CaptureScreen(both).SaveBmp("image_pack_viewer.bmp");

    // Save As: each name in its own format, read by independent readers.
    const struct {
        const char* name;
        const char* identify;  // ImageMagick's format, width and height at 96 dpi; "" for file(1)
    } saves[] = {{"a.jpg", "JPEG 400 240"}, {"a.jpeg", "JPEG 400 240"}, {"a.bmp", "BMP3 400 240"},
                 {"a.gif", "GIF 400 240"},  {"a.wmf", "WMF 400 240"},   {"a.emf", ""}};
    for (const auto& save : saves) {
        t.q->SavePicture(folder.Path(save.name));
        EXPECT_EQ(t.q->State().Str("viewerSaveResult"), "saved") << save.name;
        if (*save.identify)
            EXPECT_EQ(RunHost(folder, std::string("identify -density 96 -format '%m %w %h\\n' ") + save.name),
                      std::string(save.identify) + "\n");
        else
            EXPECT_NE(RunHost(folder, std::string("file -b ") + save.name).find("Enhanced Metafile"), std::string::npos);
    }
    EXPECT_TRUE(folder.Read("a.jpg") == jpeg) << "a JPEG keeps the host's bytes";
    for (const char* refused : {"a.ico", "a.png"}) {
        t.q->SavePicture(folder.Path(refused));
        EXPECT_NE(t.q->State().Str("viewerSaveResult"), "saved") << refused;
        EXPECT_EQ(folder.Read(refused), "") << refused;
    }
    // The same through the dialog, as the user does it.
    ProbeState before = t.q->State();
    const RECT saveAs = ControlRect(before, "VIEWIMG_BTN_SaveAs");
    t.q->Focus(FindWindowA(nullptr, " View Image"));
    Click((saveAs.left + saveAs.right) / 2, (saveAs.top + saveAs.bottom) / 2);
    HWND dialog = t.q->WaitForDialog(20000);
    ASSERT_TRUE(dialog) << "no save dialog";
    std::string dialogName = folder.Path("dialog.gif");
    std::replace(dialogName.begin(), dialogName.end(), '/', '\\');
    Answer(dialog, IDOK, dialogName);
    ASSERT_TRUE(PumpUntil([&] { return !folder.Read("dialog.gif").empty(); }, 20000));
    EXPECT_EQ(RunHost(folder, "identify -format '%m %w %h\\n' dialog.gif"), "GIF 400 240\n");

    // Closed with the mouse, the viewer gives the keyboard back to the console (not to the
    // capture editor, the next window); it opens again at the cell the next stream's start
    // names.
    t.q->Click("MAIN_BTN_Capture");
    ASSERT_TRUE(t.WaitFor([](const ProbeState& s) { return s.Int("editorVisible") == 1; }));
    const RECT close = ControlRect(s, "VIEWIMG_BTN_Close");
    t.q->Focus(FindWindowA(nullptr, " View Image"));
    Click((close.left + close.right) / 2, (close.top + close.bottom) / 2);
    ASSERT_TRUE(t.WaitFor([](const ProbeState& s) { return s.Int("viewerVisible") == 0; }));
    EXPECT_TRUE(t.WaitFor([](const ProbeState& st) { return st.Str("focused") == "MAIN_PANEL_Console"; }, 5000))
        << s.Str("focused") << " in " << s.Str("activeWindow");
    second = true;
    ASSERT_TRUE(t.WaitFor([&](const ProbeState& s) { return phase >= 2 && StreamOver(s); }))
        << ::testing::PrintToString(t.s.Texts());
    EXPECT_EQ(s.Int("viewerPictureWidth"), 400) << "0xFF doubled and telnet commands are not picture data";
    ExpectViewerAtCell(s, 9, 2);
    EXPECT_TRUE(folder.Read("a.jpg") == jpeg);

    third = true;
    ASSERT_TRUE(t.WaitFor([&](const ProbeState& s) { return phase >= 3 && s.Int("transferRunning") == 1; }));
    EXPECT_EQ(s.Int("viewerCancelEnabled"), 1);
    t.q->Click("VIEWIMG_BTN_Cancel");
    ASSERT_TRUE(PumpUntil([&] { return cancelled.load(); }, 30000)) << "no cancel reached the host";
    ASSERT_TRUE(PumpUntil([&] { return closeNow.load(); }, 30000));
    EXPECT_EQ(t.q->State().Int("transferRunning"), 1) << "Cancel leaves the end to the host";
    t.q->Click("VIEWIMG_BTN_Close");
    ASSERT_TRUE(t.WaitFor([](const ProbeState& s) { return Shows(s, "after the pictures"); }));
    EXPECT_TRUE(StreamOver(s));
    EXPECT_EQ(s.Int("viewerVisible"), 0);
    done = true;
}

// Pictures that break off or are damaged: the stream ends as usual, the program goes on.
TEST(ImagePack, DamagedPicturesKeepTheSessionGoing) {
    HostFolder folder;
    const std::string jpeg = MakeJpeg(folder, 320, 200, "-quality 85");
    std::string corrupt = jpeg;
    std::mt19937 rng(5);
    for (size_t i = corrupt.size() / 3; i < corrupt.size() / 2; ++i) corrupt[i] = char(rng());
    std::string garbage(6000, '\0');
    for (char& c : garbage) c = char(rng());
    std::atomic<int> phase{0};
    std::atomic<bool> next{false};
    TestServer server([&](SOCKET sock) {
        Host h;
        h.s = sock;
        for (const std::string* picture : std::initializer_list<const std::string*>{&jpeg, &garbage, &corrupt}) {
            const std::string bytes = picture == &jpeg ? jpeg.substr(0, jpeg.size() / 2) : *picture;
            if (!h.Stream(DataLines(bytes, 1000, false))) return;
            ++phase;
            h.Until(next);
            next = false;
        }
        SendAll(sock, "still here\r\n");
        h.Until(next);
        // The host goes away in the middle of a picture.
        SendAll(sock, "\x1b%B4");
        if (h.WaitFor(kReady, Count(h.got, kReady) + 1)) SendAll(sock, DataLines(jpeg, 1000, false)[0]);
        h.WaitFor(kTaken, Count(h.got, kTaken) + 1);
    });
    PictureSession t;
    ASSERT_NO_FATAL_FAILURE(t.Start(server.Port()));
    const int widths[] = {320, 0, 320};  // the half that came; nothing; what decodes
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(t.WaitFor([&](const ProbeState& s) { return phase > i && StreamOver(s); })) << "stream " << i;
        EXPECT_EQ(t.s.Int("viewerPictureWidth"), widths[i]) << "stream " << i;
        next = true;
    }
    ASSERT_TRUE(t.WaitFor([](const ProbeState& s) { return Shows(s, "still here"); }));
    next = true;
    // A session that ends under a picture ends the picture with it.
    ASSERT_TRUE(t.WaitFor([](const ProbeState& s) { return Ended(s); })) << ::testing::PrintToString(t.s.Texts());
    EXPECT_TRUE(StreamOver(t.s));
    EXPECT_EQ(t.s.Int("viewerCancelEnabled"), 0);
}

// A paste echoed while a picture streams is the user's text on the console, even one that
// carries an escape ending the terminal's picture mode: the picture streams on to its end
// and none of its lines reach the console. "Show Image Window" meanwhile leaves the viewer's
// Cancel (and so its Close) to the picture on its way.
TEST(ImagePack, EchoedPasteWhileAPictureStreams) {
    HostFolder folder;
    const std::string jpeg = MakeJpeg(folder, 240, 160, "-quality 85");
    ASSERT_GT(jpeg.size(), 3000u) << "cjpeg (libjpeg-turbo-progs) made no picture";
    std::atomic<int> phase{0};
    std::atomic<bool> done{false};
    TestServer server([&](SOCKET sock) {
        Host h;
        h.s = sock;
        const auto pasted = [&] {
            phase = 1;
            return h.WaitFor("pong");
        };
        if (!h.Stream(DataLines(jpeg, 1000, false), "", "", pasted)) return;
        phase = 2;
        h.Until(done);
    });
    PictureSession t;
    ASSERT_NO_FATAL_FAILURE(t.Start(server.Port()));
    ASSERT_TRUE(t.WaitFor([&](const ProbeState& s) { return phase >= 1 && s.Int("transferRunning") == 1; }));
    t.q->Click("MAIN_PMENU_ViewImageForm");
    EXPECT_EQ(t.q->State().Int("viewerCancelEnabled"), 1);
    t.q->Click("MAIN_PMENU_LocalEcho");
    ASSERT_TRUE(WithClipboard([](TClipboard& c) { c.SetAsUnicodeText(L"ping\x1b%B0pong"); }));
    t.q->Click("MAIN_PMENU_ConsolePaste");
    ASSERT_TRUE(t.WaitFor([&](const ProbeState& s) { return phase >= 2 && StreamOver(s); }))
        << ::testing::PrintToString(t.s.Texts());
    EXPECT_EQ(t.s.Int("viewerPictureWidth"), 240);
    EXPECT_TRUE(Shows(t.s, "pingpong"));
    EXPECT_FALSE(Shows(t.s, "D#@")) << ::testing::PrintToString(t.s.Texts());
    done = true;
}

// With ShowImagePack 0 the program does not answer: the stream's start and the picture
// announcement are the terminal's, and nothing goes back before the user's own "ping".
TEST(ImagePack, SwitchedOffTheHostGetsNoAnswer) {
    std::atomic<bool> shown{false}, pinged{false};
    std::string got;
    TestServer server([&](SOCKET sock) {
        SendAll(sock, "\x1b%B4" "armed?\r\n");
        Receive(sock, got, [&] { return shown.load(); }, 60000);
        SendAll(sock, "\x1b&Qshown as text\r\n");
        Receive(sock, got, [&] { return got.find("ping") != std::string::npos; }, 60000);
        pinged = true;
    });
    PictureSession t;
    ASSERT_NO_FATAL_FAILURE(t.Start(server.Port(), 0));
    ASSERT_TRUE(t.WaitFor([](const ProbeState& s) { return Shows(s, "armed?"); }));
    shown = true;
    ASSERT_TRUE(t.WaitFor([](const ProbeState& s) { return Shows(s, "shown as text"); }));
    t.q->Send("ping");
    ASSERT_TRUE(PumpUntil([&] { return pinged.load(); }, 30000));
    const std::string before = got.substr(0, got.find("ping"));
    EXPECT_EQ(before.find('\x01'), std::string::npos) << "no stream answer";
    EXPECT_EQ(before.find("\x1b&3"), std::string::npos) << "no download answer";
    EXPECT_EQ(t.s.Int("viewerVisible"), 0);
}

// ESC "&Q", the answer, then sz: the picture lands in the temporary folder under a name of
// its own (a file of the host's name there stays), shows in the viewer and is removed.
TEST(ImagePack, ZModemPictureAfterTheHandshake) {
    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof temp, temp);
    const std::string mine = std::string(temp) + "pic.jpg";
    std::ofstream(mine, std::ios::binary) << "keep me";
    TelnetHost host("stty -echo\nprintf 'ready\\r\\n'\nread go\nprintf '\\033&Q'\nread reply\n"
                    "printf '%s' \"$reply\" | od -An -tx1 > reply.hex\nsz -e pic.jpg\nprintf 'after\\r\\n'\nread end\n");
    ASSERT_FALSE(host.Port().empty());
    const std::string jpeg = MakeJpeg(host, 300, 180, "-quality 85");
    ASSERT_FALSE(jpeg.empty());
    DeleteSettings();
    Settings()->WriteInteger("ShowImagePack", 1);
    Settings()->WriteInteger("ZModemAutoDetect", 0);  // the handshake alone makes it a picture
    QuiroProgram q("127.0.0.1:" + host.Port());
    ASSERT_TRUE(q.Window());
    ProbeState s;
    ASSERT_TRUE(q.WaitFor([](const ProbeState& s) { return Shows(s, "ready"); }, 30000, &s));
    q.Send("go\r");
    ASSERT_TRUE(q.WaitFor([](const ProbeState& s) { return Shows(s, "after"); }, 60000, &s))
        << ::testing::PrintToString(s.Texts());
    EXPECT_EQ(host.Read("reply.hex").find(" 1b 26 33"), 0u) << host.Read("reply.hex");
    EXPECT_EQ(s.Int("viewerVisible"), 1);
    EXPECT_EQ(s.Int("viewerPictureWidth"), 300);
    EXPECT_EQ(s.Str("viewerCaption"), " View Image");
    EXPECT_EQ(s.Int("imagePositionFlag"), 0);
    EXPECT_EQ(s.Int("transferRunning"), 0);
    std::ifstream kept(mine, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "keep me");
    kept.close();
    EXPECT_EQ(GetFileAttributesA((std::string(temp) + "pic_1.jpg").c_str()), INVALID_FILE_ATTRIBUTES)
        << "the downloaded picture is removed";
    DeleteFileA(mine.c_str());
    q.Send("\r");
}

}  // namespace
