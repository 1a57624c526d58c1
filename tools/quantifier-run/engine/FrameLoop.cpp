#include "engine/FrameLoop.h"

#include <algorithm>

namespace quantifier_run {

void RunFrames(const Scene& scene, LiveScene& live, size_t frames,
               const std::function<void(const std::vector<Cell>&)>& onRow,
               const std::function<void(size_t)>& beforeFrame) {
    // Actions keep their listed order within a frame.
    std::vector<const ActionSpec*> actions;
    for (const ActionSpec& action : scene.actions)
        actions.push_back(&action);
    std::stable_sort(actions.begin(), actions.end(),
                     [](const ActionSpec* a, const ActionSpec* b) { return a->frame < b->frame; });
    auto next = actions.begin();
    std::vector<Cell> row;
    row.reserve(scene.outputs.size());
    for (size_t frame = 0; frame < frames; ++frame) {
        if (beforeFrame) beforeFrame(frame);
        live.BeginFrame(frame);
        for (; next != actions.end() && (*next)->frame == frame; ++next)
            live.Apply(**next);
        // Read in the listed order: the first read of a quantifier in a render evaluates it,
        // later reads see that value, and a channel an operation writes shows the new value
        // to every read after the writer's.
        row.clear();
        for (size_t output : scene.outputs)
            row.push_back(live.Read(output));
        onRow(row);
    }
}

Results RunFrames(const Scene& scene, LiveScene& live, size_t frames) {
    Results results;
    for (size_t output : scene.outputs)
        results.names.push_back(scene.channels[output].name);
    RunFrames(scene, live, frames,
              [&](const std::vector<Cell>& row) { results.rows.push_back(row); });
    return results;
}

}  // namespace quantifier_run
