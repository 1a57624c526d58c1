// Atomic file replacement on POSIX systems.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "Orn_FileStream.h"

namespace {
std::string Explain(const std::string& what, const std::string& path, int errorNumber) {
    return what + " " + path + ": " + std::strerror(errorNumber);
}

// The directory holding `path` and the file's name in it.
void SplitPath(const std::string& path, std::string& directory, std::string& name) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        directory = ".";
        name = path;
    } else {
        directory = slash == 0 ? "/" : path.substr(0, slash);
        name = path.substr(slash + 1);
    }
}

// Creates a new, empty temporary file beside the target. The name holds the process id, a
// per-process counter and a random number, and the file is created exclusively, so two
// processes (or two threads) saving side by side never write into the same temporary file.
int CreateTemporary(const std::string& directory, const std::string& name, std::string& temporary) {
    static std::atomic<unsigned> counter{0};
    thread_local std::mt19937 random{std::random_device{}()};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = directory + "/." + name + ".tmp-" + std::to_string(getpid()) + "-" +
                    std::to_string(counter.fetch_add(1)) + "-" + std::to_string(random());
        const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

bool WriteAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        const ssize_t written =
            write(fd, data, size < (size_t{1} << 30) ? size : (size_t{1} << 30));
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

bool SyncFile(int fd) {
    while (fsync(fd) != 0) {
        if (errno != EINTR) return false;
    }
    return true;
}

// Makes the rename itself durable. Some file systems cannot sync a directory; the new file is
// complete either way, so a failure here is not a failed save.
void SyncDirectory(const std::string& directory) {
    const int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    SyncFile(fd);
    close(fd);
}
}  // namespace

bool OrnWriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes,
                            std::string* error) {
    std::string directory, name, temporary;
    SplitPath(path, directory, name);
    if (name.empty() || name == "." || name == "..") {
        if (error) *error = Explain("cannot save", path, EISDIR);
        return false;
    }
    const int fd = CreateTemporary(directory, name, temporary);
    if (fd < 0) {
        if (error) *error = Explain("cannot create a temporary file for", path, errno);
        return false;
    }
    // Replacing a file keeps its permissions.
    struct stat old;
    if (stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) fchmod(fd, old.st_mode & 07777);

    const bool written = WriteAll(fd, bytes.data(), bytes.size()) && SyncFile(fd);
    const int writeError = errno;
    const bool closed = close(fd) == 0;
    if (!written || !closed) {
        if (error) *error = Explain("cannot write", temporary, written ? errno : writeError);
        unlink(temporary.c_str());
        return false;
    }
    if (rename(temporary.c_str(), path.c_str()) != 0) {
        if (error) *error = Explain("cannot replace", path, errno);
        unlink(temporary.c_str());
        return false;
    }
    SyncDirectory(directory);
    return true;
}
