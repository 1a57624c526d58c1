// A served run's rows, drawn as the charts, and what the engine observed at the last frame: what
// the page shows of it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/Observation.h"
#include "engine/Scene.h"
#include "output/OutputFormats.h"
#include "output/SvgChart.h"

namespace quantifier_run {

class ServedWriter : public RowWriter {
public:
    ServedWriter(std::vector<std::string> names, std::shared_ptr<const Scene> scene);
    void Row(const std::vector<Cell>& row) override;
    void Finish(FrameProgress* progress) override;
    bool WriteTo(std::ostream&) override { return true; }

    std::unique_ptr<SvgChartWriter> charts;
    std::shared_ptr<const Scene> scene;
    std::shared_ptr<const Observation> last;
    std::string chartSvg;
};

}  // namespace quantifier_run
