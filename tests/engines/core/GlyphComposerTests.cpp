#include "engines/core/GlyphComposer.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

// A synthetic font set in which every cell carries its own identity: the top row of a
// cell holds its number, the bottom row the complement, so a wrong or shifted cell shows.
void MarkCell(MonoImage& image, int x, int y, int width, unsigned id) {
    for (int i = 0; i < width; ++i) {
        const bool bit = (id >> (width - 1 - i)) & 1;
        image.SetInk(x + i, y, bit);
        image.SetInk(x + i, y + 15, !bit);
    }
    image.SetInk(x + width / 2, y + 7, true);
}

const BitmapFontSet& SyntheticFonts() {
    static const BitmapFontSet fonts = [] {
        BitmapFontSet f{MonoImage(760, 16), MonoImage(1504, 592), MonoImage(1504, 832)};
        for (int n = 0; n < 95; ++n) MarkCell(f.ascii, n * 8, 0, 8, 0x20 + n);
        for (int row = 0; row < 37; ++row)
            for (int col = 0; col < 94; ++col)
                MarkCell(f.ksc5601, col * 16, row * 16, 16, 0x4000 | row << 7 | col);
        for (int row = 0; row < 52; ++row)
            for (int col = 0; col < 94; ++col)
                MarkCell(f.hanja, col * 16, row * 16, 16, 0x8000 | row << 7 | col);
        return f;
    }();
    return fonts;
}

// Expected cells: an ASCII character, or a row and column of one of the wide fonts.
struct Cell {
    GlyphSource source;
    int a;  // character, or row
    int b;  // column
};
Cell Ascii(char c) {
    return {GlyphSource::Ascii, static_cast<unsigned char>(c), 0};
}
Cell Ksc(int row, int col) {
    return {GlyphSource::Ksc5601, row, col};
}
Cell Hanja(int row, int col) {
    return {GlyphSource::Hanja, row, col};
}

MonoImage Expected(const std::vector<Cell>& cells) {
    const BitmapFontSet& f = SyntheticFonts();
    int width = 0;
    for (const Cell& c : cells) width += c.source == GlyphSource::Ascii ? 8 : 16;
    MonoImage out(width, 16);
    int x = 0;
    for (const Cell& c : cells) {
        if (c.source == GlyphSource::Ascii) {
            out.CopyBlock(x, 0, f.ascii, (c.a - 0x20) * 8, 0, 8, 16);
            x += 8;
        } else {
            out.CopyBlock(x, 0, c.source == GlyphSource::Ksc5601 ? f.ksc5601 : f.hanja, c.b * 16,
                          c.a * 16, 16, 16);
            x += 16;
        }
    }
    return out;
}

struct ComposeCase {
    const char* name;
    std::string text;
    std::vector<Cell> cells;
};

class ComposeLine : public testing::TestWithParam<ComposeCase> {};

TEST_P(ComposeLine, DrawsTheRightCells) {
    const ComposeCase& c = GetParam();
    GlyphComposer composer(SyntheticFonts());
    MonoImage out;
    composer.ComposeLine(c.text, out);
    const MonoImage want = Expected(c.cells);
    ASSERT_EQ(out.Width(), static_cast<int>(c.text.size()) * 8);
    ASSERT_EQ(out.Width(), want.Width());
    ASSERT_EQ(out.Height(), 16);
    EXPECT_EQ(out.Bits(), want.Bits());
}

