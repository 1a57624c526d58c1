// The runner's command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "output/CsvDiff.h"
#include "output/OutputFormats.h"

namespace quantifier_run {

struct Options {
    std::string scenePath;
    std::optional<size_t> frames;
    std::optional<OutputFormat> format;  // absent: by where the output goes (its extension)
    std::optional<std::string> pluginPath;
    std::optional<std::string> savePath;
    std::optional<std::string> loadPath;
    // Where the results go instead of standard output, replaced whole.
    std::optional<std::string> outputPath;
    // Run again whenever the scene file or the loaded stream changes, until Ctrl-C.
    bool watch = false;
    // Serve a page of the scene on this loopback port (0: any free one), run again on every
    // save as --watch does, until Ctrl-C.
    std::optional<uint16_t> serve;
    // A command that runs the engine side in a process of its own (EngineProcess.h).
    std::optional<std::string> engineCommand;
    // Any warning fails the run as bad input, with nothing written or saved.
    bool strict = false;
    // The frame a picture of the graph or an explanation shows; absent: the last frame run.
    std::optional<size_t> at;
    // The channel whose value to explain, and how deep its children are explained.
    std::optional<std::string> explain;
    std::optional<size_t> depth;
    // A picture of one channel's neighbourhood (--depth links each way), or of every channel.
    std::optional<std::string> focus;
    bool whole = false;
    // Every scene under these paths run as a test (CheckScenes.h); empty: a run of scenePath.
    std::vector<std::string> checkPaths;
    std::optional<std::string> junitPath;
    size_t jobs = 1;
    // The rows the run is compared with (--diff) or held to (--expect), and how close numbers
    // must be. With a csv as the scene, --diff compares that csv instead of a run.
    std::optional<std::string> diffPath;
    std::optional<std::string> expectPath;
    Closeness closeness;
    // Write the run's values into the --expect file or the scene's "expect".
    bool update = false;
};

// What the command line asks for when it is not a run: help, the version or the operation
// list, written to standard output before leaving with success.
struct ImmediateAnswer {
    std::string text;
};

// Reads the arguments (without the program's name). Throws RunError (bad input) with one
// line when they make no sense.
std::variant<Options, ImmediateAnswer> ParseCommandLine(const std::vector<std::string>& arguments);

}  // namespace quantifier_run
