#include "view/GraphLayout.h"

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <optional>
#include <set>

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
constexpr double kMargin = 28;  // room for a cycle's link round a box in the first column
// A link that would pass more columns than this goes over the boxes instead, on its child's
// track: lanes through every column between cost memory by the link's length, which a long chain
// with a channel shared all along makes quadratic in the channels. The links of one child share
// its track; tracks are shared by children whose spans do not overlap.
constexpr size_t kMostLanes = 64;
constexpr double kTrackGap = 6;

// The edges as they point once cycles are broken: from reader to child, from a lower layer
// (further right) to a higher one.
std::vector<Edge> Downward(const std::vector<LayoutEdge>& edges,
                           const std::vector<bool>& backward) {
    std::vector<Edge> down(edges.size());
    for (size_t e = 0; e < edges.size(); ++e)
        down[e] = backward[e] ? Edge(edges[e].child, edges[e].parent)
                              : Edge(edges[e].parent, edges[e].child);
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
    // Neighbouring slots: toward the readers, with where on that slot the link arrives (its
    // socket's share of the box's height); toward the children.
    std::vector<std::pair<size_t, double>> up;
    std::vector<size_t> downward;
};

// The slots, the nodes first, and per edge the slots it passes from its reader's end to its
// child's.
struct Slots {
    std::vector<Slot> slots;
    std::vector<std::vector<size_t>> chains;
    std::vector<bool> overTop;  // per edge: it runs on its child's track
    std::vector<size_t> track;  // per node: its track, when links of its go over the top
    size_t tracks = 0;
};

// Each child with links over the top gets a track: the spans (in columns, from the child's to its
// furthest reader's) taken leftmost first, each on a track whose last span ended to its left.
void AssignTracks(const std::vector<size_t>& layer, const std::vector<Edge>& down, Slots& made) {
    std::vector<size_t> reach(layer.size(), SIZE_MAX);  // the furthest reader's layer
    for (size_t e = 0; e < down.size(); ++e)
        if (made.overTop[e])
            reach[down[e].second] = std::min(reach[down[e].second], layer[down[e].first]);
    std::vector<size_t> children;
    for (size_t n = 0; n < layer.size(); ++n)
        if (reach[n] != SIZE_MAX) children.push_back(n);
    std::stable_sort(children.begin(), children.end(),
                     [&](size_t a, size_t b) { return layer[a] > layer[b]; });
    made.track.assign(layer.size(), 0);
    std::set<std::pair<size_t, size_t>> ends;  // (the layer a track's last span reaches, track)
    for (const size_t child : children) {
        size_t track = made.tracks;
        if (!ends.empty() && ends.rbegin()->first > layer[child]) {
            track = ends.rbegin()->second;
            ends.erase(std::prev(ends.end()));
        } else {
            ++made.tracks;
        }
        made.track[child] = track;
        ends.emplace(reach[child], track);
    }
}

// Where an edge arrives on its upper slot, as a share of that slot's height.
double Arrival(const LayoutEdge& edge, bool backward, const std::vector<LayoutBox>& boxes) {
    if (backward || boxes[edge.parent].height <= 0) return 0.5;
    return std::clamp(edge.socket / boxes[edge.parent].height, 0.0, 1.0);
}

// The links that go over the top: every link that passes a column, of a child one of whose links
// would pass more than kMostLanes (its other links' lanes would stand in the way of their drops).
std::vector<bool> OverTheTopEdges(const std::vector<size_t>& layer, const std::vector<Edge>& down,
                                  const std::vector<bool>& backward) {
    std::vector<size_t> longest(layer.size(), 0);
    for (size_t e = 0; e < down.size(); ++e) {
        const auto [from, to] = down[e];
        if (!backward[e] && from != to)
            longest[to] = std::max(longest[to], layer[to] - layer[from]);
    }
    std::vector<bool> over(down.size(), false);
    for (size_t e = 0; e < down.size(); ++e) {
        const auto [from, to] = down[e];
        over[e] =
            !backward[e] && from != to && layer[to] - layer[from] > 1 && longest[to] > kMostLanes;
    }
    return over;
}

