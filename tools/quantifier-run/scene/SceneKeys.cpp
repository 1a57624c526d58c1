#include "scene/SceneKeys.h"

#include <iterator>

namespace quantifier_run {

Schema Ref(const char* definition) {
    return {{"$ref", std::string("#/$defs/") + definition}};
}

Schema ListOf(Schema item, bool nonEmpty) {
    Schema list = {{"type", "array"}};
    if (nonEmpty) list["minItems"] = 1;
    list["items"] = std::move(item);
    return list;
}

Schema NotBoth(const char* a, const char* b) {
    return {{"not", {{"required", {a, b}}}}};
}

Schema NoNulPattern() {
    using namespace std::string_literals;
    return "^[^\u0000]*$"s;  // a NUL inside, so not a C string
}

Schema Described(Schema shape, const std::string& description) {
    if (description.empty()) return shape;
    if (shape.is_null()) shape = Schema::object();
    shape["description"] = description;
    return shape;
}

namespace {

Schema Integer(int64_t lowest, int64_t highest) {
    return {{"type", "integer"}, {"minimum", lowest}, {"maximum", highest}};
}
Schema NameOrNull() {
    return {{"anyOf", {Ref("name"), {{"type", "null"}}}}};
}
Schema PositiveNumber() {
    return {{"type", "number"}, {"exclusiveMinimum", 0}};
}

std::vector<SceneKey> SceneKeys() {
    return {
        {"$schema",
         {{"type", "string"}},
         "The schema the scene follows, for editors; the runner ignores it."},
        {"description", {{"type", "string"}}, "Free text; the runner ignores it."},
        {"frames", Integer(0, kMostFrames),
         "How many frames to run (--frames overrides it). Default: the length of the longest "
         "per-frame list, or one past the last action's frame, at least 1."},
        {"camera", Ref("camera"), ""},
        {"timer",
         {{"anyOf",
           {Ref("number"), {{"type", "array"}, {"minItems", 1}, {"items", Ref("number")}}}}},
         "The frame time: a number, or one number per frame (the last holds after the list "
         "ends). Without it the engine makes no frame-timer objects."},
        {"windows", ListOf(Ref("name")), "Window names; the same name is the same window handle."},
        {"mainWindow", NameOrNull(),
         "The name of the engine's main window (listed under \"windows\"), or null (the "
         "default)."},
        {"groups", ListOf(Ref("group")), "Channel groups."},
        {"channels", ListOf(Ref("channel")), "The channels, in the order they are made and saved.",
         true},
        {"actions", ListOf(Ref("action")), "What the host does at given frames."},
        {"outputs", ListOf(Ref("name")),
         "Channel names, in column order; a name may repeat. Default: every quantifier, in "
         "listed order."},
        {"expect", ListOf(Ref("expectation")),
         "Values the run must give; a run that gives another fails with exit status 3."},
    };
}

// What every channel may carry, whatever its kind: its name and kind, and the engine's entries
// beside it. "type" is written by the schema from the kinds.
std::vector<SceneKey> ChannelKeys() {
    return {
        {"name", Ref("name"), "The channel's name, unique in the scene and not empty.", true},
        {"type", {}, "The channel's kind.", true},
        {"group", Ref("name"), "The name of the group (under \"groups\") the channel is put in."},
        {"internal", ListOf(Ref("name")),
         "Channel names: internal child 0, 1, ... of this channel."},
        {"interfaceType",
         Integer(std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()),
         "Passed to SetChannelInterfaceType."},
        {"publicCall",
         {{"type", "string"}, {"maxLength", kLongestPublicCall}, {"pattern", NoNulPattern()}},
         "The file path of the channel's public call, without NUL and at most " +
             std::to_string(kLongestPublicCall) +
             " bytes (the schema counts characters, which are bytes for ASCII paths)."},
        {"register", Ref("name"),
         "Registers the channel with the engine under the float interface and this name; each "
         "name once in a scene.",
         false, true},
    };
}

std::vector<SceneKey> CameraKeys() {
    return {
        {"view", Ref("matrix"), "The world-to-camera matrix (default identity)."},
        {"frames", ListOf(Ref("matrix"), true), "One view matrix per frame instead of \"view\"."},
        {"fov",
         {{"type", "number"}, {"exclusiveMinimum", 0}, {"exclusiveMaximum", 180}},
         "The vertical field of view in degrees, strictly between 0 and 180 (default 60)."},
        {"aspect", PositiveNumber(), "Width over height, above 0 (default 1)."},
        {"near", PositiveNumber(), "The near distance, 0 < near < far (default 0.1)."},
        {"far", PositiveNumber(), "The far distance (default 1000)."},
    };
}

std::vector<SceneKey> GroupKeys() {
    return {
        {"name", Ref("name"), "The group's name, used by a channel's \"group\".", true},
        {"path",
         {{"anyOf", {{{"type", "string"}, {"pattern", NoNulPattern()}}, {{"type", "null"}}}}},
         "The group's path, against which public-call paths are completed."},
        {"window", NameOrNull(), "The name of the group's window (listed under \"windows\")."},
    };
}

// "do" is written by the schema from the actions.
std::vector<SceneKey> ActionKeys() {
    return {
        {"frame", Integer(0, kMostFrames),
         "The frame, counted from 0. An action after the last frame is reported and not "
         "applied.",
         true},
        {"channel", Ref("name"),
         "The channel's name; every action but CallChannel needs a quantifier.", true},
        {"do", {}, "What the host calls.", true},
        {"value", Schema::object(),
         "SetOperationType: an operation number or name; SetStoreCurrentValue, "
         "SetUpdateChannelname: true or false; the others take none."},
    };
}

std::vector<SceneKey> RegionKeys() {
    return {
        {"min", Ref("point"), "The box's lowest corner.", true},
        {"max", Ref("point"), "The box's highest corner.", true},
    };
}

// "value" is written by the schema, which knows no channel's kind here.
std::vector<SceneKey> ExpectKeys() {
    return {
        {"frame", Integer(0, kMostFrames), "The frame it holds at, counted from 0."},
        {"frames",
         {{"type", "array"}, {"items", Integer(0, kMostFrames)}, {"minItems", 2}, {"maxItems", 2}},
         "[first, last]: the frames it holds at, both included."},
        {"channel", Ref("name"), "The channel's name: any channel, listed as an output or not.",
         true},
        {"value", Schema::object(),
         "The value, as the channel's kind is written (a number, a vector, a matrix, a text, a "
         "whole number; an object's test result 1 or 0). Compared as the rows print it, unless a "
         "tolerance is given.",
         true},
        {"tolerance",
         {{"anyOf", {{{"type", "number"}, {"minimum", 0}}, {{"const", "inf"}}}}},
         "A number's largest allowed absolute difference."},
        {"ulps", Integer(0, std::numeric_limits<int32_t>::max()),
         "A number's largest allowed difference in units in the last place of a 32-bit float."},
        {"description", {{"type", "string"}}, "What it shows, for people; the runner ignores it."},
    };
}

constexpr ActionRow kActions[] = {
    {"CallChannel", ActionKind::CallChannel, ActionValue::None},
    {"IncreaseInvalidateCount", ActionKind::IncreaseInvalidateCount, ActionValue::None},
    {"SetOperationType", ActionKind::SetOperationType, ActionValue::Operation},
    {"SetStoreCurrentValue", ActionKind::SetStoreCurrentValue, ActionValue::Flag},
    {"SetUpdateChannelname", ActionKind::SetUpdateChannelname, ActionValue::Flag},
};
static_assert(std::size(kActions) == kEnumCount<ActionKind>, "a row for every action");

}  // namespace

std::span<const SceneKey> KeysOf(SceneObject object) {
    static const std::vector<SceneKey> lists[] = {SceneKeys(), ChannelKeys(), CameraKeys(),
                                                  GroupKeys(), ActionKeys(),  RegionKeys(),
                                                  ExpectKeys()};
    return lists[static_cast<size_t>(object)];
}

std::vector<std::string> KeyNames(std::span<const SceneKey> keys) {
    std::vector<std::string> names;
    for (const SceneKey& key : keys)
        names.emplace_back(key.name);
    return names;
}

std::span<const ActionRow> Actions() {
    return kActions;
}

}  // namespace quantifier_run
