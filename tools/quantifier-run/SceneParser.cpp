#include "SceneParser.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "JsonDocument.h"
#include "RunError.h"
#include "SceneReader.h"

namespace quantifier_run {

Scene ParseScene(std::string_view text, const std::string& fileLabel) {
    const Json root = ParseJson(text, fileLabel);
    return SceneReader(root, fileLabel).Parse();
}

Scene LoadSceneFile(const std::string& path) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        throw RunError(kExitBadInput, path + ": is a folder, not a scene file");
    std::ifstream file(path, std::ios::binary);
    if (!file) throw RunError(kExitBadInput, path + ": cannot open the scene file");
    std::ostringstream text;
    text << file.rdbuf();
    if (file.bad()) throw RunError(kExitBadInput, path + ": cannot read the scene file");
    return ParseScene(text.str(), path);
}

}  // namespace quantifier_run
