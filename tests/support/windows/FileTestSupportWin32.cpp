// The Windows side of the file helpers: attributes, SetFileTime, sparse files and the
// process's handle count.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "support/FileTestSupport.h"

namespace fs = std::filesystem;

namespace {

std::string LastError(const std::string& what) {
    return what + " (error " + std::to_string(::GetLastError()) + ")";
}

// Closes a handle on every way out.
struct OwnedHandle {
    HANDLE handle;
    ~OwnedHandle() {
        if (handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
    }
};

}  // namespace

void MakeRemovable(const fs::path& root) {
    // Read-only files and directories refuse deletion; hidden and system ones are fine but
    // are cleared alike so that nothing the tests set survives.
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(root, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        ::SetFileAttributesW(it->path().c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

void SetFileLength(const fs::path& path, uint64_t size) {
    OwnedHandle file{::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (file.handle == INVALID_HANDLE_VALUE)
        throw std::runtime_error(LastError("cannot open " + Utf8(path)));
    // Without the sparse mark NTFS would write every byte of a large size; a file system
    // without sparse files refuses the mark, and then only the length decides.
    DWORD returned = 0;
    ::DeviceIoControl(file.handle, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(size);
    if (!::SetFilePointerEx(file.handle, end, nullptr, FILE_BEGIN) || !::SetEndOfFile(file.handle))
        throw FileTooLarge(
            LastError("cannot give " + Utf8(path) + " " + std::to_string(size) + " bytes"));
}

void SetModificationTime(const std::string& path, int64_t seconds, long nanoseconds) {
    // 100-nanosecond intervals since 1601-01-01, which lies 11644473600 s before 1970.
    const int64_t intervals = (seconds + 11644473600) * 10000000 + nanoseconds / 100;
    if (intervals < 0) throw std::runtime_error("a time before 1601 has no FILETIME");
    FILETIME lastWrite;
    lastWrite.dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(intervals));
    lastWrite.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(intervals) >> 32);
    // Backup semantics open directories as well as files.
    OwnedHandle file{::CreateFileW(FsPath(path).c_str(), FILE_WRITE_ATTRIBUTES,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)};
    if (file.handle == INVALID_HANDLE_VALUE)
        throw std::runtime_error(LastError("cannot open " + path));
    if (!::SetFileTime(file.handle, nullptr, nullptr, &lastWrite))
        throw std::runtime_error(LastError("SetFileTime failed for " + path));
}

namespace {

struct HandleEntry {  // SYSTEM_HANDLE_TABLE_ENTRY_INFO_EX
    void* object;
    ULONG_PTR processId;
    ULONG_PTR handleValue;
    ULONG grantedAccess;
    USHORT creatorBackTraceIndex;
    USHORT objectTypeIndex;
    ULONG handleAttributes;
    ULONG reserved;
};

// This process's entries of the system's handle table. GetProcessHandleCount would count
// every kind of handle, also the thread and event handles that runtimes make lazily (the
// test framework does on the first trace of a thread), and Wine answers it with 0.
std::vector<HandleEntry> OwnHandles() {
    using Query = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);
    static const auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    constexpr ULONG kExtendedHandleInformation = 64;
    constexpr LONG kLengthMismatch = static_cast<LONG>(0xC0000004);
    if (query == nullptr) throw std::runtime_error("no NtQuerySystemInformation");

    std::vector<unsigned char> buffer(1 << 16);
    for (;;) {
        ULONG needed = 0;
        const LONG status = query(kExtendedHandleInformation, buffer.data(),
                                  static_cast<ULONG>(buffer.size()), &needed);
        if (status == kLengthMismatch) {
            buffer.resize(std::max<size_t>(buffer.size() * 2, needed + 4096));
            continue;
        }
        if (status != 0) throw std::runtime_error("the handle table cannot be read");
        break;
    }
    // SYSTEM_HANDLE_INFORMATION_EX: a count, a reserved word, then the entries.
    constexpr size_t kEntriesOffset = 2 * sizeof(ULONG_PTR);
    ULONG_PTR entries = 0;
    std::memcpy(&entries, buffer.data(), sizeof entries);
    const ULONG_PTR self = ::GetCurrentProcessId();
    std::vector<HandleEntry> own;
    for (ULONG_PTR i = 0; i < entries; ++i) {
        const size_t offset = kEntriesOffset + i * sizeof(HandleEntry);
        if (offset + sizeof(HandleEntry) > buffer.size()) break;
        HandleEntry entry;
        std::memcpy(&entry, buffer.data() + offset, sizeof entry);
        if (entry.processId == self) own.push_back(entry);
    }
    return own;
}

// The type number of file handles, learnt from a handle of our own on the executable.
USHORT FileHandleType() {
    wchar_t self[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    if (length == 0 || length == MAX_PATH) throw std::runtime_error("no module file name");
    OwnedHandle probe{::CreateFileW(self, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, 0, nullptr)};
    if (probe.handle == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open the module");
    for (const HandleEntry& entry : OwnHandles()) {
        if (entry.handleValue == reinterpret_cast<ULONG_PTR>(probe.handle))
            return entry.objectTypeIndex;
    }
    throw std::runtime_error("the handle table does not list our own handle");
}

}  // namespace

int OpenHandleCount() {
    static const USHORT fileType = FileHandleType();
    int count = 0;
    for (const HandleEntry& entry : OwnHandles()) {
        if (entry.objectTypeIndex == fileType) ++count;
    }
    return count;
}

bool FileNamesMayHoldControls() {
    return false;
}
