// quantifier-run at the edges of what it accepts: scenes nested as deep as the stated limit and
// one deeper, command lines with empty or non-decimal values, control characters that must not
// reach a terminal or break an error line, table columns of wide characters, and texts a csv
// reader must tell apart.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/RunError.h"
#include "output/CharacterWidth.h"
#include "scene/Limits.h"
#include "support/RunnerFixture.h"

namespace {
using quantifier_run::kExitBadInput;
using quantifier_run::kExitFailure;

// A chain of `depth` channels: each quantifier toggles on the one after it, the last is a float.
std::string Chain(size_t depth) {
    std::string scene = R"({"frames": 2, "outputs": ["q0"], "channels": [)";
    for (size_t i = 0; i + 1 < depth; ++i) {
        const std::string child = i + 2 < depth ? "q" + std::to_string(i + 1) : "f";
        scene += R"({"name": "q)" + std::to_string(i) +
                 R"(", "type": "quantifier", "operation": "Toggle", "children": [")" + child +
                 "\"]},";
    }
    return scene + R"({"name": "f", "type": "float", "value": 1}]})";
}

class RunnerEdgesTest : public RunnerFixture {};

TEST_F(RunnerEdgesTest, ChainsRunUpToTheLimitAndAreRefusedBeyondIt) {
    const size_t limit = quantifier_run::kMaxLinkDepth;
    // Deep enough to overflow an ordinary main thread's stack, had it run there.
    const RunResult deepest = Run({WriteFile("deepest.json", Chain(limit))});
    EXPECT_EQ(deepest.exitCode, 0) << deepest.err;
    EXPECT_EQ(deepest.out, "frame,q0\n0,1\n1,0\n");

    const RunResult beyond = Run({WriteFile("beyond.json", Chain(limit + 1))});
    EXPECT_EQ(beyond.exitCode, kExitBadInput);
    EXPECT_EQ(beyond.out, "");
    EXPECT_EQ(LineCount(beyond.err), 1) << beyond.err;
    EXPECT_NE(beyond.err.find(std::to_string(limit + 1) + " channels deep; at most " +
                              std::to_string(limit)),
              std::string::npos)
        << beyond.err;
}

TEST_F(RunnerEdgesTest, CommandLineValuesMustBeWhatTheySeem) {
    const std::string scene = WriteFile("scene.json",
                                        R"({"outputs": ["f"], "channels": [
            {"name": "f", "type": "float", "frames": [1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11]}]})");
    struct Case {
        std::vector<std::string> arguments;
        int exitCode;
        std::string message;  // or, on success, the output's last line
    };
    const Case cases[] = {
        {{"--save", ""}, kExitBadInput, "--save needs a path"},
        {{"--load", ""}, kExitBadInput, "--load needs a path"},
        {{"--plugin", ""}, kExitBadInput, "--plugin needs a path"},
        {{"--frames", "010"}, 0, "9,10\n"},
        {{"--frames", "0x10"},
         kExitBadInput,
         "--frames needs a whole number from 0 to 2147483647, not \"0x10\""},
        {{"--frames", "1e1"},
         kExitBadInput,
         "--frames needs a whole number from 0 to 2147483647, not \"1e1\""},
        {{"--frames", "+3"},
         kExitBadInput,
         "--frames needs a whole number from 0 to 2147483647, not \"+3\""},
        {{"--frames", "2147483648"}, kExitBadInput, "not \"2147483648\""},
        {{"--save", scene}, kExitBadInput, "would replace the scene file being run"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.arguments));
        std::vector<std::string> arguments = c.arguments;
        arguments.insert(arguments.begin(), scene);
        const std::string before = ReadFile(scene);
        const RunResult result = Run(arguments);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
        if (c.exitCode == 0) {
            EXPECT_TRUE(result.out.ends_with(c.message)) << result.out;
        } else {
            EXPECT_EQ(result.out, "");
            EXPECT_EQ(LineCount(result.err), 1) << result.err;
            EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
        }
        EXPECT_EQ(ReadFile(scene), before);
    }
}

