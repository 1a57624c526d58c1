// quantifier-run's command line: the output formats, saving and loading, bad arguments and
// the answers given without a scene.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "OperationTable.h"
#include "app/CommandLine.h"
#include "engine/RunError.h"
#include "support/BuildPaths.h"
#include "support/RunnerFixture.h"

namespace fs = std::filesystem;
using namespace quantifier_run;

namespace {

class RunnerCommandLineTest : public RunnerTest {};

// ---------------------------------------------------------------------------------------------
// Output formats.

TEST_F(RunnerCommandLineTest, FormatsShowTheSameResults) {
    const std::string scene = WriteFile("formats.json", R"({"channels": [
        {"name": "v", "type": "vector", "frames": [[1, 2, 3, "nan"], [-1.5, 0, 0, 0]]},
        {"name": "x", "type": "quantifier", "operation": "VectorX", "children": ["v"]},
        {"name": "s", "type": "text", "value": "a\"b"},
        {"name": "m", "type": "matrix", "value": [[1,0,0,0],[0,1,0,0],[0,0,1,0],["inf",0,0,1]]}],
        "outputs": ["x", "v", "s", "m"]})");
    struct Case {
        std::vector<std::string> arguments;
        bool terminal;
        std::string expected;
    };
    const std::string csv =
        "frame,x,v,s,m\n"
        "0,1,1 2 3 nan,\"a\\u0022b\",1 0 0 0 0 1 0 0 0 0 1 0 inf 0 0 1\n"
        "1,-1.5,-1.5 0 0 0,\"a\\u0022b\",1 0 0 0 0 1 0 0 0 0 1 0 inf 0 0 1\n";
    const std::string table =
        "frame     x           v       s                                  m\n"
        "    0     1   1 2 3 nan  \"a\\\"b\"  1 0 0 0 0 1 0 0 0 0 1 0 inf 0 0 1\n"
        "    1  -1.5  -1.5 0 0 0  \"a\\\"b\"  1 0 0 0 0 1 0 0 0 0 1 0 inf 0 0 1\n";
    const std::string json =
        "{\n  \"outputs\": [\"x\", \"v\", \"s\", \"m\"],\n  \"frames\": [\n"
        "    {\"frame\": 0, \"values\": [1, [1, 2, 3, \"nan\"], \"a\\\"b\", "
        "[[1, 0, 0, 0], [0, 1, 0, 0], [0, 0, 1, 0], [\"inf\", 0, 0, 1]]]},\n"
        "    {\"frame\": 1, \"values\": [-1.5, [-1.5, 0, 0, 0], \"a\\\"b\", "
        "[[1, 0, 0, 0], [0, 1, 0, 0], [0, 0, 1, 0], [\"inf\", 0, 0, 1]]]}\n  ]\n}\n";
    const Case cases[] = {
        {{"--format", "csv"}, true, csv},
        {{"--format", "table"}, false, table},
        {{"--format", "json"}, false, json},
        {{}, false, csv},   // to a file or a pipe
        {{}, true, table},  // to a terminal
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.arguments) + (c.terminal ? " on a terminal" : ""));
        std::vector<std::string> arguments = c.arguments;
        arguments.push_back(scene);
        const RunResult result = Run(arguments, c.terminal);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.out, c.expected);
    }
}

TEST_F(RunnerCommandLineTest, JsonOfNoFramesIsStillADocument) {
    const RunResult result =
        RunScene(R"({"frames": 0, "channels": [{"name": "a", "type": "float"}], "outputs": ["a"]})",
                 {"--format", "json"});
    EXPECT_EQ(result.out, "{\n  \"outputs\": [\"a\"],\n  \"frames\": []\n}\n");
}

