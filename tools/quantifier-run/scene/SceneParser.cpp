#include "scene/SceneParser.h"

#include <cstdint>
#include <filesystem>
#include <vector>

#include <nlohmann/json.hpp>

#include "Orn_FileStream.h"
#include "Process.h"
#include "common/FilePath.h"
#include "engine/RunError.h"
#include "scene/JsonDocument.h"
#include "scene/Limits.h"
#include "scene/SceneReader.h"

namespace quantifier_run {

ParsedScene ParseScene(std::string_view text, const std::string& fileLabel) {
    const JsonDocument document(text, fileLabel);
    return SceneReader(document).Parse();
}

bool IsSceneFile(const std::string& path) {
    std::vector<uint8_t> bytes;
    if (!OrnReadFile(path, bytes, nullptr, kMaxSceneBytes)) return true;
    const nlohmann::json json = nlohmann::json::parse(bytes.begin(), bytes.end(), nullptr, false);
    return json.is_discarded() || (json.is_object() && json.contains("channels"));
}

std::string SceneLabel(const std::string& path) {
    return path == "-" ? "standard input" : path;
}

ParsedScene LoadSceneFile(const std::string& path) {
    // "-" is standard input, as for most tools that read one file.
    if (path == "-") {
        std::string text, reason;
        if (!platform::ReadStandardInput(text, kMaxSceneBytes, reason))
            throw RunError(kExitBadInput, reason);
        return ParseScene(text, SceneLabel(path));
    }
    std::error_code error;
    if (std::filesystem::is_directory(FilePath(path), error))
        throw RunError(kExitBadInput, path + ": is a folder, not a scene file");
    std::vector<uint8_t> bytes;
    std::string reason;
    if (!OrnReadFile(path, bytes, &reason, kMaxSceneBytes)) {
        // The reason names the path and the system's explanation after the last ": ".
        if (reason.rfind("cannot open ", 0) == 0)
            reason = path + ": cannot open the scene file" + reason.substr(reason.rfind(": "));
        throw RunError(kExitBadInput, reason);
    }
    return ParseScene(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                      path);
}

}  // namespace quantifier_run
