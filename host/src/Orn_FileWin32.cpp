// Atomic file replacement on Windows.
#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "Orn_FileStream.h"

namespace {
std::wstring Widen(const std::string& text) {
    if (text.empty()) return {};
    const int count =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(count), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), count);
    return wide;
}

std::string Explain(const std::string& what, const std::string& path, DWORD code) {
    return what + " " + path + ": system error " + std::to_string(code);
}

// Creates a new temporary file beside the target; the name holds the process id and a
// per-process counter, and CREATE_NEW never opens a file another process already made.
HANDLE CreateTemporary(const std::string& path, std::string& temporary) {
    static std::atomic<unsigned> counter{0};
    const size_t slash = path.find_last_of("/\\");
    const std::string directory = slash == std::string::npos ? "." : path.substr(0, slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = directory + "\\." + name + ".tmp-" + std::to_string(GetCurrentProcessId()) +
                    "-" + std::to_string(counter.fetch_add(1)) + "-" +
                    std::to_string(GetTickCount());
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
    std::string temporary;
    const HANDLE file = CreateTemporary(path, temporary);
    if (file == INVALID_HANDLE_VALUE) {
        if (error) *error = Explain("cannot create a temporary file for", path, GetLastError());
        return false;
    }
    const bool written = WriteAll(file, bytes.data(), bytes.size()) && FlushFileBuffers(file);
    const DWORD writeError = GetLastError();
    const bool closed = CloseHandle(file) != 0;
    if (!written || !closed) {
        if (error)
            *error = Explain("cannot write", temporary, written ? GetLastError() : writeError);
        DeleteFileW(Widen(temporary).c_str());
        return false;
    }
    if (!ReplaceWith(temporary, path)) {
        if (error) *error = Explain("cannot replace", path, GetLastError());
        DeleteFileW(Widen(temporary).c_str());
        return false;
    }
    return true;
}
