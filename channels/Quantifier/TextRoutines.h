// Text routines written once for both text widths: 8-bit narrow text and 16-bit wide text.
// Every routine works on code units read as unsigned values, ignores the process locale and
// never depends on the width of long or of the platform's wchar_t.
#pragma once

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <system_error>
#include <type_traits>

namespace text_routines {

inline constexpr size_t kNotFound = static_cast<size_t>(-1);

// The unit as an unsigned code: a narrow byte 0..255, a wide unit 0..65535.
template <class Char>
constexpr uint32_t CodeUnit(Char c) {
    return static_cast<uint32_t>(static_cast<std::make_unsigned_t<Char>>(c));
}

// Units before the terminating NUL.
template <class Char>
size_t Length(const Char* text) {
    if constexpr (sizeof(Char) == 1) {
        return std::strlen(reinterpret_cast<const char*>(text));
    } else {
        // Unrolled by hand: the plain loop costs about three times as much per unit. No unit
        // past the terminator is read.
        size_t i = 0;
        for (;; i += 4) {
            if (text[i] == 0) return i;
            if (text[i + 1] == 0) return i + 1;
            if (text[i + 2] == 0) return i + 2;
            if (text[i + 3] == 0) return i + 3;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Searching.
//
// Crochemore-Perrin two-way matching: linear in the text whatever the pattern, constant extra
// space. A Horspool-style skip on the last two units of each window (hashed, so one small
// table serves 16-bit units too) lets typical texts be scanned in long strides; it only ever
// skips windows that cannot match, so the linear bound is kept.

namespace detail {

template <class Char>
struct ForwardUnits {
    const Char* begin;
    uint32_t operator[](size_t i) const { return CodeUnit(begin[i]); }
};

// The text read from its end: unit i is the i-th from the last. Searching the reversed
// pattern in it finds the last occurrence first.
template <class Char>
struct BackwardUnits {
    const Char* end;
    uint32_t operator[](size_t i) const { return CodeUnit(*(end - 1 - i)); }
};

struct Factorization {
    size_t split;   // the pattern's right half starts here
    size_t period;  // period of the right half
};

// Start and period of the maximal suffix of the pattern under the unit order, or under the
// reversed order when `reversed`.
template <class Units>
Factorization MaximalSuffix(Units pattern, size_t m, bool reversed) {
    ptrdiff_t before = -1;  // the suffix starts after this index
    size_t j = 0, k = 1, period = 1;
    while (j + k < m) {
        const uint32_t a = pattern[j + k];
        const uint32_t b = pattern[static_cast<size_t>(before + static_cast<ptrdiff_t>(k))];
        if (reversed ? a > b : a < b) {
            j += k;
            k = 1;
            period = static_cast<size_t>(static_cast<ptrdiff_t>(j) - before);
        } else if (a == b) {
            if (k != period) {
                ++k;
            } else {
                j += period;
                k = 1;
            }
        } else {
            before = static_cast<ptrdiff_t>(j);
            j = j + 1;
            k = period = 1;
        }
    }
    return {static_cast<size_t>(before + 1), period};
}

// The later of the two maximal suffixes gives a critical factorization: its local period is
// the period of the right half.
template <class Units>
Factorization CriticalFactorization(Units pattern, size_t m) {
    const Factorization less = MaximalSuffix(pattern, m, false);
    const Factorization greater = MaximalSuffix(pattern, m, true);
    return less.split >= greater.split ? less : greater;
}

// Skip distances by the hash of a window's last two units: how far the window may move
// before those units can line up with a pair of the pattern.
class PairSkip {
public:
    // No pair of the pattern has the hash: the window's last unit may still start the pattern,
    // so the window moves by m - 1.
    static constexpr uint16_t kAbsent = 0xFFFF;

    template <class Units>
    PairSkip(Units pattern, size_t m) {
        std::fill_n(table, kSlots, kAbsent);
        // Later pairs need smaller shifts; writing them last keeps the smallest per slot.
        for (size_t k = 1; k < m; ++k) {
            table[Slot(pattern[k - 1], pattern[k])] =
                static_cast<uint16_t>(std::min<size_t>(m - 1 - k, kCap));
        }
    }
    uint16_t Shift(uint32_t beforeLast, uint32_t last) const {
        return table[Slot(beforeLast, last)];
    }

private:
    static constexpr size_t kSlots = 1024;
    static constexpr size_t kCap = kAbsent - 1;  // a shorter shift than possible is always safe
    static size_t Slot(uint32_t a, uint32_t b) { return ((a << 5) ^ b) & (kSlots - 1); }
    uint16_t table[kSlots];
};

// Searches of at most this many unit comparisons, (n - m + 1) * m, compare at every position.
inline constexpr size_t kDirectWalkUnits = 512;

// Calls visit(j) at every j where the text holds `unit`, until visit returns false.
template <class TextUnits, class Visit>
void ForEachUnit(TextUnits text, size_t n, uint32_t unit, Visit& visit) {
    for (size_t j = 0; j < n; ++j) {
        if (text[j] == unit && !visit(j)) return;
    }
}

// The search of short inputs, compared at every position: the factorization and the skip table
// (2 KiB to fill) would cost more than the whole search.
template <class TextUnits, class PatternUnits, class Visit>
void ForEachOccurrenceDirectly(TextUnits text, size_t n, PatternUnits pattern, size_t m,
                               Visit& visit) {
    const size_t windows = n - m + 1;
    const uint32_t first = pattern[0];
    for (size_t j = 0; j < windows; ++j) {
        if (text[j] != first) continue;
        size_t i = 1;
        while (i < m && pattern[i] == text[j + i])
            ++i;
        if (i == m && !visit(j)) return;
    }
}

// Moves a window to the next one whose last two units may end an occurrence. Both common cases
// move by amounts that do not wait on a value just loaded, so that successive windows' loads
// overlap: a fixed stride past pairs the pattern lacks, and single steps to the pattern's last
// unit where the table allows only short shifts (a text of 'a' searched for "aa...ab" would
// otherwise take a table look-up per unit).
template <class TextUnits>
struct Candidates {
    TextUnits text;
    size_t m;
    size_t lastStart;   // n - m, the last window's start
    uint32_t lastUnit;  // the pattern's
    const PairSkip& skip;

    // False when no window is left.
    bool Next(size_t& j) const {
        const size_t stride = m - 1;
        while (j <= lastStart) {
            const uint16_t shift = skip.Shift(text[j + m - 2], text[j + m - 1]);
            if (shift == PairSkip::kAbsent) {
                j += stride;
            } else if (shift == 0) {
                return true;
            } else if (shift > 2) {
                j += shift;
            } else {
                j += shift;
                while (j <= lastStart && text[j + m - 1] != lastUnit)
                    ++j;
            }
        }
        return false;
    }
};

// The two-way search where the whole pattern has the right half's period. After a full
// right-half match the next window's first m - period units are already known to match
// ("memory").
template <class TextUnits, class PatternUnits, class Visit>
void ForEachPeriodicOccurrence(TextUnits text, PatternUnits pattern, size_t m, Factorization f,
                               const Candidates<TextUnits>& candidates, Visit& visit) {
    const size_t split = f.split, period = f.period, lastStart = candidates.lastStart;
    size_t j = 0, memory = 0;
    while (memory != 0 ? j <= lastStart : candidates.Next(j)) {
        size_t i = std::max(split, memory);
        while (i < m && pattern[i] == text[j + i])
            ++i;
        if (i < m) {
            j += i - split + 1;
            memory = 0;
            continue;
        }
        i = split;
        while (i > memory && pattern[i - 1] == text[j + i - 1])
            --i;
        if (i <= memory) {
            if (!visit(j)) return;
            // A run of occurrences one period apart, as in a text of one repeated letter:
            // each further window has all but its last period known to match, and the
            // right half covers that last period (split + period <= m here).
            const size_t known = m - period;
            if (period == 1) {
                // One unit repeated: every further unit equal to it ends one more occurrence.
                const uint32_t unit = pattern[m - 1];
                while (++j <= lastStart && text[j + m - 1] == unit) {
                    if (!visit(j)) return;
                }
                if (j > lastStart) return;
                j += m - 1 - split + 1;
                memory = 0;
                continue;
            }
            for (;;) {
                j += period;
                if (j > lastStart) return;
                size_t q = known;
                while (q < m && pattern[q] == text[j + q])
                    ++q;
                if (q < m) {
                    j += q - split + 1;
                    break;
                }
                if (!visit(j)) return;
            }
            memory = 0;
            continue;
        }
        j += period;
        memory = m - period;
    }
}

// The two-way search where the left half does not repeat the right half's period.
template <class TextUnits, class PatternUnits, class Visit>
void ForEachAperiodicOccurrence(TextUnits text, PatternUnits pattern, size_t m, size_t split,
                                const Candidates<TextUnits>& candidates, Visit& visit) {
    // No two occurrences lie closer than this, so it is also the step after a match.
    const size_t step = std::max(split, m - split) + 1;
    size_t j = 0;
    while (candidates.Next(j)) {
        size_t i = split;
        while (i < m && pattern[i] == text[j + i])
            ++i;
        if (i < m) {
            j += i - split + 1;
            continue;
        }
        i = split;
        while (i > 0 && pattern[i - 1] == text[j + i - 1])
            --i;
        if (i == 0 && !visit(j)) return;
        j += step;
    }
}

// Calls visit(position) for every occurrence of a non-empty pattern in the text, overlapping
// ones included, in increasing order, until visit returns false.
template <class TextUnits, class PatternUnits, class Visit>
void ForEachOccurrence(TextUnits text, size_t n, PatternUnits pattern, size_t m, Visit&& visit) {
    if (m > n) return;
    if (m == 1) return ForEachUnit(text, n, pattern[0], visit);
    // This bound keeps the direct walk's worst case below the cost of preparing the two-way
    // search.
    const size_t windows = n - m + 1;
    if (m <= kDirectWalkUnits && windows <= kDirectWalkUnits && windows * m <= kDirectWalkUnits)
        return ForEachOccurrenceDirectly(text, n, pattern, m, visit);

    const Factorization f = CriticalFactorization(pattern, m);
    const PairSkip skip(pattern, m);
    const Candidates<TextUnits> candidates{text, m, n - m, pattern[m - 1], skip};
    bool leftIsPeriodic = f.split + f.period <= m;
    for (size_t i = 0; leftIsPeriodic && i < f.split; ++i) {
        leftIsPeriodic = pattern[i] == pattern[i + f.period];
    }
    if (leftIsPeriodic)
        ForEachPeriodicOccurrence(text, pattern, m, f, candidates, visit);
    else
        ForEachAperiodicOccurrence(text, pattern, m, f.split, candidates, visit);
}

}  // namespace detail

// Position of the first occurrence of pattern[0..m) in text[0..n), kNotFound if none. The
// empty pattern is found at 0.
template <class Char>
size_t FindFirst(const Char* text, size_t n, const Char* pattern, size_t m) {
    if (m == 0) return 0;
    size_t found = kNotFound;
    detail::ForEachOccurrence(detail::ForwardUnits<Char>{text}, n,
                              detail::ForwardUnits<Char>{pattern}, m, [&](size_t at) {
                                  found = at;
                                  return false;
                              });
    return found;
}

// Start of the last occurrence, kNotFound if none. The empty pattern is last found at n, at
// the terminating NUL.
template <class Char>
size_t FindLast(const Char* text, size_t n, const Char* pattern, size_t m) {
    if (m == 0) return n;
    size_t found = kNotFound;
    detail::ForEachOccurrence(detail::BackwardUnits<Char>{text + n}, n,
                              detail::BackwardUnits<Char>{pattern + m}, m, [&](size_t fromEnd) {
                                  found = n - m - fromEnd;
                                  return false;
                              });
    return found;
}

// Number of occurrences, overlapping ones included. The empty pattern is found before every
// unit, so it counts n.
template <class Char>
size_t CountOccurrences(const Char* text, size_t n, const Char* pattern, size_t m) {
    if (m == 0) return n;
    size_t count = 0;
    detail::ForEachOccurrence(detail::ForwardUnits<Char>{text}, n,
                              detail::ForwardUnits<Char>{pattern}, m, [&](size_t) {
                                  ++count;
                                  return true;
                              });
    return count;
}

// ---------------------------------------------------------------------------------------------
// Reading numbers. Only ASCII counts: white space is the six ASCII spaces, and any unit above
// 127 ends the number, so a wide text reads like the narrow text of the same characters.

namespace detail {

constexpr bool IsSpace(uint32_t c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
constexpr bool IsDigit(uint32_t c) {
    return c >= '0' && c <= '9';
}
constexpr uint32_t FoldCase(uint32_t c) {
    return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
}

// 0..15, or 16 when the unit is no hexadecimal digit.
constexpr uint32_t HexValue(uint32_t c) {
    if (IsDigit(c)) return c - '0';
    const uint32_t lower = FoldCase(c);
    if (lower >= 'a' && lower <= 'f') return lower - 'a' + 10;
    return 16;
}

// Skips white space and reads an optional sign; returns the index after them.
template <class Char>
size_t SkipSpaceAndSign(const Char* s, bool& negative) {
    size_t i = 0;
    while (IsSpace(CodeUnit(s[i])))
        ++i;
    negative = false;
    if (CodeUnit(s[i]) == '+' || CodeUnit(s[i]) == '-') {
        negative = CodeUnit(s[i]) == '-';
        ++i;
    }
    return i;
}

// Accumulates digits of the given base from s[i] on, stopping at the first non-digit. The
// magnitude saturates just above the 32-bit limit of the sign, so any longer number gives that
// limit.
template <class Char, class DigitValue>
int32_t SaturatingInt32(const Char* s, size_t i, bool negative, uint32_t base, DigitValue digit) {
    const uint64_t limit = negative ? 2147483648u : 2147483647u;
    uint64_t magnitude = 0;
    for (uint32_t d; (d = digit(CodeUnit(s[i]))) < base; ++i) {
        magnitude = std::min(magnitude * base + d, limit);
    }
    return negative ? static_cast<int32_t>(-static_cast<int64_t>(magnitude))
                    : static_cast<int32_t>(magnitude);
}

// Case-insensitive match of an ASCII word (given in lower case) at s.
template <class Char>
bool StartsWithWord(const Char* s, const char* word) {
    for (size_t i = 0; word[i] != '\0'; ++i) {
        if (FoldCase(CodeUnit(s[i])) != static_cast<uint32_t>(word[i])) return false;
    }
    return true;
}

// The exponent after an exponent marker: an optional sign and decimal digits; 0 when no digit
// follows (the marker is then not part of the number).
template <class Char>
int64_t ExponentAt(const Char* s) {
    size_t k = 0;
    const bool negative = CodeUnit(s[0]) == '-';
    if (negative || CodeUnit(s[0]) == '+') ++k;
    int64_t value = 0;
    for (; IsDigit(CodeUnit(s[k])); ++k) {
        // Far beyond any finite or subnormal double, and far from overflowing.
        value = std::min<int64_t>(value * 10 + (CodeUnit(s[k]) - '0'), 1000000000);
    }
    return negative ? -value : value;
}

// A decimal significand with a decimal exponent, or a hexadecimal one with a binary exponent,
// reduced to a bounded number of digits so that texts of any length read without allocation.
// Digits past the bound only matter through whether any of them is non-zero, which one extra
// '1' digit stands for.
class Significand {
public:
    explicit Significand(bool hex) : hex(hex) {}

    // Reads digits, an optional fraction and an optional exponent from s on.
    template <class Char>
    double Read(const Char* s) {
        size_t i = 0;
        for (; IsDigitHere(CodeUnit(s[i])); ++i)
            AddWhole(static_cast<char>(CodeUnit(s[i])));
        if (CodeUnit(s[i]) == '.') {
            for (++i; IsDigitHere(CodeUnit(s[i])); ++i)
                AddFraction(static_cast<char>(CodeUnit(s[i])));
        }
        const int64_t exponent =
            FoldCase(CodeUnit(s[i])) == (hex ? 'p' : 'e') ? ExponentAt(s + i + 1) : 0;
        return Value(exponent);
    }

private:
    static constexpr size_t kMaxDigits = 800;  // beyond the 767 that can decide a rounding

    bool IsDigitHere(uint32_t c) const { return hex ? HexValue(c) < 16 : IsDigit(c); }
    void AddWhole(char digit) {
        if (count == 0 && digit == '0') return;
        if (count < kMaxDigits) {
            digits[count++] = digit;
        } else {
            ++scale;
            droppedNonZero |= digit != '0';
        }
    }
    void AddFraction(char digit) {
        if (count == 0 && digit == '0') {
            --scale;
        } else if (count < kMaxDigits) {
            digits[count++] = digit;
            --scale;
        } else {
            droppedNonZero |= digit != '0';
        }
    }

    double Value(int64_t exponent) {
        if (count == 0) return 0.0;
        const int64_t bitsPerDigit = hex ? 4 : 1;  // a hexadecimal exponent counts bits
        if (droppedNonZero) {
            digits[count++] = '1';
            --scale;
        }
        // Every digit count and exponent beyond this yields infinity or zero anyway.
        constexpr int64_t kBound = 100000;
        const int64_t total = std::clamp<int64_t>(
            scale * bitsPerDigit + std::clamp<int64_t>(exponent, -kBound, kBound), -4 * kBound,
            4 * kBound);
        char text[kMaxDigits + 1 + 16];
        std::memcpy(text, digits, count);
        char* end = text + count;
        *end++ = hex ? 'p' : 'e';
        end = std::to_chars(end, text + sizeof text, total).ptr;
        double value = 0.0;
        const std::from_chars_result result = std::from_chars(
            text, end, value, hex ? std::chars_format::hex : std::chars_format::scientific);
        if (result.ec == std::errc::result_out_of_range) {
            // Out of range one way or the other: the magnitude of the leading digit decides.
            const int64_t order = static_cast<int64_t>(count) * bitsPerDigit + total;
            return order > 0 ? std::numeric_limits<double>::infinity() : 0.0;
        }
        return value;
    }

    bool hex;
    char digits[kMaxDigits + 1];
    size_t count = 0;
    int64_t scale = 0;  // value = digits * base^scale, before the exponent
    bool droppedNonZero = false;
};

}  // namespace detail

// Leading white space, an optional sign and decimal digits, as a signed 32-bit integer; a
// value beyond the range gives the nearest limit, no digits give 0.
template <class Char>
int32_t ReadDecimalInt32(const Char* s) {
    bool negative = false;
    const size_t i = detail::SkipSpaceAndSign(s, negative);
    return detail::SaturatingInt32(s, i, negative, 10,
                                   [](uint32_t c) { return detail::IsDigit(c) ? c - '0' : 10u; });
}

// Leading white space, an optional sign, an optional 0x or 0X and hexadecimal digits in either
// case, as a signed 32-bit integer saturated like ReadDecimalInt32.
template <class Char>
int32_t ReadHexInt32(const Char* s) {
    bool negative = false;
    size_t i = detail::SkipSpaceAndSign(s, negative);
    // A prefix without a digit after it is just the number 0 followed by an 'x'.
    if (CodeUnit(s[i]) == '0' && detail::FoldCase(CodeUnit(s[i + 1])) == 'x' &&
        detail::HexValue(CodeUnit(s[i + 2])) < 16) {
        i += 2;
    }
    return detail::SaturatingInt32(s, i, negative, 16, detail::HexValue);
}

// The longest prefix that reads as a floating-point number, after leading white space: an
// optional sign, then decimal digits with an optional fraction and exponent, a hexadecimal
// significand after 0x with an optional binary exponent, "inf", "infinity" or "nan" (any
// case). No number gives 0.0. Correctly rounded to the nearest double.
template <class Char>
double ReadDouble(const Char* s) {
    using detail::HexValue;
    using detail::IsDigit;
    bool negative = false;
    const size_t i = detail::SkipSpaceAndSign(s, negative);
    const auto at = [&](size_t k) { return CodeUnit(s[k]); };

    double magnitude;
    if (at(i) == '0' && detail::FoldCase(at(i + 1)) == 'x' &&
        (HexValue(at(i + 2)) < 16 || (at(i + 2) == '.' && HexValue(at(i + 3)) < 16))) {
        magnitude = detail::Significand(true).Read(s + i + 2);
    } else if (IsDigit(at(i)) || (at(i) == '.' && IsDigit(at(i + 1)))) {
        magnitude = detail::Significand(false).Read(s + i);
    } else if (detail::StartsWithWord(s + i, "inf")) {
        magnitude = std::numeric_limits<double>::infinity();
    } else if (detail::StartsWithWord(s + i, "nan")) {
        magnitude = std::numeric_limits<double>::quiet_NaN();
    } else {
        return 0.0;
    }
    return negative ? -magnitude : magnitude;
}

// Rounds to the nearest float; magnitudes past the largest float's rounding range become
// infinities (a plain conversion of them is undefined).
constexpr float RoundToFloat(double value) {
    constexpr double kOverflow = 0x1.ffffffp127;  // halfway between FLT_MAX and 2^128
    if (value >= kOverflow) return std::numeric_limits<float>::infinity();
    if (value <= -kOverflow) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}

// ---------------------------------------------------------------------------------------------
// Comparing.

// Equality of two NUL-terminated texts with A-Z and a-z folded together; every other unit
// must match exactly.
template <class Char>
bool EqualIgnoringAsciiCase(const Char* a, const Char* b) {
    for (size_t i = 0;; ++i) {
        const uint32_t x = CodeUnit(a[i]);
        if (detail::FoldCase(x) != detail::FoldCase(CodeUnit(b[i]))) return false;
        if (x == 0) return true;
    }
}

// -1, 0 or 1 as a orders before, equal to or after b, unit by unit as unsigned values, a
// proper prefix ordering first.
template <class Char>
int CompareOrdinal(const Char* a, size_t na, const Char* b, size_t nb) {
    const size_t common = std::min(na, nb);
    for (size_t i = 0; i < common; ++i) {
        const uint32_t x = CodeUnit(a[i]), y = CodeUnit(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    if (na == nb) return 0;
    return na < nb ? -1 : 1;
}

}  // namespace text_routines
