// A scene as read from its JSON description, checked and with every name resolved to an
// index, before any channel exists.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "Orn_Types.h"

namespace quantifier_run {

enum class ChannelKind {
#define QUANTIFIER_CHANNEL_KIND(Kind, ...) Kind,
#include "engine/ChannelKinds.def"
};

inline constexpr size_t kChannelKindCount = 0
#define QUANTIFIER_CHANNEL_KIND(...) +1
#include "engine/ChannelKinds.def"
    ;

// The scene-file spelling of each channel kind ("float", "matchA", ...), at the kind's index.
inline constexpr const char* kChannelKindNames[] = {
#define QUANTIFIER_CHANNEL_KIND(Kind, name, ...) name,
#include "engine/ChannelKinds.def"
};

// A text channel's content: no text, narrow bytes or wide 16-bit units. Read back from a
// channel, it holds what the channel hands a reader: its text up to the first NUL.
struct TextValue {
    enum class Kind { None, Narrow, Wide };
    Kind kind = Kind::None;
    std::string bytes;
    std::u16string units;
};

// std::variant of the types given, each once, in the order of first appearance.
template <class Variant, class... More>
struct DistinctVariant {
    using type = Variant;
};
template <class... Held, class Next, class... More>
struct DistinctVariant<std::variant<Held...>, Next, More...>
    : DistinctVariant<std::conditional_t<(std::is_same_v<Held, Next> || ...), std::variant<Held...>,
                                         std::variant<Held..., Next>>,
                      More...> {};

// One value of a channel, of its kind's value type: what a scene sets on a channel and what an
// output reads of one. The alternatives' order is their number on the wire.
using Value = DistinctVariant<std::variant<>
#define QUANTIFIER_CHANNEL_KIND(Kind, name, HostClass, ValueType, ...) , ValueType
#include "engine/ChannelKinds.def"
                              >::type;

// A value that is either set once before the first frame ("value") or given per frame
// ("frames": entry i at the start of frame i).
struct Timeline {
    std::vector<Value> values;  // never empty
    bool perFrame = false;

    const Value& Initial() const { return values.front(); }
    // The value to set at the start of `frame`, or null when nothing is set then: a constant
    // was set before the first frame, and after a list ends the channel keeps what it holds.
    const Value* At(size_t frame) const {
        return perFrame && frame < values.size() ? &values[frame] : nullptr;
    }
    // The value in effect at `frame`, the last one holding after the list ends.
    const Value& InEffect(size_t frame) const {
        return values[frame < values.size() ? frame : values.size() - 1];
    }
};

struct ChannelSpec {
    std::string name;
    ChannelKind kind = ChannelKind::Float;
    std::optional<Timeline> value;

    // Quantifiers.
    int32_t operation = 0;
    std::vector<size_t> children;  // indices into Scene::channels, in link order
    std::optional<bool> storeCurrentValue;
    std::optional<bool> updateChannelname;

    // Objects: the test region and the inner object (absent: the channel has none).
    XMFLOAT3 regionMin{0, 0, 0};
    XMFLOAT3 regionMax{0, 0, 0};
    std::optional<XMMATRIX> innerObject = IdentityMatrix();

    // What the engine keeps beside the channel.
    std::optional<size_t> group;
    std::vector<size_t> internalChildren;  // internal child i is internalChildren[i]
    std::optional<int32_t> interfaceType;
    std::optional<std::string> publicCall;
    std::optional<std::string> registeredName;  // under the float interface
};

struct CameraSpec {
    Timeline view;  // matrices
    float fovDegrees = 60.0f;
    float aspect = 1.0f;
    float nearDistance = 0.1f;
    float farDistance = 1000.0f;
};

struct GroupSpec {
    std::string name;
    std::optional<std::string> path;
    std::optional<size_t> window;  // index into Scene::windows
};

enum class ActionKind {
    CallChannel,
    IncreaseInvalidateCount,
    SetOperationType,
    SetStoreCurrentValue,
    SetUpdateChannelname
};

// The last value of each enumeration a scene holds. A value past it is no value of the
// enumeration (a damaged message), and a table with an entry per value holds one up to it.
template <class E>
struct EnumLast;
template <>
struct EnumLast<ChannelKind> {
    static constexpr auto value = static_cast<ChannelKind>(kChannelKindCount - 1);
};
template <>
struct EnumLast<TextValue::Kind> {
    static constexpr TextValue::Kind value = TextValue::Kind::Wide;
};
template <>
struct EnumLast<ActionKind> {
    static constexpr ActionKind value = ActionKind::SetUpdateChannelname;
};

// How many values an enumeration with an EnumLast has: they run from 0 without gaps.
template <class E>
inline constexpr size_t kEnumCount = static_cast<size_t>(EnumLast<E>::value) + 1;

struct ActionSpec {
    size_t frame = 0;
    size_t channel = 0;
    ActionKind kind = ActionKind::CallChannel;
    int32_t number = 0;  // SetOperationType
    bool flag = false;   // SetStoreCurrentValue, SetUpdateChannelname
};

struct Scene {
    size_t frames = 1;  // to run: a command line's count replaces the file's
    std::optional<CameraSpec> camera;
    std::optional<Timeline> timer;  // floats; absent: the engine makes no frame timers
    std::vector<std::string> windows;
    std::optional<size_t> mainWindow;
    std::vector<GroupSpec> groups;
    std::vector<ChannelSpec> channels;
    std::vector<ActionSpec> actions;  // in listed order
    std::vector<size_t> outputs;      // channel indices, in listed order
};

// The scene-file spelling of a channel kind ("float", "matchA", ...).
constexpr const char* ChannelKindName(ChannelKind kind) {
    const auto index = static_cast<size_t>(kind);
    return index < kChannelKindCount ? kChannelKindNames[index] : "?";
}

}  // namespace quantifier_run
