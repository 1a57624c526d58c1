// The operations' functions, one each, declared from Operations.def under the names of the
// list. Each family's source file defines its own operations' functions by qualified name
// (`float operations::Name(Evaluation eval)`), so that a function without a row in the
// list does not compile, and a row without its function does not link.
#pragma once

#include "Evaluation.h"
#include "OperationTable.h"

// One evaluation of one operation. The evaluation is a reference to the channel, passed by
// value so that it travels in a register and the dispatcher's call can be a plain jump.
using OperationFunction = float (*)(Evaluation eval);

namespace operations {
#define QUANTIFIER_OPERATION(Name, ...) float Name(Evaluation eval);
#include "Operations.def"

// What CallChannel does before it falls back to reading the value: true when the selected
// operation answered the call itself.
bool AnswerCall(Evaluation eval);
}  // namespace operations
