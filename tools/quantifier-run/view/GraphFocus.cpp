#include "view/GraphFocus.h"

#include <algorithm>
#include <cstdint>

namespace quantifier_run {
namespace {

constexpr size_t kFar = SIZE_MAX;

// Each node's links one way, by index in the graph's links: node n's are
// links[start[n]] up to links[start[n + 1]].
struct Adjacency {
    std::vector<size_t> start, links;
};

Adjacency Adjacent(const SceneGraph& graph, bool toChildren) {
    const auto from = [toChildren](const GraphLink& link) {
        return toChildren ? link.parent : link.child;
    };
    Adjacency adjacency;
    adjacency.start.assign(graph.nodes.size() + 1, 0);
    for (const GraphLink& link : graph.links)
        ++adjacency.start[from(link) + 1];
    for (size_t n = 0; n < graph.nodes.size(); ++n)
        adjacency.start[n + 1] += adjacency.start[n];
    std::vector<size_t> next(adjacency.start.begin(), adjacency.start.end() - 1);
    adjacency.links.resize(graph.links.size());
    for (size_t l = 0; l < graph.links.size(); ++l)
        adjacency.links[next[from(graph.links[l])]++] = l;
    return adjacency;
}

// How many links from the nearest of `from` each node lies, following the links one way, up to
// `depth`; kFar for the rest. `deeper` is set when a node lies just beyond `depth`.
std::vector<size_t> Distances(const SceneGraph& graph, const std::vector<size_t>& from,
                              size_t depth, bool toChildren, bool& deeper) {
    const Adjacency adjacency = Adjacent(graph, toChildren);
    std::vector<size_t> distance(graph.nodes.size(), kFar);
    std::vector<size_t> front, next;
    for (const size_t n : from) {
        if (distance[n] == kFar) front.push_back(n);
        distance[n] = 0;
    }
    for (size_t d = 0; !front.empty(); ++d) {
        next.clear();
        for (const size_t n : front) {
            for (size_t k = adjacency.start[n]; k < adjacency.start[n + 1]; ++k) {
                const GraphLink& link = graph.links[adjacency.links[k]];
                const size_t other = toChildren ? link.child : link.parent;
                if (distance[other] != kFar) continue;
                if (d == depth) {
                    deeper = true;
                    continue;
                }
                distance[other] = d + 1;
                next.push_back(other);
            }
        }
        front.swap(next);
    }
    return distance;
}

// The kept nodes, the links between them and the links with one end among them.
GraphPart Assemble(const SceneGraph& graph, const std::vector<bool>& kept) {
    GraphPart part;
    for (size_t n = 0; n < graph.nodes.size(); ++n)
        if (kept[n]) part.nodes.push_back(n);
    for (size_t l = 0; l < graph.links.size(); ++l) {
        const bool parent = kept[graph.links[l].parent], child = kept[graph.links[l].child];
        if (parent && child)
            part.links.push_back(l);
        else if (parent || child)
            part.cut.push_back(l);
    }
    return part;
}

// The first outputs in their order, each with what it reads directly, while they fit.
std::vector<bool> FirstOutputs(const SceneGraph& graph, const std::vector<size_t>& outputs,
                               size_t most, size_t& taken) {
    const Adjacency children = Adjacent(graph, true);
    std::vector<bool> kept(graph.nodes.size(), false);
    size_t count = 0;
    std::vector<size_t> fresh;
    for (const size_t output : outputs) {
        fresh.clear();
        if (!kept[output]) fresh.push_back(output);
        for (size_t k = children.start[output]; k < children.start[output + 1]; ++k) {
            const size_t child = graph.links[children.links[k]].child;
            if (!kept[child] && std::find(fresh.begin(), fresh.end(), child) == fresh.end())
                fresh.push_back(child);
        }
        if (taken > 0 && count + fresh.size() > most) break;
        for (const size_t n : fresh)
            kept[n] = true;
        count += fresh.size();
        ++taken;
    }
    return kept;
}

std::string Links(size_t count) {
    return std::to_string(count) + (count == 1 ? " link" : " links");
}

// "33 of 10000 channels"
std::string Shown(const SceneGraph& graph, const GraphPart& part) {
    return std::to_string(part.nodes.size()) + " of " + std::to_string(graph.nodes.size()) +
           " channels";
}

}  // namespace

GraphPart FocusOn(const SceneGraph& graph, size_t channel, size_t depth) {
    bool deeper = false;
    const std::vector<size_t> down = Distances(graph, {channel}, depth, true, deeper);
    const std::vector<size_t> up = Distances(graph, {channel}, depth, false, deeper);
    std::vector<bool> kept(graph.nodes.size());
    for (size_t n = 0; n < kept.size(); ++n)
        kept[n] = down[n] != kFar || up[n] != kFar;
    GraphPart part = Assemble(graph, kept);
    part.depth = depth;
    part.deeper = deeper;
    return part;
}

GraphPart OutputsPart(const SceneGraph& graph, const std::vector<size_t>& given, size_t most) {
    std::vector<size_t> outputs;
    std::vector<bool> listed(graph.nodes.size(), false);
    for (const size_t output : given) {
        if (!listed[output]) outputs.push_back(output);
        listed[output] = true;
    }
    bool deeper = false;
    const std::vector<size_t> distance =
        Distances(graph, outputs, graph.nodes.size(), true, deeper);
    // How many channels each depth holds, then the deepest whose channels fit.
    std::vector<size_t> atDepth;
    for (const size_t d : distance) {
        if (d == kFar) continue;
        if (d >= atDepth.size()) atDepth.resize(d + 1, 0);
        ++atDepth[d];
    }
    size_t levels = 0, count = 0;
    while (levels < atDepth.size() && count + atDepth[levels] <= most)
        count += atDepth[levels++];
    std::vector<bool> kept(graph.nodes.size(), false);
    size_t taken = outputs.size();
    if (levels == 0 && !outputs.empty()) {
        taken = 0;
        kept = FirstOutputs(graph, outputs, most, taken);
        levels = 2;
    } else {
        for (size_t n = 0; n < kept.size(); ++n)
            kept[n] = distance[n] < levels;
    }
    GraphPart part = Assemble(graph, kept);
    part.depth = levels > 0 ? levels - 1 : 0;
    part.deeper = levels < atDepth.size() || taken < outputs.size();
    part.outputs = taken;
    part.outputsGiven = outputs.size();
    return part;
}

std::string FocusNote(const SceneGraph& graph, const GraphPart& part, size_t channel) {
    return "\"" + graph.nodes[channel].name + "\", what it reads and what reads it, " +
           Links(part.depth) + " each way: " + Shown(graph, part);
}

std::string OutputsNote(const SceneGraph& graph, const GraphPart& part) {
    std::string what = "the outputs and what they read";
    if (part.outputsGiven == 0)
        what = "no outputs to draw from";
    else if (part.outputs < part.outputsGiven)
        what = "the first " + std::to_string(part.outputs) + " of " +
               std::to_string(part.outputsGiven) + " outputs and what they read directly";
    else if (part.deeper)
        what += ", " + Links(part.depth) + " deep";
    return what + ": " + Shown(graph, part) + "; --focus NAME or --whole for more";
}

SceneGraph PartOf(const SceneGraph& graph, const GraphPart& part, std::string note) {
    SceneGraph drawn;
    drawn.frame = graph.frame;
    drawn.frames = graph.frames;
    drawn.heading = graph.heading;
    drawn.note = std::move(note);
    drawn.groups = graph.groups;
    std::vector<size_t> index(graph.nodes.size(), kFar);
    drawn.nodes.reserve(part.nodes.size());
    for (const size_t n : part.nodes) {
        index[n] = drawn.nodes.size();
        drawn.nodes.push_back(graph.nodes[n]);
    }
    drawn.links.reserve(part.links.size());
    for (const size_t l : part.links) {
        GraphLink link = graph.links[l];
        link.parent = index[link.parent];
        link.child = index[link.child];
        drawn.links.push_back(std::move(link));
    }
    for (const size_t l : part.cut) {
        const GraphLink& link = graph.links[l];
        if (index[link.parent] != kFar)
            drawn.nodes[index[link.parent]].cutInputs.push_back(
                {graph.nodes[link.child].name, link.label, link.socket});
        else
            drawn.nodes[index[link.child]].cutReaders.push_back(
                {graph.nodes[link.parent].name, link.label, 0});
    }
    return drawn;
}

}  // namespace quantifier_run
