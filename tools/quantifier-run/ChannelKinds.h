// The runner's channel kinds, one entry each: its name in scene files, what it reads from its
// scene entry, how it is made, how a value is set on it and what an output shows of it. A new
// kind is a new entry here (and its value type in Scene.h's Value if it has a new one).
#pragma once

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "Cell.h"
#include "JsonDocument.h"
#include "Kch_Quantifier.h"
#include "Orn_Channel.h"
#include "Plugin.h"
#include "Scene.h"

namespace quantifier_run {

class SceneReader;

// Where a kind's maker leaves what it made. Quantifiers are kept apart: they are destroyed
// first, while the channels they read still exist.
struct ChannelOwners {
    const QuantifierPlugin& plugin;
    std::vector<std::unique_ptr<Orn_Channel>>& channels;
    std::vector<std::unique_ptr<Kch_Quantifier>>& quantifiers;
};

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
    // Makes the channel, set up as far as its definition goes beyond names and links.
    Orn_Channel& (*make)(const ChannelSpec& definition, ChannelOwners& owners);
    // Sets a value of the kind's type; the time stamp changes only when the value does.
    void (*set)(Orn_Channel& channel, const Value& value);
    // Reads the channel as a parent would.
    Cell (*read)(Orn_Channel& channel);
};

// Every kind, in the order scene messages list them.
std::span<const ChannelKindInfo> ChannelKinds();
const ChannelKindInfo& KindInfo(ChannelKind kind);
// The kind a scene file names, or null.
const ChannelKindInfo* KindNamed(const std::string& name);

}  // namespace quantifier_run
