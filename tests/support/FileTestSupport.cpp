// The parts of the file helpers that std::filesystem covers on every OS; the rest is in
// posix/FileTestSupportPosix.cpp and windows/FileTestSupportWin32.cpp.
#include "support/FileTestSupport.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <random>

namespace fs = std::filesystem;

// Per OS: clears whatever would stop the removal of the tree (read-only directories,
// attributes), and makes an existing file exactly `size` bytes long.
void MakeRemovable(const fs::path& root);
void SetFileLength(const fs::path& path, uint64_t size);

TempDirectory::TempDirectory() {
    std::random_device random;
    const fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[32];
        std::snprintf(name, sizeof name, "quantifier-%08x", static_cast<unsigned>(random()));
        // create_directory answers false when the name is taken: another try.
        if (fs::create_directory(base / name)) {
            root = base / name;
            return;
        }
    }
    throw std::runtime_error("no fresh temporary directory in " + Utf8(base));
}

TempDirectory::~TempDirectory() {
    std::error_code error;
    MakeRemovable(root);
    fs::remove_all(root, error);
}

std::string TempDirectory::Path(const std::string& name) const {
    return Utf8(root / FsPath(name));
}

std::vector<std::string> TempDirectory::Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(root))
        names.push_back(Utf8(entry.path().filename()));
    std::sort(names.begin(), names.end());
    return names;
}

std::string TempDirectory::File(const std::string& name, uint64_t size) const {
    const std::string path = Path(name);
    std::ofstream(FsPath(path), std::ios::binary | std::ios::trunc);
    if (!fs::exists(FsPath(path))) throw std::runtime_error("cannot make " + path);
    SetFileLength(FsPath(path), size);
    return path;
}

std::string TempDirectory::Directory(const std::string& name) const {
    const std::string path = Path(name);
    fs::create_directory(FsPath(path));
    return path;
}
