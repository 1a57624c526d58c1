#include "app/CommandLine.h"

#include <algorithm>
#include <array>
#include <limits>
#include <optional>
#include <string_view>
#include <utility>

#include <CLI/CLI.hpp>

#include "app/WatchScene.h"
#include "common/Suggestions.h"
#include "engine/RunError.h"
#include "output/OutputFormatTable.h"
#include "scene/Limits.h"
#include "scene/OperationList.h"
#include "scene/SceneSchema.h"
#include "view/GraphFocus.h"

namespace quantifier_run {

namespace {
// The options, one row each in the order --help lists them. --help is made from these rows; a
// test holds the README's table and SCENES.md against --help.
struct OptionRow {
    const char* name;
    const char* value;  // what --help calls the option's value; null for a flag
    const char* help;   // null for --format: FormatHelp writes it from the formats' table
};

constexpr OptionRow kOptionRows[] = {
    // Taken as text: the library would read "010" as octal and "0x10" as hexadecimal.
    {"--frames", "N", "Run N frames instead of the scene's count (decimal)"},
    {"--format", "FORMAT", nullptr},
    {"--plugin", "PATH", "The plug-in to load (default: the one beside this program)"},
    {"--save", "PATH",
     "After the last frame, save every channel to this scene stream; the file is replaced whole, "
     "and only when the whole run succeeded"},
    {"--load", "PATH",
     "Before the first frame, restore channels by name from this scene stream; any damage in it "
     "stops the run before a channel changes"},
    {"--output", "PATH",
     "Write the results to this file instead of standard output; the file is replaced whole, and "
     "only when the whole run succeeded"},
    {"--watch", nullptr,
     "After the first run, run the scene again whenever its file or the --load stream is saved, "
     "until Ctrl-C; a failed run is reported and the last good results stay"},
    {"--serve", "PORT",
     "Serve a live page of the scene on http://127.0.0.1:PORT/ (no PORT or 0: any free port; "
     "PORT is decimal, else it is the scene): its graph, warnings, a chart per output, a frame "
     "slider and each channel's explanation, updated on every save as --watch runs, until "
     "Ctrl-C"},
    {"--engine-process", "COMMAND",
     "Run the engine and the plug-in in another program, started by this shell command, that "
     "speaks the runner's engine protocol on its standard input and output: quantifier-engine, or "
     "the one built in the engine's own ABI"},
    {"--strict", nullptr,
     "Fail the run (exit status 2, nothing written or saved) on any warning, after writing every "
     "one: cycles of links, channels nothing reads, actions after the last frame or lengthening "
     "the run, lists against the frames the scene states, links that do not give an operation "
     "its children, records a --load cannot use, operation numbers outside the table"},
    {"--at", "N",
     "The frame --format graph or dot and --explain show (default: the last frame run)"},
    {"--focus", "NAME",
     "With --format graph or dot, draw the channel NAME, what it reads and what reads it, --depth "
     "links each way (default 2); a box with links not drawn has a dashed stub for each"},
    {"--whole", nullptr,
     "With --format graph or dot, draw every channel: a scene too large to take in is otherwise "
     "drawn from its outputs, as deep as fits, and says what it left out"},
    {"--explain", "NAME",
     "Instead of the rows, how the channel NAME got its value at the frame: its operation, each "
     "slot it looked up with the channel found and its value, the result, the reads this render's "
     "cache answered and the state kept; quantifier children in turn; --format json for a "
     "document"},
    {"--depth", "D",
     "How many levels of quantifier children --explain explains (default 3), or how many links "
     "each way --focus draws (default 2)"},
    {"--check", "PATH",
     "Run every scene under the PATHs (a folder: its *.json, searched through) as a test, each "
     "with a fresh engine: its \"expect\", the golden rows of a .csv beside it, or the failure "
     "a .error beside it states; a line per scene, a summary, and for a failure its first "
     "difference explained; exit status 0 only when all pass, 3 when any fails"},
    {"--junit", "FILE", "With --check, also write the results to FILE as JUnit XML"},
    {"--jobs", "N",
     "With --check, run N scenes at a time (default 1), each engine in a process of its own: "
     "--engine-process's, or quantifier-engine beside this program"},
    {"--expect", "CSV",
     "Hold the run to the golden rows of CSV, in the runner's csv: each column that differs is "
     "told with its first difference explained, exit status 3"},
    {"--update", nullptr,
     "Write the run's values into what it is held to, changing only what differs: the --expect "
     "file, or else the scene's \"expect\" values"},
    {"--diff", "CSV",
     "Compare the run's rows (or those of a .csv given in place of the scene) with CSV: per "
     "column the first frame that differs, how many differ and the largest difference; exit "
     "status 0 when they are the same, 3 when not"},
    {"--tolerance", "X",
     "How far a number may lie from the one expected by --expect, --diff or a golden .csv "
     "(absolute)"},
    {"--ulps", "N", "The same in units in the last place of a 32-bit float"},
    {"--list-operations", nullptr,
     "List the operations (number, name, children by role) and exit; with --format json, every "
     "field of every operation"},
    {"--schema", nullptr, "Write the scene format's JSON schema (scene.schema.json) and exit"},
};
constexpr size_t kOptionCount = std::size(kOptionRows);
static_assert(kFocusDepth == 2, "--focus's and --depth's help state the default depth");

// The row of the option `name`; a name without a row does not compile.
consteval size_t Row(std::string_view name) {
    for (size_t i = 0; i < kOptionCount; ++i) {
        if (kOptionRows[i].name == name) return i;
    }
    throw "no option of that name";
}

// A list as a sentence writes it: "a, b or c".
std::string Listed(const std::vector<std::string_view>& items) {
    std::string text;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i > 0) text += i + 1 == items.size() ? " or " : ", ";
        text += items[i];
    }
    return text;
}

