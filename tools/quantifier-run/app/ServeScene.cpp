// The live page: each run of the watch leaves its pictures and a way to observe any frame again
// for the server's threads.
#include <chrono>
#include <mutex>

#include "app/Run.h"
#include "app/ServedWriter.h"
#include "app/WatchScene.h"
#include "serve/Serve.h"

namespace quantifier_run {

bool ServeAvailable() {
    return true;
}

const char* ServeUnavailableReason() {
    return "";
}

int ServeScene(const Options& options, std::ostream& err, bool errIsTerminal,
               const WatchControl* given) {
    const WatchControl control = given ? *given : RealTimeWatch();
    ServeState state;
    // One engine at a time: the runs the saves start and those the page asks for.
    const auto engine = std::make_shared<std::mutex>();
    RunSettings settings{options, false, err, errIsTerminal, control.stopRequested};
    settings.served = true;
    // The page shows the expectations a save does not meet beside the warnings.
    settings.expectations = ExpectationsGo::Warnings;
    settings.frameReached = [&](size_t frame, size_t frames) { state.FrameReached(frame, frames); };
    const auto runOnce = [&] {
        state.RunStarted();
        const auto start = std::chrono::steady_clock::now();
        const auto served = [&] {
            const std::lock_guard lock(*engine);
            RunOutput output = Run(settings);
            ReportWarnings(output.warnings, err);
            ServedWriter& served = *output.served;
            state.RunSucceeded({
                .chartSvg = std::move(served.chartSvg),
                .chart = served.charts->Geometry(),
                .warnings = std::move(output.warnings),
                .frames = output.frames,
                .milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(
                                    std::chrono::steady_clock::now() - start)
                                    .count(),
                .scene = served.scene,
                .last = served.last,
                .observe =
                    [request = output.request, engine, &options,
                     stop = control.stopRequested](size_t frame) {
                        const std::lock_guard lock(*engine);
                        return ObserveAgain(*request, frame, options, stop);
                    },
            });
            return output.frames;
        };
        return AttemptRun(control, served,
                          [&](const Failure& failure) { state.RunFailed(failure.message); });
    };
    int exitCode = 0;
    const auto failure = Attempt([&] {
        RefuseSpecialScene(options, "--serve");
        exitCode = ServePage(state, *options.serve, err, [&] {
            return WatchFiles(WatchedFiles(options), runOnce, err, control);
        });
    });
    return failure ? ReportFailure(*failure, err) : exitCode;
}

}  // namespace quantifier_run
