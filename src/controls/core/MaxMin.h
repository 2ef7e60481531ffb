// Minimum and maximum of integers, floats and dates.
#pragma once

#include <cstdint>
#include <span>

#include "framework/core/DateTime.h"

inline int32_t Max(int32_t a, int32_t b) {
    return a > b ? a : b;
}
inline int32_t Min(int32_t a, int32_t b) {
    return a < b ? a : b;
}
inline void SwapInt(int32_t& a, int32_t& b) {
    int32_t t = a;
    a = b;
    b = t;
}
inline void SwapLong(int32_t& a, int32_t& b) {
    SwapInt(a, b);
}

// The largest / smallest value of a list; an empty list throws Exception.
int32_t MaxInteger(std::span<const int32_t> values);
int32_t MinInteger(std::span<const int32_t> values);
double MaxFloat(std::span<const double> values);
double MinFloat(std::span<const double> values);
// The latest / earliest date.
TDateTime MaxDateTime(std::span<const TDateTime> values);
TDateTime MinDateTime(std::span<const TDateTime> values);
