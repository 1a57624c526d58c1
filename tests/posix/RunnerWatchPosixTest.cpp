// quantifier-run --watch ended as a person ends it: Ctrl-C (SIGINT) to the program itself, while
// it waits and while a run is under way.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/RunnerFixture.h"

namespace {

class RunnerWatchPosixTest : public RunnerFixture {};

TEST_F(RunnerWatchPosixTest, CtrlCEndsTheWatchWithSuccessAndLeavesNoTemporaryFile) {
    const std::string scene = WriteFile("scene.json", R"({"channels": [
        {"name": "a", "type": "float", "value": 1},
        {"name": "q", "type": "quantifier", "operation": "Toggle", "children": ["a"]}]})");
    ASSERT_EQ(Run({scene, "--save", Path("saved.orn")}).exitCode, 0);
    const std::string stream = ReadFile(Path("saved.orn"));
    const std::string fifo = Path("stream.fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    struct Case {
        const char* when;
        bool midRun;
    };
    // Waiting: after the first run has reported. Mid-run: the signal comes while the run waits
    // for its stream, and the run, seconds long, has its frames still before it.
    for (const Case& c :
         {Case{"waiting for a change", false}, Case{"in the middle of a run", true}}) {
        SCOPED_TRACE(c.when);
        int errPipe[2];
        ASSERT_EQ(pipe(errPipe), 0);
        const pid_t child = fork();
        if (child == 0) {
            dup2(errPipe[1], 2);
            close(errPipe[0]);
            std::vector<std::string> arguments{QUANTIFIER_RUN_PATH,   "--watch", "--output",
                                               Path("out.csv"),       scene,     "--plugin",
                                               QUANTIFIER_PLUGIN_PATH};
            if (c.midRun)
                arguments.insert(arguments.end(), {"--load", fifo, "--frames", "20000000"});
            std::vector<char*> argv;
            for (std::string& argument : arguments)
                argv.push_back(argument.data());
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(errPipe[1]);
        std::string err;
        char byte;
        int writer = -1;
        if (c.midRun) {
            // Opens once the run has opened the stream to read it.
            writer = open(fifo.c_str(), O_WRONLY);
            ASSERT_GE(writer, 0);
        } else {
            while (err.find('\n') == std::string::npos && read(errPipe[0], &byte, 1) == 1)
                err += byte;
        }
        kill(child, SIGINT);
        if (writer >= 0) {
            EXPECT_EQ(write(writer, stream.data(), stream.size()),
                      static_cast<ssize_t>(stream.size()));
            close(writer);
        }
        for (ssize_t count; (count = read(errPipe[0], &byte, 1)) > 0;)
            err += byte;
        close(errPipe[0]);
        int status = -1;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << " " << err;
        std::vector<std::string> expected{"saved.orn", "scene.json", "stream.fifo"};
        if (!c.midRun) expected.insert(expected.begin(), "out.csv");
        EXPECT_EQ(Entries(), expected) << err;
        std::remove(Path("out.csv").c_str());
    }
}

}  // namespace
