// Results as a picture: one chart per output over the frames, for a person to look at in a
// browser.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "output/OutputFormats.h"

namespace quantifier_run {

// Where the plots lie in the picture, in its pixels: every plot spans the same columns, frame f
// of n from plotLeft + f * plotWidth / n.
struct ChartGeometry {
    double width = 0, height = 0;
    double plotLeft = 0, plotWidth = 0;
};

class SvgChartWriter : public RowWriter {
public:
    // Once Finish has drawn the picture.
    virtual const ChartGeometry& Geometry() const = 0;
};

// A writer of a self-contained SVG document. Numeric outputs are step lines (a value holds
// from its frame to the next) against a frame axis and a value axis spanning their finite
// values; NaN and the infinities are marked over the frames that hold them. Vectors and
// matrices draw one line per component. Text outputs are a strip with one labelled cell per
// run of equal values. The rows wait in a spool; the picture's size and the memory drawing it
// takes are bounded by its width in pixels: where frames are narrower than a pixel, each
// pixel column draws the lowest and highest values of its frames.
std::unique_ptr<SvgChartWriter> MakeSvgWriter(std::vector<std::string> names);

}  // namespace quantifier_run
