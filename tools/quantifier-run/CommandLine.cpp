#include "CommandLine.h"

#include <algorithm>
#include <limits>

#include <CLI/CLI.hpp>

#include "OperationList.h"
#include "RunError.h"

namespace quantifier_run {

std::variant<Options, ImmediateAnswer> ParseCommandLine(const std::vector<std::string>& arguments) {
    CLI::App app(
        "Runs a scene of Quantifier channels described in JSON, frame by frame, and writes what "
        "the "
        "listed outputs read at each frame.",
        "quantifier-run");
    app.set_version_flag("--version", "quantifier-run " QUANTIFIER_VERSION);

    std::string scenePath;
    int64_t frames = -1;
    std::string format;
    std::string pluginPath, savePath, loadPath;
    bool listOperations = false;
    app.add_option("SCENE.json", scenePath, "The scene to run");
    app.add_option("--frames", frames, "Run N frames instead of the scene's count")
        ->type_name("N")
        ->check(CLI::Range(int64_t{0}, int64_t{std::numeric_limits<int32_t>::max()}));
    app.add_option("--format", format,
                   "csv, table, json or svg (default: table on a terminal, csv otherwise)")
        ->type_name("FORMAT")
        ->check(CLI::IsMember({"csv", "table", "json", "svg"}));
    app.add_option("--plugin", pluginPath,
                   "The plug-in to load (default: the one beside this program)")
        ->type_name("PATH");
    app.add_option("--save", savePath,
                   "After the last frame, save every channel to this scene stream")
        ->type_name("PATH");
    app.add_option("--load", loadPath,
                   "Before the first frame, restore channels by name from this scene stream")
        ->type_name("PATH");
    app.add_flag("--list-operations", listOperations,
                 "List the operations (number, name, children) and exit");

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
    if (listOperations) return ImmediateAnswer{ListOperations()};
    if (scenePath.empty()) throw RunError(kExitBadInput, "no scene given (see --help)");

    Options options;
    options.scenePath = scenePath;
    if (frames >= 0) options.frames = static_cast<size_t>(frames);
    if (!format.empty()) options.format = OutputFormatNamed(format);
    if (!pluginPath.empty()) options.pluginPath = pluginPath;
    if (!savePath.empty()) options.savePath = savePath;
    if (!loadPath.empty()) options.loadPath = loadPath;
    return options;
}

}  // namespace quantifier_run