// The cases every line drawn with the built-in fonts depends on, and the bytes that fall
// outside the fonts (which must never read next to or outside a bitmap).
INSTANTIATE_TEST_SUITE_P(
    Cases, ComposeLine,
    testing::Values(
        ComposeCase{"AsciiThenSyllable", "A\xB0\xA1", {Ascii('A'), Ksc(12, 0)}},
        ComposeCase{"LastSyllableCell", "\xC8\xFE", {Ksc(36, 93)}},
        ComposeCase{"SymbolRows", "\xA1\xA1\xAC\xFE", {Ksc(0, 0), Ksc(11, 93)}},
        ComposeCase{"HanjaFirstAndLast", "\xCA\xA1\xFD\xFE", {Hanja(0, 0), Hanja(51, 93)}},
        ComposeCase{"LeadFEShowsPlaceholder", "\xFE\xA1", {Ksc(1, 14)}},
        ComposeCase{"LoneLeadAtEnd", "ab\xB0", {Ascii('a'), Ascii('b'), Ascii('?')}},
        ComposeCase{"LeadBeforeAscii", "\xB0z", {Ascii('?'), Ascii('z')}},
        ComposeCase{"LeadBeforeControl", std::string("\xB0\n", 2), {Ascii('?'), Ascii(' ')}},
        ComposeCase{
            "ControlsAsSpaces", std::string("\x00\x1F~", 3), {Ascii(' '), Ascii(' '), Ascii('~')}},
        ComposeCase{"TwoSpacesHideComposition", "  ", {Ascii(' '), Ascii(' ')}},
        ComposeCase{"DelAndByte80", "\x7F", {Ascii('?')}},
        ComposeCase{"Byte80AsLastByte", "x\x80", {Ascii('x'), Ascii('?')}},
        ComposeCase{"TrailBelowA1", "\xB0\x80\xB0\xA0", {Ksc(1, 14), Ksc(1, 14)}},
        ComposeCase{"TrailFF", "\xB0\xFF", {Ksc(1, 14)}},
        ComposeCase{"LeadsBelowA1", "\x81\xA1\xA0\xFE", {Ksc(1, 14), Ksc(1, 14)}},
        ComposeCase{
            "LeadsWithoutRows", "\xAD\xA1\xAF\xFE\xC9\xA1", {Ksc(1, 14), Ksc(1, 14), Ksc(1, 14)}},
        ComposeCase{"PairOfFFs", "\xFF\xFF", {Ksc(1, 14)}}, ComposeCase{"Empty", "", {}}),
    [](const testing::TestParamInfo<ComposeCase>& info) { return std::string(info.param.name); });

TEST(GlyphComposer, EveryPairStaysInsideTheFonts) {
    // All 65536 two-byte texts: a 16-wide cell or two 8-wide cells, always inside a font.
    for (int lead = 0; lead < 256; ++lead)
        for (int trail = 0; trail < 256; ++trail) {
            if (lead >= 0x81 && trail >= 0x80) {
                const GlyphCell c = GlyphComposer::PairCell(static_cast<uint8_t>(lead),
                                                            static_cast<uint8_t>(trail));
                const int height = c.source == GlyphSource::Hanja ? 832 : 592;
                ASSERT_NE(c.source, GlyphSource::Ascii);
                ASSERT_TRUE(c.x >= 0 && c.x + 16 <= 1504 && c.y >= 0 && c.y + 16 <= height)
                    << lead << " " << trail;
            } else {
                const GlyphCell c = GlyphComposer::SingleCell(static_cast<uint8_t>(lead));
                ASSERT_TRUE(c.x >= 0 && c.x + 8 <= 760 && c.y == 0) << lead;
            }
        }
}

TEST(GlyphComposer, ReusedImageIsClearedAndFontsOfWrongSizeAreTolerated) {
    GlyphComposer composer(SyntheticFonts());
    MonoImage out;
    composer.ComposeLine("\xCA\xA1\xCA\xA1", out);
    composer.ComposeLine("  ", out);
    EXPECT_EQ(out.Bits(), Expected({Ascii(' '), Ascii(' ')}).Bits());

    BitmapFontSet small{MonoImage(8, 16), MonoImage(16, 16), MonoImage()};
    EXPECT_NE(GlyphComposer::CheckFonts(small), "");
    EXPECT_EQ(GlyphComposer::CheckFonts(SyntheticFonts()), "");
    GlyphComposer tolerant(small);
    tolerant.ComposeLine("~\xFD\xFE\xB0\xA1", out);  // cells outside the small bitmaps
    EXPECT_EQ(out.Width(), 40);
    EXPECT_EQ(out.Bits(), std::vector<uint8_t>(out.Bits().size(), 0));
}

