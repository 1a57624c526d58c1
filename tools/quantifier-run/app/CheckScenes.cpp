#include "app/CheckScenes.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
#include <thread>

#include "Orn_FileStream.h"
#include "Process.h"
#include "app/Golden.h"
#include "app/Run.h"
#include "common/FilePath.h"
#include "output/Formatting.h"
#include "output/OutputFile.h"
#include "output/Progress.h"
#include "output/SvgMarkup.h"
#include "scene/SceneParser.h"

namespace quantifier_run {
namespace {

using Clock = std::chrono::steady_clock;

std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(line);
    return lines;
}

// A file beside the scene, named as the scene with another extension; empty when there is none.
std::string Beside(const std::string& path, const char* extension) {
    std::filesystem::path besideIt = FilePath(path);
    besideIt.replace_extension(extension);
    std::error_code error;
    return std::filesystem::is_regular_file(besideIt, error) ? PathText(besideIt) : std::string();
}

// A scene that is to fail: its exit status on the first line of `errorFile`, then a part of each
// line it writes on standard error, in order.
void CheckFailure(const Options& options, const std::string& errorFile, SceneVerdict& verdict) {
    std::ifstream file(FilePath(errorFile));
    std::stringstream wanted;
    wanted << file.rdbuf();
    std::vector<std::string> parts = LinesOf(wanted.str());
    std::ostringstream err, out;
    const RunSettings settings{options, false, err, false, {}};
    const auto failure = Attempt([&] {
        RunOutput output = Run(settings);
        Deliver(settings, output, out, false);
    });
    const int status = failure ? ReportFailure(*failure, err) : kExitSuccess;
    const std::vector<std::string> lines = LinesOf(err.str());
    bool same = !parts.empty() && parts[0] == std::to_string(status) && out.str().empty() &&
                lines.size() + 1 == parts.size();
    for (size_t i = 1; same && i < parts.size(); ++i)
        same = lines[i - 1].find(parts[i]) != std::string::npos;
    verdict.passed = same;
    if (same) return;
    verdict.details.push_back("expected exit status " + (parts.empty() ? "?" : parts[0]) +
                              " and the lines of " + errorFile + "; got exit status " +
                              std::to_string(status) + ":");
    for (const std::string& line : lines)
        verdict.details.push_back("  " + line);
}

// The engine is one per process, as the engine's own is: scenes run side by side only with each
// engine in a process of its own.
Options ForJobs(Options options) {
    if (options.jobs <= 1 || options.engineCommand) return options;
    const std::string program = platform::ExecutablePath();
    const size_t folderEnd = program.find_last_of(platform::PathSeparators());
    const std::string folder =
        folderEnd == std::string::npos ? "" : program.substr(0, folderEnd + 1);
    options.engineCommand = "\"" + folder + "quantifier-engine\"";
    return options;
}

// Each scene's line, in the order of the list, as soon as those before it are done; on a
// terminal, a line of progress below them.
class Report {
public:
    Report(std::ostream& out, std::ostream& err, bool progress, size_t total)
        : out(out), err(err), progress(progress), total(total) {}
    void Done(const SceneVerdict& verdict, std::vector<std::optional<SceneVerdict>>& all,
              size_t index) {
        const std::lock_guard lock(mutex);
        all[index] = verdict;
        ++finished;
        ClearProgress();
        for (; shown < all.size() && all[shown]; ++shown) {
            const SceneVerdict& v = *all[shown];
            out << (v.passed ? "pass  " : "FAIL  ") << MessageLine(v.path) << " ("
                << static_cast<long long>(v.seconds * 1000.0 + 0.5) << " ms)\n";
            for (const std::string& line : v.details)
                out << "      " << MessageLine(line) << "\n";
        }
        out << std::flush;
        if (progress) err << "[" << finished << "/" << total << "]" << std::flush;
    }
    void ClearProgress() {
        if (progress) err << "\r\x1b[K" << std::flush;
    }

private:
    std::mutex mutex;
    std::ostream& out;
    std::ostream& err;
    const bool progress;
    const size_t total;
    size_t finished = 0, shown = 0;
};

// A file that says how a scene is to run with no scene beside it: a misspelt name would
// otherwise drop its case without a word. A csv alone may be data.
bool Orphan(std::filesystem::path path) {
    const std::filesystem::path extension = path.extension();
    if (extension != ".error" && extension != ".args" && extension != ".warnings") return false;
    std::error_code error;
    return !std::filesystem::exists(path.replace_extension(".json"), error);
}

// The options a scene runs with: those of --check, and the arguments of a .args file beside it,
// one a line, "$SCENES/" at the start of one standing for the scene's folder. The rows are csv,
// but a case that is to fail keeps a format its arguments choose: some failures are a view's.
Options SceneOptions(const Options& given, const std::string& path) {
    Options options = given;
    bool formatGiven = false;
    if (const std::string argsFile = Beside(path, ".args"); !argsFile.empty()) {
        std::ifstream file(FilePath(argsFile));
        std::vector<std::string> arguments;
        const std::string folder = PathText(FilePath(path).parent_path());
        for (std::string line; std::getline(file, line);) {
            if (line.starts_with("$SCENES/"))
                line = (folder.empty() ? "" : folder + "/") + line.substr(8);
            formatGiven = formatGiven || line == "--format" || line.starts_with("--format=");
            arguments.push_back(line);
        }
        arguments.push_back(path);
        auto parsed = ParseCommandLine(arguments);
        if (!std::holds_alternative<Options>(parsed))
            throw RunError(kExitBadInput, argsFile + ": the arguments ask for no run");
        options = std::get<Options>(std::move(parsed));
        options.pluginPath = given.pluginPath;
        options.engineCommand = given.engineCommand;
        options.closeness = given.closeness;
    }
    options.scenePath = path;
    if (!formatGiven || Beside(path, ".error").empty()) options.format = OutputFormat::Csv;
    return options;
}

// A scene's warnings held to the parts a .warnings file beside it gives, a line each. A scene
// held to golden rows and no such file must warn of nothing: its csv and warnings are its whole
// expected output.
void CheckWarnings(const std::string& path, bool golden, const std::vector<std::string>& warnings,
                   std::vector<std::string>& details) {
    const std::string file = Beside(path, ".warnings");
    if (file.empty() && !golden) return;
    std::vector<std::string> parts;
    if (!file.empty()) {
        std::ifstream stream(FilePath(file));
        std::stringstream text;
        text << stream.rdbuf();
        parts = LinesOf(text.str());
    }
    bool same = parts.size() == warnings.size();
    for (size_t i = 0; same && i < parts.size(); ++i)
        same = warnings[i].find(parts[i]) != std::string::npos;
    if (same) return;
    details.push_back(file.empty()
                          ? std::string("it warns, and no .warnings file beside it says so:")
                          : "the warnings are not those of " + file + ":");
    for (const std::string& warning : warnings)
        details.push_back("  " + warning);
}

}  // namespace

