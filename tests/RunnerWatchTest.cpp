// quantifier-run --watch: the scene run again after each save, as editors save, with the last
// good output kept through a failed run. The watch's waits are the test's own, so each case
// takes no longer than its runs.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "app/Watch.h"
#include "engine/RunError.h"
#include "support/BuildPaths.h"
#include "support/RunnerFixture.h"

namespace fs = std::filesystem;
using namespace quantifier_run;

namespace {

class RunnerWatchTest : public RunnerFixture {
protected:
    static std::string FloatScene(const std::string& value) {
        return R"({"channels": [{"name": "a", "type": "float", "value": )" + value +
               R"(}], "outputs": ["a"]})";
    }

    // A stream that restores q with the operation `operation`, made by a plain run of another
    // scene.
    void SaveStream(const std::string& stream, const std::string& operation) const {
        const std::string maker =
            WriteFile("maker.json", R"({"channels": [
            {"name": "v", "type": "vector", "value": [5, 6, 7, 8]},
            {"name": "q", "type": "quantifier", "operation": ")" +
                                        operation + R"(", "children": ["v"]}]})");
        ASSERT_EQ(Run({maker, "--save", stream}).exitCode, 0);
        fs::remove(maker);
    }

    // As an editor saves: a new file renamed over the old one. It is given the old one's time,
    // so that only the identity tells them apart when the sizes agree.
    void ReplaceByRename(const std::string& name, const std::string& bytes) const {
        const fs::path replacement = FsPath(WriteFile(name + ".new", bytes));
        fs::last_write_time(replacement, fs::last_write_time(FsPath(Path(name))));
        fs::rename(replacement, FsPath(Path(name)));
    }
};

// Each step is an edit made after a run and what the run it causes leaves in the output file
// and says on its status line.
struct Step {
    const char* what;
    std::function<void()> edit;
    std::string output;                        // the output file after the next run
    std::string status;                        // in the next run's status line
    std::function<void()> whenGone = nullptr;  // done once the watch says the scene is gone
    bool keepsSaving = false;  // the scene is saved again at every wait until the next run
    int linesBefore = 0;       // lines the next run tells before its status (unmet expectations)
};

