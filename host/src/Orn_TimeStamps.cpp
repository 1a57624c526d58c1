#include "Orn_TimeStamps.h"

#include "Orn_EngineInterface.h"

namespace orn_detail {
// The engine is single-threaded; channels are created and changed on its thread only.
uint32_t NextTimeStamp() {
    return globalEngine->NextTimeStamp();
}
}  // namespace orn_detail
