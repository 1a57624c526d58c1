// The runner's side of the channel kinds (engine/ChannelKinds.def): how each kind's entry in a
// scene file is read, and what its own keys mean, for the schema. How a kind is made, set and
// read in the engine is in engine/ChannelMaking.cpp.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "engine/Scene.h"
#include "scene/JsonDocument.h"
#include "scene/SceneKeys.h"

namespace quantifier_run {

class SceneReader;

struct ChannelKindInfo {
    ChannelKind kind;
    const char* name;
    // The keys of its scene entry beyond those every channel takes.
    std::vector<std::string> keys;
    // Whether the engine may find it under the float interface, where it is read as a float.
    bool readAsFloat;
    // Whether its values may move from key to key ("interpolate": "linear").
    bool movable;
    // Reads the kind's own keys of a scene entry into the channel (the common ones are read).
    void (*parse)(SceneReader& reader, const Json& item, ChannelSpec& channel,
                  const std::string& where);
    // For the schema: the definition its values follow, and what one value is called.
    const char* valueDefinition;
    const char* noun;
};

// A text as a scene gives it: a JSON text (its UTF-8 bytes, or its UTF-16 units when `wide`),
// null for no text, or {"bytes": [...]} / {"units": [...]} for raw codes.
TextValue ReadSceneText(const SceneReader& reader, const Json& value, bool wide,
                        const std::string& where);

// Every kind, in the order scene messages list them.
std::span<const ChannelKindInfo> ChannelKinds();
const ChannelKindInfo& KindInfo(ChannelKind kind);
// The kind a scene file names, or null.
const ChannelKindInfo* KindNamed(const std::string& name);

// "a quantifier channel takes value, operation, ... beside every channel's name, type, ...": the
// keys a scene entry of the kind takes, for a key it does not.
std::string KeysTaken(const ChannelKindInfo& kind);

// The schema of the kind's own keys of a scene entry: its "properties", and any "required" and
// "allOf" its keys need.
Schema KindKeysSchema(const ChannelKindInfo& kind);

}  // namespace quantifier_run
