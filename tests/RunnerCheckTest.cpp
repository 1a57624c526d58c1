// Scenes as tests: --check over a folder, --diff between runs, --update written back in place,
// and numbers compared within a tolerance.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>

#include "app/Run.h"
#include "app/SceneUpdate.h"
#include "engine/RunError.h"
#include "output/CsvDiff.h"
#include "support/BuildPaths.h"
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
  "outputs": ["count", "step", "low", "high"],
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
    WriteFile("suite/gone.error", "2\n");
    const RunResult result = Run({"--check", Path("suite"), "--junit", Path("results.xml")});
    EXPECT_EQ(result.exitCode, kExitDiffers) << result.err;
    // A scene found in a folder is named in the system's own spelling of its path.
    const auto failed = [&result](const std::string& name) {
        std::istringstream lines(result.out);
        for (std::string line; std::getline(lines, line);)
            if (line.starts_with("FAIL  ") && line.find(name) != std::string::npos) return true;
        return false;
    };
    EXPECT_TRUE(failed("bad.json")) << result.out;
    EXPECT_NE(result.out.find("at frame 2 is 3, expected 4"), std::string::npos) << result.out;
    // The first difference comes with the explanation of the channel at that frame.
    EXPECT_NE(result.out.find("\"count\" (quantifier, ClampAccumulate) = 3"), std::string::npos);
    EXPECT_TRUE(failed("gone.error")) << result.out;
    EXPECT_NE(result.out.find("3 scenes: 1 passed, 2 failed"), std::string::npos) << result.out;
    const std::string junit = ReadFile(Path("results.xml"));
    EXPECT_NE(junit.find("tests=\"3\" failures=\"2\""), std::string::npos) << junit;
    EXPECT_EQ(Run({"--check", Path("suite/good.json")}).exitCode, kExitSuccess);
    fs::create_directories(Path("empty"));
    EXPECT_EQ(Run({"--check", Path("empty")}).exitCode, kExitBadInput);
    // Golden rows are a scene's whole expected output: a warning no .warnings file names fails.
    std::string warns = Counter("3");
    warns.insert(warns.find('[') + 1, R"({ "name": "spare", "type": "float", "value": 0 },)");
    fs::create_directories(Path("warns"));
    WriteFile("warns/spare.json", warns);
    WriteFile("warns/spare.csv", Run({"--format", "csv", Path("warns/spare.json")}).out);
    const RunResult warned = Run({"--check", Path("warns")});
    EXPECT_EQ(warned.exitCode, kExitDiffers) << warned.out << warned.err;
    EXPECT_NE(warned.out.find("it warns, and no .warnings file"), std::string::npos) << warned.out;
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

// A golden file that differs is told column by column, the first explained with the children
// whose values differ in both runs, so that it shows where the difference came in.
TEST_F(RunnerCheckTest, AGoldenFileThatDiffersShowsWhereTheDifferenceCameIn) {
    const std::string scene = WriteFile("counter.json", Counter("3"));
    const RunResult run = Run({"--format", "csv", "--frames", "3", scene});
    std::string changed = run.out;
    changed.replace(changed.find("\n1,2,1,0,100\n"), 13, "\n1,3,2,0,100\n");
    const std::string golden = WriteFile("golden.csv", changed);
    const RunResult held = Run({"--expect", golden, scene});
    EXPECT_EQ(held.exitCode, kExitDiffers);
    EXPECT_NE(held.err.find("\"count\": from frame 1, 1 frame differs, by at most 1 (3 before, 2 "
                            "now)"),
              std::string::npos)
        << held.err;
    EXPECT_NE(held.err.find("\"count\" (quantifier, ClampAccumulate) = 2"), std::string::npos);
    EXPECT_NE(held.err.find("child \"step\" differs too at frame 1: 2 before, 1 now"),
              std::string::npos);
    EXPECT_EQ(Run({"--expect", golden, "--tolerance", "2", scene}).exitCode, kExitSuccess);
    EXPECT_EQ(Run({"--expect", golden, "--update", scene}).exitCode, kExitSuccess);
    EXPECT_EQ(ReadFile(golden), run.out);
}

// The live page shows what a save leaves unmet beside the warnings, and the run goes on.
TEST_F(RunnerCheckTest, AServedRunTellsUnmetExpectationsAmongItsWarnings) {
    Options options;
    options.scenePath = WriteFile("counter.json", Counter("4"));
    options.pluginPath = build_paths::kPlugin;
    std::ostringstream err;
    RunSettings settings{options, false, err, false, {}};
    settings.expectations = ExpectationsGo::Warnings;
    const RunOutput output = quantifier_run::Run(settings);
    ASSERT_EQ(output.warnings.size(), 1u);
    EXPECT_NE(output.warnings[0].find("expect[0]: channel \"count\" at frame 2 is 3, expected 4"),
              std::string::npos)
        << output.warnings[0];
    EXPECT_EQ(err.str(), "");
}

TEST(CsvDiff, ColumnsAreMatchedByNameAndEachDifferenceCounted) {
    const CsvRows before = ReadCsvRows("frame,a,b,a\n0,1,\"x\",5\n1,2,\"y\",6\n", "old");
    const CsvRows after = ReadCsvRows("frame,c,a,a,b\n0,0,1,5,\"x\"\n1,0,4,9,\"z\"\n", "new");
    EXPECT_EQ(DiffLines(DiffRows(before, after, {})),
              (std::vector<std::string>{
                  "\"a\": from frame 1, 1 frame differs, by at most 2 (2 before, 4 now)",
                  "\"a\": from frame 1, 1 frame differs, by at most 3 (6 before, 9 now)",
                  "\"b\": from frame 1, 1 frame differs (\"y\" before, \"z\" now)",
                  "\"c\": only in the new run"}));
    EXPECT_THROW(ReadCsvRows("frame,a\n0,1\n2,1\n", "old"), RunError);
    EXPECT_THROW(ReadCsvRows("time,a\n", "old"), RunError);
}

// --update replaces a value where it stands, whatever it holds, and no more of the file.
TEST(SceneUpdate, AValueEndsWhereItsJsonEnds) {
    const std::string text = R"([1.5, "a,\"]", [[1, 2], [3]], {"k": [1]}, -2e3])";
    size_t start = 1;
    for (const char* value : {"1.5", R"("a,\"]")", "[[1, 2], [3]]", R"({"k": [1]})", "-2e3"}) {
        const size_t end = JsonValueEnd(text, start);
        EXPECT_EQ(text.substr(start, end - start), value);
        start = end + 2;
    }
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
