#include <signal.h>

#include "Interrupt.h"

namespace platform {
namespace {
volatile sig_atomic_t interrupted = 0;

extern "C" void OnInterrupt(int) {
    interrupted = 1;
}
}  // namespace

void CatchInterrupt() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    // Not restarted: a wait the signal lands in (the opening of a FIFO, a pipe that nothing
    // fills) ends with EINTR, so that the program can answer the request.
    action.sa_flags = 0;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool InterruptRequested() {
    return interrupted != 0;
}

}  // namespace platform
