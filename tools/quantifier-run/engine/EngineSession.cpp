#include "EngineSession.h"

#include "FrameLoop.h"
#include "LinkCheck.h"
#include "LiveScene.h"
#include "Plugin.h"
#include "SceneObserver.h"
#include "SceneStream.h"

namespace quantifier_run {

std::optional<std::vector<uint8_t>> RunEngine(EngineRequest request, const EngineEvents& events) {
    const QuantifierPlugin plugin(request.pluginPath.empty() ? DefaultPluginPath()
                                                             : request.pluginPath);
    LiveScene live(request.scene, plugin);
    if (request.stream) {
        std::vector<std::string> warnings;
        LoadChannels(live, std::move(*request.stream), request.streamPath,
                     OperationSetAtFirstFrame(request.scene, request.frames), warnings);
        for (const std::string& warning : warnings)
            events.warning(warning);
    }
    if (!request.observe) {
        RunFrames(request.scene, live, request.frames, events.row, events.beforeFrame);
    } else {
        SceneObserver observer(live, *request.observe, request.frames);
        size_t current = 0;
        RunFrames(
            request.scene, live, request.frames,
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

}  // namespace quantifier_run
