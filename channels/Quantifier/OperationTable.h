// The 45 operations: their numbers (stored in scenes, never to change), names, families and
// the children each takes. Dispatch, tools, documentation and tests all read this table.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

enum class OperationId : int32_t {
    VectorDot = 0,
    VectorX = 1,
    VectorY = 2,
    VectorZ = 3,
    VectorLength = 4,
    VectorDistance = 5,
    VectorDistanceSquared = 6,
    MatrixDistanceChange = 7,
    MatrixDistance = 8,
    WrapAccumulate = 9,
    ClampAccumulate = 10,
    Clamp = 11,
    TextLength = 12,
    TextFind = 13,
    TextFindLast = 14,
    TextToInteger = 15,
    TextToFloat = 16,
    PlacedObjectTest = 17,
    Toggle = 18,
    TextEqualsIgnoreCase = 19,
    FileSize = 20,
    PublicCallFloat = 21,
    CameraDistance = 22,
    SeedRandom = 23,
    TextCount = 24,
    ToggleOnRise = 25,
    WrapAccumulateHalfOpen = 26,
    ChildTimeStamp = 27,
    MatrixBoxVisible = 28,
    PointInRectangle = 29,
    UnsignedValue = 30,
    MatrixEqual = 31,
    CameraInvalidateCount = 32,
    VectorEqual = 33,
    ValueMatchA = 34,
    ValueMatchB = 35,
    FileTimeCompare = 36,
    TextFirstCharCode = 37,
    HexTextToFloatChild = 38,
    FloatCodeToTextChild = 39,
    TextFirstCharStored = 40,
    VectorW = 41,
    WindowHasFocus = 42,
    IsDirectory = 43,
    TextCompare = 44,
};

inline constexpr int kOperationCount = 45;

enum class OperationFamily : uint8_t { Vector, Spatial, Stateful, Text, Query };

// The kind of child an operation looks up. `Any` is the first child whatever its interface;
// `Internal` the channel's internal child, reached through the engine.
enum class ChildKind : uint8_t { Float, Vector, Matrix, Text, Object, Unsigned, MatchA, MatchB, Any, Internal };

struct ChildSlot {
    ChildKind kind;
    std::string_view role;  // what the child means to the operation; empty when obvious
};

struct OperationInfo {
    OperationId id;
    std::string_view name;
    OperationFamily family;
    uint8_t childCount;
    std::array<ChildSlot, 3> children;  // in lookup order; the index of a child is its
                                        // position among earlier children of the same kind
    std::string_view result;
};

