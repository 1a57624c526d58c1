// How deep a scene's evaluation can nest. A quantifier reads its children inside its own
// evaluation, so a chain of links is a chain of nested calls on the stack.
#pragma once

#include <cstddef>

#include "engine/Scene.h"

namespace quantifier_run {

// The most channels one chain of reads can hold. Within a render each channel evaluates at
// most once (a second read gives its cached value), so a chain holds a channel at most once:
// this is the longest path through the links, with every set of channels that reach one
// another counted whole. Internal children count as links, and a channel with internal
// children may reach every registered channel (PublicCallFloat finds one by name).
size_t LinkDepth(const Scene& scene);

// The deepest chain of links run, each channel of it a level of nested evaluation on the stack
// that StackForLinkDepth sizes. A deeper scene is refused before anything is made.
inline constexpr size_t kMaxLinkDepth = 100000;

// The stack that evaluating links `depth` channels deep needs: room for one level of nested
// evaluation per channel, with some to spare for the most any operation takes (sanitizers make
// frames several times larger), and for everything around the frames.
constexpr size_t StackForLinkDepth(size_t depth) {
    return (size_t{8} << 20) + depth * 2048;
}

}  // namespace quantifier_run
