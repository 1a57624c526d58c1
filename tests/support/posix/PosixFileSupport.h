// What only POSIX file systems express: permission modes and symbolic links that any user
// may make.
#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "support/FileTestSupport.h"

// A directory with exactly these mode bits (the umask does not apply).
inline std::string Directory(const TempDirectory& dir, const std::string& name, mode_t mode) {
    const std::string path = dir.Directory(name);
    chmod(path.c_str(), mode);
    return path;
}

inline std::string Symlink(const TempDirectory& dir, const std::string& name,
                           const std::string& target) {
    const std::string path = dir.Path(name);
    std::filesystem::create_symlink(target, path);
    return path;
}
