// The UTF-8/UTF-16 codec: round trips of every scalar value, and each class of ill-formed
// input under both policies.
#include <gtest/gtest.h>

#include <string>

#include "TextCodec.h"

namespace {
using codec::OnInvalid;
constexpr char16_t R = 0xFFFD;

std::string ByteString(std::initializer_list<int> values) {
    std::string bytes;
    for (int value : values)
        bytes += static_cast<char>(value);
    return bytes;
}

TEST(TextCodec, EveryScalarValueRoundTripsThroughBothForms) {
    std::string utf8;
    std::u16string utf16;
    for (char32_t code = 0; code <= 0x10FFFF; ++code) {
        if (codec::IsSurrogate(code)) continue;
        std::string bytes;
        codec::AppendUtf8(bytes, code);
        std::u16string units;
        codec::AppendUtf16(units, code);
        const codec::Scalar fromBytes = codec::DecodeUtf8(bytes, 0);
        const codec::Scalar fromUnits = codec::DecodeUtf16(std::u16string_view(units), 0);
        ASSERT_EQ(fromBytes.code, code);
        ASSERT_EQ(fromBytes.length, bytes.size());
        ASSERT_EQ(fromUnits.code, code);
        ASSERT_EQ(fromUnits.length, units.size());
        utf8 += bytes;
        utf16 += units;
    }
    EXPECT_EQ(codec::Utf8ToUtf16(utf8, OnInvalid::Refuse), utf16);
    EXPECT_EQ(codec::Utf16ToUtf8(std::u16string_view(utf16), OnInvalid::Refuse), utf8);
}

TEST(TextCodec, IllFormedInputIsReplacedUnitByUnitOrRefused) {
    struct Case {
        const char* name;
        std::string bytes;
        std::u16string replaced;
    };
    const Case utf8Cases[] = {
        {"stray continuation byte", ByteString({'a', 0x80, 'b'}), {u'a', R, u'b'}},
        {"overlong two-byte form", ByteString({0xC0, 0x80}), {R, R}},
        {"overlong two-byte form of the last one-byte value", ByteString({0xC1, 0xBF}), {R, R}},
        {"overlong three-byte form", ByteString({0xE0, 0x9F, 0xBF}), {R, R, R}},
        {"overlong four-byte form", ByteString({0xF0, 0x8F, 0xBF, 0xBF}), {R, R, R, R}},
        {"encoded high surrogate", ByteString({0xED, 0xA0, 0x80}), {R, R, R}},
        {"encoded low surrogate", ByteString({0xED, 0xBF, 0xBF}), {R, R, R}},
        {"above U+10FFFF", ByteString({0xF4, 0x90, 0x80, 0x80}), {R, R, R, R}},
        {"byte above F4", ByteString({0xF5, 0x80, 0x80, 0x80}), {R, R, R, R}},
        {"byte FF", ByteString({'a', 0xFF}), {u'a', R}},
        {"truncated three-byte sequence", ByteString({0xE2, 0x82, 'a'}), {R, R, u'a'}},
        {"truncated four-byte sequence at the end", ByteString({0xF0, 0x9F, 0x98}), {R, R, R}},
        {"lead byte before a non-continuation", ByteString({0xC3, 'a'}), {R, u'a'}},
    };
    for (const Case& c : utf8Cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(codec::Utf8ToUtf16(c.bytes, OnInvalid::Replace), c.replaced);
        EXPECT_EQ(codec::Utf8ToUtf16(c.bytes, OnInvalid::Refuse), std::nullopt);
    }

    struct WideCase {
        const char* name;
        std::u16string units;
        std::string replaced;
    };
    const std::string r = "\xEF\xBF\xBD";
    const WideCase utf16Cases[] = {
        {"lone high surrogate at the end", {u'a', 0xD800}, "a" + r},
        {"high surrogate before an ordinary unit", {0xDBFF, u'a'}, r + "a"},
        {"lone low surrogate", {0xDC00}, r},
        {"reversed pair", {0xDC00, 0xD800}, r + r},
        {"high surrogate before a pair", {0xD800, 0xD800, 0xDC00}, r + "\xF0\x90\x80\x80"},
    };
    for (const WideCase& c : utf16Cases) {
        SCOPED_TRACE(c.name);
        const std::u16string_view units(c.units);
        EXPECT_EQ(codec::Utf16ToUtf8(units, OnInvalid::Replace), c.replaced);
        EXPECT_EQ(codec::Utf16ToUtf8(units, OnInvalid::Refuse), std::nullopt);
    }
}

}  // namespace
