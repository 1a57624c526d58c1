#include "scene/SceneSchema.h"

#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "OperationTable.h"
#include "scene/ChannelKinds.h"
#include "scene/SceneKeys.h"

namespace quantifier_run {
namespace {

// An object's "properties" (and "required") from its key list. A key without a shape is one the
// caller writes in its place; a key of some channel kinds only is written by those kinds.
void AddKeys(Schema& object, std::span<const SceneKey> keys) {
    for (const SceneKey& key : keys) {
        if (key.required) object["required"].push_back(key.name);
    }
    for (const SceneKey& key : keys) {
        if (!key.readAsFloatOnly)
            object["properties"][key.name] = Described(key.shape, key.description);
    }
}

// An object of the scene with its keys.
Schema ObjectOf(SceneObject object, const char* description) {
    Schema schema = {{"type", "object"}, {"description", description}};
    AddKeys(schema, KeysOf(object));
    return schema;
}

Schema WhenEquals(const char* key, const char* value, Schema then) {
    return {{"if", {{"properties", {{key, {{"const", value}}}}}, {"required", {key}}}},
            {"then", std::move(then)}};
}

Schema Integer(int64_t lowest, int64_t highest, const std::string& description) {
    return {{"type", "integer"},
            {"minimum", lowest},
            {"maximum", highest},
            {"description", description}};
}

Schema FixedList(const char* description, const char* item, int count) {
    return {{"description", description},
            {"type", "array"},
            {"items", Ref(item)},
            {"minItems", count},
            {"maxItems", count}};
}

Schema RawCodes(const char* description, int highest) {
    return {{"description", description},
            {"type", "array"},
            {"items", {{"type", "integer"}, {"minimum", 0}, {"maximum", highest}}}};
}

Schema Operation() {
    Schema branches = {{{"type", "integer"},
                        {"minimum", std::numeric_limits<int32_t>::min()},
                        {"maximum", std::numeric_limits<int32_t>::max()}}};
    // Each name with its summary, which an editor shows on hover.
    for (const OperationInfo& info : kOperations)
        branches.push_back({{"const", info.name},
                            {"description", std::string(info.summary) + " (operation " +
                                                std::to_string(static_cast<int>(info.id)) + ")"}});
    return {{"description",
             "An operation: its number (any 32-bit number is stored as it is; one outside 0.." +
                 std::to_string(kOperationCount - 1) +
                 " evaluates to 0 and draws a warning) or its name (quantifier-run "
                 "--list-operations lists them)."},
            {"anyOf", std::move(branches)}};
}

// Key `key` names one of `choices`, each with the rules it sets for the rest of the object.
void AddChoice(Schema& object, const char* key, const char* description,
               const std::vector<std::pair<std::string, Schema>>& choices) {
    Schema names = Schema::array();
    Schema rules = Schema::array();
    for (const auto& [name, then] : choices) {
        names.push_back(name);
        rules.push_back(WhenEquals(key, name.c_str(), then));
    }
    object["properties"][key] = {{"description", description}, {"enum", std::move(names)}};
    object["allOf"] = std::move(rules);
}

Schema Channel() {
    Schema channel = ObjectOf(SceneObject::Channel,
                              "A channel: a name, a type and, depending on the type, its value and "
                              "more.");
    std::vector<std::pair<std::string, Schema>> kinds;
    for (const ChannelKindInfo& kind : ChannelKinds())
        kinds.emplace_back(kind.name, KindKeysSchema(kind));
    AddChoice(channel, "type", "The channel's kind.", kinds);
    // Each kind's keys are properties of its own branch, so unknown keys are judged after them.
    channel["unevaluatedProperties"] = false;
    return channel;
}

Schema Camera() {
    Schema camera = ObjectOf(SceneObject::Camera,
                             "The engine's camera, registered before any quantifier is made.");
    camera["not"] = {{"required", {"view", "frames"}}};
    camera["additionalProperties"] = false;
    return camera;
}

Schema Group() {
    Schema group = ObjectOf(SceneObject::Group, "A channel group.");
    group["additionalProperties"] = false;
    return group;
}

Schema Action() {
    Schema action = ObjectOf(SceneObject::Action,
                             "Something the host does at a frame: after the frame's values are "
                             "set, before its outputs are read; actions of one frame in listed "
                             "order.");
    std::vector<std::pair<std::string, Schema>> actions;
    for (const ActionRow& row : Actions()) {
        switch (row.value) {
            case ActionValue::None:
                actions.emplace_back(row.name, Schema{{"not", {{"required", {"value"}}}}});
                break;
            case ActionValue::Operation:
                actions.emplace_back(
                    row.name,
                    Schema{{"required", {"value"}}, {"properties", {{"value", Ref("operation")}}}});
                break;
            case ActionValue::Flag:
                actions.emplace_back(row.name,
                                     Schema{{"required", {"value"}},
                                            {"properties", {{"value", {{"type", "boolean"}}}}}});
                break;
        }
    }
    AddChoice(action, "do", "What the host calls.", actions);
    action["additionalProperties"] = false;
    return action;
}

Schema Expectation() {
    Schema expected = ObjectOf(SceneObject::Expect,
                               "A value the run must give: a channel's at a frame, or at each "
                               "frame of a range.");
    expected["properties"]["value"] = Described(
        {{"anyOf",
          {Ref("number"), Ref("vector"), Ref("matrix"), Ref("text"), {{"type", "integer"}}}}},
        expected["properties"]["value"]["description"].get<std::string>());
    expected["oneOf"] = {{{"required", {"frame"}}}, {{"required", {"frames"}}}};
    expected["not"] = {{"required", {"tolerance", "ulps"}}};
    expected["additionalProperties"] = false;
    return expected;
}

Schema Definitions() {
    return {
        {"number",
         {{"description",
           "A number, rounded once from its text to the nearest 32-bit float, or one of the "
           "texts \"nan\", \"inf\", \"-inf\". A finite number too large for a float is an "
           "error."},
          {"anyOf", {{{"type", "number"}}, {{"enum", {"nan", "inf", "-inf"}}}}}}},
        {"vector", FixedList("A vector [x, y, z, w].", "number", 4)},
        {"point", FixedList("A point [x, y, z].", "number", 3)},
        {"matrix", FixedList("Four rows of four numbers. A point is a row vector, so the fourth "
                             "row is the position.",
                             "vector", 4)},
        {"bytes", RawCodes("A narrow text of raw bytes 0..255.", 0xFF)},
        {"units",
         RawCodes("A wide text of raw 16-bit units 0..65535 (lone surrogates allowed).", 0xFFFF)},
        {"text",
         {{"description",
           "A text: a string (its UTF-8 bytes, or its UTF-16 units when the channel is wide), "
           "null for no text, or raw bytes or units."},
          {"anyOf",
           {{{"type", "string"}},
            {{"type", "null"}},
            {{"type", "object"},
             {"properties", {{"bytes", Ref("bytes")}}},
             {"required", {"bytes"}},
             {"additionalProperties", false}},
            {{"type", "object"},
             {"properties", {{"units", Ref("units")}}},
             {"required", {"units"}},
             {"additionalProperties", false}}}}}},
        {"operation", Operation()},
        {"name",
         {{"description", "A name: a non-empty text without NUL, as names reach the engine."},
          {"type", "string"},
          {"minLength", 1},
          {"pattern", NoNulPattern()}}},
        {"unsigned", Integer(0, std::numeric_limits<uint32_t>::max(),
                             "A whole number 0.." +
                                 std::to_string(std::numeric_limits<uint32_t>::max()) + ".")},
        {"match", Integer(std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(),
                          "A whole number in the signed 32-bit range.")},
        {"channel", Channel()},
        {"camera", Camera()},
        {"group", Group()},
        {"action", Action()},
        {"expectation", Expectation()},
    };
}

}  // namespace

std::string SceneSchema() {
    Schema schema = {
        {"$schema", "https://json-schema.org/draft/2020-12/schema"},
        {"$id", "https://quantifier.invalid/scene.schema.json"},
        {"title", "quantifier-run scene"},
        {"description",
         "A scene for quantifier-run: its channels, how they are linked, the values that drive "
         "them frame by frame, what the host does at given frames, and which channels to show "
         "(tools/quantifier-run/SCENES.md)."},
        {"type", "object"}};
    AddKeys(schema, KeysOf(SceneObject::Scene));
    schema["additionalProperties"] = false;
    schema["$defs"] = Definitions();
    return schema.dump(2) + "\n";
}

}  // namespace quantifier_run
