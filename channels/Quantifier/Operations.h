// One evaluator per operation family; each handles the operations the table assigns to it.
#pragma once

#include "Evaluation.h"
#include "OperationTable.h"

float EvaluateVectorOperation(OperationId id, Evaluation& eval);
float EvaluateSpatialOperation(OperationId id, Evaluation& eval);
float EvaluateStatefulOperation(OperationId id, Evaluation& eval);
float EvaluateTextOperation(OperationId id, Evaluation& eval);
float EvaluateQueryOperation(OperationId id, Evaluation& eval);
