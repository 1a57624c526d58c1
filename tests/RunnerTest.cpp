// quantifier-run end to end: scenes in, CSV (or table, JSON) out, through the plug-in loaded
// by file like the engine loads it; bad input gives one line, an exit status and no output.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "Kch_TextChannel.h"
#include "OperationTable.h"
#include "Orn_ChannelInternal.h"
#include "Orn_Engine.h"
#include "Orn_Guids.h"
#include "Plugin.h"
#include "RunError.h"
#include "Runner.h"
#include "SceneBuilder.h"
#include "SceneParser.h"

namespace fs = std::filesystem;
using namespace quantifier_run;

namespace {

struct RunResult {
    int exitCode;
    std::string out;
    std::string err;
};

class RunnerTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device random;
        folder = fs::temp_directory_path() / ("quantifier-run-test-" + std::to_string(random()));
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

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
        const int code = RunQuantifierTool(arguments, out, err, terminal);
        return {code, out.str(), err.str()};
    }

    RunResult RunScene(const std::string& scene, std::vector<std::string> arguments = {}) const {
        arguments.insert(arguments.begin(), WriteFile("scene.json", scene));
        return Run(arguments);
    }

    fs::path folder;
};

int LineCount(const std::string& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

// ---------------------------------------------------------------------------------------------
// Scenes and the rows they give.

TEST_F(RunnerTest, ScenesGiveTheirRows) {
    struct Case {
        const char* name;
        const char* scene;
        std::vector<std::string> arguments;
        const char* csv;
    };
    const Case cases[] = {
        {"per-frame vector, actions before the outputs, operation switched by number",
         R"({"frames": 4,
             "channels": [
               {"name": "a", "type": "vector", "value": [1, 2, 3, 100]},
               {"name": "b", "type": "vector", "frames": [[4, 5, 6, -7], [1, 1, 1, 1]]},
               {"name": "q", "type": "quantifier", "operation": "VectorDot", "children": ["a", "b"]}],
             "actions": [{"frame": 2, "channel": "q", "do": "CallChannel"},
                         {"frame": 3, "channel": "q", "do": "SetOperationType", "value": 5}],
             "outputs": ["q", "b"]})",
         {},
         "frame,q,b\n0,32,4 5 6 -7\n1,6,1 1 1 1\n2,6,1 1 1 1\n3,2.236068,1 1 1 1\n"},
        {"every vector operation, children counted per interface",
         R"({"channels": [
               {"name": "p", "type": "vector", "value": [1, 1, 1, 0]},
               {"name": "r", "type": "vector", "value": [4, 5, 1, 1]},
               {"name": "l", "type": "vector", "value": [2, 3, 6, 1]},
               {"name": "e1", "type": "vector", "value": [1, 2, 3, 0]},
               {"name": "e2", "type": "vector", "value": [1.00005, 2, 3, 7]},
               {"name": "o", "type": "vector", "value": [1, 0, 0, 0]},
               {"name": "o2", "type": "vector", "value": [1.0001, 0, 0, 0]},
               {"name": "f", "type": "float", "value": 3},
               {"name": "distance", "type": "quantifier", "operation": 5, "children": ["p", "r"]},
               {"name": "swapped", "type": "quantifier", "operation": "VectorDistance", "children": ["r", "p"]},
               {"name": "squared", "type": "quantifier", "operation": "VectorDistanceSquared", "children": ["p", "r"]},
               {"name": "length", "type": "quantifier", "operation": "VectorLength", "children": ["l"]},
               {"name": "y", "type": "quantifier", "operation": "VectorY", "children": ["f", "l"]},
               {"name": "w", "type": "quantifier", "operation": "VectorW", "children": ["r"]},
               {"name": "near", "type": "quantifier", "operation": "VectorEqual", "children": ["e1", "e2"]},
               {"name": "far", "type": "quantifier", "operation": "VectorEqual", "children": ["o", "o2"]},
               {"name": "lonely", "type": "quantifier", "operation": "VectorDot", "children": ["p"]},
               {"name": "floatOnly", "type": "quantifier", "operation": "VectorX", "children": ["f"]}]})",
         {},
         "frame,distance,swapped,squared,length,y,w,near,far,lonely,floatOnly\n0,5,5,25,7,3,1,1,0,"
         "0,0\n"},
        {"a channel listed twice shows the render's cached value",
         R"({"frames": 4,
             "channels": [
               {"name": "on", "type": "float", "value": 1},
               {"name": "t", "type": "quantifier", "operation": "Toggle", "children": ["on"]}],
             "outputs": ["t", "t"]})",
         {},
         "frame,t,t\n0,1,1\n1,0,0\n2,1,1\n3,0,0\n"},
        {"CallChannel flips a toggle without evaluating it",
         R"({"channels": [
               {"name": "trigger", "type": "float", "frames": [0, 0, 1, 0, 0, 0]},
               {"name": "t", "type": "quantifier", "operation": 18, "children": ["trigger"]}],
             "actions": [{"frame": 1, "channel": "t", "do": "CallChannel"},
                         {"frame": 3, "channel": "t", "do": "CallChannel"},
                         {"frame": 3, "channel": "t", "do": "CallChannel"},
                         {"frame": 4, "channel": "t", "do": "CallChannel"}],
             "outputs": ["t"]})",
         {},
         "frame,t\n0,0\n1,1\n2,0\n3,0\n4,1\n5,1\n"},
        {"a quantifier read by another is evaluated by that read",
         R"({"frames": 5,
             "channels": [
               {"name": "outer", "type": "quantifier", "operation": "Toggle", "children": ["inner"]},
               {"name": "inner", "type": "quantifier", "operation": "Toggle", "children": ["on"]},
               {"name": "on", "type": "float", "value": 1}],
             "outputs": ["outer", "inner"]})",
         {},
         "frame,outer,inner\n0,1,1\n1,1,0\n2,0,1\n3,0,0\n4,1,1\n"},
        {"a cycle reads the value its member had at the start of the render",
         R"({"frames": 3,
             "channels": [{"name": "c", "type": "quantifier", "operation": "Toggle", "children": ["c"], "value": 1}],
             "outputs": ["c"]})",
         {},
         "frame,c\n0,1\n1,0\n2,0\n"},
        {"numbers outside 0..44 evaluate to 0 and are stored as given",
         R"({"frames": 4,
             "channels": [
               {"name": "v", "type": "vector", "value": [7, 8, 9, 10]},
               {"name": "q", "type": "quantifier", "operation": 45, "children": ["v"]},
               {"name": "n", "type": "quantifier", "operation": -1, "children": ["v"]},
               {"name": "w", "type": "quantifier", "operation": "VectorW", "children": ["v"]}],
             "actions": [{"frame": 1, "channel": "q", "do": "SetOperationType", "value": "VectorY"},
                         {"frame": 2, "channel": "q", "do": "SetOperationType", "value": 1000},
                         {"frame": 3, "channel": "n", "do": "SetOperationType", "value": 3}],
             "outputs": ["q", "n", "w"]})",
         {},
         "frame,q,n,w\n0,0,0,10\n1,8,0,10\n2,0,0,10\n3,0,9,10\n"},
        {"numbers are rounded once to float and printed to read back the same",
         R"({"channels": [{"name": "x", "type": "float", "frames": [
               0.1, -0, -0.0, "nan", "inf", "-inf", 16777217, 1e-45, 3.4028235e38, 3.40282356e38,
               1.00000005960464477539062500001, 0.0025, 123456789, -7]}], "outputs": ["x"]})",
         {"--frames", "14"},
         "frame,x\n0,0.1\n1,-0\n2,-0\n3,nan\n4,inf\n5,-inf\n6,16777216\n7,1e-45\n8,3.4028235e+"
         "38\n9,3.4028235e+38\n"
         "10,1.0000001\n11,0.0025\n12,123456792\n13,-7\n"},
        {"components pass through an operation unchanged, -0 and NaN included",
         R"({"channels": [
               {"name": "v", "type": "vector", "frames": [[-0, 0, 0, "nan"], ["nan", 0, 0, -0.0]]},
               {"name": "x", "type": "quantifier", "operation": "VectorX", "children": ["v"]},
               {"name": "w", "type": "quantifier", "operation": "VectorW", "children": ["v"]}]})",
         {},
         "frame,x,w\n0,-0,nan\n1,nan,-0\n"},
        {"the last listed value holds; --frames runs longer or shorter",
         R"({"channels": [{"name": "f", "type": "float", "frames": [1, 2, 3]},
                          {"name": "c", "type": "float", "value": 9}], "outputs": ["f", "c"]})",
         {"--frames", "5"},
         "frame,f,c\n0,1,9\n1,2,9\n2,3,9\n3,3,9\n4,3,9\n"},
        {"--frames 1",
         R"({"channels": [{"name": "f", "type": "float", "frames": [1, 2, 3]}], "outputs": ["f"]})",
         {"--frames", "1"},
         "frame,f\n0,1\n"},
        {"without a count, a scene runs to its last listed value or action",
         R"({"channels": [{"name": "f", "type": "float", "frames": [1, 2]}],
             "actions": [{"frame": 3, "channel": "f", "do": "CallChannel"}], "outputs": ["f"]})",
         {},
         "frame,f\n0,1\n1,2\n2,2\n3,2\n"},
        {"zero frames give the header alone",
         R"({"frames": 0, "channels": [], "outputs": []})",
         {},
         "frame\n"},
        {"texts are JSON strings; CSV writes a double quote as \\u0022",
         R"({"channels": [
               {"name": "plain", "type": "text", "value": "banana"},
               {"name": "quoted", "type": "text", "value": "say \"hi\",\\ \n"},
               {"name": "latin", "type": "text", "bytes": [233, 65]},
               {"name": "utf8", "type": "text", "value": "\u00e9"},
               {"name": "wide", "type": "text", "wide": true, "value": "\u00e9\u20ac"},
               {"name": "lone", "type": "text", "units": [55296, 65]},
               {"name": "pair", "type": "text", "units": [55357, 56832]},
               {"name": "cut", "type": "text", "bytes": [97, 0, 98]},
               {"name": "none", "type": "text", "value": null},
               {"name": "empty", "type": "text", "frames": ["", {"units": [122]}, {"bytes": [10]}]}],
             "outputs": ["plain", "quoted", "latin", "utf8", "wide", "lone", "pair", "cut", "none", "empty"]})",
         {},
         "frame,plain,quoted,latin,utf8,wide,lone,pair,cut,none,empty\n"
         "0,\"banana\",\"say \\u0022hi\\u0022,\\\\ "
         "\\n\",\"\\u00e9A\",\"\xC3\xA9\",\"\xC3\xA9\xE2\x82\xAC\","
         "\"\\ud800A\",\"\xF0\x9F\x98\x80\",\"a\",,\"\"\n"
         "1,\"banana\",\"say \\u0022hi\\u0022,\\\\ "
         "\\n\",\"\\u00e9A\",\"\xC3\xA9\",\"\xC3\xA9\xE2\x82\xAC\","
         "\"\\ud800A\",\"\xF0\x9F\x98\x80\",\"a\",,\"z\"\n"
         "2,\"banana\",\"say \\u0022hi\\u0022,\\\\ "
         "\\n\",\"\\u00e9A\",\"\xC3\xA9\",\"\xC3\xA9\xE2\x82\xAC\","
         "\"\\ud800A\",\"\xF0\x9F\x98\x80\",\"a\",,\"\\n\"\n"},
        {"the other child kinds show their values",
         R"({"channels": [
               {"name": "u", "type": "unsigned", "value": 4294967295},
               {"name": "a", "type": "matchA", "value": -5},
               {"name": "b", "type": "matchB", "frames": [7, -2147483648]},
               {"name": "m", "type": "matrix", "value": [[1, 0, 0, 0], [0, 1, 0, 0], [0, 0, 1, 0], [3, 4, 0, 1]]},
               {"name": "inside", "type": "object", "innerObject": [[1,0,0,0],[0,1,0,0],[0,0,1,0],[1,1,1,1]],
                "region": {"min": [0, 0, 0], "max": [2, 2, 2]}},
               {"name": "empty", "type": "object", "innerObject": false,
                "region": {"min": [-1, -1, -1], "max": [1, 1, 1]}}],
             "outputs": ["u", "a", "b", "m", "inside", "empty"]})",
         {},
         "frame,u,a,b,m,inside,empty\n0,4294967295,-5,7,1 0 0 0 0 1 0 0 0 0 1 0 3 4 0 1,1,0\n"
         "1,4294967295,-5,-2147483648,1 0 0 0 0 1 0 0 0 0 1 0 3 4 0 1,1,0\n"},
        {"header names that need quoting",
         R"({"channels": [{"name": "a,b", "type": "float", "value": 1}, {"name": "say \"x\"", "type": "float", "value": 2}],
             "outputs": ["a,b", "say \"x\""]})",
         {},
         "frame,\"a,b\",\"say \"\"x\"\"\"\n0,1,2\n"},
        {"without outputs, every quantifier in listed order",
         R"({"channels": [{"name": "v", "type": "vector", "value": [1, 2, 3, 4]},
                          {"name": "z", "type": "quantifier", "operation": "VectorZ", "children": ["v"]},
                          {"name": "x", "type": "quantifier", "operation": "VectorX", "children": ["v"]}]})",
         {},
         "frame,z,x\n0,3,1\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> arguments = c.arguments;
        arguments.push_back("--format");
        arguments.push_back("csv");
        const RunResult result = RunScene(c.scene, arguments);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.out, c.csv);
    }
}

