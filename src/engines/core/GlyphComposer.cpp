#include "engines/core/GlyphComposer.h"

namespace {

constexpr int kAsciiCell = 8;
constexpr int kWideCell = 16;
constexpr uint8_t kFirstTrail = 0xA1;
constexpr uint8_t kLastTrail = 0xFE;

bool IsTrail(uint8_t b) {
    return b >= kFirstTrail && b <= kLastTrail;
}

std::string SizeProblem(const char* name, const MonoImage& image, int width, int height) {
    if (image.Width() == width && image.Height() == height) return {};
    return std::string(name) + " is " + std::to_string(image.Width()) + " x " +
           std::to_string(image.Height()) + ", not " + std::to_string(width) + " x " +
           std::to_string(height);
}

}  // namespace

std::string GlyphComposer::CheckFonts(const BitmapFontSet& fonts) {
    std::string why = SizeProblem("FontASCII", fonts.ascii, kAsciiWidth, kCellHeight);
    if (why.empty()) why = SizeProblem("FontKSC5601", fonts.ksc5601, kKscWidth, kKscHeight);
    if (why.empty()) why = SizeProblem("FontHanja", fonts.hanja, kHanjaWidth, kHanjaHeight);
    return why;
}

GlyphCell GlyphComposer::SingleCell(uint8_t byte) {
    uint8_t shown = byte;
    if (byte < 0x20)
        shown = ' ';
    else if (byte > 0x7E)
        shown = '?';  // 0x7F and 0x80 have no cell; a lone lead byte shows '?' too
    return {GlyphSource::Ascii, (shown - 0x20) * kAsciiCell, 0, kAsciiCell};
}

GlyphCell GlyphComposer::PairCell(uint8_t lead, uint8_t trail) {
    if (lead == 0xFE) {
        lead = kPlaceholderLead;
        trail = kPlaceholderTrail;
    }
    if (IsTrail(trail)) {
        const int column = (trail - kFirstTrail) * kWideCell;
        if (lead >= 0xCA && lead <= 0xFD)
            return {GlyphSource::Hanja, column, (lead - 0xCA) * kWideCell, kWideCell};
        if (lead >= 0xA1 && lead <= 0xAC)
            return {GlyphSource::Ksc5601, column, (lead - 0xA1) * kWideCell, kWideCell};
        if (lead >= 0xB0 && lead <= 0xC8)
            return {GlyphSource::Ksc5601, column, (lead - 0xA1 - 3) * kWideCell, kWideCell};
    }
    // Leads 0x81-0xA0, 0xAD-0xAF and 0xC9 and the trails 0x80-0xA0 and 0xFF lie outside
    // the fonts: show the placeholder rather than whatever sits next to the bitmap.
    return PairCell(kPlaceholderLead, kPlaceholderTrail);
}

void GlyphComposer::DrawCell(const GlyphCell& cell, int x, MonoImage& out) const {
    const MonoImage* font = &fonts_.ascii;
    if (cell.source == GlyphSource::Ksc5601)
        font = &fonts_.ksc5601;
    else if (cell.source == GlyphSource::Hanja)
        font = &fonts_.hanja;
    out.CopyBlock(x, 0, *font, cell.x, cell.y, cell.width, kCellHeight);
}

void GlyphComposer::ComposeLine(const uint8_t* text, size_t n, MonoImage& out) const {
    out.Reset(static_cast<int>(n) * kAsciiCell, kCellHeight);
    if (text == nullptr) return;
    int x = 0;
    size_t i = 0;
    while (i < n) {
        const uint8_t b = text[i];
        if (b < 0x81) {
            DrawCell(SingleCell(b), x, out);
            x += kAsciiCell;
            ++i;
        } else if (i + 1 == n) {
            DrawCell(SingleCell('?'), x, out);
            x += kAsciiCell;
            ++i;
        } else if (text[i + 1] >= 0x80) {
            DrawCell(PairCell(b, text[i + 1]), x, out);
            x += kWideCell;
            i += 2;
        } else {
            DrawCell(SingleCell('?'), x, out);
            DrawCell(SingleCell(text[i + 1]), x + kAsciiCell, out);
            x += 2 * kAsciiCell;
            i += 2;
        }
    }
}
