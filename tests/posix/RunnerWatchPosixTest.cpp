// quantifier-run --watch ended as a person ends it: Ctrl-C (SIGINT) or SIGTERM to the program
// itself, while it waits, while a run is under way, while a busy engine process works and while
// the scene is something a read would wait on for ever.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/RunError.h"
#include "support/BuildPaths.h"
#include "support/RunnerFixture.h"

namespace {

class RunnerWatchPosixTest : public RunnerFixture {};

// Reads `fd` into `text` until it holds `lines` line breaks, or to its end when `lines` is
// negative; false when `limit` passes first, so that a watch that never answers fails the test
// instead of hanging it.
bool ReadLines(int fd, std::string& text, int lines, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (lines < 0 || LineCount(text) < lines) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd ready{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&ready, 1, static_cast<int>(left.count())) <= 0) return false;
        char byte;
        if (read(fd, &byte, 1) != 1) return lines < 0;
        text += byte;
    }
    return true;
}

TEST_F(RunnerWatchPosixTest, EverySignalEndsTheWatchWithSuccessAndLeavesNoTemporaryFile) {
    const std::string sceneText = R"({"channels": [
        {"name": "a", "type": "float", "value": 1},
        {"name": "q", "type": "quantifier", "operation": "Toggle", "children": ["a"]}]})";
    const std::string scene = WriteFile("scene.json", sceneText);
    ASSERT_EQ(Run({scene, "--save", Path("saved.orn")}).exitCode, 0);
    const std::string stream = ReadFile(Path("saved.orn"));
    const std::string fifo = Path("stream.fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    const auto replaceSceneByFifo = [&] {
        const std::string replacement = Path("replacement.fifo");
        ASSERT_EQ(mkfifo(replacement.c_str(), 0644), 0);
        ASSERT_EQ(std::rename(replacement.c_str(), scene.c_str()), 0);
    };
    struct Case {
        const char* when;
        std::vector<std::string> arguments;
        int signal;       // 0: the watch ends on its own
        int linesBefore;  // lines on standard error before the signal (or the edit) is sent
        std::function<void()> edit = nullptr;  // made then, and the watch's next line awaited
        bool midRun = false;  // the signal comes while the run waits for its --load stream
        std::string scene = "scene.json";
        int exitCode = 0;
        bool leavesOutput = true;
    };
    // Mid-run: the run, seconds long, has its frames still before it. A busy engine process
    // says it started and then works on without a word; the signal goes to the runner alone.
    const Case cases[] = {
        {"waiting for a change", {}, SIGINT, 1},
        {"waiting for a change, SIGTERM", {}, SIGTERM, 1},
        {"in the middle of a run",
         {"--load", fifo, "--frames", "20000000"},
         SIGINT,
         0,
         nullptr,
         true,
         "scene.json",
         0,
         false},
        {"while a busy engine process works",
         {"--engine-process", "echo started >&2; sleep 30"},
         SIGINT,
         1,
         nullptr,
         false,
         "scene.json",
         0,
         false},
        {"the scene replaced by a FIFO", {}, SIGTERM, 1, replaceSceneByFifo},
        {"a FIFO as the scene",
         {},
         0,
         0,
         nullptr,
         false,
         "stream.fifo",
         quantifier_run::kExitBadInput,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.when);
        std::filesystem::remove(FsPath(scene));
        WriteFile("scene.json", sceneText);
        int errPipe[2];
        ASSERT_EQ(pipe(errPipe), 0);
        const pid_t child = fork();
        if (child == 0) {
            dup2(errPipe[1], 2);
            close(errPipe[0]);
            std::vector<std::string> arguments{build_paths::kRunner, "--watch",     "--output",
                                               Path("out.csv"),      Path(c.scene), "--plugin",
                                               build_paths::kPlugin};
            arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
            std::vector<char*> argv;
            for (std::string& argument : arguments)
                argv.push_back(argument.data());
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(errPipe[1]);
        std::string err;
        int writer = -1;
        if (c.midRun) {
            // Opens once the run has opened the stream to read it.
            writer = open(fifo.c_str(), O_WRONLY);
            ASSERT_GE(writer, 0);
        }
        bool answered = ReadLines(errPipe[0], err, c.linesBefore, std::chrono::seconds(10));
        if (answered && c.edit) {
            c.edit();
            answered = ReadLines(errPipe[0], err, c.linesBefore + 1, std::chrono::seconds(10));
        }
        const auto signalled = std::chrono::steady_clock::now();
        if (answered && c.signal != 0) kill(child, c.signal);
        if (writer >= 0) {
            EXPECT_EQ(write(writer, stream.data(), stream.size()),
                      static_cast<ssize_t>(stream.size()));
            close(writer);
        }
        // The end of standard error is also the end of every program that shares it: the
        // engine process and what its shell started.
        answered = answered && ReadLines(errPipe[0], err, -1, std::chrono::seconds(10));
        EXPECT_TRUE(answered) << err;
        EXPECT_LT(std::chrono::steady_clock::now() - signalled, std::chrono::seconds(10)) << err;
        if (!answered) kill(child, SIGKILL);
        close(errPipe[0]);
        int status = -1;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == c.exitCode) << status << " " << err;
        if (c.exitCode != 0) {
            EXPECT_NE(err.find(": not a regular file"), std::string::npos) << err;
        }
        std::vector<std::string> expected{"saved.orn", "scene.json", "stream.fifo"};
        if (c.leavesOutput) expected.insert(expected.begin(), "out.csv");
        EXPECT_EQ(Entries(), expected) << err;
        std::remove(Path("out.csv").c_str());
    }
}

}  // namespace
