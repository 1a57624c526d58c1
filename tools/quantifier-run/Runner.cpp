#include "Runner.h"

#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <new>
#include <sstream>

#include "CommandLine.h"
#include "EngineProcess.h"
#include "EngineSession.h"
#include "FilePath.h"
#include "FileStamp.h"
#include "Formatting.h"
#include "GraphPicture.h"
#include "LinkCheck.h"
#include "OutputFile.h"
#include "OutputSpool.h"
#include "Plugin.h"
#include "Process.h"
#include "Progress.h"
#include "RunError.h"
#include "SceneGraph.h"
#include "SceneParser.h"
#include "SceneStream.h"
#include "SceneView.h"
#include "Serve.h"
#include "StreamFile.h"
#include "Suggestions.h"
#include "SvgChart.h"
#include "Watch.h"

namespace quantifier_run {
namespace {

// A served run's rows, drawn as the charts, and its graph at the last frame: what the page
// shows of it.
class ServedWriter : public RowWriter {
public:
    ServedWriter(std::vector<std::string> names, std::shared_ptr<const Scene> scene)
        : charts(MakeSvgWriter(std::move(names))), scene(std::move(scene)) {}
    void Row(const std::vector<Cell>& row) override { charts->Row(row); }
    void Finish(FrameProgress* progress) override {
        charts->Finish(progress);
        std::ostringstream drawn;
        if (!charts->WriteTo(drawn))
            throw RunError(kExitFailure, "cannot draw the charts (out of memory?)");
        chartSvg = drawn.str();
        if (!last) throw RunError(kExitFailure, "internal error: the engine observed nothing");
        graphSvg = GraphSvg(BuildSceneGraph(*scene, *last));
    }
    bool WriteTo(std::ostream&) override { return true; }

    std::unique_ptr<RowWriter> charts;
    std::shared_ptr<const Scene> scene;
    std::shared_ptr<const Observation> last;
    std::string chartSvg, graphSvg;
};

struct RunOutput {
    std::vector<std::string> warnings;
    std::unique_ptr<RowWriter> rows;
    size_t frames = 0;
    // Where what the engine observed goes, when the rows show the scene itself.
    std::function<void(Observation)> observed;
    // A served run's pictures, and the request that ran it, to run it again to any frame.
    ServedWriter* served = nullptr;
    std::shared_ptr<const EngineRequest> request;
};

// Where a run's results go and what may end it early.
struct RunSettings {
    const Options& options;
    bool outIsTerminal;
    std::ostream& err;
    bool errIsTerminal;
    std::function<bool()> stopRequested;  // empty: nothing but the run's end ends it
    // Serving a page: the rows are drawn for it (ServedWriter), and each frame is told.
    bool served = false;
    std::function<void(size_t frame, size_t frames)> frameReached = {};
};

// A file the run replaces: the save or the output file.
struct Target {
    const char* option;
    const std::optional<std::string>& path;
    const char* failure;  // how a failure to write it begins
    // The output replacing the stream the run loads would, watched, run for ever; a save over
    // it is how a stream is carried from run to run.
    bool refusesLoadedStream;
};

// What can be known about the files a run replaces before anything runs, so that a run that
// cannot write them fails before it starts. The writes themselves check again.
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

// Every quantifier as the scene links it, with each operation it evaluates with. One that a
// --load record replaces is checked as the record loads, where the line can name the record.
void CheckLinks(const Scene& scene, size_t frames, const std::string& sceneLabel,
                const std::optional<std::vector<uint8_t>>& stream,
                std::vector<std::string>& warnings) {
    std::vector<bool> loaded(scene.channels.size(), false);
    if (stream) {
        const std::map<std::string, int32_t> operations = RecordOperations(*stream);
        for (size_t i = 0; i < scene.channels.size(); ++i) {
            const auto found = operations.find(scene.channels[i].name);
            loaded[i] = found != operations.end() && found->second != scene.channels[i].operation;
        }
    }
    for (const std::string& problems : OperationLinkProblems(scene, frames, loaded))
        warnings.push_back(sceneLabel + ": " + problems);
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
    FailIfStrict(options, output.warnings);
    // The save comes last, after every failure that could still stop the run.
    if (saved) WriteStream(*options.savePath, *saved);
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
        std::vector<std::string> names;
        for (size_t i = 0; i < scene.channels.size(); ++i) {
            if (scene.channels[i].name == *options.explain) view.explain = i;
            names.push_back(scene.channels[i].name);
        }
        if (!view.explain)
            throw RunError(kExitBadInput, "--explain: no channel " + Quoted(*options.explain) +
                                              " in the scene" +
                                              DidYouMean(*options.explain, names));
        if (view.format != OutputFormat::Json) view.format = OutputFormat::Table;
    }
    // A sparkline has about a column per two pixels of its width.
    constexpr size_t kSparkColumns = 32;
    return {.frame = frame, .sparkColumns = view.explain ? 0 : kSparkColumns};
}

RunOutput Run(const RunSettings& settings) {
    const Options& options = settings.options;
    RunOutput output;
    ParsedScene scene = LoadSceneFile(options.scenePath);
    output.warnings = std::move(scene.warnings);
    const size_t frames = options.frames.value_or(scene.frames);
    scene.frames = frames;
    for (const ActionSpec& action : scene.actions) {
        if (action.frame >= frames)
            output.warnings.push_back(SceneLabel(options.scenePath) + ": an action at frame " +
                                      std::to_string(action.frame) +
                                      " comes after the last frame and is not applied");
    }
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
    CheckLinks(scene, frames, SceneLabel(options.scenePath), stream, output.warnings);
    FailIfStrict(options, output.warnings);
    CheckTargets(options);
    const OutputFormat format =
        options.format.value_or(options.outputPath       ? OutputFormatForPath(*options.outputPath)
                                : settings.outIsTerminal ? OutputFormat::Table
                                                         : OutputFormat::Csv);
    EngineRequest request;
    request.sceneLabel = SceneLabel(options.scenePath);
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
        ViewRequest view{.format = format, .explain = {}, .depth = options.depth.value_or(3)};
        request.observe = ObservedFrame(options, scene, frames, view);
        auto writer = std::make_unique<SceneViewWriter>(view, scene);
        output.observed = [view = writer.get()](Observation seen) {
            view->Observed(std::move(seen));
        };
        output.rows = std::move(writer);
    } else {
        output.rows = MakeRowWriter(format, std::move(names));
    }
    output.frames = frames;
    request.pluginPath = PluginPath(options);
    if (streamFailed) throw *streamFailed;
    if (options.loadPath) {
        request.stream = std::move(stream);
        request.streamPath = *options.loadPath;
    }
    request.save = options.savePath.has_value();
    request.scene = std::move(scene);
    if (settings.served) output.request = std::make_shared<const EngineRequest>(request);
    Evaluate(settings, std::move(request), output);
    return output;
}

