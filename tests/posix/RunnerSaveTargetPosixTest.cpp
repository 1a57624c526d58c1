// What quantifier-run does with what only POSIX sets before it: FIFOs, sockets and devices as
// the target of a save, symbolic links, names near the file-system limit, a file-size limit,
// standard output on a full device or a pipe nobody reads, endless or failing files given as
// input, and the scene on standard input.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <utility>

#include "engine/RunError.h"
#include "support/BuildPaths.h"
#include "support/RunnerFixture.h"

namespace {
namespace fs = std::filesystem;
using quantifier_run::kExitBadInput;
using quantifier_run::kExitFailure;

constexpr const char* kSavedScene =
    R"({"frames": 3, "channels": [{"name": "a", "type": "float", "value": 1},
        {"name": "q", "type": "quantifier", "operation": "Toggle", "children": ["a"]}]})";

class RunnerSaveTargetPosixTest : public RunnerFixture {
protected:
    struct Process {
        int status;  // the exit status, or 128 + the signal that ended it
        std::string err;
    };

    // Runs the program itself with standard output to `out` (empty: a pipe nobody reads, as
    // when the reader has gone), files limited to `fileLimit` bytes, standard input from `in`.
    Process Spawn(std::vector<std::string> arguments, const std::string& out = "/dev/null",
                  rlim_t fileLimit = RLIM_INFINITY, const std::string& in = "/dev/null") const {
        arguments.insert(arguments.begin(), build_paths::kRunner);
        arguments.insert(arguments.end(), {"--plugin", build_paths::kPlugin});
        // Standard error is a pipe, which no file-size limit cuts short.
        int errPipe[2];
        if (pipe(errPipe) != 0) return {-1, ""};
        const pid_t child = fork();
        if (child == 0) {
            const rlimit limit{fileLimit, fileLimit};
            setrlimit(RLIMIT_FSIZE, &limit);
            int outFd = -1;
            if (out.empty()) {
                int outPipe[2];
                if (pipe(outPipe) != 0) _exit(127);
                close(outPipe[0]);
                outFd = outPipe[1];
            } else {
                outFd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            }
            dup2(outFd, 1);
            dup2(open(in.c_str(), O_RDONLY), 0);
            // As a shell starts a program, whatever this test program does with the signal.
            signal(SIGPIPE, SIG_DFL);
            dup2(errPipe[1], 2);
            close(errPipe[0]);
            std::vector<char*> argv;
            for (std::string& argument : arguments)
                argv.push_back(argument.data());
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(errPipe[1]);
        std::string err;
        char buffer[4096];
        for (ssize_t count; (count = read(errPipe[0], buffer, sizeof buffer)) > 0;)
            err.append(buffer, static_cast<size_t>(count));
        close(errPipe[0]);
        int status = 0;
        waitpid(child, &status, 0);
        return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), err};
    }
};

TEST_F(RunnerSaveTargetPosixTest, OnlyARegularFileOrANewNameIsSavedOver) {
    const std::string scene = WriteFile("scene.json", kSavedScene);
    ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0644), 0);
    const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = Path("socket");
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    socketPath.copy(address.sun_path, socketPath.size());
    ASSERT_EQ(bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    fs::create_directory(Path("folder"));
    fs::create_symlink("/dev/null", Path("device"));
    fs::create_symlink("loop", Path("loop"));
    const std::pair<const char*, const char*> options[] = {{"--save", "cannot save the scene"},
                                                           {"--output", "cannot write the output"}};
    for (const auto& [option, message] : options) {
        for (const char* target : {"fifo", "socket", "folder", "device", "loop"}) {
            SCOPED_TRACE(std::string(option) + " " + target);
            const fs::file_status before = fs::symlink_status(Path(target));
            const RunResult result = Run({scene, option, Path(target)});
            EXPECT_EQ(result.exitCode, kExitFailure);
            EXPECT_EQ(result.out, "");
            EXPECT_EQ(LineCount(result.err), 1) << result.err;
            EXPECT_NE(result.err.find(message), std::string::npos) << result.err;
            // The output is no save, and its messages do not say it is.
            if (option == std::string("--output")) {
                EXPECT_EQ(result.err.find("save"), std::string::npos) << result.err;
            }
            EXPECT_EQ(fs::symlink_status(Path(target)).type(), before.type());
        }
    }
    close(listener);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"device", "fifo", "folder", "loop", "scene.json",
                                                   "socket"}));
}

TEST_F(RunnerSaveTargetPosixTest, ALinkIsSavedThroughAndStaysALink) {
    const std::string scene = WriteFile("scene.json", kSavedScene);
    fs::create_directory(Path("real"));
    WriteFile("real/old.orn", "old");
    fs::create_symlink("real/old.orn", Path("link.orn"));  // relative to the link's folder
    fs::create_symlink("real/new.orn", Path("dangling.orn"));
    for (const char* link : {"link.orn", "dangling.orn"}) {
        SCOPED_TRACE(link);
        const RunResult result = Run({scene, "--save", Path(link)});
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_TRUE(fs::is_symlink(Path(link)));
        EXPECT_EQ(ReadFile(Path(link)).substr(0, 4), "ORNS");
    }
    // The output follows a link as the save does.
    fs::create_symlink("real/rows.csv", Path("rows.csv"));
    EXPECT_EQ(Run({scene, "--output", Path("rows.csv")}).exitCode, 0);
    EXPECT_TRUE(fs::is_symlink(Path("rows.csv")));
    EXPECT_EQ(ReadFile(Path("real/rows.csv")), Run({scene}).out);
    fs::remove(Path("real/rows.csv"));
    EXPECT_EQ(ReadFile(Path("real/old.orn")), ReadFile(Path("real/new.orn")));
    EXPECT_EQ(fs::directory_iterator(Path("real")) != fs::directory_iterator(), true);
    EXPECT_EQ(std::distance(fs::directory_iterator(Path("real")), fs::directory_iterator()), 2);
}

