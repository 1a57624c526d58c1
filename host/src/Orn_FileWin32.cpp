// Reading files and replacing them atomically on Windows.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "Orn_FileStream.h"
#include "Orn_ReadInPieces.h"

namespace {
std::wstring Widen(const std::string& text) {
    if (text.empty()) return {};
    const int count =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(count), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), count);
    return wide;
}

std::string Narrow(const std::wstring& wide) {
    if (wide.empty()) return {};
    const int count = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                          nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(count), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), count,
                        nullptr, nullptr);
    return text;
}

std::string Explain(const std::string& what, const std::string& path, DWORD code) {
    return what + " " + path + ": system error " + std::to_string(code);
}

// The file a save must replace: `path` itself when nothing is there yet, otherwise the file it
// leads to through any links, which must be a file on a disk (not a directory or a device).
bool ResolveTarget(const std::string& path, std::string& target, std::string& error) {
    const HANDLE file =
        CreateFileW(Widen(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND) {
            target = path;
            return true;
        }
        error = Explain("cannot save", path, code);
        return false;
    }
    BY_HANDLE_FILE_INFORMATION information{};
    const bool regular = GetFileType(file) == FILE_TYPE_DISK &&
                         GetFileInformationByHandle(file, &information) &&
                         (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    std::wstring final(MAX_PATH, L'\0');
    DWORD length =
        regular ? GetFinalPathNameByHandleW(file, final.data(), static_cast<DWORD>(final.size()), 0)
                : 0;
    if (length >= final.size()) {
        final.resize(length + 1);
        length = GetFinalPathNameByHandleW(file, final.data(), static_cast<DWORD>(final.size()), 0);
    }
    CloseHandle(file);
    if (!regular) {
        error = "cannot save " + path + ": a directory or device is not replaced";
        return false;
    }
    // A path the system cannot name back is replaced where it stands.
    final.resize(length < final.size() ? length : 0);
    target = final.empty() ? path : Narrow(final);
    return true;
}

// Creates a new temporary file beside the target; the name holds the process id and a
// per-process counter, and CREATE_NEW never opens a file another process already made. The
// name is short whatever the target's length, so a long target name still fits.
HANDLE CreateTemporary(const std::string& path, std::string& temporary) {
    static std::atomic<unsigned> counter{0};
    const size_t slash = path.find_last_of("/\\");
    const std::string directory = slash == std::string::npos ? "." : path.substr(0, slash);
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[48];
        std::snprintf(name, sizeof name, ".~%lu-%u-%lu", GetCurrentProcessId(),
                      counter.fetch_add(1), GetTickCount() % 1000000);
        temporary = directory + "\\" + name;
        const HANDLE file = CreateFileW(Widen(temporary).c_str(), GENERIC_WRITE, 0, nullptr,
                                        CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return file;
    }
    return INVALID_HANDLE_VALUE;
}

bool WriteAll(HANDLE file, const uint8_t* data, size_t size) {
    while (size > 0) {
        const DWORD piece = size < (size_t{1} << 30) ? static_cast<DWORD>(size) : DWORD{1} << 30;
        DWORD written = 0;
        if (!WriteFile(file, data, piece, &written, nullptr) || written == 0) return false;
        data += written;
        size -= written;
    }
    return true;
}
// Moves the temporary file over the target. Unlike a POSIX rename, the move is refused while
// the target is being replaced by another save or is open without delete sharing (a reader,
// a virus scanner); both pass within moments, so the move is tried again for about a second
// before the save fails.
bool ReplaceWith(const std::string& temporary, const std::string& path) {
    const std::wstring from = Widen(temporary);
    const std::wstring to = Widen(path);
    for (int attempt = 0;; ++attempt) {
        if (MoveFileExW(from.c_str(), to.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        const DWORD code = GetLastError();
        if ((code != ERROR_ACCESS_DENIED && code != ERROR_SHARING_VIOLATION) || attempt == 100)
            return false;
        Sleep(10);
    }
}
}  // namespace

bool OrnWriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes,
                            std::string* error) {
    return OrnWriteFileAtomically(
        path, [&](const auto& write) { return write(bytes.data(), bytes.size()); }, error);
}

bool OrnWriteFileAtomically(const std::string& path, const OrnByteSource& source,
                            std::string* error) {
    std::string temporary, target, reason;
    if (!ResolveTarget(path, target, reason)) {
        if (error) *error = reason;
        return false;
    }
    const HANDLE file = CreateTemporary(target, temporary);
    if (file == INVALID_HANDLE_VALUE) {
        if (error) *error = Explain("cannot create a temporary file for", path, GetLastError());
        return false;
    }
    const bool written =
        source([file](const uint8_t* data, size_t size) { return WriteAll(file, data, size); }) &&
        FlushFileBuffers(file);
    const DWORD writeError = GetLastError();
    const bool closed = CloseHandle(file) != 0;
    if (!written || !closed) {
        if (error)
            *error = Explain("cannot write", temporary, written ? GetLastError() : writeError);
        DeleteFileW(Widen(temporary).c_str());
        return false;
    }
    if (!ReplaceWith(temporary, target)) {
        if (error) *error = Explain("cannot replace", path, GetLastError());
        DeleteFileW(Widen(temporary).c_str());
        return false;
    }
    return true;
}

bool OrnReadFile(const std::string& path, std::vector<uint8_t>& bytes, std::string* error,
                 size_t limit) {
    bytes.clear();
    const HANDLE file = CreateFileW(Widen(path).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return OrnReadAnswer(Explain("cannot open", path, GetLastError()), bytes, error);
    const std::string failure =
        OrnReadInPieces(path, limit, bytes, [&](uint8_t* buffer, size_t capacity, size_t& count) {
            DWORD got = 0;
            if (!ReadFile(file, buffer, static_cast<DWORD>(capacity), &got, nullptr)) {
                const DWORD code = GetLastError();
                // A pipe whose writer has gone has simply ended.
                if (code != ERROR_BROKEN_PIPE && code != ERROR_HANDLE_EOF)
                    return Explain("cannot read", path, code);
            }
            count = got;
            return std::string();
        });
    CloseHandle(file);
    return OrnReadAnswer(failure, bytes, error);
}
