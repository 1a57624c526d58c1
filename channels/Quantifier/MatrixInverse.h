// The general 4x4 inverse, by cofactors.
#pragma once

#include "Orn_Types.h"

// The adjugate of `matrix` scaled by the single-precision reciprocal of its determinant, the
// determinant expanded along the first column. A singular matrix is not detected: its
// reciprocal is infinite and the elements come out infinite or NaN.
XMMATRIX MatrixInverse(const XMMATRIX& matrix);
