// The links that close the cycles of a directed graph, found once for every use: the graph's
// picture draws them apart, and a run warns of each.
#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <utility>
#include <vector>

namespace quantifier_run {

// Called with an edge that closes a cycle and the cycle: the nodes from the edge's child round to
// its parent (one node for an edge from a node to itself).
using CycleFound = std::function<void(size_t edge, std::span<const size_t> cycle)>;

// Which edges close a cycle (or link a node to itself): without them the graph has none. Found by
// one depth-first walk from the nodes nothing links to, then from the rest in index order, each
// node's edges in the order given, so the same graph gives the same edges; `found`, when given,
// is told of each as the walk meets it. Linear in the nodes and edges.
std::vector<bool> ClosingEdges(size_t nodes, const std::vector<std::pair<size_t, size_t>>& edges,
                               const CycleFound& found = {});

}  // namespace quantifier_run
