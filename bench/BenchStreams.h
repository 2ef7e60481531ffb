// What hosts send, as seeded streams for the benchmarks: the terminal engine alone
// (terminal_bench) and the whole program under Wine (win32/console_throughput) take the
// same bytes. KS C 5601 text throughout; no stream holds a 0xFF (telnet's IAC).
#pragma once

#include <cstddef>
#include <random>
#include <string>
#include <vector>

namespace quiro::bench {

inline std::string Sgr(int fg, int bg)
{
    return "\x1b[" + std::to_string(30 + fg) + ";" + std::to_string(40 + bg) + "m";
}

// A Hangul syllable of the common rows, two bytes.
template <class Rng> void AppendHangul(std::string& s, Rng& rng)
{
    s += static_cast<char>(0xB0 + rng() % 25);
    s += static_cast<char>(0xA1 + rng() % 94);
}

// Plain text lines of up to 79 printable ASCII characters.
inline std::string AsciiLines(size_t size)
{
    std::mt19937 rng(1);
    std::string s;
    while (s.size() < size) {
        const int n = static_cast<int>(rng() % 80);
        for (int i = 0; i < n; ++i)
            s += static_cast<char>(0x20 + rng() % 95);
        s += "\r\n";
    }
    return s;
}

// Korean text with a colour change every 8 to 16 cells.
inline std::string KoreanText(size_t size)
{
    std::mt19937 rng(2);
    std::string s;
    int col = 0, untilSgr = 8;
    while (s.size() < size) {
        if (--untilSgr <= 0) {
            const int fg = static_cast<int>(rng() % 8);
            s += Sgr(fg, (fg + 1 + rng() % 7) % 8);
            untilSgr = 4 + static_cast<int>(rng() % 5);
        }
        if (rng() % 6 == 0) {
            s += ' ';
            col += 1;
        } else {
            AppendHangul(s, rng);
            col += 2;
        }
        if (col >= 76) {
            s += "\r\n";
            col = 0;
        }
    }
    return s;
}

// Full screens of ANSI art: each row positioned, foreground and background set before
// every character.
inline std::string AnsiArt(size_t size)
{
    std::mt19937 rng(3);
    std::string s;
    while (s.size() < size) {
        s += "\x1b[2J";
        for (int row = 1; row <= 24; ++row) {
            s += "\x1b[" + std::to_string(row) + ";1H";
            for (int c = 0; c < 79; ++c) {
                const int fg = static_cast<int>(rng() % 8);
                s += Sgr(fg, (fg + 1 + rng() % 7) % 8);
                s += static_cast<char>(0x21 + rng() % 94);
            }
        }
    }
    return s;
}

// Lines written inside scroll regions that keep changing, with lines inserted and deleted.
inline std::string ScrollRegions(size_t size)
{
    std::mt19937 rng(4);
    std::string s;
    while (s.size() < size) {
        const int top = 1 + static_cast<int>(rng() % 12);
        const int bottom = top + 1 + static_cast<int>(rng() % (24 - top));
        s += "\x1b[" + std::to_string(top) + ";" + std::to_string(bottom) + "r";
        s += "\x1b[" + std::to_string(bottom) + ";1H";
        for (int i = 0; i < 20; ++i) {
            const int n = static_cast<int>(rng() % 60);
            for (int k = 0; k < n; ++k)
                s += static_cast<char>(0x21 + rng() % 94);
            switch (rng() % 4) {
            case 0: s += "\x1b[2L"; break;
            case 1: s += "\x1b[M"; break;
            case 2: s += "\x1b" "D"; break;
            default: break;
            }
            s += "\r\n";
        }
        s += "\x1b[r";
    }
    return s;
}

// Bulletin-board art as such hosts draw it: every character (ASCII or Hangul) preceded by
// a full rendition, reset, bold or not, foreground and background, rows ended by CR LF.
inline std::string ColourPerChar(size_t size)
{
    std::mt19937 rng(5);
    std::string s;
    while (s.size() < size) {
        s += "\x1b[H";
        for (int row = 0; row < 24; ++row) {
            for (int col = 0; col < 78;) {
                const int fg = static_cast<int>(rng() % 8);
                s += rng() % 2 ? "\x1b[0;1;" : "\x1b[0;";
                s += std::to_string(30 + fg) + ";" + std::to_string(40 + (fg + 1 + rng() % 7) % 8) + "m";
                if (rng() % 3 == 0) {
                    AppendHangul(s, rng);
                    col += 2;
                } else {
                    s += static_cast<char>(0x21 + rng() % 94);
                    col += 1;
                }
            }
            s += row < 23 ? "\r\n" : "";
        }
    }
    return s;
}

// A screen filled word by word, each word put at its place with a cursor position first
// (as a menu or a form is drawn), ASCII and Hangul words.
inline std::string CursorPerWord(size_t size)
{
    std::mt19937 rng(6);
    std::string s;
    while (s.size() < size) {
        const int row = 1 + static_cast<int>(rng() % 24);
        const int col = 1 + static_cast<int>(rng() % 70);
        s += "\x1b[" + std::to_string(row) + ";" + std::to_string(col) + "H";
        const int n = 2 + static_cast<int>(rng() % 5);
        if (rng() % 2) {
            for (int i = 0; i < n; ++i)
                AppendHangul(s, rng);
        } else {
            for (int i = 0; i < 2 * n; ++i)
                s += static_cast<char>('a' + rng() % 26);
        }
    }
    return s;
}

struct HostStream {
    const char* Name;
    std::string (*Make)(size_t size);
};

inline const std::vector<HostStream>& HostStreams()
{
    static const std::vector<HostStream> streams{
        {"ascii_lines", AsciiLines},       {"korean_sgr", KoreanText},
        {"ansi_art", AnsiArt},             {"scroll_regions", ScrollRegions},
        {"colour_per_char", ColourPerChar}, {"cursor_per_word", CursorPerWord},
    };
    return streams;
}

} // namespace quiro::bench
