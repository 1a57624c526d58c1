// The frames of a run: each a new render, the frame's values and actions, then the outputs
// read in the listed order.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/LiveScene.h"

namespace quantifier_run {

struct Results {
    std::vector<std::string> names;       // one per output column
    std::vector<std::vector<Cell>> rows;  // one per frame, from frame 0
};

// Runs `frames` frames of `scene` on `live`, which was built from it, handing each frame's row
// to `row` as soon as it is read and telling `beforeFrame` (when given) the frame about to run.
void RunFrames(const Scene& scene, LiveScene& live, size_t frames,
               const std::function<void(const std::vector<Cell>&)>& row,
               const std::function<void(size_t)>& beforeFrame = {});

// The same, keeping every row.
Results RunFrames(const Scene& scene, LiveScene& live, size_t frames);

}  // namespace quantifier_run
