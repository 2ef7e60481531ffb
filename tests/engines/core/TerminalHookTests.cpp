// The engine's outlets: telnet hand-off, view damage, capture, printer and picture
// commands, and the trim as the main window sees it.
#include "engines/core/DravelTerminal.h"

#include <gtest/gtest.h>

#include "engines/core/FakeTelnet.h"

#include <string>
#include <vector>

namespace {

struct Damage : TerminalView {
    std::vector<std::string> events;
    void LinesChanged(int a, int b) override { events.push_back("lines " + std::to_string(a) + "-" + std::to_string(b)); }
    void RegionScrolled(int a, int b, int n) override
    {
        events.push_back("scroll " + std::to_string(a) + "-" + std::to_string(b) + " by " + std::to_string(n));
    }
    void EverythingChanged() override { events.push_back("all"); }
    void JumpToScreen() override { events.push_back("jump"); }
};

struct Capture : TerminalCaptureSink {
    std::string text, raw, log;
    void CaptureBlockStart(size_t n, bool hex) override { log += "start " + std::to_string(n) + (hex ? " hex;" : " text;"); }
    void CaptureRawByte(uint8_t b) override { raw += static_cast<char>(b); }
    void CaptureText(const char* p, size_t n) override { text.append(p, n); }
    void CaptureBlockEnd() override { log += "end;"; }
};

struct Printer : TerminalPrinterOutlet {
    bool openOk = true;
    int openedMode = 0, resets = 0;
    std::string data;
    bool OpenPrintFile(int mode) override
    {
        openedMode = mode;
        return openOk;
    }
    bool PrinterControllerByte(uint8_t b) override
    {
        data += static_cast<char>(b);
        return data.size() >= 4 && data.compare(data.size() - 4, 4, "\x1b[4i") == 0;
    }
    void ResetPrinterController() override { ++resets; }
};

struct Image : TerminalImageOutlet {
    std::string bytes;
    int starts = 0;
    void BeginImageCommand() override { ++starts; }
    bool ImageCommandByte(uint8_t b, TerminalImageCell& cell) override
    {
        bytes += static_cast<char>(b);
        if (b == '\r') {
            cell.Column = 9;
            cell.Row = 4;
            return true;
        }
        return b != 'A' && bytes.size() == 1;
    }
};

struct Rig {
    ScreenModel screen;
    TDravelTerminal term{screen, ColorIndexToColor(15), ColorIndexToColor(4)};
    int Feed(const std::string& s, int rz = 0) { return term.ProcessReceived(rz, s); }
    // Hands the engine one outlet, the others left empty.
    template <class Slot, class T>
    void Attach(Slot slot, T& outlet)
    {
        TerminalOutlets o;
        o.*slot = &outlet;
        term.SetOutlets(o);
    }
    std::string Row(int r) const
    {
        const int line = screen.ScreenTop + r;
        return line < screen.LineCount() ? screen.Text(line) : std::string();
    }
};

TEST(TerminalTelnet, CommandsAreHandedOverAndIacIacIsData)
{
    Rig rig;
    FakeTelnet telnet;
    rig.Attach(&TerminalOutlets::TelnetHost, telnet);
    rig.term.ResetTerminal(ColorIndexToColor(15), ColorIndexToColor(4));
    EXPECT_EQ(telnet.syncs, 1);

    // A command split over blocks, then IAC IAC in text (one 0xFF, a lead byte), then NOP.
    rig.Feed("a\xff\xfb");
    EXPECT_EQ(rig.term.ReceiveMode(), TDravelTerminal::ModeTelnet);
    rig.Feed(std::string("\x01") + "b\xff\xff\xa1" + "c\xff\xf1" + "d");
    EXPECT_EQ(telnet.commands, (std::vector<uint8_t>{0xFB, 0x01, 0xFF, 0xF1}));
    EXPECT_EQ(telnet.modeBefore, 0);
    EXPECT_EQ(rig.term.ReceiveMode(), TDravelTerminal::ModeNormal);
    EXPECT_EQ(rig.Row(0), "ab\xa1\xe0" "cd"); // 0xFF is no lead of a row: placeholder
}

TEST(TerminalTelnet, LosingTheLineLeavesTelnetMode)
{
    Rig rig;
    FakeTelnet telnet;
    rig.Attach(&TerminalOutlets::TelnetHost, telnet);
    rig.term.SetTerminalFont(ColorIndexToColor(15), ColorIndexToColor(4));
    rig.Feed("\xff");
    ASSERT_EQ(rig.term.ReceiveMode(), TDravelTerminal::ModeTelnet);
    telnet.present = false;
    rig.term.SetTerminalFont(ColorIndexToColor(15), ColorIndexToColor(4));
    rig.Feed("\xfb" "x");
    // Without a telnet object 0xFB is a lead byte paired with 'x'.
    EXPECT_EQ(rig.Row(0), "\xa1\xe0");
}

TEST(TerminalView, DamageIsReportedInListLines)
{
    Rig rig;
    Damage view;
    rig.Attach(&TerminalOutlets::View, view);
    rig.term.SetScreenSize(10, 5);
    rig.Feed("a\r\nb\r\nc");
    EXPECT_EQ(view.events, (std::vector<std::string>{"lines 0-2"}));
    view.events.clear();
    rig.Feed("\x1b[2;4r\x1b[2;1H\x1b[2M");
    EXPECT_EQ(view.events, (std::vector<std::string>{"jump", "scroll 1-3 by 2", "lines 1-3"}));
    view.events.clear();
    rig.Feed("\x1b[2J");
    EXPECT_EQ(view.events, (std::vector<std::string>{"all"}));
}

TEST(TerminalView, TrimMovesTheViewOnlyWhenItFallsOffTheTop)
{
    Rig rig;
    Damage view;
    rig.Attach(&TerminalOutlets::View, view);
    std::string lines;
    for (int i = 0; i < 198; ++i)
        lines += "x\r\n";
    rig.Feed(lines);
    rig.screen.FirstDisplayedLine = 150;
    view.events.clear();
    rig.Feed("y\r\nz\r\n"); // 201 lines: one trimmed
    EXPECT_EQ(rig.screen.LineCount(), 200);
    EXPECT_EQ(rig.screen.FirstDisplayedLine, 149);
    EXPECT_EQ(view.events.back(), "lines 198-200");
    rig.screen.FirstDisplayedLine = 0;
    view.events.clear();
    rig.Feed("w\r\n");
    EXPECT_EQ(rig.screen.FirstDisplayedLine, 0);
    EXPECT_EQ(view.events.back(), "all");

    // The main window appends a status line and trims itself.
    rig.screen.FirstDisplayedLine = 5;
    rig.screen.AppendLine("Connection closed...", 15, 4);
    EXPECT_EQ(rig.term.TrimLineBuffer(), 0);
    EXPECT_EQ(rig.screen.Text(199), "Connection closed...");
    EXPECT_EQ(rig.screen.Foreground(199), std::string(20, 'p'));
}

TEST(TerminalTrim, LongestLineIsRescannedWhenTheLongestLeaves)
{
    Rig rig;
    rig.term.SetScreenSize(10, 3);
    rig.term.AutoWrap = 0;
    rig.Feed(std::string(30, 'L') + "\r\n" + std::string(20, 'M') + "\r\n");
    EXPECT_EQ(rig.screen.LongestLine, 30);
    std::string more;
    for (int i = 0; i < 199; ++i)
        more += "s\r\n";
    rig.Feed(more); // the 30-cell line is trimmed, the 20-cell one too
    EXPECT_EQ(rig.screen.LongestLine, 1);
}

TEST(TerminalCapture, TextCaptureGetsPlacedCharactersAndLineFeeds)
{
    Rig rig;
    Capture cap;
    rig.Attach(&TerminalOutlets::Capture, cap);
    rig.Feed("no");
    EXPECT_EQ(cap.log, ""); // capture off
    rig.term.CaptureOn = 1;
    rig.Feed("ab\x1b[31m\xb0\xa1\r\n\x07z");
    EXPECT_EQ(cap.text, "ab\xb0\xa1\rz");
    EXPECT_EQ(cap.log, "start 13 text;end;");
    rig.term.HexCapture = 1;
    cap.text.clear();
    rig.Feed("\x1b[mq");
    EXPECT_EQ(cap.raw, "\x1b[mq");
    EXPECT_EQ(cap.text, "");
}

TEST(TerminalPrinter, ControllerTakesBytesUntilItEnds)
{
    Rig rig;
    Printer printer;
    rig.Attach(&TerminalOutlets::Printer, printer);
    rig.Feed("\x1b[5ia"); // print mode 0: nothing
    EXPECT_EQ(printer.openedMode, 0);
    rig.term.PrintMode = 2;
    rig.Feed("\x1b[5iabc\x1b[4x\x1b[4i" "d");
    EXPECT_EQ(printer.openedMode, 2);
    EXPECT_EQ(printer.data, "abc\x1b[4x\x1b[4i");
    EXPECT_EQ(rig.Row(0), "ad");
    printer.openOk = false;
    rig.Feed("\x1b[5ie");
    EXPECT_EQ(rig.Row(0), "ade");
    rig.term.ResetTerminal(ColorIndexToColor(15), ColorIndexToColor(4));
    EXPECT_EQ(printer.resets, 1);
}

TEST(TerminalImage, ArmedControlAStartsACommand)
{
    Rig rig;
    Image image;
    rig.Attach(&TerminalOutlets::Image, image);
    rig.Feed("\x01x");
    EXPECT_EQ(image.starts, 0);
    rig.Feed("\x1b%B4");
    EXPECT_EQ(rig.term.ImagePackArmed, 1);
    rig.Feed("\x01" "A10 5\ry");
    EXPECT_EQ(image.bytes, "A10 5\r");
    EXPECT_EQ(rig.term.ImageCell.Column, 9);
    EXPECT_EQ(rig.term.ImageCell.Row, 4);
    EXPECT_EQ(rig.Row(0), "xy");
    // CSI with the ',' marker places the picture directly, clamped to the screen.
    rig.Feed("\x1b[3,999H");
    EXPECT_EQ(rig.term.ImageCell.Column, 3);
    EXPECT_EQ(rig.term.ImageCell.Row, 24);
    EXPECT_EQ(rig.term.ImageCell.PositionFlag, 1);
    EXPECT_EQ(rig.term.CommaMarker(), 1);
    rig.Feed("\x1b%x4");
    EXPECT_EQ(rig.term.ImagePackArmed, 0);
    EXPECT_EQ(rig.term.ImageCell.PositionFlag, 0);
}

TEST(TerminalReset, ResetClearsModesButKeepsTheScreen)
{
    Rig rig;
    rig.Feed("ab\x1b[?1h\x1b=\x1b[31m\x1b)0\x0e");
    EXPECT_EQ(rig.term.CursorKeyApplicationMode, 1);
    EXPECT_EQ(rig.term.KeypadApplicationMode, 1);
    rig.Feed("\x1b[");
    rig.term.ResetTerminal(ColorIndexToColor(14), ColorIndexToColor(0));
    EXPECT_EQ(rig.term.CursorKeyApplicationMode, 0);
    EXPECT_EQ(rig.term.KeypadApplicationMode, 0);
    EXPECT_EQ(rig.term.ReceiveMode(), 0);
    rig.Feed("q");
    EXPECT_EQ(rig.Row(0), "abq");
    EXPECT_EQ(rig.screen.Foreground(0), "ppo");
    EXPECT_EQ(rig.screen.Background(0), "EEA");
}

} // namespace