TEST_F(RunnerTest, OperationsOutsideTheTableAreWarnedAboutButRun) {
    const RunResult result = RunScene(R"({"channels": [
        {"name": "q", "type": "quantifier", "operation": 45},
        {"name": "n", "type": "quantifier", "operation": -2147483648}],
        "actions": [{"frame": 0, "channel": "q", "do": "SetOperationType", "value": 1000},
                    {"frame": 7, "channel": "q", "do": "CallChannel"}]})",
                                      {"--frames", "1"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "frame,q,n\n0,0,0\n");
    EXPECT_EQ(LineCount(result.err), 4) << result.err;
    for (const char* expected :
         {"operation 45 is outside 0..44", "operation -2147483648 is outside",
          "operation 1000 is outside", "frame 7 comes after the last frame"}) {
        EXPECT_NE(result.err.find(expected), std::string::npos) << expected;
    }
}

// ---------------------------------------------------------------------------------------------
// Output formats.

TEST_F(RunnerTest, FormatsShowTheSameResults) {
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

TEST_F(RunnerTest, JsonOfNoFramesIsStillADocument) {
    const RunResult result =
        RunScene(R"({"frames": 0, "channels": [{"name": "a", "type": "float"}], "outputs": ["a"]})",
                 {"--format", "json"});
    EXPECT_EQ(result.out, "{\n  \"outputs\": [\"a\"],\n  \"frames\": []\n}\n");
}

// ---------------------------------------------------------------------------------------------
// Saving and loading channels.

TEST_F(RunnerTest, SavedChannelsAreRestoredByName) {
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
    // The record of a channel the scene lacks is skipped with a word.
    EXPECT_EQ(LineCount(loaded.err), 1);
    EXPECT_NE(loaded.err.find("\"extra\""), std::string::npos) << loaded.err;

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
TEST_F(RunnerTest, ARecordNamedWithALineBreakIsWarnedAboutOnOneLine) {
    const std::string stream = Path("saved.orn");
    const RunResult saved =
        RunScene(R"({"channels": [{"name": "two\nlines", "type": "float", "value": 1}]})",
                 {"--save", stream});
    ASSERT_EQ(saved.exitCode, 0) << saved.err;
    const RunResult loaded = RunScene(
        R"({"channels": [{"name": "other", "type": "float", "value": 1}]})", {"--load", stream});
    EXPECT_EQ(loaded.exitCode, 0) << loaded.err;
    EXPECT_EQ(LineCount(loaded.err), 1) << loaded.err;
    EXPECT_NE(loaded.err.find("named \"two\\nlines\", which"), std::string::npos) << loaded.err;
}

// ---------------------------------------------------------------------------------------------
// Bad input: one line, the right status, nothing written.

TEST_F(RunnerTest, BadInputIsOneLineAndWritesNothing) {
    const std::string notAStream = WriteFile("not-a-stream.orn", "this is text");
    const char* ok = R"({"channels": [{"name": "a", "type": "float", "value": 1}]})";
    struct Case {
        const char* name;
        const char* scene;  // null: no scene file is written
        std::vector<std::string> arguments;
        int exitCode;
        std::string message;
    };
    const Case cases[] = {
        {"syntax error, column in characters",
         "{\"a\": [\n\"\xC3\xA9\", 2]]}",
         {},
         kExitBadInput,
         "scene.json:2:8: JSON syntax error"},
        {"number beyond the float range",
         "{\"channels\": [{\"name\": \"f\", \"type\": \"float\", \"value\": -1e39}]}",
         {},
         kExitBadInput,
         "scene.json:1:55: the number '-1e39' is too large for a 32-bit float"},
        {"syntax error at the end",
         "{\"channels\": [\n",
         {},
         kExitBadInput,
         "scene.json:2:1: JSON syntax error"},
        {"key given twice",
         "{\"channels\": [],\n  \"frames\": 1, \"frames\": 2}",
         {},
         kExitBadInput,
         "scene.json:2:16: key \"frames\" given twice"},
        {"not an object", "[1, 2]", {}, kExitBadInput, "a scene is a JSON object"},
        {"no channels", R"({"frames": 2})", {}, kExitBadInput, "\"channels\" is missing"},
        {"unknown type",
         R"({"channels": [{"name": "a", "type": "vecor"}]})",
         {},
         kExitBadInput,
         "channel \"a\": unknown channel type \"vecor\" (did you mean \"vector\"?)"},
        {"duplicate name",
         R"({"channels": [{"name": "a", "type": "float"}, {"name": "a", "type": "vector"}]})",
         {},
         kExitBadInput,
         "channel \"a\": the name is given to two channels"},
        {"empty name",
         R"({"channels": [{"name": "", "type": "float"}]})",
         {},
         kExitBadInput,
         "non-empty"},
        {"missing child",
         R"({"channels": [{"name": "q", "type": "quantifier", "operation": 0, "children": ["ab"]},
                          {"name": "abc", "type": "float"}]})",
         {},
         kExitBadInput,
         "channel \"q\".children[0]: no channel is named \"ab\" (did you mean \"abc\""},
        {"unknown operation",
         R"({"channels": [{"name": "q", "type": "quantifier", "operation": "VectorDott"}]})",
         {},
         kExitBadInput,
         "unknown operation \"VectorDott\" (did you mean \"VectorDot\"?)"},
        {"operation missing",
         R"({"channels": [{"name": "q", "type": "quantifier"}]})",
         {},
         kExitBadInput,
         "channel \"q\": \"operation\" is missing"},
        {"operation beyond 32 bits",
         R"({"channels": [{"name": "q", "type": "quantifier", "operation": 2147483648}]})",
         {},
         kExitBadInput,
         "2147483648 is outside"},
        {"short vector",
         R"({"channels": [{"name": "a", "type": "vector", "value": [1, 2, 3]}]})",
         {},
         kExitBadInput,
         "channel \"a\".value: expected a vector of 4 numbers"},
        {"short matrix row",
         R"({"channels": [{"name": "m", "type": "matrix", "frames": [[[1,0,0,0],[0,1,0,0],[0,0,1,0],[0,0,1]]]}]})",
         {},
         kExitBadInput,
         "channel \"m\".frames[0][3]: expected a row of 4 numbers"},
        {"text for a number",
         R"({"channels": [{"name": "f", "type": "float", "value": "one"}]})",
         {},
         kExitBadInput,
         "channel \"f\".value: expected a number"},
        {"value and frames",
         R"({"channels": [{"name": "f", "type": "float", "value": 1, "frames": [1]}]})",
         {},
         kExitBadInput,
         "either \"value\" or \"frames\""},
        {"empty frames",
         R"({"channels": [{"name": "f", "type": "float", "frames": []}]})",
         {},
         kExitBadInput,
         "at least one value"},
        {"unknown key",
         R"({"channels": [{"name": "a", "type": "vector", "valeu": [1, 2, 3, 4]}]})",
         {},
         kExitBadInput,
         "unknown key \"valeu\" (did you mean \"value\"?)"},
        {"frames of a quantifier",
         R"({"channels": [{"name": "q", "type": "quantifier", "operation": 1, "frames": [1]}]})",
         {},
         kExitBadInput,
         "unknown key \"frames\""},
        {"byte out of range",
         R"({"channels": [{"name": "t", "type": "text", "bytes": [256]}]})",
         {},
         kExitBadInput,
         "channel \"t\".bytes[0]: 256 is outside 0..255"},
        {"bytes of a wide text",
         R"({"channels": [{"name": "t", "type": "text", "wide": true, "bytes": [65]}]})",
         {},
         kExitBadInput,
         "\"bytes\" give narrow text"},
        {"negative unsigned",
         R"({"channels": [{"name": "u", "type": "unsigned", "value": -1}]})",
         {},
         kExitBadInput,
         "-1 is outside 0..4294967295"},
        {"register a vector",
         R"({"channels": [{"name": "v", "type": "vector", "register": "x"}]})",
         {},
         kExitBadInput,
         "only float channels and quantifiers are registered"},
        {"register one name twice",
         R"({"channels": [{"name": "a", "type": "float", "register": "x"}, {"name": "b", "type": "float", "register": "x"}]})",
         {},
         kExitBadInput,
         "\"x\" is already registered by channel \"a\""},
        {"unknown group",
         R"({"channels": [{"name": "q", "type": "quantifier", "operation": 42, "group": "g"}]})",
         {},
         kExitBadInput,
         "no group is named \"g\""},
        {"unknown window",
         R"({"windows": ["main"], "mainWindow": "mian", "channels": []})",
         {},
         kExitBadInput,
         "no window is named \"mian\""},
        {"camera too near",
         R"({"camera": {"near": 0}, "channels": []})",
         {},
         kExitBadInput,
         "0 < near < far"},
        {"timer as text",
         R"({"timer": "fast", "channels": []})",
         {},
         kExitBadInput,
         "timer: expected a number"},
        {"action on a float",
         R"({"channels": [{"name": "f", "type": "float"}],
             "actions": [{"frame": 0, "channel": "f", "do": "SetOperationType", "value": 1}]})",
         {},
         kExitBadInput,
         "SetOperationType needs a quantifier"},
        {"unknown action",
         R"({"channels": [{"name": "f", "type": "float"}],
             "actions": [{"frame": 0, "channel": "f", "do": "CallChanel"}]})",
         {},
         kExitBadInput,
         "unknown action \"CallChanel\" (did you mean \"CallChannel\"?)"},
        {"unknown output",
         R"({"channels": [{"name": "f", "type": "float"}], "outputs": ["g"]})",
         {},
         kExitBadInput,
         "outputs[0]: no channel is named \"g\""},
        // Names are quoted as JSON writes them: a line break in one must not break the line.
        {"a line break in a channel name",
         R"({"channels": [{"name": "a\nb", "type": "vecor"}]})",
         {},
         kExitBadInput,
         "channel \"a\\nb\": unknown channel type \"vecor\""},
        {"a tab in a key given twice",
         R"({"channels": [], "x\ty": 1, "x\ty": 2})",
         {},
         kExitBadInput,
         "key \"x\\ty\" given twice"},
        {"a line break in a suggested name",
         R"({"channels": [{"name": "abc\r\n", "type": "float"}], "outputs": ["abc"]})",
         {},
         kExitBadInput,
         "no channel is named \"abc\" (did you mean \"abc\\r\\n\"?)"},
        {"a control character and a quote in a text",
         R"({"timer": "fa\u0001\"st", "channels": []})",
         {},
         kExitBadInput,
         "got the text \"fa\\u0001\\\"st\""},
        {"no scene file",
         nullptr,
         {"absent.json"},
         kExitBadInput,
         "absent.json: cannot open the scene file"},
        {"no scene given", nullptr, {}, kExitBadInput, "no scene given"},
        {"unknown format", ok, {"--format", "xml"}, kExitBadInput, "--format"},
        {"negative frame count", ok, {"--frames", "-1"}, kExitBadInput, "--frames"},
        {"unknown option", ok, {"--speed", "2"}, kExitBadInput, "--speed"},
        {"plug-in missing", ok, {"--plugin", "absent.so"}, kExitFailure, "cannot load the plug-in"},
        {"plug-in without entry points",
         ok,
         {"--plugin", QUANTIFIER_HOST_LIBRARY_PATH},
         kExitFailure,
         "has no entry point GetType"},
        {"stream missing", ok, {"--load", "absent.orn"}, kExitFailure, "cannot load the scene"},
        {"not a stream", ok, {"--load", notAStream}, kExitFailure, "not a scene stream"},
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