// The output file holds the bytes standard output would, in the format its extension names
// unless --format names one; a run long enough to spool its rows to a temporary file copies
// them over whole.
TEST_F(RunnerCommandLineTest, AnOutputFileHoldsWhatStandardOutputWould) {
    const std::string scene = WriteFile("scene.json", R"({"channels": [
        {"name": "v", "type": "vector", "frames": [[1, 2, 3, 4], [5, 6, 7, 8]]},
        {"name": "x", "type": "quantifier", "operation": "VectorX", "children": ["v"]}],
        "outputs": ["x", "v"]})");
    struct Case {
        const char* file;
        std::vector<std::string> arguments;
        std::vector<std::string> sameAs;  // the arguments of the plain run it matches
    };
    const Case cases[] = {
        {"chart.svg", {}, {"--format", "svg"}},
        {"rows.JSON", {}, {"--format", "json"}},
        {"rows.csv", {}, {"--format", "csv"}},
        {"rows.txt", {}, {"--format", "csv"}},
        {"no-extension", {}, {"--format", "csv"}},
        {"table.svg", {"--format", "table"}, {"--format", "table"}},
        // About 14 MiB of rows, more than the spool holds in memory.
        {"long.csv", {"--frames", "600000"}, {"--format", "csv", "--frames", "600000"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        std::vector<std::string> arguments = c.arguments;
        arguments.insert(arguments.end(), {scene, "--output", Path(c.file)});
        const RunResult written = Run(arguments, true);
        EXPECT_EQ(written.exitCode, 0) << written.err;
        EXPECT_EQ(written.out, "");
        std::vector<std::string> plain = c.sameAs;
        plain.push_back(scene);
        const std::string expected = Run(plain).out;
        EXPECT_GT(expected.size(), 20u);
        EXPECT_TRUE(ReadFile(Path(c.file)) == expected);
        fs::remove(Path(c.file));
    }
    EXPECT_EQ(Entries(), std::vector<std::string>{"scene.json"});
}

// ---------------------------------------------------------------------------------------------
// Saving and loading channels.

TEST_F(RunnerCommandLineTest, SavedChannelsAreRestoredByName) {
    const std::string stream = Path("saved.orn");
    // The toggle ends the first run on: state 1.0.
    const RunResult first = RunScene(R"({"frames": 2, "channels": [
        {"name": "v", "type": "vector", "value": [5, 6, 7, 8]},
        {"name": "on", "type": "float", "value": 1},
        {"name": "extra", "type": "float", "value": 4},
        {"name": "q", "type": "quantifier", "operation": "VectorX", "children": ["v", "on"], "storeCurrentValue": true}],
        "actions": [{"frame": 1, "channel": "q", "do": "SetOperationType", "value": "Toggle"}],
        "outputs": ["q"]})",
                                     {"--save", stream, "--format", "csv"});
    ASSERT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(first.out, "frame,q\n0,5\n1,1\n");
    ASSERT_TRUE(fs::exists(stream));

    const std::string second = R"({"frames": 2, "channels": [
        {"name": "on", "type": "float", "value": 1},
        {"name": "q", "type": "quantifier", "operation": "VectorY", "children": ["v", "on"]},
        {"name": "v", "type": "vector", "value": [5, 6, 7, 8]}],
        "outputs": ["q"]})";
    // Unloaded, the second scene reads y; loaded, q is the toggle again and starts from on.
    const RunResult fresh = RunScene(second, {"--format", "csv"});
    EXPECT_EQ(fresh.out, "frame,q\n0,6\n1,6\n");
    const RunResult loaded = RunScene(second, {"--load", stream, "--format", "csv"});
    EXPECT_EQ(loaded.exitCode, 0) << loaded.err;
    EXPECT_EQ(loaded.out, "frame,q\n0,0\n1,1\n");
    // The record of a channel the scene lacks is skipped with a word. The loaded operation
    // leaves one child of q unread, which is said; the scene's, replaced before it runs, is not.
    EXPECT_EQ(LineCount(loaded.err), 2) << loaded.err;
    EXPECT_NE(loaded.err.find("\"extra\""), std::string::npos) << loaded.err;
    EXPECT_NE(loaded.err.find("(Toggle): vector \"v\" is linked but"), std::string::npos)
        << loaded.err;

    // Saving again over the same file replaces it whole, and loading it gives the same.
    const RunResult again =
        RunScene(second, {"--load", stream, "--save", stream, "--format", "csv"});
    EXPECT_EQ(again.exitCode, 0) << again.err;
    const RunResult reloaded =
        RunScene(second, {"--load", stream, "--format", "csv", "--frames", "1"});
    EXPECT_EQ(reloaded.out, "frame,q\n0,0\n");
    EXPECT_FALSE(fs::exists(stream + ".tmp"));
}

// A record's name comes from the stream file; quoted, a line break in it keeps the warning on
// one line.
TEST_F(RunnerCommandLineTest, ARecordNamedWithALineBreakIsWarnedAboutOnOneLine) {
    const std::string stream = Path("saved.orn");
    const RunResult saved =
        RunScene(R"({"channels": [{"name": "two\nlines", "type": "float", "value": 1}]})",
                 {"--save", stream});
    ASSERT_EQ(saved.exitCode, 0) << saved.err;
    const RunResult loaded = RunScene(
        R"({"channels": [{"name": "other", "type": "float", "value": 1}], "outputs": ["other"]})",
        {"--load", stream});
    EXPECT_EQ(loaded.exitCode, 0) << loaded.err;
    EXPECT_EQ(LineCount(loaded.err), 1) << loaded.err;
    EXPECT_NE(loaded.err.find("named \"two\\nlines\", which"), std::string::npos) << loaded.err;
}

