// A run's rows checked against the scene's "expect" on their way to the writer. A channel that
// an expectation names and the outputs do not is read after the outputs, in a column of its own
// that the writer never sees.
#pragma once

#include <memory>

#include "app/Run.h"
#include "scene/SceneParser.h"

namespace quantifier_run {

// Wraps `output.rows` in a check of `scene`'s expectations, adding to `scene.outputs` the
// channels they read that it does not list. Does nothing for a scene that expects nothing.
void CheckExpectations(ParsedScene& scene, RunOutput& output);

// After the frames: the expectations the run did not meet fail it (exit status 3) with a line
// each on `err` after the warnings, or join the warnings, or stay in the output, as `settings`
// says.
void HoldToExpectations(const RunSettings& settings, RunOutput& output);

}  // namespace quantifier_run