// --format's help: the formats of the rows, the one a run takes without the option, and the
// pictures of the scene.
std::string FormatHelp() {
    std::vector<std::string_view> rows;
    std::vector<const OutputFormatRow*> extensions;
    std::string pictures;
    for (const OutputFormatRow& row : kOutputFormats) {
        if (row.picture.empty())
            rows.push_back(row.name);
        else
            pictures += "; " + std::string(row.name) + ": " + std::string(row.picture);
        if (!row.extension.empty()) extensions.push_back(&row);
    }
    std::sort(extensions.begin(), extensions.end(),
              [](const auto* a, const auto* b) { return a->extensionListed < b->extensionListed; });
    std::vector<std::string_view> listed;
    for (const OutputFormatRow* row : extensions)
        listed.push_back(row->extension);
    const auto name = [](OutputFormat format) {
        return std::string(OutputFormatRowOf(format).name);
    };
    return Listed(rows) + " (default: by the extension of --output, " + Listed(listed) + ", " +
           name(kOutputFormatOtherwise) + " for any other; " + name(OutputFormat::Table) +
           " on a terminal, " + name(OutputFormat::Csv) + " otherwise)" + pictures;
}

// The names --format takes, as the library checks them.
std::vector<std::string> FormatNames() {
    std::vector<std::string> names;
    for (const OutputFormatRow& row : kOutputFormats)
        names.emplace_back(row.name);
    return names;
}

// What the library read: each row's value or flag, and the option it made of the row.
struct Given {
    std::string scenePath;
    std::array<std::string, kOptionCount> values;
    std::array<bool, kOptionCount> flags{};
    std::array<CLI::Option*, kOptionCount> options{};
    std::vector<std::string> checkPaths;

    bool Has(size_t row) const { return options[row]->count() > 0; }
};

// A frame count (or a depth): decimal digits only, 0 up to the largest signed 32-bit number.
size_t FrameCount(const Given& given, size_t row) {
    constexpr size_t kMost = std::numeric_limits<int32_t>::max();
    const std::string& text = given.values[row];
    size_t count = 0;
    bool valid = !text.empty() && text.size() <= 10;
    for (const char c : text) {
        if (c < '0' || c > '9') valid = false;
        if (valid) count = count * 10 + static_cast<size_t>(c - '0');
    }
    if (!valid || count > kMost)
        throw RunError(kExitBadInput,
                       std::string(kOptionRows[row].name) + " needs a whole number from 0 to " +
                           std::to_string(kMost) + ", not " + Quoted(text) + " (see --help)");
    return count;
}

// The library's error, in our words where we have them. The library counts each option's uses,
// and an option it stopped on for want of a value is the last argument, since it takes
// whatever follows an option for its value. An option given more than once is named first,
// whatever else is wrong, as the likelier slip.
std::string InOurWords(const CLI::App& app, const CLI::ParseError& error,
                       const std::vector<std::string>& arguments) {
    const CLI::Option* unfinished = nullptr;
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr && !arguments.empty())
        unfinished = app.get_option_no_throw(arguments.back());
    for (const OptionRow& row : kOptionRows) {
        if (row.value == nullptr) continue;
        const CLI::Option* option = app.get_option_no_throw(row.name);
        const size_t given = option->count() + (option == unfinished ? 1 : 0);
        // --check counts each of its paths.
        if (given > 1 && row.name != std::string_view("--check"))
            return std::string(row.name) + " is given more than once; give it once (see --help)";
        if (option == unfinished)
            return std::string(row.name) + " needs a value after it (see --help)";
    }
    return std::string(error.what()) + " (see --help)";
}

