// The ways a run's results are written: CSV for programs, an aligned table for people, JSON
// for both, and SVG charts to look at.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "FrameLoop.h"

namespace quantifier_run {

enum class OutputFormat { Csv, Table, Json, Svg };

std::optional<OutputFormat> OutputFormatNamed(std::string_view name);

// The whole output of a run, header included.
std::string FormatResults(const Results& results, OutputFormat format);

}  // namespace quantifier_run
