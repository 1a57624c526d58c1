// The accumulators' reduction of a step larger than their range. A header of its own so that
// the benchmarks' hand-written accumulator reduces exactly as the operation does.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "Conversions.h"

// Brings a step whose magnitude exceeds the range back to about the range: the integer part
// of the step modulo the integer part of the range, with the step's sign, plus the step's
// own fractional part. Only called with |step| > range > 0.
inline float ReduceStep(float step, float range) {
    // An infinite step has no integer part to reduce; it is added as it is.
    if (!std::isfinite(step)) return step;
    const float magnitude = std::fabs(step);
    if (magnitude < 2147483648.0f) {
        // Here range < |step| < 2^31, so both truncate into 32 bits, the step is never
        // INT32_MIN (no overflow in abs) and the modulus is never negative.
        const int32_t integerStep = TruncateToInt32(step);
        const int32_t integerRange = TruncateToInt32(range);
        // A range below 1 gives no modulus: the step is used unreduced.
        if (integerRange == 0) return step;
        const int32_t rem = integerStep % integerRange;
        const float frac = magnitude - static_cast<float>(std::abs(integerStep));
        return step > 0.0f ? frac + static_cast<float>(rem) : static_cast<float>(rem) - frac;
    }
    // From 2^31 on the integer part no longer fits 32 bits. Such a float is a whole number
    // (no fractional part), and fmod gives its exact remainder, so the reduction means the
    // same as below 2^31.
    const float integerRange = std::trunc(range);
    if (integerRange == 0.0f) return step;
    float rem = std::fmod(step, integerRange);
    // An integer remainder has no sign of zero; keep the result the 32-bit path would give.
    if (rem == 0.0f) rem = 0.0f;
    return rem;
}
