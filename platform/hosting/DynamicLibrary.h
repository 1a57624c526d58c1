// Loading a shared library and finding its entry points by name, as a host loads a plug-in.
#pragma once

#include <string>

namespace platform {

class DynamicLibrary {
public:
    DynamicLibrary() = default;
    ~DynamicLibrary();
    DynamicLibrary(DynamicLibrary&& other) noexcept;
    DynamicLibrary& operator=(DynamicLibrary&& other) noexcept;
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    // Loads the library at `path` (UTF-8). On failure the object stays empty and `error`
    // (when given) receives the system's explanation.
    static DynamicLibrary Open(const std::string& path, std::string* error = nullptr);

    bool IsOpen() const { return handle != nullptr; }
    // The address of the exported symbol, or null when it is missing or nothing is loaded.
    void* Symbol(const char* name) const;

private:
    void* handle = nullptr;
};

// The file name of a plug-in called `base` on this OS ("base.so", "base.dll").
std::string PluginFileName(const std::string& base);

}  // namespace platform
