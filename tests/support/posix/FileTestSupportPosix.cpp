// The POSIX side of the file helpers: modes, utimensat and /proc/self/fd.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "support/FileTestSupport.h"

namespace fs = std::filesystem;

void MakeRemovable(const fs::path& root) {
    // Directories the owner may not write would stop the removal for an ordinary user.
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(root, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (it->is_directory(error) && !it->is_symlink(error)) chmod(it->path().c_str(), 0700);
    }
    chmod(root.c_str(), 0700);
}

void SetFileLength(const fs::path& path, uint64_t size) {
    // truncate leaves a hole, so a large size costs no blocks where the file system has holes.
    if (::truncate(path.c_str(), static_cast<off_t>(size)) != 0) {
        const int code = errno;
        const std::string message = path.string() + ": " + std::strerror(code);
        if (code == EFBIG || code == ENOSPC || code == EINVAL) throw FileTooLarge(message);
        throw std::runtime_error(message);
    }
}

void SetModificationTime(const std::string& path, int64_t seconds, long nanoseconds) {
    const timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(seconds), nanoseconds}};
    if (utimensat(AT_FDCWD, path.c_str(), times, 0) != 0)
        throw std::runtime_error("utimensat failed for " + path);
}

int OpenHandleCount() {
    // The listing's own descriptor counts in every call alike.
    int count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

bool FileNamesMayHoldControls() {
    return true;
}
