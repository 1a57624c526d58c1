// Following a scene as its author edits it: every save of the scene file (or of the stream it
// loads) runs the scene again.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "engine/RunError.h"

namespace quantifier_run {

// What the watch does between runs, replaceable so that a test sees many runs without waiting
// for real time to pass.
struct WatchControl {
    // Ends the watch after this many runs, with the last run's exit status; 0: only Ctrl-C
    // ends it.
    size_t maxRuns = 0;
    // Waits; the watch asks the files for their stamps after each wait.
    std::function<void(std::chrono::milliseconds)> sleep;
    // Called after run `run` (from 1) has reported, before the watch waits for a change.
    std::function<void(size_t run)> afterRun;
    // True when the watch should end, with success (Ctrl-C).
    std::function<bool()> stopRequested;
};

// The watch as a person at a terminal starts it: real time, ended by Ctrl-C.
WatchControl RealTimeWatch();

// What one run gave: the frames it ran, or the one line that says why it failed and the exit
// status it would have left with.
struct RunOutcome {
    int exitCode = 0;
    size_t frames = 0;
    std::string error;
};

// Thrown out of a run when the watch is asked to end while the run is under way; the engine side
// carries it out of its thread as itself.
using WatchEnded = RunStopped;

// Runs `runOnce`, then again whenever one of `files` (the first is the scene) has changed and
// stayed unchanged for a short while, or kept changing for about a second, until `control` ends
// the watch. Each run reports one line on `err`: the time, the frames and how long they took, or
// the error. A scene file that disappears, or that something other than a file or a folder
// replaces, is reported once and waited for. Every line is one line, whatever the paths and the
// errors hold. Returns the exit status: 0 when ended by Ctrl-C.
int WatchFiles(const std::vector<std::string>& files, const std::function<RunOutcome()>& runOnce,
               std::ostream& err, const WatchControl& control);

// One run of a watch: `run` gives the frames it ran. A failure becomes the outcome to report,
// told to `failed` too, but one cut short by the request to stop (a wait the signal ended) ends
// the watch unreported.
RunOutcome AttemptRun(const WatchControl& control, const std::function<size_t()>& run,
                      const std::function<void(const Failure&)>& failed = {});

}  // namespace quantifier_run