// Slots: the nodes, then one lane per layer a long edge passes through.
Slots MakeSlots(const std::vector<LayoutBox>& boxes, const std::vector<size_t>& layer,
                const std::vector<LayoutEdge>& edges, const std::vector<Edge>& down,
                const std::vector<bool>& backward) {
    Slots made;
    std::vector<Slot>& slots = made.slots;
    slots.resize(boxes.size());
    for (size_t n = 0; n < boxes.size(); ++n)
        slots[n] = {layer[n], false, static_cast<double>(n), {}, {}};
    made.chains.resize(down.size());
    made.overTop = OverTheTopEdges(layer, down, backward);
    for (size_t e = 0; e < down.size(); ++e) {
        const auto [from, to] = down[e];
        if (from == to) continue;
        std::vector<size_t>& chain = made.chains[e];
        if (made.overTop[e]) {
            chain = {from, to};
            continue;
        }
        size_t previous = from;
        double at = Arrival(edges[e], backward[e], boxes);
        chain.push_back(from);
        for (size_t l = layer[from] + 1; l < layer[to]; ++l) {
            slots.push_back({l, true, slots[previous].order + at, {}, {}});
            const size_t lane = slots.size() - 1;
            slots[previous].downward.push_back(lane);
            slots[lane].up.emplace_back(previous, at);
            chain.push_back(lane);
            previous = lane;
            at = 0.5;
        }
        slots[previous].downward.push_back(to);
        slots[to].up.emplace_back(previous, at);
        chain.push_back(to);
    }
    return made;
}

void PlaceInOrder(const std::vector<size_t>& row, std::vector<double>& position) {
    for (size_t i = 0; i < row.size(); ++i)
        position[row[i]] = static_cast<double>(i);
}

// The mean place of a slot's neighbours in the layer just swept; toward the readers a link's
// place is its socket's, so that one reader's children come in the order of its slots.
std::optional<double> Barycentre(const Slot& slot, bool fromReaders,
                                 const std::vector<double>& position) {
    double sum = 0;
    size_t count = 0;
    if (fromReaders) {
        for (const auto& [s, at] : slot.up)
            sum += position[s] + at;
        count = slot.up.size();
    } else {
        for (size_t s : slot.downward)
            sum += position[s] + 0.5;
        count = slot.downward.size();
    }
    if (count == 0) return std::nullopt;
    return sum / static_cast<double>(count);
}

// A barycentre sweep of one row: each slot moves toward the mean place of its neighbours in the
// layer just swept; a slot without any keeps its place.
void Sweep(std::vector<size_t>& row, bool fromReaders, const std::vector<Slot>& slots,
           std::vector<double>& position) {
    std::vector<double> key(row.size());
    for (size_t i = 0; i < row.size(); ++i)
        key[i] = Barycentre(slots[row[i]], fromReaders, position).value_or(position[row[i]] + 0.5);
    std::vector<size_t> order(row.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return key[a] < key[b]; });
    std::vector<size_t> sorted(row.size());
    for (size_t i = 0; i < row.size(); ++i)
        sorted[i] = row[order[i]];
    row = std::move(sorted);
    PlaceInOrder(row, position);
}

// Pairs out of order, by merge sort: each pair of links between two columns that cross.
size_t Inversions(std::vector<double>& values, size_t begin, size_t end,
                  std::vector<double>& scratch) {
    if (end - begin < 2) return 0;
    const size_t middle = begin + (end - begin) / 2;
    size_t count =
        Inversions(values, begin, middle, scratch) + Inversions(values, middle, end, scratch);
    size_t i = begin, j = middle, k = begin;
    while (i < middle || j < end) {
        if (j == end || (i < middle && values[i] <= values[j])) {
            scratch[k++] = values[i++];
        } else {
            count += middle - i;
            scratch[k++] = values[j++];
        }
    }
    std::copy(scratch.begin() + static_cast<std::ptrdiff_t>(begin),
              scratch.begin() + static_cast<std::ptrdiff_t>(end),
              values.begin() + static_cast<std::ptrdiff_t>(begin));
    return count;
}

