// The operations' functions, one each, declared from Operations.def under the names of the
// list. Each family's source file defines its own operations' functions by qualified name
// (`float operations::Name(Evaluation eval)`), so that a function without a row in the
// list does not compile, and a row without its function does not link.
#pragma once

#include "Evaluation.h"
#include "OperationTable.h"

namespace operations {
#define QUANTIFIER_OPERATION(Name, ...) float Name(Evaluation eval);
#include "Operations.def"

// The function of the operation with that number; for a number outside the list, one that
// answers 0.0 without looking up a child or changing a field.
OperationFunction FunctionOf(int32_t number);

// What CallChannel does before it falls back to reading the value: true when the selected
// operation answered the call itself.
bool AnswerCall(Evaluation eval);
}  // namespace operations
