// The arithmetic of the owner-drawn combo boxes: the colour combo's colours and names, the
// value its text stands for, item heights, where a swatch, a font mark and a name go, and
// which fonts a font combo lists.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "framework/core/Colors.h"
#include "framework/core/ControlMath.h"

// The colour combo lists the console's 16 colours, in the palette's order.
constexpr int kColorComboCount = 16;
TColor ColorComboColor(int index);
// A colour's name as the combo shows it: the framework's name without "cl" ("Maroon",
// "BtnFace"), else the value as the framework writes it ("$00123456").
std::string ColorDisplayName(TColor color);

// The colour an editable colour combo's text stands for when no item is selected: the
// item of that name (case ignored), else the text read as an integer, else `stored`.
TColor ColorFromText(std::string_view text, const std::vector<std::string>& names,
                     const std::vector<TColor>& colors, TColor stored);

// Item height: the font's text height + 1, at least 9, and at least `markHeight` - 1
// (the font combo's TrueType mark; 0 for none).
int OwnerDrawItemHeight(int textMetricHeight, int markHeight);

// The colour swatch of an item: 2 pixels in at the left, top and bottom, 22 wide when
// names are shown, else up to 3 pixels from the right edge. Its outline is the rectangle,
// its fill one pixel inside.
TRectI ColorSwatchRect(const TRectI& item, bool displayNames);
// The x of a colour's name: 28 pixels right of the swatch's left edge.
inline int ColorNameLeft(const TRectI& swatch) {
    return swatch.Left + 28;
}
// Where a font's mark goes (2 pixels from the left, centred) and the x of its name (the
// mark's width, or 20 without one, plus 6).
TPointI FontMarkOrigin(const TRectI& item, int markHeight);
int FontNameLeft(const TRectI& item, int markWidth);

enum TFontListOption {
    foAnsiOnly,
    foTrueTypeOnly,
    foFixedPitchOnly,
    foNoOEMFonts,
    foOEMFontsOnly,
    foScalableOnly
};
using TFontListOptions = unsigned;  // bit (1 << TFontListOption) per option
constexpr TFontListOptions FontListOption(TFontListOption o) {
    return 1u << o;
}

// What the system says of one font family as it enumerates them.
struct TFontFamilyInfo {
    int Charset = 0;          // ANSI 0, OEM 255, ...
    unsigned FontType = 0;    // RASTER 1, DEVICE 2, TRUETYPE 4
    int PitchAndFamily = 0;   // FIXED_PITCH in the low bits
};
constexpr unsigned kRasterFontType = 1, kDeviceFontType = 2, kTrueTypeFontType = 4;

// Whether a family passes every chosen option.
bool FontPassesOptions(TFontListOptions options, const TFontFamilyInfo& font);
enum TFontMark { fmNone, fmTrueType, fmDevice };
TFontMark FontMarkOf(unsigned fontType);