// How many pairs of links cross between neighbouring columns, each link taken from its place on
// the reader's side (its socket's) to its child's place.
size_t Crossings(const std::vector<std::vector<size_t>>& rows, const std::vector<Slot>& slots,
                 const std::vector<double>& position) {
    size_t count = 0;
    std::vector<std::pair<double, double>> links;
    for (size_t l = 1; l < rows.size(); ++l) {
        links.clear();
        for (size_t s : rows[l])
            for (const auto& [u, at] : slots[s].up)
                links.emplace_back(position[u] + at, position[s]);
        std::sort(links.begin(), links.end());
        std::vector<double> lower(links.size()), scratch(links.size());
        for (size_t i = 0; i < links.size(); ++i)
            lower[i] = links[i].second;
        count += Inversions(lower, 0, lower.size(), scratch);
    }
    return count;
}

// How many of a's links cross b's when a stands just above b.
size_t PairCrossings(const Slot& a, const Slot& b, const std::vector<double>& position) {
    size_t count = 0;
    for (const auto& [u, at] : a.up)
        for (const auto& [v, bt] : b.up)
            count += position[u] + at > position[v] + bt;
    for (size_t c : a.downward)
        for (size_t d : b.downward)
            count += position[c] > position[d];
    return count;
}

// Neighbours in a row change places while that uncrosses links: what the sweeps' averages miss,
// such as a child of a reader's last slot that has no other reader.
void Transpose(std::vector<std::vector<size_t>>& rows, const std::vector<Slot>& slots,
               std::vector<double>& position) {
    for (int round = 0; round < 4; ++round) {
        bool better = false;
        for (std::vector<size_t>& row : rows) {
            for (size_t i = 0; i + 1 < row.size(); ++i) {
                const Slot &a = slots[row[i]], &b = slots[row[i + 1]];
                if (PairCrossings(b, a, position) >= PairCrossings(a, b, position)) continue;
                std::swap(row[i], row[i + 1]);
                position[row[i]] = static_cast<double>(i);
                position[row[i + 1]] = static_cast<double>(i + 1);
                better = true;
            }
        }
        if (!better) break;
    }
}

// Each layer's slots, top to bottom: first in the order they were made, then after barycentre
// sweeps toward the children and back, each round ending toward the children so that a reader's
// slot order has the last word; the round with the fewest crossings is kept.
std::vector<std::vector<size_t>> OrderRows(const std::vector<Slot>& slots, size_t layers) {
    std::vector<std::vector<size_t>> rows(layers);
    for (size_t s = 0; s < slots.size(); ++s)
        rows[slots[s].layer].push_back(s);
    std::vector<double> position(slots.size(), 0);
    for (auto& row : rows) {
        std::stable_sort(row.begin(), row.end(),
                         [&](size_t a, size_t b) { return slots[a].order < slots[b].order; });
        PlaceInOrder(row, position);
    }
    std::vector<std::vector<size_t>> best = rows;
    size_t fewest = Crossings(rows, slots, position);
    for (int round = 0; round < 4 && fewest > 0; ++round) {
        if (round > 0) {
            for (size_t l = layers; l-- > 1;)
                Sweep(rows[l - 1], false, slots, position);
        }
        for (size_t l = 1; l < layers; ++l)
            Sweep(rows[l], true, slots, position);
        const size_t crossings = Crossings(rows, slots, position);
        if (crossings < fewest) {
            fewest = crossings;
            best = rows;
        }
    }
    for (auto& row : best)
        PlaceInOrder(row, position);
    Transpose(best, slots, position);
    return best;
}

// Where each slot stands: the columns right to left from the readers, each as wide as its widest
// box, the boxes in a column top to bottom, each column centred on the tallest.
struct Placed {
    std::vector<LayoutPoint> corner;  // each slot's top-left
    std::vector<double> columnLeft, columnWidth;
};

