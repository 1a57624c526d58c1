// Float-to-integer conversions with a defined result for every input. A plain cast of NaN
// or of a value outside the target's range is undefined behaviour in C++.
#pragma once

#include <cstdint>
#include <limits>

// Truncation toward zero; NaN and values outside the 32-bit signed range give INT32_MIN
// (what the x86 conversion instruction produces for them).
constexpr int32_t TruncateToInt32(float value) {
    // 2^31 is exactly representable; every float below it in magnitude truncates into range.
    if (value >= -2147483648.0f && value < 2147483648.0f) return static_cast<int32_t>(value);
    return std::numeric_limits<int32_t>::min();
}

// Truncation toward zero; NaN and values outside the 64-bit signed range give INT64_MIN.
constexpr int64_t TruncateToInt64(float value) {
    if (value >= -9223372036854775808.0f && value < 9223372036854775808.0f) {
        return static_cast<int64_t>(value);
    }
    return std::numeric_limits<int64_t>::min();
}
