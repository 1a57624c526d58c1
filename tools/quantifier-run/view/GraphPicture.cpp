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

// Where a box's text stands and how wide a line may be.
constexpr double kLine = kBoxLine;
constexpr double kPad = kBoxPad;
constexpr double kMinBoxWidth = 140, kMaxBoxWidth = 300;
constexpr double kSparkHeight = kBoxSparkHeight;
constexpr double kBold = 1.12;                 // a bold character is this much wider
constexpr double kRowIndent = 2 * kCharWidth;  // a matrix's later rows, under the first's "= "

// Characters that fit in `width` pixels, `scale` times the usual character wide.
size_t Fitting(double width, double scale = 1) {
    return static_cast<size_t>(std::max(0.0, width) / (kCharWidth * scale));
}

double TextWidth(std::string_view text, double scale = 1) {
    return static_cast<double>(Characters(text)) * kCharWidth * scale;
}

// A matrix's rows, from the value line as it writes them: "= [[..], [..], [..], [..]]".
std::vector<std::string> MatrixRows(const std::string& value) {
    if (value.rfind("= [[", 0) != 0 || value.size() < 7 || value.substr(value.size() - 2) != "]]")
        return {};
    const std::string_view inner = std::string_view(value).substr(4, value.size() - 6);
    std::vector<std::string> rows;
    for (size_t start = 0;;) {
        const size_t end = std::min(inner.find("], [", start), inner.size());
        rows.push_back((rows.empty() ? "= [" : "[") +
                       std::string(inner.substr(start, end - start)) + "]");
        if (end == inner.size()) break;
        start = end + 4;
    }
    return rows.size() == 4 ? rows : std::vector<std::string>{};
}

}  // namespace

BoxPlan PlanBox(const GraphNode& node) {
    BoxPlan plan;
    const BoxLines& box = node.box;
    plan.title = (node.warning ? "\xE2\x9A\xA0 " : "") + box.name +
                 (node.parents > 1 ? " \xC3\x97" + std::to_string(node.parents) : "");
    plan.values = MatrixRows(box.value);
    if (plan.values.empty()) plan.values = {box.value};
    double widest = std::max(TextWidth(plan.title, kBold), TextWidth(box.kind));
    for (const GraphSocket& socket : node.sockets)
        widest =
            std::max(widest, TextWidth(socket.label) +
                                 (socket.missing ? kCharWidth + TextWidth("missing", kBold) : 0));
    for (size_t v = 0; v < plan.values.size(); ++v)
        widest = std::max(widest, TextWidth(ShownInBox(plan.values[v])) + (v ? kRowIndent : 0));
    if (box.counts) widest = std::max(widest, TextWidth(*box.counts));
    plan.width = std::clamp(widest + 2 * kPad, kMinBoxWidth, kMaxBoxWidth);
    plan.socketTop = 15 + 2 * kLine;
    plan.valueTop = plan.socketTop + kLine * static_cast<double>(node.sockets.size());
    plan.sparkTop = plan.valueTop + kLine * static_cast<double>(plan.values.size() - 1) +
                    (box.counts ? kLine : 0) + 8;
    plan.height = plan.sparkTop + (node.sparkLow ? kSparkHeight : 0);
    return plan;
}

double SocketY(const BoxPlan& plan, size_t socket) {
    return plan.socketTop + kLine * static_cast<double>(socket) - 4;
}

