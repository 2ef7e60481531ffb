// One-bit-per-pixel images: the three built-in font bitmaps and the line images that the
// glyph composer makes from them.
//
// Rows are stored top-down, each padded to a multiple of 4 bytes, the leftmost pixel in
// the most significant bit: the layout of a 1-bpp device-independent bitmap, so that a
// line image can be handed to the screen as it stands (with a two-entry colour table:
// index 0 the background colour, index 1 the text colour). A set bit is ink.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class MonoImage {
public:
    MonoImage() = default;
    MonoImage(int width, int height);  // all paper (no ink)

    int Width() const { return width_; }
    int Height() const { return height_; }
    int Stride() const { return stride_; }  // bytes per row
    bool Empty() const { return width_ <= 0 || height_ <= 0; }

    const uint8_t* Row(int y) const { return bits_.data() + static_cast<size_t>(y) * stride_; }
    uint8_t* Row(int y) { return bits_.data() + static_cast<size_t>(y) * stride_; }
    const std::vector<uint8_t>& Bits() const { return bits_; }

    // Pixels outside the image read as paper; writes outside it are dropped.
    bool Ink(int x, int y) const;
    void SetInk(int x, int y, bool ink);

    // Makes the image width x height, all paper, reusing the storage.
    void Reset(int width, int height);

    // Copies the w x h block at (sx, sy) of src to (dx, dy); parts outside either image are
    // left out (they copy nothing).
    void CopyBlock(int dx, int dy, const MonoImage& src, int sx, int sy, int w, int h);

    static int StrideFor(int width) { return ((width + 31) / 32) * 4; }

private:
    int width_ = 0;
    int height_ = 0;
    int stride_ = 0;
    std::vector<uint8_t> bits_;
};

// The 1-bpp Windows bitmap file (".bmp") of an image: black ink on white paper.
std::vector<uint8_t> EncodeMonoBmp(const MonoImage& image);

// Reads a 1-bpp device-independent bitmap: either a whole ".bmp" file (starting with "BM")
// or the packed form that a bitmap resource holds (the info header, the colour table and
// the bits). Either row order; the darker of the two colours is taken as ink. Returns false
// and says why in *error for anything else (other depths, compression, short data).
bool DecodeMonoDib(const uint8_t* data, size_t size, MonoImage& out, std::string* error);
