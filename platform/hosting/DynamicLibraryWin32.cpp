// The Win32 loader behind DynamicLibrary.h.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>
#include <utility>

#include "DynamicLibrary.h"

namespace platform {

namespace {
std::wstring Utf8ToWide(const std::string& text, bool& ok) {
    ok = true;
    if (text.empty()) return {};
    const int length = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                                             static_cast<int>(text.size()), nullptr, 0);
    if (length <= 0) {
        ok = false;
        return {};
    }
    std::wstring wide(static_cast<size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                          wide.data(), length);
    return wide;
}

std::string SystemMessage(DWORD code, const std::string& fallback) {
    char* buffer = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<LPSTR>(&buffer), 0, nullptr);
    std::string message = length > 0 && buffer != nullptr ? std::string(buffer, length) : fallback;
    if (buffer != nullptr) ::LocalFree(buffer);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
        message.pop_back();
    return message;
}
}  // namespace

DynamicLibrary::~DynamicLibrary() {
    if (handle != nullptr) ::FreeLibrary(static_cast<HMODULE>(handle));
}

DynamicLibrary::DynamicLibrary(DynamicLibrary&& other) noexcept
    : handle(std::exchange(other.handle, nullptr)) {}

DynamicLibrary& DynamicLibrary::operator=(DynamicLibrary&& other) noexcept {
    if (this != &other) {
        if (handle != nullptr) ::FreeLibrary(static_cast<HMODULE>(handle));
        handle = std::exchange(other.handle, nullptr);
    }
    return *this;
}

DynamicLibrary DynamicLibrary::Open(const std::string& path, std::string* error) {
    DynamicLibrary library;
    bool ok = false;
    const std::wstring widePath = Utf8ToWide(path, ok);
    if (!ok) {
        if (error != nullptr) *error = "cannot load " + path + ": the path is not valid UTF-8";
        return library;
    }
    library.handle = ::LoadLibraryW(widePath.c_str());
    if (library.handle == nullptr && error != nullptr) {
        // The system's text names no file, so the path goes in front of it.
        const DWORD code = ::GetLastError();
        *error = "cannot load " + path + ": " +
                 SystemMessage(code, "system error " + std::to_string(code));
    }
    return library;
}

void* DynamicLibrary::Symbol(const char* name) const {
    if (handle == nullptr) return nullptr;
    return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(handle), name));
}

std::string PluginFileName(const std::string& base) {
    return base + ".dll";
}

}  // namespace platform
