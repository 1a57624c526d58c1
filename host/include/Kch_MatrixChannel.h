// A channel holding a 4x4 transform, linked through the matrix interface.
#pragma once

#include "Orn_Channel.h"

class Kch_MatrixChannel : public Orn_Channel {
public:
    Kch_MatrixChannel();
    explicit Kch_MatrixChannel(const XMMATRIX& value);

    const ChannelType* GetChannelType() override;
    // The stored matrix; the same value on every call until SetMatrix.
    virtual XMMATRIX GetMatrix();

    // Stores the matrix; the time stamp is renewed when the stored bits change.
    void SetMatrix(const XMMATRIX& value);

private:
    XMMATRIX matrix = IdentityMatrix();
};
