// The width-generic text routines: searching against a plain reference and number reading
// against the C library in the "C" locale.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

#include "Orn_Types.h"
#include "TextRoutines.h"

namespace {
namespace tr = text_routines;

OrnWideString Widen(const std::string& ascii) {
    OrnWideString wide;
    for (char c : ascii)
        wide += static_cast<OrnWideChar>(static_cast<unsigned char>(c));
    return wide;
}

// The searches as a naive walk: a quadratic first-occurrence search restarted one unit after
// each occurrence, the way the operations are defined.
template <class Char>
size_t NaiveFind(const std::basic_string<Char>& text, const std::basic_string<Char>& pattern,
                 size_t from) {
    for (size_t j = from; j + pattern.size() <= text.size(); ++j) {
        size_t i = 0;
        while (i < pattern.size() && text[j + i] == pattern[i])
            ++i;
        if (i == pattern.size()) return j;
    }
    return tr::kNotFound;
}

template <class Char>
struct NaiveResults {
    size_t first = tr::kNotFound;
    size_t last = tr::kNotFound;
    size_t count = 0;
};

template <class Char>
NaiveResults<Char> Naive(const std::basic_string<Char>& text,
                         const std::basic_string<Char>& pattern) {
    NaiveResults<Char> r;
    r.first = NaiveFind(text, pattern, 0);
    // The last: walk from occurrence to occurrence until one lies at or past the end.
    for (size_t at = r.first; at != tr::kNotFound; at = NaiveFind(text, pattern, at + 1)) {
        r.last = at;
        if (at >= text.size()) break;
    }
    // The count: every search starts one past the previous occurrence, and none starts at or
    // past the end.
    for (size_t from = 0; from < text.size();) {
        const size_t at = NaiveFind(text, pattern, from);
        if (at == tr::kNotFound) break;
        ++r.count;
        from = at + 1;
    }
    return r;
}

template <class Char>
void ExpectSameAsNaive(const std::basic_string<Char>& text,
                       const std::basic_string<Char>& pattern) {
    const NaiveResults<Char> expected = Naive(text, pattern);
    const Char* t = text.c_str();
    const Char* p = pattern.c_str();
    EXPECT_EQ(tr::FindFirst(t, text.size(), p, pattern.size()), expected.first);
    EXPECT_EQ(tr::FindLast(t, text.size(), p, pattern.size()), expected.last);
    EXPECT_EQ(tr::CountOccurrences(t, text.size(), p, pattern.size()), expected.count);
}

template <class Char>
std::basic_string<Char> RandomText(std::mt19937& rng, size_t maxLength, Char a, Char b) {
    std::uniform_int_distribution<size_t> length(0, maxLength);
    std::bernoulli_distribution coin(0.5);
    std::basic_string<Char> s(length(rng), a);
    for (Char& c : s)
        c = coin(rng) ? a : b;
    return s;
}

TEST(TextRoutines, SearchesAgreeWithTheNaiveWalkOnRandomTwoLetterTexts) {
    std::mt19937 rng(20240611);
    // Wide units 'a' and U+0161 share their low byte, so the skip table cannot tell them apart.
    for (int round = 0; round < 6000; ++round) {
        // Short searches compare at every position; the long texts reach the two-way search.
        const size_t maxText = round % 4 == 3 ? 400 : round % 3 == 0 ? 64 : 24;
        const size_t maxPattern = round % 2 == 0 ? 4 : 10;
        const std::string text = RandomText<char>(rng, maxText, 'a', 'b');
        const std::string pattern = RandomText<char>(rng, maxPattern, 'a', 'b');
        {
            SCOPED_TRACE("narrow '" + pattern + "' in '" + text + "'");
            ExpectSameAsNaive(text, pattern);
        }
        {
            SCOPED_TRACE("wide '" + pattern + "' in '" + text + "'");
            ExpectSameAsNaive(Widen(text), Widen(pattern));
        }
        const OrnWideString wideText = RandomText<OrnWideChar>(rng, maxText, u'a', u'\u0161');
        const OrnWideString widePattern = RandomText<OrnWideChar>(rng, maxPattern, u'a', u'\u0161');
        SCOPED_TRACE("wide with colliding units, round " + std::to_string(round));
        ExpectSameAsNaive(wideText, widePattern);
        if (::testing::Test::HasFailure()) return;
    }
}

TEST(TextRoutines, SearchesHandlePeriodicAndLongPatterns) {
    struct Case {
        std::string text, pattern;
    };
    const std::string many(5000, 'a');
    const Case cases[] = {
        {"banana", "ana"},
        {"aaaa", "aa"},
        {"abcabcabcab", "abcab"},
        {"abaababaabaababaababa", "abaababa"},
        {many, many.substr(0, 1000)},
        {many, many.substr(0, 999) + "b"},
        {many + "b" + many, "a" + many.substr(0, 998) + "ba"},
        {"x" + many + "b", "b" + many.substr(0, 10)},
        {"\x80\xff\x80\xff\x80", "\xff\x80"},  // units above 127 compare as unsigned
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("pattern of " + std::to_string(c.pattern.size()) + " in " +
                     std::to_string(c.text.size()));
        ExpectSameAsNaive(c.text, c.pattern);
        ExpectSameAsNaive(Widen(c.text), Widen(c.pattern));
    }

    // Patterns longer than the skip table can express still skip correctly.
    const std::string pattern = "b" + std::string(70000, 'a') + "c";
    const std::string text =
        std::string(100000, 'a') + pattern + "a" + pattern + std::string(7, 'a');
    EXPECT_EQ(tr::FindFirst(text.c_str(), text.size(), pattern.c_str(), pattern.size()), 100000u);
    EXPECT_EQ(tr::FindLast(text.c_str(), text.size(), pattern.c_str(), pattern.size()),
              100001u + pattern.size());
    EXPECT_EQ(tr::CountOccurrences(text.c_str(), text.size(), pattern.c_str(), pattern.size()), 2u);
}

// The C library's strtod, held to the C standard where a C library falls short (MinGW's keeps
// the sign of a text it could not read, and misrounds some decimals of a thousand digits and
// more): a text without a number reads as +0, and a text that is a plain decimal number
// throughout is read by from_chars, which rounds correctly at any length.
double ReferenceReadDouble(const std::string& ascii) {
    const char* const first = ascii.c_str();
    char* end = nullptr;
    const double value = std::strtod(first, &end);
    if (end == first) return 0.0;
    double decimal = 0.0;
    const auto [stop, error] = std::from_chars(first, end, decimal);
    return error == std::errc() && stop == end ? decimal : value;
}

// The C library's readers in the "C" locale are the reference for well-formed and malformed
// numbers alike.
template <class Char>
void ExpectDoubleLikeStrtod(const std::string& ascii, const std::basic_string<Char>& text) {
    const double expected = ReferenceReadDouble(ascii);
    const double actual = tr::ReadDouble(text.c_str());
    if (std::isnan(expected)) {
        EXPECT_TRUE(std::isnan(actual)) << actual;
        EXPECT_EQ(std::signbit(expected), std::signbit(actual));
    } else {
        EXPECT_EQ(std::bit_cast<uint64_t>(expected), std::bit_cast<uint64_t>(actual))
            << "expected " << expected << ", got " << actual;
    }
}

int32_t Saturate(long long value) {
    return static_cast<int32_t>(std::clamp<long long>(value, INT32_MIN, INT32_MAX));
}

class NumberReading : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(std::setlocale(LC_ALL, "C"), nullptr); }

    void ExpectLikeTheCLibrary(const std::string& s) {
        SCOPED_TRACE("'" + s + "'");
        ExpectDoubleLikeStrtod(s, s);
        ExpectDoubleLikeStrtod(s, Widen(s));
        const int32_t decimal = Saturate(std::strtoll(s.c_str(), nullptr, 10));
        EXPECT_EQ(tr::ReadDecimalInt32(s.c_str()), decimal);
        EXPECT_EQ(tr::ReadDecimalInt32(Widen(s).c_str()), decimal);
        const int32_t hex = Saturate(std::strtoll(s.c_str(), nullptr, 16));
        EXPECT_EQ(tr::ReadHexInt32(s.c_str()), hex);
        EXPECT_EQ(tr::ReadHexInt32(Widen(s).c_str()), hex);
    }
};

