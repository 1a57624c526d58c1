// The POSIX loader behind DynamicLibrary.h.
#include <dlfcn.h>

#include <string>
#include <utility>

#include "DynamicLibrary.h"

namespace platform {

DynamicLibrary::~DynamicLibrary() {
    if (handle != nullptr) dlclose(handle);
}

DynamicLibrary::DynamicLibrary(DynamicLibrary&& other) noexcept
    : handle(std::exchange(other.handle, nullptr)) {}

DynamicLibrary& DynamicLibrary::operator=(DynamicLibrary&& other) noexcept {
    if (this != &other) {
        if (handle != nullptr) dlclose(handle);
        handle = std::exchange(other.handle, nullptr);
    }
    return *this;
}

DynamicLibrary DynamicLibrary::Open(const std::string& path, std::string* error) {
    DynamicLibrary library;
    library.handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library.handle == nullptr && error != nullptr) {
        const char* message = dlerror();
        *error = message ? message : "cannot load " + path;
    }
    return library;
}

void* DynamicLibrary::Symbol(const char* name) const {
    return handle != nullptr ? dlsym(handle, name) : nullptr;
}

std::string PluginFileName(const std::string& base) {
    return base + ".so";
}

}  // namespace platform
