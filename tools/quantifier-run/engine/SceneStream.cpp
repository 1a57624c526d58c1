#include "engine/SceneStream.h"

#include <cstring>
#include <map>
#include <optional>

#include "Orn_FileStream.h"
#include "QuantifierBlocks.h"
#include "engine/LinkCheck.h"
#include "engine/Quoting.h"
#include "engine/RunError.h"

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

namespace {

// The operation a record's operation block holds, if it holds one of the field's size.
std::optional<int32_t> RecordOperation(OrnFileLoader& loader) {
    static_assert(kOperationBlock.size == sizeof(int32_t));
    if (!loader.GetInfoIfTag(kOperationBlock.tag) || loader.GetTagSize() != kOperationBlock.size)
        return std::nullopt;
    int32_t operation = 0;
    loader.CopyTagDataToPointer(&operation);
    return operation;
}

// What loading the current record into `channel` changes that the scene does not show: a
// quantifier's data that a channel of another kind drops, a quantifier that gets none, or a
// quantifier whose links do not suit the operation the record gives it.
std::optional<std::string> LoadMismatch(LiveScene& live, OrnFileLoader& loader, size_t channel,
                                        bool operationSetAtFirstFrame) {
    const ChannelSpec& target = live.Definition(channel);
    bool quantifierData = false;
    for (const QuantifierBlock& block : kQuantifierBlocks)
        quantifierData = quantifierData || loader.GetInfoIfTag(block.tag);
    const std::optional<int32_t> operation = RecordOperation(loader);
    if (target.kind != ChannelKind::Quantifier) {
        if (!quantifierData) return std::nullopt;
        return "holds a quantifier's data" +
               (operation ? " (operation " + std::to_string(*operation) + ")" : std::string()) +
               ", which " + std::string(LinkedKindName(target.kind)) + " channel " +
               Quoted(target.name) + " drops";
    }
    // A quantifier writes its blocks into every record it saves: without them, the record
    // was saved by a channel of another kind.
    if (!quantifierData)
        return "holds no quantifier data: quantifier " + Quoted(target.name) + " keeps operation " +
               std::to_string(target.operation) + " and stores no current value";
    if (!operation || *operation == target.operation || operationSetAtFirstFrame)
        return std::nullopt;
    if (auto problems = LinkProblems(live.Definitions(), channel, *operation))
        return "gives operation " + std::to_string(*operation) + ": " + *problems;
    return std::nullopt;
}

[[noreturn]] void Damaged(const std::string& path, size_t offset, const std::string& what) {
    throw RunError(kExitFailure, path + ": at byte " + std::to_string(offset) + ": " + what);
}

// Which channel each record of the stream goes to (none: skipped).
using LoadPlan = std::vector<std::optional<size_t>>;

// Reads the whole stream once, changing nothing, and says where each record goes. Throws at
// the first damage: a record that breaks the stream's structure, bytes after the last record,
// a name block that no channel could hold, a block a quantifier would refuse, a name given twice.
LoadPlan PlanLoad(LiveScene& live, OrnFileLoader& loader, const std::string& path,
                  const std::vector<bool>& operationSetAtFirstFrame,
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
        // A record the quantifier would refuse is damage, found before any channel changes.
        if (live.Definition(found->second).kind == ChannelKind::Quantifier) {
            if (const QuantifierBlock* misfit = MisfitQuantifierBlock(loader)) {
                loader.GetInfoIfTag(misfit->tag);
                Damaged(path, loader.GetTagOffset(),
                        "block \"" + std::string(misfit->tag) + "\" of channel " + Quoted(name) +
                            " holds " + std::to_string(loader.GetTagSize()) + " bytes, not " +
                            std::to_string(misfit->size));
            }
        }
        if (auto mismatch =
                LoadMismatch(live, loader, found->second, operationSetAtFirstFrame[found->second]))
            warnings.push_back(where + " " + *mismatch);
        plan.back() = found->second;
    }
    if (!loader.AtEnd()) throw RunError(kExitFailure, path + ": " + loader.Error());
    return plan;
}

}  // namespace

void LoadChannels(LiveScene& live, std::vector<uint8_t> bytes, const std::string& path,
                  const std::vector<bool>& operationSetAtFirstFrame,
                  std::vector<std::string>& warnings) {
    OrnFileLoader loader(std::move(bytes));
    if (!loader.Valid()) throw RunError(kExitFailure, path + ": " + loader.Error());
    // All or nothing: every record is checked before the first channel loads.
    std::vector<std::string> found;
    const LoadPlan plan = PlanLoad(live, loader, path, operationSetAtFirstFrame, found);
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

std::map<std::string, int32_t> RecordOperations(const std::vector<uint8_t>& bytes) {
    std::map<std::string, int32_t> operations;
    OrnFileLoader loader(bytes);
    if (!loader.Valid()) return operations;
    while (loader.NextChannel()) {
        if (!loader.GetInfoIfTag(kNameTag)) continue;
        std::string name(loader.GetTagSize(), '\0');
        loader.CopyTagDataToPointer(name.data());
        if (const std::optional<int32_t> operation = RecordOperation(loader))
            operations.emplace(std::move(name), *operation);
    }
    return operations;
}

}  // namespace quantifier_run