Placed Place(const std::vector<std::vector<size_t>>& rows, const Slots& made,
             const std::vector<LayoutBox>& boxes, const LayoutSizes& sizes,
             GraphLayoutResult& result) {
    const std::vector<Slot>& slots = made.slots;
    const double top = kTrackGap * static_cast<double>(made.tracks);  // the tracks over the boxes
    const size_t layers = rows.size();
    Placed placed{std::vector<LayoutPoint>(slots.size()), std::vector<double>(layers, 0),
                  std::vector<double>(layers, 0)};
    std::vector<double> columnHeight(layers, 0);
    for (size_t l = 0; l < layers; ++l) {
        double y = 0;
        for (size_t s : rows[l]) {
            placed.corner[s].y = y;
            const bool lane = slots[s].lane;
            if (!lane) placed.columnWidth[l] = std::max(placed.columnWidth[l], boxes[s].width);
            y += (lane ? sizes.laneHeight : boxes[s].height) + sizes.gapY;
        }
        columnHeight[l] = y > 0 ? y - sizes.gapY : 0;
    }
    const double tallest =
        layers == 0 ? 0 : *std::max_element(columnHeight.begin(), columnHeight.end());
    double x = kMargin;
    for (size_t l = layers; l-- > 0;) {
        placed.columnLeft[l] = x;
        x += placed.columnWidth[l] + sizes.gapX;
        for (size_t s : rows[l]) {
            placed.corner[s].x = placed.columnLeft[l];
            placed.corner[s].y += kMargin + top + (tallest - columnHeight[l]) / 2;
        }
    }
    result.boxes.assign(placed.corner.begin(), placed.corner.begin() + boxes.size());
    result.width = layers == 0 ? 2 * kMargin : x - sizes.gapX + kMargin;
    result.height = tallest + top + 2 * kMargin;
    return placed;
}

// The ends of a link that comes back into its reader from the right (one that closes a cycle):
// down past the reader's box, along under it and into its socket from the left.
void AroundIntoSocket(const LayoutEdge& edge, const Placed& placed, size_t parentLayer,
                      const std::vector<LayoutBox>& boxes, const LayoutSizes& sizes,
                      std::vector<LayoutPoint>& route) {
    const LayoutPoint& corner = placed.corner[edge.parent];
    const double right =
        placed.columnLeft[parentLayer] + placed.columnWidth[parentLayer] + sizes.gapX * 0.3;
    const double left = corner.x - sizes.gapX * 0.3;
    const double round = corner.y + boxes[edge.parent].height + sizes.gapY / 2;
    const double socket = corner.y + edge.socket;
    route.insert(route.end(), {{right, route.back().y},
                               {right, round},
                               {left, round},
                               {left, socket},
                               {corner.x, socket}});
}

// A lane's two points: in at one side of its column, out at the other.
void ThroughLane(size_t lane, const Placed& placed, const std::vector<Slot>& slots,
                 const LayoutSizes& sizes, bool rightward, std::vector<LayoutPoint>& route) {
    const size_t l = slots[lane].layer;
    const double y = placed.corner[lane].y + sizes.laneHeight / 2;
    const double a = placed.columnLeft[l], b = a + placed.columnWidth[l];
    route.push_back({rightward ? a : b, y});
    route.push_back({rightward ? b : a, y});
}

// Where each forward link leaves its child's right side: spread over the side, in the order of
// where they go next, so that links out of one box do not cross as they leave it.
std::vector<double> Departures(const std::vector<LayoutEdge>& edges, const Slots& made,
                               const std::vector<bool>& backward, const Placed& placed,
                               const std::vector<LayoutBox>& boxes, const LayoutSizes& sizes) {
    std::vector<std::vector<std::pair<double, size_t>>> leaving(boxes.size());
    for (size_t e = 0; e < edges.size(); ++e) {
        const std::vector<size_t>& chain = made.chains[e];
        if (backward[e] || chain.size() < 2) continue;
        const size_t next = chain[chain.size() - 2];
        double y = next < boxes.size() ? placed.corner[next].y + edges[e].socket
                                       : placed.corner[next].y + sizes.laneHeight / 2;
        if (made.overTop[e]) y = -1;  // up to the track, above every box
        leaving[edges[e].child].emplace_back(y, e);
    }
    std::vector<double> departure(edges.size(), 0);
    for (size_t n = 0; n < boxes.size(); ++n) {
        std::sort(leaving[n].begin(), leaving[n].end());
        const double count = static_cast<double>(leaving[n].size());
        for (size_t k = 0; k < leaving[n].size(); ++k)
            departure[leaving[n][k].second] =
                placed.corner[n].y + boxes[n].height * (static_cast<double>(k) + 1) / (count + 1);
    }
    return departure;
}

