#include "app/Runner.h"

#include "app/CheckScenes.h"
#include "app/Golden.h"
#include "app/Run.h"
#include "app/WatchScene.h"
#include "output/OutputSpool.h"

namespace quantifier_run {

int RunQuantifierTool(const std::vector<std::string>& arguments, std::ostream& out,
                      std::ostream& err, bool outIsTerminal, bool errIsTerminal) {
    return RunQuantifierTool(arguments, out, err, outIsTerminal, errIsTerminal, nullptr);
}

int RunQuantifierTool(const std::vector<std::string>& arguments, std::ostream& out,
                      std::ostream& err, bool outIsTerminal, bool errIsTerminal,
                      const WatchControl* watchControl) {
    std::optional<Options> options;
    auto failure = Attempt([&] {
        auto parsed = ParseCommandLine(arguments);
        if (const auto* answer = std::get_if<ImmediateAnswer>(&parsed)) {
            if (!WriteOut(out, answer->text) || !out.flush())
                throw RunError(kExitFailure, kStandardOutputFailed);
            return;
        }
        options = std::move(std::get<Options>(parsed));
    });
    if (!failure && options) {
        if (options->serve) return ServeScene(*options, err, errIsTerminal, watchControl);
        if (options->watch)
            return WatchScene(*options, out, err, outIsTerminal, errIsTerminal, watchControl);
        int status = kExitSuccess;
        if (!options->checkPaths.empty() || options->expectPath || options->diffPath ||
            options->update) {
            failure = Attempt([&] {
                status = options->checkPaths.empty()
                             ? CompareRun(*options, out, err, errIsTerminal)
                             : CheckScenes(*options, out, err, errIsTerminal);
            });
            return failure ? ReportFailure(*failure, err) : status;
        }
        failure = Attempt([&] {
            const RunSettings settings{*options, outIsTerminal, err, errIsTerminal, {}};
            RunOutput output = Run(settings);
            Deliver(settings, output, out, false);
        });
    }
    return failure ? ReportFailure(*failure, err) : kExitSuccess;
}

}  // namespace quantifier_run
