#include "controls/core/XcComboRules.h"

#include <gtest/gtest.h>

namespace {

TEST(ColorCombo, TheSixteenColoursInTheConsoleOrderWithTheirNames) {
    const struct {
        TColor value;
        const char* name;
    } table[kColorComboCount] = {
        {0x000000, "Black"},  {0x000080, "Maroon"}, {0x008000, "Green"},   {0x008080, "Olive"},
        {0x800000, "Navy"},   {0x800080, "Purple"}, {0x808000, "Teal"},    {0x808080, "Gray"},
        {0xC0C0C0, "Silver"}, {0x0000FF, "Red"},    {0x00FF00, "Lime"},    {0x00FFFF, "Yellow"},
        {0xFF0000, "Blue"},   {0xFF00FF, "Fuchsia"}, {0xFFFF00, "Aqua"},   {0xFFFFFF, "White"},
    };
    for (int i = 0; i < kColorComboCount; ++i) {
        EXPECT_EQ(ColorComboColor(i), table[i].value) << i;
        EXPECT_EQ(ColorDisplayName(ColorComboColor(i)), table[i].name) << i;
    }
    EXPECT_EQ(ColorDisplayName(clBtnFace), "BtnFace");
    EXPECT_EQ(ColorDisplayName(0x00123456), "$00123456");
}

TEST(ColorCombo, ValueOfTheTypedText) {
    const std::vector<std::string> names{"Black", "Red", "Mine"};
    const std::vector<TColor> colors{clBlack, clRed, 0x00ABCDEF};
    const struct {
        const char* text;
        TColor want;
    } rows[] = {
        {"red", clRed}, {"Mine", 0x00ABCDEF}, {"$00FF0000", clBlue}, {"255", clRed},
        {"no such", 0x4242},  // the stored value
        {"", 0x4242},
    };
    for (const auto& r : rows) EXPECT_EQ(ColorFromText(r.text, names, colors, 0x4242), r.want)
        << r.text;
}

TEST(OwnerDrawCombo, ItemHeightAndWhereThingsGo) {
    EXPECT_EQ(OwnerDrawItemHeight(13, 0), 14);
    EXPECT_EQ(OwnerDrawItemHeight(5, 0), 9);
    EXPECT_EQ(OwnerDrawItemHeight(13, 17), 16);  // the TrueType mark, less one

    const TRectI item{0, 20, 120, 36};
    EXPECT_EQ(ColorSwatchRect(item, true), (TRectI{2, 22, 24, 34}));
    EXPECT_EQ(ColorSwatchRect(item, false), (TRectI{2, 22, 117, 34}));
    EXPECT_EQ(ColorNameLeft(ColorSwatchRect(item, true)), 30);
    EXPECT_EQ(FontMarkOrigin(item, 12), (TPointI{2, 22}));
    EXPECT_EQ(FontNameLeft(item, 14), 20);
    EXPECT_EQ(FontNameLeft(item, 0), 26);
}

TEST(FontCombo, OptionsChooseTheFamilies) {
    const TFontFamilyInfo ttFixedHangul{129, kTrueTypeFontType, 1 | 0x30};
    const TFontFamilyInfo ttProportional{0, kTrueTypeFontType, 2 | 0x20};
    const TFontFamilyInfo rasterOem{255, kRasterFontType, 1};
    const TFontFamilyInfo device{0, kDeviceFontType, 0};
    const struct {
        TFontListOptions options;
        bool want[4];  // the four families above
    } rows[] = {
        {0, {true, true, true, true}},
        {FontListOption(foFixedPitchOnly), {true, false, true, false}},
        {FontListOption(foAnsiOnly), {false, true, false, true}},
        {FontListOption(foTrueTypeOnly), {true, true, false, false}},
        {FontListOption(foOEMFontsOnly), {false, false, true, false}},
        {FontListOption(foNoOEMFonts), {true, true, false, true}},
        {FontListOption(foScalableOnly), {true, true, false, true}},
        {FontListOption(foFixedPitchOnly) | FontListOption(foTrueTypeOnly),
         {true, false, false, false}},
    };
    const TFontFamilyInfo* fonts[] = {&ttFixedHangul, &ttProportional, &rasterOem, &device};
    for (const auto& r : rows)
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(FontPassesOptions(r.options, *fonts[i]), r.want[i]) << r.options << " " << i;
    EXPECT_EQ(FontMarkOf(kTrueTypeFontType), fmTrueType);
    EXPECT_EQ(FontMarkOf(kDeviceFontType | kRasterFontType), fmDevice);
    EXPECT_EQ(FontMarkOf(kRasterFontType), fmNone);
}

}  // namespace
