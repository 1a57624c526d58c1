#include "Runner.h"

#include <exception>
#include <filesystem>
#include <new>

#include "CommandLine.h"
#include "EngineProcess.h"
#include "EngineSession.h"
#include "FilePath.h"
#include "Formatting.h"
#include "Limits.h"
#include "LinkCheck.h"
#include "LinkDepth.h"
#include "OutputSpool.h"
#include "Plugin.h"
#include "Process.h"
#include "Progress.h"
#include "RunError.h"
#include "SceneParser.h"
#include "StackThread.h"
#include "StreamFile.h"
#include "Suggestions.h"

namespace quantifier_run {
namespace {

struct RunOutput {
    std::vector<std::string> warnings;
    std::unique_ptr<RowWriter> rows;
};

// What can be known about the save before anything runs, so that a run that cannot save fails
// before it starts. The write itself checks again.
void CheckSaveTarget(const Options& options) {
    if (!options.savePath) return;
    const std::string& path = *options.savePath;
    std::error_code error;
    if (std::filesystem::equivalent(FilePath(path), FilePath(options.scenePath), error))
        throw RunError(kExitBadInput, "--save " + path +
                                          " would replace the scene file being run; save to "
                                          "another file");
    const std::filesystem::file_status status = std::filesystem::status(FilePath(path), error);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
        throw RunError(kExitFailure,
                       "cannot save the scene: " + path +
                           (std::filesystem::is_directory(status) ? " is a directory"
                                                                  : " is not a regular file") +
                           " and is not replaced");
}

// Every quantifier as the scene links it, with the operation it starts with and with each one an
// action sets before the last frame.
void CheckLinks(const Scene& scene, size_t frames, const std::string& scenePath,
                std::vector<std::string>& warnings) {
    for (size_t i = 0; i < scene.channels.size(); ++i) {
        if (scene.channels[i].kind != ChannelKind::Quantifier) continue;
        if (auto problems = LinkProblems(scene.channels, i, scene.channels[i].operation))
            warnings.push_back(scenePath + ": " + *problems);
    }
    for (const ActionSpec& action : scene.actions) {
        if (action.kind != ActionKind::SetOperationType || action.frame >= frames) continue;
        if (auto problems = LinkProblems(scene.channels, action.channel, action.number))
            warnings.push_back(scenePath + ": from frame " + std::to_string(action.frame) +
                               " (SetOperationType): " + *problems);
    }
}

// Under --strict a warning ends the run as bad input; its line names the first warning, since
// an error is one line.
void FailIfStrict(const Options& options, const std::vector<std::string>& warnings) {
    if (!options.strict || warnings.empty()) return;
    const size_t more = warnings.size() - 1;
    throw RunError(kExitBadInput, warnings.front() + " (--strict fails the run on this warning" +
                                      (more == 0 ? std::string()
                                                 : " and " + std::to_string(more) +
                                                       (more == 1 ? " other" : " others")) +
                                      ")");
}

// The plug-in to load: the one the command line names, made absolute so that the system's loader
// does not search its own folders, or the one beside the program that runs the engine side.
std::string PluginPath(const Options& options) {
    if (!options.pluginPath) return options.engineCommand ? std::string() : DefaultPluginPath();
    std::error_code error;
    const std::filesystem::path absolute =
        std::filesystem::absolute(FilePath(*options.pluginPath), error);
    const std::string path = error ? *options.pluginPath : PathText(absolute);
    if (!std::filesystem::exists(FilePath(path), error))
        throw RunError(kExitFailure, "cannot load the plug-in " + path + ": no such file");
    return path;
}

// Everything that touches the engine: made, loaded, run and saved, in this process on a thread
// whose stack fits the scene's links, or in the engine process. The rows go to `output` and
// stay there until the run has succeeded.
void Evaluate(const Options& options, EngineRequest request, size_t depth, RunOutput& output,
              std::ostream& err, bool errIsTerminal) {
    std::optional<std::vector<uint8_t>> saved;
    {
        // Erased when the frames end or fail, before any other line reaches the terminal.
        FrameProgress progress(err, ProgressWanted(errIsTerminal), request.frames,
                               FrameProgress::Clock::now,
                               errIsTerminal ? platform::StandardErrorColumns() : 0);
        const EngineEvents events{
            .warning = [&](const std::string& text) { output.warnings.push_back(text); },
            .beforeFrame = [&](size_t frame) { progress.Frame(frame); },
            .row = [&](const std::vector<Cell>& row) { output.rows->Row(row); },
        };
        if (options.engineCommand) {
            saved = RunEngineProcess(*options.engineCommand, request, events);
        } else if (!platform::RunWithStack(StackForLinkDepth(depth), [&] {
                       saved = RunEngine(std::move(request), events);
                   })) {
            throw RunError(kExitFailure, "cannot start a thread with a stack for " +
                                             std::to_string(depth) + " nested channels");
        }
        // A chart is drawn here, where the meter still shows, and can fail before the save.
        output.rows->Finish(&progress);
    }
    // Warnings of the engine side (a --load) come with the run; they stop it before the save.
    FailIfStrict(options, output.warnings);
    // The save comes last, after every failure that could still stop the run.
    if (saved) WriteStream(*options.savePath, *saved);
}

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
    CheckLinks(scene, frames, options.scenePath, output.warnings);
    FailIfStrict(options, output.warnings);
    CheckSaveTarget(options);
    const size_t depth = LinkDepth(scene);
    if (depth > kMaxLinkDepth)
        throw RunError(kExitBadInput, options.scenePath + ": links nest " + std::to_string(depth) +
                                          " channels deep; at most " +
                                          std::to_string(kMaxLinkDepth) + " are run");
    const OutputFormat format =
        options.format.value_or(outIsTerminal ? OutputFormat::Table : OutputFormat::Csv);
    std::vector<std::string> names;
    for (size_t out : scene.outputs)
        names.push_back(scene.channels[out].name);
    output.rows = MakeRowWriter(format, std::move(names));
    EngineRequest request;
    request.frames = frames;
    request.pluginPath = PluginPath(options);
    if (options.loadPath) {
        request.stream = ReadStream(*options.loadPath);
        request.streamPath = *options.loadPath;
    }
    request.save = options.savePath.has_value();
    request.scene = std::move(scene);
    Evaluate(options, std::move(request), depth, output, err, errIsTerminal);
    return output;
}

// Says that standard output failed, unless the error stream failed too.
int OutputFailed(std::ostream& err) {
    err << "quantifier-run: cannot write to standard output (the disk may be full or the "
           "reader gone)\n"
        << std::flush;
    return kExitFailure;
}

}  // namespace