TEST(MonoImage, BmpRoundTripKeepsInkAndRejectsOtherFormats) {
    MonoImage image(13, 3);
    image.SetInk(0, 0, true);
    image.SetInk(12, 2, true);
    image.SetInk(5, 1, true);
    std::vector<uint8_t> bmp = EncodeMonoBmp(image);
    MonoImage back;
    std::string error;
    ASSERT_TRUE(DecodeMonoDib(bmp.data(), bmp.size(), back, &error)) << error;
    EXPECT_EQ(back.Width(), 13);
    EXPECT_EQ(back.Height(), 3);
    EXPECT_EQ(back.Bits(), image.Bits());

    // The packed form a bitmap resource holds: the same without the 14-byte file header.
    ASSERT_TRUE(DecodeMonoDib(bmp.data() + 14, bmp.size() - 14, back, &error)) << error;
    EXPECT_EQ(back.Bits(), image.Bits());

    // Palette the other way round (white first): ink is still the dark colour.
    std::vector<uint8_t> swapped = bmp;
    for (int i = 0; i < 4; ++i) std::swap(swapped[54 + i], swapped[58 + i]);
    for (size_t i = 62; i < swapped.size(); ++i) swapped[i] = static_cast<uint8_t>(~swapped[i]);
    ASSERT_TRUE(DecodeMonoDib(swapped.data(), swapped.size(), back, &error)) << error;
    EXPECT_EQ(back.Bits(), image.Bits());

    // Damaged headers and data are refused, never read past.
    for (size_t cut : {size_t{0}, size_t{10}, size_t{30}, size_t{60}, bmp.size() - 1}) {
        EXPECT_FALSE(DecodeMonoDib(bmp.data(), cut, back, &error)) << cut;
    }
    std::vector<uint8_t> eightBit = bmp;
    eightBit[28] = 8;
    EXPECT_FALSE(DecodeMonoDib(eightBit.data(), eightBit.size(), back, &error));
    std::vector<uint8_t> huge = bmp;
    huge[21] = 0x7F;  // width near 2^31
    EXPECT_FALSE(DecodeMonoDib(huge.data(), huge.size(), back, &error));
}

#ifndef _WIN32
// The bitmaps that tools/fontgen generates in the native build, when they are there.
bool LoadGenerated(const char* name, MonoImage& image) {
    std::ifstream f(std::string(QUIRO_BINARY_DIR) + "/fonts/" + name + ".bmp", std::ios::binary);
    if (!f) return false;
    std::vector<uint8_t> data((std::istreambuf_iterator<char>(f)),
                              std::istreambuf_iterator<char>());
    std::string error;
    EXPECT_TRUE(DecodeMonoDib(data.data(), data.size(), image, &error)) << name << ": " << error;
    return true;
}

int InkCount(const MonoImage& image, int x, int y, int w, int h) {
    int n = 0;
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) n += image.Ink(x + i, y + j);
    return n;
}

TEST(GeneratedFonts, HaveTheLayoutAndEveryGlyph) {
    BitmapFontSet fonts;
    if (!LoadGenerated("FontASCII", fonts.ascii) || !LoadGenerated("FontKSC5601", fonts.ksc5601) ||
        !LoadGenerated("FontHanja", fonts.hanja))
        GTEST_SKIP() << "no generated fonts in " << QUIRO_BINARY_DIR << "/fonts";
    ASSERT_EQ(GlyphComposer::CheckFonts(fonts), "");

    // Every printable ASCII character but the space has ink; descenders are kept.
    for (int c = 0x21; c <= 0x7E; ++c)
        EXPECT_GT(InkCount(fonts.ascii, (c - 0x20) * 8, 0, 8, 16), 0) << c;
    EXPECT_EQ(InkCount(fonts.ascii, 0, 0, 8, 16), 0);
    EXPECT_GT(InkCount(fonts.ascii, ('g' - 0x20) * 8, 12, 8, 4), 0);

    // All 2350 syllables and 4888 Hanja are there, and the syllables are distinct (no cell
    // repeated or shifted onto its neighbour; some Hanja are duplicates in the code itself).
    std::set<std::vector<uint8_t>> seen;
    GlyphComposer composer(fonts);
    MonoImage out;
    for (int lead = 0xB0; lead <= 0xFD; ++lead) {
        if (lead == 0xC9) continue;
        for (int trail = 0xA1; trail <= 0xFE; ++trail) {
            const char text[] = {static_cast<char>(lead), static_cast<char>(trail)};
            composer.ComposeLine(std::string(text, 2), out);
            ASSERT_GT(InkCount(out, 0, 0, 16, 16), 0) << lead << " " << trail;
            if (lead <= 0xC8) {
                ASSERT_TRUE(seen.insert(out.Bits()).second) << lead << " " << trail;
            }
        }
    }
    EXPECT_EQ(seen.size(), 2350u);

    // The syllable's tops and bottoms survive the fit into 16 rows: some glyphs reach the
    // first and some the last row.
    int top = 0, bottom = 0;
    for (int row = 12; row < 37; ++row)
        for (int col = 0; col < 94; ++col) {
            top += InkCount(fonts.ksc5601, col * 16, row * 16, 16, 1);
            bottom += InkCount(fonts.ksc5601, col * 16, row * 16 + 15, 16, 1);
        }
    EXPECT_GT(top, 0);
    EXPECT_GT(bottom, 0);
}
#endif

}  // namespace
