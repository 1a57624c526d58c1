// The scene's graph at one frame as an SVG picture, or as Graphviz text to lay out elsewhere.
#pragma once

#include <string>

#include "view/SceneGraph.h"

namespace quantifier_run {

std::string GraphSvg(const SceneGraph& graph);
std::string GraphDot(const SceneGraph& graph);

}  // namespace quantifier_run
