// Results as a picture: one chart per output over the frames, for a person to look at in a
// browser.
#pragma once

#include <string>

#include "FrameLoop.h"

namespace quantifier_run {

// A self-contained SVG document. Numeric outputs are step lines (a value holds from its frame
// to the next) against a frame axis and a value axis spanning their finite values; NaN and
// the infinities are marked in their frames' columns. Vectors and matrices draw one line per
// component. Text outputs are a strip with one labelled cell per run of equal values.
std::string SvgChart(const Results& results);

}  // namespace quantifier_run
