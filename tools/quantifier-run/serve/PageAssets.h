// The page --serve shows, compiled in from tools/quantifier-run/page/: nothing is read from the
// file system while serving.
#pragma once

#include <span>
#include <string_view>

namespace quantifier_run {

struct PageAsset {
    const char* path;  // as requested: "/", "/page.js"
    const char* type;  // its Content-Type
    std::string_view body;
};

std::span<const PageAsset> PageAssets();

}  // namespace quantifier_run
