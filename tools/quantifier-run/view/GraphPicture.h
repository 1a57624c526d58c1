// The scene's graph at one frame as an SVG picture, or as Graphviz text to lay out elsewhere.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "view/GraphLayout.h"
#include "view/SceneGraph.h"

namespace quantifier_run {

// Plain, as --format graph writes it; Named for the page: each line of a box and the heading
// also carry their name (data-line="value", BoxLineName), where the page shows another frame's.
enum class SvgLines { Plain, Named };
// The name of the line over the whole picture, SceneGraph::heading.
inline constexpr std::string_view kHeadingLine = "heading";

// How a box's text stands: from one baseline to the next, from the box's left side to its text,
// the sparkline's strip under the text.
inline constexpr double kBoxLine = 14, kBoxPad = 10, kBoxSparkHeight = 26;

// What a box holds, top to bottom: its name, its kind, a socket per slot, its value (a matrix's
// four rows), its counts, its sparkline; and the box's size, from the widest of them.
struct BoxPlan {
    std::string title;
    std::vector<std::string> values;  // the value line, or a matrix's rows
    double width = 0, height = 0;
    double socketTop = 0, valueTop = 0, sparkTop = 0;  // baselines, from the box's top
};
BoxPlan PlanBox(const GraphNode& node);
// A socket's middle, down from the box's top: where its link ends.
double SocketY(const BoxPlan& plan, size_t socket);

// The picture without its markup, for a page that draws it itself: each box's plan, and where
// the boxes and the links' routes lie.
struct GraphPlacement {
    std::vector<BoxPlan> plans;  // by node
    GraphLayoutResult layout;
};
GraphPlacement PlaceGraph(const SceneGraph& graph);

std::string GraphSvg(const SceneGraph& graph, SvgLines lines = SvgLines::Plain);
std::string GraphDot(const SceneGraph& graph);

// A line of a box as the picture draws it: cut to what the box's width holds, `indent`
// characters less where the line starts further in.
std::string ShownInBox(std::string_view line, size_t indent = 0);

}  // namespace quantifier_run
