// Running a piece of work on a thread of its own with a stack of a chosen size, for work whose
// recursion depth is known only at run time.
#pragma once

#include <cstddef>
#include <functional>

namespace platform {

// Runs `work` on a new thread whose stack holds at least `stackBytes`, and waits for it to end.
// False (with `work` not run) when the system cannot make such a thread.
// `work` must catch what it throws and hand back plain data: an exception that leaves it ends
// the program. Exceptions are not carried between the threads because the engine's own ABI
// cannot carry them soundly: its runtime rethrows the stored object itself rather than a copy,
// so the object dies with the last pointer to it, which unwinding destroys before the catch.
bool RunWithStack(size_t stackBytes, const std::function<void()>& work);

}  // namespace platform
