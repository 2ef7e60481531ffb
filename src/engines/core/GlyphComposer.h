// Composes console text with the three built-in bitmap fonts into one line image, so that
// a whole colour run reaches the screen in a single transfer.
//
// Fonts (1 bit per pixel, see MonoImage):
//   "FontASCII"   760 x 16:  95 cells of 8 x 16 for 0x20-0x7E, cell n at x = n * 8
//   "FontKSC5601" 1504 x 592: 37 rows of 94 cells of 16 x 16, leads 0xA1-0xAC then 0xB0-0xC8
//   "FontHanja"   1504 x 832: 52 rows of 94 cells of 16 x 16 for leads 0xCA-0xFD
// A text of n bytes always becomes an image of n * 8 x 16.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "engines/core/MonoImage.h"

struct BitmapFontSet {
    MonoImage ascii;
    MonoImage ksc5601;
    MonoImage hanja;
};

// Where a piece of text is drawn from.
enum class GlyphSource { Ascii, Ksc5601, Hanja };

struct GlyphCell {
    GlyphSource source;
    int x;  // top-left corner of the cell in its font bitmap
    int y;
    int width;  // 8 or 16
};

class GlyphComposer {
public:
    static constexpr int kAsciiWidth = 760;
    static constexpr int kKscWidth = 1504;
    static constexpr int kKscHeight = 592;
    static constexpr int kHanjaWidth = 1504;
    static constexpr int kHanjaHeight = 832;
    static constexpr int kCellHeight = 16;
    // What a pair without a cell of its own shows (lead 0xFE, and every pair that falls
    // outside the fonts' rows and columns).
    static constexpr uint8_t kPlaceholderLead = 0xA2;
    static constexpr uint8_t kPlaceholderTrail = 0xAF;

    // Empty when the three bitmaps have the sizes above; else what is wrong.
    static std::string CheckFonts(const BitmapFontSet& fonts);

    // The cell of one single byte: 0x20-0x7E themselves, control bytes as a space, every
    // other byte (0x7F and up) as '?'.
    static GlyphCell SingleCell(uint8_t byte);
    // The cell of a double-byte pair (lead and trail both 0x80 or more).
    static GlyphCell PairCell(uint8_t lead, uint8_t trail);

    // The fonts must outlive the composer. Fonts of the wrong size are tolerated: cells
    // that fall outside them come out blank.
    explicit GlyphComposer(const BitmapFontSet& fonts) : fonts_(fonts) {}

    // Draws the n bytes of text into out, which becomes n * 8 x 16 (storage is reused).
    // A lead byte (0x81 and up) followed by a trail of 0x80 or more is one 16-wide cell;
    // a lead as the last byte, or followed by a byte below 0x80, shows '?' (and the next
    // byte then stands for itself).
    void ComposeLine(const uint8_t* text, size_t n, MonoImage& out) const;
    void ComposeLine(const std::string& text, MonoImage& out) const {
        ComposeLine(reinterpret_cast<const uint8_t*>(text.data()), text.size(), out);
    }

private:
    void DrawCell(const GlyphCell& cell, int x, MonoImage& out) const;

    const BitmapFontSet& fonts_;
};
