// A reader for X11 PCF bitmap fonts (plain or gzip-compressed): glyph metrics, bitmaps and
// the encoding table, nothing else.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct PcfGlyph {
    int left = 0;     // left side bearing: first bitmap column relative to the origin
    int right = 0;    // right side bearing
    int width = 0;    // advance
    int ascent = 0;   // rows above the baseline
    int descent = 0;  // rows below it
    // ascent + descent rows of (right - left) pixels, row-major, 1 = ink.
    std::vector<uint8_t> pixels;

    int Columns() const { return right - left; }
    int Rows() const { return ascent + descent; }
    bool Ink(int column, int row) const {
        return pixels[static_cast<size_t>(row) * Columns() + column] != 0;
    }
};

class PcfFont {
public:
    // Reads the file (plain or gzip-compressed); on failure returns false with the reason
    // in error().
    bool Load(const std::string& path);
    // Parses the bytes of an uncompressed font.
    bool Parse(const std::vector<uint8_t>& file);
    const std::string& error() const { return error_; }

    int FontAscent() const { return fontAscent_; }
    int FontDescent() const { return fontDescent_; }

    // The glyph of a code (byte1 * 256 + byte2 for two-byte fonts, the byte for one-byte
    // fonts), or null when the font has none.
    const PcfGlyph* Find(unsigned code) const;

    // The font's COPYRIGHT and NOTICE properties, when it has them.
    const std::string& Copyright() const { return copyright_; }

private:
    bool Fail(const std::string& why);

    std::vector<PcfGlyph> glyphs_;
    int minByte2_ = 0, maxByte2_ = -1, minByte1_ = 0, maxByte1_ = -1;
    std::vector<uint16_t> encoding_;
    int fontAscent_ = 0;
    int fontDescent_ = 0;
    std::string copyright_;
    std::string error_;
};
