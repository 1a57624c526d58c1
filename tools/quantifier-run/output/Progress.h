// How far a long run has come, on standard error, for a person watching a terminal.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <ostream>
#include <string>

namespace quantifier_run {

// A line "frame N of M" that a run rewrites in place, shown only once the run has gone on
// for a while and then at most a few times a second, and erased when the meter goes away:
// before the results, the warnings or the error line are written.
class FrameProgress {
public:
    using Clock = std::chrono::steady_clock;

    // Shows nothing unless `enabled`. On a terminal of `columns` columns (0: unknown) the line
    // is shortened to fit one row: a line that wrapped could not be rewritten in place.
    FrameProgress(std::ostream& err, bool enabled, size_t frames,
                  std::function<Clock::time_point()> now = Clock::now, size_t columns = 0);
    ~FrameProgress();
    FrameProgress(const FrameProgress&) = delete;
    FrameProgress& operator=(const FrameProgress&) = delete;

    // Called before frame `frame` runs, or, with a `stage` ("drawing"), before a later pass
    // over the frames handles it.
    void Frame(size_t frame, const char* stage = nullptr);

private:
    std::ostream& err;
    const bool enabled;
    const size_t frames;
    const std::function<Clock::time_point()> now;
    const size_t columns;
    const Clock::time_point start;
    Clock::time_point shown;
    size_t shownWidth = 0;  // characters on the line, 0 when nothing is shown
};

// Whether progress may be shown: standard error is a terminal, and no CI system (which sets
// CI) records it.
bool ProgressWanted(bool errorIsTerminal);

}  // namespace quantifier_run
