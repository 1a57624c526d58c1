// Scenes as tests: --check over a folder, --diff between runs, --update written back in place,
// and numbers compared within a tolerance.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "engine/RunError.h"
#include "output/CsvDiff.h"
#include "support/RunnerFixture.h"

namespace fs = std::filesystem;
using namespace quantifier_run;

namespace {

class RunnerCheckTest : public RunnerTest {};

constexpr const char* kCounter = R"({
  "channels": [
    { "name": "low", "type": "float", "value": 0 },
    { "name": "high", "type": "float", "value": 100 },
    { "name": "step", "type": "float", "value": 1 },
    { "name": "count", "type": "quantifier", "operation": "ClampAccumulate",
      "children": ["low", "high", "step"] } ],
  "frames": 3,
  "expect": [ { "frame": 2, "channel": "count", "value": EXPECTED } ]
})";

std::string Counter(const std::string& expected) {
    std::string scene = kCounter;
    return scene.replace(scene.find("EXPECTED"), 8, expected);
}

TEST_F(RunnerCheckTest, AFolderPassesOnlyWhenEveryScenePasses) {
    fs::create_directories(Path("suite/.hidden"));
    WriteFile("suite/good.json", Counter("3"));
    WriteFile("suite/bad.json", Counter("4"));
    WriteFile("suite/.hidden/skipped.json", Counter("5"));
    WriteFile("suite/data.json", R"({"not": "a scene"})");
    const RunResult result = Run({"--check", Path("suite"), "--junit", Path("results.xml")});
    EXPECT_EQ(result.exitCode, kExitDiffers) << result.err;
    EXPECT_NE(result.out.find("FAIL  " + Path("suite/bad.json")), std::string::npos);
    EXPECT_NE(result.out.find("at frame 2 is 3, expected 4"), std::string::npos) << result.out;
    // The first difference comes with the explanation of the channel at that frame.
    EXPECT_NE(result.out.find("\"count\" (quantifier, ClampAccumulate) = 3"), std::string::npos);
    EXPECT_NE(result.out.find("2 scenes: 1 passed, 1 failed"), std::string::npos) << result.out;
    const std::string junit = ReadFile(Path("results.xml"));
    EXPECT_NE(junit.find("tests=\"2\" failures=\"1\""), std::string::npos) << junit;
    EXPECT_EQ(Run({"--check", Path("suite/good.json")}).exitCode, kExitSuccess);
}

TEST_F(RunnerCheckTest, DiffTellsSameFromChangedAndUpdateChangesOnlyTheValue) {
    const std::string scene = WriteFile("counter.json", Counter("4"));
    const RunResult old = Run({"--format", "csv", "--frames", "2", scene});
    const std::string before = WriteFile("before.csv", old.out);
    EXPECT_EQ(Run({"--diff", before, before}).exitCode, kExitSuccess);
    const RunResult changed = Run({"--diff", before, scene});
    EXPECT_EQ(changed.exitCode, kExitDiffers);
    EXPECT_EQ(changed.out, "the old run has 2 frames, the new one 3\n");
    EXPECT_EQ(Run({scene}).exitCode, kExitDiffers);
    EXPECT_EQ(Run({"--update", scene}).exitCode, kExitSuccess);
    EXPECT_EQ(ReadFile(scene), Counter("3"));
    EXPECT_EQ(Run({scene}).exitCode, kExitSuccess);
}

TEST(CsvDiff, NumbersAreTheSameWithinTheirTolerance) {
    struct Case {
        const char* before;
        const char* after;
        Closeness closeness;
        bool same;
    };
    const Case cases[] = {
        {"1", "1", {}, true},
        {"0", "-0", {}, false},
        {"0", "-0", {.tolerance = {}, .ulps = 1}, true},
        {"nan", "nan", {.tolerance = 0.0f, .ulps = {}}, true},
        {"nan", "1", {.tolerance = INFINITY, .ulps = {}}, false},
        {"inf", "inf", {.tolerance = 0.0f, .ulps = {}}, true},
        {"1", "1.0000001", {.tolerance = {}, .ulps = 1}, true},
        {"1", "1.0000002", {.tolerance = {}, .ulps = 1}, false},
        {"1 2", "1.001 2", {.tolerance = 0.01f, .ulps = {}}, true},
        {"1 2", "1.001 2.1", {.tolerance = 0.01f, .ulps = {}}, false},
        {"3e38", "-3e38", {.tolerance = 1e38f, .ulps = {}}, false},
        {"\"a\"", "\"b\"", {.tolerance = 1.0f, .ulps = {}}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.before) + " / " + c.after);
        EXPECT_EQ(SameCell(c.before, c.after, c.closeness), c.same);
    }
}

}  // namespace
