#include "view/SceneGraph.h"

#include <algorithm>

#include "engine/LinkCheck.h"
#include "output/OutputFormats.h"

namespace quantifier_run {
namespace {

// Which link position a lookup reaches: by position for Any, else the index-th link of its
// interface, as the host's links count them.
std::optional<size_t> LinkOf(const Scene& scene, const ChannelSpec& parent,
                             const ObservedLookup& lookup) {
    if (lookup.index < 0) return std::nullopt;
    const auto wanted = static_cast<size_t>(lookup.index);
    if (lookup.kind == ChildKind::Any)
        return wanted < parent.children.size() ? std::optional(wanted) : std::nullopt;
    size_t seen = 0;
    for (size_t position = 0; position < parent.children.size(); ++position) {
        if (LinkedKind(scene.channels[parent.children[position]].kind) != lookup.kind) continue;
        if (seen++ == wanted) return position;
    }
    return std::nullopt;
}

BoxLines BoxOf(const SceneGraph& graph, const GraphNode& node) {
    BoxLines box;
    box.name = node.name;
    box.kind = node.kind;
    if (!node.operation.empty()) box.kind += " \xC2\xB7 " + node.operation;
    if (node.group) box.kind += " \xC2\xB7 group " + graph.groups[*node.group];
    box.value =
        node.value.empty() ? "not read at frame " + std::to_string(graph.frame) : "= " + node.value;
    if (node.quantifier)
        box.counts = "read " + std::to_string(node.reads) + " \xC2\xB7 computed " +
                     std::to_string(node.evaluations);
    for (const std::string& slot : node.missing)
        box.missing.push_back("missing: " + slot);
    return box;
}

// A slot's place on its reader's box: its kind and index, and the role the operation gives it.
struct SocketKey {
    ChildKind kind;
    int32_t index;
};

std::string SocketLabel(const SocketKey& key, const ChildSlot* slot) {
    std::string where = key.kind == ChildKind::Any ? "child " + std::to_string(key.index)
                                                   : std::string(ChildKindName(key.kind)) + " " +
                                                         std::to_string(key.index);
    if (slot == nullptr) return where;
    std::string label = std::string(slot->role) + " \xC2\xB7 " + where;
    if (slot->use == ChildUse::Optional) label += ", optional";
    return label;
}

// The sockets of node `i`, whose links are `links` from `first` on: its operation's slots in
// the row's order, then one for each link that no slot reached.
void AddSockets(const Scene& scene, size_t i, const ChannelObservation& seen, GraphNode& node,
                std::vector<GraphLink>& links, size_t first) {
    const ChannelSpec& entry = scene.channels[i];
    const OperationInfo* row =
        node.quantifier && seen.operation ? FindOperation(*seen.operation) : nullptr;
    std::vector<SocketKey> keys;
    if (row != nullptr) {
        for (size_t s = 0; s < row->children.size(); ++s) {
            const ChildKind kind = row->children[s].kind;
            const auto index = static_cast<int32_t>(std::count_if(
                keys.begin(), keys.end(), [&](const SocketKey& key) { return key.kind == kind; }));
            keys.push_back({kind, index});
            node.sockets.push_back({SocketLabel(keys.back(), &row->children[s]), false});
        }
    }
    const auto socketOf = [&](const ObservedLookup& lookup) {
        for (size_t s = 0; s < keys.size(); ++s)
            if (keys[s].kind == lookup.kind && keys[s].index == lookup.index) return s;
        keys.push_back({lookup.kind, lookup.index});
        node.sockets.push_back({SocketLabel(keys.back(), nullptr), false});
        return keys.size() - 1;
    };
    std::vector<bool> placed(links.size() - first, false);
    const auto attach = [&](size_t link, size_t socket) {
        if (link >= placed.size() || placed[link]) return;
        placed[link] = true;
        links[first + link].socket = socket;
    };
    for (const ObservedLookup& lookup : seen.lookups) {
        const size_t socket = socketOf(lookup);
        if (!lookup.found) {
            node.sockets[socket].missing = true;
        } else if (lookup.kind == ChildKind::Internal) {
            if (lookup.index >= 0)
                attach(entry.children.size() + static_cast<size_t>(lookup.index), socket);
        } else if (const std::optional<size_t> link = LinkOf(scene, entry, lookup)) {
            attach(*link, socket);
        }
    }
    for (size_t link = 0; link < placed.size(); ++link) {
        if (placed[link]) continue;
        links[first + link].socket = node.sockets.size();
        node.sockets.push_back({links[first + link].label, false});
    }
}

}  // namespace

std::string_view BoxLineName(BoxLine line) {
    switch (line) {
        case BoxLine::Name:
            return "name";
        case BoxLine::Kind:
            return "kind";
        case BoxLine::Value:
            return "value";
        case BoxLine::Counts:
            return "counts";
        case BoxLine::Missing:
            return "missing";
    }
    return "";
}

std::string SlotName(const std::optional<int32_t>& operation, const ObservedLookup& lookup) {
    std::string where =
        std::string(ChildKindName(lookup.kind)) + " " + std::to_string(lookup.index);
    if (lookup.kind == ChildKind::Any) where = "child " + std::to_string(lookup.index);
    const OperationInfo* row = operation ? FindOperation(*operation) : nullptr;
    if (row == nullptr) return where;
    int32_t index = 0;
    for (size_t s = 0; s < row->children.size(); ++s) {
        if (row->children[s].kind != lookup.kind) continue;
        if (index++ == lookup.index) {
            std::string role(row->children[s].role);
            if (row->children[s].use == ChildUse::Optional) role += ", optional";
            return role + " (" + where + ")";
        }
    }
    return where;
}

SceneGraph BuildSceneGraph(const Scene& scene, const Observation& observation) {
    SceneGraph graph;
    graph.frame = observation.frame;
    graph.frames = std::max<size_t>(scene.frames, 1);
    graph.heading = "frame " + std::to_string(observation.frame);
    for (const GroupSpec& group : scene.groups)
        graph.groups.push_back(group.name);
    graph.nodes.resize(scene.channels.size());
    for (size_t i = 0; i < scene.channels.size(); ++i) {
        const ChannelSpec& entry = scene.channels[i];
        const ChannelObservation& seen = observation.channels[i];
        GraphNode& node = graph.nodes[i];
        node.name = entry.name;
        node.kind = ChannelKindName(entry.kind);
        node.quantifier = entry.kind == ChannelKind::Quantifier;
        node.group = entry.group;
        if (seen.value) node.value = FormatCell(*seen.value, OutputFormat::Json);
        node.reads = seen.reads;
        node.evaluations = seen.evaluations;
        if (!seen.sparkLow.empty()) {
            node.sparkLow = &seen.sparkLow;
            node.sparkHigh = &seen.sparkHigh;
        }
        std::vector<bool> read(entry.children.size(), false);
        if (node.quantifier && seen.operation) {
            const OperationInfo* row = FindOperation(*seen.operation);
            node.operation =
                row ? std::string(row->name) : "operation " + std::to_string(*seen.operation);
            node.warning = LinkProblems(scene.channels, i, *seen.operation);
        }
        const size_t firstLink = graph.links.size();
        std::vector<std::string> labels(entry.children.size());
        for (const ObservedLookup& lookup : seen.lookups) {
            if (!lookup.found) {
                node.missing.push_back(SlotName(seen.operation, lookup));
                continue;
            }
            if (lookup.kind == ChildKind::Internal) continue;
            if (const std::optional<size_t> link = LinkOf(scene, entry, lookup)) {
                read[*link] = true;
                if (labels[*link].empty()) labels[*link] = SlotName(seen.operation, lookup);
            }
        }
        for (size_t position = 0; position < entry.children.size(); ++position) {
            graph.links.push_back({i, entry.children[position],
                                   read[position] ? labels[position] : "not read", read[position],
                                   false, 0});
        }
        for (size_t k = 0; k < entry.internalChildren.size(); ++k)
            graph.links.push_back(
                {i, entry.internalChildren[k], "internal " + std::to_string(k), true, true, 0});
        AddSockets(scene, i, seen, node, graph.links, firstLink);
    }
    for (const GraphLink& link : graph.links)
        ++graph.nodes[link.child].parents;
    for (GraphNode& node : graph.nodes)
        node.box = BoxOf(graph, node);
    return graph;
}

}  // namespace quantifier_run
