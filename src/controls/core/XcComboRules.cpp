#include "controls/core/XcComboRules.h"

#include <algorithm>
#include <cstdint>

#include "engines/core/ConsolePalette.h"
#include "framework/core/Strings.h"
#include "framework/core/SysUtils.h"

TColor ColorComboColor(int index) {
    return static_cast<TColor>(ColorIndexToColor(index));
}

std::string ColorDisplayName(TColor color) {
    std::string name = ColorToString(color);
    return name.rfind("cl", 0) == 0 ? name.substr(2) : name;
}

TColor ColorFromText(std::string_view text, const std::vector<std::string>& names,
                     const std::vector<TColor>& colors, TColor stored) {
    for (size_t i = 0; i < names.size() && i < colors.size(); ++i)
        if (AnsiCompareText(names[i], text) == 0) return colors[i];
    int32_t value = 0;
    return TryStrToInt(text, value) ? value : stored;
}

int OwnerDrawItemHeight(int textMetricHeight, int markHeight) {
    return std::max({textMetricHeight + 1, 9, markHeight - 1});
}

TRectI ColorSwatchRect(const TRectI& item, bool displayNames) {
    TRectI r{item.Left + 2, item.Top + 2, 0, item.Bottom - 2};
    r.Right = displayNames ? r.Left + 22 : item.Right - 3;
    return r;
}

TPointI FontMarkOrigin(const TRectI& item, int markHeight) {
    return {item.Left + 2, item.Top + (item.Height() - markHeight) / 2};
}

int FontNameLeft(const TRectI& item, int markWidth) {
    return item.Left + (markWidth > 0 ? markWidth : 20) + 6;
}

bool FontPassesOptions(TFontListOptions options, const TFontFamilyInfo& font) {
    auto on = [&](TFontListOption o) { return (options & FontListOption(o)) != 0; };
    if (on(foAnsiOnly) && font.Charset != 0) return false;
    if (on(foTrueTypeOnly) && !(font.FontType & kTrueTypeFontType)) return false;
    if (on(foFixedPitchOnly) && !(font.PitchAndFamily & 1)) return false;
    if (on(foOEMFontsOnly) && font.Charset != 255) return false;
    if (on(foNoOEMFonts) && font.Charset == 255) return false;
    if (on(foScalableOnly) && (font.FontType & kRasterFontType)) return false;
    return true;
}

TFontMark FontMarkOf(unsigned fontType) {
    if (fontType & kTrueTypeFontType) return fmTrueType;
    if (fontType & kDeviceFontType) return fmDevice;
    return fmNone;
}
