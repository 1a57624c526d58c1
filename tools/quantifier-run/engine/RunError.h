// The one way the runner fails: a message for the user and the exit status to leave with.
#pragma once

#include <stdexcept>
#include <string>

namespace quantifier_run {

// Exit statuses. A bad command line or scene is the user's to fix (2); anything else that
// stops a run (a plug-in that does not load, a stream that cannot be read or written) is 1.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitBadInput = 2;

class RunError : public std::runtime_error {
public:
    RunError(int exitCode, const std::string& message)
        : std::runtime_error(message), exitCode(exitCode) {}
    int ExitCode() const { return exitCode; }

private:
    int exitCode;
};

}  // namespace quantifier_run
