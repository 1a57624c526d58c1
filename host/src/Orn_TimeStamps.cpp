#include "Orn_TimeStamps.h"

namespace orn_detail {
namespace {
uint32_t lastStamp = 0;
}
// The engine is single-threaded; channels are created and changed on its thread only.
uint32_t NextTimeStamp() { return ++lastStamp; }
}  // namespace orn_detail
