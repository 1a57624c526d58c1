// Files for tests, on every OS alike: a fresh temporary directory removed afterwards, file
// makers, explicit last-write times, and a count of the process's open handles. Paths are
// UTF-8 text, the way the tests hand them to text children. One implementation per OS
// (posix/FileTestSupportPosix.cpp, windows/FileTestSupportWin32.cpp).
#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "Kch_TextChannel.h"
#include "Platform.h"

// A file the file system cannot hold at the asked size (no sparse files, a size limit, no
// room). Tests of large files skip on it rather than fail.
class FileTooLarge : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TempDirectory {
public:
    TempDirectory();
    // Removes everything inside, also what was made read-only or hidden.
    ~TempDirectory();
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;

    // The path of `name` inside the directory (nothing is made).
    std::string Path(const std::string& name) const;

    // A file of `size` bytes; beyond a few bytes it is sparse where the file system allows,
    // so gigabytes cost nothing. Throws FileTooLarge when the size cannot be reached.
    std::string File(const std::string& name, uint64_t size = 0) const;
    // A plain directory (no attribute but the directory's own; owner may write).
    std::string Directory(const std::string& name) const;

    // The names inside, sorted, so that a test sees any temporary file left behind.
    std::vector<std::string> Entries() const;

    const std::filesystem::path& Root() const { return root; }

private:
    std::filesystem::path root;
};

// Sets the last-write time of a file or directory exactly (seconds and nanoseconds since
// 1970-01-01 UTC; negative seconds lie before). Throws when the system refuses.
void SetModificationTime(const std::string& path, int64_t seconds, long nanoseconds);

// The files and directories this process holds open now (POSIX: every descriptor; Windows:
// the handles of the file type, not the threads and events runtimes make on their own).
// Counting leaves nothing open, so two counts around an operation differ by what the
// operation left behind.
int OpenHandleCount();

// Whether a file's name may hold control characters (a line break, an escape): POSIX names may,
// Windows refuses them (ERROR_INVALID_NAME).
bool FileNamesMayHoldControls();

// A UTF-8 path as the engine's wide text (the unit the system takes) and as the char16_t text
// the host's setters take; the two are one type except where wchar_t has 16 bits.
inline OrnWideString Wide(const std::string& utf8) {
    return OrnUtf8ToWide(utf8);
}
inline std::u16string Utf16(const std::string& utf8) {
    const OrnWideString wide = Wide(utf8);
    return std::u16string(wide.begin(), wide.end());
}

// A UTF-8 path as std::filesystem takes it on every OS (Windows would read a plain
// std::string in the ANSI code page).
inline std::filesystem::path FsPath(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string Utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// The platform layer's file calls on a UTF-8 path.
inline platform::FileHandle OpenPath(const std::string& path,
                                     platform::ShareMode share = platform::ShareMode::Read) {
    return platform::FileHandle::OpenForReading(Wide(path).c_str(), share);
}

inline uint32_t PathAttributes(const std::string& path) {
    return platform::GetPathAttributes(Wide(path).c_str());
}
