// Windows-only helpers for tests: file attributes and handles held by a test, and windows of
// the test's own on the desktop.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>
#include <vector>

#include "support/FileTestSupport.h"

// A handle closed when the test is done with it.
class ScopedHandle {
public:
    explicit ScopedHandle(HANDLE handle) : handle(handle) {}
    ~ScopedHandle() { Close(); }
    ScopedHandle(ScopedHandle&& other) noexcept : handle(other.handle) {
        other.handle = INVALID_HANDLE_VALUE;
    }
    ScopedHandle& operator=(ScopedHandle&& other) noexcept {
        if (this != &other) {
            Close();
            handle = other.handle;
            other.handle = INVALID_HANDLE_VALUE;
        }
        return *this;
    }
    bool IsOpen() const { return handle != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return handle; }
    void Close() {
        if (IsOpen()) ::CloseHandle(handle);
        handle = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE handle;
};

// Opens an existing file as another program would (any access, any share mode).
inline ScopedHandle OpenAs(const std::string& path, DWORD access, DWORD share) {
    return ScopedHandle(::CreateFileW(Wide(path).c_str(), access, share, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Sets the attributes; true when they read back with every asked bit (a file system may
// drop some, e.g. Wine keeps no read-only bit on directories).
inline bool SetAttributesKept(const std::string& path, DWORD attributes) {
    const std::wstring wide = Wide(path);
    if (!::SetFileAttributesW(wide.c_str(), attributes)) return false;
    const DWORD read = ::GetFileAttributesW(wide.c_str());
    return read != INVALID_FILE_ATTRIBUTES && (read & attributes) == attributes;
}

inline FILETIME ToFileTime(uint64_t intervals) {
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(intervals);
    time.dwHighDateTime = static_cast<DWORD>(intervals >> 32);
    return time;
}

inline bool SetLastWriteTime(const std::string& path, uint64_t intervals) {
    const ScopedHandle file(::CreateFileW(Wide(path).c_str(), FILE_WRITE_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    const FILETIME time = ToFileTime(intervals);
    return file.IsOpen() && ::SetFileTime(file.Get(), nullptr, nullptr, &time);
}
