// The operating-system services the plug-in calls, one contract for every OS. The Win32
// build calls the real services; elsewhere a POSIX stand-in gives them the same meaning.
//
// Each call sits at the level of the Win32 call it stands for and keeps that call's values:
// attribute bits, file times and ancestor kinds are the Win32 numbers, so the operations read
// the same on every OS.
#pragma once

#include <cstdint>
#include <optional>
#include <type_traits>

namespace platform {

// ---- Time ----

// Milliseconds since the system started, in 32 bits (wraps after about 49.7 days). Win32:
// GetTickCount. POSIX: the monotonic clock.
uint32_t GetTickCount();

// ---- Paths ----

// A path is NUL-terminated UTF-16: wchar_t where it has 16 bits, char16_t elsewhere (the same
// type as the engine's wide text). Win32 takes it as it stands. POSIX converts it to UTF-8;
// a path holding an unpaired surrogate has no UTF-8 spelling and names no file, so every call
// below fails for it as for a missing path. A null path fails as well.
using WideChar = std::conditional_t<sizeof(wchar_t) == 2, wchar_t, char16_t>;

// ---- Files ----

// Share modes of FileHandle::OpenForReading: which other openers the handle admits while it is
// open. Win32 refuses the open when the file is already open in a way the mode does not admit
// (e.g. ShareRead refuses a file another program holds open for writing). POSIX has no
// mandatory sharing: the mode is accepted and ignored, so that refusal never happens there.
enum class ShareMode : uint32_t {
    Read = 0x1,       // FILE_SHARE_READ
    ReadWrite = 0x3,  // FILE_SHARE_READ | FILE_SHARE_WRITE
};

// A last-write time: 100-nanosecond intervals since 1601-01-01 00:00 UTC, split like the
// Win32 FILETIME (low and high 32 bits).
struct FileTime {
    uint32_t lowDateTime;
    uint32_t highDateTime;
};

// -1 when `a` is earlier than `b`, 0 when equal, +1 when later (Win32: CompareFileTime).
int CompareFileTime(const FileTime& a, const FileTime& b);

// An open file, closed when the object goes (Win32: CloseHandle). Move-only.
class FileHandle {
public:
    // Opens an existing file for reading (Win32: CreateFileW with GENERIC_READ, the share mode,
    // no security attributes, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, no template). Fails (the
    // handle is not open) for a null or missing path, a directory, a path the caller may not
    // read and, on Win32, a sharing conflict. POSIX opens without blocking, so a FIFO or device
    // does not stall the caller; it opens like a file and reports what fstat says of it.
    static FileHandle OpenForReading(const WideChar* path, ShareMode share);

    FileHandle() = default;
    ~FileHandle();
    FileHandle(FileHandle&& other) noexcept;
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    bool IsOpen() const { return native != kClosed; }

    // The low 32 bits of the file's size in bytes (Win32: GetFileSize without the high part).
    // 0xFFFFFFFF (INVALID_FILE_SIZE) when the size cannot be read or the handle is not open;
    // a file whose low 32 bits are all ones gives the same value.
    uint32_t GetSizeLow() const;

    // The last-write time (Win32: GetFileTime asking for the last-write time only). Empty when
    // it cannot be read or the handle is not open. POSIX: the modification time, empty when it
    // lies before 1601 or beyond what a signed 64-bit count of intervals holds.
    std::optional<FileTime> GetLastWriteTime() const;

    // Closes now rather than at destruction; a closed handle ignores it.
    void Close() noexcept;

private:
    // A Win32 HANDLE or a POSIX descriptor; -1 is INVALID_HANDLE_VALUE on Win32 and no
    // descriptor on POSIX, so one sentinel serves both.
    static constexpr intptr_t kClosed = -1;
    explicit FileHandle(intptr_t handle) : native(handle) {}
    intptr_t native = kClosed;
};

// ---- File attributes ----

// The Win32 attribute bits this layer reports.
inline constexpr uint32_t kFileAttributeReadOnly = 0x01;        // FILE_ATTRIBUTE_READONLY
inline constexpr uint32_t kFileAttributeHidden = 0x02;          // FILE_ATTRIBUTE_HIDDEN
inline constexpr uint32_t kFileAttributeDirectory = 0x10;       // FILE_ATTRIBUTE_DIRECTORY
inline constexpr uint32_t kFileAttributeArchive = 0x20;         // FILE_ATTRIBUTE_ARCHIVE
inline constexpr uint32_t kFileAttributeNormal = 0x80;          // FILE_ATTRIBUTE_NORMAL
inline constexpr uint32_t kFileAttributeReparsePoint = 0x400;   // FILE_ATTRIBUTE_REPARSE_POINT
inline constexpr uint32_t kInvalidFileAttributes = 0xFFFFFFFF;  // INVALID_FILE_ATTRIBUTES

// The attributes of a path (Win32: GetFileAttributesW); kInvalidFileAttributes when the path
// does not exist or cannot be examined.
//
// POSIX mapping. A symbolic link is examined as a link (lstat), the way Win32 reports the
// reparse point itself rather than its target:
//   directory            0x10, and the target's directory bit for a link to a directory
//   read-only            0x01 when the owner lacks write permission (the mode bits, whoever
//                        asks; a link takes its target's mode, a dangling link has none)
//   hidden               0x02 when the last component of the path (trailing '/' ignored)
//                        starts with '.', except "." and ".."
//   reparse point        0x400 for a symbolic link
//   normal               0x80 for anything else that carries none of the bits above (Win32
//                        reports it only alone); no archive bit is ever set
// So exactly 0x10, a plain directory, is reported for a directory that the owner may write,
// whose name does not start with '.', reached by a path whose last component is not a link.
// A read-only (0x11) or hidden (0x12) directory, or a link to one (0x410), is not exactly 0x10.
uint32_t GetPathAttributes(const WideChar* path);

// ---- Windows ----

// A window handle, compared for identity only; null is an ordinary value.
using WindowHandle = void*;

// What GetAncestor climbs to; the values are Win32's.
enum class AncestorKind : uint32_t {
    Root = 2,       // GA_ROOT: the top-level window, by the chain of parent windows
    RootOwner = 3,  // GA_ROOTOWNER: from there on, by the chain of owners too
};

// The active window of the calling thread's message queue (Win32: GetActiveWindow); null when
// the thread has none. Depends on which thread asks.
WindowHandle GetActiveWindow();
// The window the user works with now, for every thread alike (Win32: GetForegroundWindow);
// may be null.
WindowHandle GetForegroundWindow();
// The ancestor of `window` (Win32: GetAncestor); a window without parent (owner) is its own
// root (root owner). Null for a null or unknown window.
WindowHandle GetAncestor(WindowHandle window, AncestorKind kind);
// POSIX has no window system of its own here: these three answer from the window model a host
// sets up through WindowModel.h.

}  // namespace platform
