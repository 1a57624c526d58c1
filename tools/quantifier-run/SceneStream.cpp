#include "SceneStream.h"

#include <map>
#include <set>

#include "Orn_FileStream.h"
#include "RunError.h"

namespace quantifier_run {
namespace {

// The base channel writes its name first, in a block of this tag.
constexpr const char* kNameTag = "NAME";

}  // namespace

std::vector<uint8_t> SaveChannels(LiveScene& live) {
    OrnFileSaver saver;
    for (size_t i = 0; i < live.ChannelCount(); ++i) {
        saver.BeginChannel();
        const bool saved = live.Channel(i).SaveChannel(saver);
        saver.EndChannel();
        if (!saved)
            throw RunError(kExitFailure,
                           "channel \"" + live.Spec(i).name + "\" could not be saved");
    }
    return saver.Data();
}

void WriteStream(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::string reason;
    if (!OrnWriteFileAtomically(path, bytes, &reason))
        throw RunError(kExitFailure, "cannot save the scene: " + reason);
}

void LoadChannels(LiveScene& live, const std::string& path, std::vector<std::string>& warnings) {
    std::vector<uint8_t> bytes;
    std::string reason;
    if (!OrnReadFile(path, bytes, &reason))
        throw RunError(kExitFailure, "cannot load the scene: " + reason);
    OrnFileLoader loader(std::move(bytes));
    if (!loader.Valid())
        throw RunError(kExitFailure, path + ": not a scene stream this engine reads");
    std::map<std::string, size_t> byName;
    for (size_t i = 0; i < live.ChannelCount(); ++i)
        byName.emplace(live.Spec(i).name, i);
    std::set<std::string> loaded;
    for (size_t record = 0; loader.NextChannel(); ++record) {
        const std::string where = path + ": channel record " + std::to_string(record);
        if (!loader.GetInfoIfTag(kNameTag)) {
            warnings.push_back(where + " has no name and is skipped");
            continue;
        }
        std::string name(loader.GetTagSize(), '\0');
        loader.CopyTagDataToPointer(name.data());
        const auto found = byName.find(name);
        if (found == byName.end()) {
            warnings.push_back(where + " is named \"" + name +
                               "\", which no channel of the scene is; skipped");
            continue;
        }
        if (!loaded.insert(name).second)
            throw RunError(kExitFailure, path + ": holds channel \"" + name + "\" twice");
        // The base load also sets the channel's group: give it the one the scene gave.
        if (!live.Channel(found->second).LoadChannel(loader, live.Group(found->second)))
            throw RunError(kExitFailure, where + " (\"" + name + "\") could not be loaded");
    }
}

}  // namespace quantifier_run
