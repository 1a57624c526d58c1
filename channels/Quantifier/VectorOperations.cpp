// Dot product, components, length, distances and equality of vector children.
#include "Operations.h"
#include "VectorMath.h"

namespace {
// One-child operations: look up vector child 0; missing gives 0.0 without any read.
template <class Reduce>
float WithOneVector(Evaluation& eval, Reduce reduce) {
    Kch_VectorChannel* child0 = eval.VectorChild(0);
    if (child0 == nullptr) return 0.0f;
    return reduce(child0->GetVector());
}

// Two-child operations: both lookups first, then both presence tests, then a before b.
template <class Reduce>
float WithTwoVectors(Evaluation& eval, Reduce reduce) {
    Kch_VectorChannel* child0 = eval.VectorChild(0);
    Kch_VectorChannel* child1 = eval.VectorChild(1);
    if (child0 == nullptr || child1 == nullptr) return 0.0f;
    const XMFLOAT4 a = child0->GetVector();
    const XMFLOAT4 b = child1->GetVector();
    return reduce(a, b);
}

float Dot(const XMFLOAT4& a, const XMFLOAT4& b) {
    return (a.x * b.x + a.y * b.y) + a.z * b.z;
}

float Equal(const XMFLOAT4& a, const XMFLOAT4& b) {
    // Component by component in x, y, z order; w is never compared.
    return WithinTolerance(a.x, b.x) && WithinTolerance(a.y, b.y) && WithinTolerance(a.z, b.z)
               ? 1.0f
               : 0.0f;
}
}  // namespace

float operations::VectorDot(Evaluation eval) {
    return WithTwoVectors(eval, Dot);
}
float operations::VectorX(Evaluation eval) {
    return WithOneVector(eval, [](const XMFLOAT4& a) { return a.x; });
}
float operations::VectorY(Evaluation eval) {
    return WithOneVector(eval, [](const XMFLOAT4& a) { return a.y; });
}
float operations::VectorZ(Evaluation eval) {
    return WithOneVector(eval, [](const XMFLOAT4& a) { return a.z; });
}
float operations::VectorW(Evaluation eval) {
    return WithOneVector(eval, [](const XMFLOAT4& a) { return a.w; });
}
float operations::VectorLength(Evaluation eval) {
    return WithOneVector(eval, LengthZFirst);
}

float operations::VectorDistance(Evaluation eval) {
    return WithTwoVectors(eval, [](const XMFLOAT4& a, const XMFLOAT4& b) {
        return std::sqrt(SquaredLengthYFirst(Subtract(a, b)));
    });
}

float operations::VectorDistanceSquared(Evaluation eval) {
    return WithTwoVectors(eval, [](const XMFLOAT4& a, const XMFLOAT4& b) {
        return SquaredLengthYFirst(Subtract(a, b));
    });
}

float operations::VectorEqual(Evaluation eval) {
    return WithTwoVectors(eval, Equal);
}
