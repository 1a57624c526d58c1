#include "view/SceneView.h"

#include "engine/RunError.h"
#include "output/OutputSpool.h"
#include "view/Explanation.h"
#include "view/GraphFocus.h"
#include "view/GraphPicture.h"
#include "view/SceneGraph.h"

namespace quantifier_run {

namespace {

// The graph as the request draws it: the focus's neighbourhood, a large scene's outputs and what
// they read, or the whole.
SceneGraph Drawn(const ViewRequest& request, const Scene& scene, SceneGraph graph) {
    if (request.focus) {
        const GraphPart part = FocusOn(graph, *request.focus, request.depth);
        return PartOf(graph, part, FocusNote(graph, part, *request.focus));
    }
    if (request.whole || graph.nodes.size() <= kMostChannelsDrawn) return graph;
    const GraphPart part = OutputsPart(graph, scene.outputs, kMostChannelsDrawn);
    return PartOf(graph, part, OutputsNote(graph, part));
}

}  // namespace

SceneViewWriter::SceneViewWriter(ViewRequest request, Scene scene)
    : request(request), scene(std::move(scene)) {}

void SceneViewWriter::Observed(Observation seen) {
    observation = std::move(seen);
}

void SceneViewWriter::Finish(FrameProgress*) {
    if (!observation) throw RunError(kExitFailure, "internal error: the engine observed nothing");
    if (request.explain) {
        const Explanation explanation =
            Explain(scene, *observation, *request.explain, request.depth);
        text = request.format == OutputFormat::Json ? ExplanationJson(explanation)
                                                    : ExplanationText(explanation);
        return;
    }
    const SceneGraph graph = Drawn(request, scene, BuildSceneGraph(scene, *observation));
    text = request.format == OutputFormat::Dot ? GraphDot(graph) : GraphSvg(graph);
}

bool SceneViewWriter::WriteTo(std::ostream& out) {
    return WriteOut(out, text);
}

}  // namespace quantifier_run
