#include "common/GraphCycles.h"

#include <algorithm>
#include <cstdint>

namespace quantifier_run {

std::vector<bool> ClosingEdges(size_t nodes, const std::vector<std::pair<size_t, size_t>>& edges,
                               const CycleFound& found) {
    std::vector<std::vector<size_t>> out(nodes);
    std::vector<size_t> linkedTo(nodes, 0);
    for (size_t e = 0; e < edges.size(); ++e) {
        out[edges[e].first].push_back(e);
        ++linkedTo[edges[e].second];
    }
    std::vector<size_t> starts(nodes);
    for (size_t n = 0; n < nodes; ++n)
        starts[n] = n;
    std::stable_partition(starts.begin(), starts.end(),
                          [&](size_t node) { return linkedTo[node] == 0; });

    std::vector<bool> closing(edges.size(), false);
    constexpr size_t kUnseen = SIZE_MAX, kDone = SIZE_MAX - 1;
    // Where each node stands on the walk's path while it is there.
    std::vector<size_t> onPath(nodes, kUnseen);
    std::vector<size_t> path, next;  // the path's nodes, and each one's next edge
    for (size_t start : starts) {
        if (onPath[start] != kUnseen) continue;
        onPath[start] = 0;
        path.push_back(start);
        next.push_back(0);
        while (!path.empty()) {
            const size_t node = path.back();
            if (next.back() == out[node].size()) {
                onPath[node] = kDone;
                path.pop_back();
                next.pop_back();
                continue;
            }
            const size_t edge = out[node][next.back()++];
            const size_t child = edges[edge].second;
            if (onPath[child] == kUnseen) {
                onPath[child] = path.size();
                path.push_back(child);
                next.push_back(0);
            } else if (onPath[child] != kDone) {
                closing[edge] = true;
                if (found) found(edge, std::span<const size_t>(path).subspan(onPath[child]));
            }
        }
    }
    return closing;
}

}  // namespace quantifier_run
