// How each channel kind lives in the engine: how it is made, how a value is set on it and what
// an output shows of it. This side of the runner sees only the engine's headers and the core
// C++ library, so that it builds in the engine's own ABI too.
#pragma once

#include <cstring>
#include <memory>
#include <vector>

#include "Kch_Quantifier.h"
#include "Orn_Channel.h"
#include "engine/Cell.h"
#include "engine/Plugin.h"
#include "engine/Scene.h"

namespace quantifier_run {

// Whether two values hold the same bytes: -0 differs from 0, and a NaN is the same as itself.
template <class T>
bool SameBits(const T& a, const T& b) {
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

// Where a kind's maker leaves what it made. Quantifiers are kept apart: they are destroyed
// first, while the channels they read still exist.
struct ChannelOwners {
    const QuantifierPlugin& plugin;
    std::vector<std::unique_ptr<Orn_Channel>>& channels;
    std::vector<std::unique_ptr<Kch_Quantifier>>& quantifiers;
};

struct ChannelMaker {
    ChannelKind kind;
    // Makes the channel, set up as far as its definition goes beyond names and links.
    Orn_Channel& (*make)(const ChannelSpec& definition, ChannelOwners& owners);
    // Sets a value of the kind's type; the time stamp changes only when the value does.
    void (*set)(Orn_Channel& channel, const Value& value);
    // Reads the channel as a parent would.
    Cell (*read)(Orn_Channel& channel);
};

const ChannelMaker& MakerOf(ChannelKind kind);

}  // namespace quantifier_run
