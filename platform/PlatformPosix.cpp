// The POSIX stand-in for the Win32 services of Platform.h. The window calls live in
// WindowModelPosix.cpp.
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <limits>
#include <string>
#include <utility>

#include "Platform.h"
#include "TextCodec.h"

namespace platform {

uint32_t GetTickCount() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    // Unsigned arithmetic: the count wraps like the Win32 one.
    return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000u +
                                 static_cast<uint64_t>(now.tv_nsec) / 1000000u);
}

namespace {

// UTF-16 to UTF-8; empty for a null path or one holding an unpaired surrogate, which no UTF-8
// name spells (substituting U+FFFD could name some other file).
std::optional<std::string> ToUtf8(const WideChar* path) {
    if (path == nullptr) return std::nullopt;
    return codec::Utf16ToUtf8(std::basic_string_view<WideChar>(path), codec::OnInvalid::Refuse);
}

int Descriptor(intptr_t native) {
    return static_cast<int>(native);
}

// Seconds from 1601-01-01 to 1970-01-01, both UTC.
constexpr int64_t kEpochDifference = 11644473600;
constexpr uint64_t kIntervalsPerSecond = 10000000;

std::optional<FileTime> ToFileTime(const timespec& time) {
    const int64_t seconds = time.tv_sec;
    if (seconds < -kEpochDifference || time.tv_nsec < 0 || time.tv_nsec >= 1000000000)
        return std::nullopt;
    constexpr int64_t kMaxSeconds =
        std::numeric_limits<int64_t>::max() / static_cast<int64_t>(kIntervalsPerSecond) -
        kEpochDifference;
    if (seconds > kMaxSeconds) return std::nullopt;
    const uint64_t since1601 = static_cast<uint64_t>(seconds + kEpochDifference);
    const uint64_t intervals =
        since1601 * kIntervalsPerSecond + static_cast<uint64_t>(time.tv_nsec) / 100u;
    if (intervals > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) return std::nullopt;
    return FileTime{static_cast<uint32_t>(intervals), static_cast<uint32_t>(intervals >> 32)};
}

bool IsHiddenName(const std::string& path) {
    size_t end = path.size();
    while (end > 0 && path[end - 1] == '/')
        --end;
    const size_t slash = path.rfind('/', end == 0 ? 0 : end - 1);
    const size_t begin = slash == std::string::npos ? 0 : slash + 1;
    if (begin >= end) return false;
    const std::string name = path.substr(begin, end - begin);
    return name[0] == '.' && name != "." && name != "..";
}

}  // namespace

int CompareFileTime(const FileTime& a, const FileTime& b) {
    const uint64_t x = (static_cast<uint64_t>(a.highDateTime) << 32) | a.lowDateTime;
    const uint64_t y = (static_cast<uint64_t>(b.highDateTime) << 32) | b.lowDateTime;
    return x < y ? -1 : (x > y ? 1 : 0);
}

FileHandle FileHandle::OpenForReading(const WideChar* path, ShareMode) {
    const std::optional<std::string> name = ToUtf8(path);
    if (!name) return {};
    // Without O_NONBLOCK, opening a FIFO would wait for a writer.
    const int fd = ::open(name->c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return {};
    // POSIX opens directories for reading; Win32 refuses them without backup semantics.
    struct stat info {};
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        ::close(fd);
        return {};
    }
    return FileHandle(fd);
}

void FileHandle::Close() noexcept {
    if (native == kClosed) return;
    // Retrying after EINTR could close a descriptor another thread has just been given.
    ::close(Descriptor(native));
    native = kClosed;
}

uint32_t FileHandle::GetSizeLow() const {
    struct stat info {};
    if (!IsOpen() || ::fstat(Descriptor(native), &info) != 0) return 0xFFFFFFFFu;
    return static_cast<uint32_t>(static_cast<uint64_t>(info.st_size));
}

std::optional<FileTime> FileHandle::GetLastWriteTime() const {
    struct stat info {};
    if (!IsOpen() || ::fstat(Descriptor(native), &info) != 0) return std::nullopt;
    return ToFileTime(info.st_mtim);
}

uint32_t GetPathAttributes(const WideChar* path) {
    const std::optional<std::string> name = ToUtf8(path);
    if (!name) return kInvalidFileAttributes;
    struct stat link {};
    if (::lstat(name->c_str(), &link) != 0) return kInvalidFileAttributes;

    uint32_t attributes = 0;
    bool hasMode = true;
    struct stat target = link;
    if (S_ISLNK(link.st_mode)) {
        attributes |= kFileAttributeReparsePoint;
        hasMode = ::stat(name->c_str(), &target) == 0;
    }
    if (hasMode && S_ISDIR(target.st_mode)) attributes |= kFileAttributeDirectory;
    if (hasMode && (target.st_mode & S_IWUSR) == 0) attributes |= kFileAttributeReadOnly;
    if (IsHiddenName(*name)) attributes |= kFileAttributeHidden;
    return attributes == 0 ? kFileAttributeNormal : attributes;
}

}  // namespace platform