TEST_F(RunnerEdgesTest, NoControlCharacterReachesATerminalOrBreaksALine) {
    // A name and texts holding an escape sequence (ESC), DEL, the one-byte CSI of C1, and
    // bidirectional overrides and isolates, which would show the text in another order.
    const RunResult table =
        Run({WriteFile("scene.json", R"({"outputs": ["red\u001b[31m", "n"], "channels": [
        {"name": "red\u001b[31m", "type": "text",
         "frames": ["a\u007fb\u009bc", "\u202eevil\u202c\u2066x\u2069"]},
        {"name": "n", "type": "text", "bytes": [27, 91, 50, 74, 155]}]})"),
             "--format", "table"});
    EXPECT_EQ(table.exitCode, 0) << table.err;
    EXPECT_EQ(table.out,
              "frame                    red\\u001b[31m                  n\n"
              "    0                \"a\\u007fb\\u009bc\"  \"\\u001b[2J\\u009b\"\n"
              "    1  \"\\u202eevil\\u202c\\u2066x\\u2069\"  \"\\u001b[2J\\u009b\"\n");

    // A path is shown as it is, but its control characters escaped: the error stays one line.
    const RunResult missing = Run({Path("two\nlines.json")});
    EXPECT_EQ(missing.exitCode, kExitBadInput);
    EXPECT_EQ(LineCount(missing.err), 1) << missing.err;
    EXPECT_NE(missing.err.find("two\\nlines.json: cannot open the scene file"), std::string::npos)
        << missing.err;
    // Nor does a name in an error line show in another order than it holds.
    const RunResult reversed = Run(
        {WriteFile("scene.json", R"({"channels": [{"name": "\u202egnp.exe", "type": "flot"}]})")});
    EXPECT_EQ(reversed.exitCode, kExitBadInput);
    EXPECT_NE(reversed.err.find("channel \"\\u202egnp.exe\""), std::string::npos) << reversed.err;
}

TEST_F(RunnerEdgesTest, TableColumnsAlignByDisplayWidth) {
    if (quantifier_run::CharacterWidth(U'\u6f22') == 1)
        GTEST_SKIP() << "this build has no character-width library and counts characters";
    // CJK and emoji take two columns, a combining accent none.
    const RunResult table = Run({WriteFile("scene.json", R"({"outputs": ["w", "n"], "channels": [
        {"name": "w", "type": "text", "frames": ["\u6f22\u5b57\ud83d\ude00", "e\u0301"]},
        {"name": "n", "type": "float", "value": 1}]})"),
                                 "--format", "table"});
    EXPECT_EQ(table.exitCode, 0) << table.err;
    EXPECT_EQ(table.out,
              "frame         w  n\n"
              "    0  \"\u6f22\u5b57\U0001F600\"  1\n"
              "    1       \"e\u0301\"  1\n");
}

TEST_F(RunnerEdgesTest, CsvTellsNoTextFromTheTextNull) {
    const RunResult result =
        Run({WriteFile("scene.json", R"({"outputs": ["none", "word", "empty"], "channels": [
        {"name": "none", "type": "text", "value": null},
        {"name": "word", "type": "text", "value": "null"},
        {"name": "empty", "type": "text", "value": ""}]})"),
             "--format", "csv"});
    EXPECT_EQ(result.out, "frame,none,word,empty\n0,,\"null\",\"\"\n");
}

TEST_F(RunnerEdgesTest, NothingMayFollowTheDocument) {
    for (const std::string& tail :
         {std::string("\0", 1), std::string("\0{\"x\": 1}", 10), std::string(" \0 ", 3)}) {
        SCOPED_TRACE(::testing::PrintToString(tail));
        const RunResult result = Run({WriteFile("scene.json", "{\"channels\": []}\n" + tail)});
        EXPECT_EQ(result.exitCode, kExitBadInput);
        EXPECT_EQ(LineCount(result.err), 1) << result.err;
        EXPECT_NE(result.err.find("scene.json:2:"), std::string::npos) << result.err;
    }
}

// The search for a near name is bounded, so even names of many kilobytes get an answer: the
// speed itself is measured in the benchmarks.
TEST_F(RunnerEdgesTest, LongNamesStillGetTheirSuggestion) {
    const std::string name(60000, 'a');
    const RunResult result = Run(
        {WriteFile("scene.json", R"({"channels": [{"name": ")" + name +
                                     R"(", "type": "float"}], "outputs": [")" + name + "b\"]}")});
    EXPECT_EQ(result.exitCode, kExitBadInput);
    EXPECT_NE(result.err.find("(did you mean \"" + name + "\"?)"), std::string::npos);
}

}  // namespace
