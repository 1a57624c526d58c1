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
    // Restarted, so that a read or write the signal lands in is not failed by it.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool InterruptRequested() {
    return interrupted != 0;
}

}  // namespace platform
