#include "SceneSchema.h"

#include <cstdint>
#include <limits>

#include "ChannelKinds.h"
#include "OperationTable.h"
#include "SceneKeys.h"

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

Schema Channel() {
    Schema channel = {{"type", "object"},
                      {"description",
                       "A channel: a name, a type and, depending on the type, its value and "
                       "more."}};
    AddKeys(channel, KeysOf(SceneObject::Channel));
    Schema names = Schema::array();
    Schema kinds = Schema::array();
    for (const ChannelKindInfo& kind : ChannelKinds()) {
        names.push_back(kind.name);
        kinds.push_back(WhenEquals("type", kind.name, KindKeysSchema(kind)));
    }
    Schema& type = channel["properties"]["type"];
    type = {{"description", "The channel's kind."}, {"enum", std::move(names)}};
    channel["allOf"] = std::move(kinds);
    // Each kind's keys are properties of its own branch, so unknown keys are judged after them.
    channel["unevaluatedProperties"] = false;
    return channel;
}

Schema Camera() {
    Schema camera = {
        {"type", "object"},
        {"description", "The engine's camera, registered before any quantifier is made."}};
    AddKeys(camera, KeysOf(SceneObject::Camera));
    camera["not"] = {{"required", {"view", "frames"}}};
    camera["additionalProperties"] = false;
    return camera;
}

Schema Group() {
    Schema group = {{"type", "object"}, {"description", "A channel group."}};
    AddKeys(group, KeysOf(SceneObject::Group));
    group["additionalProperties"] = false;
    return group;
}

Schema Action() {
    Schema action = {{"type", "object"},
                     {"description",
                      "Something the host does at a frame: after the frame's values are set, "
                      "before its outputs are read; actions of one frame in listed order."}};
    AddKeys(action, KeysOf(SceneObject::Action));
    Schema names = Schema::array();
    Schema values = Schema::array();
    for (const ActionRow& row : Actions()) {
        names.push_back(row.name);
        switch (row.value) {
            case ActionValue::None:
                values.push_back(WhenEquals("do", row.name, {{"not", {{"required", {"value"}}}}}));
                break;
            case ActionValue::Operation:
                values.push_back(WhenEquals(
                    "do", row.name,
                    {{"required", {"value"}}, {"properties", {{"value", Ref("operation")}}}}));
                break;
            case ActionValue::Flag:
                values.push_back(WhenEquals(
                    "do", row.name,
                    {{"required", {"value"}}, {"properties", {{"value", {{"type", "boolean"}}}}}}));
                break;
        }
    }
    Schema& what = action["properties"]["do"];
    what = {{"enum", std::move(names)}, {"description", "What the host calls."}};
    action["allOf"] = std::move(values);
    action["additionalProperties"] = false;
    return action;
}

Schema Definitions() {
    return {
        {"number",
         {{"description",
           "A number, rounded once from its text to the nearest 32-bit float, or one of the "
           "texts \"nan\", \"inf\", \"-inf\". A finite number too large for a float is an "
           "error."},
          {"anyOf", {{{"type", "number"}}, {{"enum", {"nan", "inf", "-inf"}}}}}}},
        {"vector",
         {{"description", "A vector [x, y, z, w]."},
          {"type", "array"},
          {"items", Ref("number")},
          {"minItems", 4},
          {"maxItems", 4}}},
        {"point",
         {{"description", "A point [x, y, z]."},
          {"type", "array"},
          {"items", Ref("number")},
          {"minItems", 3},
          {"maxItems", 3}}},
        {"matrix",
         {{"description",
           "Four rows of four numbers. A point is a row vector, so the fourth row is the "
           "position."},
          {"type", "array"},
          {"items", Ref("vector")},
          {"minItems", 4},
          {"maxItems", 4}}},
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
