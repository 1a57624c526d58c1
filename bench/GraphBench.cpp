// The scene's graph picture at size: a focused picture of one channel's neighbourhood in a
// 10,000-channel graph (the selection, the part's graph and its SVG), and the whole picture of
// 10,000 and 100,000 channels (layout and SVG). The graph is built as the generator of large
// scenes builds its scenes (LayeredGraph). Reported with the document's size (svg_bytes), the
// channels drawn and the process's peak resident memory (rss_peak_bytes: meaningful when the
// benchmark runs alone, --benchmark_filter).
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <random>
#include <string>
#include <vector>

#include "view/GraphFocus.h"
#include "view/GraphPicture.h"

namespace {

using quantifier_run::GraphLink;
using quantifier_run::GraphNode;
using quantifier_run::SceneGraph;

const std::vector<float> kSpark = [] {
    std::vector<float> spark(32);
    for (size_t c = 0; c < spark.size(); ++c)
        spark[c] = static_cast<float>(c % 7);
    return spark;
}();

GraphNode Node(const std::string& name, const char* kind, bool quantifier) {
    GraphNode node;
    node.name = name;
    node.kind = kind;
    node.quantifier = quantifier;
    node.value = "3";
    node.sparkLow = node.sparkHigh = &kSpark;
    node.box = {
        name,
        quantifier ? "quantifier \xC2\xB7 WrapAccumulate" : kind,
        "= 3",
        quantifier ? std::optional<std::string>("read 1 \xC2\xB7 computed 1") : std::nullopt,
        {}};
    if (quantifier)
        node.sockets = {{"min \xC2\xB7 float 0", false},
                        {"max \xC2\xB7 float 1", false},
                        {"step \xC2\xB7 float 2", false}};
    return node;
}

// Each quantifier a VectorDot of two vectors (one in five), else an accumulator of three channels
// drawn from the layer below and three floats, as scripts/generate-graph-scene.py makes them.
SceneGraph LayeredGraph(size_t count) {
    SceneGraph graph;
    graph.heading = "frame 3";
    std::mt19937 random(static_cast<unsigned>(count));
    const auto any = [&](const std::vector<size_t>& from) { return from[random() % from.size()]; };
    std::vector<size_t> vectors, floats;
    for (size_t i = 0; i < count / 20; ++i) {
        vectors.push_back(graph.nodes.size());
        graph.nodes.push_back(Node("v" + std::to_string(i), "vector", false));
    }
    for (size_t i = 0; i < count / 10; ++i) {
        floats.push_back(graph.nodes.size());
        graph.nodes.push_back(Node("f" + std::to_string(i), "float", false));
    }
    std::vector<size_t> below = floats;
    while (graph.nodes.size() < count) {
        std::vector<size_t> current;
        const size_t width = std::max<size_t>(2, below.size() * 2 / 3);
        for (size_t k = 0; k < width && graph.nodes.size() < count; ++k) {
            const size_t self = graph.nodes.size();
            graph.nodes.push_back(Node("q" + std::to_string(self), "quantifier", true));
            std::vector<size_t> pool = below;
            for (int f = 0; f < 3; ++f)
                pool.push_back(any(floats));
            const bool dot = random() % 5 == 0;
            for (size_t slot = 0; slot < (dot ? 2u : 3u); ++slot) {
                const size_t child = dot ? any(vectors) : any(pool);
                graph.links.push_back({self, child, "slot", true, false, slot});
            }
            current.push_back(self);
        }
        below = std::move(current);
    }
    for (const GraphLink& link : graph.links)
        ++graph.nodes[link.child].parents;
    return graph;
}

void Report(benchmark::State& state, size_t bytes, size_t drawn) {
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["svg_bytes"] = static_cast<double>(bytes);
    state.counters["channels_drawn"] = static_cast<double>(drawn);
    state.counters["rss_peak_bytes"] = static_cast<double>(usage.ru_maxrss) * 1024;
}

void GraphFocusedPicture(benchmark::State& state) {
    const SceneGraph graph = LayeredGraph(static_cast<size_t>(state.range(0)));
    // A float read by many: the widest neighbourhood the scene has.
    const size_t focus = graph.nodes.size() / 20 + 5;
    size_t bytes = 0, drawn = 0;
    for (auto _ : state) {
        const quantifier_run::GraphPart part =
            quantifier_run::FocusOn(graph, focus, quantifier_run::kFocusDepth);
        const SceneGraph shown = quantifier_run::PartOf(graph, part, "focus");
        const std::string svg = quantifier_run::GraphSvg(shown);
        bytes = svg.size();
        drawn = shown.nodes.size();
    }
    Report(state, bytes, drawn);
}
BENCHMARK(GraphFocusedPicture)->Arg(10000)->Unit(benchmark::kMillisecond);

void GraphWholePicture(benchmark::State& state) {
    const SceneGraph graph = LayeredGraph(static_cast<size_t>(state.range(0)));
    size_t bytes = 0;
    for (auto _ : state)
        bytes = quantifier_run::GraphSvg(graph).size();
    Report(state, bytes, graph.nodes.size());
}
BENCHMARK(GraphWholePicture)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(GraphWholePicture)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
