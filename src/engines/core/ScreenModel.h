// The console's picture as text: scroll-back plus screen in three parallel line lists.
//
// Line i has a text string (one byte per cell; a double-byte character takes two cells,
// lead byte first), a foreground string ('a' + ColorIndex per cell) and a background
// string ('A' + ColorIndex per cell), always of the same length. The lists are kept in a
// ring so that dropping the oldest line costs nothing; the terminal trims them to LineCap
// after every received block, and the main window after it appends lines of its own.
#pragma once

#include "engines/core/ConsolePalette.h"

#include <string>
#include <string_view>
#include <vector>

class ScreenModel {
public:
    static constexpr int LineCap = 200;

    struct Line {
        std::string Text;
        std::string Foreground;
        std::string Background;
    };

    ScreenModel();

    int LineCount() const { return count_; }
    const std::string& Text(int line) const { return At(line).Text; }
    const std::string& Foreground(int line) const { return At(line).Foreground; }
    const std::string& Background(int line) const { return At(line).Background; }
    const Line& At(int line) const { return slots_[Slot(line)]; }
    // Writers must keep the three strings of a line at the same length.
    Line& At(int line) { return slots_[Slot(line)]; }

    // Appends one line (the three strings must have equal lengths; a status line of the
    // main window, for example). Raises the longest line when needed.
    void AppendLine(std::string_view text, std::string_view foreground, std::string_view background);
    // Appends a line of the text in one foreground and background colour.
    void AppendLine(std::string_view text, ColorIndex foreground, ColorIndex background);
    void AppendEmptyLine();
    // Drops line 0 (nothing else changes: screen top and the other fields are the caller's).
    void RemoveFirstLine();
    // Moves line `from` to position `to`, shifting the lines between by one.
    void MoveLine(int from, int to);
    // Rotates lines first..last (inclusive) by `count`: positive moves them towards first
    // (the first `count` lines come round to the end), negative the other way.
    void RotateLines(int first, int last, int count);
    // Empties every line list and resets the positions (cell size and view colour stay).
    void Clear();

    // Raises LongestLine to the length of the given line when it is longer.
    void NoteLineLength(int line)
    {
        int n = static_cast<int>(At(line).Text.size());
        if (n > LongestLine)
            LongestLine = n;
    }
    void RescanLongestLine();

    int CellWidth = 8;
    int CellHeight = 16;
    int ScreenTop = 0;          // list index of screen row 0
    int FirstDisplayedLine = 0; // list index of the first line in the view
    int LongestLine = 0;        // greatest line length in cells
    int CursorColumn = 0;       // 0-based
    int CursorRow = 0;          // relative to ScreenTop
    // Background colour of the view: cells padded in front of written text take it.
    ColorIndex ViewBackground = 4;

private:
    int Slot(int line) const { return (head_ + line) & mask_; }
    void Grow();

    std::vector<Line> slots_;
    std::vector<Line> rotateBuffer_;
    int head_ = 0;
    int count_ = 0;
    int mask_ = 0;
};
