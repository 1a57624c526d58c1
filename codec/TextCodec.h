// UTF-8 and UTF-16, both ways. Header-only and free of any other part of the project, so that
// the engine stand-in, the platform layer and the runner share one conversion without one of
// them depending on another.
//
// Well-formed means: the shortest encoding of a scalar value (U+0000..U+10FFFF without the
// surrogates); in UTF-16 a surrogate is well-formed only as a high one directly followed by a
// low one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace codec {

inline constexpr char32_t kReplacement = 0xFFFD;

// What a whole-text conversion does with a unit that does not begin a well-formed sequence.
enum class OnInvalid {
    Replace,  // it becomes one U+FFFD and the conversion goes on with the next unit
    Refuse,   // the conversion fails
};

// One scalar value read at a position: its code and how many units it took. The length is 0
// when the units there do not begin a well-formed sequence.
struct Scalar {
    char32_t code = 0;
    std::size_t length = 0;
};

constexpr bool IsSurrogate(char32_t code) {
    return code >= 0xD800 && code <= 0xDFFF;
}

// The scalar value whose UTF-8 sequence starts at bytes[i] (i < bytes.size()).
constexpr Scalar DecodeUtf8(std::string_view bytes, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(bytes[k]); };
    const std::uint8_t lead = byte(i);
    if (lead < 0x80) return {lead, 1};
    std::size_t length;
    char32_t code;
    char32_t minimum;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, code = lead & 0x1Fu, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, code = lead & 0x0Fu, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, code = lead & 0x07u, minimum = 0x10000;
    } else {
        return {};
    }
    if (bytes.size() - i < length) return {};
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return {};
        code = (code << 6) | (byte(i + k) & 0x3Fu);
    }
    if (code < minimum || code > 0x10FFFF || IsSurrogate(code)) return {};
    return {code, length};
}

// The scalar value whose UTF-16 sequence starts at units[i] (i < units.size()). Unit is
// char16_t, or wchar_t where that has 16 bits.
template <class Unit>
constexpr Scalar DecodeUtf16(std::basic_string_view<Unit> units, std::size_t i) {
    static_assert(sizeof(Unit) == 2, "UTF-16 units have 16 bits");
    const auto unit = [&](std::size_t k) { return static_cast<char32_t>(units[k]) & 0xFFFFu; };
    const char32_t first = unit(i);
    if (!IsSurrogate(first)) return {first, 1};
    if (first <= 0xDBFF && i + 1 < units.size()) {
        const char32_t low = unit(i + 1);
        if (low >= 0xDC00 && low <= 0xDFFF)
            return {0x10000 + ((first - 0xD800) << 10) + (low - 0xDC00), 2};
    }
    return {};
}

// Appends the UTF-8 sequence of a scalar value.
inline void AppendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
        return;
    }
    if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    }
    out += static_cast<char>(0x80 | (code & 0x3F));
}

// Appends the UTF-16 sequence of a scalar value.
template <class Unit>
void AppendUtf16(std::basic_string<Unit>& out, char32_t code) {
    if (code >= 0x10000) {
        code -= 0x10000;
        out += static_cast<Unit>(0xD800 + (code >> 10));
        out += static_cast<Unit>(0xDC00 + (code & 0x3FF));
    } else {
        out += static_cast<Unit>(code);
    }
}

// UTF-8 to UTF-16; empty only when refusing and the bytes are not well-formed.
template <class Unit = char16_t>
std::optional<std::basic_string<Unit>> Utf8ToUtf16(std::string_view bytes, OnInvalid policy) {
    std::basic_string<Unit> out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        Scalar scalar = DecodeUtf8(bytes, i);
        if (scalar.length == 0) {
            if (policy == OnInvalid::Refuse) return std::nullopt;
            scalar = {kReplacement, 1};
        }
        AppendUtf16(out, scalar.code);
        i += scalar.length;
    }
    return out;
}

// UTF-16 to UTF-8; empty only when refusing and the units are not well-formed.
template <class Unit>
std::optional<std::string> Utf16ToUtf8(std::basic_string_view<Unit> units, OnInvalid policy) {
    std::string out;
    out.reserve(units.size());
    for (std::size_t i = 0; i < units.size();) {
        Scalar scalar = DecodeUtf16(units, i);
        if (scalar.length == 0) {
            if (policy == OnInvalid::Refuse) return std::nullopt;
            scalar = {kReplacement, 1};
        }
        AppendUtf8(out, scalar.code);
        i += scalar.length;
    }
    return out;
}

}  // namespace codec
