// Plain records the engine and plug-ins exchange: type descriptors, child-creation kinds,
// public-call information and dependency lists.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "Orn_Types.h"

// Describes a channel type towards the engine. A plug-in keeps one in static storage and
// fills in its name, type GUID, interface GUID and type version; the constructor zeroes all.
struct ChannelType {
    char name[80];          // NUL-terminated narrow text
    OrnGuid typeGuid;       // identity of the channel type
    OrnGuid interfaceGuid;  // the interface the channel presents to its parents
    int32_t typeVersion;
    int32_t typeFlags;
    char description[80];

    ChannelType();
};

// One kind of child a channel accepts, given to Orn_Channel::SetChildCreateType by value.
struct ChildCreation {
    ChannelType type;          // which types may be created; the wildcard GUID accepts all
    int32_t maxCount;          // -1: no limit
    bool required;
    bool hidden;
    char description[80];      // NUL-terminated narrow text
    OrnGuid defaultChildType;  // all zeros: no default
    int32_t creationMode;

    ChildCreation();
};

// What the engine knows about a channel's public call. Returned by value; the file path of
// the call is a NUL-terminated narrow text 160 bytes from the start.
struct PublicCallInfo {
    uint8_t header[160];
    char filePath[544];

    PublicCallInfo();
};
static_assert(offsetof(PublicCallInfo, filePath) == 160);
static_assert(sizeof(PublicCallInfo) <= 704);

// The engine objects a channel depends on, collected by DoDependencyInit.
class Orn_List {
public:
    void Add(const OrnGuid& guid) { guids.push_back(guid); }
    const std::vector<OrnGuid>& Guids() const { return guids; }

private:
    std::vector<OrnGuid> guids;
};

// Opaque engine records that appear in the channel interface but that this engine's
// plug-ins never look inside.
struct ChildInfo {};
struct ChannelFeedback {};
struct ContextRenderCount {};
