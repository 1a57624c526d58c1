// Transforms and points: distances and their change, the camera's distance and view, point in
// rectangle and matrix equality.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <functional>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "Orn_Guids.h"
#include "support/InstrumentedChannel.h"
#include "support/QuantifierTestSupport.h"

namespace {
using SpatialOperations = QuantifierTest;
using O = OperationId;

constexpr float kBig = 1099511627776.0f;  // 2^40: adding 0.0001 in double no longer changes it
// What the current value holds before an operation that must not write it.
constexpr float kUntouched = 0.5f;

::testing::AssertionResult SameVector(const XMFLOAT4& expected, const XMFLOAT4& actual) {
    const float e[4] = {expected.x, expected.y, expected.z, expected.w};
    const float a[4] = {actual.x, actual.y, actual.z, actual.w};
    for (int lane = 0; lane < 4; ++lane) {
        if (auto same = SameValue(e[lane], a[lane]); !same) return same << " in lane " << lane;
    }
    return ::testing::AssertionSuccess();
}

// A transform at a position, with the identity's rotation rows.
XMMATRIX Placed(float x, float y, float z, float w = 1.0f) {
    XMMATRIX m = IdentityMatrix();
    m.m[3][0] = x;
    m.m[3][1] = y;
    m.m[3][2] = z;
    m.m[3][3] = w;
    return m;
}

// A transform at a position whose other rows hold values no position may depend on.
XMMATRIX Cluttered(float x, float y, float z) {
    return {{{kNaN, 7, -3, 2}, {kInf, 0, 5, 1}, {1e30f, -kInf, 4, 0}, {x, y, z, 1}}};
}

// An engine whose frame timers give a scripted series of values, repeating the last one, and
// note their reads in `reads` when it is set.
class ScriptedEngine : public OrnEngine {
public:
    Orn_Channel* CreateObject(const OrnGuid& guid, int, int) override {
        if (guid != orn_guid::kFrameTimerClass || timerValues.empty()) return nullptr;
        auto* timer = new Instrumented<Kch_FloatChannel>();
        timer->hook = [this](std::string_view call) -> ChannelAnswer {
            if (call != "GetFloat") return {};
            if (reads != nullptr) reads->push_back("timer.GetFloat");
            return timerValues[std::min(timerReads++, timerValues.size() - 1)];
        };
        return timer;
    }
    std::vector<float> timerValues;
    size_t timerReads = 0;
    std::vector<std::string>* reads = nullptr;
};

// Each operation evaluated through CalculateValue after the render's value is in place, so
// that what it writes into the current value shows in GetFloat.
TEST_F(SpatialOperations, ResultsAndWhatTheyLeaveInTheCurrentValue) {
    struct Case {
        std::string name;
        O op;
        std::vector<XMMATRIX> matrices;
        std::vector<XMFLOAT4> vectors;
        std::optional<XMMATRIX> view;   // a camera with this view, or none
        std::optional<float> expected;  // none: any value that is not finite
        std::optional<float> written;   // none: the current value is left alone
    };
    const XMMATRIX singular{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 0, 0}, {5, 5, 5, 1}}};
    // The camera at (4, 0, 3), turned a quarter about z: world to camera.
    const XMMATRIX turnedView{{{0, -1, 0, 0}, {1, 0, 0, 0}, {0, 0, 1, 0}, {0, 4, -3, 1}}};
    const XMMATRIX m{{{1, 2, 3, 4}, {-5, 6, -7, 8}, {0.25f, 0, 1e-3f, 1}, {10, 20, 30, 1}}};
    const auto changed = [&](int row, int column, float value) {
        XMMATRIX copy = m;
        copy.m[row][column] = value;
        return copy;
    };
    const XMFLOAT4 c44{4, 4, 0, 0}, c00{0, 0, 0, 0}, c04{0, 4, 0, 0}, c40{4, 0, 0, 0};
    // clang-format off
    std::vector<Case> cases = {
        {"positions only", O::MatrixDistance, {Cluttered(1, 2, 3), Cluttered(4, 6, 3)}, {}, {}, 5, {}},
        {"w takes no part", O::MatrixDistance, {Placed(0, 0, 0, kNaN), Placed(3, 0, 4, 0)}, {}, {}, 5, {}},
        {"NaN position", O::MatrixDistance, {Placed(kNaN, 0, 0), Placed(0, 0, 0)}, {}, {}, kNaN, {}},
        {"second transform missing", O::MatrixDistance, {Placed(3, 4, 0)}, {}, {}, 0, {}},
        {"vectors are no transforms", O::MatrixDistance, {}, {c44, c00}, {}, 0, {}},
        {"camera at (1, 2, 2)", O::CameraDistance, {Placed(0, 0, 0)}, {}, Placed(-1, -2, -2), 3, {}},
        {"turned camera", O::CameraDistance, {Cluttered(4, 0, 0)}, {}, turnedView, 3, {}},
        {"no transform", O::CameraDistance, {}, {}, Placed(-1, -2, -2), 0, {}},
        {"no camera", O::CameraDistance, {Placed(1, 2, 3)}, {}, {}, 0, {}},
        {"zero view", O::CameraDistance, {Placed(1, 2, 3)}, {}, XMMATRIX{}, {}, {}},
        {"singular view", O::CameraDistance, {Placed(0, 0, 0)}, {}, singular, {}, {}},
        {"box in view", O::MatrixBoxVisible, {Placed(0, 0, 10)}, {}, IdentityMatrix(), 1, 1},
        {"box behind", O::MatrixBoxVisible, {Placed(0, 0, -10)}, {}, IdentityMatrix(), 0, 0},
        {"no transform to box", O::MatrixBoxVisible, {}, {}, IdentityMatrix(), 0, {}},
        {"no camera to ask", O::MatrixBoxVisible, {Placed(0, 0, 10)}, {}, {}, 0, {}},
        {"inside", O::PointInRectangle, {}, {{1, 2, 0, 0}, c44, c00}, {}, 1, 1},
        {"on an edge", O::PointInRectangle, {}, {{0, 2, 0, 0}, c44, c00}, {}, 1, 1},
        {"on a corner", O::PointInRectangle, {}, {c44, c44, c00}, {}, 1, 1},
        {"z and w ignored", O::PointInRectangle, {}, {{2, 2, 99, kNaN}, c44, c00}, {}, 1, 1},
        {"NaN x is inside", O::PointInRectangle, {}, {{kNaN, 2, 0, 0}, c44, c00}, {}, 1, 1},
        {"right of", O::PointInRectangle, {}, {{4.5f, 2, 0, 0}, c44, c00}, {}, 0, 0},
        {"left of", O::PointInRectangle, {}, {{-0.001f, 2, 0, 0}, c44, c00}, {}, 0, 0},
        {"below", O::PointInRectangle, {}, {{2, -0.001f, 0, 0}, c44, c00}, {}, 0, 0},
        {"above", O::PointInRectangle, {}, {{2, 4.0001f, 0, 0}, c44, c00}, {}, 0, 0},
        {"corners swapped", O::PointInRectangle, {}, {{4.5f, 2, 0, 0}, c00, c44}, {}, 0, 0},
        {"corners crossed", O::PointInRectangle, {}, {{2, 3, 0, 0}, c04, c40}, {}, 1, 1},
        {"crossed, outside", O::PointInRectangle, {}, {{2, 5, 0, 0}, c04, c40}, {}, 0, 0},
        // A NaN corner coordinate is the lower bound when it comes first and the upper one after
        // a number, and a NaN bound never excludes.
        {"NaN first corner", O::PointInRectangle, {}, {{2, 2, 0, 0}, {kNaN, 0, 0, 0}, c44}, {}, 1, 1},
        {"NaN second corner", O::PointInRectangle, {}, {{2, 2, 0, 0}, c44, {kNaN, 0, 0, 0}}, {}, 0, 0},
        {"corner missing", O::PointInRectangle, {}, {{1, 1, 0, 0}, c44}, {}, 0, {}},
        {"equal", O::MatrixEqual, {m, m}, {}, {}, 1, 1},
        {"within 0.00005", O::MatrixEqual, {m, changed(3, 2, 30.00005f)}, {}, {}, 1, 1},
        {"off by 0.001", O::MatrixEqual, {m, changed(2, 3, 1.001f)}, {}, {}, 0, 0},
        {"NaN element", O::MatrixEqual, {changed(1, 1, kNaN), changed(1, 1, kNaN)}, {}, {}, 0, 0},
        {"2^40 in two channels", O::MatrixEqual, {changed(0, 0, kBig), changed(0, 0, kBig)}, {}, {}, 0, 0},
        {"second matrix missing", O::MatrixEqual, {m}, {}, {}, 0, 0},
        {"no matrices", O::MatrixEqual, {}, {c44, c44}, {}, 0, 0},
    };
    // clang-format on
    for (int element = 0; element < 16; ++element) {
        const int row = element / 4, column = element % 4;
        const XMMATRIX other = changed(row, column, m.m[row][column] + 0.01f);
        cases.push_back(
            {"element " + std::to_string(element), O::MatrixEqual, {m, other}, {}, {}, 0, 0});
    }

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Kch_CameraChannel* camera = c.view ? &AddCamera(*c.view) : nullptr;
        Kch_Quantifier& q = NewQuantifier(c.op);
        for (const XMMATRIX& matrix : c.matrices) {
            AddMatrix(q, matrix);
        }
        for (const XMFLOAT4& vector : c.vectors) {
            AddVector(q, vector);
        }
        engine.BeginRender();
        q.GetFloat();
        q.SetFloat(kUntouched);
        const float result = q.CalculateValue();
        if (c.expected) {
            EXPECT_TRUE(SameValue(*c.expected, result));
        } else {
            EXPECT_FALSE(std::isfinite(result)) << result;
        }
        EXPECT_TRUE(SameBits(c.written.value_or(kUntouched), q.GetFloat())) << "current value";
        if (camera != nullptr) engine.UnregisterChannel(camera);
    }
}

