// Conversions to int that never leave its range: a value too large or too
// small gives the nearest bound, and a double that is not a number gives 0,
// where a plain cast would be undefined.
#pragma once
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

inline int SaturateInt(int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, INT_MIN, INT_MAX)); }

// Toward zero.
inline int TruncateToInt(double v) {
    if (std::isnan(v)) return 0;
    if (v >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (v <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(v);
}
