// What the page is sent of the views' models, as JSON: it shows these as they come, so that every
// line's wording and every cut to a box's width is made here, once, beside the other renderers.
#pragma once

#include <string>

#include "output/SvgChart.h"
#include "view/Explanation.h"
#include "view/SceneGraph.h"

namespace quantifier_run {

// Where the charts' plots lie: {"width", "height", "plotLeft", "plotWidth"}.
std::string ChartGeometryJson(const ChartGeometry& geometry);

// The explanation as --explain --format json writes it, with "page": the same laid out as the
// page shows it, {"heading", "tree"}. A tree item is {"lines": [[span...]...], "items": [...]},
// a span {"text"} or {"json"} (a value the page writes as JSON), either with a "class".
std::string ExplanationAnswer(const Explanation& explanation);

}  // namespace quantifier_run