TEST_F(RunnerTest, AFailedSaveLeavesTheOldFileAndPrintsNothing) {
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

TEST_F(RunnerTest, ListsEveryOperationWithItsChildren) {
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
          "PublicCallFloat         internal 0\n", "CameraInvalidateCount   none\n",
          "HexTextToFloatChild     text 0, float 0 (written)\n",
          "PointInRectangle        vector 0 (point), vector 1 (corner), vector 2 (corner)\n"}) {
        EXPECT_NE(result.out.find(expected), std::string::npos) << expected;
    }
}

TEST_F(RunnerTest, HelpAndVersionAnswerAndSucceed) {
    const RunResult help = Run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("--list-operations"), std::string::npos);
    EXPECT_EQ(help.err, "");
    const RunResult version = Run({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.rfind("quantifier-run ", 0), 0u) << version.out;
}

// ---------------------------------------------------------------------------------------------
// The scene as the engine sees it.

class LiveSceneTest : public ::testing::Test {
protected:
    Scene Parse(const std::string& text) { return ParseScene(text, "scene.json"); }
    QuantifierPlugin plugin{QUANTIFIER_PLUGIN_PATH};
};

TEST_F(LiveSceneTest, TimeStampsChangeExactlyWhenValuesChange) {
    // Values change at frames 2 and 4 only (NaN to NaN is no change, nor is a repeated -0).
    const Scene scene = Parse(R"({"camera": {"frames": [
            [[1,0,0,0],[0,1,0,0],[0,0,1,0],[0,0,0,1]], [[1,0,0,0],[0,1,0,0],[0,0,1,0],[0,0,0,1]],
            [[1,0,0,0],[0,1,0,0],[0,0,1,0],[0,0,1,1]], [[1,0,0,0],[0,1,0,0],[0,0,1,0],[0,0,1,1]],
            [[1,0,0,0],[0,1,0,0],[0,0,1,0],[0,0,2,1]], [[1,0,0,0],[0,1,0,0],[0,0,1,0],[0,0,2,1]]]},
        "channels": [
        {"name": "f", "type": "float", "frames": [-0, -0, 1, 1, "nan", "nan"]},
        {"name": "v", "type": "vector", "frames": [[1,2,3,4], [1,2,3,4], [1,2,3,5], [1,2,3,5], [0,0,0,0], [0,0,0,0]]},
        {"name": "t", "type": "text", "frames": ["a", "a", {"units": [97]}, {"units": [97]}, null, null]},
        {"name": "u", "type": "unsigned", "frames": [1, 1, 2, 2, 3, 3]},
        {"name": "o", "type": "object", "frames": [
            [[1,0,0,0],[0,1,0,0],[0,0,1,0],[0,0,0,1]], [[1,0,0,0],[0,1,0,0],[0,0,1,0],[0,0,0,1]],
            [[2,0,0,0],[0,1,0,0],[0,0,1,0],[0,0,0,1]], [[2,0,0,0],[0,1,0,0],[0,0,1,0],[0,0,0,1]],
            [[3,0,0,0],[0,1,0,0],[0,0,1,0],[0,0,0,1]], [[3,0,0,0],[0,1,0,0],[0,0,1,0],[0,0,0,1]]]}]})");
    LiveScene live(scene, plugin);
    Orn_Channel* camera = globalEngine->FindChannel(orn_guid::kCameraChannel, nullptr);
    ASSERT_NE(camera, nullptr);
    std::vector<Orn_Channel*> watched = {camera};
    for (size_t i = 0; i < live.ChannelCount(); ++i)
        watched.push_back(&live.Channel(i));
    std::vector<uint32_t> before;
    for (Orn_Channel* channel : watched)
        before.push_back(channel->GetTimeStamp());
    for (size_t frame = 0; frame < 6; ++frame) {
        live.BeginFrame(frame);
        const bool changes = frame == 2 || frame == 4;
        for (size_t i = 0; i < watched.size(); ++i) {
            SCOPED_TRACE("frame " + std::to_string(frame) + ", channel " + std::to_string(i));
            EXPECT_EQ(watched[i]->GetTimeStamp() != before[i], changes);
            before[i] = watched[i]->GetTimeStamp();
        }
    }
}

