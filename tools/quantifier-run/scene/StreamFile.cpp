#include "scene/StreamFile.h"

#include "Orn_FileStream.h"
#include "engine/RunError.h"
#include "scene/Limits.h"

namespace quantifier_run {

std::vector<uint8_t> ReadStream(const std::string& path) {
    std::vector<uint8_t> bytes;
    std::string reason;
    if (!OrnReadFile(path, bytes, &reason, kMaxStreamBytes))
        throw RunError(kExitFailure, "cannot load the scene stream (--load): " + reason);
    return bytes;
}

void WriteStream(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::string reason;
    if (!OrnWriteFileAtomically(path, bytes, &reason))
        throw RunError(kExitFailure, "cannot save the scene: " + reason);
}

}  // namespace quantifier_run
