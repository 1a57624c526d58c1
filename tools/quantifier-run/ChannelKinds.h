// The runner's channel kinds as scene files give them, one entry each: its name, the keys of its
// entry and how they are read. How a kind is made, set and read in the engine is its entry in
// ChannelMaking.h; a new kind is an entry in both (and its value type in Scene.h's Value if it
// has a new one).
#pragma once

#include <span>
#include <string>
#include <vector>

#include "JsonDocument.h"
#include "Scene.h"

namespace quantifier_run {

class SceneReader;

struct ChannelKindInfo {
    ChannelKind kind;
    const char* name;
    // The keys of its scene entry beyond those every channel takes.
    std::vector<std::string> keys;
    // Whether the engine may find it under the float interface, where it is read as a float.
    bool readAsFloat;
    // Reads the kind's own keys of a scene entry into the channel (the common ones are read).
    void (*parse)(SceneReader& reader, const Json& item, ChannelSpec& channel,
                  const std::string& where);
};

// Every kind, in the order scene messages list them.
std::span<const ChannelKindInfo> ChannelKinds();
const ChannelKindInfo& KindInfo(ChannelKind kind);
// The kind a scene file names, or null.
const ChannelKindInfo* KindNamed(const std::string& name);

}  // namespace quantifier_run
