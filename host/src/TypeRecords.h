// Type records of the engine's own channel classes (internal to the engine library).
#pragma once

#include <cstring>

#include "Orn_Records.h"

namespace orn_detail {
inline ChannelType MakeType(const char* name, const OrnGuid& typeGuid, const OrnGuid& interfaceGuid) {
    ChannelType type;
    std::strncpy(type.name, name, sizeof type.name - 1);
    type.typeGuid = typeGuid;
    type.interfaceGuid = interfaceGuid;
    type.typeVersion = 1;
    return type;
}
}  // namespace orn_detail
