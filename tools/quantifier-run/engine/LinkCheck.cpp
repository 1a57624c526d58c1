#include "engine/LinkCheck.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <iterator>
#include <limits>
#include <type_traits>
#include <vector>

#include "OperationTable.h"
#include "engine/Quoting.h"
#include "engine/RunError.h"

namespace quantifier_run {
namespace {

// The interface each kind's engine channel is linked through (the one its constructor gives
// it), which is what GetChildFromLinkGuid matches: a quantifier is a float channel to its
// parent, and a channel's interface type plays no part in the match.
constexpr ChildKind kPresents[] = {
#define QUANTIFIER_CHANNEL_KIND(Kind, name, HostClass, ValueType, presents, ...) \
    ChildKind::presents,
#include "engine/ChannelKinds.def"
};
static_assert(std::size(kPresents) == kChannelKindCount);

ChildKind Presents(ChannelKind kind) {
    const auto index = static_cast<size_t>(kind);
    // Kinds are checked where they are read: another value is this program's own fault.
    if (index >= kChannelKindCount)
        throw RunError(kExitFailure, "internal error: no channel kind " + std::to_string(index));
    return kPresents[index];
}

// PublicCallFloat reads its internal child only when the engine marks it a public call so.
constexpr int32_t kPublicCallInterfaceType = 2;

// A count for every value a child kind can hold, so that no count of the kinds is kept by hand.
using PerKind =
    std::array<int, size_t{std::numeric_limits<std::underlying_type_t<ChildKind>>::max()} + 1>;
constexpr size_t At(ChildKind kind) {
    return static_cast<size_t>(kind);
}

std::string Listed(const std::vector<std::string>& items) {
    std::string text;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i > 0) text += i + 1 == items.size() ? " and " : ", ";
        text += items[i];
    }
    return text;
}

std::string Described(const ChannelSpec& channel) {
    return std::string(LinkedKindName(channel.kind)) + " " + Quoted(channel.name);
}

// What an operation's slots find among a quantifier's links.
struct SlotLookups {
    // Per kind, how many slots look a child up through it; a slot's index counts the earlier
    // slots of its kind, as the lookups count children.
    PerKind slots{};
    bool readsFirst = false;           // a slot takes the first link, whatever it is linked through
    std::vector<std::string> missing;  // the slots that will find nothing
    bool missesLinked = false;         // one of those would be found among the links
};

// Why the internal child's slot will find nothing, if it will not.
std::optional<std::string> InternalChildMissing(std::span<const ChannelSpec> channels,
                                                const ChannelSpec& self) {
    if (self.internalChildren.empty()) return "internal child 0";
    const ChannelSpec& internal = channels[self.internalChildren.front()];
    const int32_t type = internal.interfaceType.value_or(0);
    if (type == kPublicCallInterfaceType) return std::nullopt;
    return "internal child 0 of interface type " + std::to_string(kPublicCallInterfaceType) + " (" +
           Quoted(internal.name) + " has " + std::to_string(type) + ")";
}

SlotLookups LookUpSlots(std::span<const ChannelSpec> channels, const ChannelSpec& self,
                        const OperationInfo& info) {
    PerKind linked{};
    for (size_t child : self.children)
        ++linked[At(Presents(channels[child].kind))];
    SlotLookups found;
    for (const ChildSlot& slot : info.children) {
        if (slot.kind == ChildKind::Any) {
            // Found by position: the first link, whatever it is linked through.
            found.readsFirst = true;
            if (self.children.empty()) {
                found.missing.emplace_back("child 0 (of any kind)");
                found.missesLinked = true;
            }
            continue;
        }
        if (slot.kind == ChildKind::Internal) {
            if (std::optional<std::string> why = InternalChildMissing(channels, self))
                found.missing.push_back(std::move(*why));
            continue;
        }
        const int index = found.slots[At(slot.kind)]++;
        // An optional child is looked up and may be absent: the operation has a meaning
        // without it.
        if (index < linked[At(slot.kind)] || slot.use == ChildUse::Optional) continue;
        std::string name =
            std::string(ChildKindName(slot.kind)) + " child " + std::to_string(index);
        if (!slot.role.empty()) name += " (" + std::string(slot.role) + ")";
        found.missing.push_back(std::move(name));
        found.missesLinked = true;
    }
    return found;
}