// A link on its child's track: out of the child's right side, up the gap beside its column to
// the track, along it over the boxes, down the gap before the reader's column, into the socket.
void OverTheTop(const LayoutEdge& edge, const Slots& made, const Placed& placed, double departure,
                const std::vector<LayoutBox>& boxes, const LayoutSizes& sizes,
                std::vector<LayoutPoint>& route) {
    const LayoutPoint& child = placed.corner[edge.child];
    const LayoutPoint& parent = placed.corner[edge.parent];
    const size_t from = made.slots[edge.child].layer, to = made.slots[edge.parent].layer;
    const double track = kMargin + kTrackGap * (static_cast<double>(made.track[edge.child]) + 0.5);
    // Apart by track, so that the climbs beside one column and the drops before another do not
    // run on top of each other.
    const double apart = static_cast<double>(made.track[edge.child] % 4) / 4;
    const double up =
        placed.columnLeft[from] + placed.columnWidth[from] + sizes.gapX * (0.3 + apart * 0.4);
    const double down = placed.columnLeft[to] - sizes.gapX * (0.1 + apart * 0.3);
    const double socket = parent.y + edge.socket;
    route.insert(route.end(), {{child.x + boxes[edge.child].width, departure},
                               {up, departure},
                               {up, track},
                               {down, track},
                               {down, socket},
                               {parent.x, socket}});
}

// Routes run from the child's right side to the reader's socket on its left.
void Route(const std::vector<LayoutEdge>& edges, const Slots& made, const Placed& placed,
           const std::vector<LayoutBox>& boxes, const LayoutSizes& sizes,
           GraphLayoutResult& result) {
    const std::vector<Slot>& slots = made.slots;
    const std::vector<double> departure =
        Departures(edges, made, result.backward, placed, boxes, sizes);
    result.routes.resize(edges.size());
    for (size_t e = 0; e < edges.size(); ++e) {
        std::vector<LayoutPoint>& route = result.routes[e];
        const LayoutEdge& edge = edges[e];
        const LayoutPoint& child = placed.corner[edge.child];
        const std::vector<size_t>& chain = made.chains[e];
        if (made.overTop[e]) {
            OverTheTop(edge, made, placed, departure[e], boxes, sizes, route);
            continue;
        }
        if (!result.backward[e]) {
            route.push_back({child.x + boxes[edge.child].width, departure[e]});
            for (size_t c = chain.size() - 1; c-- > 1;)
                ThroughLane(chain[c], placed, slots, sizes, true, route);
            const LayoutPoint& parent = placed.corner[edge.parent];
            route.push_back({parent.x, parent.y + edge.socket});
            continue;
        }
        if (edge.parent == edge.child) {
            route.push_back(
                {child.x + boxes[edge.child].width, child.y + boxes[edge.child].height / 2});
        } else {
            route.push_back({child.x, child.y + boxes[edge.child].height - 5});
            for (size_t c = 1; c + 1 < chain.size(); ++c)
                ThroughLane(chain[c], placed, slots, sizes, false, route);
        }
        AroundIntoSocket(edge, placed, slots[edge.parent].layer, boxes, sizes, route);
    }
}

}  // namespace

std::vector<bool> CycleEdges(size_t nodes, const std::vector<std::pair<size_t, size_t>>& edges) {
    return BackEdges(nodes, edges, EdgesOut(nodes, edges));
}

GraphLayoutResult LayoutGraph(const std::vector<LayoutBox>& boxes,
                              const std::vector<LayoutEdge>& edges, const LayoutSizes& sizes) {
    GraphLayoutResult result;
    std::vector<Edge> pairs(edges.size());
    for (size_t e = 0; e < edges.size(); ++e)
        pairs[e] = {edges[e].parent, edges[e].child};
    result.backward = CycleEdges(boxes.size(), pairs);
    const std::vector<Edge> down = Downward(edges, result.backward);
    const std::vector<size_t> layer = LongestPathLayers(boxes.size(), down);
    const size_t layers = boxes.empty() ? 0 : *std::max_element(layer.begin(), layer.end()) + 1;
    Slots made = MakeSlots(boxes, layer, edges, down, result.backward);
    AssignTracks(layer, down, made);
    const std::vector<std::vector<size_t>> rows = OrderRows(made.slots, layers);
    const Placed placed = Place(rows, made, boxes, sizes, result);
    Route(edges, made, placed, boxes, sizes, result);
    return result;
}

}  // namespace quantifier_run
