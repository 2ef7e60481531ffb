// Edit masks: "mask;save;blank". The mask is one character per position of the text:
//   0  a digit (required)        9  a digit or blank      #  a digit, sign or blank
//   L  a letter (required)       l  a letter or blank
//   A  a letter or digit (req.)  a  a letter, digit or blank
//   C  any character (required)  c  any character or blank
//   /  the date separator        :  the time separator     _  a blank
//   \x the character x as it is; any other character stands for itself
//   >  what follows in upper case, <  in lower case, <> as typed; !  (no position)
// The second field "0" leaves the literals out of the text (else they are kept), the third
// is the blank character shown in empty positions ("_" when not given).
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct TMaskPosition {
    char Kind = 0;      // the mask character ('0', '9', ...), 0 for a literal
    char Literal = 0;   // a literal's character
    int CaseShift = 0;  // 1 upper, -1 lower, 0 as typed
};

struct TEditMask {
    std::vector<TMaskPosition> Positions;
    bool SaveLiterals = true;
    char Blank = '_';
    bool Empty() const { return Positions.empty(); }
    int Length() const { return static_cast<int>(Positions.size()); }
    bool IsLiteral(int pos) const;
    // Whether `c` may stand at `pos` (never at a literal); `c` comes back case-shifted.
    bool Accepts(int pos, char& c) const;
    // The first position from `pos` on (or before `pos`, going back) that is not a literal;
    // Length() / -1 when there is none.
    int NextEditable(int pos) const;
    int PrevEditable(int pos) const;
    // The text shown in the edit for a text: the literals in place, the characters of
    // `text` that fit taken in order into the other positions (with literals in `text`
    // kept in step when the literals are saved), blanks elsewhere.
    std::string EditText(std::string_view text) const;
    // The text the control gives for what the edit shows: with the literals, or only the
    // other positions; blank positions as spaces.
    std::string Text(std::string_view editText) const;
};

// `dateSeparator` and `timeSeparator` are what "/" and ":" stand for.
TEditMask ParseEditMask(std::string_view mask, char dateSeparator, char timeSeparator);
