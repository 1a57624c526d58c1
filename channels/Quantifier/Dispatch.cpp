#include "Kch_Quantifier.h"
#include "Operations.h"

float Kch_Quantifier::CalculateValue() {
    const OperationInfo* info = FindOperation(operationType);
    if (info == nullptr) return 0.0f;
    Evaluation eval{*this};
    switch (info->family) {
        case OperationFamily::Vector: return EvaluateVectorOperation(info->id, eval);
        case OperationFamily::Spatial: return EvaluateSpatialOperation(info->id, eval);
        case OperationFamily::Stateful: return EvaluateStatefulOperation(info->id, eval);
        case OperationFamily::Text: return EvaluateTextOperation(info->id, eval);
        case OperationFamily::Query: return EvaluateQueryOperation(info->id, eval);
    }
    return 0.0f;
}
