// The engine side of a run: everything that makes channels and calls the plug-in. It sees only
// the scene as resolved data, the engine's headers and the core C++ library, so that the same
// code runs inside the runner or in a host built in the engine's own ABI (EngineProcess.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/Cell.h"
#include "engine/Observation.h"
#include "engine/Scene.h"

namespace quantifier_run {

struct EngineRequest {
    Scene scene;
    // How messages name the scene: its file, or standard input.
    std::string sceneLabel;
    // Empty: the plug-in beside the program that runs the engine side.
    std::string pluginPath;
    // A stream to restore before the first frame, and the path it was read from (for messages).
    std::optional<std::vector<uint8_t>> stream;
    std::string streamPath;
    // Whether to save every channel after the last frame.
    bool save = false;
    // What to watch while the frames run (a picture of the graph, an explanation); absent: the
    // run watches nothing and costs nothing more.
    std::optional<ObserveRequest> observe;
};

// What the engine side reports while it runs, in this order: warnings from loading, then per
// frame the frame's number before it runs and its row after, then what it observed. An event
// that throws RunStopped ends the run, which RunEngine then throws again; whatever else an event
// throws ends it as a failure.
struct EngineEvents {
    std::function<void(const std::string&)> warning;
    std::function<void(size_t)> beforeFrame;
    std::function<void(const std::vector<Cell>&)> row;
    // After the last frame, when the request asked to observe.
    std::function<void(Observation)> observed;
};

// Refuses a scene whose links nest deeper than kMaxLinkDepth; then, on a thread whose stack fits
// the scene's links, makes the scene, loads the stream, runs the frames and saves. Returns the
// saved stream when one was asked for. Throws RunError with the run's exit status and one line,
// or RunStopped when an event asked for the run to end.
std::optional<std::vector<uint8_t>> RunEngine(EngineRequest request, const EngineEvents& events);

}  // namespace quantifier_run
