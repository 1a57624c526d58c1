#include "app/WatchScene.h"

#include "Process.h"
#include "app/Run.h"

namespace quantifier_run {

int WatchScene(const Options& options, std::ostream& out, std::ostream& err, bool outIsTerminal,
               bool errIsTerminal, const WatchControl* given) {
    // A target that is refused now stays refused: say so once instead of after every save.
    if (const auto failure = Attempt([&] {
            RefuseSpecialScene(options, "--watch");
            CheckTargets(options);
        }))
        return ReportFailure(*failure, err);
    const WatchControl control = given ? *given : RealTimeWatch();
    const bool redraw = outIsTerminal && !options.outputPath;
    if (redraw) platform::EnableTerminalRedraw();
    const RunSettings settings{options, outIsTerminal, err, errIsTerminal, control.stopRequested};
    const auto runOnce = [&] {
        return AttemptRun(control, [&] {
            RunOutput output = Run(settings);
            Deliver(settings, output, out, redraw);
            return output.frames;
        });
    };
    return WatchFiles(WatchedFiles(options), runOnce, err, control);
}

}  // namespace quantifier_run
