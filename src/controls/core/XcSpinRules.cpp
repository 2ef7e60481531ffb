#include "controls/core/XcSpinRules.h"

#include <cmath>
#include <cstdint>

#include "framework/core/DateTime.h"
#include "framework/core/SysUtils.h"

double TSpinRules::CheckValue(double value) const {
    if (MinValue == MaxValue) return value;
    double lo = MinValue < MaxValue ? MinValue : MaxValue;
    double hi = MinValue < MaxValue ? MaxValue : MinValue;
    if (value < lo) return lo;
    if (value > hi) return hi;
    return value;
}

double TSpinRules::ValueOf(std::string_view text) const {
    if (ValueType == vtFloat) {
        double v = 0;
        return TryStrToFloat(text, v) ? v : MinValue;
    }
    int32_t i = 0;
    return TryStrToInt(text, i) ? static_cast<double>(i) : std::trunc(MinValue);
}

std::string TSpinRules::TextOf(double value) const {
    double v = CheckValue(value);
    if (ValueType == vtFloat) {
        int digits = Decimal < 0 ? 0 : (Decimal > 18 ? 18 : Decimal);
        return FloatToStrF(v, ffFixed, 15, digits);
    }
    if (std::isnan(v)) v = 0;
    v = std::nearbyint(v);
    if (v > INT32_MAX) v = INT32_MAX;
    if (v < INT32_MIN) v = INT32_MIN;
    return IntToStr(static_cast<int32_t>(v));
}

std::string TSpinRules::StepText(std::string_view text, bool up) const {
    return TextOf(ValueOf(text) + (up ? Increment : -Increment));
}

std::string TSpinRules::ExitText(std::string_view text) const {
    double v = ValueOf(text);
    return CheckValue(v) != v ? TextOf(v) : std::string(text);
}

void TSpinRules::SetValueType(TValueType type) {
    if (type == ValueType) return;
    ValueType = type;
    if (type == vtInt) {
        Increment = std::nearbyint(Increment);
        if (Increment == 0) Increment = 1;
    }
}

bool TSpinRules::IsValidChar(char c, std::string_view text, bool editorEnabled) const {
    auto u = static_cast<unsigned char>(c);
    if (!editorEnabled) return u < 32 && u != 8;
    if (u < 32) return true;
    if ((c >= '0' && c <= '9') || c == '+' || c == '-') return true;
    if (ValueType != vtFloat) return false;
    if (c == FormatSettings().DecimalSeparator)
        return text.find(FormatSettings().DecimalSeparator) == std::string_view::npos;
    if (c == 'e' || c == 'E')
        return text.find('e') == std::string_view::npos &&
               text.find('E') == std::string_view::npos;
    return false;
}

TSpinButtonState DiagonalHalfAt(int x, int y, int width, int height) {
    if (x < 0 || y < 0 || x >= width || y >= height) return sbNotDown;
    double line = height - static_cast<double>(height) / width * x;
    return y >= line ? sbBottomDown : sbTopDown;
}
