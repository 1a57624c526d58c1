// Saving scene streams where only POSIX sets the scene: permission bits kept across a
// replacement, a write that fails half-way under a file size limit, and a writer killed.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>

#include "support/SceneFileFixture.h"

namespace {
using namespace scene_bytes;
namespace fs = std::filesystem;

class PosixSceneFile : public SceneFile {};

TEST_F(PosixSceneFile, ReplacingAFileKeepsItsPermissions) {
    const std::string path = Path("scene.orns");
    ASSERT_TRUE(OneChannel("old").WriteToFile(path));
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(OneChannel("new").WriteToFile(path));
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

// Saves with files limited to 1 KiB; true when the save reported the failure.
bool FailsUnderAFileSizeLimit(const std::string& path, const Bytes& bytes) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{1024, 1024};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return false;
    std::string error;
    return !OrnWriteFileAtomically(path, bytes, &error) && !error.empty();
}

TEST_F(PosixSceneFile, AWriteFailingHalfWayLeavesTheOldFile) {
    const std::string path = Path("scene.orns");
    const Bytes old = Stream({Record({Block("NAME", Text("old"))})});
    Write(path, old);
    const Bytes big(1 << 16, 0x5A);
    // In a child process: a file size limit makes the write fail after the temporary file exists.
    EXPECT_EXIT(std::_Exit(FailsUnderAFileSizeLimit(path, big) ? 0 : 1),
                ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(Read(path), old);
    EXPECT_EQ(Entries(), std::vector<std::string>{"scene.orns"});
}

// A writer killed while it writes leaves nothing beside the target: the temporary file it was
// writing is found among its open files and the writer killed there.
TEST_F(PosixSceneFile, AWriterKilledHalfWayLeavesNoTemporaryFile) {
    const std::string path = Path("scene.orns");
    const Bytes old = Stream({Record({Block("NAME", Text("old"))})});
    Write(path, old);
    const pid_t writer = fork();
    if (writer == 0) {
        const Bytes big(size_t{256} << 20, 0x5A);
        std::_Exit(OrnWriteFileAtomically(path, big) ? 0 : 1);
    }
    const std::string folder = Utf8(dir.Root());
    const std::string open = "/proc/" + std::to_string(writer) + "/fd";
    bool seen = false;
    for (int attempt = 0; attempt < 20000 && !seen; ++attempt) {
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(open, error)) {
            const std::string target = fs::read_symlink(entry.path(), error).string();
            if (!error && target.rfind(folder + "/", 0) == 0 && target != path) seen = true;
        }
        if (!seen) usleep(100);
    }
    kill(writer, SIGKILL);
    int status = 0;
    waitpid(writer, &status, 0);
    EXPECT_TRUE(seen) << "the writer was seen writing its temporary file";
    EXPECT_EQ(Read(path), old);
    EXPECT_EQ(Entries(), std::vector<std::string>{"scene.orns"});
}

}  // namespace
