#include "framework/core/Colors.h"

#include <gtest/gtest.h>

#include "framework/core/SysUtils.h"

namespace {

TEST(ColorNames, RoundTripOfPaletteSystemAndHexNames) {
  const std::pair<TColor, const char*> cases[] = {
      // the colour picker's 16, in list order
      {0x000000, "clBlack"}, {0x000080, "clMaroon"}, {0x008000, "clGreen"}, {0x008080, "clOlive"},
      {0x800000, "clNavy"}, {0x800080, "clPurple"}, {0x808000, "clTeal"}, {0x808080, "clGray"},
      {0xC0C0C0, "clSilver"}, {0x0000FF, "clRed"}, {0x00FF00, "clLime"}, {0x00FFFF, "clYellow"},
      {0xFF0000, "clBlue"}, {0xFF00FF, "clFuchsia"}, {0xFFFF00, "clAqua"}, {0xFFFFFF, "clWhite"},
      // system colours, the two specials, and values without a name
      {static_cast<TColor>(0x8000000F), "clBtnFace"}, {clInfoBk, "clInfoBk"}, {cl3DDkShadow, "cl3DDkShadow"},
      {clNone, "clNone"}, {clDefault, "clDefault"}, {0x123456, "$00123456"}, {SystemColor(30), "$8000001E"},
  };
  for (const auto& [value, text] : cases) {
    EXPECT_EQ(ColorToString(value), text);
    EXPECT_EQ(StringToColor(text), value);
  }
  EXPECT_EQ(StringToColor("CLRED"), clRed);
  EXPECT_EQ(StringToColor("255"), clRed);
  EXPECT_THROW(StringToColor("Red"), EConvertError);
}

uint32_t FakeSystemColors(int index) { return 0xAB000000u | static_cast<uint32_t>(index) * 0x010101u; }

TEST(ColorToRGB, SystemColoursThroughTheLookup) {
  EXPECT_EQ(ColorToRGB(0x123456), 0x123456);
  EXPECT_EQ(ColorToRGB(clNone), clNone);  // left to the caller
  EXPECT_EQ(ColorToRGB(clBtnFace), 0xC0C0C0);  // built-in defaults
  EXPECT_EQ(ColorToRGB(SystemColor(200)), 0);  // no such index
  SetSystemColorLookup(FakeSystemColors);
  EXPECT_EQ(ColorToRGB(clBtnFace), 0x0F0F0F);  // index 15, high byte dropped
  SetSystemColorLookup(nullptr);
  EXPECT_EQ(ColorToRGB(clBtnFace), 0xC0C0C0);
}

}  // namespace
