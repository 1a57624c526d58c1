// The source of time stamps: the engine in use (internal to the engine library).
#pragma once

#include <cstdint>

namespace orn_detail {
// A stamp different from every stamp the engine in use handed out before.
uint32_t NextTimeStamp();
}  // namespace orn_detail
