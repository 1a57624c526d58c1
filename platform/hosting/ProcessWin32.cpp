#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "Process.h"

namespace platform {

std::string ExecutablePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        // A full buffer means the path was cut: try again with more room.
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, path.data(), static_cast<int>(path.size()),
                                          nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return {};
    std::string utf8(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), utf8.data(), bytes,
                        nullptr, nullptr);
    return utf8;
}

namespace {
bool IsConsole(DWORD stream) {
    const HANDLE handle = GetStdHandle(stream);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
           GetFileType(handle) == FILE_TYPE_CHAR;
}
}  // namespace

const char* PathSeparators() {
    return "\\/";
}

bool StandardOutputIsTerminal() {
    return IsConsole(STD_OUTPUT_HANDLE);
}

bool StandardErrorIsTerminal() {
    return IsConsole(STD_ERROR_HANDLE);
}

void UseBinaryStandardOutput() {
    std::fflush(stdout);
    _setmode(_fileno(stdout), _O_BINARY);
}

void UseBinaryStandardInput() {
    _setmode(_fileno(stdin), _O_BINARY);
}

namespace {
// The process ends with the exception's code as its exit status.
LONG WINAPI EndWithoutDebugger(EXCEPTION_POINTERS*) {
    return EXCEPTION_EXECUTE_HANDLER;
}
}  // namespace

void EndQuietlyOnCrash() {
    // Also no dialog when a plug-in file is not a library: the load just fails.
    SetErrorMode(GetErrorMode() | SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    // Wine 8 starts its debugger whatever the error mode says, but asks this filter first.
    SetUnhandledExceptionFilter(EndWithoutDebugger);
}

bool ReadStandardInput(std::string& bytes, size_t limit, std::string& reason) {
    _setmode(_fileno(stdin), _O_BINARY);
    bytes.clear();
    char buffer[1 << 16];
    size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, stdin)) > 0) {
        bytes.append(buffer, count);
        if (bytes.size() > limit) {
            reason = "standard input: it is larger than " + std::to_string(limit) + " bytes";
            return false;
        }
    }
    if (std::ferror(stdin)) {
        reason = "cannot read standard input";
        return false;
    }
    return true;
}

bool EnableTerminalRedraw() {
    const HANDLE handle = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (!IsConsole(STD_OUTPUT_HANDLE) || !GetConsoleMode(handle, &mode)) return false;
    return SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

size_t StandardErrorColumns() {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info)) return 0;
    return static_cast<size_t>(info.srWindow.Right - info.srWindow.Left + 1);
}

}  // namespace platform