namespace operation_table_detail {
using K = ChildKind;
using F = OperationFamily;
using O = OperationId;
constexpr ChildSlot C(K kind, std::string_view role = {}) { return {kind, role}; }
constexpr OperationInfo Op(O id, std::string_view name, F family, std::string_view result) {
    return {id, name, family, 0, {}, result};
}
constexpr OperationInfo Op(O id, std::string_view name, F family, ChildSlot a, std::string_view result) {
    return {id, name, family, 1, {a}, result};
}
constexpr OperationInfo Op(O id, std::string_view name, F family, ChildSlot a, ChildSlot b,
                           std::string_view result) {
    return {id, name, family, 2, {a, b}, result};
}
constexpr OperationInfo Op(O id, std::string_view name, F family, ChildSlot a, ChildSlot b, ChildSlot c,
                           std::string_view result) {
    return {id, name, family, 3, {a, b, c}, result};
}

// clang-format off
inline constexpr std::array<OperationInfo, kOperationCount> kOperations = {{
    Op(O::VectorDot, "VectorDot", F::Vector, C(K::Vector), C(K::Vector), "dot product of x, y, z"),
    Op(O::VectorX, "VectorX", F::Vector, C(K::Vector), "x"),
    Op(O::VectorY, "VectorY", F::Vector, C(K::Vector), "y"),
    Op(O::VectorZ, "VectorZ", F::Vector, C(K::Vector), "z"),
    Op(O::VectorLength, "VectorLength", F::Vector, C(K::Vector), "length of x, y, z"),
    Op(O::VectorDistance, "VectorDistance", F::Vector, C(K::Vector), C(K::Vector), "distance of the two points"),
    Op(O::VectorDistanceSquared, "VectorDistanceSquared", F::Vector, C(K::Vector), C(K::Vector), "squared distance"),
    Op(O::MatrixDistanceChange, "MatrixDistanceChange", F::Spatial, C(K::Matrix), C(K::Matrix, "optional"),
       "change of the distance of two transforms since the last evaluation, scaled by the frame timer"),
    Op(O::MatrixDistance, "MatrixDistance", F::Spatial, C(K::Matrix), C(K::Matrix), "distance of two transforms' positions"),
    Op(O::WrapAccumulate, "WrapAccumulate", F::Stateful, C(K::Float, "min"), C(K::Float, "max"), C(K::Float, "step"),
       "accumulator wrapping inside min..max"),
    Op(O::ClampAccumulate, "ClampAccumulate", F::Stateful, C(K::Float, "lower"), C(K::Float, "upper"), C(K::Float, "step"),
       "accumulator clamped to lower..upper"),
    Op(O::Clamp, "Clamp", F::Stateful, C(K::Float), C(K::Float), C(K::Float),
       "the larger of child 0 and the smaller of children 1 and 2"),
    Op(O::TextLength, "TextLength", F::Text, C(K::Text), "length in characters"),
    Op(O::TextFind, "TextFind", F::Text, C(K::Text, "pattern"), C(K::Text), "position of the first occurrence, -1.0 if none"),
    Op(O::TextFindLast, "TextFindLast", F::Text, C(K::Text, "pattern"), C(K::Text), "position of the last occurrence, 0.0 if none"),
    Op(O::TextToInteger, "TextToInteger", F::Text, C(K::Text), "decimal integer value"),
    Op(O::TextToFloat, "TextToFloat", F::Text, C(K::Text), "floating-point value"),
    Op(O::PlacedObjectTest, "PlacedObjectTest", F::Query, C(K::Object),
       "the object child's test with its inner object at the placement matrix"),
    Op(O::Toggle, "Toggle", F::Stateful, C(K::Float, "trigger"), "toggle state, flipped while the trigger is 1.0 or more"),
    Op(O::TextEqualsIgnoreCase, "TextEqualsIgnoreCase", F::Text, C(K::Text), C(K::Text),
       "1.0 when equal ignoring case (first character exact)"),
    Op(O::FileSize, "FileSize", F::Query, C(K::Text, "path"), "file size in bytes"),
    Op(O::PublicCallFloat, "PublicCallFloat", F::Query, C(K::Internal),
       "float of the channel the engine finds under the public call's path"),
    Op(O::CameraDistance, "CameraDistance", F::Spatial, C(K::Matrix), "distance of the transform's position from the camera"),
    Op(O::SeedRandom, "SeedRandom", F::Stateful, C(K::Float, "seed"), "0.0; seeds the pseudo-random generator"),
    Op(O::TextCount, "TextCount", F::Text, C(K::Text, "pattern"), C(K::Text), "number of occurrences, cached by time stamps"),
    Op(O::ToggleOnRise, "ToggleOnRise", F::Stateful, C(K::Float, "trigger"),
       "toggle state, flipped when the trigger rises to 1.0 or more"),
    Op(O::WrapAccumulateHalfOpen, "WrapAccumulateHalfOpen", F::Stateful, C(K::Float, "min"), C(K::Float, "max"),
       C(K::Float, "step"), "as WrapAccumulate, but reaching max wraps"),
    Op(O::ChildTimeStamp, "ChildTimeStamp", F::Stateful, C(K::Any), "the first child's time stamp"),
    Op(O::MatrixBoxVisible, "MatrixBoxVisible", F::Spatial, C(K::Matrix), "1.0 when the camera sees the transform's box"),
    Op(O::PointInRectangle, "PointInRectangle", F::Spatial, C(K::Vector, "point"), C(K::Vector, "corner"),
       C(K::Vector, "corner"), "1.0 when x, y lie inside the rectangle"),
    Op(O::UnsignedValue, "UnsignedValue", F::Query, C(K::Unsigned), "the child's unsigned value"),
    Op(O::MatrixEqual, "MatrixEqual", F::Spatial, C(K::Matrix), C(K::Matrix), "1.0 when all 16 elements agree within 0.0001"),
    Op(O::CameraInvalidateCount, "CameraInvalidateCount", F::Stateful,
       "invalidation count; registers with the camera channel once"),
    Op(O::VectorEqual, "VectorEqual", F::Vector, C(K::Vector), C(K::Vector), "1.0 when x, y, z agree within 0.0001"),
    Op(O::ValueMatchA, "ValueMatchA", F::Query, C(K::MatchA), C(K::MatchA), "1.0 when both report the same integer"),
    Op(O::ValueMatchB, "ValueMatchB", F::Query, C(K::MatchB), C(K::MatchB), "1.0 when both report the same integer"),
    Op(O::FileTimeCompare, "FileTimeCompare", F::Query, C(K::Text, "path"), C(K::Text, "path"),
       "1.0, 0.0 or -1.0 by last-write time"),
    Op(O::TextFirstCharCode, "TextFirstCharCode", F::Text, C(K::Text), "code of the first byte"),
    Op(O::HexTextToFloatChild, "HexTextToFloatChild", F::Text, C(K::Text), C(K::Float, "written"),
       "0.0; sets the float child from hexadecimal text"),
    Op(O::FloatCodeToTextChild, "FloatCodeToTextChild", F::Text, C(K::Text, "written"), C(K::Float),
       "0.0; sets the text child to one character"),
    Op(O::TextFirstCharStored, "TextFirstCharStored", F::Text, C(K::Text),
       "code of the first character, also kept as the current value"),
    Op(O::VectorW, "VectorW", F::Vector, C(K::Vector), "w"),
    Op(O::WindowHasFocus, "WindowHasFocus", F::Query, "1.0 when the host's window has the focus"),
    Op(O::IsDirectory, "IsDirectory", F::Query, C(K::Text, "path"), "1.0 when the path is a directory"),
    Op(O::TextCompare, "TextCompare", F::Text, C(K::Text), C(K::Text), "-1.0, 0.0 or 1.0 by ordinal comparison"),
}};
// clang-format on

constexpr bool TableIsInNumberOrder() {
    for (int i = 0; i < kOperationCount; ++i) {
        if (static_cast<int>(kOperations[static_cast<size_t>(i)].id) != i) return false;
    }
    return true;
}
static_assert(TableIsInNumberOrder(), "row i of the operation table must be operation i");
}  // namespace operation_table_detail

using operation_table_detail::kOperations;

// The row of operation `number`, or null outside 0..44.
constexpr const OperationInfo* FindOperation(int64_t number) {
    if (number < 0 || number >= kOperationCount) return nullptr;
    return &kOperations[static_cast<size_t>(number)];
}

// The operation with that name (exact, case-sensitive), or nothing.
constexpr std::optional<OperationId> FindOperationByName(std::string_view name) {
    for (const OperationInfo& info : kOperations) {
        if (info.name == name) return info.id;
    }
    return std::nullopt;
}

constexpr std::string_view ChildKindName(ChildKind kind) {
    switch (kind) {
        case ChildKind::Float: return "float";
        case ChildKind::Vector: return "vector";
        case ChildKind::Matrix: return "matrix";
        case ChildKind::Text: return "text";
        case ChildKind::Object: return "object";
        case ChildKind::Unsigned: return "unsigned";
        case ChildKind::MatchA: return "match A";
        case ChildKind::MatchB: return "match B";
        case ChildKind::Any: return "any";
        case ChildKind::Internal: return "internal";
    }
    return "?";
}
