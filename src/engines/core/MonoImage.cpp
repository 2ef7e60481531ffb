#include "engines/core/MonoImage.h"

#include <algorithm>
#include <cstring>

namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

uint32_t Get16(const uint8_t* p) {
    return p[0] | (static_cast<uint32_t>(p[1]) << 8);
}

uint32_t Get32(const uint8_t* p) {
    return Get16(p) | (Get16(p + 2) << 16);
}

bool Fail(std::string* error, const char* why) {
    if (error) *error = why;
    return false;
}

constexpr size_t kFileHeaderSize = 14;
constexpr size_t kInfoHeaderSize = 40;

}  // namespace

MonoImage::MonoImage(int width, int height) {
    Reset(width, height);
}

void MonoImage::Reset(int width, int height) {
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    stride_ = StrideFor(width_);
    bits_.assign(static_cast<size_t>(stride_) * height_, 0);
}

bool MonoImage::Ink(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return false;
    return (Row(y)[x >> 3] >> (7 - (x & 7))) & 1;
}

void MonoImage::SetInk(int x, int y, bool ink) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    uint8_t mask = static_cast<uint8_t>(0x80 >> (x & 7));
    if (ink)
        Row(y)[x >> 3] |= mask;
    else
        Row(y)[x >> 3] &= static_cast<uint8_t>(~mask);
}

void MonoImage::CopyBlock(int dx, int dy, const MonoImage& src, int sx, int sy, int w, int h) {
    // Clip against the source, then against the destination.
    if (sx < 0) {
        dx -= sx;
        w += sx;
        sx = 0;
    }
    if (sy < 0) {
        dy -= sy;
        h += sy;
        sy = 0;
    }
    if (dx < 0) {
        sx -= dx;
        w += dx;
        dx = 0;
    }
    if (dy < 0) {
        sy -= dy;
        h += dy;
        dy = 0;
    }
    w = std::min({w, src.width_ - sx, width_ - dx});
    h = std::min({h, src.height_ - sy, height_ - dy});
    if (w <= 0 || h <= 0) return;
    if ((sx & 7) == 0 && (dx & 7) == 0 && (w & 7) == 0) {
        // Whole bytes: the usual case, every cell of the fonts is byte aligned.
        for (int y = 0; y < h; ++y)
            std::memcpy(Row(dy + y) + (dx >> 3), src.Row(sy + y) + (sx >> 3),
                        static_cast<size_t>(w >> 3));
        return;
    }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) SetInk(dx + x, dy + y, src.Ink(sx + x, sy + y));
}

std::vector<uint8_t> EncodeMonoBmp(const MonoImage& image) {
    const uint32_t stride = static_cast<uint32_t>(image.Stride());
    const uint32_t bitsSize = stride * static_cast<uint32_t>(image.Height());
    const uint32_t offset = kFileHeaderSize + kInfoHeaderSize + 2 * 4;
    std::vector<uint8_t> out;
    out.reserve(offset + bitsSize);
    out.push_back('B');
    out.push_back('M');
    Put32(out, offset + bitsSize);
    Put32(out, 0);
    Put32(out, offset);
    Put32(out, kInfoHeaderSize);
    Put32(out, static_cast<uint32_t>(image.Width()));
    Put32(out, static_cast<uint32_t>(image.Height()));  // positive: bottom-up rows
    Put16(out, 1);                                      // planes
    Put16(out, 1);                                      // bits per pixel
    Put32(out, 0);                                      // no compression
    Put32(out, bitsSize);
    Put32(out, 2835);  // 72 dpi
    Put32(out, 2835);
    Put32(out, 2);  // colours used
    Put32(out, 2);
    Put32(out, 0x00000000);  // index 0: black (ink)
    Put32(out, 0x00FFFFFF);  // index 1: white (paper)
    // The file stores index 0 for ink, the image stores 1: invert while writing.
    for (int y = image.Height() - 1; y >= 0; --y) {
        const uint8_t* row = image.Row(y);
        for (uint32_t i = 0; i < stride; ++i) out.push_back(static_cast<uint8_t>(~row[i]));
    }
    return out;
}

bool DecodeMonoDib(const uint8_t* data, size_t size, MonoImage& out, std::string* error) {
    if (data == nullptr) return Fail(error, "no data");
    const uint8_t* p = data;
    size_t avail = size;
    size_t fileOffset = 0;
    bool file = false;
    if (avail >= 2 && p[0] == 'B' && p[1] == 'M') {
        if (avail < kFileHeaderSize) return Fail(error, "truncated file header");
        fileOffset = Get32(p + 10);
        file = true;
        p += kFileHeaderSize;
        avail -= kFileHeaderSize;
    }
    if (avail < kInfoHeaderSize) return Fail(error, "truncated info header");
    const uint32_t headerSize = Get32(p);
    if (headerSize < kInfoHeaderSize || headerSize > avail)
        return Fail(error, "bad info header size");
    const int32_t width = static_cast<int32_t>(Get32(p + 4));
    const int32_t rawHeight = static_cast<int32_t>(Get32(p + 8));
    const uint32_t planes = Get16(p + 12);
    const uint32_t bpp = Get16(p + 14);
    const uint32_t compression = Get32(p + 16);
    uint32_t colours = Get32(p + 32);
    if (planes != 1 || bpp != 1) return Fail(error, "not a 1-bit bitmap");
    if (compression != 0) return Fail(error, "compressed bitmap");
    if (colours == 0) colours = 2;
    if (colours > 2) return Fail(error, "bad colour count");
    // Guard the sizes before any arithmetic: fonts are at most a few thousand pixels.
    if (width <= 0 || width > 65536 || rawHeight == 0 || rawHeight < -65536 || rawHeight > 65536)
        return Fail(error, "bad bitmap size");
    const bool topDown = rawHeight < 0;
    const int height = topDown ? -rawHeight : rawHeight;
    const size_t tableEnd = headerSize + static_cast<size_t>(colours) * 4;
    if (tableEnd > avail) return Fail(error, "truncated colour table");
    size_t bitsStart = tableEnd;
    if (file) {
        if (fileOffset < kFileHeaderSize + tableEnd) return Fail(error, "bad bits offset");
        bitsStart = fileOffset - kFileHeaderSize;
    }
    const size_t stride = static_cast<size_t>(MonoImage::StrideFor(width));
    if (bitsStart > avail || (avail - bitsStart) / stride < static_cast<size_t>(height))
        return Fail(error, "truncated bits");
    // Ink is the darker colour; with one colour (or two equal ones) index 0 is ink.
    auto luma = [&](uint32_t i) {
        const uint8_t* c = p + headerSize + i * 4;  // blue, green, red, reserved
        return c[0] * 114u + c[1] * 587u + c[2] * 299u;
    };
    const bool inkIsOne = colours == 2 && luma(1) < luma(0);
    out.Reset(width, height);
    const uint8_t* bits = p + bitsStart;
    for (int y = 0; y < height; ++y) {
        const uint8_t* src = bits + stride * static_cast<size_t>(topDown ? y : height - 1 - y);
        uint8_t* dst = out.Row(y);
        for (size_t i = 0; i < stride; ++i)
            dst[i] = inkIsOne ? src[i] : static_cast<uint8_t>(~src[i]);
        // Keep the padding bits past the width clear.
        const int tail = width & 7;
        const size_t used = static_cast<size_t>((width + 7) / 8);
        if (tail) dst[used - 1] &= static_cast<uint8_t>(0xFF << (8 - tail));
        for (size_t i = used; i < stride; ++i) dst[i] = 0;
    }
    return true;
}
