#include "engine/EngineSession.h"

#include "StackThread.h"
#include "engine/FrameLoop.h"
#include "engine/LinkCheck.h"
#include "engine/LinkDepth.h"
#include "engine/LiveScene.h"
#include "engine/Plugin.h"
#include "engine/RunError.h"
#include "engine/SceneObserver.h"
#include "engine/SceneStream.h"

namespace quantifier_run {
namespace {

std::optional<std::vector<uint8_t>> RunScene(EngineRequest request, const EngineEvents& events) {
    const QuantifierPlugin plugin(request.pluginPath.empty() ? DefaultPluginPath()
                                                             : request.pluginPath);
    LiveScene live(request.scene, plugin);
    const size_t frames = request.scene.frames;
    const bool loaded = request.stream.has_value();
    if (request.stream) {
        std::vector<std::string> warnings;
        LoadChannels(live, std::move(*request.stream), request.streamPath,
                     OperationSetAtFirstFrame(request.scene, frames), warnings);
        for (const std::string& warning : warnings)
            events.warning(warning);
    }
    if (!request.observe) {
        RunFrames(request.scene, live, frames, events.row, events.beforeFrame);
    } else {
        SceneObserver observer(live, *request.observe, frames, loaded);
        size_t current = 0;
        RunFrames(
            request.scene, live, frames,
            [&](const std::vector<Cell>& row) {
                observer.AfterFrame(current);
                events.row(row);
            },
            [&](size_t frame) {
                current = frame;
                if (events.beforeFrame) events.beforeFrame(frame);
                observer.BeforeFrame(frame);
            });
        if (events.observed) events.observed(observer.Take());
    }
    // The save comes last, after every failure that could still stop the run.
    if (request.save) return SaveChannels(live);
    return std::nullopt;
}

}  // namespace

std::optional<std::vector<uint8_t>> RunEngine(EngineRequest request, const EngineEvents& events) {
    const size_t depth = LinkDepth(request.scene);
    if (depth > kMaxLinkDepth)
        throw RunError(kExitBadInput, request.sceneLabel + ": links nest " + std::to_string(depth) +
                                          " channels deep; at most " +
                                          std::to_string(kMaxLinkDepth) + " are run");
    std::optional<std::vector<uint8_t>> saved;
    // What ends the run comes back from the thread as plain data (StackThread.h).
    std::optional<Failure> failure;
    bool stopped = false;
    if (!platform::RunWithStack(StackForLinkDepth(depth), [&] {
            failure = Attempt([&] {
                try {
                    saved = RunScene(std::move(request), events);
                } catch (const RunStopped&) {
                    stopped = true;
                }
            });
        }))
        throw RunError(kExitFailure, "cannot start a thread with a stack for " +
                                         std::to_string(depth) + " nested channels");
    if (stopped) throw RunStopped();
    if (failure) throw RunError(failure->exitCode, failure->message);
    return saved;
}

}  // namespace quantifier_run
