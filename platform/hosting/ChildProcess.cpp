// What a child process is on every system: it ends with its owner, and moves as a whole.
#include "ChildProcess.h"

#include <utility>

namespace platform {

ChildProcess::~ChildProcess() {
    if (!started) return;
    End();
    Wait();
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : started(std::exchange(other.started, false)),
      apart(std::exchange(other.apart, false)),
      whileWaiting(std::move(other.whileWaiting)),
      process(std::exchange(other.process, -1)),
      input(std::exchange(other.input, -1)),
      output(std::exchange(other.output, -1)) {}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
    if (this != &other) {
        if (started) {
            End();
            Wait();
        }
        started = std::exchange(other.started, false);
        apart = std::exchange(other.apart, false);
        whileWaiting = std::move(other.whileWaiting);
        process = std::exchange(other.process, -1);
        input = std::exchange(other.input, -1);
        output = std::exchange(other.output, -1);
    }
    return *this;
}

}  // namespace platform
