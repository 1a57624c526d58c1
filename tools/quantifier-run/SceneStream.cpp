#include "SceneStream.h"

#include <map>
#include <optional>

#include "Limits.h"
#include "Orn_FileStream.h"
#include "RunError.h"
#include "Suggestions.h"

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
                           "channel " + Quoted(live.Definition(i).name) + " could not be saved");
    }
    return saver.Data();
}

void WriteStream(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::string reason;
    if (!OrnWriteFileAtomically(path, bytes, &reason))
        throw RunError(kExitFailure, "cannot save the scene: " + reason);
}

namespace {

// The blocks a quantifier reads and the size of the field each fills. A block of another size
// was not written by a quantifier, so it is damage, found before any channel changes.
struct KnownBlock {
    const char* tag;
    uint32_t size;
};
constexpr KnownBlock kQuantifierBlocks[] = {
    {"VEOT", 4}, {"VEUN", 1}, {"VEFF", 4}, {"VECF", 4}, {"VECV", 12}};

[[noreturn]] void Damaged(const std::string& path, size_t offset, const std::string& what) {
    throw RunError(kExitFailure, path + ": at byte " + std::to_string(offset) + ": " + what);
}

// Which channel each record of the stream goes to (none: skipped).
using LoadPlan = std::vector<std::optional<size_t>>;

// Reads the whole stream once, changing nothing, and says where each record goes. Throws at
// the first damage: a record that breaks the stream's structure, bytes after the last record,
// a name block that no channel could hold, a known block of the wrong size, a name given twice.
LoadPlan PlanLoad(LiveScene& live, OrnFileLoader& loader, const std::string& path,
                  std::vector<std::string>& warnings) {
    std::map<std::string, size_t> byName;
    for (size_t i = 0; i < live.ChannelCount(); ++i)
        byName.emplace(live.Definition(i).name, i);
    std::map<std::string, size_t> loadedAt;
    LoadPlan plan;
    for (size_t record = 0; loader.NextChannel(); ++record) {
        plan.emplace_back();
        const size_t offset = loader.RecordOffset();
        const std::string where = path + ": channel record " + std::to_string(record) +
                                  " (at byte " + std::to_string(offset) + ")";
        if (!loader.GetInfoIfTag(kNameTag)) {
            warnings.push_back(where + " has no name and is skipped");
            continue;
        }
        std::string name(loader.GetTagSize(), '\0');
        loader.CopyTagDataToPointer(name.data());
        if (name.find('\0') != std::string::npos)
            Damaged(path, loader.GetTagOffset(), "a channel name holds a NUL byte");
        const auto found = byName.find(name);
        if (found == byName.end()) {
            warnings.push_back(where + " is named " + Quoted(name) +
                               ", which no channel of the scene is; skipped");
            continue;
        }
        if (const auto [first, fresh] = loadedAt.emplace(name, offset); !fresh)
            Damaged(path, offset,
                    "holds channel " + Quoted(name) + " twice (first at byte " +
                        std::to_string(first->second) + ")");
        if (live.Definition(found->second).kind == ChannelKind::Quantifier) {
            for (const KnownBlock& known : kQuantifierBlocks) {
                if (loader.GetInfoIfTag(known.tag) && loader.GetTagSize() != known.size)
                    Damaged(path, loader.GetTagOffset(),
                            "block \"" + std::string(known.tag) + "\" of channel " + Quoted(name) +
                                " holds " + std::to_string(loader.GetTagSize()) + " bytes, not " +
                                std::to_string(known.size));
            }
        }
        plan.back() = found->second;
    }
    if (!loader.AtEnd()) throw RunError(kExitFailure, path + ": " + loader.Error());
    return plan;
}

}  // namespace

void LoadChannels(LiveScene& live, const std::string& path, std::vector<std::string>& warnings) {
    std::vector<uint8_t> bytes;
    std::string reason;
    if (!OrnReadFile(path, bytes, &reason, kMaxStreamBytes))
        throw RunError(kExitFailure, "cannot load the scene stream (--load): " + reason);
    OrnFileLoader loader(std::move(bytes));
    if (!loader.Valid()) throw RunError(kExitFailure, path + ": " + loader.Error());
    // All or nothing: every record is checked before the first channel loads.
    std::vector<std::string> found;
    const LoadPlan plan = PlanLoad(live, loader, path, found);
    loader.Rewind();
    for (const std::optional<size_t>& channel : plan) {
        loader.NextChannel();
        // The base load also sets the channel's group: give it the one the scene gave.
        if (channel && !live.Channel(*channel).LoadChannel(loader, live.Group(*channel)))
            Damaged(path, loader.RecordOffset(),
                    "channel " + Quoted(live.Definition(*channel).name) + " refused its record");
    }
    warnings.insert(warnings.end(), found.begin(), found.end());
}

}  // namespace quantifier_run
