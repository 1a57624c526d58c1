// What a scene means, checked before it runs: mistakes that a well-formed scene can still hold,
// each a warning at the place in the file it is about. Links that do not fit an operation are the
// link check's (engine/LinkCheck.h).
#pragma once

#include <cstddef>
#include <vector>

#include "scene/SceneParser.h"

namespace quantifier_run {

// The warnings for a run of `frames` frames of `scene`, in the order found (a run tells them in
// the file's order):
// - a cycle of links, named by its path, unless a quantifier on it is marked "feedback";
// - a channel that no output, action or other channel reads;
// - an action after the last frame, which is not applied;
// - an action that makes the run longer than the per-frame values say, in a scene that does not
//   state its frames;
// - a per-frame list longer or shorter than the frames the scene states.
// `framesFromCommandLine`: the command line chose the run's length, so the scene's own length is
// not what the run has, and neither the lists nor the actions are held against it.
std::vector<PlacedMessage> MeaningWarnings(const ParsedScene& scene, size_t frames,
                                           bool framesFromCommandLine);

}  // namespace quantifier_run
