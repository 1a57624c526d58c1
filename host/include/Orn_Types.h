// Basic value types shared by the engine library, the float-channel library and plug-ins:
// GUIDs, the single-precision vector and matrix types, window handles and wide characters.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>

// A 16-byte interface or class identifier, laid out like the registry form
// {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}.
struct OrnGuid {
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    uint8_t data4[8];

    friend constexpr bool operator==(const OrnGuid&, const OrnGuid&) = default;
};

namespace orn_detail {
consteval uint32_t HexDigit(char c) {
    if (c >= '0' && c <= '9') return static_cast<uint32_t>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<uint32_t>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') return static_cast<uint32_t>(c - 'A' + 10);
    throw "not a hexadecimal digit";  // a compile-time error inside consteval
}
consteval uint32_t HexField(const char* s, int digits) {
    uint32_t value = 0;
    for (int i = 0; i < digits; ++i) value = (value << 4) | HexDigit(s[i]);
    return value;
}
}  // namespace orn_detail

// Writes a GUID in registry form at compile time: OrnGuidOf("{3164909D-47F3-43EF-8DF8-E8E95E8E22ED}").
// A malformed text does not compile.
consteval OrnGuid OrnGuidOf(const char (&text)[39]) {
    using orn_detail::HexField;
    if (text[0] != '{' || text[9] != '-' || text[14] != '-' || text[19] != '-' || text[24] != '-' ||
        text[37] != '}')
        throw "GUID must be written as {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}";
    OrnGuid g{};
    g.data1 = HexField(text + 1, 8);
    g.data2 = static_cast<uint16_t>(HexField(text + 10, 4));
    g.data3 = static_cast<uint16_t>(HexField(text + 15, 4));
    g.data4[0] = static_cast<uint8_t>(HexField(text + 20, 2));
    g.data4[1] = static_cast<uint8_t>(HexField(text + 22, 2));
    for (int i = 0; i < 6; ++i) g.data4[2 + i] = static_cast<uint8_t>(HexField(text + 25 + 2 * i, 2));
    return g;
}

// The registry form of a GUID, upper-case, with braces.
std::string OrnGuidToString(const OrnGuid& guid);

// Four 32-bit floats, as a vector channel returns them.
struct XMFLOAT4 {
    float x;
    float y;
    float z;
    float w;
};

// Three 32-bit floats (a scale, a size).
struct XMFLOAT3 {
    float x;
    float y;
    float z;
};

// A 4x4 single-precision matrix in four rows of four. Points are row vectors multiplied
// on the left (p * M), so the fourth row holds the translation.
struct XMMATRIX {
    float m[4][4];
};

constexpr XMFLOAT4 MatrixRow(const XMMATRIX& matrix, int row) {
    return {matrix.m[row][0], matrix.m[row][1], matrix.m[row][2], matrix.m[row][3]};
}

constexpr XMMATRIX IdentityMatrix() {
    return {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
}

// Wide text is 16-bit units on every platform: wchar_t where it has 16 bits, char16_t elsewhere.
using OrnWideChar = std::conditional_t<sizeof(wchar_t) == 2, wchar_t, char16_t>;
using OrnWideString = std::basic_string<OrnWideChar>;

// A window handle, compared for identity only; null is an ordinary value.
using OrnWindow = void*;