TEST_F(NumberReading, EdgeCasesReadLikeTheCLibrary) {
    const char* cases[] = {
        "",
        "   ",
        "abc",
        "+",
        "-",
        ".",
        "-.",
        "e5",
        "42abc",
        "  -7",
        "3.9",
        "-.5x",
        "1e3",
        "1e",
        "1e+",
        "1e-2x",
        "\t\n\v\f\r 12",
        "+-1",
        "00012",
        "-0",
        "0x",
        "0x1",
        "0X1p3",
        "0x.8",
        "0x1.8p1",
        "0x1p",
        "0xp1",
        "0x.p1",
        "-0x",
        "0xg",
        "0x1P-1074",
        "0x1p-1075",
        "0x1.0000000000000fffp0",
        "inf",
        "-INFINITY",
        "infin",
        "nan",
        "-nan",
        "NaN(1_a)",
        "nan(",
        "in",
        "na",
        "1.7976931348623157e308",
        "1.7976931348623159e308",
        "1e309",
        "-1e400",
        "4.9e-324",
        "2.4703282292062328e-324",
        "2.4703282292062327e-324",
        "1e-400",
        "99999999999",
        "-99999999999",
        "2147483647",
        "2147483648",
        "-2147483648",
        "-2147483649",
        "7FFFFFFF",
        "80000000",
        "-80000000",
        "-80000001",
        "FFFFFFFF",
        "123456789AB",
        "ff",
        "1FF",
        "100",
        "0x41",
        "-1",
        "zz",
        "  0x  1",
        "1e99999999999999999999",
        "1e-99999999999999999999",
        "0e99999999999",
        ".e1",
        "1.5E+2",
        "0.000000000000000000001e21",
    };
    for (const char* s : cases)
        ExpectLikeTheCLibrary(s);
}