TEST_F(SpatialOperations, OneMatrixChannelLinkedTwiceEqualsItselfUnread) {
    std::vector<std::string> reads;
    Kch_Quantifier& q = NewQuantifier(O::MatrixEqual);
    auto& matrix = Adopt(q, std::make_unique<Instrumented<Kch_MatrixChannel>>(Placed(kNaN, 0, 0)));
    matrix.hook = LogCalls(reads, "m");
    q.SetChild(&matrix, -1, 0);
    EXPECT_EQ(Evaluate(q), 1.0f);
    EXPECT_TRUE(reads.empty());

    Kch_Quantifier& other = NewQuantifier(O::MatrixEqual);
    AddMatrix(other, Placed(kNaN, 0, 0));
    AddMatrix(other, Placed(kNaN, 0, 0));
    EXPECT_EQ(Evaluate(other), 0.0f) << "equal NaNs in two channels are unequal";
}

// Children in index order; the engine's camera and timer where each operation needs them.
TEST_F(SpatialOperations, ReadsChildrenInIndexOrderAndTheEngineObjectsWhereTheyBelong) {
    struct Case {
        O op;
        std::vector<std::string> reads;
    };
    const Case cases[] = {
        {O::MatrixDistanceChange,
         {"m0.GetMatrix", "m1.GetMatrix", "timer.GetFloat", "timer.GetFloat"}},
        {O::MatrixDistance, {"m0.GetMatrix", "m1.GetMatrix"}},
        {O::CameraDistance, {"camera.GetViewMatrix", "m0.GetMatrix"}},
        {O::MatrixBoxVisible, {"m0.GetMatrix", "camera.IsBoxVisible"}},
        {O::PointInRectangle, {"v0.GetVector", "v1.GetVector", "v2.GetVector"}},
        {O::MatrixEqual, {"m0.GetMatrix", "m1.GetMatrix"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.op));
        std::vector<std::string> reads;
        ScriptedEngine scripted;
        scripted.timerValues = {25.0f};
        scripted.reads = &reads;
        Instrumented<Kch_CameraChannel> camera;
        camera.hook = LogCalls(reads, "camera");
        scripted.RegisterChannel(orn_guid::kCameraChannel, nullptr, &camera);
        ScopedGlobalEngine useScripted(scripted);
        std::unique_ptr<Kch_Quantifier> q(InitDLL());
        q->SetOperationType(static_cast<int>(c.op));
        for (int i = 0; i < 2; ++i) {
            auto& m = Adopt(*q, std::make_unique<Instrumented<Kch_MatrixChannel>>(Placed(1, 2, 3)));
            m.hook = LogCalls(reads, "m" + std::to_string(i));
        }
        for (int i = 0; i < 3; ++i) {
            auto& v =
                Adopt(*q, std::make_unique<Instrumented<Kch_VectorChannel>>(XMFLOAT4{1, 2, 3, 4}));
            v.hook = LogCalls(reads, "v" + std::to_string(i));
        }
        scripted.BeginRender();
        q->GetFloat();
        EXPECT_EQ(reads, c.reads);
    }
}

