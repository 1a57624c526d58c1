// The one way the runner fails: a message for the user and the exit status to leave with.
#pragma once

#include <new>
#include <optional>
#include <stdexcept>
#include <string>

namespace quantifier_run {

// Exit statuses. A bad command line or scene is the user's to fix (2); anything else that
// stops a run (a plug-in that does not load, a stream that cannot be read or written) is 1;
// values other than those expected are 3.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitBadInput = 2;
// The run went well but gave other values than expected: a scene's "expect", a golden file, a
// scene under --check, or two runs that --diff finds different.
inline constexpr int kExitDiffers = 3;

class RunError : public std::runtime_error {
public:
    RunError(int exitCode, const std::string& message)
        : std::runtime_error(message), exitCode(exitCode) {}
    int ExitCode() const { return exitCode; }

private:
    int exitCode;
};

// Thrown by whoever follows a run (an event of the engine side) to end it early when nothing went
// wrong, such as a watch asked to stop. It is no failure, and comes out of the run as itself.
struct RunStopped {};

// A failure as the user sees it: one line and the exit status. Plain data, so that it can cross
// from a thread to the one that waits for it in every ABI the engine side is built in.
struct Failure {
    int exitCode;
    std::string message;
};

// Runs `work`; the failure that stopped it, if any.
template <class Work>
std::optional<Failure> Attempt(Work&& work) {
    try {
        work();
        return std::nullopt;
    } catch (const RunError& error) {
        return Failure{error.ExitCode(), error.what()};
    } catch (const std::bad_alloc&) {
        return Failure{kExitFailure, "out of memory"};
    } catch (const std::exception& error) {
        return Failure{kExitFailure, error.what()};
    }
}

}  // namespace quantifier_run
