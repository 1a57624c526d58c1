// From a scene's JSON text to a checked Scene: every name resolved, every value of the shape
// its channel needs. Nothing of the engine is touched.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/Scene.h"
#include "scene/SceneExpect.h"
#include "scene/SceneSource.h"

namespace quantifier_run {

// A scene as read, with what is worth telling the user that does not stop the run and where each
// part stands in the file. These stay with the runner: only the Scene goes to the engine side.
struct ParsedScene : Scene {
    std::vector<PlacedMessage> warnings;
    SceneSource source;
    std::vector<Expectation> expectations;
};

// Throws RunError (bad input) with one line naming `fileLabel` and what is wrong.
ParsedScene ParseScene(std::string_view text, const std::string& fileLabel);

// Reads and parses the scene file at `path`; "-" is standard input.
ParsedScene LoadSceneFile(const std::string& path);

// Whether the file at `path` is a scene: a JSON object with "channels", or text that is no JSON at
// all (a scene with a syntax error). A JSON file of another shape is data beside the scenes.
bool IsSceneFile(const std::string& path);

// How messages name the scene at `path`: the path, or "standard input" for "-".
std::string SceneLabel(const std::string& path);

}  // namespace quantifier_run
