// What the engine saw of a scene while it ran, for a picture of the graph or an explanation of
// a value: at one frame, each channel's value, how often it was read and evaluated and the
// children its operation looked up; over the whole run, a few columns of each float's values.
// Gathered only when a request asks for it, so that ordinary runs do none of this work.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "OperationTable.h"
#include "engine/Cell.h"
#include "engine/Scene.h"

namespace quantifier_run {

template <>
struct EnumLast<ChildKind> {
    static constexpr ChildKind value = ChildKind::Internal;
};

// What a request asks the engine to watch.
struct ObserveRequest {
    size_t frame = 0;         // the frame whose reads and lookups are kept
    size_t sparkColumns = 0;  // columns of each float channel's values over the run
};

// One lookup of a child, as the engine was asked for it.
struct ObservedLookup {
    ChildKind kind = ChildKind::Float;  // Any: by position; Internal: the engine's internal child
    int32_t index = 0;
    std::optional<size_t> found;  // the channel the engine answered with; absent: none
};

struct ChannelObservation {
    // At the frame, from the engine's own accounting of reads (CheckRenderCount).
    uint32_t reads = 0;
    uint32_t evaluations = 0;
    std::optional<int32_t> operation;  // a quantifier's operation at the frame
    // The value at the frame; absent for a quantifier nothing read then.
    std::optional<Cell> value;
    // A quantifier's value at its last evaluation before the frame.
    std::optional<float> before;
    // The lookups at the frame in the order they were made; when the quantifier was not
    // evaluated then, those its operation's row makes, answered by the engine (not observed).
    bool lookupsObserved = false;
    std::vector<ObservedLookup> lookups;
    // Per column, the lowest and highest finite value of the frames it covers; NaN: none.
    std::vector<float> sparkLow;
    std::vector<float> sparkHigh;
};

struct Observation {
    size_t frame = 0;
    std::vector<ChannelObservation> channels;  // by scene index
};

}  // namespace quantifier_run
