// The terminal engine wired to its side channels and to the telnet object, fed through
// ProcessReceived as the main window feeds it: what reaches the print files, the capture
// editor, the picture cell, the memo window and the line.
#include "engines/core/DravelTerminal.h"
#include "engines/core/TerminalSideChannels.h"
#include "engines/core/TerminalTelnetAdapter.h"

#include <gtest/gtest.h>

#include "engines/core/FakePrinterOutlet.h"
#include "engines/core/ZModemTestKit.h"

#include <algorithm>
#include <deque>
#include <memory>
#include <string>
#include <vector>

using namespace std::string_literals;

namespace {

struct Editor : CaptureSink {
    std::vector<std::string> inserts;
    void InsertCaptureText(std::string_view text) override { inserts.emplace_back(text); }
};

struct Memo : MemoOutlet {
    std::vector<std::string> lines;
    void ShowOnLineMemo(const std::string& line) override { lines.push_back(line); }
};

struct Session {
    ScreenModel screen;
    FakePrinterOutlet files;
    Editor editor;
    Memo memo;
    zmtest::FakeLine line;
    TerminalSideChannels side{&editor, &files};
    TerminalTelnetAdapter telnet{&line};
    TDravelTerminal term{screen, ColorIndexToColor(15), ColorIndexToColor(4)};

