// The portable half of the control utilities: text fitting, command-line splitting, names
// and the colour bands of a gradient. The Win32 half is controls/CtlUtils.h.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/core/Colors.h"

// Width of a text as some canvas would draw it.
using TTextMeasure = std::function<int(std::string_view text)>;

// `text` when it fits in `maxWidth`; otherwise its longest head that fits when followed by
// "..." (dropping two characters or more), or "..." alone. A double-byte character is kept
// or dropped whole, never cut.
std::string MinimizeText(std::string_view text, const TTextMeasure& measure, int maxWidth);

// Splits a command line into the first argument and the rest. Arguments are separated by
// characters below "!"; double quotes group, "" stands for one quote. The rest is rejoined
// with single blanks, an argument holding a blank in quotes again.
void SplitCommandLine(std::string_view line, std::string& exe, std::string& params);

// `name` without a leading "T" or "t" when it is longer than one character.
std::string DropT(std::string_view name);
// `s` with its first character (when not half of a double-byte one) in upper case.
std::string AnsiUpperFirstChar(std::string_view s);

// Whether the first n bytes of two blocks are equal (n of 0 or less: yes).
bool CompareMem(const void* a, const void* b, std::ptrdiff_t n);
// A new NUL-terminated copy of the string (embedded NULs included).
std::unique_ptr<char[]> StrPAlloc(const std::string& s);
// The string's characters, NUL-terminated, valid while the string is unchanged.
inline const char* StringToPChar(const std::string& s) {
    return s.c_str();
}

enum TFillDirection { fdTopToBottom, fdBottomToTop, fdLeftToRight, fdRightToLeft };

// One stripe of a gradient: offsets along the fill direction, from the top or left edge.
struct TGradientBand {
    int from = 0, to = 0;
    TColor color = 0;
};

// The stripes that fill `extent` pixels (the height for the vertical directions, the
// width for the horizontal ones) from `startColor` to `endColor` (RGB values) in
// `colors` steps: n = colors limited to the extent, at least 2; n bands of extent / n
// pixels, band i in start + (end - start) * i / (n - 1) per channel (start and end swapped
// for fdBottomToTop and fdRightToLeft), the remainder in the last colour. Fewer than 2
// colours: one band in the start colour. An empty extent: none.
std::vector<TGradientBand> GradientBands(int extent, TColor startColor, TColor endColor,
                                         TFillDirection direction, int colors);
