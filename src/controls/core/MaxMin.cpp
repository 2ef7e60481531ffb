#include "controls/core/MaxMin.h"

#include <algorithm>

#include "framework/core/Exception.h"

namespace {

template <class T, class Pick>
T PickOf(std::span<const T> values, Pick pick) {
    if (values.empty()) throw Exception("No value to choose from");
    return *pick(values);
}

}  // namespace

int32_t MaxInteger(std::span<const int32_t> values) {
    return PickOf(values, std::ranges::max_element);
}
int32_t MinInteger(std::span<const int32_t> values) {
    return PickOf(values, std::ranges::min_element);
}
double MaxFloat(std::span<const double> values) {
    return PickOf(values, std::ranges::max_element);
}
double MinFloat(std::span<const double> values) {
    return PickOf(values, std::ranges::min_element);
}
TDateTime MaxDateTime(std::span<const TDateTime> values) {
    return MaxFloat(values);
}
TDateTime MinDateTime(std::span<const TDateTime> values) {
    return MinFloat(values);
}
