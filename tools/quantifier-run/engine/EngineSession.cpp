#include "EngineSession.h"

#include "FrameLoop.h"
#include "LinkCheck.h"
#include "LiveScene.h"
#include "Plugin.h"
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
    RunFrames(request.scene, live, request.frames, events.row, events.beforeFrame);
    // The save comes last, after every failure that could still stop the run.
    if (request.save) return SaveChannels(live);
    return std::nullopt;
}

}  // namespace quantifier_run
