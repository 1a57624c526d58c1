#include "MatrixInverse.h"

namespace {
// Determinant of the 3x3 minor that leaves out one row and one column, expanded along the
// minor's first row.
float MinorDeterminant(const XMMATRIX& matrix, int skipRow, int skipColumn) {
    int rows[3];
    int columns[3];
    for (int i = 0, r = 0, c = 0; i < 4; ++i) {
        if (i != skipRow) rows[r++] = i;
        if (i != skipColumn) columns[c++] = i;
    }
    const auto at = [&](int r, int c) { return matrix.m[rows[r]][columns[c]]; };
    const float term0 = at(0, 0) * (at(1, 1) * at(2, 2) - at(1, 2) * at(2, 1));
    const float term1 = at(0, 1) * (at(1, 0) * at(2, 2) - at(1, 2) * at(2, 0));
    const float term2 = at(0, 2) * (at(1, 0) * at(2, 1) - at(1, 1) * at(2, 0));
    return (term0 - term1) + term2;
}
}  // namespace

XMMATRIX MatrixInverse(const XMMATRIX& matrix) {
    float cofactor[4][4];
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            const float minor = MinorDeterminant(matrix, row, column);
            cofactor[row][column] = (row + column) % 2 == 0 ? minor : -minor;
        }
    }
    const float determinant = ((matrix.m[0][0] * cofactor[0][0] + matrix.m[1][0] * cofactor[1][0]) +
                               matrix.m[2][0] * cofactor[2][0]) +
                              matrix.m[3][0] * cofactor[3][0];
    // No zero test: callers let infinite or NaN elements flow on into their results.
    const float reciprocal = 1.0f / determinant;

    XMMATRIX inverse;
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            inverse.m[row][column] = cofactor[column][row] * reciprocal;
        }
    }
    return inverse;
}