TEST_F(SpatialOperations, DistanceChangeIsScaledByTheFrameTimer) {
    struct Case {
        const char* name;
        std::optional<float> frameTime;
        float expected;  // after a move by 5, either way
    };
    const Case cases[] = {
        {"no timer", std::nullopt, 5.0f},
        {"25 makes the factor one", 25.0f, 5.0f},
        {"50", 50.0f, 2.5f},
        {"zero leaves it unscaled", 0.0f, 5.0f},
        {"negative", -50.0f, 2.5f},
        {"the product underflows to zero", 1e-45f, 5.0f},
        {"infinite", kInf, 0.0f},
        {"a NaN product divides", kNaN, kNaN},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        engine.SetFrameTime(c.frameTime);
        Kch_Quantifier& q = NewQuantifier(O::MatrixDistanceChange);
        // Without a second transform the distance is measured from the origin.
        Kch_MatrixChannel& moving = AddMatrix(q, Placed(3, 4, 0));
        const float still = std::isnan(c.expected) ? kNaN : 0.0f;
        EXPECT_TRUE(SameValue(still, Evaluate(q))) << "the first evaluation measures no change";
        moving.SetMatrix(Placed(6, 8, 0));
        EXPECT_TRUE(SameValue(c.expected, Evaluate(q)));
        moving.SetMatrix(Placed(3, 4, 0));
        EXPECT_TRUE(SameValue(c.expected, Evaluate(q))) << "approaching reads like separating";
        EXPECT_TRUE(SameValue(still, Evaluate(q)));
    }
}