// The port of --serve, or the scene when the option took it for its value. Only what a page
// shows can be served: the options that choose another output or a save are refused.
void ServeOptions(const Given& given, Options& options) {
    const std::string& value = given.values[Row("--serve")];
    const bool decimal = !value.empty() && value.size() <= 5 &&
                         value.find_first_not_of("0123456789") == std::string::npos;
    if (!value.empty() && !decimal) {
        if (!options.scenePath.empty() || value.starts_with("-"))
            throw RunError(kExitBadInput, "--serve needs a port from 0 to 65535, not " +
                                              Quoted(value) + " (see --help)");
        options.scenePath = value;
    }
    const size_t port = decimal ? std::stoul(value) : 0;
    if (port > 65535)
        throw RunError(kExitBadInput,
                       "--serve needs a port from 0 to 65535, not " + value + " (see --help)");
    options.serve = static_cast<uint16_t>(port);
    for (const size_t refused : {Row("--save"), Row("--watch"), Row("--output"), Row("--format"),
                                 Row("--explain"), Row("--at"), Row("--focus"), Row("--whole")}) {
        if (given.Has(refused))
            throw RunError(kExitBadInput, std::string(kOptionRows[refused].name) +
                                              " cannot be given with --serve: the page shows the "
                                              "scene, watched, and saves nothing (see --help)");
    }
}

// The limits and the exit statuses, and where to look next: after the options in --help.
std::string Footer() {
    return "Limits: a scene file holds at most " + std::to_string(kMaxSceneBytes >> 20) +
           " MiB, a scene stream at most " + std::to_string(kMaxStreamBytes >> 20) +
           " MiB, lists and objects in a scene nest at most " + std::to_string(kMaxJsonNesting) +
           " levels, and links nest at most " + std::to_string(kMaxLinkDepth) +
           " channels deep.\nExit status: 0 success; 1 the run failed (plug-in, stream, "
           "save, output); 2 bad command line or scene, or a warning with --strict; 3 values "
           "other than expected (a scene's \"expect\", --expect, a scene under --check, a "
           "--diff that finds a difference); --watch ends with 0 at Ctrl-C. Nothing is saved or "
           "written (to standard output or "
           "--output) unless the whole run succeeded.\nLive preview: the scene open in an "
           "editor that checks it against scene.schema.json, and quantifier-run --serve "
           "scene.json, then the URL it prints open in a browser; or a viewer that reloads "
           "chart.svg and quantifier-run --watch --output chart.svg scene.json\nThe "
           "operations, each with an example scene and its chart: "
           "docs/operations/README.md, in share/doc/Quantifier/ where the package is "
           "installed.";
}

// Every row's option on `app`, read into `given`.
void AddOptions(CLI::App& app, Given& given) {
    app.set_version_flag("--version", "quantifier-run " QUANTIFIER_VERSION);
    app.add_option("SCENE.json", given.scenePath,
                   "The scene to run; - reads it from standard input");
    for (size_t i = 0; i < kOptionCount; ++i) {
        const OptionRow& row = kOptionRows[i];
        const std::string help = row.help != nullptr ? row.help : FormatHelp();
        // --check takes every path that follows it; --jobs is also -j, as in make.
        if (row.name == std::string_view("--check"))
            given.options[i] =
                app.add_option(row.name, given.checkPaths, help)->type_name(row.value);
        else if (row.name == std::string_view("--jobs"))
            given.options[i] =
                app.add_option("-j,--jobs", given.values[i], help)->type_name(row.value);
        else if (row.value == nullptr)
            given.options[i] = app.add_flag(row.name, given.flags[i], help);
        else
            given.options[i] =
                app.add_option(row.name, given.values[i], help)->type_name(row.value);
    }
    // The port is optional: the option then takes whatever follows it, which may be the scene.
    CLI::Option* serveOption = given.options[Row("--serve")];
    serveOption->expected(0, 1)->type_name("[PORT]");
    if (!ServeAvailable())
        serveOption->description(std::string(serveOption->get_description()) + " (" +
                                 ServeUnavailableReason() + ")");
    given.options[Row("--format")]->check(CLI::IsMember(FormatNames()));
    app.footer(Footer());
    // Options start with "--" on every system: a path such as /home/me/scene.json is a path.
    app.allow_windows_style_options(false);
}