TEST_F(RunnerWatchTest, EverySaveRunsTheSceneAgainAndAFailedRunKeepsTheLastOutput) {
    std::string sceneName;
    std::string scene;
    const std::string stream = Path("saved.orn");
    const std::string output = Path("out.csv");
    const std::string loading = R"({"channels": [
        {"name": "v", "type": "vector", "value": [5, 6, 7, 8]},
        {"name": "q", "type": "quantifier", "operation": "VectorY", "children": ["v"]}],
        "outputs": ["q"]})";
    const auto expecting = [](const std::string& value) {
        return R"({"channels": [{"name": "a", "type": "float", "value": )" + value +
               R"(}], "outputs": ["a"], "expect": [{"frame": 0, "channel": "a", "value": 1}]})";
    };
    struct Case {
        const char* name;
        std::string scene;
        std::vector<std::string> arguments;
        std::string firstOutput;
        std::vector<Step> steps;
        int lastExitCode = 0;  // the watch's, when it ends after the last step's run
        std::string sceneName = "scene.json";
    };
    const Case cases[] = {
        {"changed in place",
         FloatScene("1"),
         {},
         "frame,a\n0,1\n",
         {{"a longer value", [&] { WriteFile("scene.json", FloatScene("2.5")); },
           "frame,a\n0,2.5\n", "ran 1 frame in"},
          {"a shorter one", [&] { WriteFile("scene.json", FloatScene("3")); }, "frame,a\n0,3\n",
           "ran 1 frame in"}}},
        {"replaced by rename",
         FloatScene("1"),
         {},
         "frame,a\n0,1\n",
         {{"renamed over", [&] { ReplaceByRename("scene.json", FloatScene("4")); },
           "frame,a\n0,4\n", "ran 1 frame in"}}},
        {"broken, then mended",
         FloatScene("1"),
         {},
         "frame,a\n0,1\n",
         {{"half typed", [&] { WriteFile("scene.json", R"({"channels": [{"name": )"); },
           "frame,a\n0,1\n", "scene.json:1:"},
          {"mended", [&] { WriteFile("scene.json", FloatScene("5")); }, "frame,a\n0,5\n",
           "ran 1 frame in"}}},
        {"saved again and again",
         FloatScene("1"),
         {},
         "frame,a\n0,1\n",
         {{"saved every wait", [&] { WriteFile("scene.json", FloatScene("7")); }, "frame,a\n0,7\n",
           "ran 1 frame in", nullptr, true}}},
        {"deleted, then back",
         FloatScene("1"),
         {},
         "frame,a\n0,1\n",
         {{"deleted", [&] { fs::remove(FsPath(scene)); }, "frame,a\n0,6\n", "ran 1 frame in",
           [&] { WriteFile(sceneName, FloatScene("6")); }}}},
        {"deleted, then back, named with a line break and an escape",
         FloatScene("1"),
         {},
         "frame,a\n0,1\n",
         {{"deleted", [&] { fs::remove(FsPath(scene)); }, "frame,a\n0,6\n", "ran 1 frame in",
           [&] { WriteFile(sceneName, FloatScene("6")); }}},
         0,
         "new\nline\x1b[31m.json"},
        {"an expectation not met, then met",
         expecting("1"),
         {},
         "frame,a\n0,1\n",
         {{"unmet", [&] { WriteFile("scene.json", expecting("2")); }, "frame,a\n0,1\n",
           "the scene's expectation is not met", nullptr, false, 1},
          {"met", [&] { WriteFile("scene.json", expecting("1.0")); }, "frame,a\n0,1\n",
           "ran 1 frame in"}}},
        {"the loaded stream changed",
         loading,
         {"--load", stream},
         "frame,q\n0,5\n",
         {{"saved again", [&] { SaveStream(stream, "VectorZ"); }, "frame,q\n0,7\n",
           "ran 1 frame in"},
          {"damaged", [&] { WriteFile("saved.orn", "ORNS damaged"); }, "frame,q\n0,7\n",
           "saved.orn"}},
         kExitFailure},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.sceneName.find('\x1b') != std::string::npos && !FileNamesMayHoldControls()) continue;
        sceneName = c.sceneName;
        scene = WriteFile(sceneName, c.scene);
        SaveStream(stream, "VectorX");
        std::vector<std::string> arguments = c.arguments;
        arguments.insert(arguments.end(),
                         {scene, "--watch", "--output", output, "--plugin", build_paths::kPlugin});
        std::ostringstream out, err;
        std::vector<std::string> outputs, statuses;
        size_t waits = 0;
        WatchControl control;
        control.maxRuns = c.steps.size() + 1;
        control.sleep = [&](std::chrono::milliseconds) {
            ++waits;
            const Step* step = outputs.size() <= c.steps.size() && !outputs.empty()
                                   ? &c.steps[outputs.size() - 1]
                                   : nullptr;
            // Sizes that alternate, so that every save is a change.
            if (step && step->keepsSaving)
                WriteFile(sceneName, FloatScene(waits % 2 == 0 ? "7" : "7.0"));
            if (step && step->whenGone && err.str().find("is gone") != std::string::npos &&
                !fs::exists(FsPath(scene)))
                step->whenGone();
        };
        control.afterRun = [&](size_t run) {
            outputs.push_back(ReadFile(output));
            std::string line = err.str();
            line.pop_back();
            statuses.push_back(line.substr(line.rfind('\n') + 1));
            if (run <= c.steps.size()) c.steps[run - 1].edit();
        };
        // A change the watch misses would otherwise wait for ever.
        control.stopRequested = [&] { return waits > 1000; };
        const int exitCode = RunQuantifierTool(arguments, out, err, false, false, &control);

        ASSERT_EQ(outputs.size(), c.steps.size() + 1) << err.str();
        EXPECT_EQ(out.str(), "");
        EXPECT_EQ(outputs[0], c.firstOutput);
        EXPECT_NE(statuses[0].find("ran 1 frame in "), std::string::npos) << statuses[0];
        for (size_t i = 0; i < c.steps.size(); ++i) {
            SCOPED_TRACE(c.steps[i].what);
            EXPECT_EQ(outputs[i + 1], c.steps[i].output);
            EXPECT_NE(statuses[i + 1].find(c.steps[i].status), std::string::npos)
                << statuses[i + 1];
        }
        // One line a run, and one for a scene that went away.
        const bool gone = c.steps.back().whenGone != nullptr;
        int before = 0;
        for (const Step& step : c.steps)
            before += step.linesBefore;
        EXPECT_EQ(LineCount(err.str()), static_cast<int>(outputs.size()) + (gone ? 1 : 0) + before)
            << err.str();
        EXPECT_EQ(err.str().find('\x1b'), std::string::npos) << err.str();
        // The last run says how it ended, as a plain run of the same files would.
        EXPECT_EQ(exitCode, c.lastExitCode);
        const std::vector<std::string> left = Entries();
        for (const std::string& entry : left)
            EXPECT_TRUE(entry == sceneName || entry == "saved.orn" || entry == "out.csv") << entry;
        fs::remove(FsPath(output));
        fs::remove(FsPath(scene));
    }
}

}  // namespace
