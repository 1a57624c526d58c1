// Operations that look past the plain values: files, windows, the engine's public call and
// the object, unsigned and match children.
#include "Operations.h"

float EvaluateQueryOperation(OperationId, Evaluation&) {
    return 0.0f;  // not built yet
}
