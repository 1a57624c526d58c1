#include "view/SceneView.h"

#include "engine/RunError.h"
#include "output/OutputSpool.h"
#include "view/Explanation.h"
#include "view/GraphPicture.h"
#include "view/SceneGraph.h"

namespace quantifier_run {

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
    const SceneGraph graph = BuildSceneGraph(scene, *observation);
    text = request.format == OutputFormat::Dot ? GraphDot(graph) : GraphSvg(graph);
}

bool SceneViewWriter::WriteTo(std::ostream& out) {
    return WriteOut(out, text);
}

}  // namespace quantifier_run
