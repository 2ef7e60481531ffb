// Minimum and maximum of integers, floats, dates and values of any ordered type.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>

#include "framework/core/DateTime.h"
#include "framework/core/Exception.h"

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

// The largest / smallest of values of one ordered type (numbers, texts, dates): the first
// value is the start and only a larger (smaller) one takes its place, so of equal values
// the first is kept. An empty list throws Exception.
template <class T, class Better>
T ChooseOf(std::span<const T> values, Better better) {
    if (values.empty()) throw Exception("No value to choose from");
    T result = values.front();
    for (const T& v : values.subspan(1))
        if (better(v, result)) result = v;
    return result;
}
template <class T>
T MaxOf(std::span<const T> values) {
    return ChooseOf(values, [](const T& v, const T& r) { return r < v; });
}
template <class T>
T MinOf(std::span<const T> values) {
    return ChooseOf(values, [](const T& v, const T& r) { return v < r; });
}
template <class T>
T MaxOf(std::initializer_list<T> values) {
    return MaxOf(std::span<const T>(values.begin(), values.size()));
}
template <class T>
T MinOf(std::initializer_list<T> values) {
    return MinOf(std::span<const T>(values.begin(), values.size()));
}
