#include "Kch_Quantifier.h"

#include <cmath>
#include <cstring>

#include "Operations.h"
#include "Orn_Engine.h"
#include "Orn_Guids.h"

namespace {
ChildCreation AnyChildKind() {
    ChildCreation record;
    std::strcpy(record.type.name, "All types");
    record.type.typeGuid = orn_guid::kWildcard;
    record.type.interfaceGuid = orn_guid::kWildcard;
    record.maxCount = -1;
    record.required = false;
    record.hidden = false;
    std::strcpy(record.description, "Different types");
    record.defaultChildType = orn_guid::kNull;
    record.creationMode = 1;
    return record;
}

float RowLength(const XMMATRIX& m, int row) {
    const float x = m.m[row][0], y = m.m[row][1], z = m.m[row][2];
    return std::sqrt(x * x + y * y + z * z);
}
}  // namespace

Kch_Quantifier::Kch_Quantifier() : evaluate(operations::FunctionOf(operationType)) {
    SetChannelName("Quantifier");
    SetChildCreationCount(1);
    SetChildCreateType(AnyChildKind(), 0);
    currentValue = 0.0f;
    frameTimer.Acquire();
    camera.Find();
}

Kch_Quantifier::Kch_Quantifier(const Kch_Quantifier& other) = default;
Kch_Quantifier& Kch_Quantifier::operator=(const Kch_Quantifier& other) = default;

Kch_Quantifier::~Kch_Quantifier() {
    // The timer goes first, then the camera entry: the reverse of the members' own order.
    frameTimer.Release();
}

void Kch_Quantifier::CallChannel() {
    if (operations::AnswerCall(Evaluation{*this})) return;
    GetFloat();
}

void Kch_Quantifier::DoDependencyInit(Orn_List* list) {
    AddChannelGuidDepend(orn_guid::kFrameTimerClass, list);
    AddChannelGuidDepend(orn_guid::kCameraChannel, list);
}

float Kch_Quantifier::GetFloat() {
    if (!CheckRenderCount()) return currentValue;
    const float value = CalculateValue();
    currentValue = value;
    return value;
}

void Kch_Quantifier::IncreaseInvalidateCount() {
    // Wraps instead of overflowing (signed overflow is undefined).
    camera.invalidateCount =
        static_cast<int32_t>(static_cast<uint32_t>(camera.invalidateCount) + 1u);
}

void Kch_Quantifier::SetOperationType(int type) {
    operationType = type;
    evaluate = operations::FunctionOf(type);
}
int Kch_Quantifier::GetOperationType() {
    return operationType;
}
void Kch_Quantifier::SetStoreCurrentValue(bool store) {
    storeCurrentValue = store;
}
bool Kch_Quantifier::GetStoreCurrentValue() {
    return storeCurrentValue;
}
bool Kch_Quantifier::GetUpdateChannelname() {
    return updateChannelname;
}
void Kch_Quantifier::SetUpdateChannelname(bool update) {
    updateChannelname = update;
}

XMFLOAT3 Kch_Quantifier::GetMatrixSize(XMMATRIX matrix) {
    return {RowLength(matrix, 0), RowLength(matrix, 1), RowLength(matrix, 2)};
}
