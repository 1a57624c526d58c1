// The most a run takes in: what a user can count on being refused up front rather than
// exhausting the machine.
#pragma once

#include <cstddef>

#include "engine/LinkDepth.h"

namespace quantifier_run {

// The largest scene file and scene stream read; a larger one is refused with one line.
inline constexpr size_t kMaxSceneBytes = size_t{64} << 20;
inline constexpr size_t kMaxStreamBytes = size_t{256} << 20;

// The deepest nesting of lists and objects in a scene file. A scene needs six levels; each
// level costs memory before the document is read whole, so deeper ones are refused while
// parsing, whatever key they are under.
inline constexpr size_t kMaxJsonNesting = 64;

// The deepest chain of links run is the engine side's own: kMaxLinkDepth (LinkDepth.h).

}  // namespace quantifier_run
