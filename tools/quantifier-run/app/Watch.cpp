#include "app/Watch.h"

#include <ctime>
#include <thread>

#include "FileStamp.h"
#include "Interrupt.h"
#include "output/Formatting.h"

namespace quantifier_run {
namespace {
// A few looks a second cost nothing and feel immediate; the settle time lets an editor's save
// (write, rename, touch) finish before the scene is read, so one save is one run.
constexpr std::chrono::milliseconds kPollTime{50};
constexpr std::chrono::milliseconds kSettleTime{100};
// Saves that never hold still (a tool saving several times a second) still get a run this often.
constexpr int kMostSettles = 10;

std::vector<platform::FileStamp> Stamps(const std::vector<std::string>& files) {
    std::vector<platform::FileStamp> stamps;
    for (const std::string& file : files)
        stamps.push_back(platform::QueryFileStamp(file));
    return stamps;
}

// The wall-clock time of day, for a person matching a line to the save that caused it.
std::string TimeOfDay() {
    const std::time_t now = std::time(nullptr);
    char text[16] = "??:??:??";
    if (const std::tm* local = std::localtime(&now))
        std::strftime(text, sizeof text, "%H:%M:%S", local);
    return text;
}

void Status(std::ostream& err, const std::string& text) {
    err << "quantifier-run: " << TimeOfDay() << " " << MessageLine(text) << "\n" << std::flush;
}
}  // namespace

WatchControl RealTimeWatch() {
    platform::CatchInterrupt();
    WatchControl control;
    control.sleep = [](std::chrono::milliseconds time) { std::this_thread::sleep_for(time); };
    control.stopRequested = platform::InterruptRequested;
    return control;
}

int WatchFiles(const std::vector<std::string>& files, const std::function<RunOutcome()>& runOnce,
               std::ostream& err, const WatchControl& control) {
    // Taken before each run, so that a save during a run gives another run.
    std::vector<platform::FileStamp> seen = Stamps(files);
    size_t runs = 0;
    int exitCode = 0;
    for (bool first = true;; first = false) {
        if (seen.front().special) {
            Status(err, files.front() +
                            ": not a regular file; waiting for a scene file in its "
                            "place (Ctrl-C ends)");
        } else if (first || seen.front().exists) {
            const auto start = std::chrono::steady_clock::now();
            RunOutcome outcome;
            try {
                outcome = runOnce();
            } catch (const WatchEnded&) {
                return 0;
            }
            const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now() - start);
            exitCode = outcome.exitCode;
            Status(err, exitCode == 0 ? "ran " + std::to_string(outcome.frames) +
                                            (outcome.frames == 1 ? " frame in " : " frames in ") +
                                            std::to_string(took.count()) + " ms"
                                      : outcome.error);
            ++runs;
            if (control.afterRun) control.afterRun(runs);
            if (control.maxRuns != 0 && runs >= control.maxRuns) return exitCode;
        } else {
            Status(err, files.front() +
                            ": the scene file is gone; waiting for it to come back (Ctrl-C ends)");
        }
        // Waits for a change, then for the files to hold still.
        std::vector<platform::FileStamp> now = seen;
        while (now == seen) {
            if (control.stopRequested()) return 0;
            control.sleep(kPollTime);
            now = Stamps(files);
        }
        int settles = 0;
        do {
            seen = now;
            if (control.stopRequested()) return 0;
            control.sleep(kSettleTime);
            now = Stamps(files);
        } while (now != seen && ++settles < kMostSettles);
        // What the run read is what it saw last; a save during the run gives another.
        seen = now;
    }
}

RunOutcome AttemptRun(const WatchControl& control, const std::function<size_t()>& run,
                      const std::function<void(const Failure&)>& failed) {
    RunOutcome outcome;
    const auto failure = Attempt([&] { outcome.frames = run(); });
    if (failure && control.stopRequested()) throw WatchEnded();
    if (!failure) return outcome;
    if (failed) failed(*failure);
    return {failure->exitCode, 0, failure->message};
}

}  // namespace quantifier_run
