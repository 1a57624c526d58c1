// The 45 operations as data: the enum of their numbers, their count and one row each of
// name, family, result kind and children, all expanded from Operations.def. The runner, the
// tests and the tools read this header without linking the plug-in; the plug-in's evaluation
// column (Dispatch.cpp) is expanded from the same list.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string_view>

enum class OperationId : int32_t {
#define QUANTIFIER_OPERATION(Name, number, ...) Name = number,
#include "Operations.def"
};

inline constexpr int kOperationCount = 0
#define QUANTIFIER_OPERATION(...) +1
#include "Operations.def"
    ;

enum class OperationFamily : uint8_t { Vector, Spatial, Stateful, Text, Query };

// The kind of child an operation looks up. `Any` is the first child whatever its interface;
// `Internal` the channel's internal child, reached through the engine.
enum class ChildKind : uint8_t {
    Float,
    Vector,
    Matrix,
    Text,
    Object,
    Unsigned,
    MatchA,
    MatchB,
    Any,
    Internal
};

// What an operation can give, whatever its children hold.
enum class ResultKind : uint8_t {
    AnyFloat,      // any float, NaN and infinities included
    Truth,         // 0.0 or 1.0
    Sign,          // -1.0, 0.0 or 1.0
    Zero,          // always +0.0
    Magnitude,     // NaN or not negative
    Count,         // a whole number from 0 on
    Position,      // -1.0 or a whole number from 0 on
    Int32,         // a whole number in the 32-bit signed range
    UnsignedByte,  // 0 to 255
    SignedByte,    // -128 to 127
};

struct ChildSlot {
    ChildKind kind;
    std::string_view role;  // what the child means to the operation; empty when obvious
};

// Up to three children, in lookup order.
class ChildList {
public:
    constexpr ChildList() = default;
    constexpr ChildList(std::initializer_list<ChildSlot> list) {
        for (const ChildSlot& slot : list)
            slots[count++] = slot;
    }
    constexpr size_t size() const { return count; }
    constexpr bool empty() const { return count == 0; }
    constexpr const ChildSlot& operator[](size_t i) const { return slots[i]; }
    constexpr const ChildSlot* begin() const { return slots.data(); }
    constexpr const ChildSlot* end() const { return slots.data() + count; }

private:
    std::array<ChildSlot, 3> slots{};
    size_t count = 0;
};

struct OperationInfo {
    OperationId id;
    std::string_view name;
    OperationFamily family;
    ResultKind result;
    ChildList children;
};

namespace operation_table_detail {
using K = ChildKind;
using F = OperationFamily;
using R = ResultKind;
constexpr ChildSlot C(K kind, std::string_view role = {}) {
    return {kind, role};
}

inline constexpr std::array<OperationInfo, kOperationCount> kOperations = {{
#define QUANTIFIER_OPERATION(Name, number, ...) \
    {.id = OperationId::Name, .name = #Name, __VA_ARGS__},
#include "Operations.def"
}};

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
        case ChildKind::Float:
            return "float";
        case ChildKind::Vector:
            return "vector";
        case ChildKind::Matrix:
            return "matrix";
        case ChildKind::Text:
            return "text";
        case ChildKind::Object:
            return "object";
        case ChildKind::Unsigned:
            return "unsigned";
        case ChildKind::MatchA:
            return "match A";
        case ChildKind::MatchB:
            return "match B";
        case ChildKind::Any:
            return "any";
        case ChildKind::Internal:
            return "internal";
    }
    return "?";
}
