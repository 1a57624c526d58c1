#include "app/Run.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <utility>

#include "FileStamp.h"
#include "Process.h"
#include "app/EngineProcess.h"
#include "app/ExpectRows.h"
#include "app/ServedWriter.h"
#include "app/Watch.h"
#include "common/FilePath.h"
#include "common/Suggestions.h"
#include "engine/LinkCheck.h"
#include "engine/Plugin.h"
#include "engine/SceneStream.h"
#include "output/Formatting.h"
#include "output/OutputFile.h"
#include "output/OutputSpool.h"
#include "output/Progress.h"
#include "scene/SceneChecks.h"
#include "scene/SceneParser.h"
#include "scene/StreamFile.h"
#include "view/GraphFocus.h"
#include "view/SceneView.h"

namespace quantifier_run {
namespace {

// A file the run replaces: the save or the output file.
struct Target {
    const char* option;
    const std::optional<std::string>& path;
    const char* failure;  // how a failure to write it begins
    // The output replacing the stream the run loads would, watched, run for ever; a save over
    // it is how a stream is carried from run to run.
    bool refusesLoadedStream;
};

}  // namespace

void CheckTargets(const Options& options) {
    // One file for the save and the output: the later write would replace the earlier.
    if (options.savePath && options.outputPath) {
        std::error_code error;
        const auto normal = [&](const std::string& path) {
            return std::filesystem::absolute(FilePath(path), error).lexically_normal();
        };
        if (std::filesystem::equivalent(FilePath(*options.savePath), FilePath(*options.outputPath),
                                        error) ||
            normal(*options.savePath) == normal(*options.outputPath))
            throw RunError(kExitBadInput, "--save and --output both name " + *options.outputPath +
                                              "; name two files");
    }
    const Target targets[] = {
        {"--save", options.savePath, "cannot save the scene: ", false},
        {"--output", options.outputPath, "cannot write the output: ", true},
    };
    for (const Target& target : targets) {
        if (!target.path) continue;
        const std::string& path = *target.path;
        std::error_code error;
        if (std::filesystem::equivalent(FilePath(path), FilePath(options.scenePath), error))
            throw RunError(kExitBadInput, std::string(target.option) + " " + path +
                                              " would replace the scene file being run; name "
                                              "another file");
        if (target.refusesLoadedStream && options.loadPath &&
            std::filesystem::equivalent(FilePath(path), FilePath(*options.loadPath), error))
            throw RunError(kExitBadInput, std::string(target.option) + " " + path +
                                              " would replace the scene stream --load reads; "
                                              "name another file");
        const std::filesystem::file_status status = std::filesystem::status(FilePath(path), error);
        if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
            throw RunError(kExitFailure,
                           target.failure + path +
                               (std::filesystem::is_directory(status) ? " is a directory"
                                                                      : " is not a regular file") +
                               " and is not replaced");
    }
}

namespace {

// Every quantifier as the scene links it, with each operation it evaluates with. One that a
// --load record replaces is checked as the record loads, where the line can name the record. A
// line is told at the quantifier's children, or at the action that sets the operation.
void CheckLinks(const ParsedScene& scene, size_t frames,
                const std::optional<std::vector<uint8_t>>& stream,
                std::vector<PlacedMessage>& warnings) {
    std::vector<bool> loaded(scene.channels.size(), false);
    if (stream) {
        const std::map<std::string, int32_t> operations = RecordOperations(*stream);
        for (size_t i = 0; i < scene.channels.size(); ++i) {
            const auto found = operations.find(scene.channels[i].name);
            loaded[i] = found != operations.end() && found->second != scene.channels[i].operation;
        }
    }
    for (OperationLinkProblem& problem : OperationLinkProblems(scene, frames, loaded)) {
        const TextPosition at = problem.action ? scene.source.actions[*problem.action].value
                                               : scene.source.channels[problem.channel].children;
        warnings.push_back({at, std::move(problem.line)});
    }
}

// Under --strict warnings end the run as bad input: every one is told, then the failure, so that
// one run shows all there is to fix.
void FailIfStrict(const RunSettings& settings, const std::vector<std::string>& warnings) {
    if (!settings.options.strict || warnings.empty()) return;
    ReportWarnings(warnings, settings.err);
    throw RunError(
        kExitBadInput,
        "--strict fails the run on " +
            (warnings.size() == 1 ? std::string("this warning")
                                  : "these " + std::to_string(warnings.size()) + " warnings"));
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

// Everything that touches the engine: made, loaded, run and saved, in this process or in the
// engine process. The rows go to `output` and stay there until the run has succeeded.
void Evaluate(const RunSettings& settings, EngineRequest request, RunOutput& output) {
    const Options& options = settings.options;
    std::ostream& err = settings.err;
    const bool errIsTerminal = settings.errIsTerminal;
    std::optional<std::vector<uint8_t>> saved;
    {
        // Erased when the frames end or fail, before any other line reaches the terminal.
        const size_t frames = request.scene.frames;
        FrameProgress progress(err, ProgressWanted(errIsTerminal), request.scene.frames,
                               FrameProgress::Clock::now,
                               errIsTerminal ? platform::StandardErrorColumns() : 0);
        const EngineEvents events{
            .warning = [&](const std::string& text) { output.warnings.push_back(text); },
            .beforeFrame =
                [&](size_t frame) {
                    if (settings.stopRequested && settings.stopRequested()) throw WatchEnded();
                    if (settings.frameReached) settings.frameReached(frame, frames);
                    progress.Frame(frame);
                },
            .row = [&](const std::vector<Cell>& row) { output.rows->Row(row); },
            .observed =
                [&](Observation seen) {
                    if (output.observed) output.observed(std::move(seen));
                },
        };
        if (options.engineCommand) {
            // A stop request ends the wait for an engine process that is busy or silent.
            std::function<void()> whileWaiting;
            if (settings.stopRequested)
                whileWaiting = [&] {
                    if (settings.stopRequested()) throw WatchEnded();
                };
            saved = RunEngineProcess(*options.engineCommand, request, events, whileWaiting);
        } else {
            saved = RunEngine(std::move(request), events);
        }
        // A chart is drawn here, where the meter still shows, and can fail before the save.
        output.rows->Finish(&progress);
    }
    // Warnings of the engine side (a --load) come with the run; they stop it before the save.
    FailIfStrict(settings, output.warnings);
    HoldToExpectations(settings, output);
    // The save comes last, after every failure that could still stop the run.
    if (saved) WriteStream(*options.savePath, *saved);
}

// The channel an option names, by name, or the option's one line with the names nearest.
size_t ChannelNamed(const Scene& scene, const std::string& name, const char* option) {
    std::vector<std::string> names;
    for (size_t i = 0; i < scene.channels.size(); ++i) {
        if (scene.channels[i].name == name) return i;
        names.push_back(scene.channels[i].name);
    }
    throw RunError(kExitBadInput, std::string(option) + ": no channel " + Quoted(name) +
                                      " in the scene" + DidYouMean(name, names));
}

// What the engine is to observe for a picture of the graph or an explanation: the frame shown
// (the last one run unless --at says), and the channel explained, found by name.
ObserveRequest ObservedFrame(const Options& options, const Scene& scene, size_t frames,
                             ViewRequest& view) {
    if (frames == 0)
        throw RunError(kExitBadInput, "the run has no frame to show; run at least one (--frames)");
    const size_t frame = options.at.value_or(frames - 1);
    if (frame >= frames)
        throw RunError(kExitBadInput, "--at " + std::to_string(frame) +
                                          " is past the last frame (" + std::to_string(frames - 1) +
                                          ")");
    if (options.explain) {
        view.explain = ChannelNamed(scene, *options.explain, "--explain");
        if (view.format != OutputFormat::Json) view.format = OutputFormat::Table;
    }
    if (options.focus) view.focus = ChannelNamed(scene, *options.focus, "--focus");
    // A sparkline has about a column per two pixels of its width.
    constexpr size_t kSparkColumns = 32;
    return {.frame = frame, .sparkColumns = view.explain ? 0 : kSparkColumns};
}

// Where the run's rows go: the served page's pictures, a view of the scene (a picture or an
// explanation, for which the engine observes a frame) or the rows in their format.
void ChooseWriter(const RunSettings& settings, const Scene& scene, size_t frames,
                  EngineRequest& request, RunOutput& output) {
    const Options& options = settings.options;
    const OutputFormat format =
        options.format.value_or(options.outputPath       ? OutputFormatForPath(*options.outputPath)
                                : settings.outIsTerminal ? OutputFormat::Table
                                                         : OutputFormat::Csv);
    std::vector<std::string> names;
    for (size_t out : scene.outputs)
        names.push_back(scene.channels[out].name);
    if (settings.served) {
        ViewRequest view;
        request.observe = ObservedFrame(options, scene, frames, view);
        auto writer =
            std::make_unique<ServedWriter>(std::move(names), std::make_shared<const Scene>(scene));
        output.observed = [served = writer.get()](Observation seen) {
            served->last = std::make_shared<const Observation>(std::move(seen));
        };
        output.served = writer.get();
        output.rows = std::move(writer);
    } else if (format == OutputFormat::Graph || format == OutputFormat::Dot || options.explain) {
        ViewRequest view{.format = format,
                         .explain = {},
                         .depth = options.depth.value_or(options.focus ? kFocusDepth : 3),
                         .focus = {},
                         .whole = options.whole};
        request.observe = ObservedFrame(options, scene, frames, view);
        auto writer = std::make_unique<SceneViewWriter>(view, scene);
        output.observed = [view = writer.get()](Observation seen) {
            view->Observed(std::move(seen));
        };
        output.rows = std::move(writer);
    } else {
        output.rows = MakeRowWriter(format, std::move(names));
    }
}

}  // namespace

RunOutput Run(const RunSettings& settings) {
    const Options& options = settings.options;
    RunOutput output;
    ParsedScene scene = LoadSceneFile(options.scenePath);
    std::vector<PlacedMessage> warnings = std::move(scene.warnings);
    const size_t frames = options.frames.value_or(scene.frames);
    scene.frames = frames;
    for (PlacedMessage& warning : MeaningWarnings(scene, frames, options.frames.has_value()))
        warnings.push_back(std::move(warning));
    // Read now for the operations its records give, and reported where it always was: a failed
    // read comes after the scene's own faults and the targets'.
    std::optional<std::vector<uint8_t>> stream;
    std::optional<RunError> streamFailed;
    if (options.loadPath) {
        try {
            stream = ReadStream(*options.loadPath);
        } catch (const RunError& error) {
            streamFailed = error;
        }
    }
    CheckLinks(scene, frames, stream, warnings);
    // In the order of the file, so that a long list reads as the scene does.
    std::stable_sort(warnings.begin(), warnings.end(), [](const auto& a, const auto& b) {
        return std::pair(a.at.line, a.at.column) < std::pair(b.at.line, b.at.column);
    });
    for (const PlacedMessage& warning : warnings)
        output.warnings.push_back(scene.source.Placed(warning));
    FailIfStrict(settings, output.warnings);
    CheckTargets(options);
    EngineRequest request;
    request.sceneLabel = SceneLabel(options.scenePath);
    ChooseWriter(settings, scene, frames, request, output);
    CheckExpectations(scene, output);
    output.frames = frames;
    request.pluginPath = PluginPath(options);
    if (streamFailed) throw *streamFailed;
    if (options.loadPath) {
        request.stream = std::move(stream);
        request.streamPath = *options.loadPath;
    }
    request.save = options.savePath.has_value();
    request.scene = std::move(scene);
    if (settings.served || settings.expectations == ExpectationsGo::Kept)
        output.request = std::make_shared<const EngineRequest>(request);
    Evaluate(settings, std::move(request), output);
    return output;
}

void Deliver(const RunSettings& settings, RunOutput& output, std::ostream& out, bool redraw) {
    if (redraw && (!WriteOut(out, "\x1b[H\x1b[2J") || !out.flush()))
        throw RunError(kExitFailure, kStandardOutputFailed);
    ReportWarnings(output.warnings, settings.err);
    if (settings.options.outputPath) {
        WriteOutputFile(*settings.options.outputPath, *output.rows);
    } else if (!output.rows->WriteTo(out) || !out.flush()) {
        throw RunError(kExitFailure, kStandardOutputFailed);
    }
}

void ReportWarnings(const std::vector<std::string>& warnings, std::ostream& err) {
    for (const std::string& warning : warnings)
        err << "quantifier-run: warning: " << MessageLine(warning) << "\n" << std::flush;
}

int ReportFailure(const Failure& failure, std::ostream& err) {
    err << "quantifier-run: " << MessageLine(failure.message) << "\n" << std::flush;
    return failure.exitCode;
}

Observation ObserveAgain(const EngineRequest& base, size_t frame, const Options& options,
                         const std::function<bool()>& stopRequested) {
    EngineRequest request = base;
    request.scene.frames = frame + 1;
    request.observe = ObserveRequest{.frame = frame, .sparkColumns = 0};
    request.save = false;
    std::optional<Observation> seen;
    const auto stop = [&] {
        if (stopRequested && stopRequested()) throw WatchEnded();
    };
    const EngineEvents events{
        .warning = [](const std::string&) {},
        .beforeFrame = [&](size_t) { stop(); },
        .row = [](const std::vector<Cell>&) {},
        .observed = [&](Observation observation) { seen = std::move(observation); },
    };
    if (options.engineCommand)
        RunEngineProcess(*options.engineCommand, request, events, stop);
    else
        RunEngine(std::move(request), events);
    if (!seen) throw RunError(kExitFailure, "internal error: the engine observed nothing");
    return std::move(*seen);
}

std::vector<std::string> WatchedFiles(const Options& options) {
    std::vector<std::string> files{options.scenePath};
    if (options.loadPath) files.push_back(*options.loadPath);
    return files;
}

void RefuseSpecialScene(const Options& options, const char* option) {
    if (platform::QueryFileStamp(options.scenePath).special)
        throw RunError(kExitBadInput, options.scenePath + ": not a regular file; " + option +
                                          " follows a scene file");
}

}  // namespace quantifier_run
