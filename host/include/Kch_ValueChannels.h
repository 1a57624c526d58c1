// Small value channels: an unsigned 32-bit value, and the two match kinds, each reporting an
// integer through an operation of its own.
#pragma once

#include <cstdint>

#include "Orn_Channel.h"

class Kch_UnsignedChannel : public Orn_Channel {
public:
    explicit Kch_UnsignedChannel(uint32_t value = 0);
    const ChannelType* GetChannelType() override;
    virtual uint32_t GetUnsignedValue();
    void SetUnsignedValue(uint32_t value);

private:
    uint32_t value;
};

class Kch_MatchChannelA : public Orn_Channel {
public:
    explicit Kch_MatchChannelA(int32_t value = 0);
    const ChannelType* GetChannelType() override;
    virtual int32_t GetMatchValue();
    void SetMatchValue(int32_t value);

private:
    int32_t value;
};

// Not related to Kch_MatchChannelA: its match value sits at a different place in its table.
class Kch_MatchChannelB : public Orn_Channel {
public:
    explicit Kch_MatchChannelB(int32_t value = 0);
    const ChannelType* GetChannelType() override;
    virtual void Reserved();
    virtual int32_t GetMatchValue();
    void SetMatchValue(int32_t value);

private:
    int32_t value;
};