int CheckScenes(const Options& given, std::ostream& out, std::ostream& err, bool errIsTerminal) {
    const auto start = Clock::now();
    const std::vector<std::string> scenes = ScenesUnder(given.checkPaths);
    // A suite of none is more likely a wrong folder than a pass.
    if (scenes.empty())
        throw RunError(kExitBadInput,
                       "--check: no scene under " + given.checkPaths.front() +
                           (given.checkPaths.size() > 1 ? " or the other paths" : ""));
    if (given.junitPath) {
        // Refused before anything runs, as a run's targets are.
        Options target = given;
        target.scenePath = scenes.empty() ? "" : scenes.front();
        target.outputPath = given.junitPath;
        CheckTargets(target);
    }
    const Options options = ForJobs(given);
    std::vector<std::optional<SceneVerdict>> verdicts(scenes.size());
    Report report(out, err, ProgressWanted(errIsTerminal), scenes.size());
    std::atomic<size_t> next = 0;
    const auto work = [&] {
        for (size_t i; (i = next++) < scenes.size();)
            report.Done(CheckScene(options, scenes[i]), verdicts, i);
    };
    std::vector<std::thread> workers;
    for (size_t j = 1; j < std::min(options.jobs, scenes.size()); ++j)
        workers.emplace_back(work);
    work();
    for (std::thread& worker : workers)
        worker.join();
    report.ClearProgress();
    std::vector<SceneVerdict> all;
    for (auto& verdict : verdicts)
        all.push_back(std::move(*verdict));
    const size_t failed = static_cast<size_t>(
        std::count_if(all.begin(), all.end(), [](const auto& v) { return !v.passed; }));
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    out << all.size() << (all.size() == 1 ? " scene: " : " scenes: ") << all.size() - failed
        << " passed, " << failed << " failed (" << static_cast<long long>(seconds * 1000.0 + 0.5)
        << " ms)\n"
        << std::flush;
    if (given.junitPath) {
        const std::string xml = JunitXml(all, seconds);
        std::string reason;
        if (!OrnWriteFileAtomically(*given.junitPath, std::vector<uint8_t>(xml.begin(), xml.end()),
                                    &reason))
            throw RunError(kExitFailure, "cannot write the JUnit file: " + reason);
    }
    if (!out) throw RunError(kExitFailure, kStandardOutputFailed);
    return failed == 0 ? kExitSuccess : kExitDiffers;
}

