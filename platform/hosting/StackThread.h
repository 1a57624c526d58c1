// Running a piece of work on a thread of its own with a stack of a chosen size, for work whose
// recursion depth is known only at run time.
#pragma once

#include <cstddef>
#include <functional>

namespace platform {

// Runs `work` on a new thread whose stack holds at least `stackBytes`, and waits for it to end.
// An exception `work` throws is thrown again here. False (with `work` not run) when the system
// cannot make such a thread.
bool RunWithStack(size_t stackBytes, const std::function<void()>& work);

}  // namespace platform
