// The progress line of long runs: when it shows, and that nothing of it is left on the line.
#include <gtest/gtest.h>

#include <sstream>

#include "output/Progress.h"

namespace quantifier_run {
namespace {

using Clock = FrameProgress::Clock;

// Runs `frames` frames of `step` each through a meter on a terminal of `columns` columns and
// returns what it wrote.
std::string Written(bool enabled, size_t frames, Clock::duration step, size_t columns = 0) {
    std::ostringstream err;
    Clock::time_point time{};
    {
        FrameProgress progress(
            err, enabled, frames, [&] { return time; }, columns);
        for (size_t frame = 0; frame < frames; ++frame) {
            progress.Frame(frame);
            time += step;
        }
    }
    return err.str();
}

TEST(FrameProgress, ShowsOnlyForLongRunsAndErasesItsLine) {
    using std::chrono::milliseconds;
    EXPECT_EQ(Written(false, 1000, milliseconds(10)), "") << "not wanted";
    EXPECT_EQ(Written(true, 50, milliseconds(10)), "") << "over before the delay";

    const std::string shown = Written(true, 1000, milliseconds(10));
    EXPECT_NE(shown.find("\rquantifier-run: frame 100 of 1000 (10%)"), std::string::npos) << shown;
    // A few times a second, not once per frame.
    EXPECT_LE(std::count(shown.begin(), shown.end(), '\r'), 2 * (1000 * 10 / 200) + 2);
    // The last thing written blanks the whole line and returns to its start.
    const size_t last = shown.find_last_of('\r', shown.size() - 2);
    const std::string tail = shown.substr(last + 1);
    EXPECT_EQ(tail.back(), '\r');
    EXPECT_EQ(tail.find_first_not_of(' '), tail.size() - 1) << "not blank: " << tail;
    EXPECT_GE(tail.size() - 1, std::string("quantifier-run: frame 990 of 1000 (99%)").size());
}

TEST(FrameProgress, FitsANarrowTerminalSoThatNoRowIsLeftBehind) {
    using std::chrono::milliseconds;
    for (size_t columns : {30, 12, 5, 1}) {
        SCOPED_TRACE(columns);
        const std::string shown = Written(true, 100000, milliseconds(1), columns);
        EXPECT_EQ(shown.find('\n'), std::string::npos);
        // Every rewrite of the line, padding included, leaves the last column free.
        for (size_t start = 0, end; (end = shown.find('\r', start + 1)) != std::string::npos;
             start = end)
            EXPECT_LT(end - start - 1, columns) << shown.substr(start, end - start);
        if (columns >= 12) {
            EXPECT_NE(shown.find("%)"), std::string::npos) << shown;
        }
    }
}

}  // namespace
}  // namespace quantifier_run
