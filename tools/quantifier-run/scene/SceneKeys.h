// The keys of a scene file's objects, each once: its name, the shape of its value as the scene
// schema states it, and what it means. The scene reader checks keys against these lists and
// `quantifier-run --schema` writes them out, so the schema says what the reader takes. A
// channel kind's own keys are its entry's, in ChannelKinds.cpp.
#pragma once

#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "Orn_Records.h"
#include "engine/Scene.h"

namespace quantifier_run {

// A part of the scene schema, keys in the order written.
using Schema = nlohmann::ordered_json;

struct SceneKey {
    const char* name;
    Schema shape;             // its value's schema, without the description
    std::string description;  // for people, and for editors on hover; empty: none
    bool required = false;
    // Taken only by channels the engine may find under the float interface.
    bool readAsFloatOnly = false;
};

// The objects of a scene file whose keys are listed here.
enum class SceneObject { Scene, Channel, Camera, Group, Action, Region, Expect };

std::span<const SceneKey> KeysOf(SceneObject object);
std::vector<std::string> KeyNames(std::span<const SceneKey> keys);

// Limits a scene's values are held to, by the reader and the schema alike.
inline constexpr int64_t kMostFrames = std::numeric_limits<int32_t>::max();
// The engine's public-call record holds the path with its NUL in a fixed field.
inline constexpr size_t kLongestPublicCall = sizeof(PublicCallInfo::filePath) - 1;

// What an action does with its "value".
enum class ActionValue { None, Operation, Flag };

struct ActionRow {
    const char* name;
    ActionKind kind;
    ActionValue value;
};
std::span<const ActionRow> Actions();

// Schema pieces shared by the key lists.
Schema Ref(const char* definition);
Schema ListOf(Schema item, bool nonEmpty = false);
Schema NotBoth(const char* a, const char* b);
// The pattern of a text without NUL.
Schema NoNulPattern();
// `shape` with its description, when there is one.
Schema Described(Schema shape, const std::string& description);

}  // namespace quantifier_run
