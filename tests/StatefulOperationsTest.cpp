// Operations that keep state between renders: the wrapping and clamped accumulators, the
// clamp, both toggles, the random seed, the child time-stamp follower and the camera
// invalidation counter.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "Orn_Guids.h"
#include "Platform.h"
#include "support/InstrumentedChannel.h"
#include "support/QuantifierTestSupport.h"

namespace {
constexpr float kTwo31 = 2147483648.0f;

std::vector<unsigned> Draws() {
    return {static_cast<unsigned>(std::rand()), static_cast<unsigned>(std::rand()),
            static_cast<unsigned>(std::rand())};
}

std::vector<unsigned> DrawsAfterSeed(unsigned seed) {
    std::srand(seed);
    return Draws();
}

class StatefulOperations : public QuantifierTest {
protected:
    // A float child that answers from a script (the last answer repeats), counting its reads in
    // `reads` and, given a log, noting `id` there at each read to show the order of several.
    Kch_FloatChannel& AddScripted(Orn_Channel& parent, std::vector<float> answers, int& reads,
                                  int id = 0, std::vector<int>* log = nullptr) {
        auto& child = Adopt(parent, std::make_unique<Instrumented<Kch_FloatChannel>>());
        child.hook = [answers = std::move(answers), &reads, id,
                      log](std::string_view call) -> ChannelAnswer {
            if (call != "GetFloat") return {};
            const size_t at = std::min(static_cast<size_t>(reads), answers.size() - 1);
            ++reads;
            if (log != nullptr) log->push_back(id);
            return answers[at];
        };
        return child;
    }
    struct ThreeChildren {
        Kch_Quantifier& q;
        Kch_FloatChannel& c0;
        Kch_FloatChannel& c1;
        Kch_FloatChannel& c2;
    };

    ThreeChildren WithThreeFloats(OperationId op, float a, float b, float c) {
        Kch_Quantifier& q = NewQuantifier(op);
        Kch_FloatChannel& c0 = AddFloat(q, a);
        Kch_FloatChannel& c1 = AddFloat(q, b);
        Kch_FloatChannel& c2 = AddFloat(q, c);
        return {q, c0, c1, c2};
    }

