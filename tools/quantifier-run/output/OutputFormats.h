// The ways a run's results are written: CSV for programs, an aligned table for people, JSON
// for both, and SVG charts to look at.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "engine/FrameLoop.h"
#include "output/OutputFormatTable.h"
#include "output/Progress.h"

namespace quantifier_run {

// One value as that format writes it in a row.
std::string FormatCell(const Cell& cell, OutputFormat format);

// The whole output of a run, header included.
std::string FormatResults(const Results& results, OutputFormat format);

// The output of a run written a row at a time while the frames run, held (OutputSpool) until
// the run has succeeded, so that memory stays bounded by the outputs, not the frames. The same
// bytes as FormatResults.
class RowWriter {
public:
    virtual ~RowWriter() = default;
    // The rows in frame order, from frame 0. Throws RunError when the rows cannot be held.
    virtual void Row(const std::vector<Cell>& cells) = 0;
    // After the last row and before WriteTo: what needs every row (a chart's drawing), telling
    // `progress` (when given) how far it has come. Throws RunError when it fails.
    virtual void Finish(FrameProgress* /*progress*/) {}
    // After the last row, the whole output to `out`; false when a write to it failed.
    virtual bool WriteTo(std::ostream& out) = 0;
};

// A writer of `format` for columns named `names`.
std::unique_ptr<RowWriter> MakeRowWriter(OutputFormat format, std::vector<std::string> names);

}  // namespace quantifier_run