namespace {

// The sparkline in its strip: one point per column, rising from its lowest value to its
// highest, so that a column of many frames still shows its range; the column of the frame shown
// carries a dot.
std::string Sparkline(const GraphNode& node, size_t column, double x, double y, double width,
                      double height) {
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
    const double step = low.size() > 1 ? width / static_cast<double>(low.size() - 1) : 0;
    const auto at = [&](float value) {
        return y + height - (static_cast<double>(value) - least) / range * height;
    };
    std::string path, mark;
    for (size_t c = 0; c < low.size(); ++c) {
        if (std::isnan(low[c])) continue;
        const double cx = low.size() > 1 ? x + step * static_cast<double>(c) : x + width / 2;
        path += (path.empty() ? "M" : "L") + Number(cx) + " " + Number(at(low[c]));
        if (high[c] != low[c]) path += "L" + Number(cx) + " " + Number(at(high[c]));
        if (c == column)
            mark = "<circle class=\"now\" cx=\"" + Number(cx) + "\" cy=\"" + Number(at(high[c])) +
                   "\" r=\"2.5\"/>";
    }
    return "<rect class=\"strip\" x=\"" + Number(x - 2) + "\" y=\"" + Number(y - 2) +
           "\" width=\"" + Number(width + 4) + "\" height=\"" + Number(height + 4) +
           "\"/><path class=\"spark\" d=\"" + path + "\"/>" + mark;
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
    return Shortened(line, Fitting(kMaxBoxWidth - 2 * kPad) - indent);
}

namespace {

// One line of text cut to `width` pixels; where it is cut, the whole line is its tooltip.
std::string FittedText(std::string_view attributes, std::string_view text, double width,
                       double scale = 1) {
    const std::string shown = Shortened(text, Fitting(width, scale));
    const std::string title =
        shown.size() == text.size() ? "" : "<title>" + Escaped(text) + "</title>";
    return "<text" + std::string(attributes) + ">" + title + Escaped(shown) + "</text>";
}

std::string Attributes(const std::string& named, double x, double y, std::string_view extra = "") {
    return named + " x=\"" + Number(x) + "\" y=\"" + Number(y) + "\"" + std::string(extra);
}

// A box's rectangle, its group's stripe and its sockets.
std::string BoxFrame(const GraphNode& node, const BoxPlan& plan, double x, double y) {
    std::string cls = "box";
    if (node.quantifier) cls += " quantifier";
    if (node.warning) cls += " warned";
    if (node.parents > 1) cls += " shared";
    std::string svg = "<rect class=\"" + cls + "\" x=\"" + Number(x) + "\" y=\"" + Number(y) +
                      "\" width=\"" + Number(plan.width) + "\" height=\"" + Number(plan.height) +
                      "\" rx=\"4\"/>";
    if (node.group)
        svg += "<rect x=\"" + Number(x) + "\" y=\"" + Number(y) + "\" width=\"4\" height=\"" +
               Number(plan.height) + "\" fill=\"" + GroupColour(*node.group) + "\"/>";
    for (size_t s = 0; s < node.sockets.size(); ++s) {
        const GraphSocket& socket = node.sockets[s];
        const double cy = y + SocketY(plan, s);
        svg += "<circle class=\"socket" + std::string(socket.missing ? " missing" : "") +
               "\" cx=\"" + Number(x) + "\" cy=\"" + Number(cy) + "\" r=\"3\"/>";
        const double room = plan.width - 2 * kPad;
        if (!socket.missing) {
            svg +=
                FittedText(Attributes("", x + kPad, cy + 4, " class=\"slot\""), socket.label, room);
            continue;
        }
        // A slot that found nothing says so at its socket; its name gives way to the word.
        const std::string word = "missing";
        svg += FittedText(Attributes("", x + kPad, cy + 4, " class=\"slot\""), socket.label,
                          room - TextWidth(word, kBold) - kCharWidth);
        svg += "<text" + Attributes("", x + plan.width - kPad, cy + 4) +
               " text-anchor=\"end\" class=\"mark\">" + word + "</text>";
    }
    return svg;
}

// A channel's box: frame, sockets, its lines (named for the page), its sparkline.
std::string NodeSvg(const SceneGraph& graph, const GraphNode& node, const BoxPlan& plan,
                    LayoutPoint at, SvgLines lines) {
    const auto named = [&](BoxLine name) {
        return lines == SvgLines::Named ? " data-line=\"" + std::string(BoxLineName(name)) + "\""
                                        : std::string();
    };
    const double x = at.x, y = at.y, room = plan.width - 2 * kPad;
    const BoxLines& box = node.box;
    std::string svg = "<g class=\"channel\"><title>" + Escaped(Tooltip(node)) + "</title>" +
                      BoxFrame(node, plan, x, y);
    svg += FittedText(Attributes(named(BoxLine::Name), x + kPad, y + 15,
                                 node.warning ? " class=\"mark\"" : " font-weight=\"bold\""),
                      plan.title, room, kBold);
    svg += FittedText(Attributes(named(BoxLine::Kind), x + kPad, y + 15 + kLine), box.kind, room);
    double row = y + plan.valueTop;
    for (size_t v = 0; v < plan.values.size(); ++v, row += kLine) {
        // A matrix's later rows stand under the first's numbers, past its "= ".
        const double indent = v == 0 ? 0 : kRowIndent;
        svg += FittedText(Attributes(v == 0 ? named(BoxLine::Value) : "", x + kPad + indent, row),
                          plan.values[v], room - indent);
    }
    if (box.counts)
        svg += FittedText(Attributes(named(BoxLine::Counts), x + kPad, row), *box.counts, room);
    if (node.sparkLow) {
        const size_t columns = node.sparkLow->size();
        const size_t column = std::min(graph.frame * columns / graph.frames, columns - 1);
        svg += Sparkline(node, column, x + kPad, y + plan.sparkTop, room, kSparkHeight - 10);
    }
    return svg + "</g>\n";
}

// A link from its child to its socket, with what it is as its tooltip, appended to `svg`.
void AppendLink(std::string& svg, const SceneGraph& graph, const GraphLink& link,
                const std::vector<LayoutPoint>& route, bool backward) {
    std::string cls = "link";
    if (!link.read) cls += " unread";
    if (link.internal) cls += " internal";
    if (backward) cls += " cycle";
    const std::string label = backward ? link.label + kCycleMark : link.label;
    svg += "<g><title>";
    svg += Escaped(graph.nodes[link.child].name + " \xE2\x86\x92 " + graph.nodes[link.parent].name +
                   ": " + label);
    svg += "</title><polyline class=\"" + cls + "\" points=\"";
    for (size_t p = 0; p < route.size(); ++p) {
        if (p > 0) svg += ' ';
        AppendNumber(svg, route[p].x);
        svg += ',';
        AppendNumber(svg, route[p].y);
    }
    svg += "\" marker-end=\"url(#arrow)\"/></g>\n";
}

// The links a part of the graph cut from a box (view/GraphFocus.h): a short dashed stub into each
// socket whose child is not drawn, and one out of the box's right side, by its name, when readers
// are not drawn; each names what it leaves out as its tooltip. Drawn with their own attributes,
// so that a picture without them is as it was.
constexpr double kStub = 18;
constexpr const char* kStubLine =
    "\" fill=\"none\" stroke=\"#888\" stroke-dasharray=\"3 3\" marker-end=\"url(#arrow)\"/></g>\n";

std::string Stub(const std::string& tooltip, LayoutPoint from, LayoutPoint to) {
    return "<g class=\"cut\"><title>" + Escaped(tooltip) + "</title><polyline points=\"" +
           Number(from.x) + "," + Number(from.y) + " " + Number(to.x) + "," + Number(to.y) +
           kStubLine;
}

// "a, b, c and 4 more"
std::string SomeNames(const std::vector<CutLink>& links) {
    constexpr size_t kNamed = 5;
    std::string names;
    for (size_t i = 0; i < links.size() && i < kNamed; ++i)
        names += (i > 0 ? ", " : "") + links[i].other;
    if (links.size() > kNamed) names += " and " + std::to_string(links.size() - kNamed) + " more";
    return names;
}

std::string CutSvg(const GraphNode& node, const BoxPlan& plan, LayoutPoint at) {
    std::string svg;
    for (const CutLink& cut : node.cutInputs) {
        const double y = at.y + SocketY(plan, cut.socket);
        svg += Stub(cut.other + " \xE2\x86\x92 " + node.name + ": " + cut.label + " (not drawn)",
                    {at.x - kStub, y}, {at.x, y});
    }
    if (!node.cutReaders.empty()) {
        const double x = at.x + plan.width, y = at.y + 11;
        svg += Stub(node.name + " is read by " + std::to_string(node.cutReaders.size()) +
                        " more, not drawn: " + SomeNames(node.cutReaders),
                    {x, y}, {x + kStub, y});
    }
    return svg;
}

constexpr const char* kStyle =
    "<style>.box{fill:#fff;stroke:#555}.warned{stroke:#d62728;stroke-width:2.5}"
    ".shared{stroke-width:3;stroke-dasharray:none}.quantifier{fill:#f4f8ff}"
    ".link{fill:none;stroke:#444}.unread{stroke-dasharray:6 4;stroke:#999}"
    ".internal{stroke:#9467bd;stroke-dasharray:2 3}.cycle{stroke:#ff7f0e}"
    ".socket{fill:#fff;stroke:#444}.socket.missing{fill:#d62728;stroke:#d62728}"
    ".slot{fill:#333}.strip{fill:#f7f7f7;stroke:none}"
    ".spark{stroke:#1f77b4;stroke-width:1.5;fill:none;stroke-linejoin:round}"
    ".now{fill:#d62728}.mark{fill:#d62728;font-weight:bold}</style>\n"
    "<defs><marker id=\"arrow\" viewBox=\"0 0 10 10\" refX=\"10\" refY=\"5\" "
    "markerWidth=\"7\" markerHeight=\"7\" orient=\"auto-start-reverse\">"
    "<path d=\"M0 0L10 5L0 10z\" fill=\"#444\"/></marker></defs>\n";

// A box's lines for the links a part of the graph cut from it, in the Graphviz text.
std::string CutLines(const GraphNode& node) {
    const auto line = [](size_t count, const char* what) {
        return "\n\xE2\x80\xA6 " + std::to_string(count) + " " + what + (count == 1 ? "" : "s") +
               " not drawn";
    };
    std::string lines;
    if (!node.cutInputs.empty()) lines += line(node.cutInputs.size(), "input");
    if (!node.cutReaders.empty()) lines += line(node.cutReaders.size(), "reader");
    return lines;
}

// Room enough for the picture, so that a large one is not copied as it grows: the pages reserved
// and never written cost no memory.
size_t SvgSizeAtMost(const SceneGraph& graph, const GraphLayoutResult& layout) {
    size_t size = 8192 + graph.note.size() * 6;
    for (const GraphNode& node : graph.nodes) {
        size += 1024 + 6 * (node.name.size() + node.box.kind.size() + node.box.value.size()) +
                256 * (node.sockets.size() + node.cutInputs.size() + node.cutReaders.size());
        if (node.sparkLow) size += 64 * node.sparkLow->size();
    }
    for (size_t e = 0; e < graph.links.size(); ++e)
        size += 256 + 6 * graph.links[e].label.size() + 24 * layout.routes[e].size() +
                6 * (graph.nodes[graph.links[e].child].name.size() +
                     graph.nodes[graph.links[e].parent].name.size());
    return size;
}

}  // namespace

GraphPlacement PlaceGraph(const SceneGraph& graph) {
    GraphPlacement placed;
    std::vector<LayoutBox> boxes;
    placed.plans.reserve(graph.nodes.size());
    boxes.reserve(graph.nodes.size());
    for (const GraphNode& node : graph.nodes) {
        placed.plans.push_back(PlanBox(node));
        boxes.push_back({placed.plans.back().width, placed.plans.back().height});
    }
    std::vector<LayoutEdge> edges;
    edges.reserve(graph.links.size());
    for (const GraphLink& link : graph.links)
        edges.push_back({link.parent, link.child, SocketY(placed.plans[link.parent], link.socket)});
    placed.layout = LayoutGraph(boxes, edges);
    return placed;
}

std::string GraphSvg(const SceneGraph& graph, SvgLines lines) {
    const GraphPlacement placed = PlaceGraph(graph);
    const std::vector<BoxPlan>& plans = placed.plans;
    const GraphLayoutResult& layout = placed.layout;
    // What a part of the graph leaves out stands beside the heading; the picture is as wide.
    const double noteLeft = 8 + TextWidth(graph.heading) + 2 * kCharWidth;
    const double width = graph.note.empty()
                             ? layout.width
                             : std::max(layout.width, noteLeft + TextWidth(graph.note) + 8);

    std::string svg;
    svg.reserve(SvgSizeAtMost(graph, layout));
    svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Number(width) + "\" height=\"" +
           Number(layout.height) + "\" viewBox=\"0 0 " + Number(width) + " " +
           Number(layout.height) + "\" font-family=\"sans-serif\" font-size=\"11\">\n" + kStyle;
    const std::string heading =
        lines == SvgLines::Named ? " data-line=\"" + std::string(kHeadingLine) + "\"" : "";
    svg += "<text" + heading + " x=\"8\" y=\"14\">" + Escaped(graph.heading) + "</text>\n";
    if (!graph.note.empty())
        svg += "<text class=\"note\" x=\"" + Number(noteLeft) + "\" y=\"14\" fill=\"#d62728\">" +
               Escaped(graph.note) + "</text>\n";
    for (size_t e = 0; e < graph.links.size(); ++e)
        AppendLink(svg, graph, graph.links[e], layout.routes[e], layout.backward[e]);
    for (size_t n = 0; n < graph.nodes.size(); ++n)
        svg += CutSvg(graph.nodes[n], plans[n], layout.boxes[n]);
    for (size_t n = 0; n < graph.nodes.size(); ++n)
        svg += NodeSvg(graph, graph.nodes[n], plans[n], layout.boxes[n], lines);
    svg += "</svg>\n";  // appended, not added: a copy of a large picture would double its memory
    return svg;
}

std::string GraphDot(const SceneGraph& graph) {
    const std::string heading =
        graph.note.empty() ? graph.heading : graph.heading + "\n" + graph.note;
    std::string dot = "digraph scene {\n  label=" + DotQuoted(heading) +
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
        label += CutLines(node);
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
    dot += "}\n";
    return dot;
}

}  // namespace quantifier_run
