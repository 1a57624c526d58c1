// The frames of a run: each a new render, the frame's values and actions, then the outputs
// read in the listed order.
#pragma once

#include <string>
#include <vector>

#include "Progress.h"
#include "SceneBuilder.h"

namespace quantifier_run {

struct Results {
    std::vector<std::string> names;       // one per output column
    std::vector<std::vector<Cell>> rows;  // one per frame, from frame 0
};

// Runs `frames` frames of `scene` on `live`, which was built from it, telling `progress` (when
// given) before each frame.
Results RunFrames(const Scene& scene, LiveScene& live, size_t frames,
                  FrameProgress* progress = nullptr);

}  // namespace quantifier_run