    // Puts `value` into the channel's current value the way a scene would: by running the
    // stateless clamp on three equal children for one render, then going back.
    void StartFrom(ThreeChildren& t, float value) {
        const int op = t.q.GetOperationType();
        const float a = t.c0.GetFloat(), b = t.c1.GetFloat(), c = t.c2.GetFloat();
        t.c0.SetFloat(value);
        t.c1.SetFloat(value);
        t.c2.SetFloat(value);
        t.q.SetOperationType(static_cast<int>(OperationId::Clamp));
        ASSERT_TRUE(SameValue(value, Evaluate(t.q)));
        t.c0.SetFloat(a);
        t.c1.SetFloat(b);
        t.c2.SetFloat(c);
        t.q.SetOperationType(op);
    }
};

TEST_F(StatefulOperations, WrappingAccumulatorsStepAndWrapEachBoundOnce) {
    constexpr auto W = OperationId::WrapAccumulate;
    constexpr auto H = OperationId::WrapAccumulateHalfOpen;
    struct Case {
        std::string name;
        OperationId op;
        float min, max, start;
        std::vector<float> steps;
        std::vector<float> expected;
    };
    const std::vector<Case> cases = {
        {"max itself stays, then wraps", W, 0, 10, 9, {1, 1}, {10, 1}},
        {"half-open: reaching max wraps", H, 0, 10, 9, {1}, {0}},
        {"step equal to the range is not reduced", W, 0, 10, 0, {10}, {10}},
        {"half-open, step equal to the range", H, 0, 10, 0, {10}, {0}},
        {"negative step equal to the range", W, 0, 10, 0, {-10}, {0}},
        {"integer part reduced, fraction kept", W, 0, 10, 0, {25.5f}, {5.5f}},
        {"negative reduction keeps the sign, then wraps at min", W, 0, 10, 0, {-25.5f}, {4.5f}},
        {"remainder takes the sign of the step", W, 0, 10, 3, {-25}, {8}},
        {"fractional range: reduced by its integer part", W, 0, 10.5f, 0, {25}, {5}},
        {"bounds below zero", W, -5, 5, 0, {7, 7}, {-3, 4}},
        {"far above the range wraps only once", W, 0, 10, 100, {1}, {91}},
        {"far below the range wraps only once", W, 0, 10, -100, {1}, {-89}},
        {"small steps walk round", H, 0, 3, 0, {1, 1, 1, 1}, {1, 2, 0, 1}},
        {"closed range runs through max", W, 0, 3, 0, {1, 1, 1, 1}, {1, 2, 3, 1}},
        // Beyond what a 32-bit integer holds, the integer part is still reduced exactly.
        {"largest step below 2^31", W, 0, 7, 0, {2147483520.0f}, {0}},
        {"step 2^31", W, 0, 10, 0, {kTwo31}, {8}},
        {"step -2^31", W, 0, 10, 0, {-kTwo31}, {2}},
        {"step 1e10", W, 0, 7, 0, {1e10f}, {4}},
        {"step FLT_MAX", W, 0, 11, 0, {FLT_MAX}, {9}},
        {"step -FLT_MAX", W, 0, 11, 0, {-FLT_MAX}, {2}},
        {"range beyond 2^31", W, 0, 3e9f, 0, {7e9f}, {1e9f}},
        // From -0, only a +0 step gives +0.
        {"exact multiple gives +0, not -0", W, 0, 10, -0.0f, {-20}, {0}},
        {"exact multiple beyond 2^31 gives +0 too", W, 0, 8, -0.0f, {-4294967296.0f}, {0}},
        // A range below 1 has no integer modulus: the step is added unreduced.
        {"range below 1", W, 0, 0.5f, 0, {3.25f}, {2.75f}},
        {"range below 1, step beyond 2^31", W, 0, 0.5f, 0, {-kTwo31}, {-kTwo31 + 0.5f}},
        {"infinite step is not reduced", W, 0, 10, 0, {kInf}, {kInf}},
        {"negative infinite step", W, 0, 10, 0, {-kInf}, {-kInf}},
        {"NaN step", W, 0, 10, 0, {kNaN, 1}, {kNaN, kNaN}},
        {"NaN min: never wraps at min", W, kNaN, 10, 9, {-20, -20}, {-11, -31}},
        {"NaN min poisons the upper wrap", W, kNaN, 10, 9, {5}, {kNaN}},
        {"NaN max: never wraps at max", H, 0, kNaN, 9, {1, 5}, {10, 15}},
        {"NaN max poisons the lower wrap", W, 0, kNaN, 0, {-1}, {kNaN}},
        {"infinite max", W, 0, kInf, 0, {5, 1e30f}, {5, 1e30f}},
        {"range overflowing to infinity", W, -FLT_MAX, FLT_MAX, 0, {FLT_MAX}, {FLT_MAX}},
        {"both bounds infinite", W, -kInf, kInf, 0, {1}, {1}},
        {"both bounds +inf: NaN range", W, kInf, kInf, 0, {1}, {kNaN}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ThreeChildren t = WithThreeFloats(c.op, c.min, c.max, 0.0f);
        StartFrom(t, c.start);
        for (size_t i = 0; i < c.steps.size(); ++i) {
            SCOPED_TRACE("evaluation " + std::to_string(i));
            t.c2.SetFloat(c.steps[i]);
            EXPECT_TRUE(SameValue(c.expected[i], Evaluate(t.q)));
            // Stored as the accumulator: a second request in the render sees the same value.
            EXPECT_TRUE(SameValue(c.expected[i], t.q.GetFloat()));
        }
    }
}

TEST_F(StatefulOperations, EmptyRangeGivesZeroWithoutReadingTheStep) {
    struct Case {
        std::string name;
        OperationId op;
        float min, max;
    };
    const std::vector<Case> cases = {
        {"min equals max", OperationId::WrapAccumulate, 4, 4},
        {"min above max", OperationId::WrapAccumulate, 5, 1},
        {"half-open, min equals max", OperationId::WrapAccumulateHalfOpen, 4, 4},
        {"half-open, min above max", OperationId::WrapAccumulateHalfOpen, 0, -kInf},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Kch_Quantifier& q = NewQuantifier(c.op);
        Kch_FloatChannel& min = AddFloat(q, 0.0f);
        Kch_FloatChannel& max = AddFloat(q, 10.0f);
        int stepReads = 0;
        AddScripted(q, {3.0f}, stepReads);
        EXPECT_EQ(Evaluate(q), 3.0f);
        EXPECT_EQ(Evaluate(q), 6.0f);
        min.SetFloat(c.min);
        max.SetFloat(c.max);
        const int readsBefore = stepReads;
        EXPECT_TRUE(SameBits(0.0f, Evaluate(q)));
        EXPECT_EQ(stepReads, readsBefore);
        // Once the range opens again the accumulator starts over from zero.
        min.SetFloat(0.0f);
        max.SetFloat(10.0f);
        EXPECT_EQ(Evaluate(q), 3.0f);
    }
}

TEST_F(StatefulOperations, ThreeChildOperationsLookUpAllChildrenBeforeReadingAny) {
    const OperationId ops[] = {OperationId::WrapAccumulate, OperationId::WrapAccumulateHalfOpen,
                               OperationId::ClampAccumulate, OperationId::Clamp};
    for (OperationId op : ops) {
        for (int present = 0; present <= 3; ++present) {
            SCOPED_TRACE(std::string(FindOperation(static_cast<int>(op))->name) + " with " +
                         std::to_string(present) + " children");
            Kch_Quantifier& q = NewQuantifier(op);
            std::vector<int> readOrder;
            int reads[3] = {};
            const float values[] = {-1.0f, 10.0f, 2.0f};
            for (int i = 0; i < present; ++i) {
                AddScripted(q, {values[i]}, reads[i], i, &readOrder);
            }
            const float result = Evaluate(q);
            if (present < 3) {
                EXPECT_TRUE(SameBits(0.0f, result));
                EXPECT_TRUE(readOrder.empty());
            } else {
                EXPECT_EQ(readOrder, (std::vector<int>{0, 1, 2}));
                EXPECT_NE(result, 0.0f);
            }
        }
    }
}

TEST_F(StatefulOperations, ClampedAccumulatorAppliesUpperThenLower) {
    struct Case {
        std::string name;
        float lower, upper, start;
        std::vector<float> steps;
        std::vector<float> expected;
    };
    const std::vector<Case> cases = {
        {"climbs to upper and stays", 0, 1, 0, {0.4f, 0.4f, 0.4f, 0.4f}, {0.4f, 0.8f, 1, 1}},
        {"descends to lower and stays", -1, 1, 0, {-0.75f, -0.75f, 0.5f}, {-0.75f, -1, -0.5f}},
        {"crossed bounds: lower wins", 5, 1, 0, {0, 100}, {5, 5}},
        {"starts above upper", 0, 1, 50, {0}, {1}},
        {"infinite step meets upper", 0, 1, 0, {kInf, -kInf}, {1, 0}},
        {"NaN upper clamps only below", 0, kNaN, 0, {3, -9}, {3, 0}},
        {"NaN lower clamps only above", kNaN, 2, 0, {3, -9}, {2, -7}},
        // A NaN accumulator stays NaN: no comparison with it is ever true.
        {"NaN step sticks", 0, 1, 0, {kNaN, 0.5f}, {kNaN, kNaN}},
        {"FLT_MAX steps overflow to infinity", -kInf, kInf, 0, {FLT_MAX, FLT_MAX}, {FLT_MAX, kInf}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ThreeChildren t = WithThreeFloats(OperationId::ClampAccumulate, c.lower, c.upper, 0.0f);
        StartFrom(t, c.start);
        for (size_t i = 0; i < c.steps.size(); ++i) {
            SCOPED_TRACE("evaluation " + std::to_string(i));
            t.c2.SetFloat(c.steps[i]);
            EXPECT_TRUE(SameValue(c.expected[i], Evaluate(t.q)));
        }
    }
}

TEST_F(StatefulOperations, ClampLetsChildZeroWinAndKeepsNoState) {
    struct Case {
        float a, b, c, expected;
    };
    const Case cases[] = {
        {2, 5, 3, 3},           {4, 5, 3, 4},
        {2, 3, 5, 3},           {9, 1, 2, 9},
        {-kInf, kInf, 7, 7},    {kInf, 1, 2, kInf},
        {kNaN, 5, 3, 3},     // a NaN child 0 never wins
        {2, kNaN, 3, 3},     // NaN < 3 is false: child 2 taken
        {2, 3, kNaN, kNaN},  // 3 < NaN is false: NaN taken, and 2 > NaN is false
        {-0.0f, 0.0f, 1, 0.0f}, {0.0f, -0.0f, 1, -0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.a << ", " << c.b << ", " << c.c);
        ThreeChildren t = WithThreeFloats(OperationId::Clamp, c.a, c.b, c.c);
        EXPECT_TRUE(SameValue(c.expected, Evaluate(t.q)));
        EXPECT_TRUE(SameValue(c.expected, Evaluate(t.q))) << "no state carried over";
    }
}

TEST_F(StatefulOperations, AccumulatorsPickUpWhatAnotherOperationLeft) {
    ThreeChildren t = WithThreeFloats(OperationId::WrapAccumulate, 0, 10, 3);
    EXPECT_EQ(Evaluate(t.q), 3.0f);
    EXPECT_EQ(Evaluate(t.q), 6.0f);
    t.q.SetOperationType(static_cast<int>(OperationId::ClampAccumulate));
    EXPECT_EQ(Evaluate(t.q), 9.0f);
    EXPECT_EQ(Evaluate(t.q), 10.0f);
    t.q.SetOperationType(static_cast<int>(OperationId::WrapAccumulateHalfOpen));
    EXPECT_EQ(Evaluate(t.q), 3.0f);
    // The toggle's result replaces the accumulator.
    t.q.SetOperationType(static_cast<int>(OperationId::Toggle));
    EXPECT_EQ(Evaluate(t.q), 0.0f);  // trigger (child 0) is 0
    t.q.SetOperationType(static_cast<int>(OperationId::WrapAccumulate));
    EXPECT_EQ(Evaluate(t.q), 3.0f);
}

TEST_F(StatefulOperations, TogglesFlipOnTheirTriggers) {
    struct Case {
        std::string name;
        OperationId op;
        std::vector<float> triggers;
        std::vector<float> expected;
    };
    const std::vector<Case> cases = {
        {"held trigger flips every render", OperationId::Toggle, {1, 1, 1}, {1, 0, 1}},
        {"just below 1 is off", OperationId::Toggle, {0.99f, 0.99f}, {0, 0}},
        {"NaN is off", OperationId::Toggle, {kNaN, 1}, {0, 1}},
        {"large and infinite are on", OperationId::Toggle, {FLT_MAX, kInf, -kInf}, {1, 0, 0}},
        {"rising edges only", OperationId::ToggleOnRise, {0, 1, 1, 0, 1}, {0, 1, 1, 1, 0}},
        {"on at the first evaluation flips", OperationId::ToggleOnRise, {1, 1}, {1, 1}},
        {"rise above 1", OperationId::ToggleOnRise, {0.5f, 2, 0.99f, kInf}, {0, 1, 1, 0}},
        // previousInput NaN is not below 1, so the rise right after a NaN is missed.
        {"NaN hides the next rise", OperationId::ToggleOnRise, {kNaN, 1, 0, 1}, {0, 0, 0, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Kch_Quantifier& q = NewQuantifier(c.op);
        Kch_FloatChannel& trigger = AddFloat(q, 0.0f);
        for (size_t i = 0; i < c.triggers.size(); ++i) {
            SCOPED_TRACE("evaluation " + std::to_string(i));
            trigger.SetFloat(c.triggers[i]);
            EXPECT_TRUE(SameBits(c.expected[i], Evaluate(q)));
        }
    }
}

TEST_F(StatefulOperations, TogglesWithoutTriggerReturnTheStateUnchanged) {
    for (OperationId op : {OperationId::Toggle, OperationId::ToggleOnRise}) {
        SCOPED_TRACE(static_cast<int>(op));
        Kch_Quantifier& q = NewQuantifier(OperationId::Toggle);
        q.CallChannel();
        q.SetOperationType(static_cast<int>(op));
        AddVector(q, {1, 1, 1, 1});  // not a float child
        EXPECT_EQ(Evaluate(q), 1.0f);
        EXPECT_EQ(Evaluate(q), 1.0f);
    }
}

TEST_F(StatefulOperations, RisingToggleReadsTheTriggerAgainForItsMemory) {
    Kch_Quantifier& q = NewQuantifier(OperationId::ToggleOnRise);
    // Each evaluation reads twice: the test value, then the remembered one.
    int triggerReads = 0;
    AddScripted(q, {1, 0, 1, 1, 1, 1}, triggerReads);
    EXPECT_EQ(Evaluate(q), 1.0f);
    EXPECT_EQ(triggerReads, 2);
    // The second read gave 0, so 1 counts as a rise again.
    EXPECT_EQ(Evaluate(q), 0.0f);
    EXPECT_EQ(triggerReads, 4);
    // Now the second read gave 1: no rise.
    EXPECT_EQ(Evaluate(q), 0.0f);
    EXPECT_EQ(triggerReads, 6);
}

TEST_F(StatefulOperations, CallChannelFlipsTheToggleBehindTheCachedValue) {
    struct Case {
        std::string name;
        float trigger;
        float beforeFlip, cachedAfterFlip, nextRender;
    };
    const Case cases[] = {
        {"trigger off", 0.0f, 0.0f, 0.0f, 1.0f},
        // The held trigger flips the flipped state back on at the next evaluation.
        {"trigger held", 1.0f, 1.0f, 1.0f, 1.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Kch_Quantifier& q = NewQuantifier(OperationId::Toggle);
        int triggerReads = 0;
        AddScripted(q, {c.trigger}, triggerReads);
        EXPECT_EQ(Evaluate(q), c.beforeFlip);
        const int reads = triggerReads;
        q.CallChannel();
        EXPECT_EQ(triggerReads, reads) << "the flip evaluates nothing";
        EXPECT_EQ(q.GetFloat(), c.cachedAfterFlip);
        engine.BeginRender();
        q.CallChannel();  // flips again, still without evaluating
        q.CallChannel();
        EXPECT_EQ(triggerReads, reads);
        EXPECT_EQ(q.GetFloat(), c.nextRender);
    }
}

TEST_F(StatefulOperations, SeedRandomSeedsTheLow32BitsOfTheTruncatedSeed) {
    struct Case {
        float seed;
        unsigned expected;
    };
    const Case cases[] = {
        {0.0f, 0u},
        {3.9f, 3u},
        {-1.5f, 4294967295u},
        {-0.9f, 0u},
        {kTwo31, 2147483648u},
        {-kTwo31, 2147483648u},
        {4294967808.0f, 512u},  // 2^32 + 512
        {1e10f, 1410065408u},
        {-1e10f, 2884901888u},
        // Beyond 64 bits, infinite or NaN: seed 0, the low part of any float that large.
        {9223372036854775808.0f, 0u},
        {-9223372036854775808.0f, 0u},
        {FLT_MAX, 0u},
        {-FLT_MAX, 0u},
        {kInf, 0u},
        {-kInf, 0u},
        {kNaN, 0u},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "seed " << c.seed);
        Kch_Quantifier& q = NewQuantifier(OperationId::SeedRandom);
        AddFloat(q, c.seed);
        std::srand(12345u);  // something else first, so a missing call shows
        EXPECT_TRUE(SameBits(0.0f, Evaluate(q)));
        // Drawn before the reference: the comparison must not reseed in between.
        const std::vector<unsigned> first = Draws();
        EXPECT_EQ(first, DrawsAfterSeed(c.expected));
        // Seeded anew at every render: the sequence restarts.
        EXPECT_TRUE(SameBits(0.0f, Evaluate(q)));
        const std::vector<unsigned> again = Draws();
        EXPECT_EQ(again, first);
        // A second request in the render is cached and does not seed.
        std::srand(12345u);
        q.GetFloat();
        const std::vector<unsigned> cached = Draws();
        EXPECT_EQ(cached, DrawsAfterSeed(12345u));
    }
}

TEST_F(StatefulOperations, SeedRandomWithoutChildSeedsTheTickCount) {
    Kch_Quantifier& q = NewQuantifier(OperationId::SeedRandom);
    AddVector(q, {5, 5, 5, 5});  // not a float child
    std::srand(12345u);
    const uint32_t before = platform::GetTickCount();
    EXPECT_TRUE(SameBits(0.0f, Evaluate(q)));
    const uint32_t after = platform::GetTickCount();
    const std::vector<unsigned> drawn = Draws();
    bool found = false;
    for (uint32_t tick = before; !found; ++tick) {
        found = DrawsAfterSeed(tick) == drawn;
        if (tick == after) break;
    }
    EXPECT_TRUE(found) << "no tick count between " << before << " and " << after;
}

TEST_F(StatefulOperations, ChildTimeStampFollowsTheFirstChildOfAnyKind) {
    Kch_Quantifier& q = NewQuantifier(OperationId::ChildTimeStamp);
    // A child of no particular kind whose time stamp the test chooses.
    uint32_t childStamp = 0;
    auto& child = Adopt(q, std::make_unique<Instrumented<Orn_Channel>>());
    child.hook = [&childStamp](std::string_view call) -> ChannelAnswer {
        if (call != "GetTimeStamp") return {};
        return childStamp;
    };
    AddFloat(q, 1.0f);  // later children are not looked at

    struct Step {
        uint32_t childStamp;
        bool ownStampRenewed;
        float expected;
    };
    const Step steps[] = {
        {3, true, 3.0f},
        {7, true, 7.0f},  // a new stamp: renewed once
        {7, false, 7.0f},
        {2, true, 2.0f},                     // compared for equality, not order
        {0xFFFFFFFFu, true, 4294967296.0f},  // as an unsigned value
        {0x80000000u, true, 2147483648.0f},
        {0x80000000u, false, 2147483648.0f},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.childStamp);
        childStamp = s.childStamp;
        const uint32_t ownBefore = q.GetTimeStamp();
        EXPECT_TRUE(SameBits(s.expected, Evaluate(q)));
        EXPECT_EQ(q.GetTimeStamp() != ownBefore, s.ownStampRenewed);
    }
}

TEST_F(StatefulOperations, ChildTimeStampWithoutChildKeepsTheCurrentValue) {
    Kch_Quantifier& q = NewQuantifier(OperationId::Toggle);
    q.CallChannel();
    EXPECT_EQ(Evaluate(q), 1.0f);
    q.SetOperationType(static_cast<int>(OperationId::ChildTimeStamp));
    const uint32_t own = q.GetTimeStamp();
    EXPECT_EQ(Evaluate(q), 1.0f);
    EXPECT_EQ(q.GetTimeStamp(), own);
}

TEST_F(StatefulOperations, CameraInvalidateCountRegistersOnceAndLeavesOnDestruction) {
    Kch_CameraChannel& camera = AddCamera();
    AddFloat(camera, 1.0f);  // an entry of someone else
    Kch_Quantifier& q = NewQuantifier(OperationId::CameraInvalidateCount);
    EXPECT_EQ(camera.GetChildCount(), 1) << "construction does not register";

    EXPECT_TRUE(SameBits(0.0f, Evaluate(q)));
    ASSERT_EQ(camera.GetChildCount(), 2);
    EXPECT_EQ(camera.GetChild(1), &q);
    EXPECT_EQ(Evaluate(q), 0.0f);
    for (int i = 0; i < 3; ++i)
        q.IncreaseInvalidateCount();
    EXPECT_EQ(Evaluate(q), 3.0f);
    q.SetOperationType(static_cast<int>(OperationId::Clamp));
    Evaluate(q);
    q.IncreaseInvalidateCount();  // counted whatever the operation
    q.SetOperationType(static_cast<int>(OperationId::CameraInvalidateCount));
    EXPECT_EQ(Evaluate(q), 4.0f);
    EXPECT_EQ(camera.GetChildCount(), 2);

    // A second channel has its own entry; each destructor removes only its own.
    Kch_Quantifier* second = InitDLL();
    second->SetOperationType(static_cast<int>(OperationId::CameraInvalidateCount));
    Evaluate(*second);
    ASSERT_EQ(camera.GetChildCount(), 3);
    EXPECT_EQ(camera.GetChild(2), second);
    quantifiers.clear();  // destroys q
    ASSERT_EQ(camera.GetChildCount(), 2);
    EXPECT_EQ(camera.GetChild(1), second);
    delete second;
    EXPECT_EQ(camera.GetChildCount(), 1);
}

TEST_F(StatefulOperations, CameraInvalidateCountEdgeCases) {
    {
        SCOPED_TRACE("counted before the first evaluation: no registration");
        Kch_CameraChannel& camera = AddCamera();
        Kch_Quantifier& q = NewQuantifier(OperationId::CameraInvalidateCount);
        q.IncreaseInvalidateCount();
        q.IncreaseInvalidateCount();
        EXPECT_EQ(Evaluate(q), 1.0f);
        EXPECT_EQ(camera.GetChildCount(), 0);
    }
    {
        SCOPED_TRACE("no camera: counts from 0 all the same");
        OrnEngine bare;  // an engine without a camera
        ScopedGlobalEngine use{bare};
        std::unique_ptr<Kch_Quantifier> q(InitDLL());
        q->SetOperationType(static_cast<int>(OperationId::CameraInvalidateCount));
        bare.BeginRender();
        EXPECT_TRUE(SameBits(0.0f, q->GetFloat()));
        q->IncreaseInvalidateCount();
        bare.BeginRender();
        EXPECT_EQ(q->GetFloat(), 1.0f);
    }
    {
        SCOPED_TRACE("a copy registers on its own");
        Kch_CameraChannel& camera = AddCamera();
        Kch_Quantifier& q = NewQuantifier(OperationId::CameraInvalidateCount);
        const int before = camera.GetChildCount();
        Evaluate(q);
        auto copy = std::make_unique<Kch_Quantifier>(q);
        Evaluate(*copy);
        EXPECT_EQ(camera.GetChildCount(), before + 2);
        copy.reset();
        EXPECT_EQ(camera.GetChildCount(), before + 1);
        EXPECT_EQ(camera.GetChild(before), &q);
    }
}
}  // namespace
