// quantifier-run end to end over the scenes in tests/scenes/: each scene gives its rows (and
// its warnings), or for bad input one line, its exit status and no output; the same with the
// engine side in a process of its own (--engine-process), whose every message must carry the
// scene and its results whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/RunnerFixture.h"

namespace fs = std::filesystem;

namespace {

// The lines of a file beside the scene; none when it is absent.
std::vector<std::string> ReadLines(const fs::path& path) {
    std::vector<std::string> lines;
    std::ifstream file(path, std::ios::binary);
    for (std::string line; std::getline(file, line);)
        lines.push_back(line);
    return lines;
}

TEST_F(RunnerTest, EverySceneGivesItsRowsOrItsError) {
    const fs::path scenes = QUANTIFIER_TEST_SCENES;
    std::set<fs::path> cases;
    for (const auto& entry : fs::directory_iterator(scenes)) {
        if (entry.path().extension() == ".json") cases.insert(entry.path());
    }
    // Every other file belongs to a scene, so that a misspelt name cannot drop a case.
    for (const auto& entry : fs::directory_iterator(scenes)) {
        const fs::path& path = entry.path();
        if (path.extension() == ".md") continue;
        EXPECT_TRUE(fs::exists(fs::path(path).replace_extension(".json"))) << path;
    }
    int rows = 0, errors = 0;
    for (const bool elsewhere : {false, true})
        for (const fs::path& scene : cases) {
            SCOPED_TRACE(scene.filename().string() + (elsewhere ? " in the engine process" : ""));
            const auto beside = [&](const char* extension) {
                return fs::path(scene).replace_extension(extension);
            };
            std::vector<std::string> arguments = ReadLines(beside(".args"));
            // A stream to --load lies among the scenes, wherever the test runs from.
            for (std::string& argument : arguments) {
                if (argument.starts_with("$SCENES/"))
                    argument = (scenes / argument.substr(8)).string();
            }
            if (elsewhere)
                arguments.insert(arguments.end(),
                                 {"--engine-process", "\"" QUANTIFIER_ENGINE_PATH "\""});
            // Each expected line is a part of the line printed in its place (from the scene's
            // file name on, it shows the place and the whole message).
            const auto expectLines = [&](const std::string& err,
                                         const std::vector<std::string>& expected) {
                std::vector<std::string> printed;
                std::istringstream lines(err);
                for (std::string line; std::getline(lines, line);)
                    printed.push_back(line);
                ASSERT_EQ(printed.size(), expected.size()) << err;
                for (size_t i = 0; i < expected.size(); ++i)
                    EXPECT_NE(printed[i].find(expected[i]), std::string::npos) << printed[i];
            };
            if (fs::exists(beside(".error"))) {
                std::vector<std::string> expected = ReadLines(beside(".error"));
                ASSERT_GE(expected.size(), 2u) << "status and message";
                const int status = std::stoi(expected[0]);
                expected.erase(expected.begin());
                const std::string saved = Path("saved.orn");
                arguments.insert(arguments.end(), {scene.string(), "--save", saved});
                const RunResult result = Run(arguments);
                EXPECT_EQ(result.exitCode, status);
                EXPECT_EQ(result.out, "");
                expectLines(result.err, expected);
                EXPECT_FALSE(fs::exists(saved));
                EXPECT_FALSE(fs::exists(saved + ".tmp"));
                ++errors;
                continue;
            }
            ASSERT_TRUE(fs::exists(beside(".csv"))) << "a scene needs a .csv or an .error";
            arguments.insert(arguments.end(), {"--format", "csv", scene.string()});
            const RunResult result = Run(arguments);
            EXPECT_EQ(result.exitCode, 0) << result.err;
            EXPECT_EQ(result.out, ReadFile(Utf8(beside(".csv"))));
            expectLines(result.err, ReadLines(beside(".warnings")));
            // Each warning first names the file it is about: the scene, with the line and column,
            // or the loaded stream.
            std::istringstream lines(result.err);
            for (std::string line; std::getline(lines, line);) {
                const auto names = [&](const std::string& file) {
                    return line.starts_with("quantifier-run: warning: " + file + ":");
                };
                EXPECT_TRUE(names(scene.string()) ||
                            std::any_of(arguments.begin(), arguments.end(),
                                        [&](auto& argument) {
                                            return argument.ends_with(".orn") && names(argument);
                                        }))
                    << line;
            }
            ++rows;
        }
    EXPECT_GT(rows, 0);
    EXPECT_GT(errors, 0);
}

}  // namespace
