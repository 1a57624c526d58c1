#include "FrameLoop.h"

#include <algorithm>

namespace quantifier_run {

Results RunFrames(const Scene& scene, LiveScene& live, size_t frames, FrameProgress* progress) {
    Results results;
    for (size_t output : scene.outputs)
        results.names.push_back(scene.channels[output].name);
    // Actions keep their listed order within a frame.
    std::vector<const ActionSpec*> actions;
    for (const ActionSpec& action : scene.actions)
        actions.push_back(&action);
    std::stable_sort(actions.begin(), actions.end(),
                     [](const ActionSpec* a, const ActionSpec* b) { return a->frame < b->frame; });
    auto next = actions.begin();
    results.rows.reserve(frames);
    for (size_t frame = 0; frame < frames; ++frame) {
        if (progress) progress->Frame(frame);
        live.BeginFrame(frame);
        for (; next != actions.end() && (*next)->frame == frame; ++next)
            live.Apply(**next);
        // Read in the listed order: the first read of a quantifier in a render evaluates it,
        // later reads see that value, and a channel an operation writes shows the new value
        // to every read after the writer's.
        std::vector<Cell> row;
        row.reserve(scene.outputs.size());
        for (size_t output : scene.outputs)
            row.push_back(live.Read(output));
        results.rows.push_back(std::move(row));
    }
    return results;
}

}  // namespace quantifier_run
