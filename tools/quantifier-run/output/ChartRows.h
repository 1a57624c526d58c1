// The rows a chart is drawn from, kept in an OutputSpool as compact records and read back in
// frame order, so that a chart of any number of frames holds only a bounded part of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "engine/Cell.h"
#include "output/OutputSpool.h"

namespace quantifier_run {

class FrameProgress;

// What one output shows at one frame, as read back.
struct ChartCell {
    size_t count = 0;  // numbers; 0 for a text
    double values[16] = {};
    std::string_view label;  // a text as its JSON string, or null
};

// What is known of one output once every row is in.
struct ChartOutput {
    size_t kind = 0;  // the Cell alternative of its first row
    size_t count = 0;
    std::optional<double> low, high;  // its finite values
    // Unsigned and match values: whole numbers beyond a float's exact range, labelled exactly.
    bool whole = false;
    bool text = false;
};

class ChartRows {
public:
    explicit ChartRows(size_t outputs) : outputs(outputs) {}

    // Throws RunError when the rows cannot be held.
    void Add(const std::vector<Cell>& cells);
    size_t Frames() const { return frames; }
    const std::vector<ChartOutput>& Outputs() const { return outputs; }

    using Visit = std::function<void(size_t frame, size_t output, const ChartCell& cell)>;
    // Every cell in frame order, telling `progress` (when given) before each frame; false when
    // the rows could not be read back.
    bool ReadBack(const Visit& visit, FrameProgress* progress);

private:
    std::vector<ChartOutput> outputs;
    OutputSpool spool;
    size_t frames = 0;
    std::string record;
};

// The text a chart labels a text cell with: its JSON string, or null.
std::string TextLabel(const TextValue& text);

// A default value of alternative `kind` of Cell, to visit a recorded kind with: a visit takes
// every alternative, so a new one is handled wherever a chart uses the kind.
const Cell& CellAlternative(size_t kind);

}  // namespace quantifier_run
