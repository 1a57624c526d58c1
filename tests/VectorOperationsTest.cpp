// Vector children: dot product, components, length, distances and equality within a tolerance.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "Orn_Guids.h"
#include "support/InstrumentedChannel.h"
#include "support/QuantifierTestSupport.h"

namespace {
using VectorOperations = QuantifierTest;
using O = OperationId;

// A NaN with a payload, to see that a component comes back with its bits untouched.
const float kPayloadNaN = std::bit_cast<float>(0x7FC12345u);

TEST_F(VectorOperations, ResultsFollowTheFormulas) {
    struct Case {
        const char* name;
        O op;
        XMFLOAT4 a, b;
        float expected;
    };
    const float big = 1099511627776.0f;  // 2^40: adding 0.0001 in double no longer changes it
    const float justBelowBig = 549755813888.0f;  // 2^39: it still does
    const Case cases[] = {
        {"dot ignores w", O::VectorDot, {1, 2, 3, 100}, {4, 5, 6, -7}, 32.0f},
        {"dot with NaN w stays finite", O::VectorDot, {1, 2, 3, kNaN}, {4, 5, 6, kInf}, 32.0f},
        {"dot with NaN x", O::VectorDot, {kNaN, 0, 0, 0}, {1, 1, 1, 1}, kNaN},
        {"dot of infinity and zero", O::VectorDot, {kInf, 1, 0, 0}, {0, 1, 0, 0}, kNaN},
        {"length 3 4 0", O::VectorLength, {3, 4, 0, 9}, {}, 5.0f},
        {"length 2 3 6", O::VectorLength, {2, 3, 6, 1}, {}, 7.0f},
        {"length ignores infinite w", O::VectorLength, {2, 3, 6, kInf}, {}, 7.0f},
        {"length of infinite y", O::VectorLength, {0, -kInf, 0, 0}, {}, kInf},
        {"length of NaN z", O::VectorLength, {0, 0, kNaN, 0}, {}, kNaN},
        {"length of negative zeros", O::VectorLength, {-0.0f, -0.0f, -0.0f, 0}, {}, 0.0f},
        {"distance", O::VectorDistance, {1, 1, 1, 0}, {4, 5, 1, 1}, 5.0f},
        {"distance swapped", O::VectorDistance, {4, 5, 1, 1}, {1, 1, 1, 0}, 5.0f},
        {"squared distance", O::VectorDistanceSquared, {1, 1, 1, 0}, {4, 5, 1, 1}, 25.0f},
        {"squared distance swapped", O::VectorDistanceSquared, {4, 5, 1, 1}, {1, 1, 1, 0}, 25.0f},
        {"distance ignores w", O::VectorDistanceSquared, {0, 0, 0, kInf}, {1, 2, 2, kInf}, 9.0f},
        {"distance of two infinities", O::VectorDistance, {kInf, 0, 0, 0}, {kInf, 0, 0, 0}, kNaN},
        {"distance overflows", O::VectorDistance, {3e38f, 0, 0, 0}, {-3e38f, 0, 0, 0}, kInf},
        {"x keeps -0", O::VectorX, {-0.0f, 1, 2, 3}, {}, -0.0f},
        {"y keeps a NaN's bits", O::VectorY, {0, kPayloadNaN, 0, 0}, {}, kPayloadNaN},
        {"z keeps -infinity", O::VectorZ, {0, 0, -kInf, 0}, {}, -kInf},
        {"w", O::VectorW, {0, 0, 0, 2.5f}, {}, 2.5f},
        {"w keeps -0", O::VectorW, {1, 1, 1, -0.0f}, {}, -0.0f},
        {"x keeps a denormal", O::VectorX, {1e-45f, 0, 0, 0}, {}, 1e-45f},
        {"equal within tolerance, w differs", O::VectorEqual, {1, 2, 3, 0}, {1.00005f, 2, 3, 7}, 1},
        {"equal ignores NaN w", O::VectorEqual, {1, 2, 3, kNaN}, {1, 2, 3, 0}, 1},
        {"float 0.0001 lies inside", O::VectorEqual, {0, 0, 0, 0}, {0.0001f, 0, 0, 0}, 1},
        {"float 0.0001 inside swapped", O::VectorEqual, {0.0001f, 0, 0, 0}, {0, 0, 0, 0}, 1},
        {"float 1.0001 lies outside", O::VectorEqual, {1, 0, 0, 0}, {1.0001f, 0, 0, 0}, 0},
        {"float 1.0001 outside swapped", O::VectorEqual, {1.0001f, 0, 0, 0}, {1, 0, 0, 0}, 0},
        {"-0 equals +0", O::VectorEqual, {-5, -0.0f, 0, 0}, {-5.00005f, 0, -0.0f, 0}, 1},
        {"x differs", O::VectorEqual, {1, 2, 3, 0}, {1.001f, 2, 3, 0}, 0},
        {"y differs", O::VectorEqual, {1, 2, 3, 0}, {1, 1.999f, 3, 0}, 0},
        {"z differs", O::VectorEqual, {1, 2, 3, 0}, {1, 2, 3.001f, 0}, 0},
        {"same NaN x", O::VectorEqual, {kNaN, 0, 0, 0}, {kNaN, 0, 0, 0}, 0},
        {"NaN y", O::VectorEqual, {0, kNaN, 0, 0}, {0, 0, 0, 0}, 0},
        {"NaN z", O::VectorEqual, {0, 0, 0, 0}, {0, 0, kNaN, 0}, 0},
        {"identical 2^39", O::VectorEqual, {justBelowBig, 0, 0, 0}, {justBelowBig, 0, 0, 0}, 1},
        {"identical 2^40 x", O::VectorEqual, {big, 0, 0, 0}, {big, 0, 0, 0}, 0},
        {"identical -2^40 z", O::VectorEqual, {0, 0, -big, 0}, {0, 0, -big, 0}, 0},
        {"identical infinite y", O::VectorEqual, {0, kInf, 0, 0}, {0, kInf, 0, 0}, 0},
        {"2^40 in w is not compared", O::VectorEqual, {0, 0, 0, big}, {0, 0, 0, big}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Kch_Quantifier& q = NewQuantifier(c.op);
        AddVector(q, c.a);
        AddVector(q, c.b);
        EXPECT_TRUE(SameValue(c.expected, Evaluate(q)));
    }
}

// Every operation of the family: reads in index order; a missing child stops the operation
// before any read. (Which children each looks up, and that it does so first, the lookup test
// holds against the table.)
TEST_F(VectorOperations, ReadsInIndexOrderAndStopsWhenAChildIsMissing) {
    struct Case {
        O op;
        float fromChild0;  // the result with child 0 = (3, 4, 12, 5) alone
    };
    const Case cases[] = {
        {O::VectorDot, 0.0f},      {O::VectorX, 3.0f},
        {O::VectorY, 4.0f},        {O::VectorZ, 12.0f},
        {O::VectorW, 5.0f},        {O::VectorLength, 13.0f},
        {O::VectorDistance, 0.0f}, {O::VectorDistanceSquared, 0.0f},
        {O::VectorEqual, 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.op));
        const int children =
            static_cast<int>(FindOperation(static_cast<int>(c.op))->children.size());
        for (int linked : {0, 1, 2}) {
            SCOPED_TRACE(linked);
            std::vector<std::string> reads;
            Kch_Quantifier& q = NewQuantifier(c.op);
            // A float child linked first must not shift the vector indices or stand in for one.
            AddFloat(q, 7.0f);
            for (int i = 0; i < linked; ++i) {
                auto& child = Adopt(
                    q, std::make_unique<Instrumented<Kch_VectorChannel>>(XMFLOAT4{3, 4, 12, 5}));
                child.hook = LogCalls(reads, "v" + std::to_string(i));
            }
            const float result = Evaluate(q);

            if (linked < children) {
                EXPECT_TRUE(SameBits(0.0f, result));
                EXPECT_TRUE(reads.empty());
                continue;
            }
            std::vector<std::string> expectedReads;
            for (int i = 0; i < children; ++i) {
                expectedReads.push_back("v" + std::to_string(i) + ".GetVector");
            }
            EXPECT_EQ(reads, expectedReads);
            if (children == 1) {
                EXPECT_EQ(result, c.fromChild0);
            }
        }
    }
}

// Independent single-precision references in the documented order of additions, and the
// nearest other order, which must disagree often enough for the comparison to mean something.
float Square(float v) {
    return v * v;
}
float DotYFirst(XMFLOAT4 a, XMFLOAT4 b) {
    const float xy = a.x * b.x + a.y * b.y;
    return xy + a.z * b.z;
}
float DotZFirst(XMFLOAT4 a, XMFLOAT4 b) {
    const float xz = a.x * b.x + a.z * b.z;
    return xz + a.y * b.y;
}
float SquaresYFirst(float x, float y, float z) {
    const float xy = Square(x) + Square(y);
    return xy + Square(z);
}
float SquaresZFirst(float x, float y, float z) {
    const float xz = Square(x) + Square(z);
    return xz + Square(y);
}

TEST_F(VectorOperations, AgreeBitForBitWithTheDocumentedOrderOfAdditions) {
    std::mt19937 random(20240611u);
    // Mantissas at random, magnitudes spread over a few binades so that rounding differs.
    std::uniform_real_distribution<float> mantissa(-1.0f, 1.0f);
    std::uniform_int_distribution<int> exponent(-6, 6);
    const auto component = [&] { return std::ldexp(mantissa(random), exponent(random)); };
    const auto vector = [&] {
        return XMFLOAT4{component(), component(), component(), component()};
    };

    struct Reference {
        O op;
        float (*documented)(XMFLOAT4, XMFLOAT4);
        float (*otherOrder)(XMFLOAT4, XMFLOAT4);
    };
    const Reference references[] = {
        {O::VectorDot, DotYFirst, DotZFirst},
        {O::VectorLength,
         [](XMFLOAT4 a, XMFLOAT4) { return std::sqrt(SquaresZFirst(a.x, a.y, a.z)); },
         [](XMFLOAT4 a, XMFLOAT4) { return std::sqrt(SquaresYFirst(a.x, a.y, a.z)); }},
        {O::VectorDistance,
         [](XMFLOAT4 a, XMFLOAT4 b) {
             return std::sqrt(SquaresYFirst(a.x - b.x, a.y - b.y, a.z - b.z));
         },
         [](XMFLOAT4 a, XMFLOAT4 b) {
             return std::sqrt(SquaresZFirst(a.x - b.x, a.y - b.y, a.z - b.z));
         }},
        {O::VectorDistanceSquared,
         [](XMFLOAT4 a, XMFLOAT4 b) { return SquaresYFirst(a.x - b.x, a.y - b.y, a.z - b.z); },
         [](XMFLOAT4 a, XMFLOAT4 b) { return SquaresZFirst(a.x - b.x, a.y - b.y, a.z - b.z); }},
    };
    constexpr int kSamples = 2000;
    for (const Reference& r : references) {
        SCOPED_TRACE(static_cast<int>(r.op));
        Kch_Quantifier& q = NewQuantifier(r.op);
        Kch_VectorChannel& childA = AddVector(q, {});
        Kch_VectorChannel& childB = AddVector(q, {});
        int orderMatters = 0;
        for (int i = 0; i < kSamples; ++i) {
            const XMFLOAT4 a = vector(), b = vector();
            childA.SetVector(a);
            childB.SetVector(b);
            const float expected = r.documented(a, b);
            ASSERT_TRUE(SameBits(expected, Evaluate(q))) << "sample " << i;
            if (std::bit_cast<uint32_t>(expected) != std::bit_cast<uint32_t>(r.otherOrder(a, b))) {
                ++orderMatters;
            }
        }
        EXPECT_GT(orderMatters, kSamples / 20) << "the samples hardly tell the orders apart";
    }
}
}  // namespace
