// The engine-wide source of time stamps (internal to the engine library).
#pragma once

#include <cstdint>

namespace orn_detail {
// A stamp different from every stamp handed out before (until 2^32 stamps have been given).
uint32_t NextTimeStamp();
}  // namespace orn_detail
