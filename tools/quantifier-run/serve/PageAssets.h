// The page --serve shows, compiled in from tools/quantifier-run/page/, and the operations
// reference from docs/operations/ under /reference/: nothing is read from the file system while
// serving.
#pragma once

#include <span>
#include <string_view>

namespace quantifier_run {

struct PageAsset {
    const char* path;  // as requested: "/", "/page.js", "/reference/11-Clamp.md"
    const char* type;  // its Content-Type
    std::string_view body;
};

std::span<const PageAsset> PageAssets();

}  // namespace quantifier_run
