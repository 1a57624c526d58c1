// The Win32 services of Platform.h, called as they stand. Every system call is qualified with
// "::": the functions here share their names.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>
#include <utility>

#include "Platform.h"

static_assert(sizeof(platform::WideChar) == sizeof(WCHAR) && sizeof(wchar_t) == 2,
              "Win32 paths are 16-bit wchar_t");

namespace platform {

uint32_t GetTickCount() {
    return ::GetTickCount();
}

namespace {
HANDLE ToHandle(intptr_t native) {
    return reinterpret_cast<HANDLE>(native);
}
HWND ToWindow(WindowHandle window) {
    return static_cast<HWND>(window);
}
}  // namespace

int CompareFileTime(const FileTime& a, const FileTime& b) {
    FILETIME x{};
    x.dwLowDateTime = a.lowDateTime;
    x.dwHighDateTime = a.highDateTime;
    FILETIME y{};
    y.dwLowDateTime = b.lowDateTime;
    y.dwHighDateTime = b.highDateTime;
    return static_cast<int>(::CompareFileTime(&x, &y));
}

FileHandle FileHandle::OpenForReading(const WideChar* path, ShareMode share) {
    if (path == nullptr) return {};
    const HANDLE handle = ::CreateFileW(path, GENERIC_READ, static_cast<DWORD>(share), nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    // INVALID_HANDLE_VALUE is -1, the closed value, so a failed open stays closed.
    return FileHandle(reinterpret_cast<intptr_t>(handle));
}

void FileHandle::Close() noexcept {
    if (native == kClosed) return;
    ::CloseHandle(ToHandle(native));
    native = kClosed;
}

uint32_t FileHandle::GetSizeLow() const {
    if (!IsOpen()) return INVALID_FILE_SIZE;
    return ::GetFileSize(ToHandle(native), nullptr);
}

std::optional<FileTime> FileHandle::GetLastWriteTime() const {
    if (!IsOpen()) return std::nullopt;
    FILETIME lastWrite{};
    if (!::GetFileTime(ToHandle(native), nullptr, nullptr, &lastWrite)) return std::nullopt;
    return FileTime{lastWrite.dwLowDateTime, lastWrite.dwHighDateTime};
}

uint32_t GetPathAttributes(const WideChar* path) {
    if (path == nullptr) return kInvalidFileAttributes;
    return ::GetFileAttributesW(path);
}

WindowHandle GetActiveWindow() {
    return ::GetActiveWindow();
}

WindowHandle GetForegroundWindow() {
    return ::GetForegroundWindow();
}

WindowHandle GetAncestor(WindowHandle window, AncestorKind kind) {
    return ::GetAncestor(ToWindow(window), static_cast<UINT>(kind));
}

}  // namespace platform