// The links no slot of the operation reads.
std::vector<std::string> UnreadLinks(std::span<const ChannelSpec> channels, const ChannelSpec& self,
                                     const SlotLookups& found) {
    std::vector<std::string> unread;
    PerKind seen{};
    for (size_t position = 0; position < self.children.size(); ++position) {
        const ChannelSpec& child = channels[self.children[position]];
        const ChildKind through = Presents(child.kind);
        const int index = seen[At(through)]++;
        if ((found.readsFirst && position == 0) || index < found.slots[At(through)]) continue;
        unread.push_back(Described(child));
    }
    return unread;
}

}  // namespace

ChildKind LinkedKind(ChannelKind kind) {
    return Presents(kind);
}

std::string_view LinkedKindName(ChannelKind kind) {
    if (kind == ChannelKind::Quantifier) return "quantifier";
    return ChildKindName(Presents(kind));
}

std::optional<std::string> LinkProblems(std::span<const ChannelSpec> channels, size_t quantifier,
                                        int32_t operation) {
    const OperationInfo* info = FindOperation(operation);
    if (info == nullptr) return std::nullopt;
    const ChannelSpec& self = channels[quantifier];
    const SlotLookups found = LookUpSlots(channels, self, *info);
    const std::vector<std::string>& missing = found.missing;
    const std::vector<std::string> unread = UnreadLinks(channels, self, found);

    if (missing.empty() && unread.empty()) return std::nullopt;
    std::string line = "quantifier " + Quoted(self.name) + " (" + std::string(info->name) + "): ";
    if (missing.empty()) {
        return line + Listed(unread) + (unread.size() == 1 ? " is" : " are") +
               " linked but no child slot of the operation reads " +
               (unread.size() == 1 ? "it" : "them");
    }
    line += Listed(missing) + " will not be found";
    if (!unread.empty()) return line + "; linked instead: " + Listed(unread);
    // An internal child is not among the links, so their absence says nothing about it.
    if (!found.missesLinked) return line;
    return line + (self.children.empty() ? "; no child is linked" : "; no other child is linked");
}

std::vector<bool> OperationSetAtFirstFrame(const Scene& scene, size_t frames) {
    std::vector<bool> set(scene.channels.size(), false);
    if (frames == 0) return set;
    for (const ActionSpec& action : scene.actions) {
        if (action.kind == ActionKind::SetOperationType && action.frame == 0)
            set[action.channel] = true;
    }
    return set;
}

std::vector<OperationLinkProblem> OperationLinkProblems(const Scene& scene, size_t frames,
                                                        const std::vector<bool>& loadedElsewhere) {
    std::vector<OperationLinkProblem> lines;
    const std::vector<bool> setAtFirst = OperationSetAtFirstFrame(scene, frames);
    for (size_t i = 0; i < scene.channels.size(); ++i) {
        if (scene.channels[i].kind != ChannelKind::Quantifier || setAtFirst[i] ||
            (i < loadedElsewhere.size() && loadedElsewhere[i]))
            continue;
        if (auto problems = LinkProblems(scene.channels, i, scene.channels[i].operation))
            lines.push_back({i, std::nullopt, std::move(*problems)});
    }
    const std::vector<ActionSpec>& actions = scene.actions;
    for (size_t a = 0; a < actions.size(); ++a) {
        const ActionSpec& action = actions[a];
        if (action.kind != ActionKind::SetOperationType || action.frame >= frames) continue;
        // Actions of a frame run in listed order, all before the frame reads anything.
        const bool replaced = std::any_of(actions.begin() + static_cast<std::ptrdiff_t>(a) + 1,
                                          actions.end(), [&](const ActionSpec& later) {
                                              return later.kind == ActionKind::SetOperationType &&
                                                     later.frame == action.frame &&
                                                     later.channel == action.channel;
                                          });
        if (replaced) continue;
        if (auto problems = LinkProblems(scene.channels, action.channel, action.number))
            lines.push_back({action.channel, a,
                             "from frame " + std::to_string(action.frame) +
                                 " (SetOperationType): " + *problems});
    }
    return lines;
}

}  // namespace quantifier_run
