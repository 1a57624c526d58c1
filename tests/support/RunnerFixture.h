// Running quantifier-run in the test's own process, with a fresh folder for its files.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "Runner.h"

struct RunResult {
    int exitCode;
    std::string out;
    std::string err;
};

class RunnerTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device random;
        folder = std::filesystem::temp_directory_path() /
                 ("quantifier-run-test-" + std::to_string(random()));
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    std::string Path(const std::string& name) const { return (folder / name).string(); }

    std::string WriteFile(const std::string& name, const std::string& text) const {
        std::ofstream(Path(name), std::ios::binary) << text;
        return Path(name);
    }

    // Runs with the built plug-in unless the arguments name one.
    RunResult Run(std::vector<std::string> arguments, bool terminal = false) const {
        if (std::find(arguments.begin(), arguments.end(), "--plugin") == arguments.end()) {
            arguments.push_back("--plugin");
            arguments.push_back(QUANTIFIER_PLUGIN_PATH);
        }
        std::ostringstream out, err;
        const int code = quantifier_run::RunQuantifierTool(arguments, out, err, terminal);
        return {code, out.str(), err.str()};
    }

    RunResult RunScene(const std::string& scene, std::vector<std::string> arguments = {}) const {
        arguments.insert(arguments.begin(), WriteFile("scene.json", scene));
        return Run(arguments);
    }

    std::filesystem::path folder;
};

inline int LineCount(const std::string& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}