// What the command line asks for instead of a run, if it does.
std::optional<ImmediateAnswer> Immediate(const Given& given) {
    const std::string& format = given.values[Row("--format")];
    const std::optional<OutputFormat> chosen = OutputFormatNamed(format);
    if (given.flags[Row("--list-operations")]) {
        if (chosen == OutputFormat::Json) return ImmediateAnswer{ListOperationsJson()};
        if (!chosen || chosen == OutputFormat::Table) return ImmediateAnswer{ListOperations()};
        throw RunError(kExitBadInput,
                       "--list-operations is written as a table or as json, not as " + format +
                           " (see --help)");
    }
    if (given.flags[Row("--schema")]) return ImmediateAnswer{SceneSchema()};
    return std::nullopt;
}

// The path the option of `row` gives, if it is given. An option given with an empty path is a
// slip, not a wish to leave it out.
std::optional<std::string> PathOf(const Given& given, size_t row) {
    if (!given.Has(row)) return std::nullopt;
    if (given.values[row].empty())
        throw RunError(kExitBadInput,
                       std::string(kOptionRows[row].name) + " needs a path (see --help)");
    return given.values[row];
}

// Which part of the graph a picture draws: one channel's neighbourhood or every channel.
void ReadPartOptions(const Options& options, bool pictured) {
    for (const char* option : {"--focus", "--whole"}) {
        const bool given =
            option == std::string_view("--focus") ? options.focus.has_value() : options.whole;
        if (given && !pictured)
            throw RunError(kExitBadInput,
                           std::string(option) + " needs --format graph or dot (see --help)");
    }
    if (options.focus && options.whole)
        throw RunError(kExitBadInput,
                       "--focus and --whole cannot be given together: one draws a part, the "
                       "other every channel (see --help)");
}

// The frame a picture or an explanation shows, the channel explained and how deep.
void ReadViewOptions(const Given& given, Options& options) {
    if (given.Has(Row("--at"))) options.at = FrameCount(given, Row("--at"));
    if (given.Has(Row("--depth"))) options.depth = FrameCount(given, Row("--depth"));
    if (given.Has(Row("--explain"))) options.explain = given.values[Row("--explain")];
    if (given.Has(Row("--focus"))) options.focus = given.values[Row("--focus")];
    options.whole = given.flags[Row("--whole")];
    const std::optional<OutputFormat> format = options.format;
    const bool pictured = format == OutputFormat::Graph || format == OutputFormat::Dot;
    ReadPartOptions(options, pictured);
    if (options.explain && format && format != OutputFormat::Table && format != OutputFormat::Json)
        throw RunError(kExitBadInput, "--explain is written as text or as json, not as " +
                                          std::string(OutputFormatRowOf(*format).name) +
                                          " (see --help)");
    if (options.at && !pictured && !options.explain)
        throw RunError(kExitBadInput,
                       "--at chooses the frame of --format graph or dot, or of --explain "
                       "(see --help)");
    if (options.depth && !options.explain && !options.focus)
        throw RunError(kExitBadInput, "--depth needs --explain or --focus (see --help)");
}

