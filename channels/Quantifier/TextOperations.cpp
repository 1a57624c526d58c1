// Operations on text children: length, search, parsing, comparison and first characters.
#include "Operations.h"

float EvaluateTextOperation(OperationId, Evaluation&) {
    return 0.0f;  // not built yet
}