std::vector<std::string> ScenesUnder(const std::vector<std::string>& paths) {
    std::vector<std::string> scenes;
    for (const std::string& path : paths) {
        std::error_code error;
        const std::filesystem::path root = FilePath(path);
        if (std::filesystem::is_regular_file(root, error)) {
            scenes.push_back(path);
            continue;
        }
        if (!std::filesystem::is_directory(root, error))
            throw RunError(kExitBadInput, "--check: " + path + ": no such file or folder");
        std::vector<std::string> found;
        auto walk = std::filesystem::recursive_directory_iterator(root, error);
        for (auto it = std::filesystem::begin(walk); it != std::filesystem::end(walk);
             it.increment(error)) {
            const std::string name = PathText(it->path().filename());
            if (name.starts_with(".")) {
                if (it->is_directory(error)) it.disable_recursion_pending();
                continue;
            }
            if (!it->is_regular_file(error)) continue;
            if ((it->path().extension() == ".json" && IsSceneFile(PathText(it->path()))) ||
                Orphan(it->path()))
                found.push_back(PathText(it->path()));
        }
        std::sort(found.begin(), found.end());
        scenes.insert(scenes.end(), found.begin(), found.end());
    }
    return scenes;
}

SceneVerdict CheckScene(const Options& given, const std::string& path) {
    const auto start = Clock::now();
    SceneVerdict verdict;
    verdict.path = path;
    if (Orphan(FilePath(path))) {
        verdict.details.push_back("says how a scene is to run, but there is no scene " +
                                  PathText(FilePath(path).replace_extension(".json")));
        return verdict;
    }
    std::optional<Options> chosen;
    if (const auto failure = Attempt([&] { chosen = SceneOptions(given, path); })) {
        verdict.details.push_back(MessageLine(failure->message));
        return verdict;
    }
    Options& options = *chosen;
    if (const std::string errorFile = Beside(path, ".error"); !errorFile.empty()) {
        CheckFailure(options, errorFile, verdict);
    } else {
        const std::string golden = Beside(path, ".csv");
        if (!golden.empty()) options.expectPath = golden;
        std::ostringstream err;
        RunSettings settings{options, false, err, false, {}};
        settings.expectations = ExpectationsGo::Kept;
        const auto failure = Attempt([&] {
            RunOutput output = Run(settings);
            verdict.details = Differences(options, output);
            CheckWarnings(path, !golden.empty(), output.warnings, verdict.details);
        });
        if (failure) {
            verdict.details = LinesOf(err.str());
            verdict.details.push_back(MessageLine(failure->message) + " [exit status " +
                                      std::to_string(failure->exitCode) + "]");
        }
        verdict.passed = verdict.details.empty();
    }
    verdict.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return verdict;
}

std::string JunitXml(const std::vector<SceneVerdict>& verdicts, double seconds) {
    const size_t failed = static_cast<size_t>(
        std::count_if(verdicts.begin(), verdicts.end(), [](const auto& v) { return !v.passed; }));
    const std::string counts = " tests=\"" + std::to_string(verdicts.size()) + "\" failures=\"" +
                               std::to_string(failed) + "\" errors=\"0\" time=\"" +
                               std::to_string(seconds) + "\"";
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites" + counts +
                      ">\n  <testsuite name=\"quantifier-run --check\"" + counts + ">\n";
    for (const SceneVerdict& verdict : verdicts) {
        const std::filesystem::path path = FilePath(verdict.path);
        xml += "    <testcase classname=\"" + Escaped(PathText(path.parent_path())) + "\" name=\"" +
               Escaped(PathText(path.filename())) + "\" time=\"" + std::to_string(verdict.seconds) +
               "\"";
        if (verdict.passed) {
            xml += "/>\n";
            continue;
        }
        std::string text;
        for (const std::string& line : verdict.details)
            text += line + "\n";
        xml += ">\n      <failure message=\"" +
               Escaped(verdict.details.empty() ? "failed" : verdict.details.front()) + "\">" +
               Escaped(text) + "</failure>\n    </testcase>\n";
    }
    return xml + "  </testsuite>\n</testsuites>\n";
}

}  // namespace quantifier_run
