#include "CommandLine.h"

#include <algorithm>
#include <limits>
#include <optional>

#include <CLI/CLI.hpp>

#include "Limits.h"
#include "OperationList.h"
#include "RunError.h"
#include "SceneSchema.h"
#include "Suggestions.h"

namespace quantifier_run {

namespace {
// A frame count: decimal digits only, 0 up to the largest signed 32-bit number.
size_t FrameCount(const std::string& text) {
    constexpr size_t kMost = std::numeric_limits<int32_t>::max();
    size_t count = 0;
    bool valid = !text.empty() && text.size() <= 10;
    for (const char c : text) {
        if (c < '0' || c > '9') valid = false;
        if (valid) count = count * 10 + static_cast<size_t>(c - '0');
    }
    if (!valid || count > kMost)
        throw RunError(kExitBadInput, "--frames needs a whole number from 0 to " +
                                          std::to_string(kMost) + ", not " + Quoted(text) +
                                          " (see --help)");
    return count;
}

// What the option library reports in its own words, said in ours: an option given twice, or
// last with no value after it.
void CheckOptionUse(const std::vector<std::string>& arguments) {
    for (const std::string option :
         {"--frames", "--format", "--plugin", "--save", "--load", "--output"}) {
        const auto given =
            std::count_if(arguments.begin(), arguments.end(), [&](const std::string& argument) {
                return argument == option || argument.starts_with(option + "=");
            });
        if (given > 1)
            throw RunError(kExitBadInput,
                           option + " is given more than once; give it once (see --help)");
        if (!arguments.empty() && arguments.back() == option)
            throw RunError(kExitBadInput, option + " needs a value after it (see --help)");
    }
}
}  // namespace

std::variant<Options, ImmediateAnswer> ParseCommandLine(const std::vector<std::string>& arguments) {
    CLI::App app(
        "Runs a scene of Quantifier channels described in JSON, frame by frame, and writes what "
        "the "
        "listed outputs read at each frame.",
        "quantifier-run");
    app.set_version_flag("--version", "quantifier-run " QUANTIFIER_VERSION);

    std::string scenePath;
    std::string frames;
    std::string format;
    std::string pluginPath, savePath, loadPath, outputPath, engineCommand;
    bool listOperations = false, watch = false, schema = false;
    bool strict = false;
    app.add_option("SCENE.json", scenePath, "The scene to run; - reads it from standard input");
    // Taken as text: the library would read "010" as octal and "0x10" as hexadecimal.
    app.add_option("--frames", frames, "Run N frames instead of the scene's count (decimal)")
        ->type_name("N");
    app.add_option("--format", format,
                   "csv, table, json or svg (default: by the extension of --output, .svg, .csv or "
                   ".json, csv for any other; table on a terminal, csv otherwise)")
        ->type_name("FORMAT")
        ->check(CLI::IsMember({"csv", "table", "json", "svg"}));
    app.add_option("--plugin", pluginPath,
                   "The plug-in to load (default: the one beside this program)")
        ->type_name("PATH");
    app.add_option("--save", savePath,
                   "After the last frame, save every channel to this scene stream; the file is "
                   "replaced whole, and only when the whole run succeeded")
        ->type_name("PATH");
    app.add_option("--load", loadPath,
                   "Before the first frame, restore channels by name from this scene stream; "
                   "any damage in it stops the run before a channel changes")
        ->type_name("PATH");
    app.add_option("--output", outputPath,
                   "Write the results to this file instead of standard output; the file is "
                   "replaced whole, and only when the whole run succeeded")
        ->type_name("PATH");
    app.add_flag("--watch", watch,
                 "After the first run, run the scene again whenever its file or the --load "
                 "stream is saved, until Ctrl-C; a failed run is reported and the last good "
                 "results stay");
    app.add_option("--engine-process", engineCommand,
                   "Run the engine and the plug-in in another program, started by this shell "
                   "command, that speaks the runner's engine protocol on its standard input and "
                   "output: quantifier-engine, or the one built in the engine's own ABI")
        ->type_name("COMMAND");
    app.add_flag("--strict", strict,
                 "Fail the run (exit status 2, nothing written or saved) on any warning: links "
                 "that do not give an operation its children, records a --load cannot use, "
                 "operation numbers outside the table, actions after the last frame");
    app.add_flag("--list-operations", listOperations,
                 "List the operations (number, name, children by role) and exit; with "
                 "--format json, every field of every operation");
    app.add_flag("--schema", schema,
                 "Write the scene format's JSON schema (scene.schema.json) and exit");
    app.footer("Limits: a scene file holds at most " + std::to_string(kMaxSceneBytes >> 20) +
               " MiB, a scene stream at most " + std::to_string(kMaxStreamBytes >> 20) +
               " MiB, lists and objects in a scene nest at most " +
               std::to_string(kMaxJsonNesting) + " levels, and links nest at most " +
               std::to_string(kMaxLinkDepth) +
               " channels deep.\nExit status: 0 success; 1 the run failed (plug-in, stream, "
               "save, output); 2 bad command line or scene, or a warning with --strict; --watch "
               "ends with 0 at Ctrl-C. Nothing is saved or written (to standard output or "
               "--output) unless the whole run succeeded.\nLive preview: the scene open in an "
               "editor that checks it against scene.schema.json, a viewer that reloads chart.svg "
               "beside it, and in a terminal: quantifier-run --watch --output chart.svg "
               "scene.json\nThe operations, each with an example scene and its chart: "
               "docs/operations/README.md, in share/doc/Quantifier/ where the package is "
               "installed.");
    // Options start with "--" on every system: a path such as /home/me/scene.json is a path.
    app.allow_windows_style_options(false);

    CheckOptionUse(arguments);
    // The library expects the arguments last first.
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        return ImmediateAnswer{app.help()};
    } catch (const CLI::CallForAllHelp&) {
        return ImmediateAnswer{app.help("", CLI::AppFormatMode::All)};
    } catch (const CLI::CallForVersion& version) {
        return ImmediateAnswer{std::string(version.what()) + "\n"};
    } catch (const CLI::ParseError& error) {
        throw RunError(kExitBadInput, std::string(error.what()) + " (see --help)");
    }
    if (listOperations) {
        if (format == "json") return ImmediateAnswer{ListOperationsJson()};
        if (format.empty() || format == "table") return ImmediateAnswer{ListOperations()};
        throw RunError(kExitBadInput,
                       "--list-operations is written as a table or as json, not as " + format +
                           " (see --help)");
    }
    if (schema) return ImmediateAnswer{SceneSchema()};
    Options options;
    // Before the scene: "--frames scene.json" took the path for the count.
    if (app.count("--frames") > 0) options.frames = FrameCount(frames);
    if (scenePath.empty()) throw RunError(kExitBadInput, "no scene given (see --help)");
    options.scenePath = scenePath;
    options.strict = strict;
    if (!format.empty()) options.format = OutputFormatNamed(format);
    // An option given with an empty path is a slip, not a wish to leave it out.
    const auto path = [&](const char* option, const std::string& value) {
        if (app.count(option) == 0) return std::optional<std::string>();
        if (value.empty())
            throw RunError(kExitBadInput, std::string(option) + " needs a path (see --help)");
        return std::optional<std::string>(value);
    };
    options.pluginPath = path("--plugin", pluginPath);
    options.savePath = path("--save", savePath);
    options.loadPath = path("--load", loadPath);
    options.outputPath = path("--output", outputPath);
    options.watch = watch;
    if (watch && options.scenePath == "-")
        throw RunError(kExitBadInput,
                       "--watch follows a scene file, not standard input (see --help)");
    if (watch && options.savePath)
        throw RunError(kExitBadInput,
                       "--save cannot be given with --watch: a save after every run would "
                       "overwrite the stream the scene may be loading (see --help)");
    if (app.count("--engine-process") > 0) {
        if (engineCommand.empty())
            throw RunError(kExitBadInput, "--engine-process needs a command (see --help)");
        options.engineCommand = engineCommand;
    }
    return options;
}

}  // namespace quantifier_run
