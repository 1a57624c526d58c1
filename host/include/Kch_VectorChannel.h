// A channel holding four floats, linked through the vector interface.
#pragma once

#include "Orn_Channel.h"

class Kch_VectorChannel : public Orn_Channel {
public:
    Kch_VectorChannel();
    explicit Kch_VectorChannel(const XMFLOAT4& value);

    const ChannelType* GetChannelType() override;
    // The stored vector; the same value on every call until SetVector.
    virtual XMFLOAT4 GetVector();

    // Stores the vector; the time stamp is renewed when the stored bits change.
    void SetVector(const XMFLOAT4& value);

private:
    XMFLOAT4 vector{};
};