int RunQuantifierTool(const std::vector<std::string>& arguments, std::ostream& out,
                      std::ostream& err, bool outIsTerminal, bool errIsTerminal) {
    // Every line on the error stream stays one line and shows what it holds, whatever a path or
    // name holds.
    const auto report = [&](const std::string& prefix, const std::string& message) {
        err << "quantifier-run: " << prefix << DisplaySafe(OneLine(message)) << "\n" << std::flush;
    };
    try {
        const auto parsed = ParseCommandLine(arguments);
        if (const auto* answer = std::get_if<ImmediateAnswer>(&parsed)) {
            if (!WriteOut(out, answer->text) || !out.flush()) return OutputFailed(err);
            return kExitSuccess;
        }
        RunOutput output = Run(std::get<Options>(parsed), outIsTerminal, err, errIsTerminal);
        for (const std::string& warning : output.warnings)
            report("warning: ", warning);
        if (!output.rows->WriteTo(out) || !out.flush()) return OutputFailed(err);
        return kExitSuccess;
    } catch (const RunError& error) {
        report("", error.what());
        return error.ExitCode();
    } catch (const std::bad_alloc&) {
        report("", "out of memory");
        return kExitFailure;
    } catch (const std::exception& error) {
        report("", error.what());
        return kExitFailure;
    }
}

}  // namespace quantifier_run