// A number of --tolerance: 0 or above.
float ToleranceOf(const std::string& text) {
    size_t used = 0;
    float value = -1.0f;
    try {
        value = std::stof(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used == 0 || used != text.size() || !(value >= 0.0f))
        throw RunError(kExitBadInput, "--tolerance needs a number 0 or above, not " + Quoted(text) +
                                          " (see --help)");
    return value;
}

// What runs scenes as tests and compares rows: --check and its company, --expect, --update,
// --diff and how close numbers must be.
void ReadCheckOptions(const Given& given, Options& options) {
    options.checkPaths = given.checkPaths;
    options.junitPath = PathOf(given, Row("--junit"));
    options.expectPath = PathOf(given, Row("--expect"));
    options.diffPath = PathOf(given, Row("--diff"));
    options.update = given.flags[Row("--update")];
    if (given.Has(Row("--jobs"))) {
        options.jobs = FrameCount(given, Row("--jobs"));
        if (options.jobs == 0)
            throw RunError(kExitBadInput, "--jobs needs 1 or more scenes at a time (see --help)");
    }
    if (given.Has(Row("--tolerance")))
        options.closeness.tolerance = ToleranceOf(given.values[Row("--tolerance")]);
    if (given.Has(Row("--ulps")))
        options.closeness.ulps = static_cast<uint32_t>(FrameCount(given, Row("--ulps")));
    const auto refuse = [&](size_t row, const char* why) {
        if (given.Has(row))
            throw RunError(kExitBadInput,
                           std::string(kOptionRows[row].name) + " " + why + " (see --help)");
    };
    if (given.Has(Row("--tolerance"))) refuse(Row("--ulps"), "cannot be given with --tolerance");
    const bool check = given.Has(Row("--check"));
    if (!check) {
        refuse(Row("--junit"), "needs --check");
        refuse(Row("--jobs"), "needs --check");
    } else {
        for (const size_t row : {Row("--save"), Row("--load"), Row("--output"), Row("--watch"),
                                 Row("--serve"), Row("--explain"), Row("--at"), Row("--frames"),
                                 Row("--expect"), Row("--diff"), Row("--update"), Row("--format")})
            refuse(row, "cannot be given with --check, which runs each scene as it is");
    }
    if (options.update && options.diffPath) refuse(Row("--update"), "cannot be given with --diff");
    // What these write is their report; a save before a comparison that fails would be a save of
    // a run that did not succeed.
    if (options.expectPath || options.diffPath || options.update) {
        for (const size_t row : {Row("--save"), Row("--output"), Row("--watch"), Row("--serve"),
                                 Row("--explain"), Row("--format")})
            refuse(row, "cannot be given with --expect, --diff or --update");
    }
    if (options.expectPath && options.diffPath)
        refuse(Row("--diff"), "cannot be given with --expect");
    if (!options.expectPath && !options.diffPath && !check) {
        refuse(Row("--tolerance"), "needs --expect, --diff or --check");
        refuse(Row("--ulps"), "needs --expect, --diff or --check");
    }
}

// A run's options, checked against each other.
Options ReadOptions(const Given& given) {
    Options options;
    // Before the scene: "--frames scene.json" took the path for the count.
    if (given.Has(Row("--frames"))) options.frames = FrameCount(given, Row("--frames"));
    options.scenePath = given.scenePath;
    if (given.Has(Row("--serve"))) ServeOptions(given, options);
    ReadCheckOptions(given, options);
    // A path before --check is one of its paths.
    if (!options.checkPaths.empty() && !options.scenePath.empty())
        options.checkPaths.insert(options.checkPaths.begin(), std::exchange(options.scenePath, ""));
    if (options.scenePath.empty() && options.checkPaths.empty())
        throw RunError(kExitBadInput, "no scene given (see --help)");
    options.strict = given.flags[Row("--strict")];
    options.format = OutputFormatNamed(given.values[Row("--format")]);
    options.pluginPath = PathOf(given, Row("--plugin"));
    options.savePath = PathOf(given, Row("--save"));
    options.loadPath = PathOf(given, Row("--load"));
    options.outputPath = PathOf(given, Row("--output"));
    const bool watch = given.flags[Row("--watch")];
    options.watch = watch;
    if ((watch || options.serve) && options.scenePath == "-")
        throw RunError(kExitBadInput,
                       std::string(kOptionRows[watch ? Row("--watch") : Row("--serve")].name) +
                           " follows a scene file, not standard input (see --help)");
    if (watch && options.savePath)
        throw RunError(kExitBadInput,
                       "--save cannot be given with --watch: a save after every run would "
                       "overwrite the stream the scene may be loading (see --help)");
    ReadViewOptions(given, options);
    if (given.Has(Row("--engine-process"))) {
        const std::string& engineCommand = given.values[Row("--engine-process")];
        if (engineCommand.empty())
            throw RunError(kExitBadInput, "--engine-process needs a command (see --help)");
        options.engineCommand = engineCommand;
    }
    return options;
}
}  // namespace

std::variant<Options, ImmediateAnswer> ParseCommandLine(const std::vector<std::string>& arguments) {
    CLI::App app(
        "Runs a scene of Quantifier channels described in JSON, frame by frame, and writes what "
        "the "
        "listed outputs read at each frame.",
        "quantifier-run");
    Given given;
    AddOptions(app, given);
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
        throw RunError(kExitBadInput, InOurWords(app, error, arguments));
    }
    if (std::optional<ImmediateAnswer> answer = Immediate(given)) return *std::move(answer);
    return ReadOptions(given);
}

}  // namespace quantifier_run
