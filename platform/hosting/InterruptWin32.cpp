#include <windows.h>

#include <atomic>

#include "Interrupt.h"

namespace platform {
namespace {
std::atomic<bool> interrupted{false};

// Runs on a thread the system starts for the event; returning TRUE keeps the process alive.
BOOL WINAPI OnConsoleEvent(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    interrupted = true;
    return TRUE;
}
}  // namespace

void CatchInterrupt() {
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

bool InterruptRequested() {
    return interrupted;
}

}  // namespace platform
