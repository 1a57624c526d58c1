#include <cstdio>
#include <cstring>

#include "Orn_Records.h"
#include "Orn_Types.h"

std::string OrnGuidToString(const OrnGuid& g) {
    char text[39];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(g.data1), static_cast<unsigned>(g.data2),
                  static_cast<unsigned>(g.data3), g.data4[0], g.data4[1], g.data4[2], g.data4[3],
                  g.data4[4], g.data4[5], g.data4[6], g.data4[7]);
    return text;
}

ChannelType::ChannelType() { std::memset(static_cast<void*>(this), 0, sizeof *this); }

ChildCreation::ChildCreation() { std::memset(static_cast<void*>(this), 0, sizeof *this); }

PublicCallInfo::PublicCallInfo() { std::memset(static_cast<void*>(this), 0, sizeof *this); }