constexpr const char* kStandardOutputFailed =
    "cannot write to standard output (the disk may be full or the reader gone)";

// Hands a successful run's results on: its warnings to `err`, its rows to the output file or
// to `out`. With `redraw`, the terminal `out` shows is cleared first, so that the new results
// stand where the last ones stood.
void Deliver(const RunSettings& settings, RunOutput& output, std::ostream& out, bool redraw) {
    if (redraw && (!WriteOut(out, "\x1b[H\x1b[2J") || !out.flush()))
        throw RunError(kExitFailure, kStandardOutputFailed);
    for (const std::string& warning : output.warnings)
        settings.err << "quantifier-run: warning: " << MessageLine(warning) << "\n" << std::flush;
    if (settings.options.outputPath) {
        WriteOutputFile(*settings.options.outputPath, *output.rows);
    } else if (!output.rows->WriteTo(out) || !out.flush()) {
        throw RunError(kExitFailure, kStandardOutputFailed);
    }
}

// Runs the scene again after every change of its file or of the stream it loads, until Ctrl-C
// (or `given`, in a test) ends the watch.
int Watch(const Options& options, std::ostream& out, std::ostream& err, bool outIsTerminal,
          bool errIsTerminal, const WatchControl* given) {
    // A target that is refused now stays refused: say so once instead of after every save.
    if (const auto failure = Attempt([&] {
            // A FIFO or a device is no file an editor saves, and opening it waits for a writer.
            if (platform::QueryFileStamp(options.scenePath).special)
                throw RunError(kExitBadInput, options.scenePath +
                                                  ": not a regular file; --watch follows a "
                                                  "scene file");
            CheckTargets(options);
        })) {
        err << "quantifier-run: " << MessageLine(failure->message) << "\n" << std::flush;
        return failure->exitCode;
    }
    const WatchControl control = given ? *given : RealTimeWatch();
    const bool redraw = outIsTerminal && !options.outputPath;
    if (redraw) platform::EnableTerminalRedraw();
    const RunSettings settings{options, outIsTerminal, err, errIsTerminal, control.stopRequested};
    std::vector<std::string> files{options.scenePath};
    if (options.loadPath) files.push_back(*options.loadPath);
    const auto runOnce = [&] {
        RunOutcome outcome;
        const auto failure = Attempt([&] {
            RunOutput output = Run(settings);
            outcome.frames = output.frames;
            Deliver(settings, output, out, redraw);
        });
        // A run cut short by the request to stop (a wait the signal ended) is not reported.
        if (failure && control.stopRequested()) throw WatchEnded();
        if (failure) outcome = {failure->exitCode, 0, failure->message};
        return outcome;
    };
    return WatchFiles(files, runOnce, err, control);
}

