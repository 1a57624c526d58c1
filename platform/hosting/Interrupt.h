// Ctrl-C as a request to stop that a long-running program answers when it is ready, instead of
// an end that leaves its work half done.
#pragma once

namespace platform {

// From now on, Ctrl-C (and, on POSIX, SIGTERM) in this process only sets a flag that
// InterruptRequested reads; the process goes on. On POSIX a blocking call the signal lands in
// fails with EINTR instead of waiting on. Call once, before the work that watches it.
void CatchInterrupt();

// True once Ctrl-C was pressed after CatchInterrupt.
bool InterruptRequested();

}  // namespace platform
