// Why a channel has its value at one frame, as plain data: the channel, what its operation did
// and, through its slots, the same for its quantifier children. Built once from the scene and
// what the engine observed; --explain's text, its JSON and the page are renderings of it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "OperationTable.h"
#include "engine/Cell.h"
#include "engine/Observation.h"
#include "engine/Scene.h"

namespace quantifier_run {

// Why a slot's child is not explained beneath it.
enum class SlotMark {
    None,    // it is, or it is no quantifier
    Cycle,   // it is on the path from the channel asked about: the slot closes a cycle
    Repeat,  // it is explained above, where it was reached first
    Depth,   // it lies deeper than the depth asked for
};

// "cycle", "repeat", "depth"; empty for None.
std::string_view SlotMarkName(SlotMark mark);

struct ExplainedSlot {
    std::string name;  // its role, kind and index, as SlotName writes them
    ChildKind kind = ChildKind::Float;
    int32_t index = 0;
    // The channel the engine answered with; absent: none.
    struct Found {
        std::string name;
        ChannelKind kind = ChannelKind::Float;
        std::optional<Cell> value;  // absent when nothing read it at the frame
    };
    std::optional<Found> found;
    SlotMark mark = SlotMark::None;
    std::optional<size_t> child;  // the found quantifier's explanation, in Explanation::channels
};

// What a quantifier did at the frame.
struct ExplainedEvaluation {
    std::string operation;  // by name, or by number when the table has no such row; empty: none
    // The reference's page of the operation, where the project and its package keep it
    // ("docs/operations/11-Clamp.md"); empty when the table has no such row.
    std::string page;
    uint32_t reads = 0, evaluations = 0;
    std::optional<StateKept> kept;  // what its operation keeps; absent when the table has no row
    std::optional<float> before;    // its value at its evaluation before the frame
    // The slots as looked up at the frame; when it was not evaluated then (lookupsObserved
    // false), those its operation's row would look up.
    bool lookupsObserved = false;
    std::vector<ExplainedSlot> slots;
};

struct ExplainedChannel {
    std::string name;
    ChannelKind kind = ChannelKind::Float;
    std::optional<Cell> value;  // absent when nothing read it at the frame
    std::optional<ExplainedEvaluation> quantifier;
};

struct Explanation {
    size_t frame = 0;
    // The channel asked about first; every other is some slot's child, after its parent.
    std::vector<ExplainedChannel> channels;
};

// Explains `channel` and its quantifier children down to `depth` levels: each channel once, a
// cycle marked where it closes.
Explanation Explain(const Scene& scene, const Observation& observation, size_t channel,
                    size_t depth);

// As --explain writes it: an indented tree of lines.
std::string ExplanationText(const Explanation& explanation);
// As --explain --format json writes it: {"frame": ..., "explain": ...} and a line break.
std::string ExplanationJson(const Explanation& explanation);
// The "explain" member of that document: one channel and, nested, its children.
std::string ExplainedChannelJson(const Explanation& explanation, size_t channel = 0);

}  // namespace quantifier_run
