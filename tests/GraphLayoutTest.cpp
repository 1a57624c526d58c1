// The graph layout's promise, on its own data: no box overlaps another, and the same graph gives
// the same coordinates.
#include <gtest/gtest.h>

#include <cstddef>
#include <utility>
#include <vector>

#include "view/GraphLayout.h"

namespace quantifier_run {
namespace {

using Edges = std::vector<std::pair<size_t, size_t>>;

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

TEST(GraphLayoutTest, BoxesDoNotOverlapAndTheSameGraphGivesTheSameLayout) {
    struct Case {
        const char* name;
        size_t nodes;
        Edges edges;
    };
    const Case cases[] = {
        {"chain", 4, {{0, 1}, {1, 2}, {2, 3}}},
        // Two parents sharing children, one link skipping a layer (a lane beside the boxes).
        {"shared children", 6, {{0, 2}, {0, 3}, {1, 2}, {1, 3}, {2, 4}, {3, 4}, {1, 4}, {0, 5}}},
        // A cycle, a link to itself and a link back into the cycle from outside it.
        {"cycle", 5, {{0, 1}, {1, 2}, {2, 0}, {2, 2}, {3, 1}, {2, 4}}},
        // One parent of eight, and a link passing through their layer to a grandchild.
        {"wide layer",
         10,
         {{0, 1}, {0, 2}, {0, 3}, {0, 4}, {0, 5}, {0, 6}, {0, 7}, {0, 8}, {4, 9}, {0, 9}}},
    };
    const LayoutSizes sizes;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const GraphLayoutResult layout = LayoutGraph(c.nodes, c.edges, sizes);
        ASSERT_EQ(layout.boxes.size(), c.nodes);
        ASSERT_EQ(layout.routes.size(), c.edges.size());
        for (size_t a = 0; a < c.nodes; ++a) {
            const LayoutPoint& p = layout.boxes[a];
            EXPECT_TRUE(p.x >= 0 && p.y >= 0 && p.x + sizes.boxWidth <= layout.width &&
                        p.y + sizes.boxHeight <= layout.height)
                << "box " << a << " outside the drawing";
            for (size_t b = a + 1; b < c.nodes; ++b) {
                const LayoutPoint& q = layout.boxes[b];
                EXPECT_FALSE(p.x < q.x + sizes.boxWidth && q.x < p.x + sizes.boxWidth &&
                             p.y < q.y + sizes.boxHeight && q.y < p.y + sizes.boxHeight)
                    << "boxes " << a << " and " << b << " overlap";
            }
        }
        // A copy of the graph, so that nothing may depend on where the input lies in memory.
        const Edges again = c.edges;
        const GraphLayoutResult second = LayoutGraph(c.nodes, again, sizes);
        EXPECT_EQ(Coordinates(second), Coordinates(layout));
        EXPECT_EQ(second.backward, layout.backward);
    }
}

}  // namespace
}  // namespace quantifier_run
