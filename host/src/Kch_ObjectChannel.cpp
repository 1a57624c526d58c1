#include "Kch_ObjectChannel.h"

#include "Orn_Guids.h"
#include "TypeRecords.h"

Orn_InnerObject::~Orn_InnerObject() = default;
XMMATRIX Orn_InnerObject::GetObjectMatrix() { return matrix; }
void Orn_InnerObject::SetObjectMatrix(int selector, const XMMATRIX* newMatrix) {
    if (selector != 0 || newMatrix == nullptr) return;
    matrix = *newMatrix;
    ++setCount;
}

Kch_ObjectChannel::Kch_ObjectChannel() : innerObject(new Orn_InnerObject) {
    SetLinkInterface(orn_guid::kObjectInterface);
}

Kch_ObjectChannel::~Kch_ObjectChannel() { delete innerObject; }

const ChannelType* Kch_ObjectChannel::GetChannelType() {
    static const ChannelType type = orn_detail::MakeType(
        "Object", OrnGuidOf("{5F2A8C1D-4E93-4B76-A0D8-3C6E9B2F1A47}"), orn_guid::kObjectInterface);
    return &type;
}

XMMATRIX Kch_ObjectChannel::GetPlacementMatrix() { return placement; }

bool Kch_ObjectChannel::GetTestResult() {
    if (innerObject == nullptr) return false;
    const XMFLOAT4 p = MatrixRow(innerObject->GetObjectMatrix(), 3);
    return p.x >= regionMin.x && p.x <= regionMax.x && p.y >= regionMin.y &&
           p.y <= regionMax.y && p.z >= regionMin.z && p.z <= regionMax.z;
}

void Kch_ObjectChannel::SetPlacementMatrix(const XMMATRIX& newPlacement) {
    placement = newPlacement;
    SetTimeStamp();
}

void Kch_ObjectChannel::SetTestRegion(const XMFLOAT3& minimum, const XMFLOAT3& maximum) {
    regionMin = minimum;
    regionMax = maximum;
    SetTimeStamp();
}

void Kch_ObjectChannel::SetHasInnerObject(bool has) {
    delete innerObject;
    innerObject = has ? new Orn_InnerObject : nullptr;
}
