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

float Cofactor(const XMMATRIX& matrix, int row, int column) {
    const float minor = MinorDeterminant(matrix, row, column);
    return (row + column) % 2 == 0 ? minor : -minor;
}
}  // namespace

XMFLOAT4 MatrixInverseRow(const XMMATRIX& matrix, int row) {
    const float determinant = ((matrix.m[0][0] * Cofactor(matrix, 0, 0) +
                                matrix.m[1][0] * Cofactor(matrix, 1, 0)) +
                               matrix.m[2][0] * Cofactor(matrix, 2, 0)) +
                              matrix.m[3][0] * Cofactor(matrix, 3, 0);
    // No zero test: callers let infinite or NaN elements flow on into their results.
    const float reciprocal = 1.0f / determinant;
    // The adjugate is the transposed cofactor matrix: row `row` of it is column `row` of those.
    return {Cofactor(matrix, 0, row) * reciprocal, Cofactor(matrix, 1, row) * reciprocal,
            Cofactor(matrix, 2, row) * reciprocal, Cofactor(matrix, 3, row) * reciprocal};
}
