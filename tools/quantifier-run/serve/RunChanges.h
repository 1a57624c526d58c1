// What a save did: which channels' values differ from the run before, and which channels the
// save added or removed, found by name.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "engine/Observation.h"
#include "engine/Scene.h"

namespace quantifier_run {

// What a good run leaves to compare the next with: per channel, in scene order, its name and
// what it showed: its value at the last frame and the lowest and highest value of each column
// of the run, so that a change earlier in the run counts even where the last frame hides it.
struct RunDigest {
    std::vector<std::string> names;
    std::vector<std::string> shown;
    std::unordered_map<std::string, size_t> index;  // by name
};

RunDigest DigestRun(const Scene& scene, const Observation& last);

struct RunChanges {
    std::vector<size_t> changed;       // in `after`, by scene index
    std::vector<size_t> added;         // in `after`
    std::vector<std::string> removed;  // names of `before`, in its order
};

RunChanges CompareRuns(const RunDigest& before, const RunDigest& after);

// {"changed": [...], "added": [...], "removed": [names]}.
std::string RunChangesJson(const RunChanges& changes);

}  // namespace quantifier_run
