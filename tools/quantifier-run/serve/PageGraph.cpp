#include "serve/PageGraph.h"

#include <cmath>
#include <map>

#include "output/Formatting.h"
#include "view/GraphPicture.h"

namespace quantifier_run {
namespace {

std::string Whole(double value) {
    return std::to_string(std::lround(value));
}

// Kinds and slot labels repeat across a large scene: each is sent once.
class TextTable {
public:
    size_t Index(const std::string& text) {
        const auto [at, added] = indices.emplace(text, texts.size());
        if (added) texts.push_back(text);
        return at->second;
    }
    std::string Json() const {
        std::string out = "[";
        for (size_t i = 0; i < texts.size(); ++i)
            out += (i ? ", " : "") + JsonString(DisplaySafe(texts[i]));
        return out + "]";
    }

private:
    std::map<std::string, size_t> indices;
    std::vector<std::string> texts;
};

int NodeFlags(const GraphNode& node) {
    return (node.quantifier ? kNodeQuantifier : 0) | (node.warning ? kNodeWarned : 0) |
           (node.parents > 1 ? kNodeShared : 0) | (node.sparkLow ? kNodeSpark : 0);
}

void AddNode(std::string& out, const GraphNode& node, const BoxPlan& plan, LayoutPoint at,
             TextTable& texts) {
    out += (out.empty() ? "" : ",\n") + Whole(at.x) + "," + Whole(at.y) + "," + Whole(plan.width) +
           "," + Whole(plan.height) + "," + Whole(plan.valueTop) + "," + Whole(plan.sparkTop) +
           "," + std::to_string(NodeFlags(node)) + "," +
           std::to_string(texts.Index(node.box.kind)) + "," +
           (node.group ? std::to_string(*node.group) : "-1") + "," +
           std::to_string(node.sockets.size());
    for (const GraphSocket& socket : node.sockets) {
        const long long index = static_cast<long long>(texts.Index(socket.label));
        out += "," + std::to_string(socket.missing ? -1 - index : index);
    }
}

void AddLink(std::string& out, const GraphLink& link, size_t& parent, bool backward) {
    const int flags = (link.read ? 0 : kLinkUnread) | (link.internal ? kLinkInternal : 0) |
                      (backward ? kLinkCycle : 0);
    // Links come by parent: its step from the link before is small.
    out += (out.empty() ? "" : ",") + std::to_string(link.parent - parent) + "," +
           std::to_string(link.child) + "," + std::to_string(link.socket) + "," +
           std::to_string(flags);
    parent = link.parent;
}

// Every link's route as the picture draws it, or null where they would take more than
// kMostRouteBytes: the page then draws each link as a curve from its child to its socket.
constexpr size_t kMostRouteBytes = 256 * 1024;
std::string RoutesJson(const GraphLayoutResult& layout) {
    std::string out = "[";
    for (size_t e = 0; e < layout.routes.size(); ++e) {
        out += e ? "],\n[" : "[";
        for (size_t p = 0; p < layout.routes[e].size(); ++p)
            out +=
                (p ? "," : "") + Whole(layout.routes[e][p].x) + "," + Whole(layout.routes[e][p].y);
        if (out.size() > kMostRouteBytes) return "null";
    }
    return out + (layout.routes.empty() ? "]" : "]]");
}

std::string Tip(const GraphNode& node) {
    std::string text = node.warning ? *node.warning : node.name;
    if (node.parents > 1) text += " (shared by " + std::to_string(node.parents) + " parents)";
    return text;
}

std::string SparkJson(const ChannelObservation& channel) {
    std::string out = "[";
    for (size_t c = 0; c < channel.sparkLow.size(); ++c) {
        const float low = channel.sparkLow[c], high = channel.sparkHigh[c];
        out += (c ? "," : "");
        out += std::isnan(low) ? "null" : "[" + FormatFloat(low) + "," + FormatFloat(high) + "]";
    }
    return out + "]";
}

}  // namespace

std::string GraphDrawingJson(const SceneGraph& graph) {
    const GraphPlacement placed = PlaceGraph(graph);
    const GraphLayoutResult& layout = placed.layout;
    TextTable texts;
    std::string nodes, titles, links;
    for (size_t n = 0; n < graph.nodes.size(); ++n) {
        AddNode(nodes, graph.nodes[n], placed.plans[n], layout.boxes[n], texts);
        if (placed.plans[n].title != graph.nodes[n].name)
            titles += (titles.empty() ? "\"" : ", \"") + std::to_string(n) +
                      "\": " + JsonString(DisplaySafe(placed.plans[n].title));
    }
    size_t parent = 0;
    for (size_t e = 0; e < graph.links.size(); ++e)
        AddLink(links, graph.links[e], parent, layout.backward[e]);
    return "{\"width\": " + Whole(layout.width) + ", \"height\": " + Whole(layout.height) +
           ", \"heading\": " + JsonString(DisplaySafe(graph.heading)) +
           ", \"metrics\": {\"line\": " + Whole(kBoxLine) + ", \"pad\": " + Whole(kBoxPad) +
           ", \"socket\": " + Whole(SocketY(PlanBox(GraphNode{}), 0)) +
           ", \"spark\": " + Whole(kBoxSparkHeight) + "}, \"texts\": " + texts.Json() +
           ",\n\"nodes\": [" + nodes + "],\n\"titles\": {" + titles + "},\n\"links\": [" + links +
           "],\n\"routes\": " + RoutesJson(layout) + "}";
}

std::string ChannelLinesJson(const SceneGraph& graph, const std::vector<size_t>& channels,
                             const Observation* sparks) {
    std::string values;
    for (const size_t n : channels) {
        if (n >= graph.nodes.size()) continue;
        const GraphNode& node = graph.nodes[n];
        const BoxPlan plan = PlanBox(node);
        std::string rows;
        for (size_t r = 0; r < plan.values.size(); ++r)
            rows +=
                (r ? ", " : "") + JsonString(DisplaySafe(ShownInBox(plan.values[r], r ? 2 : 0)));
        values +=
            (values.empty() ? "\"" : ", \"") + std::to_string(n) + "\": {\"rows\": [" + rows +
            "], \"counts\": " +
            (node.box.counts ? JsonString(DisplaySafe(ShownInBox(*node.box.counts))) : "null");
        values += ", \"tip\": " + JsonString(DisplaySafe(Tip(node)));
        if (sparks && n < sparks->channels.size() && !sparks->channels[n].sparkLow.empty())
            values += ", \"spark\": " + SparkJson(sparks->channels[n]);
        values += "}";
    }
    return "{\"frame\": " + std::to_string(graph.frame) +
           ", \"heading\": " + JsonString(DisplaySafe(graph.heading)) + ", \"values\": {" + values +
           "}}";
}

}  // namespace quantifier_run
