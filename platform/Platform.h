// The operating-system services the plug-in calls, one contract for every OS. The Win32
// build calls the real services; elsewhere a POSIX stand-in gives them the same meaning.
#pragma once

#include <cstdint>

namespace platform {

// Milliseconds since the system started, in 32 bits (wraps after about 49.7 days). Win32:
// GetTickCount. POSIX: the monotonic clock.
uint32_t GetTickCount();

}  // namespace platform
