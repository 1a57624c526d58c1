// A layered drawing of a directed graph: parents above their children, cycles broken, long
// links passing the layers between through gaps of their own, so that no box overlaps another
// and no arrow crosses a box. Deterministic: the same graph gives the same coordinates.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

namespace quantifier_run {

struct LayoutPoint {
    double x = 0, y = 0;
};

struct GraphLayoutResult {
    std::vector<LayoutPoint> boxes;  // each node's top-left corner
    // Per edge, in the order given: its route from the parent's box to the child's box.
    std::vector<std::vector<LayoutPoint>> routes;
    std::vector<bool> backward;  // the edge closes a cycle (or links a node to itself)
    double width = 0, height = 0;
};

struct LayoutSizes {
    double boxWidth = 230, boxHeight = 112;
    double gapX = 36, gapY = 84;
    double laneWidth = 14;  // what a link passing through a layer takes
};

// Which edges close a cycle (or link a node to itself), as LayoutGraph's `backward` marks them;
// without them the graph has no cycle.
std::vector<bool> CycleEdges(size_t nodes, const std::vector<std::pair<size_t, size_t>>& edges);

GraphLayoutResult LayoutGraph(size_t nodes, const std::vector<std::pair<size_t, size_t>>& edges,
                              const LayoutSizes& sizes = {});

}  // namespace quantifier_run
