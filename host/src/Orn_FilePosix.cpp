// Reading files and replacing them atomically on POSIX systems.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "Orn_FileStream.h"
#include "Orn_ReadInPieces.h"

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

const char* KindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    return "not a regular file";
}

// Follows symbolic links from `path` to the file a save must replace: a regular file or a name
// not taken yet. False, with the reason in `error`, for anything else.
bool ResolveTarget(const std::string& path, std::string& target, std::string& error) {
    std::string at = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat status;
        if (lstat(at.c_str(), &status) != 0) {
            if (errno != ENOENT) {
                error = Explain("cannot save", path, errno);
                return false;
            }
            target = at;
            return true;
        }
        if (!S_ISLNK(status.st_mode)) {
            if (!S_ISREG(status.st_mode)) {
                error = "cannot save " + path + ": " + KindOf(status.st_mode) +
                        (at == path ? "" : " (" + at + ")") + " is not replaced";
                return false;
            }
            target = at;
            return true;
        }
        std::string link(static_cast<size_t>(status.st_size) + 256, '\0');
        const ssize_t length = readlink(at.c_str(), link.data(), link.size());
        if (length < 0 || static_cast<size_t>(length) >= link.size()) {
            error = Explain("cannot follow the link", at, length < 0 ? errno : ENAMETOOLONG);
            return false;
        }
        link.resize(static_cast<size_t>(length));
        std::string directory, name;
        SplitPath(at, directory, name);
        at = link.front() == '/' ? link : directory + "/" + link;
    }
    error = Explain("cannot save", path, ELOOP);
    return false;
}

// Temporary names are short, whatever the target's length, so that a target whose name is near
// the file system's limit can still be saved: ".~" + a digest of the target's name + the
// writer's process id + a number unique to the call.
std::string TemporaryPrefix(const std::string& name) {
    uint32_t digest = 2166136261u;
    for (const char c : name)
        digest = (digest ^ static_cast<uint8_t>(c)) * 16777619u;
    char text[16];
    std::snprintf(text, sizeof text, ".~%08x-", digest);
    return text;
}

// Removes temporaries of this target left by writers that no longer run. A writer that still
// runs (or a process that took over its id) keeps its file; a name of another shape is never
// touched.
void RemoveStaleTemporaries(const std::string& directory, const std::string& prefix) {
    DIR* folder = opendir(directory.c_str());
    if (folder == nullptr) return;
    while (const dirent* entry = readdir(folder)) {
        const std::string name = entry->d_name;
        if (name.compare(0, prefix.size(), prefix) != 0) continue;
        char* end = nullptr;
        const long writer = std::strtol(name.c_str() + prefix.size(), &end, 10);
        if (writer <= 0 || *end != '-' || writer == getpid()) continue;
        if (kill(static_cast<pid_t>(writer), 0) != 0 && errno == ESRCH)
            unlink((directory + "/" + name).c_str());
    }
    closedir(folder);
}

std::string TemporaryName(const std::string& directory, const std::string& prefix) {
    static std::atomic<unsigned> counter{0};
    thread_local std::mt19937 random{std::random_device{}()};
    return directory + "/" + prefix + std::to_string(getpid()) + "-" +
           std::to_string(counter.fetch_add(1)) + "-" + std::to_string(random() % 1000000);
}

// Creates a new temporary file in `directory`, created exclusively, so that two processes (or
// two threads) saving side by side never write into the same one. With `unnamed` (where the
// system supports it) the file gets no name yet and `temporary` stays empty.
int CreateTemporary(const std::string& directory, const std::string& prefix, bool unnamed,
                    std::string& temporary) {
    temporary.clear();
#ifdef O_TMPFILE
    if (unnamed) {
        const int fd = open(directory.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        // File systems without unnamed files say so in several ways; those fall back to a name.
        if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)) return fd;
    }
#else
    (void)unnamed;
#endif
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = TemporaryName(directory, prefix);
        const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

// Gives a complete unnamed temporary its name.
bool NameTemporary(int fd, const std::string& directory, const std::string& prefix,
                   std::string& temporary) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = TemporaryName(directory, prefix);
        if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temporary.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return true;
        if (errno != EEXIST) break;
    }
    temporary.clear();
    return false;
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

enum class Written { Complete, Failed, Unnamable };

// Writes the bytes into a new temporary file and names it; `temporary` is its name on success.
Written WriteTemporary(const std::string& directory, const std::string& prefix,
                       const std::string& target, const OrnByteSource& source, bool unnamed,
                       std::string& temporary, std::string& error) {
    const int fd = CreateTemporary(directory, prefix, unnamed, temporary);
    if (fd < 0) {
        error = Explain("cannot create a temporary file for", target, errno);
        return Written::Failed;
    }
    const std::string shown = temporary.empty() ? "a temporary file for " + target : temporary;
    // Replacing a file keeps its permissions.
    struct stat old;
    if (stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) fchmod(fd, old.st_mode & 07777);

    bool written =
        source([fd](const uint8_t* data, size_t size) { return WriteAll(fd, data, size); }) &&
        SyncFile(fd);
    int failure = errno;
    Written result = Written::Complete;
    if (written && temporary.empty() && !NameTemporary(fd, directory, prefix, temporary)) {
        written = false;
        result = Written::Unnamable;
    }
    const bool closed = close(fd) == 0;
    if (written && !closed) failure = errno;
    if (!written || !closed) {
        if (result != Written::Unnamable) error = Explain("cannot write", shown, failure);
        if (!temporary.empty()) unlink(temporary.c_str());
        return result == Written::Unnamable ? result : Written::Failed;
    }
    return Written::Complete;
}
}  // namespace

bool OrnWriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes,
                            std::string* error) {
    return OrnWriteFileAtomically(
        path, [&](const auto& write) { return write(bytes.data(), bytes.size()); }, error);
}

bool OrnWriteFileAtomically(const std::string& path, const OrnByteSource& source,
                            std::string* error) {
    std::string reason, target, directory, name, temporary;
    const auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    if (!ResolveTarget(path, target, reason)) return fail(reason);
    SplitPath(target, directory, name);
    if (name.empty() || name == "." || name == "..")
        return fail(Explain("cannot save", path, EISDIR));
    const std::string prefix = TemporaryPrefix(name);
    RemoveStaleTemporaries(directory, prefix);

    Written written = WriteTemporary(directory, prefix, target, source, true, temporary, reason);
    // Without /proc an unnamed file cannot be given its name: write a named one instead.
    if (written == Written::Unnamable)
        written = WriteTemporary(directory, prefix, target, source, false, temporary, reason);
    if (written != Written::Complete) return fail(reason);
    if (rename(temporary.c_str(), target.c_str()) != 0) {
        const int failure = errno;
        unlink(temporary.c_str());
        return fail(Explain("cannot replace", path, failure));
    }
    SyncDirectory(directory);
    return true;
}

bool OrnReadFile(const std::string& path, std::vector<uint8_t>& bytes, std::string* error,
                 size_t limit) {
    bytes.clear();
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return OrnReadAnswer(Explain("cannot open", path, errno), bytes, error);
    const std::string failure =
        OrnReadInPieces(path, limit, bytes, [&](uint8_t* buffer, size_t capacity, size_t& count) {
            for (;;) {
                const ssize_t got = read(fd, buffer, capacity);
                if (got < 0 && errno == EINTR) continue;
                if (got < 0) return Explain("cannot read", path, errno);
                count = static_cast<size_t>(got);
                return std::string();
            }
        });
    close(fd);
    return OrnReadAnswer(failure, bytes, error);
}
