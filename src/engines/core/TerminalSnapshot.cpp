#include "engines/core/TerminalSnapshot.h"

std::string EscapeTerminalBytes(std::string_view bytes)
{
    static const char hex[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b == '\\') {
            out += "\\\\";
        } else if (b >= 0x20 && b <= 0x7E) {
            out += ch;
        } else {
            out += "\\x";
            out += hex[b >> 4];
            out += hex[b & 15];
        }
    }
    return out;
}

std::string TerminalSnapshot(const TDravelTerminal& terminal, std::string_view sent, int rzFired)
{
    const ScreenModel& screen = terminal.Screen();
    std::string out;
    for (int r = 0; r < terminal.Rows(); ++r) {
        const int line = screen.ScreenTop + r;
        const bool exists = line < screen.LineCount();
        const std::string n = std::to_string(r);
        out += "row " + n + ": " + (exists ? EscapeTerminalBytes(screen.Text(line)) : "") + "\n";
        out += "fg " + n + ": " + (exists ? screen.Foreground(line) : "") + "\n";
        out += "bg " + n + ": " + (exists ? screen.Background(line) : "") + "\n";
    }
    out += "cursor: " + std::to_string(screen.CursorColumn) + " " + std::to_string(screen.CursorRow) + "\n";
    out += "top: " + std::to_string(screen.ScreenTop) + "\n";
    out += "lines: " + std::to_string(screen.LineCount()) + "\n";
    out += "rz: " + std::to_string(rzFired ? 1 : 0) + "\n";
    out += "sent: " + EscapeTerminalBytes(sent) + "\n";
    return out;
}
