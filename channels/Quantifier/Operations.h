// The operations, one function each, named as in the operation table. Each family's source
// file defines the functions of its own operations; the dispatcher's table points at them.
#pragma once

#include "Evaluation.h"
#include "OperationTable.h"

// One evaluation of one operation. The evaluation is a reference to the channel, passed by
// value so that it travels in a register and the dispatcher's call can be a plain jump.
using OperationFunction = float (*)(Evaluation eval);

namespace operations {
// Vector family.
float VectorDot(Evaluation eval);
float VectorX(Evaluation eval);
float VectorY(Evaluation eval);
float VectorZ(Evaluation eval);
float VectorW(Evaluation eval);
float VectorLength(Evaluation eval);
float VectorDistance(Evaluation eval);
float VectorDistanceSquared(Evaluation eval);
float VectorEqual(Evaluation eval);

// Spatial family.
float MatrixDistanceChange(Evaluation eval);
float MatrixDistance(Evaluation eval);
float CameraDistance(Evaluation eval);
float MatrixBoxVisible(Evaluation eval);
float PointInRectangle(Evaluation eval);
float MatrixEqual(Evaluation eval);

// Stateful family.
float WrapAccumulate(Evaluation eval);
float WrapAccumulateHalfOpen(Evaluation eval);
float ClampAccumulate(Evaluation eval);
float Clamp(Evaluation eval);
float Toggle(Evaluation eval);
float ToggleOnRise(Evaluation eval);
float SeedRandom(Evaluation eval);
float ChildTimeStamp(Evaluation eval);
float CameraInvalidateCount(Evaluation eval);

// Text family.
float TextLength(Evaluation eval);
float TextFind(Evaluation eval);
float TextFindLast(Evaluation eval);
float TextCount(Evaluation eval);
float TextToInteger(Evaluation eval);
float TextToFloat(Evaluation eval);
float TextEqualsIgnoreCase(Evaluation eval);
float TextFirstCharCode(Evaluation eval);
float TextFirstCharStored(Evaluation eval);
float HexTextToFloatChild(Evaluation eval);
float FloatCodeToTextChild(Evaluation eval);
float TextCompare(Evaluation eval);

// Query family.
float PlacedObjectTest(Evaluation eval);
float FileSize(Evaluation eval);
float PublicCallFloat(Evaluation eval);
float UnsignedValue(Evaluation eval);
float ValueMatchA(Evaluation eval);
float ValueMatchB(Evaluation eval);
float FileTimeCompare(Evaluation eval);
float WindowHasFocus(Evaluation eval);
float IsDirectory(Evaluation eval);
}  // namespace operations
