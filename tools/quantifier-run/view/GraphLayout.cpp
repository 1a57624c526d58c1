#include "view/GraphLayout.h"

#include <algorithm>
#include <numeric>

#include "common/GraphCycles.h"

namespace quantifier_run {
namespace {

// The cycle search is the one a run warns with (common/GraphCycles.h), so that the links drawn as
// closing a cycle are those the run names; it builds its own list of each node's edges.
std::vector<bool> BackEdges(size_t nodes, const std::vector<std::pair<size_t, size_t>>& edges,
                            const std::vector<std::vector<size_t>>& /*out*/) {
    return ClosingEdges(nodes, edges);
}

std::vector<std::vector<size_t>> EdgesOut(size_t nodes,
                                          const std::vector<std::pair<size_t, size_t>>& edges) {
    std::vector<std::vector<size_t>> out(nodes);
    for (size_t e = 0; e < edges.size(); ++e)
        out[edges[e].first].push_back(e);
    return out;
}

using Edge = std::pair<size_t, size_t>;

// The margin around the drawing.
constexpr double kMargin = 20;

// The edges as they point once cycles are broken: downward, from upper to lower.
std::vector<Edge> Downward(const std::vector<Edge>& edges, const std::vector<bool>& backward) {
    std::vector<Edge> down(edges.size());
    for (size_t e = 0; e < edges.size(); ++e)
        down[e] = backward[e] ? std::pair(edges[e].second, edges[e].first) : edges[e];
    return down;
}

// Layers by longest path from the nodes nobody links to (Kahn's order).
std::vector<size_t> LongestPathLayers(size_t nodes, const std::vector<Edge>& down) {
    std::vector<size_t> layer(nodes, 0), incoming(nodes, 0);
    std::vector<std::vector<size_t>> below(nodes);
    for (const auto& [from, to] : down) {
        if (from == to) continue;
        below[from].push_back(to);
        ++incoming[to];
    }
    std::vector<size_t> ready;
    for (size_t n = nodes; n-- > 0;)
        if (incoming[n] == 0) ready.push_back(n);
    while (!ready.empty()) {
        const size_t node = ready.back();
        ready.pop_back();
        for (size_t child : below[node]) {
            layer[child] = std::max(layer[child], layer[node] + 1);
            if (--incoming[child] == 0) ready.push_back(child);
        }
    }
    return layer;
}

// A place in a layer: a node's box, or a lane through which a long link passes the layer.
struct Slot {
    size_t layer;
    bool lane;
    double order = 0;
    std::vector<size_t> up, downward;  // neighbouring slots
};

// The slots, the nodes first, and per edge the slots it passes from its upper end to its lower.
struct Slots {
    std::vector<Slot> slots;
    std::vector<std::vector<size_t>> chains;
};

// Slots: the nodes, then one lane per layer a long edge passes through.
Slots MakeSlots(size_t nodes, const std::vector<size_t>& layer, const std::vector<Edge>& down) {
    Slots made;
    std::vector<Slot>& slots = made.slots;
    slots.resize(nodes);
    for (size_t n = 0; n < nodes; ++n)
        slots[n] = {layer[n], false, static_cast<double>(n), {}, {}};
    made.chains.resize(down.size());
    for (size_t e = 0; e < down.size(); ++e) {
        const auto [from, to] = down[e];
        if (from == to) continue;
        std::vector<size_t>& chain = made.chains[e];
        size_t previous = from;
        chain.push_back(from);
        for (size_t l = layer[from] + 1; l < layer[to]; ++l) {
            slots.push_back({l, true, slots[previous].order, {}, {}});
            const size_t lane = slots.size() - 1;
            slots[previous].downward.push_back(lane);
            slots[lane].up.push_back(previous);
            chain.push_back(lane);
            previous = lane;
        }
        slots[previous].downward.push_back(to);
        slots[to].up.push_back(previous);
        chain.push_back(to);
    }
    return made;
}

void Number(const std::vector<size_t>& row, std::vector<double>& position) {
    for (size_t i = 0; i < row.size(); ++i)
        position[row[i]] = static_cast<double>(i);
}

// A barycentre sweep of one row: each slot moves toward the mean place of its neighbours in the
// layer just swept; a slot without any keeps its place.
void Sweep(std::vector<size_t>& row, bool fromAbove, const std::vector<Slot>& slots,
           std::vector<double>& position) {
    std::vector<double> key(row.size());
    for (size_t i = 0; i < row.size(); ++i) {
        const std::vector<size_t>& near = fromAbove ? slots[row[i]].up : slots[row[i]].downward;
        if (near.empty()) {
            key[i] = position[row[i]];
            continue;
        }
        double sum = 0;
        for (size_t s : near)
            sum += position[s];
        key[i] = sum / static_cast<double>(near.size());
    }
    std::vector<size_t> order(row.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return key[a] < key[b]; });
    std::vector<size_t> sorted(row.size());
    for (size_t i = 0; i < row.size(); ++i)
        sorted[i] = row[order[i]];
    row = std::move(sorted);
    Number(row, position);
}

// Each layer's slots, left to right: first in the order they were made, then after barycentre
// sweeps, down then up.
std::vector<std::vector<size_t>> OrderRows(const std::vector<Slot>& slots, size_t layers) {
    std::vector<std::vector<size_t>> rows(layers);
    for (size_t s = 0; s < slots.size(); ++s)
        rows[slots[s].layer].push_back(s);
    std::vector<double> position(slots.size(), 0);
    for (auto& row : rows) {
        std::stable_sort(row.begin(), row.end(),
                         [&](size_t a, size_t b) { return slots[a].order < slots[b].order; });
        Number(row, position);
    }
    for (int pass = 0; pass < 4; ++pass) {
        for (size_t l = 1; l < layers; ++l)
            Sweep(rows[l], true, slots, position);
        for (size_t l = layers; l-- > 1;)
            Sweep(rows[l - 1], false, slots, position);
    }
    return rows;
}

double Top(size_t layer, const LayoutSizes& sizes) {
    return kMargin + static_cast<double>(layer) * (sizes.boxHeight + sizes.gapY);
}

// Coordinates: each layer left to right, centred on the widest. Gives each slot's left side;
// sets the nodes' boxes and the drawing's size.
std::vector<double> Place(const std::vector<std::vector<size_t>>& rows,
                          const std::vector<Slot>& slots, const std::vector<size_t>& layer,
                          const LayoutSizes& sizes, GraphLayoutResult& result) {
    const size_t layers = rows.size();
    std::vector<double> left(slots.size(), 0), rowWidth(layers, 0);
    for (size_t l = 0; l < layers; ++l) {
        double x = 0;
        for (size_t s : rows[l]) {
            left[s] = x;
            x += (slots[s].lane ? sizes.laneWidth : sizes.boxWidth) + sizes.gapX;
        }
        rowWidth[l] = x > 0 ? x - sizes.gapX : 0;
    }
    const double widest = layers == 0 ? 0 : *std::max_element(rowWidth.begin(), rowWidth.end());
    for (size_t l = 0; l < layers; ++l) {
        for (size_t s : rows[l])
            left[s] += kMargin + (widest - rowWidth[l]) / 2;
    }
    result.boxes.resize(layer.size());
    for (size_t n = 0; n < layer.size(); ++n)
        result.boxes[n] = {left[n], Top(layer[n], sizes)};
    result.width = widest + 2 * kMargin;
    result.height = layers == 0 ? 2 * kMargin : Top(layers - 1, sizes) + sizes.boxHeight + kMargin;
    return left;
}

// Routes leave a box's bottom and enter the next box's top, at points spread over its width,
// so that arrows into one box stay apart.
void Route(const std::vector<Edge>& down, const Slots& made, const std::vector<double>& left,
           const std::vector<size_t>& layer, const LayoutSizes& sizes, GraphLayoutResult& result) {
    const std::vector<Slot>& slots = made.slots;
    const auto spread = [&](size_t slot, size_t k, size_t count) {
        const double width = slots[slot].lane ? sizes.laneWidth : sizes.boxWidth;
        return left[slot] + width * (static_cast<double>(k) + 1) / (static_cast<double>(count) + 1);
    };
    std::vector<size_t> usedOut(slots.size(), 0), usedIn(slots.size(), 0);
    result.routes.resize(down.size());
    for (size_t e = 0; e < down.size(); ++e) {
        std::vector<LayoutPoint>& route = result.routes[e];
        const auto [from, to] = down[e];
        if (from == to) {
            // A link to itself: out of the right side and back in.
            const double x = left[from] + sizes.boxWidth, y = Top(layer[from], sizes);
            route = {{x, y + 30},
                     {x + sizes.gapX * 0.6, y + 30},
                     {x + sizes.gapX * 0.6, y + 70},
                     {x, y + 70}};
            continue;
        }
        const std::vector<size_t>& chain = made.chains[e];
        for (size_t c = 0; c < chain.size(); ++c) {
            const size_t slot = chain[c];
            const double y = Top(slots[slot].layer, sizes);
            if (c > 0) {
                const size_t count = slots[slot].up.size();
                route.push_back(
                    {slots[slot].lane ? spread(slot, 0, 1) : spread(slot, usedIn[slot]++, count),
                     y});
            }
            if (c + 1 < chain.size()) {
                const size_t count = slots[slot].downward.size();
                route.push_back(
                    {slots[slot].lane ? spread(slot, 0, 1) : spread(slot, usedOut[slot]++, count),
                     y + sizes.boxHeight});
            }
        }
        if (result.backward[e]) std::reverse(route.begin(), route.end());
    }
}

}  // namespace

std::vector<bool> CycleEdges(size_t nodes, const std::vector<std::pair<size_t, size_t>>& edges) {
    return BackEdges(nodes, edges, EdgesOut(nodes, edges));
}

GraphLayoutResult LayoutGraph(size_t nodes, const std::vector<std::pair<size_t, size_t>>& edges,
                              const LayoutSizes& sizes) {
    GraphLayoutResult result;
    result.backward = BackEdges(nodes, edges, EdgesOut(nodes, edges));
    const std::vector<Edge> down = Downward(edges, result.backward);
    const std::vector<size_t> layer = LongestPathLayers(nodes, down);
    const size_t layers = nodes == 0 ? 0 : *std::max_element(layer.begin(), layer.end()) + 1;
    const Slots made = MakeSlots(nodes, layer, down);
    const std::vector<std::vector<size_t>> rows = OrderRows(made.slots, layers);
    const std::vector<double> left = Place(rows, made.slots, layer, sizes, result);
    Route(down, made, left, layer, sizes, result);
    return result;
}

}  // namespace quantifier_run