// ---------------------------------------------------------------------------------------------
// Bad arguments: one line, the right status, nothing written. Bad scenes are in tests/scenes/.

TEST_F(RunnerCommandLineTest, BadArgumentsAreOneLineAndWriteNothing) {
    const std::string notAStream = WriteFile("not-a-stream.orn", "this is text");
    const std::string folder = Path("folder");
    fs::create_directories(folder);
    const char* ok = R"({"channels": [{"name": "a", "type": "float", "value": 1}]})";
    struct Case {
        const char* name;
        const char* scene;  // null: no scene file is written
        std::vector<std::string> arguments;
        int exitCode;
        std::string message;
    };
    const Case cases[] = {
        {"no scene file",
         nullptr,
         {"absent.json"},
         kExitBadInput,
         "absent.json: cannot open the scene file"},
        {"no scene given", nullptr, {}, kExitBadInput, "no scene given"},
        {"unknown format", ok, {"--format", "xml"}, kExitBadInput, "--format"},
        {"negative frame count", ok, {"--frames", "-1"}, kExitBadInput, "--frames"},
        {"scene path as the frame count",
         nullptr,
         {"--frames", "scene.json"},
         kExitBadInput,
         "--frames needs a whole number from 0 to 2147483647, not \"scene.json\""},
        {"frames given twice",
         ok,
         {"--frames", "3", "--frames", "4"},
         kExitBadInput,
         "--frames is given more than once"},
        {"unknown option", ok, {"--speed", "2"}, kExitBadInput, "--speed"},
        {"plug-in missing", ok, {"--plugin", "absent.so"}, kExitFailure, "cannot load the plug-in"},
        {"plug-in without entry points",
         ok,
         {"--plugin", build_paths::kHostLibrary},
         kExitFailure,
         "has no entry point GetType"},
        {"stream missing",
         ok,
         {"--load", "absent.orn"},
         kExitFailure,
         "cannot load the scene stream (--load): cannot open absent.orn"},
        {"not a stream", ok, {"--load", notAStream}, kExitFailure, "not a scene stream"},
        {"output over the scene",
         ok,
         {"--output", Path("scene.json")},
         kExitBadInput,
         "would replace the scene file being run"},
        {"output over the loaded stream",
         ok,
         {"--load", notAStream, "--output", notAStream},
         kExitBadInput,
         "would replace the scene stream --load reads"},
        {"output over the save",
         ok,
         {"--output", Path("./saved.orn")},
         kExitBadInput,
         "--save and --output both name"},
        {"output to a folder", ok, {"--output", folder}, kExitFailure, "is a directory"},
        {"output without a path", ok, {"--output", ""}, kExitBadInput, "--output needs a path"},
        {"output given twice",
         ok,
         {"--output", "a.csv", "--output", "b.csv"},
         kExitBadInput,
         "--output is given more than once"},
        {"engine process given twice",
         ok,
         {"--engine-process", "a", "--engine-process", "b"},
         kExitBadInput,
         "--engine-process is given more than once; give it once"},
        {"watch with a save",
         ok,
         {"--watch"},
         kExitBadInput,
         "--save cannot be given with --watch"},
        {"watch of standard input",
         nullptr,
         {"-", "--watch"},
         kExitBadInput,
         "--watch follows a scene file, not standard input"},
        {"serve with a save",
         ok,
         {"--serve"},
         kExitBadInput,
         "--save cannot be given with --serve"},
        {"focus drawn as rows",
         ok,
         {"--focus", "a"},
         kExitBadInput,
         "--focus needs --format graph or dot"},
        {"focus and the whole",
         ok,
         {"--format", "dot", "--focus", "a", "--whole"},
         kExitBadInput,
         "--focus and --whole cannot be given together"},
        {"depth alone", ok, {"--depth", "1"}, kExitBadInput, "--depth needs --explain or --focus"},
        {"serve on a port past the last",
         ok,
         {"--serve", "65536"},
         kExitBadInput,
         "--serve needs a port from 0 to 65535, not 65536"},
        {"serve on a port that is not decimal",
         ok,
         {"--serve", "0x50"},
         kExitBadInput,
         "--serve needs a port from 0 to 65535, not \"0x50\""},
        {"junit without check", ok, {"--junit", "r.xml"}, kExitBadInput, "--junit needs --check"},
        {"check with no scene at a time",
         nullptr,
         {"--check", folder, "--jobs", "0"},
         kExitBadInput,
         "--jobs needs 1 or more scenes at a time"},
        {"check with a save",
         nullptr,
         {"--check", folder},
         kExitBadInput,
         "--save cannot be given with --check"},
        {"expect with a save",
         ok,
         {"--expect", notAStream},
         kExitBadInput,
         "--save cannot be given with --expect, --diff or --update"},
        {"tolerance below zero",
         ok,
         {"--diff", notAStream, "--tolerance", "-1"},
         kExitBadInput,
         "--tolerance needs a number 0 or above, not \"-1\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string saved = Path("saved.orn");
        std::vector<std::string> arguments = c.arguments;
        if (c.scene != nullptr) arguments.push_back(WriteFile("scene.json", c.scene));
        arguments.push_back("--save");
        arguments.push_back(saved);
        const RunResult result = Run(arguments);
        EXPECT_EQ(result.exitCode, c.exitCode);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(LineCount(result.err), 1) << result.err;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
        EXPECT_FALSE(fs::exists(saved));
        EXPECT_FALSE(fs::exists(saved + ".tmp"));
    }
}

// The port of --serve is optional, so the option may take the scene that follows it for its
// value: a value that is not a decimal number is the scene.
TEST_F(RunnerCommandLineTest, ServeTakesAPortOnlyWhenItIsANumber) {
    struct Case {
        std::vector<std::string> arguments;
        uint16_t port;
        std::string scene;
    };
    const Case cases[] = {
        {{"--serve", "scene.json"}, 0, "scene.json"},
        {{"scene.json", "--serve"}, 0, "scene.json"},
        {{"--serve", "8080", "scene.json"}, 8080, "scene.json"},
        {{"--serve=0", "scene.json"}, 0, "scene.json"},
        {{"--frames", "3", "--serve", "7"}, 7, ""},  // no scene: refused, below
        {{"--serve", "65535", "1234"}, 65535, "1234"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.arguments));
        if (c.scene.empty()) {
            EXPECT_THROW(ParseCommandLine(c.arguments), RunError);
            continue;
        }
        const auto parsed = ParseCommandLine(c.arguments);
        const Options& options = std::get<Options>(parsed);
        EXPECT_EQ(options.serve, c.port);
        EXPECT_EQ(options.scenePath, c.scene);
    }
}

