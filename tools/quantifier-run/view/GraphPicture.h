// The scene's graph at one frame as an SVG picture, or as Graphviz text to lay out elsewhere.
#pragma once

#include <string>
#include <string_view>

#include "view/SceneGraph.h"

namespace quantifier_run {

// Plain, as --format graph writes it; Named for the page: each line of a box and the heading
// also carry their name (data-line="value", BoxLineName), where the page shows another frame's.
enum class SvgLines { Plain, Named };
// The name of the line over the whole picture, SceneGraph::heading.
inline constexpr std::string_view kHeadingLine = "heading";

std::string GraphSvg(const SceneGraph& graph, SvgLines lines = SvgLines::Plain);
std::string GraphDot(const SceneGraph& graph);

// A line of a box as the picture draws it: cut to what the box's width holds, `indent`
// characters less where the line starts further in.
std::string ShownInBox(std::string_view line, size_t indent = 0);

}  // namespace quantifier_run