TEST_F(RunnerSaveTargetPosixTest, ANameNearTheFileSystemLimitIsSaved) {
    const std::string scene = WriteFile("scene.json", kSavedScene);
    for (size_t length : {230, 250, 255}) {
        SCOPED_TRACE(length);
        const std::string name(length, 'n');
        const RunResult result = Run({scene, "--save", Path(name)});
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(Entries(), (std::vector<std::string>{name, "scene.json"}));
        fs::remove(Path(name));
    }
}

TEST_F(RunnerSaveTargetPosixTest, AFileSizeLimitFailsTheRunBeforeAnythingIsReplaced) {
    const std::string scene = WriteFile("scene.json", kSavedScene);
    const std::string target = WriteFile("target.orn", "old");
    struct Case {
        const char* what;
        std::vector<std::string> arguments;
        rlim_t limit;
        const char* message;
    };
    const Case cases[] = {
        // The stream is larger than the limit.
        {"the save", {scene, "--save", target}, 40, "cannot save the scene"},
        // The rows outgrow the memory the output may take, then the limit, before the save.
        {"the held output",
         {scene, "--save", target, "--frames", "3000000"},
         1 << 20,
         "cannot hold the results"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Process result = Spawn(c.arguments, "/dev/null", c.limit);
        EXPECT_EQ(result.status, kExitFailure) << "not ended by a signal";
        EXPECT_EQ(LineCount(result.err), 1) << result.err;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
        EXPECT_EQ(ReadFile(target), "old");
        EXPECT_EQ(Entries(), (std::vector<std::string>{"scene.json", "target.orn"}));
    }
}

TEST_F(RunnerSaveTargetPosixTest, AFullStandardOutputIsAFailureWithOneLine) {
    const std::string scene = WriteFile("scene.json", kSavedScene);
    for (const std::vector<std::string>& arguments : {std::vector<std::string>{scene},
                                                      {scene, "--format", "table"},
                                                      {"--help"},
                                                      {"--version"},
                                                      {"--list-operations"}}) {
        SCOPED_TRACE(::testing::PrintToString(arguments));
        const Process result = Spawn(arguments, "/dev/full");
        EXPECT_EQ(result.status, kExitFailure);
        EXPECT_EQ(LineCount(result.err), 1) << result.err;
        EXPECT_NE(result.err.find("cannot write to standard output"), std::string::npos)
            << result.err;
    }
}

TEST_F(RunnerSaveTargetPosixTest, EndlessOrFailingInputIsReportedForWhatItIs) {
    const std::string scene = WriteFile("scene.json", kSavedScene);
    struct Case {
        std::vector<std::string> arguments;
        int exitCode;
        const char* message;
    };
    const Case cases[] = {
        {{"/dev/zero"}, kExitBadInput, "/dev/zero: it is larger than 67108864 bytes"},
        {{scene, "--load", "/dev/zero"}, kExitFailure, "/dev/zero: it is larger than 268435456"},
        {{"/proc/self/mem"}, kExitBadInput, "cannot read /proc/self/mem: Input/output error"},
        {{scene, "--load", "/proc/self/mem"}, kExitFailure, "Input/output error"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.arguments));
        const RunResult result = Run(c.arguments);
        EXPECT_EQ(result.exitCode, c.exitCode);
        EXPECT_EQ(LineCount(result.err), 1) << result.err;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    }
}

TEST_F(RunnerSaveTargetPosixTest, StandardInputAndAGoneReaderAreAsForOtherTools) {
    const std::string scene = WriteFile("scene.json", kSavedScene);
    // "-" is the scene on standard input.
    const Process piped = Spawn({"-", "--format", "csv"}, Path("rows.csv"), RLIM_INFINITY, scene);
    EXPECT_EQ(piped.status, 0) << piped.err;
    EXPECT_EQ(ReadFile(Path("rows.csv")), Run({scene, "--format", "csv"}).out);
    // Its warnings name it as its syntax errors do, with the place of what they are about.
    const Process warned = Spawn({"-"}, "/dev/null", RLIM_INFINITY, WriteFile("warned.json", R"({
        "channels": [{"name": "a", "type": "float", "value": 1},
        {"name": "q", "type": "quantifier", "operation": "VectorDot", "children": ["a"]},
        {"name": "r", "type": "quantifier", "operation": -1}]})"));
    EXPECT_EQ(warned.err.find("quantifier-run: warning: standard input:3:83: "), 0u) << warned.err;
    EXPECT_NE(warned.err.find("\nquantifier-run: warning: standard input:4:58: "),
              std::string::npos)
        << warned.err;
    const Process broken = Spawn({"-"}, "/dev/null", RLIM_INFINITY, WriteFile("broken.json", "{"));
    EXPECT_EQ(broken.err.find("quantifier-run: standard input:1:"), 0u) << broken.err;
    // A reader gone before the rows are written ends the run by SIGPIPE, without a word, as
    // "| head -1" ends other tools; the save came before the output and is made.
    const Process gone = Spawn({scene, "--save", Path("saved.orn")}, "");
    EXPECT_EQ(gone.status, 128 + SIGPIPE);
    EXPECT_EQ(gone.err, "");
    EXPECT_EQ(ReadFile(Path("saved.orn")).substr(0, 4), "ORNS");
}

}  // namespace
