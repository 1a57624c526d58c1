// The parts of a graph a picture draws, on the graph's own data: a focus keeps exactly what lies
// within its depth down the links and up them (not a reader's other children), the outputs' part
// is the deepest that fits, and every link with one end kept is marked on that end.
#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "view/GraphFocus.h"
#include "view/GraphPicture.h"

namespace quantifier_run {
namespace {

// top → upper → centre → lower → bottom, each reading the next; side reads centre and aside;
// alone is linked to nothing.
SceneGraph Chain() {
    SceneGraph graph;
    graph.heading = "frame 0";
    for (const char* name :
         {"top", "upper", "centre", "lower", "bottom", "side", "aside", "alone"}) {
        GraphNode node;
        node.name = name;
        node.box = {name, "float", "= 0", {}, {}};
        graph.nodes.push_back(node);
    }
    const std::pair<size_t, size_t> links[] = {{0, 1}, {1, 2}, {2, 3}, {3, 4}, {5, 2}, {5, 6}};
    for (const auto& [parent, child] : links)
        graph.links.push_back({parent, child, "slot", true, false, 0});
    return graph;
}

std::set<std::string> Names(const SceneGraph& graph, const std::vector<size_t>& nodes) {
    std::set<std::string> names;
    for (const size_t n : nodes)
        names.insert(graph.nodes[n].name);
    return names;
}

TEST(GraphFocusTest, APartKeepsItsNeighbourhoodAndMarksEveryLinkItCuts) {
    struct Case {
        const char* name;
        std::optional<size_t> focus;  // else the outputs' part
        size_t depthOrMost;
        std::vector<size_t> outputs;
        std::set<std::string> kept;
        size_t cut;
        bool deeper;
    };
    const Case cases[] = {
        {"focus alone", 2, 0, {}, {"centre"}, 3, true},
        {"focus one link", 2, 1, {}, {"upper", "centre", "lower", "side"}, 3, true},
        {"focus two links: a reader's other child is no neighbour",
         2,
         2,
         {},
         {"top", "upper", "centre", "lower", "bottom", "side"},
         1,
         false},
        {"focus on a channel linked to nothing", 7, 3, {}, {"alone"}, 0, false},
        {"outputs and all they read",
         {},
         100,
         {0},
         {"top", "upper", "centre", "lower", "bottom"},
         1,
         false},
        {"outputs as deep as fits", {}, 3, {0, 0}, {"top", "upper", "centre"}, 2, true},
        {"no outputs", {}, 3, {}, {}, 0, false},
        {"more outputs than fit: the first, with what it reads",
         {},
         2,
         {0, 5, 7},
         {"top", "upper"},
         1,
         true},
    };
    const SceneGraph graph = Chain();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto make = [&] {
            return c.focus ? FocusOn(graph, *c.focus, c.depthOrMost)
                           : OutputsPart(graph, c.outputs, c.depthOrMost);
        };
        const GraphPart part = make();
        EXPECT_EQ(Names(graph, part.nodes), c.kept);
        EXPECT_EQ(part.cut.size(), c.cut);
        EXPECT_EQ(part.deeper, c.deeper);
        const SceneGraph drawn = PartOf(graph, part, "note");
        ASSERT_EQ(drawn.links.size(), part.links.size());
        for (size_t l = 0; l < drawn.links.size(); ++l) {
            const GraphLink &was = graph.links[part.links[l]], &is = drawn.links[l];
            EXPECT_EQ(drawn.nodes[is.parent].name, graph.nodes[was.parent].name);
            EXPECT_EQ(drawn.nodes[is.child].name, graph.nodes[was.child].name);
        }
        size_t stubs = 0;
        for (const GraphNode& node : drawn.nodes)
            stubs += node.cutInputs.size() + node.cutReaders.size();
        EXPECT_EQ(stubs, c.cut) << "each cut link a stub at its kept end";
        EXPECT_EQ(GraphSvg(PartOf(graph, make(), "note")), GraphSvg(drawn)) << "the same bytes";
    }
}

}  // namespace
}  // namespace quantifier_run
