// The operations as data: the enum of their numbers, their count and one row each of
// name, family, result kind, state kept and children, all expanded from Operations.def, with
// the words a reader needs (a summary, each child's role). The runner, the tests and the tools
// read this header without linking the plug-in; the plug-in's evaluation column (Dispatch.cpp)
// is expanded from the same list, and in the plug-in the rows hold no words.
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
    CountOrKept,   // a whole number from 0 on, or the channel's own value answered unchanged
    Position,      // -1.0 or a whole number from 0 on
    Int32,         // a 32-bit signed whole number as a float: -2^31 to 2^31 (2^31 - 1 rounds up)
    UnsignedByte,  // 0 to 255
    SignedByte,    // -128 to 127
};

// What the operation does with a child beyond reading it.
enum class ChildUse : uint8_t {
    Read,
    Optional,  // looked up and may be absent: the operation has a meaning without it
    Written,   // the operation sets the child's value
};

// What an operation keeps between renders (beyond the value every result leaves behind).
enum class StateKept : uint8_t {
    None,
    Accumulator,       // its own last value, which the step is added to
    Toggle,            // the toggle state
    ToggleAndTrigger,  // the toggle state and the trigger's last value
    LastDistance,      // the distance at its last evaluation
    ChildStamp,        // the first child's last time stamp, and its own value
    CountAndStamps,    // its last count and both children's time stamps
    InvalidateCount,   // the camera's invalidations since it registered
    RandomGenerator,   // the process's pseudo-random generator, not the channel
};

struct ChildSlot {
    ChildKind kind;
    ChildUse use = ChildUse::Read;
    std::string_view role;  // what the child means to the operation; empty in the plug-in
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
    constexpr void SetRole(size_t i, std::string_view role) { slots[i].role = role; }

private:
    std::array<ChildSlot, 3> slots{};
    size_t count = 0;
};

struct OperationInfo {
    OperationId id;
    std::string_view name;
    OperationFamily family;
    ResultKind result;
    StateKept keeps;
    ChildList children;
    std::string_view summary = {};  // one line for readers; empty in the plug-in
};

namespace operation_table_detail {
using K = ChildKind;
using F = OperationFamily;
using R = ResultKind;
using S = StateKept;
using U = ChildUse;
constexpr ChildSlot C(K kind, U use = U::Read) {
    return {kind, use, {}};
}

// A row with its words: a summary and one role per child, in lookup order.
constexpr OperationInfo WithWords(OperationInfo row, std::string_view summary,
                                  std::initializer_list<std::string_view> roles) {
    // Thrown while the table is made at compile time, so a row whose roles do not match its
    // children does not compile.
    if (roles.size() != row.children.size() || summary.empty())
        throw "an operation needs a summary and a role for each child";
    size_t i = 0;
    for (std::string_view role : roles) {
        if (role.empty()) throw "a role is a name";
        row.children.SetRole(i++, role);
    }
    row.summary = summary;
    return row;
}

#define QUANTIFIER_FIELDS(...) __VA_ARGS__
#ifdef QUANTIFIER_BUILDING_PLUGIN
// The plug-in needs no words: it is loaded into another program and carries only what it runs.
#define QUANTIFIER_OPERATION(Name, number, fields, summary, roles) \
    {.id = OperationId::Name, .name = #Name, QUANTIFIER_FIELDS fields},
#else
#define QUANTIFIER_OPERATION(Name, number, fields, summary, roles)                         \
    WithWords({.id = OperationId::Name, .name = #Name, QUANTIFIER_FIELDS fields}, summary, \
              {QUANTIFIER_FIELDS roles}),
#endif
inline constexpr std::array<OperationInfo, kOperationCount> kOperations = {{
#include "Operations.def"
}};
#undef QUANTIFIER_FIELDS

constexpr bool TableIsInNumberOrder() {
    for (int i = 0; i < kOperationCount; ++i) {
        if (static_cast<int>(kOperations[static_cast<size_t>(i)].id) != i) return false;
    }
    return true;
}
static_assert(TableIsInNumberOrder(), "row i of the operation table must be operation i");
}  // namespace operation_table_detail

using operation_table_detail::kOperations;

// The row of operation `number`, or null outside the table.
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

constexpr std::string_view OperationFamilyName(OperationFamily family) {
    switch (family) {
        case OperationFamily::Vector:
            return "vector";
        case OperationFamily::Spatial:
            return "spatial";
        case OperationFamily::Stateful:
            return "stateful";
        case OperationFamily::Text:
            return "text";
        case OperationFamily::Query:
            return "query";
    }
    return "?";
}

constexpr std::string_view ResultKindName(ResultKind result) {
    switch (result) {
        case ResultKind::AnyFloat:
            return "any float, NaN and infinities included";
        case ResultKind::Truth:
            return "0 or 1";
        case ResultKind::Sign:
            return "-1, 0 or 1";
        case ResultKind::Zero:
            return "always 0";
        case ResultKind::Magnitude:
            return "0 or more, or NaN";
        case ResultKind::Count:
            return "a whole number from 0 on";
        case ResultKind::CountOrKept:
            return "a whole number from 0 on, or the value the channel holds, answered unchanged "
                   "(below)";
        case ResultKind::Position:
            return "-1 or a whole number from 0 on";
        case ResultKind::Int32:
            return "a whole number from -2147483648 to 2147483648: the signed 32-bit range, whose "
                   "largest number rounds up to a float";
        case ResultKind::UnsignedByte:
            return "0 to 255";
        case ResultKind::SignedByte:
            return "-128 to 127";
    }
    return "?";
}

constexpr std::string_view ChildUseName(ChildUse use) {
    switch (use) {
        case ChildUse::Read:
            return "read";
        case ChildUse::Optional:
            return "optional";
        case ChildUse::Written:
            return "written";
    }
    return "?";
}

// What the state is called in the list and the reference; "none" for none.
constexpr std::string_view StateKeptName(StateKept state) {
    switch (state) {
        case StateKept::None:
            return "none";
        case StateKept::Accumulator:
            return "its own value";
        case StateKept::Toggle:
            return "the toggle";
        case StateKept::ToggleAndTrigger:
            return "the toggle and the trigger's last value";
        case StateKept::LastDistance:
            return "the last distance";
        case StateKept::ChildStamp:
            return "the child's last time stamp and its own value";
        case StateKept::CountAndStamps:
            return "the last count and both children's time stamps";
        case StateKept::InvalidateCount:
            return "the camera's invalidation count";
        case StateKept::RandomGenerator:
            return "the program's random generator";
    }
    return "?";
}
