// What the runner writes instead of rows when it is asked about the scene itself: the picture
// of its graph (--format graph), the same as Graphviz text (--format dot), or why one channel's
// value is what it is (--explain). They need what the engine observed at one frame.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "engine/Observation.h"
#include "engine/Scene.h"
#include "output/OutputFormats.h"

namespace quantifier_run {

struct ViewRequest {
    OutputFormat format = OutputFormat::Graph;  // Graph or Dot; for an explanation Table or Json
    std::optional<size_t> explain;              // the channel to explain
    size_t depth = 3;                           // how deep children are explained, or focus drawn
    // A picture of this channel's neighbourhood alone; without it, a large scene is drawn from
    // its outputs unless `whole` asks for every channel.
    std::optional<size_t> focus;
    bool whole = false;
};

class SceneViewWriter : public RowWriter {
public:
    // Keeps the scene; the rows are not written.
    SceneViewWriter(ViewRequest request, Scene scene);
    void Row(const std::vector<Cell>&) override {}
    void Observed(Observation observation);
    void Finish(FrameProgress* progress) override;
    bool WriteTo(std::ostream& out) override;

private:
    ViewRequest request;
    Scene scene;
    std::optional<Observation> observation;
    std::string text;
};

}  // namespace quantifier_run
