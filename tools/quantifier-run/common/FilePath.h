// Paths in the runner are UTF-8 text on every system; std::filesystem takes them as such only
// through char8_t (a plain string would be read in the ANSI code page on Windows).
#pragma once

#include <filesystem>
#include <string>

namespace quantifier_run {

inline std::filesystem::path FilePath(const std::string& utf8) {
    return std::filesystem::path(
        std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

// The path as UTF-8 text.
inline std::string PathText(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace quantifier_run
