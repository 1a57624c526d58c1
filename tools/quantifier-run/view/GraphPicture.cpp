#include "view/GraphPicture.h"

#include <algorithm>
#include <cmath>

#include "output/Formatting.h"
#include "output/SvgMarkup.h"
#include "view/GraphLayout.h"

namespace quantifier_run {
namespace {

constexpr const char* kGroupColours[] = {"#1f77b4", "#2ca02c", "#9467bd", "#8c564b",
                                         "#e377c2", "#17becf", "#bcbd22", "#7f7f7f"};

std::string GroupColour(size_t group) {
    return kGroupColours[group % std::size(kGroupColours)];
}

// The text a box's tooltip holds: its warning, else its name; and who shares it.
std::string Tooltip(const GraphNode& node) {
    std::string text = node.warning ? *node.warning : node.name;
    if (node.parents > 1) text += " (shared by " + std::to_string(node.parents) + " parents)";
    return text;
}

std::string Sparkline(const GraphNode& node, double x, double y, double width, double height) {
    const std::vector<float>& low = *node.sparkLow;
    const std::vector<float>& high = *node.sparkHigh;
    double least = INFINITY, most = -INFINITY;
    for (size_t c = 0; c < low.size(); ++c) {
        if (std::isnan(low[c])) continue;
        least = std::min(least, static_cast<double>(low[c]));
        most = std::max(most, static_cast<double>(high[c]));
    }
    if (!(least <= most)) return {};
    const double range = most > least ? most - least : 1;
    const double step = width / static_cast<double>(low.size());
    const auto at = [&](float value) {
        return y + height - (static_cast<double>(value) - least) / range * height;
    };
    std::string path;
    for (size_t c = 0; c < low.size(); ++c) {
        if (std::isnan(low[c])) continue;
        const double cx = x + step * (static_cast<double>(c) + 0.5);
        // A column of one value still shows: a bar at least a pixel tall.
        const double y0 = at(low[c]), y1 = std::min(at(high[c]), y0 - 1);
        path += "M" + Number(cx) + " " + Number(y0) + "V" + Number(y1);
    }
    return "<path class=\"spark\" d=\"" + path + "\"/>";
}

// A Graphviz string: each line made safe by the one routine, then quoted, lines joined by \n.
std::string DotQuoted(std::string_view text) {
    std::string out = "\"";
    for (size_t start = 0;;) {
        const size_t end = std::min(text.find('\n', start), text.size());
        for (char c : DisplaySafe(text.substr(start, end - start))) {
            if (c == '"' || c == '\\') out += '\\';
            out += c;
        }
        if (end == text.size()) break;
        out += "\\n";
        start = end + 1;
    }
    return out + "\"";
}

std::vector<std::pair<size_t, size_t>> Edges(const SceneGraph& graph) {
    std::vector<std::pair<size_t, size_t>> edges;
    edges.reserve(graph.links.size());
    for (const GraphLink& link : graph.links)
        edges.emplace_back(link.parent, link.child);
    return edges;
}

constexpr const char* kCycleMark = " \xE2\x86\xBA cycle";

}  // namespace

std::string ShownInBox(std::string_view line, size_t indent) {
    const auto limit = static_cast<size_t>(LayoutSizes().boxWidth / kCharWidth) - 2;
    return Shortened(line, limit - indent);
}

std::string GraphSvg(const SceneGraph& graph, SvgLines lines) {
    const LayoutSizes sizes;
    const GraphLayoutResult layout = LayoutGraph(graph.nodes.size(), Edges(graph), sizes);
    // Where the page asks for them, the lines' names, before their other attributes.
    const auto named = [&](std::string_view name) {
        return lines == SvgLines::Named ? " data-line=\"" + std::string(name) + "\""
                                        : std::string();
    };

    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Number(layout.width) +
                      "\" height=\"" + Number(layout.height) + "\" viewBox=\"0 0 " +
                      Number(layout.width) + " " + Number(layout.height) +
                      "\" font-family=\"sans-serif\" font-size=\"11\">\n";
    svg +=
        "<style>.box{fill:#fff;stroke:#555}.warned{stroke:#d62728;stroke-width:2.5}"
        ".shared{stroke-width:3;stroke-dasharray:none}.quantifier{fill:#f4f8ff}"
        ".link{fill:none;stroke:#444}.unread{stroke-dasharray:6 4;stroke:#999}"
        ".internal{stroke:#9467bd;stroke-dasharray:2 3}.cycle{stroke:#ff7f0e}"
        ".missing{fill:#d62728}.spark{stroke:#1f77b4;fill:none}.label{fill:#333;font-size:10px}"
        ".mark{fill:#d62728;font-weight:bold}</style>\n"
        "<defs><marker id=\"arrow\" viewBox=\"0 0 10 10\" refX=\"10\" refY=\"5\" "
        "markerWidth=\"7\" markerHeight=\"7\" orient=\"auto-start-reverse\">"
        "<path d=\"M0 0L10 5L0 10z\" fill=\"#444\"/></marker></defs>\n";
    svg +=
        "<text" + named(kHeadingLine) + " x=\"8\" y=\"14\">" + Escaped(graph.heading) + "</text>\n";
    for (size_t e = 0; e < graph.links.size(); ++e) {
        const GraphLink& link = graph.links[e];
        const std::vector<LayoutPoint>& route = layout.routes[e];
        if (route.empty()) continue;
        std::string cls = "link";
        if (!link.read) cls += " unread";
        if (link.internal) cls += " internal";
        if (layout.backward[e]) cls += " cycle";
        std::string points;
        for (const LayoutPoint& point : route)
            points += (points.empty() ? "" : " ") + Number(point.x) + "," + Number(point.y);
        std::string label = link.label;
        if (layout.backward[e]) label += kCycleMark;
        svg += "<g><title>" +
               Escaped(graph.nodes[link.parent].name + " \xE2\x86\x92 " +
                       graph.nodes[link.child].name + ": " + label) +
               "</title><polyline class=\"" + cls + "\" points=\"" + points +
               "\" marker-end=\"url(#arrow)\"/>";
        // The label sits in the gap above the box the arrow enters.
        const LayoutPoint& end = route.back();
        const LayoutPoint& before = route[route.size() - 2];
        const double t = 0.75;
        svg += "<text class=\"label\" x=\"" + Number(before.x + (end.x - before.x) * t + 3) +
               "\" y=\"" + Number(before.y + (end.y - before.y) * t) + "\">" +
               Escaped(Shortened(label, 28)) + "</text></g>\n";
    }
    for (size_t n = 0; n < graph.nodes.size(); ++n) {
        const GraphNode& node = graph.nodes[n];
        const double x = layout.boxes[n].x, y = layout.boxes[n].y;
        std::string cls = "box";
        if (node.quantifier) cls += " quantifier";
        if (node.warning) cls += " warned";
        if (node.parents > 1) cls += " shared";
        svg += "<g class=\"channel\"><title>" + Escaped(Tooltip(node)) + "</title>";
        svg += "<rect class=\"" + cls + "\" x=\"" + Number(x) + "\" y=\"" + Number(y) +
               "\" width=\"" + Number(sizes.boxWidth) + "\" height=\"" + Number(sizes.boxHeight) +
               "\" rx=\"4\"/>";
        if (node.group)
            svg += "<rect x=\"" + Number(x) + "\" y=\"" + Number(y) + "\" width=\"5\" height=\"" +
                   Number(sizes.boxHeight) + "\" fill=\"" + GroupColour(*node.group) + "\"/>";
        const BoxLines& box = node.box;
        const auto line = [&](BoxLine name, double dy, const std::string& text,
                              const char* extra = "") {
            return "<text" + named(BoxLineName(name)) + " x=\"" + Number(x + 10) + "\" y=\"" +
                   Number(y + dy) + "\"" + extra + ">" + Escaped(ShownInBox(text)) + "</text>";
        };
        const std::string title =
            (node.warning ? "\xE2\x9A\xA0 " : "") + box.name +
            (node.parents > 1 ? " \xC3\x97" + std::to_string(node.parents) : "");
        svg += line(BoxLine::Name, 15, title,
                    node.warning ? " class=\"mark\"" : " font-weight=\"bold\"");
        svg += line(BoxLine::Kind, 29, box.kind);
        svg += line(BoxLine::Value, 43, box.value);
        if (box.counts) svg += line(BoxLine::Counts, 57, *box.counts);
        double missingY = 71;
        for (const std::string& missing : box.missing) {
            svg += "<circle class=\"missing\" cx=\"" + Number(x + 14) + "\" cy=\"" +
                   Number(y + missingY - 4) + "\" r=\"3\"/>";
            svg += "<text" + named(BoxLineName(BoxLine::Missing)) + " x=\"" + Number(x + 22) +
                   "\" y=\"" + Number(y + missingY) + "\" class=\"mark\">" +
                   Escaped(ShownInBox(missing, 2)) + "</text>";
            missingY += 12;
        }
        if (node.sparkLow) svg += Sparkline(node, x + sizes.boxWidth - 74, y + 6, 64, 14);
        svg += "</g>\n";
    }
    return svg + "</svg>\n";
}

std::string GraphDot(const SceneGraph& graph) {
    std::string dot = "digraph scene {\n  label=" + DotQuoted(graph.heading) +
                      ";\n  node [shape=box, fontname=\"sans-serif\", fontsize=10];\n"
                      "  edge [fontname=\"sans-serif\", fontsize=9];\n";
    for (size_t g = 0; g < graph.groups.size(); ++g) {
        dot += "  subgraph cluster_" + std::to_string(g) +
               " {\n    label=" + DotQuoted("group " + graph.groups[g]) + ";\n";
        for (size_t n = 0; n < graph.nodes.size(); ++n) {
            if (graph.nodes[n].group == g) dot += "    n" + std::to_string(n) + ";\n";
        }
        dot += "  }\n";
    }
    for (size_t n = 0; n < graph.nodes.size(); ++n) {
        const GraphNode& node = graph.nodes[n];
        const BoxLines& box = node.box;
        std::string label =
            (node.warning ? "! " : "") + box.name + "\n" + box.kind + "\n" + box.value;
        if (box.counts) label += "\n" + *box.counts;
        for (const std::string& missing : box.missing)
            label += "\n" + missing;
        dot += "  n" + std::to_string(n) + " [label=" + DotQuoted(label) +
               ", tooltip=" + DotQuoted(Tooltip(node));
        if (node.warning) dot += ", color=red, penwidth=2";
        if (node.parents > 1) dot += ", peripheries=2";
        if (node.quantifier) dot += ", style=filled, fillcolor=\"#f4f8ff\"";
        dot += "];\n";
    }
    // The links that close a cycle are the picture's: marked and orange, whatever else they are.
    const std::vector<bool> cycle = CycleEdges(graph.nodes.size(), Edges(graph));
    for (size_t e = 0; e < graph.links.size(); ++e) {
        const GraphLink& link = graph.links[e];
        dot += "  n" + std::to_string(link.parent) + " -> n" + std::to_string(link.child) +
               " [label=" + DotQuoted(cycle[e] ? link.label + kCycleMark : link.label);
        if (!link.read) dot += ", style=dashed, color=gray";
        if (link.internal) dot += ", style=dotted, color=purple";
        if (cycle[e]) dot += ", color=\"#ff7f0e\", fontcolor=\"#ff7f0e\", penwidth=2";
        dot += "];\n";
    }
    return dot + "}\n";
}

}  // namespace quantifier_run
