// Whether a quantifier's links give its operation the children it looks up, told before the
// frames run. A child the operation does not find gives the plug-in's neutral value, which
// scenes use on purpose, so what this finds is worth a warning and never stops a run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "OperationTable.h"
#include "engine/Scene.h"

namespace quantifier_run {

// What is wrong with the links of `channels[quantifier]` when it runs `operation`: the slots of
// the operation that no link fills and the children that no slot reads, as one line that starts
// with the channel's name. Nothing when the links satisfy the operation, and nothing for a number
// outside the operation table, which evaluates to 0 whatever is linked.
std::optional<std::string> LinkProblems(std::span<const ChannelSpec> channels, size_t quantifier,
                                        int32_t operation);

// Whether an action of the first frame sets the operation of each channel (by index) in a run of
// `frames` frames. Those actions run before anything is read, so the operation the channel had
// before them, from the scene or a loaded record, is never evaluated.
std::vector<bool> OperationSetAtFirstFrame(const Scene& scene, size_t frames);

// One line of link problems, with what it is about: the quantifier, and the action that sets
// the operation when the line is about one.
struct OperationLinkProblem {
    size_t channel;
    std::optional<size_t> action;  // index into Scene::actions
    std::string line;
};

// The link problems of every operation a quantifier of `scene` evaluates with in `frames` frames,
// one line each: the operation in force when the first frame reads it, and each one an action of
// a later frame sets (the last of its frame: an earlier one is replaced before anything reads
// it). Lines about an action start "from frame N (SetOperationType): ". `loadedElsewhere` marks
// the channels whose operation a loaded record replaces: the load checks that one as it loads.
std::vector<OperationLinkProblem> OperationLinkProblems(const Scene& scene, size_t frames,
                                                        const std::vector<bool>& loadedElsewhere);

// The interface a channel of that kind is linked through, which lookups match.
ChildKind LinkedKind(ChannelKind kind);

// How a channel of that kind is named in these lines: by the interface it is linked through,
// except that a quantifier is called one.
std::string_view LinkedKindName(ChannelKind kind);

}  // namespace quantifier_run
