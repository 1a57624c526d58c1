// One run of a scene, from its file to results held back until the whole run has succeeded:
// what a plain run, a watch and a served page share.
#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "engine/EngineSession.h"
#include "engine/Observation.h"
#include "engine/RunError.h"
#include "output/OutputFormats.h"
#include "scene/SceneParser.h"
#include "view/ExpectCheck.h"

namespace quantifier_run {

class ServedWriter;

struct RunOutput {
    std::vector<std::string> warnings;
    std::unique_ptr<RowWriter> rows;
    size_t frames = 0;
    // Where what the engine observed goes, when the rows show the scene itself.
    std::function<void(Observation)> observed;
    // A served run's pictures, and the request that ran it, to run it again to any frame.
    ServedWriter* served = nullptr;
    std::shared_ptr<const EngineRequest> request;
    // The scene's expectations and how the run met them; null when it expects nothing.
    std::shared_ptr<const ParsedScene> expected;
    std::shared_ptr<ExpectationCheck> check;
};

// What becomes of the expectations a run does not meet.
enum class ExpectationsGo {
    FailRun,   // each told on a line, and the run fails (exit status 3)
    Warnings,  // each joins the run's warnings, where a page shows them
    Kept,      // they stay in the output, for the caller to tell
};

// Where a run's results go and what may end it early.
struct RunSettings {
    const Options& options;
    bool outIsTerminal;
    std::ostream& err;
    bool errIsTerminal;
    std::function<bool()> stopRequested;  // empty: nothing but the run's end ends it
    // Serving a page: the rows are drawn for it (ServedWriter), and each frame is told.
    bool served = false;
    std::function<void(size_t frame, size_t frames)> frameReached = {};
    ExpectationsGo expectations = ExpectationsGo::FailRun;
};

// What can be known about the files a run replaces before anything runs, so that a run that
// cannot write them fails before it starts. The writes themselves check again.
void CheckTargets(const Options& options);

// Reads the scene, checks it and its links, and runs it. The results stay in the output until
// Deliver hands them on.
RunOutput Run(const RunSettings& settings);

// Hands a successful run's results on: its warnings to `err`, its rows to the output file or
// to `out`. With `redraw`, the terminal `out` shows is cleared first, so that the new results
// stand where the last ones stood.
void Deliver(const RunSettings& settings, RunOutput& output, std::ostream& out, bool redraw);

// Each warning on a line of its own, as every way of running reports them.
void ReportWarnings(const std::vector<std::string>& warnings, std::ostream& err);

// The one line a failure leaves on `err`; gives its exit status.
int ReportFailure(const Failure& failure, std::ostream& err);

// What the engine observes at `frame` of the run `base` asked for: the same inputs run again up to
// that frame, nothing else watched, so that a frame of a long run costs its frames and no more.
Observation ObserveAgain(const EngineRequest& base, size_t frame, const Options& options,
                         const std::function<bool()>& stopRequested);

// The files a watch follows: the scene, and the stream it loads.
std::vector<std::string> WatchedFiles(const Options& options);

// A FIFO or a device is no file an editor saves, and opening it waits for a writer: `option`
// (--watch, --serve) refuses it.
void RefuseSpecialScene(const Options& options, const char* option);

inline constexpr const char* kStandardOutputFailed =
    "cannot write to standard output (the disk may be full or the reader gone)";

}  // namespace quantifier_run
