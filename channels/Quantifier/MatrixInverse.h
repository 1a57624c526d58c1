// One row of the general 4x4 inverse, by cofactors: the camera's place needs only the fourth,
// and a row takes half the minors of the whole inverse.
#pragma once

#include "Orn_Types.h"

// Row `row` (0..3) of the adjugate of `matrix` scaled by the single-precision reciprocal of its
// determinant, the determinant expanded along the first column. A singular matrix is not
// detected: its reciprocal is infinite and the elements come out infinite or NaN.
XMFLOAT4 MatrixInverseRow(const XMMATRIX& matrix, int row);
