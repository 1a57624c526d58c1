// Files for tests: a fresh temporary directory removed afterwards, file makers, explicit
// modification times, and a count of the process's open descriptors.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "Kch_TextChannel.h"

class TempDirectory {
public:
    TempDirectory() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "quantifier-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        root = pattern;
    }
    ~TempDirectory() {
        // Read-only directories inside would stop the removal for an ordinary user.
        std::error_code error;
        for (auto it = std::filesystem::recursive_directory_iterator(root, error);
             !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
            if (it->is_directory(error) && !it->is_symlink(error)) chmod(it->path().c_str(), 0700);
        }
        std::filesystem::remove_all(root, error);
    }
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;

    std::string Path(const std::string& name) const { return (root / name).string(); }

    // A file of `size` bytes; beyond a few bytes it is sparse, so gigabytes cost nothing.
    std::string File(const std::string& name, uint64_t size = 0) const {
        const std::string path = Path(name);
        std::ofstream(path, std::ios::binary).put('x');
        std::filesystem::resize_file(path, size);
        return path;
    }
    std::string Directory(const std::string& name, mode_t mode = 0755) const {
        const std::string path = Path(name);
        std::filesystem::create_directory(path);
        chmod(path.c_str(), mode);
        return path;
    }
    std::string Symlink(const std::string& name, const std::string& target) const {
        const std::string path = Path(name);
        std::filesystem::create_symlink(target, path);
        return path;
    }

private:
    std::filesystem::path root;
};

// Sets a file's modification time exactly (seconds and nanoseconds since 1970 UTC).
inline void SetModificationTime(const std::string& path, int64_t seconds, long nanoseconds) {
    const timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(seconds), nanoseconds}};
    if (utimensat(AT_FDCWD, path.c_str(), times, 0) != 0)
        throw std::runtime_error("utimensat failed");
}

// Open descriptors of this process (the listing's own descriptor counts in every call alike).
inline int OpenDescriptorCount() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

inline OrnWideString Wide(const std::string& utf8) {
    return OrnUtf8ToWide(utf8);
}
