// The rows a chart is drawn from, kept in an OutputSpool as compact records and read back in
// frame order, so that a chart of any number of frames holds only a bounded part of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "Cell.h"
#include "OutputSpool.h"

namespace quantifier_run {

class FrameProgress;

// Where alternative T stands in Cell: the kind a chart records for an output.
template <class T, class... Alternatives>
constexpr size_t IndexIn(const std::variant<Alternatives...>*) {
    constexpr bool same[] = {std::is_same_v<T, Alternatives>...};
    size_t index = 0;
    while (!same[index])
        ++index;
    return index;
}
template <class T>
inline constexpr size_t kCellIndex = IndexIn<T>(static_cast<const Cell*>(nullptr));

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
std::string TextLabel(const TextCell& text);

}  // namespace quantifier_run
