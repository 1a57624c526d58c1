// What a scene expects of its own run: "expect" entries, each a channel's value at a frame or
// over a range of frames. Read with the scene and kept beside it on the runner's side; the
// engine side never sees them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/Scene.h"
#include "scene/JsonDocument.h"

namespace quantifier_run {

struct Expectation {
    size_t first = 0;  // the frames it holds at, both ends included
    size_t last = 0;
    size_t channel = 0;
    // The value as the channel's kind is read: a float for floats, quantifiers and objects.
    Value value;
    // How far a float may lie from `value`: absolute, or in units in the last place. Neither:
    // it must print as `value` prints.
    std::optional<float> tolerance;
    std::optional<uint32_t> ulps;
    TextPosition at{};  // the entry
    TextPosition valueAt{};
    std::string where;  // "expect[2]"
};

class SceneReader;

// The scene's "expect" entries, in listed order; none when it gives none.
std::vector<Expectation> ReadExpectations(const SceneReader& reader, const Json& root,
                                          const Scene& scene);

}  // namespace quantifier_run
