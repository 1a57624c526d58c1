// Running quantifier-run in the test's own process, with the built plug-in and a fresh folder
// for its files; shared by the runner's tests of every OS.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "app/Runner.h"
#include "support/BuildPaths.h"
#include "support/FileTestSupport.h"

struct RunResult {
    int exitCode;
    std::string out;
    std::string err;
};

inline int LineCount(const std::string& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

class RunnerFixture : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return dir.Path(name); }

    std::string WriteFile(const std::string& name, const std::string& bytes) const {
        std::ofstream(FsPath(Path(name)), std::ios::binary) << bytes;
        return Path(name);
    }
    static std::string ReadFile(const std::string& path) {
        std::ifstream in(FsPath(path), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::vector<std::string> Entries() const { return dir.Entries(); }

    // Runs with the built plug-in unless the arguments name one.
    static RunResult Run(std::vector<std::string> arguments, bool terminal = false) {
        if (std::find(arguments.begin(), arguments.end(), "--plugin") == arguments.end()) {
            arguments.push_back("--plugin");
            arguments.push_back(build_paths::kPlugin);
        }
        std::ostringstream out, err;
        const int code = quantifier_run::RunQuantifierTool(arguments, out, err, terminal);
        return {code, out.str(), err.str()};
    }

    RunResult RunScene(const std::string& scene, std::vector<std::string> arguments = {}) const {
        arguments.insert(arguments.begin(), WriteFile("scene.json", scene));
        return Run(arguments);
    }

    TempDirectory dir;
};

class RunnerTest : public RunnerFixture {};
