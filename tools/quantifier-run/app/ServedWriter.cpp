#include "app/ServedWriter.h"

#include <sstream>

#include "engine/RunError.h"

namespace quantifier_run {

ServedWriter::ServedWriter(std::vector<std::string> names, std::shared_ptr<const Scene> scene)
    : charts(MakeSvgWriter(std::move(names))), scene(std::move(scene)) {}

void ServedWriter::Row(const std::vector<Cell>& row) {
    charts->Row(row);
}

void ServedWriter::Finish(FrameProgress* progress) {
    charts->Finish(progress);
    std::ostringstream drawn;
    if (!charts->WriteTo(drawn))
        throw RunError(kExitFailure, "cannot draw the charts (out of memory?)");
    chartSvg = drawn.str();
    if (!last) throw RunError(kExitFailure, "internal error: the engine observed nothing");
}

}  // namespace quantifier_run
