// A text output's strip in a chart, drawn while the rows are read back: a cell per run of
// equal values at least a pixel wide, and one shared cell for the shorter runs between them,
// so that the strip's size is bounded by its width, whatever the frames.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quantifier_run {

class TextStrip {
public:
    static constexpr double kHeight = 26;

    // `x(frame)` is where frame `frame` starts (`x(frames)` where the last ends); the cells
    // are drawn from `top` down.
    TextStrip(std::function<double(size_t)> x, size_t frames, double top);

    // The frames in order, from 0, each with its label (a JSON string, or null).
    void Add(size_t frame, std::string_view label);
    // After the last frame: the cells' markup.
    std::string Finish();

private:
    void EndRun(size_t end);
    void Cell(size_t first, size_t end, const std::string* label);

    std::function<double(size_t)> x;
    size_t frames;
    double top;
    std::string cells;
    std::string label;  // of the run being read
    size_t runStart = 0;
    std::optional<size_t> mixedStart;  // of the short runs not yet drawn
    size_t shade = 0;
    bool finished = false;
};

}  // namespace quantifier_run
