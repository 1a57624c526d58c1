// A layered drawing of a directed graph in which data flows left to right: a node's children
// (what it reads) stand in the columns to its left, its readers to its right. Cycles are broken,
// long links pass the columns between through lanes of their own, so that no box overlaps another
// and no link crosses a box. Each link ends at its socket, a point on the left side of the box
// that reads it; children are ordered by the sockets they feed, then by barycentre sweeps, to keep
// crossings down. Deterministic: the same graph gives the same coordinates.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

namespace quantifier_run {

struct LayoutPoint {
    double x = 0, y = 0;
};

struct LayoutBox {
    double width = 0, height = 0;
};

struct LayoutEdge {
    size_t parent = 0, child = 0;
    double socket = 0;  // where it enters the parent's left side, down from the box's top
};

struct GraphLayoutResult {
    std::vector<LayoutPoint> boxes;  // each node's top-left corner
    // Per edge, in the order given: its route from the child's box to the parent's socket.
    std::vector<std::vector<LayoutPoint>> routes;
    std::vector<bool> backward;  // the edge closes a cycle (or links a node to itself)
    double width = 0, height = 0;
};

struct LayoutSizes {
    double gapX = 70, gapY = 18;  // between columns, between boxes in a column
    double laneHeight = 8;        // what a link passing through a column takes
};

// Which edges close a cycle (or link a node to itself), as LayoutGraph's `backward` marks them;
// without them the graph has no cycle.
std::vector<bool> CycleEdges(size_t nodes, const std::vector<std::pair<size_t, size_t>>& edges);

GraphLayoutResult LayoutGraph(const std::vector<LayoutBox>& boxes,
                              const std::vector<LayoutEdge>& edges, const LayoutSizes& sizes = {});

}  // namespace quantifier_run
