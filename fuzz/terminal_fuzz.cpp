// Fuzzes the terminal engine's receive entry with random options, screen sizes, block
// sizes and outlets, and checks the screen model's invariants after every block.
#include "engines/core/DravelTerminal.h"
#include "engines/core/FakeTelnet.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

struct Outlets : TerminalSender, TerminalView,
                 TerminalCaptureSink, TerminalPrinterOutlet, TerminalMemoOutlet, TerminalImageOutlet {
    size_t sent = 0, captured = 0;
    int imageBytes = 0;
    std::string printTail;
    void SendString(const std::string& s) override { sent += s.size(); }
    void LinesChanged(int a, int b) override
    {
        if (a < 0 || b < a)
            std::abort();
    }
    void RegionScrolled(int a, int b, int) override
    {
        if (a < 0 || b < a)
            std::abort();
    }
    void EverythingChanged() override {}
    void JumpToScreen() override {}
    void CaptureBlockStart(size_t, bool) override {}
    void CaptureRawByte(uint8_t) override { ++captured; }
    void CaptureText(const char*, size_t n) override { captured += n; }
    void CaptureBlockEnd() override {}
    bool OpenPrintFile(int) override { return true; }
    size_t PrinterControllerData(const uint8_t* d, size_t n, bool* finished) override
    {
        if (n == 0)
            std::abort();
        for (size_t i = 0; i < n; ++i) {
            printTail += static_cast<char>(d[i]);
            if (printTail.size() > 4)
                printTail.erase(0, 1);
            if (printTail == "\x1b[4i") {
                *finished = true;
                return i + 1;
            }
        }
        *finished = false;
        return n;
    }
    void ResetPrinterController() override { printTail.clear(); }
    bool MemoWindowEnabled() const override { return true; }
    void ShowOnLineMemo(const std::string&) override {}
    void BeginImageCommand() override { imageBytes = 0; }
    bool ImageCommandByte(uint8_t b, TerminalImageCell& cell) override
    {
        ++imageBytes;
        cell.Column = b;
        return b == '\r' || imageBytes > 40;
    }
};

void Check(const ScreenModel& m, const TDravelTerminal& t)
{
    if (m.LineCount() > ScreenModel::LineCap)
        std::abort();
    for (int i = 0; i < m.LineCount(); ++i) {
        const ScreenModel::Line& l = m.At(i);
        if (l.Foreground.size() != l.Text.size() || l.Background.size() != l.Text.size())
            std::abort();
        for (size_t k = 0; k < l.Text.size(); ++k)
            if (l.Foreground[k] < 'a' || l.Foreground[k] > 'p' || l.Background[k] < 'A' ||
                l.Background[k] > 'P')
                std::abort();
    }
    if (m.ScreenTop < 0 || m.CursorRow < 0 || m.CursorColumn < 0 || m.FirstDisplayedLine < 0)
        std::abort();
    if (t.ScrollTop() < 0 || t.ScrollTop() > t.ScrollBottom() || t.ScrollBottom() >= t.Rows())
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 6)
        return 0;
    const uint8_t flags = data[0];
    const int cols = static_cast<int>(data[1]) - 2;  // includes out-of-range sizes
    const int rows = static_cast<int>(data[2]) * 2 - 20;
    const size_t block = 1 + data[3] % 64 * (data[3] & 0x80 ? 64 : 1);
    const int fg = data[4] & 15, bg = data[4] >> 4;
    const uint8_t more = data[5];
    data += 6;
    size -= 6;

    ScreenModel screen;
    Outlets o;
    FakeTelnet telnet;
    telnet.present = flags & 0x20;
    TerminalOutlets outlets;
    outlets.Sender = &o;
    outlets.View = &o;
    outlets.TelnetHost = &telnet;
    outlets.Capture = &o;
    outlets.Printer = &o;
    outlets.Memo = &o;
    outlets.Image = &o;
    TDravelTerminal t(screen, ColorIndexToColor(fg), ColorIndexToColor(bg), outlets);
    t.SetScreenSize(cols, rows);
    t.SetTerminalFont(ColorIndexToColor(fg), ColorIndexToColor(bg));
    t.JohabInput = flags & 1;
    t.AddLfToCr = (flags >> 1) & 1;
    t.AutoWrap = !((flags >> 2) & 1);
    t.DoubleByteOn = !((flags >> 4) & 1);
    t.CaptureOn = (flags >> 6) & 1;
    t.HexCapture = (flags >> 7) & 1;
    t.PrintMode = more & 3;
    const int rz = (flags >> 3) & 1;

    for (size_t at = 0; at < size; at += block) {
        const size_t n = size - at < block ? size - at : block;
        t.ProcessReceived(rz, data + at, n);
        Check(screen, t);
        if ((more & 0x80) && screen.FirstDisplayedLine < screen.ScreenTop)
            screen.FirstDisplayedLine = screen.ScreenTop; // a view that follows the screen
    }
    return 0;
}
