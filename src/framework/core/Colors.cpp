#include "framework/core/Colors.h"

#include <atomic>
#include <iterator>

#include "framework/core/SysUtils.h"

namespace {

struct NamedColor {
  TColor value;
  const char* name;
};

constexpr NamedColor kColorNames[] = {
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clOlive, "clOlive"},
    {clNavy, "clNavy"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clGray, "clGray"},
    {clSilver, "clSilver"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clWhite, "clWhite"},
    {clScrollBar, "clScrollBar"},
    {clBackground, "clBackground"},
    {clActiveCaption, "clActiveCaption"},
    {clInactiveCaption, "clInactiveCaption"},
    {clMenu, "clMenu"},
    {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"},
    {clMenuText, "clMenuText"},
    {clWindowText, "clWindowText"},
    {clCaptionText, "clCaptionText"},
    {clActiveBorder, "clActiveBorder"},
    {clInactiveBorder, "clInactiveBorder"},
    {clAppWorkSpace, "clAppWorkSpace"},
    {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"},
    {clBtnFace, "clBtnFace"},
    {clBtnShadow, "clBtnShadow"},
    {clGrayText, "clGrayText"},
    {clBtnText, "clBtnText"},
    {clInactiveCaptionText, "clInactiveCaptionText"},
    {clBtnHighlight, "clBtnHighlight"},
    {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"},
    {clInfoText, "clInfoText"},
    {clInfoBk, "clInfoBk"},
    {clNone, "clNone"},
    {clDefault, "clDefault"},
};

// The classic Windows scheme, 0x00BBGGRR, by COLOR_x index.
constexpr uint32_t kDefaultSystemColors[] = {
    0xC0C0C0,  // scroll bar
    0x808000,  // desktop
    0x800000,  // active caption
    0x808080,  // inactive caption
    0xC0C0C0,  // menu
    0xFFFFFF,  // window
    0x000000,  // window frame
    0x000000,  // menu text
    0x000000,  // window text
    0xFFFFFF,  // caption text
    0xC0C0C0,  // active border
    0xC0C0C0,  // inactive border
    0x808080,  // application workspace
    0x800000,  // highlight
    0xFFFFFF,  // highlight text
    0xC0C0C0,  // button face
    0x808080,  // button shadow
    0x808080,  // grey text
    0x000000,  // button text
    0xC0C0C0,  // inactive caption text
    0xFFFFFF,  // button highlight
    0x000000,  // 3-D dark shadow
    0xC0C0C0,  // 3-D light
    0x000000,  // tool-tip text
    0xE1FFFF,  // tool-tip background
};

uint32_t DefaultSystemColor(int index) {
  if (index < 0 || index >= static_cast<int>(std::size(kDefaultSystemColors))) return 0;
  return kDefaultSystemColors[index];
}

std::atomic<SystemColorLookup> gLookup{nullptr};

}  // namespace

void SetSystemColorLookup(SystemColorLookup lookup) { gLookup.store(lookup); }

TColor ColorToRGB(TColor color) {
  if (color >= 0) return color;
  int index = static_cast<int>(static_cast<uint32_t>(color) & 0xFF);
  SystemColorLookup lookup = gLookup.load();
  uint32_t rgb = lookup ? lookup(index) : DefaultSystemColor(index);
  return static_cast<TColor>(rgb & 0xFFFFFF);
}

std::string ColorToString(TColor color) {
  for (const NamedColor& c : kColorNames)
    if (c.value == color) return c.name;
  return "$" + IntToHex(color, 8);
}

TColor StringToColor(std::string_view text) {
  for (const NamedColor& c : kColorNames)
    if (AnsiCompareText(text, c.name) == 0) return c.value;
  return StrToInt(text);
}
