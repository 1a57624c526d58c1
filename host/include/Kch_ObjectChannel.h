// A placed object: a channel that holds an inner scene object, a placement for it and a test
// that depends on where the inner object stands.
#pragma once

#include "Orn_Channel.h"

// A scene object with a transform of its own.
class Orn_InnerObject {
public:
    virtual ~Orn_InnerObject();
    virtual XMMATRIX GetObjectMatrix();
    // Sets the object's matrix; selector 0 is the object's own transform, other selectors are
    // ignored. A null matrix is ignored.
    virtual void SetObjectMatrix(int selector, const XMMATRIX* matrix);

    int SetCount() const { return setCount; }

private:
    XMMATRIX matrix = IdentityMatrix();
    int setCount = 0;
};

class Kch_ObjectChannel : public Orn_Channel {
public:
    Kch_ObjectChannel();
    ~Kch_ObjectChannel() override;
    Kch_ObjectChannel(const Kch_ObjectChannel&) = delete;
    Kch_ObjectChannel& operator=(const Kch_ObjectChannel&) = delete;

    // The first data member this class adds: plug-ins read it directly. May be null.
    Orn_InnerObject* innerObject;

    const ChannelType* GetChannelType() override;
    // Where the inner object is to be placed for the test.
    virtual XMMATRIX GetPlacementMatrix();
    // True when the inner object's position (fourth row of its matrix) lies inside the test
    // region, edges included.
    virtual bool GetTestResult();

    void SetPlacementMatrix(const XMMATRIX& placement);
    void SetTestRegion(const XMFLOAT3& minimum, const XMFLOAT3& maximum);
    // Gives the channel a fresh inner object (owned by the channel), or none.
    void SetHasInnerObject(bool has);

private:
    XMMATRIX placement = IdentityMatrix();
    XMFLOAT3 regionMin{0, 0, 0};
    XMFLOAT3 regionMax{0, 0, 0};
};
