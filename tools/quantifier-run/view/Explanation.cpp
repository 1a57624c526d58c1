#include "view/Explanation.h"

#include "scene/OperationList.h"
#include "view/SceneGraph.h"

namespace quantifier_run {
namespace {

class Builder {
public:
    Builder(const Scene& scene, const Observation& observation, size_t depth)
        : scene(scene),
          seen(observation),
          depth(depth),
          onPath(scene.channels.size(), false),
          explained(scene.channels.size(), false) {}

    Explanation Run(size_t channel) {
        out.frame = seen.frame;
        Add(channel, 0);
        return std::move(out);
    }

private:
    // The channel's place is taken before its slots are, so that a parent comes before its
    // children and each slot can name its child's place.
    size_t Add(size_t channel, size_t level) {
        const ChannelSpec& entry = scene.channels[channel];
        const ChannelObservation& at = seen.channels[channel];
        const size_t place = out.channels.size();
        out.channels.emplace_back();
        onPath[channel] = true;
        explained[channel] = true;
        ExplainedChannel node{entry.name, entry.kind, at.value, std::nullopt};
        if (entry.kind == ChannelKind::Quantifier) {
            const OperationInfo* row = at.operation ? FindOperation(*at.operation) : nullptr;
            ExplainedEvaluation& evaluation = node.quantifier.emplace();
            if (row) {
                evaluation.operation = row->name;
                evaluation.page = "docs/operations/" + ReferencePageName(*row) + ".md";
            }
            else if (at.operation)
                evaluation.operation =
                    "operation " + std::to_string(*at.operation) + " (not in the table)";
            evaluation.reads = at.reads;
            evaluation.evaluations = at.evaluations;
            if (row) evaluation.kept = row->keeps;
            evaluation.before = at.before;
            evaluation.lookupsObserved = at.lookupsObserved;
            // In lookup order: whether a child is explained here or marked depends on the slots
            // before it.
            for (const ObservedLookup& lookup : at.lookups)
                evaluation.slots.push_back(Slot(lookup, at.operation, level));
        }
        out.channels[place] = std::move(node);
        onPath[channel] = false;
        return place;
    }

    ExplainedSlot Slot(const ObservedLookup& lookup, const std::optional<int32_t>& operation,
                       size_t level) {
        ExplainedSlot slot{SlotName(operation, lookup),
                           lookup.kind,
                           lookup.index,
                           std::nullopt,
                           SlotMark::None,
                           std::nullopt};
        if (!lookup.found) return slot;
        const size_t found = *lookup.found;
        const ChannelSpec& entry = scene.channels[found];
        slot.found = ExplainedSlot::Found{entry.name, entry.kind, seen.channels[found].value};
        if (entry.kind != ChannelKind::Quantifier) return slot;
        if (onPath[found])
            slot.mark = SlotMark::Cycle;
        else if (explained[found])
            slot.mark = SlotMark::Repeat;
        else if (level + 1 < depth)
            slot.child = Add(found, level + 1);
        else
            slot.mark = SlotMark::Depth;
        return slot;
    }

    const Scene& scene;
    const Observation& seen;
    size_t depth;
    std::vector<bool> onPath, explained;
    Explanation out;
};

}  // namespace

std::string_view SlotMarkName(SlotMark mark) {
    switch (mark) {
        case SlotMark::None:
            return "";
        case SlotMark::Cycle:
            return "cycle";
        case SlotMark::Repeat:
            return "repeat";
        case SlotMark::Depth:
            return "depth";
    }
    return "";
}

Explanation Explain(const Scene& scene, const Observation& observation, size_t channel,
                    size_t depth) {
    return Builder(scene, observation, depth).Run(channel);
}

}  // namespace quantifier_run
