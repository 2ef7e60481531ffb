// The engine's own side of its outlets: the telnet object going away, view damage, the
// picture command's placement, and the trim as the main window sees it. What the side
// channels and the telnet object make of the bytes is in TerminalSideChannelsTests.
#include "engines/core/DravelTerminal.h"

#include <gtest/gtest.h>

#include "engines/core/FakeTelnet.h"

#include <string>
#include <string_view>
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

// Records what the terminal paints: fills and text runs, as text.
struct Canvas : TerminalCanvas {
    int width = 100, height = 50;
    std::vector<std::string> calls;
    int CanvasWidth() override { return width; }
    int CanvasHeight() override { return height; }
    void FillCanvas(const PixelRect& r, int color) override
    {
        calls.push_back("fill " + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
                        std::to_string(r.right) + "," + std::to_string(r.bottom) + " in " +
                        std::to_string(color));
    }
    void PaintRunText(int x, int y, std::string_view text, int fg, int bg) override
    {
        calls.push_back("text " + std::to_string(x) + "," + std::to_string(y) + " " + std::string(text) +
                        " " + std::to_string(fg) + "/" + std::to_string(bg));
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

// The terminal repaints lines on the console's canvas: the fill first (the view's width in
// the view's background, whatever colour the host has just chosen: the lines hold every
// coloured cell), then the colour runs of the lines on view.
TEST(TerminalPaint, RepaintFillsThenPaintsTheLinesOnView)
{
    Rig rig;
    Canvas canvas;
    rig.Attach(&TerminalOutlets::Canvas, canvas);
    rig.term.SetScreenSize(10, 5);
    rig.screen.CellWidth = 8;
    rig.screen.CellHeight = 16;
    rig.term.SetHorizontalOffset(4);
    rig.screen.AppendLine("ab\xB0\xA1x", "ppppa", "EEEEB");
    rig.screen.AppendLine("", "", "");
    rig.screen.AppendLine("zzz", "bbb", "AAA");
    rig.screen.AppendLine("q", "p", "E");
    rig.screen.AppendLine("r", "p", "E"); // its top is below the view

    rig.term.RepaintRect(0, 4);
    EXPECT_EQ(canvas.calls, (std::vector<std::string>{
                                "fill 0,0,100,80 in 4",
                                "text 4,0 ab\xB0\xA1 15/4",
                                "text 36,0 x 0/1",
                                "text 4,32 zzz 1/0",
                                "text 4,48 q 15/4",
                            }));

    canvas.calls.clear();
    rig.Feed("\x1b[41m");
    rig.term.RepaintRect(2, 3);
    EXPECT_EQ(canvas.calls, (std::vector<std::string>{
                                "fill 0,32,100,64 in 4",
                                "text 4,32 zzz 1/0",
                                "text 4,48 q 15/4",
                            }));

    // Scrolled down a line and right: lines above the view and runs left of it are not
    // painted; the fill reaches the view's edges from the dirty rectangle's columns.
    canvas.calls.clear();
    rig.screen.FirstDisplayedLine = 1;
    rig.term.SetHorizontalOffset(-36);
    rig.term.RepaintRect(0, 2);
    EXPECT_EQ(canvas.calls, (std::vector<std::string>{
                                "fill 0,-16,100,32 in 4",
                            }));
    rig.screen.FirstDisplayedLine = 0;
    canvas.calls.clear();
    rig.term.PaintRegion(0, 0);
    EXPECT_EQ(canvas.calls, (std::vector<std::string>{"text -4,0 x 0/1"}));
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

TEST(TerminalImage, CommaMarkerPlacesThePictureAndDisarmingClearsIt)
{
    Rig rig;
    rig.Feed("\x1b%B4");
    EXPECT_EQ(rig.term.ImagePackArmed, 1);
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
