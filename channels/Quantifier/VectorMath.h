// Single-precision vector arithmetic in the documented order of additions. Every
// intermediate is a float; the build forbids contraction into fused multiply-adds.
#pragma once

#include <cmath>

#include "Orn_Types.h"

// Lane-by-lane difference a - b.
inline XMFLOAT4 Subtract(const XMFLOAT4& a, const XMFLOAT4& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z, a.w - b.w};
}

// Lane-by-lane sum a + b.
inline XMFLOAT4 Add(const XMFLOAT4& a, const XMFLOAT4& b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z, a.w + b.w};
}

// Length of x, y, z with the z term added before the y term: sqrt((x^2 + z^2) + y^2).
inline float LengthZFirst(const XMFLOAT4& v) {
    const float sum = (v.x * v.x + v.z * v.z) + v.y * v.y;
    return std::sqrt(sum);
}

// (x^2 + y^2) + z^2, the y term first.
inline float SquaredLengthYFirst(const XMFLOAT4& v) {
    return (v.x * v.x + v.y * v.y) + v.z * v.z;
}

// True when a and b agree within 0.0001, tested in double precision around b: a > b - 0.0001
// and b + 0.0001 > a, both strict, so a NaN on either side fails.
inline bool WithinTolerance(float a, float b) {
    constexpr double kTolerance = 0.0001;
    const double wa = a, wb = b;
    return wa > wb - kTolerance && wb + kTolerance > wa;
}