TEST_F(SpatialOperations, DistanceChangeReadsTheTimerAgainForTheDivision) {
    struct Case {
        const char* name;
        std::vector<float> values;  // the timer's answers in turn while the change of 5 is measured
        float expected;
        size_t reads;
    };
    const Case cases[] = {
        {"the second value divides", {25.0f, 50.0f}, 2.5f, 2},
        {"a zero first value stops at one read", {0.0f, 50.0f}, 5.0f, 1},
        {"a zero second value divides by zero", {25.0f, 0.0f}, kInf, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedEngine scripted;
        scripted.timerValues = {1.0f};
        ScopedGlobalEngine useScripted(scripted);
        std::unique_ptr<Kch_Quantifier> q(InitDLL());
        q->SetOperationType(static_cast<int>(O::MatrixDistanceChange));
        Kch_MatrixChannel& moving = AddMatrix(*q, Placed(3, 4, 0));
        scripted.BeginRender();
        EXPECT_EQ(q->GetFloat(), 0.0f);
        scripted.timerValues = c.values;
        scripted.timerReads = 0;
        moving.SetMatrix(Placed(6, 8, 0));
        scripted.BeginRender();
        EXPECT_TRUE(SameValue(c.expected, q->GetFloat()));
        EXPECT_EQ(scripted.timerReads, c.reads);
    }
}

TEST_F(SpatialOperations, DistanceChangeKeepsItsStateThroughAMissingTransformAndOtherOperations) {
    Kch_Quantifier& q = NewQuantifier(O::MatrixDistanceChange);
    Kch_MatrixChannel& a = Keep(std::make_unique<Kch_MatrixChannel>(Placed(0, 0, 0)));
    Kch_MatrixChannel& b = Keep(std::make_unique<Kch_MatrixChannel>(Placed(0, 3, 4)));
    const int linkA = q.SetChild(&a, -1, 0);
    const int linkB = q.SetChild(&b, -1, 0);
    struct Step {
        const char* what;
        std::function<void()> act;
        O op;
        float expected;
    };
    const Step steps[] = {
        {"first measurement", [] {}, O::MatrixDistanceChange, 0.0f},
        {"b moves away", [&] { b.SetMatrix(Placed(0, 6, 8)); }, O::MatrixDistanceChange, 5.0f},
        {"plain distance", [] {}, O::MatrixDistance, 10.0f},
        {"back, against the last change's distance", [&] { b.SetMatrix(Placed(0, 3, 4)); },
         O::MatrixDistanceChange, 5.0f},
        {"no transforms",
         [&] {
             q.RemoveChild(linkA);
             q.RemoveChild(linkB);
         },
         O::MatrixDistanceChange, 0.0f},
        {"a alone, 12 from the origin",
         [&] {
             a.SetMatrix(Placed(0, 0, 12));
             q.SetChild(&a, -1, 0);
         },
         O::MatrixDistanceChange, 7.0f},
        {"standing still", [] {}, O::MatrixDistanceChange, 0.0f},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.act();
        q.SetOperationType(static_cast<int>(step.op));
        EXPECT_TRUE(SameBits(step.expected, Evaluate(q)));
    }
}

TEST_F(SpatialOperations, BoxIsCentredOnThePositionAndAsLargeAsTheScale) {
    struct Case {
        const char* name;
        XMMATRIX transform;
        XMFLOAT4 minimum, maximum;
    };
    // clang-format off
    const Case cases[] = {
        {"scaled", {{{2, 0, 0, 0}, {0, 4, 0, 0}, {0, 0, 6, 0}, {10, 0, 0, 1}}}, {9, -2, -3, 1}, {11, 2, 3, 1}},
        {"perspective division", {{{2, 0, 0, 0}, {0, 4, 0, 0}, {0, 0, 6, 0}, {10, 0, 0, 2}}},
         {4, -2, -3, 1}, {6, 2, 3, 1}},
        {"rotation ignored", {{{0, 2, 0, 0}, {-2, 0, 0, 0}, {0, 0, 2, 0}, {1, 1, 1, 1}}},
         {0, 0, 0, 1}, {2, 2, 2, 1}},
        {"w of zero", {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {10, 0, 0, 0}}},
         {kInf, kNaN, kNaN, kNaN}, {kInf, kNaN, kNaN, kNaN}},
        // The zero coordinates multiply into the centre, so an infinite first row spoils x.
        {"infinite first row", {{{kInf, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {1, 2, 3, 1}}},
         {kNaN, 1.5f, 2.5f, 1}, {kNaN, 2.5f, 3.5f, 1}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Kch_CameraChannel& camera = AddCamera();
        Kch_Quantifier& q = NewQuantifier(O::MatrixBoxVisible);
        AddMatrix(q, c.transform);
        Evaluate(q);
        EXPECT_EQ(camera.BoxQueries(), 1);
        EXPECT_TRUE(SameVector(c.minimum, camera.LastBoxMinimum()));
        EXPECT_TRUE(SameVector(c.maximum, camera.LastBoxMaximum()));
        engine.UnregisterChannel(&camera);
    }
}

TEST_F(SpatialOperations, BoxSizeComesFromTheChannelsOwnMatrixSize) {
    class FixedSize : public Kch_Quantifier {
    public:
        XMFLOAT3 GetMatrixSize(XMMATRIX) override { return {1, 2, 4}; }
    };
    Kch_CameraChannel& camera = AddCamera();
    auto q = std::make_unique<FixedSize>();
    q->SetOperationType(static_cast<int>(O::MatrixBoxVisible));
    AddMatrix(*q, Placed(10, 0, 0));
    Evaluate(*q);
    EXPECT_TRUE(SameVector({9.5f, -1, -2, 1}, camera.LastBoxMinimum()));
    EXPECT_TRUE(SameVector({10.5f, 1, 2, 1}, camera.LastBoxMaximum()));
}

// Independent single-precision distance in the documented order (z before y), and the other
// order, which must disagree often enough for the comparison to mean something.
float DistanceZFirst(XMFLOAT4 p, XMFLOAT4 q) {
    const float dx = q.x - p.x, dy = q.y - p.y, dz = q.z - p.z;
    const float xz = dx * dx + dz * dz;
    return std::sqrt(xz + dy * dy);
}
float DistanceYFirst(XMFLOAT4 p, XMFLOAT4 q) {
    const float dx = q.x - p.x, dy = q.y - p.y, dz = q.z - p.z;
    const float xy = dx * dx + dy * dy;
    return std::sqrt(xy + dz * dz);
}

TEST_F(SpatialOperations, DistancesAgreeBitForBitWithTheDocumentedOrderOfAdditions) {
    std::mt19937 random(77031u);
    std::uniform_real_distribution<float> mantissa(-1.0f, 1.0f);
    std::uniform_int_distribution<int> exponent(-6, 6);
    const auto component = [&] { return std::ldexp(mantissa(random), exponent(random)); };
    const auto position = [&] { return XMFLOAT4{component(), component(), component(), 1.0f}; };
    constexpr int kSamples = 1500;

    for (O op : {O::MatrixDistance, O::CameraDistance, O::MatrixDistanceChange}) {
        SCOPED_TRACE(static_cast<int>(op));
        // A camera moved without turning: its view is the opposite translation, whose inverse
        // by cofactors is exact, so the whole distance is fixed to the last bit.
        Kch_CameraChannel& camera = AddCamera();
        Kch_Quantifier& q = NewQuantifier(op);
        Kch_MatrixChannel& first = AddMatrix(q, IdentityMatrix());
        Kch_MatrixChannel& second = AddMatrix(q, IdentityMatrix());
        float previous = 0.0f;
        int orderMatters = 0;
        for (int i = 0; i < kSamples; ++i) {
            const XMFLOAT4 p = position(), other = position();
            first.SetMatrix(Placed(p.x, p.y, p.z));
            second.SetMatrix(Placed(other.x, other.y, other.z));
            camera.SetViewMatrix(Placed(-other.x, -other.y, -other.z));
            const float distance = DistanceZFirst(p, other);
            const float expected = op == O::MatrixDistanceChange
                                       ? std::fabs(distance - (i == 0 ? distance : previous))
                                       : distance;
            ASSERT_TRUE(SameBits(expected, Evaluate(q))) << "sample " << i;
            previous = distance;
            if (std::bit_cast<uint32_t>(distance) !=
                std::bit_cast<uint32_t>(DistanceYFirst(p, other))) {
                ++orderMatters;
            }
        }
        EXPECT_GT(orderMatters, kSamples / 20) << "the samples hardly tell the orders apart";
        engine.UnregisterChannel(&camera);
    }
}

// The fourth row of the inverse, by Gauss-Jordan elimination in double precision: a method of
// its own, to check the cofactor inverse against. False when the matrix is near singular.
bool CameraPositionOf(const XMMATRIX& view, double position[3]) {
    double a[4][8];
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            a[r][c] = view.m[r][c];
            a[r][c + 4] = r == c ? 1.0 : 0.0;
        }
    }
    for (int c = 0; c < 4; ++c) {
        int pivot = c;
        for (int r = c + 1; r < 4; ++r) {
            if (std::fabs(a[r][c]) > std::fabs(a[pivot][c])) pivot = r;
        }
        if (std::fabs(a[pivot][c]) < 0.2) return false;
        std::swap(a[c], a[pivot]);
        for (int r = 0; r < 4; ++r) {
            if (r == c) continue;
            const double factor = a[r][c] / a[c][c];
            for (int k = 0; k < 8; ++k) {
                a[r][k] -= factor * a[c][k];
            }
        }
    }
    for (int k = 0; k < 3; ++k) {
        position[k] = a[3][k + 4] / a[3][3];
    }
    return true;
}

TEST_F(SpatialOperations, CameraIsWhereTheInverseOfAnyViewPutsIt) {
    std::mt19937 random(4242u);
    std::uniform_real_distribution<float> element(-2.0f, 2.0f);
    Kch_CameraChannel& camera = AddCamera();
    Kch_Quantifier& q = NewQuantifier(O::CameraDistance);
    Kch_MatrixChannel& object = AddMatrix(q, IdentityMatrix());
    int checked = 0;
    while (checked < 400) {
        XMMATRIX view;
        for (auto& row : view.m) {
            for (float& value : row) {
                value = element(random);
            }
        }
        double c[3];
        if (!CameraPositionOf(view, c)) continue;
        const XMFLOAT4 p{element(random), element(random), element(random), 1.0f};
        camera.SetViewMatrix(view);
        object.SetMatrix(Placed(p.x, p.y, p.z));
        const double expected =
            std::sqrt((p.x - c[0]) * (p.x - c[0]) + (p.y - c[1]) * (p.y - c[1]) +
                      (p.z - c[2]) * (p.z - c[2]));
        ASSERT_NEAR(Evaluate(q), expected, 1e-4 * (1.0 + expected)) << "sample " << checked;
        ++checked;
    }
}
}  // namespace
