#include "framework/core/Colors.h"

#include <gtest/gtest.h>

#include "framework/core/SysUtils.h"

namespace {

TEST(ColorNames, PaletteValuesAndNames) {
  // The 16 colours of the colour picker, in list order.
  const struct {
    TColor value;
    const char* name;
  } palette[] = {
      {0x000000, "Black"}, {0x000080, "Maroon"}, {0x008000, "Green"},   {0x008080, "Olive"},
      {0x800000, "Navy"},  {0x800080, "Purple"}, {0x808000, "Teal"},    {0x808080, "Gray"},
      {0xC0C0C0, "Silver"}, {0x0000FF, "Red"},   {0x00FF00, "Lime"},    {0x00FFFF, "Yellow"},
      {0xFF0000, "Blue"},  {0xFF00FF, "Fuchsia"}, {0xFFFF00, "Aqua"},   {0xFFFFFF, "White"},
  };
  for (const auto& c : palette) {
    EXPECT_EQ(ColorToString(c.value), std::string("cl") + c.name);
    EXPECT_EQ(StringToColor(std::string("cl") + c.name), c.value);
  }
}

TEST(ColorNames, RoundTripOfNamesAndHexFallBack) {
  const struct {
    TColor value;
    const char* text;
  } cases[] = {
      {clBtnFace, "clBtnFace"},
      {static_cast<TColor>(0x8000000F), "clBtnFace"},
      {clInfoBk, "clInfoBk"},
      {cl3DDkShadow, "cl3DDkShadow"},
      {clNone, "clNone"},
      {clDefault, "clDefault"},
      {0x123456, "$00123456"},
      {SystemColor(30), "$8000001E"},
      {static_cast<TColor>(0xFF000000), "$FF000000"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ColorToString(c.value), c.text);
    EXPECT_EQ(StringToColor(c.text), c.value);
  }
  EXPECT_EQ(StringToColor("CLRED"), clRed);
  EXPECT_EQ(StringToColor("255"), clRed);
  EXPECT_THROW(StringToColor("Red"), EConvertError);
  EXPECT_THROW(StringToColor(""), EConvertError);
}

uint32_t FakeSystemColors(int index) { return 0xAB000000u | static_cast<uint32_t>(index) * 0x010101u; }

TEST(ColorToRGB, SystemColoursThroughTheLookup) {
  EXPECT_EQ(ColorToRGB(0x123456), 0x123456);
  EXPECT_EQ(ColorToRGB(clNone), clNone);  // left to the caller
  EXPECT_EQ(ColorToRGB(clWindow), 0xFFFFFF);  // built-in defaults
  EXPECT_EQ(ColorToRGB(clBtnFace), 0xC0C0C0);
  EXPECT_EQ(ColorToRGB(SystemColor(200)), 0);  // no such index
  SetSystemColorLookup(FakeSystemColors);
  EXPECT_EQ(ColorToRGB(clBtnFace), 0x0F0F0F);  // index 15, high byte dropped
  EXPECT_EQ(ColorToRGB(clScrollBar), 0);
  SetSystemColorLookup(nullptr);
  EXPECT_EQ(ColorToRGB(clBtnFace), 0xC0C0C0);
}

}  // namespace
