// What the page draws from, read back as the page reads it: every box and route where the
// picture's own layout puts them, every link between the channels it joins and at its socket, a
// socket that found nothing told apart, and a matrix's value as its four rows.
#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>
#include <string>

#include "serve/PageGraph.h"
#include "view/GraphPicture.h"

namespace quantifier_run {
namespace {

GraphNode Node(const std::string& name, const std::string& value,
               std::vector<GraphSocket> sockets = {}) {
    GraphNode node;
    node.name = node.box.name = name;
    node.box.kind = sockets.empty() ? "float" : "quantifier · ClampAccumulate";
    node.box.value = value;
    node.quantifier = !sockets.empty();
    node.sockets = std::move(sockets);
    return node;
}

// Two readers of a shared float, one of them read by the other and missing a child.
SceneGraph Graph() {
    SceneGraph graph;
    graph.nodes = {Node("shared", "= 1"),
                   Node("first", "= 2", {{"value · float 0"}, {"min · float 1", true}}),
                   Node("second", "= [[1, 0, 0, 0], [0, 1, 0, 0], [0, 0, 1, 0], [5, 6, 7, 1]]",
                        {{"value · float 0"}, {"step · float 1"}})};
    graph.links = {{.parent = 1, .child = 0, .label = "value", .read = true, .socket = 0},
                   {.parent = 2, .child = 0, .label = "value", .read = true, .socket = 0},
                   {.parent = 2, .child = 1, .label = "step", .read = true, .socket = 1}};
    graph.nodes[0].parents = 2;
    return graph;
}

long Whole(double value) {
    return std::lround(value);
}

TEST(PageGraphTest, TheDrawingIsThePicturesLayout) {
    const SceneGraph graph = Graph();
    const GraphPlacement placed = PlaceGraph(graph);
    const nlohmann::json drawing = nlohmann::json::parse(GraphDrawingJson(graph));
    const auto& nodes = drawing["nodes"];
    size_t at = 0;
    for (size_t n = 0; n < graph.nodes.size(); ++n) {
        SCOPED_TRACE(graph.nodes[n].name);
        EXPECT_EQ(nodes[at], Whole(placed.layout.boxes[n].x));
        EXPECT_EQ(nodes[at + 1], Whole(placed.layout.boxes[n].y));
        EXPECT_EQ(nodes[at + 2], Whole(placed.plans[n].width));
        EXPECT_EQ(nodes[at + 3], Whole(placed.plans[n].height));
        EXPECT_EQ(drawing["texts"][nodes[at + 7].get<size_t>()], graph.nodes[n].box.kind);
        ASSERT_EQ(nodes[at + 9], graph.nodes[n].sockets.size());
        for (size_t s = 0; s < graph.nodes[n].sockets.size(); ++s) {
            const int label = nodes[at + 10 + s];
            const GraphSocket& socket = graph.nodes[n].sockets[s];
            EXPECT_EQ(label < 0, socket.missing);
            EXPECT_EQ(drawing["texts"][label < 0 ? -1 - label : label], socket.label);
        }
        at += 10 + graph.nodes[n].sockets.size();
    }
    EXPECT_EQ(at, nodes.size());
    EXPECT_EQ(drawing["titles"].size(), 1u);  // the shared box's title says so
    size_t parent = 0;
    for (size_t e = 0; e < graph.links.size(); ++e) {
        parent += drawing["links"][4 * e].get<size_t>();
        EXPECT_EQ(parent, graph.links[e].parent);
        EXPECT_EQ(drawing["links"][4 * e + 1], graph.links[e].child);
        EXPECT_EQ(drawing["links"][4 * e + 2], graph.links[e].socket);
        const auto& route = drawing["routes"][e];
        ASSERT_EQ(route.size(), 2 * placed.layout.routes[e].size());
        EXPECT_EQ(route.back(), Whole(placed.layout.routes[e].back().y));
    }
    const nlohmann::json lines = nlohmann::json::parse(ChannelLinesJson(graph, {2, 7}, nullptr));
    EXPECT_EQ(lines["values"].size(), 1u);  // no channel 7
    EXPECT_EQ(lines["values"]["2"]["rows"],
              nlohmann::json({"= [1, 0, 0, 0]", "[0, 1, 0, 0]", "[0, 0, 1, 0]", "[5, 6, 7, 1]"}));
}

}  // namespace
}  // namespace quantifier_run
