// What quantifier-run makes of an engine process that is not the engine of its version: each
// ends the run with one line and exit status 1 as soon as what has arrived cannot be right, not
// after waiting for what a header declares. The programs are shell commands, which only the
// POSIX shell runs as written.
#include <string>
#include <vector>

#include "engine/RunError.h"
#include "support/RunnerFixture.h"

namespace {

constexpr const char* kScene =
    R"({"frames": 2, "channels": [{"name": "a", "type": "float", "value": 1}], "outputs": ["a"]})";
// The same with a request larger than a pipe holds, so the runner is still writing it when the
// program answers.
const std::string kLargeScene =
    R"({"frames": 2, "channels": [{"name": "a", "type": "float", "value": 1},
    {"name": "t", "type": "text", "value": ")" +
    std::string(size_t{1} << 18, 'x') + R"("}], "outputs": ["a"]})";

// The engine's greeting of this version and of the previous one.
constexpr const char* kHello = R"(H\004\0\0\0\0\0\0\0QRE5)";
constexpr const char* kOldHello = R"(H\004\0\0\0\0\0\0\0QRE4)";
constexpr const char* kZeros = R"(\0\0\0\0\0\0\0)";
// A size of 2^40 bytes, which no message of this scene can hold.
constexpr const char* kHugeSize = R"(\0\0\0\0\0\001\0\0)";

class RunnerEngineProcessPosixTest : public RunnerFixture {};

TEST_F(RunnerEngineProcessPosixTest, AnotherProgramOrVersionEndsTheRunAtOnce) {
    struct Case {
        const char* what;
        std::string command;
        const char* message;
        std::string scene = kScene;
    };
    const auto sends = [](const std::string& bytes) { return "printf '" + bytes + "'"; };
    const Case cases[] = {
        {"text, too short for a header", "echo hello", "did not answer as a quantifier engine"},
        {"a stream of text", "yes | head -c 100000", "did not answer as a quantifier engine"},
        // A runner that finished writing before it read would wait for the program to end, and
        // find the file it leaves then.
        {"a stream of text that never reads", "yes | timeout 10 cat; touch '" + Path("ended") + "'",
         "did not answer as a quantifier engine", kLargeScene},
        {"the greeting of another version", sends(kOldHello), "of another version"},
        {"an unknown tag, before its size arrives", sends(std::string(kHello) + "Z\\0\\0"),
         "a damaged message"},
        {"a warning larger than the run can say", sends(std::string(kHello) + "W" + kHugeSize),
         "a damaged message"},
        // Size 8: a count of cells, 0, where the scene has one output.
        {"a row of no cells", sends(std::string(kHello) + "R\\010" + kZeros + "\\0" + kZeros),
         "a damaged message"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // Each program ends after its bytes: a runner that waits for more says so instead.
        const RunResult result = RunScene(c.scene, {"--engine-process", c.command});
        EXPECT_EQ(result.exitCode, quantifier_run::kExitFailure);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(LineCount(result.err), 1) << result.err;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
        EXPECT_EQ(Entries(), std::vector<std::string>{"scene.json"});
    }
}

}  // namespace
