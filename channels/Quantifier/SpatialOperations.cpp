// Distances of transforms, the camera's distance and view, point in rectangle and matrix
// equality.
#include <cmath>

#include "MatrixInverse.h"
#include "Operations.h"
#include "VectorMath.h"

namespace {
// Where a missing second transform is taken to be: the world origin.
constexpr XMFLOAT4 kOrigin{0.0f, 0.0f, 0.0f, 1.0f};

// The frame timer's value times this is the unit the distance change is divided by.
constexpr float kTimerScale = 0.04f;

// Points are row vectors multiplied on the left, so a transform's translation is its fourth row.
XMFLOAT4 Position(const XMMATRIX& matrix) {
    return MatrixRow(matrix, 3);
}

// Distance of two positions, summed like a vector length: the z term before the y term.
// Inline, so that the positions are read where the matrices lie instead of being passed on.
inline float Distance(const XMFLOAT4& p, const XMFLOAT4& q) {
    return LengthZFirst(Subtract(q, p));
}

float SetCurrentValue(Evaluation& eval, float value) {
    eval.currentValue() = value;
    return value;
}
}  // namespace

float operations::MatrixDistanceChange(Evaluation eval) {
    Kch_MatrixChannel* child0 = eval.MatrixChild(0);
    Kch_MatrixChannel* child1 = eval.MatrixChild(1);
    if (child0 == nullptr) return 0.0f;
    const XMFLOAT4 p = Position(child0->GetMatrix());
    const XMFLOAT4 q = child1 != nullptr ? Position(child1->GetMatrix()) : kOrigin;
    const float distance = Distance(p, q);

    // The first measurement has nothing to compare with and reports no change.
    const float previous = eval.hasPreviousInput() ? eval.previousInput() : distance;
    float change = distance - previous;

    // The product, not the timer value, is tested: a timer value so small that the product
    // underflows leaves the change unscaled, while a NaN product still divides. The timer is
    // read a second time for the division.
    if (Kch_FloatChannel* timer = eval.frameTimer(); timer != nullptr) {
        if (timer->GetFloat() * kTimerScale != 0.0f) {
            change = change / (timer->GetFloat() * kTimerScale);
        }
    }
    // Kept only once the timer has answered: a host call that throws leaves the last distance
    // in place for the next render.
    eval.previousInput() = distance;
    eval.hasPreviousInput() = true;
    // Approaching and separating at the same rate read the same.
    return std::fabs(change);
}

float operations::MatrixDistance(Evaluation eval) {
    Kch_MatrixChannel* child0 = eval.MatrixChild(0);
    Kch_MatrixChannel* child1 = eval.MatrixChild(1);
    if (child0 == nullptr || child1 == nullptr) return 0.0f;
    // Both matrices are kept whole: copying the first one's position out of the way of the
    // second read costs more than the room they take.
    const XMMATRIX m0 = child0->GetMatrix();
    const XMMATRIX m1 = child1->GetMatrix();
    return Distance(Position(m0), Position(m1));
}

float operations::CameraDistance(Evaluation eval) {
    Kch_MatrixChannel* child0 = eval.MatrixChild(0);
    Kch_CameraChannel* camera = eval.cameraChannel();
    // An engine without a camera is treated like a missing child.
    if (child0 == nullptr || camera == nullptr) return 0.0f;
    // The view matrix maps the world to the camera, so its inverse places the camera in the
    // world; a singular view matrix gives a non-finite position and distance.
    const XMFLOAT4 cameraPosition = MatrixInverseRow(camera->GetViewMatrix(), 3);
    const XMFLOAT4 p = Position(child0->GetMatrix());
    return Distance(cameraPosition, p);
}

float operations::MatrixBoxVisible(Evaluation eval) {
    Kch_MatrixChannel* child0 = eval.MatrixChild(0);
    Kch_CameraChannel* camera = eval.cameraChannel();
    if (child0 == nullptr || camera == nullptr) return 0.0f;
    const XMMATRIX m = child0->GetMatrix();

    // The origin transformed as a point, with the lanes summed in this order. Multiplying the
    // zero coordinates out (rather than taking the fourth row directly) lets infinite or NaN
    // rotation rows spoil the centre, and -0 and +0 combine as they do in that sum.
    float sum[4];
    for (int lane = 0; lane < 4; ++lane) {
        sum[lane] =
            ((0.0f * m.m[2][lane] + m.m[3][lane]) + 0.0f * m.m[1][lane]) + 0.0f * m.m[0][lane];
    }
    const float w = sum[3];
    const XMFLOAT4 centre{sum[0] / w, sum[1] / w, sum[2] / w, sum[3] / w};

    // Through the virtual table: a class derived from this one measures the size its own way.
    const XMFLOAT3 size = eval.self.GetMatrixSize(m);
    const XMFLOAT4 half{size.x * 0.5f, size.y * 0.5f, size.z * 0.5f, 0.0f};
    const XMFLOAT4 minimum = Subtract(centre, half);
    const XMFLOAT4 maximum = Add(centre, half);
    const bool visible = camera->IsBoxVisible(minimum, maximum);
    return SetCurrentValue(eval, visible ? 1.0f : 0.0f);
}

float operations::PointInRectangle(Evaluation eval) {
    Kch_VectorChannel* child0 = eval.VectorChild(0);
    Kch_VectorChannel* child1 = eval.VectorChild(1);
    Kch_VectorChannel* child2 = eval.VectorChild(2);
    if (child0 == nullptr || child1 == nullptr || child2 == nullptr) return 0.0f;
    const XMFLOAT4 point = child0->GetVector();
    const XMFLOAT4 a = child1->GetVector();
    const XMFLOAT4 b = child2->GetVector();

    // The corners may come in any order.
    const float lowX = a.x > b.x ? b.x : a.x;
    const float highX = a.x > b.x ? a.x : b.x;
    const float lowY = a.y > b.y ? b.y : a.y;
    const float highY = a.y > b.y ? a.y : b.y;
    // Strict tests for being outside: edges count as inside, and so does a NaN coordinate,
    // since every comparison with it is false.
    const bool outside = lowX > point.x || lowY > point.y || point.x > highX || point.y > highY;
    return SetCurrentValue(eval, outside ? 0.0f : 1.0f);
}

float operations::MatrixEqual(Evaluation eval) {
    Kch_MatrixChannel* child0 = eval.MatrixChild(0);
    Kch_MatrixChannel* child1 = eval.MatrixChild(1);
    if (child0 == nullptr || child1 == nullptr) return SetCurrentValue(eval, 0.0f);
    // One channel linked twice is equal to itself without being read, NaN elements or not.
    if (child0 == child1) return SetCurrentValue(eval, 1.0f);
    const XMMATRIX a = child0->GetMatrix();
    const XMMATRIX b = child1->GetMatrix();
    // The tolerance is taken around the first matrix's element.
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            if (!WithinTolerance(b.m[row][column], a.m[row][column])) {
                return SetCurrentValue(eval, 0.0f);
            }
        }
    }
    return SetCurrentValue(eval, 1.0f);
}