// What the engine observes at `frame` of the run `base` asked for: the same inputs run again up to
// that frame, nothing else watched, so that a frame of a long run costs its frames and no more.
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

// Serves the page of the scene while running it again after every save, as Watch does.
int Serve(const Options& options, std::ostream& err, bool errIsTerminal,
          const WatchControl* given) {
    const WatchControl control = given ? *given : RealTimeWatch();
    ServeState state;
    // One engine at a time: the runs the saves start and those the page asks for.
    const auto engine = std::make_shared<std::mutex>();
    RunSettings settings{options, false, err, errIsTerminal, control.stopRequested};
    settings.served = true;
    settings.frameReached = [&](size_t frame, size_t frames) { state.FrameReached(frame, frames); };
    std::vector<std::string> files{options.scenePath};
    if (options.loadPath) files.push_back(*options.loadPath);
    const auto runOnce = [&] {
        RunOutcome outcome;
        state.RunStarted();
        const auto start = std::chrono::steady_clock::now();
        const auto failure = Attempt([&] {
            const std::lock_guard lock(*engine);
            RunOutput output = Run(settings);
            outcome.frames = output.frames;
            for (const std::string& warning : output.warnings)
                err << "quantifier-run: warning: " << MessageLine(warning) << "\n" << std::flush;
            ServedWriter& served = *output.served;
            state.RunSucceeded({
                .graphSvg = std::move(served.graphSvg),
                .chartSvg = std::move(served.chartSvg),
                .warnings = std::move(output.warnings),
                .frames = output.frames,
                .milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(
                                    std::chrono::steady_clock::now() - start)
                                    .count(),
                .scene = served.scene,
                .last = served.last,
                .observe =
                    [request = output.request, engine, &options,
                     stop = control.stopRequested](size_t frame) {
                        const std::lock_guard lock(*engine);
                        return ObserveAgain(*request, frame, options, stop);
                    },
            });
        });
        if (failure && control.stopRequested()) throw WatchEnded();
        if (failure) {
            outcome = {failure->exitCode, 0, failure->message};
            state.RunFailed(failure->message);
        }
        return outcome;
    };
    int exitCode = 0;
    const auto failure = Attempt([&] {
        if (platform::QueryFileStamp(options.scenePath).special)
            throw RunError(kExitBadInput, options.scenePath +
                                              ": not a regular file; --serve follows a scene file");
        exitCode = ServePage(state, *options.serve, err,
                             [&] { return WatchFiles(files, runOnce, err, control); });
    });
    if (!failure) return exitCode;
    err << "quantifier-run: " << MessageLine(failure->message) << "\n" << std::flush;
    return failure->exitCode;
}

}  // namespace

int RunQuantifierTool(const std::vector<std::string>& arguments, std::ostream& out,
                      std::ostream& err, bool outIsTerminal, bool errIsTerminal) {
    return RunQuantifierTool(arguments, out, err, outIsTerminal, errIsTerminal, nullptr);
}

int RunQuantifierTool(const std::vector<std::string>& arguments, std::ostream& out,
                      std::ostream& err, bool outIsTerminal, bool errIsTerminal,
                      const WatchControl* watchControl) {
    std::optional<Options> options;
    auto failure = Attempt([&] {
        auto parsed = ParseCommandLine(arguments);
        if (const auto* answer = std::get_if<ImmediateAnswer>(&parsed)) {
            if (!WriteOut(out, answer->text) || !out.flush())
                throw RunError(kExitFailure, kStandardOutputFailed);
            return;
        }
        options = std::move(std::get<Options>(parsed));
    });
    if (!failure && options) {
        if (options->serve) return Serve(*options, err, errIsTerminal, watchControl);
        if (options->watch)
            return Watch(*options, out, err, outIsTerminal, errIsTerminal, watchControl);
        failure = Attempt([&] {
            const RunSettings settings{*options, outIsTerminal, err, errIsTerminal, {}};
            RunOutput output = Run(settings);
            Deliver(settings, output, out, false);
        });
    }
    if (!failure) return kExitSuccess;
    err << "quantifier-run: " << MessageLine(failure->message) << "\n" << std::flush;
    return failure->exitCode;
}

}  // namespace quantifier_run
