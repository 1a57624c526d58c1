#include "Runner.h"

#include <exception>
#include <new>

#include "CommandLine.h"
#include "FrameLoop.h"
#include "Plugin.h"
#include "RunError.h"
#include "SceneBuilder.h"
#include "SceneParser.h"
#include "SceneStream.h"

namespace quantifier_run {
namespace {

struct RunOutput {
    std::vector<std::string> warnings;
    std::string text;
};

RunOutput Run(const Options& options, bool outIsTerminal, std::ostream& err, bool errIsTerminal) {
    RunOutput output;
    Scene scene = LoadSceneFile(options.scenePath);
    output.warnings = scene.warnings;
    const size_t frames = options.frames.value_or(scene.frames);
    for (const ActionSpec& action : scene.actions) {
        if (action.frame >= frames)
            output.warnings.push_back(options.scenePath + ": an action at frame " +
                                      std::to_string(action.frame) +
                                      " comes after the last frame and is not applied");
    }
    const QuantifierPlugin plugin(options.pluginPath.value_or(DefaultPluginPath()));
    Results results;
    {
        LiveScene live(scene, plugin);
        if (options.loadPath) LoadChannels(live, *options.loadPath, output.warnings);
        FrameProgress progress(err, ProgressWanted(errIsTerminal), frames);
        results = RunFrames(scene, live, frames, &progress);
        if (options.savePath) WriteStream(*options.savePath, SaveChannels(live));
    }
    const OutputFormat format =
        options.format.value_or(outIsTerminal ? OutputFormat::Table : OutputFormat::Csv);
    output.text = FormatResults(results, format);
    return output;
}

}  // namespace

int RunQuantifierTool(const std::vector<std::string>& arguments, std::ostream& out,
                      std::ostream& err, bool outIsTerminal, bool errIsTerminal) {
    try {
        const auto parsed = ParseCommandLine(arguments);
        if (const auto* answer = std::get_if<ImmediateAnswer>(&parsed)) {
            out << answer->text << std::flush;
            return kExitSuccess;
        }
        const RunOutput output = Run(std::get<Options>(parsed), outIsTerminal, err, errIsTerminal);
        for (const std::string& warning : output.warnings)
            err << "quantifier-run: warning: " << warning << "\n";
        out << output.text << std::flush;
        return out ? kExitSuccess : kExitFailure;
    } catch (const RunError& error) {
        err << "quantifier-run: " << error.what() << "\n";
        return error.ExitCode();
    } catch (const std::bad_alloc&) {
        err << "quantifier-run: out of memory\n";
        return kExitFailure;
    } catch (const std::exception& error) {
        err << "quantifier-run: " << error.what() << "\n";
        return kExitFailure;
    }
}

}  // namespace quantifier_run