TEST_F(LiveSceneTest, EngineObjectsAreMadeBeforeQuantifiersAndReleasedWithThem) {
    struct Case {
        const char* name;
        const char* scene;
        int timers;
    };
    const Case cases[] = {
        {"a timer for each quantifier",
         R"({"timer": [25, 50], "channels": [{"name": "a", "type": "quantifier", "operation": 7},
                                             {"name": "b", "type": "quantifier", "operation": 7}]})",
         2},
        {"no timer object without a timer",
         R"({"channels": [{"name": "a", "type": "quantifier", "operation": 7}]})", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int timersBefore = Kch_FrameTimer::LiveCount();
        const Scene scene = Parse(c.scene);
        {
            LiveScene live(scene, plugin);
            EXPECT_EQ(Kch_FrameTimer::LiveCount() - timersBefore, c.timers);
            // Quantifiers carry the scene's names, not the one they give themselves.
            EXPECT_STREQ(live.Channel(0).GetChannelName(), "a");
        }
        EXPECT_EQ(Kch_FrameTimer::LiveCount(), timersBefore);
    }
}

TEST_F(LiveSceneTest, EngineEntriesFollowTheSceneAndAreForgotten) {
    const Scene scene = Parse(R"({"windows": ["editor", "palette"], "mainWindow": "editor",
        "groups": [{"name": "level", "path": "levels/one", "window": "palette"}, {"name": "bare"}],
        "channels": [
          {"name": "speed", "type": "float", "value": 2.5, "register": "levels/one/speed.flt"},
          {"name": "call", "type": "float", "interfaceType": 2, "publicCall": "speed.flt"},
          {"name": "lookup", "type": "quantifier", "operation": "PublicCallFloat", "internal": ["call", "speed"],
           "group": "level"},
          {"name": "loose", "type": "quantifier", "operation": "WindowHasFocus", "group": "bare"}]})");
    Orn_Channel* lookup = nullptr;
    {
        LiveScene live(scene, plugin);
        Orn_Channel& speed = live.Channel(0);
        Orn_Channel& call = live.Channel(1);
        lookup = &live.Channel(2);
        EXPECT_EQ(globalEngine->FindChannel(orn_guid::kFloatInterface, "levels/one/speed.flt"),
                  &speed);
        EXPECT_EQ(globalEngine->FindChannel(orn_guid::kFloatInterface, "speed.flt"), nullptr);
        EXPECT_EQ(call.GetChannelInterfaceType(), 2);
        EXPECT_STREQ(channelInternal->GetPublicCallInfo(&call).filePath, "speed.flt");
        EXPECT_EQ(channelInternal->GetInternalChild(lookup, 0), &call);
        EXPECT_EQ(channelInternal->GetInternalChild(lookup, 1), &speed);
        Orn_ChannelGroup* level = lookup->GetChannelGroup();
        ASSERT_NE(level, nullptr);
        EXPECT_STREQ(level->GetGroupPath(), "levels/one");
        Orn_ChannelGroup* bare = live.Channel(3).GetChannelGroup();
        ASSERT_NE(bare, nullptr);
        EXPECT_EQ(bare->GetGroupPath(), nullptr);
        EXPECT_EQ(bare->GetGroupWindow(), nullptr);
        // Windows are distinct handles; the main window is the engine's.
        const OrnWindow main = globalEngine->GetMainWindow();
        EXPECT_NE(main, nullptr);
        EXPECT_NE(level->GetGroupWindow(), nullptr);
        EXPECT_NE(level->GetGroupWindow(), main);
    }
    EXPECT_EQ(channelInternal->GetInternalChild(lookup, 0), nullptr);
}

TEST_F(LiveSceneTest, ATextChannelHoldsWhatTheSceneGives) {
    const Scene scene = Parse(R"({"channels": [
        {"name": "narrow", "type": "text", "value": "\u00e9"},
        {"name": "wide", "type": "text", "wide": true, "value": "\u00e9\ud83d\ude00"},
        {"name": "none", "type": "text"}]})");
    LiveScene live(scene, plugin);
    auto& narrow = static_cast<Kch_TextChannel&>(live.Channel(0));
    auto& wide = static_cast<Kch_TextChannel&>(live.Channel(1));
    auto& none = static_cast<Kch_TextChannel&>(live.Channel(2));
    EXPECT_FALSE(narrow.IsWideText());
    EXPECT_STREQ(narrow.GetText(), "\xC3\xA9");
    ASSERT_TRUE(wide.IsWideText());
    const OrnWideChar* units = wide.GetWideText();
    const std::u16string expected = u"\u00e9\U0001F600";
    EXPECT_EQ(std::u16string(units, units + expected.size()), expected);
    EXPECT_EQ(units[expected.size()], 0);
    EXPECT_EQ(none.GetText(), nullptr);
}

}  // namespace