    explicit Session(bool winsock = false)
    {
        line.winsock = winsock;
        TerminalOutlets o;
        side.Attach(o);
        o.TelnetHost = &telnet;
        term.SetOutlets(o);
        side.SetMemoOutlet(&memo);
        side.SetCaptureClock([] { return CaptureTime{2026, 12, 6, 21, 40, 0}; });
        side.SetPrintFileName("\"C:\\out.prn\"");
        term.ResetTerminal(ColorIndexToColor(15), ColorIndexToColor(4));
    }
    void Feed(const std::vector<std::string>& blocks)
    {
        for (const std::string& b : blocks)
            term.ProcessReceived(0, b);
    }
    std::string Row(int r) const
    {
        const int line = screen.ScreenTop + r;
        return line < screen.LineCount() ? screen.Text(line) : std::string();
    }
};

// The stream whole, cut in two at every point, and one byte per block.
std::vector<std::vector<std::string>> Splits(const std::string& s)
{
    std::vector<std::vector<std::string>> all;
    for (size_t i = 0; i <= s.size(); ++i)
        all.push_back({s.substr(0, i), s.substr(i)});
    std::vector<std::string> bytes;
    for (char c : s)
        bytes.emplace_back(1, c);
    all.push_back(bytes);
    return all;
}

const std::string kTemp = "C:\\TEMP\\Q2@1.tmp";

struct PrintCase {
    const char* name;
    int mode;
    std::string stream, file, row;
};

TEST(TerminalSideChannels, PrinterControllerTakesTheDataByteForByte)
{
    // How the controller matches its terminator is its own table (PrinterControllerTests);
    // here the terminal, the side channels and the controller are joined.
    const PrintCase cases[] = {
        {"named file, any byte, text around", 2, "ab\x1b[5icd\x1b[1m\r\n\x07\x00\xff\x1b[4ief"s,
         "cd\x1b[1m\r\n\x07\x00\xff"s, "abef"},
        {"temporary file", 1, "\x1b[5iabc\x1b[4iafter", "abc", "after"},
    };
    for (const PrintCase& c : cases) {
        for (const auto& blocks : Splits(c.stream)) {
            Session s;
            s.term.PrintMode = c.mode;
            s.Feed(blocks);
            const std::string where = std::string(c.name) + ", first block " + std::to_string(blocks[0].size());
            EXPECT_EQ(s.Row(0), c.row) << where;
            EXPECT_EQ(s.term.ReceiveMode(), TDravelTerminal::ModeNormal) << where;
            const std::vector<std::string> log =
                c.mode == 1 ? std::vector<std::string>{"close " + kTemp, "print " + kTemp + ": " + c.file, "delete " + kTemp}
                            : std::vector<std::string>{"close C:\\out.prn"};
            EXPECT_EQ(s.files.log, log) << where;
            EXPECT_EQ(s.files.files["C:\\out.prn"], c.mode == 2 ? c.file : "") << where;
        }
    }
}

TEST(TerminalSideChannels, PrintDataGoesToTheFileAsOneWrite)
{
    // A block of print data is one write, not one per byte nor one per escape that proves to
    // be data (printer languages are full of them); a hex capture still dumps every byte.
    std::string escapes;
    for (int i = 0; i < 500; ++i)
        escapes += "\x1b" "Eab";
    const std::string datas[] = {std::string(3000, 'p'), escapes, "\x1b[4x\x1b\x1b[" + escapes + "\x1b[4"};
    for (const std::string& data : datas) {
        Session s;
        s.term.PrintMode = 2;
        s.term.CaptureOn = 1;
        s.term.HexCapture = 1;
        s.Feed({"\x1b[5i" + data + "\x1b[4i"});
        EXPECT_EQ(s.files.files["C:\\out.prn"], data);
        EXPECT_EQ(s.files.writes, 1u) << data.size() << " bytes";
        ASSERT_EQ(s.editor.inserts.size(), 1u);
        // The header, a line per 16 bytes received and the blank line that ends the block.
        const size_t received = data.size() + 8;
        EXPECT_EQ(std::count(s.editor.inserts[0].begin(), s.editor.inserts[0].end(), '\r'),
                  long(1 + (received + 15) / 16 + 1));
    }
}

TEST(TerminalSideChannels, PrinterControllerThatCannotStartOrIsReset)
{
    // Printing off, or a print file that cannot be made: the data shows on the screen.
    for (int mode : {0, 2}) {
        Session s;
        s.term.PrintMode = mode;
        s.files.failCreate = mode == 2;
        s.Feed({"\x1b[5iabc\x1b[4i"});
        EXPECT_EQ(s.Row(0), "abc");
        EXPECT_TRUE(s.files.log.empty());
    }
    // Reset while printing: the held bytes are kept, the temporary file printed and removed,
    // and the screen takes the data again.
    Session s;
    s.term.PrintMode = 1;
    s.Feed({"\x1b[5iabc\x1b["});
    ASSERT_TRUE(s.side.Printing());
    s.term.ResetTerminal(ColorIndexToColor(15), ColorIndexToColor(4));
    EXPECT_EQ(s.files.log, (std::vector<std::string>{"close " + kTemp, "print " + kTemp + ": abc\x1b[", "delete " + kTemp}));
    s.Feed({"x"});
    EXPECT_EQ(s.Row(0), "x");
}

TEST(TerminalSideChannels, GoingAwayWithAJobOpenReachesNothingOfTheOwner)
{
    // The main window's members in their order: the print files, the side channels and the
    // queue a print job's report goes to, which goes first. A job still open when they go
    // keeps its data in its file, closed, and is not printed: the report of a print that
    // failed would go into the queue that is gone.
    struct Files : FakePrinterOutlet {
        std::deque<std::string>* reports = nullptr;
        bool PrintRawFile(const std::string& name) override
        {
            reports->push_back("not printed, kept in " + name);
            return false;
        }
    } files;
    struct Window {
        explicit Window(Files& f) : side(nullptr, &f) { f.reports = &reports; }
        TerminalSideChannels side;
        std::deque<std::string> reports;
    };
    auto window = std::make_unique<Window>(files);
    ASSERT_TRUE(window->side.OpenPrintFile(1));
    bool finished = false;
    window->side.PrinterControllerData(reinterpret_cast<const uint8_t*>("abc\x1b["), 5, &finished);
    window.reset();
    EXPECT_EQ(files.log, std::vector<std::string>{"close " + kTemp});
    EXPECT_EQ(files.files[kTemp], "abc\x1b[");
}

TEST(TerminalSideChannels, TextCaptureDeliversEachBlockOnce)
{
    Session s;
    s.term.CaptureOn = 1;
    // Line feeds give "\r", escapes, a bell and a bare CR nothing; a pair split over blocks belongs
    // to the block that completes it; a block that places nothing delivers nothing.
    s.Feed({"ab\r\n\x1b[1;31mc\xb0", "\xa1\x1b[H", "\x1b[2J\x07", "d\n\n"});
    EXPECT_EQ(s.editor.inserts, (std::vector<std::string>{"ab\rc", "\xb0\xa1", "d\r\r"}));
    s.term.CaptureOn = 0;
    s.Feed({"e"});
    s.term.CaptureOn = 1;
    s.side.SetCaptureSink(nullptr);  // the capture editor was closed
    s.Feed({"f\n"});
    EXPECT_EQ(s.editor.inserts.size(), 3u);
    s.side.SetCaptureSink(&s.editor);
    s.Feed({"g"});
    EXPECT_EQ(s.editor.inserts.back(), "g");
}

TEST(TerminalSideChannels, HexCaptureDumpsEachBlockInOneCall)
{
    Session s;
    s.term.CaptureOn = 1;
    s.term.HexCapture = 1;
    // Bytes as received, before the escape is interpreted.
    s.Feed({"ABCDEFGHIJKLMNOP\x1b[m!", std::string(997, 'x')});
    ASSERT_EQ(s.editor.inserts.size(), 2u);
    EXPECT_EQ(s.editor.inserts[0], "<RECV> 2026-12-06 21:40:00 (20 bytes)\r"
                                   "41 42 43 44 45 46 47 48  49 4A 4B 4C 4D 4E 4F 50     ABCDEFGHIJKLMNOP\r"
                                   "1B 5B 6D 21 " + std::string(36 + 1 + 4, ' ') + ".[m!\r\r");
    // The layout of longer dumps is the formatter's table (CaptureFormatTests).
    EXPECT_EQ(s.editor.inserts[1].substr(0, 39), "<RECV> 2026-12-06 21:40:00 (997 bytes)\r");
    EXPECT_EQ(s.editor.inserts[1].size(), 39 + 62 * 70 + 60u);  // 62 whole rows, one of 5
    EXPECT_EQ(s.Row(0).substr(0, 17), "ABCDEFGHIJKLMNOP!");
}

struct ImageCase {
    const char* name;
    std::string stream;
    int column, row;
    std::string text;
};

TEST(TerminalSideChannels, ImagePackCommandSetsTheCell)
{
    const ImageCase cases[] = {
        {"position", "\x1b%B4\x01" "A10 5\rx", 9, 4, "x"},
        {"among text and colours", "\x1b%B4ab\x1b[1m\x01" "A3 2\rc", 2, 1, "abc"},
        {"other command byte consumed", "\x1b%B4\x01" "Bz", 0, 0, "z"},
        {"not armed: text", "\x01" "A10 5\rx", 0, 0, "x10 5"},
    };
    for (const ImageCase& c : cases) {
        for (const auto& blocks : Splits(c.stream)) {
            Session s;
            s.Feed(blocks);
            const std::string where = std::string(c.name) + ", first block " + std::to_string(blocks[0].size());
            EXPECT_EQ(s.term.ImageCell.Column, c.column) << where;
            EXPECT_EQ(s.term.ImageCell.Row, c.row) << where;
            EXPECT_EQ(s.Row(0), c.text) << where;
            EXPECT_EQ(s.term.ReceiveMode(), TDravelTerminal::ModeNormal) << where;
        }
    }
}

TEST(TerminalSideChannels, MemoLineReachesTheMemoWindowWhenTheSettingIsOn)
{
    for (bool on : {true, false}) {
        Session s;
        s.side.SetShowOnLineMemoWindow(on);
        s.Feed({"top\x1b" "7\x1b[24;1H[memo] hi\x1b[24;2H\x07\x1b" "8more"});
        EXPECT_EQ(s.memo.lines, on ? std::vector<std::string>{"[memo] hi"} : std::vector<std::string>{});
        EXPECT_EQ(s.Row(0), "topmore");
    }
}

TEST(TerminalSideChannels, AnyOtherBellTakesTheMemoMarkBack)
{
    Session s;
    s.side.SetShowOnLineMemoWindow(true);
    s.Feed({"\x1b" "7\x1b[24;1H[memo] hi\x1b[24;2H\x07"});
    s.side.SetShowOnLineMemoWindow(false);
    s.Feed({"\x07\x1b" "8"});
    EXPECT_TRUE(s.memo.lines.empty());
}

const std::string Naws80x24 = "\xff\xfa\x1f\x00\x50\x00\x18\xff\xf0"s;

struct TelnetCase {
    const char* name;
    std::string stream, answer, text;
};

// The answers themselves are the telnet object's table (TelnetTest); here they go out on the
// line from the middle of the terminal's stream, cut at every point.
TEST(TerminalTelnetAdapter, CommandsInTheStreamAreAnsweredOnTheLine)
{
    const TelnetCase cases[] = {
        {"DO NAWS after the offer", "a\xff\xfd\x1f" "b", Naws80x24, "ab"},
        {"terminal type, a subnegotiation", "\xff\xfa\x18\x01\xff\xf0x", "\xff\xfa\x18\x00vt100\xff\xf0"s, "x"},
        // IAC IAC is one data byte 0xFF: here a lead byte whose pair has no glyph.
        {"IAC IAC", "e\xff\xff" "f\xff\xfb\x03", "\xff\xfd\x03", "e\xa1\xe0"},
    };
    for (const TelnetCase& c : cases) {
        for (const auto& blocks : Splits(c.stream)) {
            Session s(true);
            ASSERT_NE(s.telnet.Telnet(), nullptr);
            s.telnet.Telnet()->SendTelnetWillOptions();
            s.line.out.clear();
            s.Feed(blocks);
            const std::string where = std::string(c.name) + ", first block " + std::to_string(blocks[0].size());
            EXPECT_EQ(s.line.out, zmtest::B(c.answer)) << where;
            EXPECT_EQ(s.Row(0), c.text) << where;
        }
    }
}

TEST(TerminalTelnetAdapter, WindowSizeFollowsTheScreenAndTheLineKind)
{
    Session s(true);
    EXPECT_EQ(s.line.out, zmtest::B(Naws80x24 + Naws80x24));  // the reset on connection
    s.line.out.clear();
    s.term.SetScreenSize(100, 30);
    s.term.SetTerminalFont(ColorIndexToColor(15), ColorIndexToColor(4));
    const std::string naws = "\xff\xfa\x1f\x00\x64\x00\x1e\xff\xf0"s;
    EXPECT_EQ(s.line.out, zmtest::B(naws + naws));

    // A closed port keeps the object but sends nothing.
    s.line.out.clear();
    s.line.open = false;
    s.term.SetTerminalFont(ColorIndexToColor(15), ColorIndexToColor(4));
    EXPECT_TRUE(s.line.out.empty());
    EXPECT_NE(s.telnet.Telnet(), nullptr);

    // Another line kind drops the object: 0xFF is text again.
    s.line.open = true;
    s.line.winsock = false;
    s.term.ResetTerminal(ColorIndexToColor(15), ColorIndexToColor(4));
    EXPECT_EQ(s.telnet.Telnet(), nullptr);
    s.Feed({"\xff\xfd\x1f"});
    EXPECT_TRUE(s.line.out.empty());
    EXPECT_EQ(s.Row(0), "\xa1\xe0\x1f");
}

} // namespace
