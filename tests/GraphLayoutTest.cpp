// The graph layout's promise, on its own data: no box overlaps another, each link runs from its
// child's right side to its socket, one reader's children stand in the order of its sockets,
// links cross no more often than a fixed bound, and the same graph gives the same coordinates.
#include <gtest/gtest.h>

#include <cstddef>
#include <vector>

#include "view/GraphLayout.h"

namespace quantifier_run {
namespace {

// Every coordinate the layout gives, in one list.
std::vector<double> Coordinates(const GraphLayoutResult& layout) {
    std::vector<double> all{layout.width, layout.height};
    for (const LayoutPoint& box : layout.boxes)
        all.insert(all.end(), {box.x, box.y});
    for (const std::vector<LayoutPoint>& route : layout.routes) {
        for (const LayoutPoint& point : route)
            all.insert(all.end(), {point.x, point.y});
    }
    return all;
}

int Side(LayoutPoint a, LayoutPoint b, LayoutPoint c) {
    const double v = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
    return (v > 1e-9) - (v < -1e-9);
}

// Pairs of segments of two different routes that cross (ends that touch do not count).
size_t Crossings(const GraphLayoutResult& layout) {
    size_t count = 0;
    const auto& routes = layout.routes;
    for (size_t a = 0; a < routes.size(); ++a)
        for (size_t b = a + 1; b < routes.size(); ++b)
            for (size_t i = 0; i + 1 < routes[a].size(); ++i)
                for (size_t j = 0; j + 1 < routes[b].size(); ++j) {
                    const LayoutPoint p = routes[a][i], q = routes[a][i + 1];
                    const LayoutPoint r = routes[b][j], s = routes[b][j + 1];
                    count += Side(p, q, r) * Side(p, q, s) < 0 && Side(r, s, p) * Side(r, s, q) < 0;
                }
    return count;
}

// A link into socket k of a box as the picture makes them: 14 pixels apart from 39 down.
LayoutEdge Link(size_t parent, size_t child, size_t socket) {
    return {parent, child, 39 + 14 * static_cast<double>(socket)};
}

TEST(GraphLayoutTest, BoxesApartLinksAtTheirSocketsInSlotOrderAndTheSameEachTime) {
    struct Case {
        const char* name;
        std::vector<LayoutBox> boxes;
        std::vector<LayoutEdge> edges;
        size_t crossings;  // at most
    };
    const LayoutBox q{200, 110}, f{140, 60};
    const Case cases[] = {
        {"chain", {q, q, q, f}, {Link(0, 1, 0), Link(1, 2, 0), Link(2, 3, 0)}, 0},
        // The scene gives the children against their slots: drawn in that order, they cross.
        {"children against slot order",
         {q, f, f, f},
         {Link(0, 3, 0), Link(0, 2, 1), Link(0, 1, 2)},
         0},
        // Two readers sharing children, one link skipping a column (a lane beside the boxes).
        {"shared children",
         {q, q, q, q, f, f},
         {Link(0, 2, 0), Link(0, 3, 1), Link(1, 2, 1), Link(1, 3, 0), Link(2, 4, 0), Link(3, 4, 0),
          Link(1, 4, 2), Link(0, 5, 2)},
         4},
        // A cycle, a link to itself and a link back into the cycle from outside it.
        {"cycle",
         {q, q, q, q, f},
         {Link(0, 1, 0), Link(1, 2, 0), Link(2, 0, 0), Link(2, 2, 1), Link(3, 1, 0), Link(2, 4, 2)},
         3},
        // One reader of eight, and a link passing through their column to a grandchild.
        {"wide column",
         {q, q, f, f, f, f, f, f, f, f},
         {Link(0, 1, 0), Link(0, 2, 1), Link(0, 3, 2), Link(1, 4, 0), Link(1, 5, 1), Link(1, 6, 2),
          Link(1, 7, 3), Link(1, 8, 4), Link(4, 9, 0), Link(0, 9, 3)},
         0},
    };
    // A chain of seventy readers, each also reading one shared child: the links to it would pass
    // up to seventy columns. Over the boxes they cross the chain's links where they climb and
    // drop; through lanes they would cross none, at a cost that grows with the square of the chain.
    constexpr size_t kChain = 70;
    Case chain{"long chain sharing a child", std::vector<LayoutBox>(kChain, q), {}, 32};
    chain.boxes.push_back(f);
    for (size_t n = 0; n < kChain; ++n) {
        chain.edges.push_back(Link(n, kChain, 0));
        if (n + 1 < kChain) chain.edges.push_back(Link(n, n + 1, 1));
    }
    std::vector<Case> all(std::begin(cases), std::end(cases));
    all.push_back(chain);
    for (const Case& c : all) {
        SCOPED_TRACE(c.name);
        const GraphLayoutResult layout = LayoutGraph(c.boxes, c.edges);
        for (const std::vector<LayoutPoint>& route : layout.routes)
            EXPECT_LE(route.size(), 134u) << "a link's route is bounded however far it goes";
        ASSERT_EQ(layout.boxes.size(), c.boxes.size());
        ASSERT_EQ(layout.routes.size(), c.edges.size());
        for (size_t a = 0; a < c.boxes.size(); ++a) {
            const LayoutPoint& p = layout.boxes[a];
            const LayoutBox& s = c.boxes[a];
            EXPECT_TRUE(p.x >= 0 && p.y >= 0 && p.x + s.width <= layout.width &&
                        p.y + s.height <= layout.height)
                << "box " << a << " outside the drawing";
            for (size_t b = a + 1; b < c.boxes.size(); ++b) {
                const LayoutPoint& r = layout.boxes[b];
                const LayoutBox& t = c.boxes[b];
                EXPECT_FALSE(p.x < r.x + t.width && r.x < p.x + s.width && p.y < r.y + t.height &&
                             r.y < p.y + s.height)
                    << "boxes " << a << " and " << b << " overlap";
            }
        }
        for (size_t e = 0; e < c.edges.size(); ++e) {
            const LayoutEdge& edge = c.edges[e];
            const LayoutPoint& end = layout.routes[e].back();
            const LayoutPoint& parent = layout.boxes[edge.parent];
            EXPECT_EQ(end.x, parent.x) << "link " << e;
            EXPECT_EQ(end.y, parent.y + edge.socket) << "link " << e;
            if (layout.backward[e]) continue;
            const LayoutPoint& start = layout.routes[e].front();
            const LayoutPoint& child = layout.boxes[edge.child];
            EXPECT_EQ(start.x, child.x + c.boxes[edge.child].width) << "link " << e;
            EXPECT_LT(child.x, parent.x) << "link " << e << ": data flows left to right";
        }
        EXPECT_LE(Crossings(layout), c.crossings);
        // A copy of the graph, so that nothing may depend on where the input lies in memory.
        const std::vector<LayoutEdge> again = c.edges;
        const GraphLayoutResult second = LayoutGraph(c.boxes, again);
        EXPECT_EQ(Coordinates(second), Coordinates(layout));
        EXPECT_EQ(second.backward, layout.backward);
    }
}

}  // namespace
}  // namespace quantifier_run