TEST_F(RunnerCommandLineTest, AFailedSaveLeavesTheOldFileAndPrintsNothing) {
    const std::string blocked = Path("folder");
    fs::create_directories(blocked);
    const RunResult result = RunScene(
        R"({"channels": [{"name": "a", "type": "float", "value": 1}]})", {"--save", blocked});
    EXPECT_EQ(result.exitCode, kExitFailure);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find("cannot save the scene"), std::string::npos) << result.err;
    EXPECT_TRUE(fs::is_directory(blocked));
}

// ---------------------------------------------------------------------------------------------
// Answers without a scene.

TEST_F(RunnerCommandLineTest, ListsEveryOperationWithItsChildren) {
    const RunResult result = Run({"--list-operations"});
    EXPECT_EQ(result.exitCode, 0);
    std::istringstream lines(result.out);
    std::string line;
    int number = 0;
    for (; std::getline(lines, line); ++number) {
        SCOPED_TRACE(line);
        ASSERT_LT(number, kOperationCount);
        std::istringstream words(line);
        int listed = -1;
        std::string name;
        words >> listed >> name;
        EXPECT_EQ(listed, number);
        EXPECT_EQ(name, kOperations[static_cast<size_t>(number)].name);
    }
    EXPECT_EQ(number, kOperationCount);
    for (const char* expected :
         {"WrapAccumulate          float 0 (min), float 1 (max), float 2 (step)\n",
          "Clamp                   float 0 (lower), float 1 (value), float 2 (upper)\n",
          "TextFind                text 0 (pattern), text 1 (text)\n",
          "PublicCallFloat         internal 0 (call)\n", "CameraInvalidateCount   none\n",
          "HexTextToFloatChild     text 0 (hex text), float 0 (target)\n"}) {
        EXPECT_NE(result.out.find(expected), std::string::npos) << expected;
    }
}

TEST_F(RunnerCommandLineTest, HelpAndVersionAnswerAndSucceed) {
    const RunResult help = Run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("--list-operations"), std::string::npos);
    EXPECT_EQ(help.err, "");
    const RunResult version = Run({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.rfind("quantifier-run ", 0), 0u) << version.out;
}

}  // namespace