TEST_F(NumberReading, RandomTextsReadLikeTheCLibrary) {
    std::mt19937 rng(7);
    const std::string alphabet = "0123456789.eE+-xXpPaAfFiInN() \t9g_";
    std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1), length(0, 14);
    for (int round = 0; round < 20000; ++round) {
        std::string s(length(rng), ' ');
        for (char& c : s)
            c = alphabet[pick(rng)];
        ExpectLikeTheCLibrary(s);
        if (HasFailure()) return;
    }
}

TEST_F(NumberReading, LongDigitStringsRoundCorrectly) {
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> digit(0, 9), exponent(-1200, 400), length(700, 2500);
    for (int round = 0; round < 300; ++round) {
        std::string s = "0.";
        const int n = length(rng);
        for (int i = 0; i < n; ++i)
            s += static_cast<char>('0' + digit(rng));
        s += "e" + std::to_string(exponent(rng));
        ExpectLikeTheCLibrary(s);
        if (HasFailure()) return;
    }
    ExpectLikeTheCLibrary(std::string(900, '0') + "1." + std::string(1200, '0') + "1");
    ExpectLikeTheCLibrary("0." + std::string(1200, '0') + "1e1201");

    // Exact decimal expansions of halfway points between two doubles, where the digits far
    // beyond what any reader keeps decide the rounding.
    if constexpr (std::numeric_limits<long double>::digits >= 64) {
        const long double halfways[] = {
            0.5L * std::numeric_limits<double>::denorm_min(),
            2.5L * std::numeric_limits<double>::denorm_min(),
            std::numeric_limits<double>::min() - 0.5L * std::numeric_limits<double>::denorm_min(),
            1.0L + std::ldexp(1.0L, -53),
            static_cast<long double>(std::numeric_limits<double>::max()) + std::ldexp(1.0L, 970),
        };
        for (long double halfway : halfways) {
            char exact[1200];
            std::snprintf(exact, sizeof exact, "%.1100Le", halfway);
            const std::string text = exact;
            const size_t marker = text.find('e');
            std::string mantissa = text.substr(0, marker);
            const std::string tail = text.substr(marker);
            while (mantissa.back() == '0')
                mantissa.pop_back();
            ExpectLikeTheCLibrary(mantissa + tail);
            ExpectLikeTheCLibrary(mantissa + std::string(1000, '0') + "1" + tail);
            std::string below = mantissa;
            below.back() = static_cast<char>(below.back() - 1);
            ExpectLikeTheCLibrary(below + std::string(1000, '9') + tail);
        }
    }
}

TEST(TextRoutines, RoundToFloatSaturatesOnlyPastTheLargestFloat) {
    struct Case {
        double input;
        float expected;
    };
    constexpr float kMax = std::numeric_limits<float>::max();
    constexpr float kInf = std::numeric_limits<float>::infinity();
    const Case cases[] = {
        {0x1.fffffep127, kMax}, {0x1.fffffefffffffp127, kMax},
        {0x1.ffffffp127, kInf}, {-0x1.ffffffp127, -kInf},
        {1e300, kInf},          {-1e300, -kInf},
        {1e-50, 0.0f},          {-1e-50, -0.0f},
        {3.25, 3.25f},          {0.1, 0.1f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        EXPECT_EQ(std::bit_cast<uint32_t>(tr::RoundToFloat(c.input)),
                  std::bit_cast<uint32_t>(c.expected));
    }
    EXPECT_TRUE(std::isnan(tr::RoundToFloat(std::numeric_limits<double>::quiet_NaN())));
}

}  // namespace
