// A scene as read from its JSON description, checked and with every name resolved to an
// index, before any channel exists.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
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

// A value that is either set once before the first frame ("value"), given per frame ("frames":
// entry i at the start of frame i) or by keys ("keys": each from its frame until the next key).
struct Timeline {
    std::vector<Value> values;  // never empty
    bool perFrame = false;
    // Keys: values[i] is set from frame keyFrames[i] until the next key, and the first also before
    // it, as a list with that value in each of those frames would set it; the frames increase.
    // Empty for a constant or a list.
    std::vector<size_t> keyFrames;
    // Keys: floats and vectors move in a straight line from one key to the next.
    bool linear = false;

    // A value set once, before the first frame.
    static Timeline Constant(Value value) {
        Timeline timeline;
        timeline.values.push_back(std::move(value));
        return timeline;
    }

    const Value& Initial() const { return values.front(); }
    // How many frames the values are given for: a list's length, one past the last key.
    size_t Length() const { return keyFrames.empty() ? values.size() : keyFrames.back() + 1; }
    // The value to set at the start of `frame`, or null when nothing is set then: a constant was
    // set before the first frame, and after a list or the last key the channel keeps what it
    // holds. A value between two keys that move is made in `between`.
    const Value* At(size_t frame, Value& between) const {
        if (!perFrame || frame >= Length()) return nullptr;
        if (keyFrames.empty()) return &values[frame];
        // The last key at or before the frame; the first before it.
        const auto after = std::upper_bound(keyFrames.begin(), keyFrames.end(), frame);
        const size_t key =
            after == keyFrames.begin() ? 0 : static_cast<size_t>(after - keyFrames.begin()) - 1;
        if (!linear || key + 1 == keyFrames.size() || frame <= keyFrames[key]) return &values[key];
        // In single precision, from the earlier key: a + (b - a) * t.
        const float t = static_cast<float>(frame - keyFrames[key]) /
                        static_cast<float>(keyFrames[key + 1] - keyFrames[key]);
        const Value& from = values[key];
        const Value& to = values[key + 1];
        if (const auto* a = std::get_if<float>(&from); a && std::holds_alternative<float>(to)) {
            between = *a + (std::get<float>(to) - *a) * t;
        } else if (const auto* v = std::get_if<XMFLOAT4>(&from);
                   v && std::holds_alternative<XMFLOAT4>(to)) {
            const XMFLOAT4& w = std::get<XMFLOAT4>(to);
            between = XMFLOAT4{v->x + (w.x - v->x) * t, v->y + (w.y - v->y) * t,
                               v->z + (w.z - v->z) * t, v->w + (w.w - v->w) * t};
        } else {
            return &from;  // nothing else moves: the key holds
        }
        return &between;
    }
    // The value in effect at `frame` of a constant or a list, the last one holding after the
    // list ends.
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
