// Accumulators, the clamp, toggles, the random seed, the child time stamp and the camera
// invalidation counter: operations whose result depends on earlier evaluations.
//
// Comparisons are written so that a NaN operand makes them false and takes the false
// branch; do not turn `a <= b` into `!(a > b)` or the like.
#include <cmath>
#include <cstdlib>

#include "Conversions.h"
#include "Operations.h"
#include "Platform.h"
#include "StepReduction.h"

namespace {
// A switch counts as on at 1.0 or more.
bool IsOn(float value) {
    return value >= 1.0f;
}

float Flipped(float state) {
    return IsOn(state) ? 0.0f : 1.0f;
}

enum class UpperWrap { AboveMax, AtOrAboveMax };

// Every intermediate goes to the current value as well: it is the accumulator. The wrap is a
// template argument so that each operation gets its own copy, inlined, with no test of it.
template <UpperWrap upper>
float WrapAccumulateWith(Evaluation eval) {
    Kch_FloatChannel* minChild = eval.FloatChild(0);
    Kch_FloatChannel* maxChild = eval.FloatChild(1);
    Kch_FloatChannel* stepChild = eval.FloatChild(2);
    if (minChild == nullptr || maxChild == nullptr || stepChild == nullptr) return 0.0f;
    const float min = minChild->GetFloat();
    const float max = maxChild->GetFloat();
    const float range = max - min;
    // A NaN range is not empty: accumulation goes on without wrapping.
    if (range <= 0.0f) return 0.0f;
    float step = stepChild->GetFloat();
    if (std::fabs(step) > range) step = ReduceStep(step, range);

    float& accumulator = eval.currentValue();
    float v = accumulator + step;
    accumulator = v;
    bool wrapsUp;
    if constexpr (upper == UpperWrap::AboveMax) {
        wrapsUp = v > max;
    } else {
        wrapsUp = v >= max;
    }
    if (wrapsUp) {
        v = (v - max) + min;
        accumulator = v;
    }
    // Tested on what the upper wrap left; each bound wraps at most once per evaluation.
    if (v < min) {
        v = (v - min) + max;
        accumulator = v;
    }
    return v;
}
}  // namespace

float operations::WrapAccumulate(Evaluation eval) {
    return WrapAccumulateWith<UpperWrap::AboveMax>(eval);
}
float operations::WrapAccumulateHalfOpen(Evaluation eval) {
    return WrapAccumulateWith<UpperWrap::AtOrAboveMax>(eval);
}

float operations::ClampAccumulate(Evaluation eval) {
    Kch_FloatChannel* lowerChild = eval.FloatChild(0);
    Kch_FloatChannel* upperChild = eval.FloatChild(1);
    Kch_FloatChannel* stepChild = eval.FloatChild(2);
    if (lowerChild == nullptr || upperChild == nullptr || stepChild == nullptr) return 0.0f;
    const float lower = lowerChild->GetFloat();
    const float upper = upperChild->GetFloat();
    const float step = stepChild->GetFloat();

    float& accumulator = eval.currentValue();
    float v = accumulator + step;
    accumulator = v;
    if (v > upper) {
        v = upper;
        accumulator = v;
    }
    // The lower bound is applied last, so it wins when the bounds are crossed.
    if (v < lower) {
        v = lower;
        accumulator = v;
    }
    return v;
}

float operations::Clamp(Evaluation eval) {
    Kch_FloatChannel* child0 = eval.FloatChild(0);
    Kch_FloatChannel* child1 = eval.FloatChild(1);
    Kch_FloatChannel* child2 = eval.FloatChild(2);
    if (child0 == nullptr || child1 == nullptr || child2 == nullptr) return 0.0f;
    const float a = child0->GetFloat();
    const float b = child1->GetFloat();
    const float c = child2->GetFloat();
    const float m = b < c ? b : c;
    return a > m ? a : m;
}

// No edge detection: a held trigger flips the state at every evaluation.
float operations::Toggle(Evaluation eval) {
    Kch_FloatChannel* trigger = eval.FloatChild(0);
    if (trigger != nullptr && IsOn(trigger->GetFloat()))
        eval.toggleState() = Flipped(eval.toggleState());
    return eval.toggleState();
}

// A call to a toggling channel is the button the state stands for: it flips without reading
// the trigger, and nothing is evaluated.
bool operations::AnswerCall(Evaluation eval) {
    if (eval.operationType() != static_cast<int32_t>(OperationId::Toggle)) return false;
    eval.toggleState() = Flipped(eval.toggleState());
    return true;
}

float operations::ToggleOnRise(Evaluation eval) {
    Kch_FloatChannel* trigger = eval.FloatChild(0);
    if (trigger == nullptr) return eval.toggleState();
    const float t = trigger->GetFloat();
    // The trigger is read again rather than reusing t: the read is visible to the child. Both
    // reads come before any change, so a read that throws leaves the state as it was.
    const float again = trigger->GetFloat();
    if (IsOn(t) && eval.previousInput() < 1.0f) eval.toggleState() = Flipped(eval.toggleState());
    eval.previousInput() = again;
    return eval.toggleState();
}

float operations::SeedRandom(Evaluation eval) {
    Kch_FloatChannel* seedChild = eval.FloatChild(0);
    uint32_t seed;
    if (seedChild != nullptr) {
        // Through 64 bits so that negative seeds wrap (-1 gives 0xFFFFFFFF). NaN, infinities
        // and magnitudes from 2^63 on give INT64_MIN and so seed 0; every finite float that
        // large is a multiple of 2^32, so 0 is also the low part of its exact value.
        seed = static_cast<uint32_t>(TruncateToInt64(seedChild->GetFloat()));
    } else {
        seed = platform::GetTickCount();
    }
    std::srand(seed);
    return 0.0f;
}

float operations::ChildTimeStamp(Evaluation eval) {
    Orn_Channel* child = eval.self.GetChild(0);
    if (child == nullptr) return eval.currentValue();
    const uint32_t stamp = child->GetTimeStamp();
    // Stamps are only ever compared for equality; they carry no order.
    if (stamp != eval.stampA()) {
        eval.self.SetTimeStamp();
        eval.stampA() = stamp;
        eval.currentValue() = static_cast<float>(stamp);
    }
    return eval.currentValue();
}

float operations::CameraInvalidateCount(Evaluation eval) {
    int32_t& count = eval.invalidateCount();
    if (count == -1) {
        // The entry is made once per object: a count that wrapped all the way round to -1
        // must not add a second entry, which the destructor would leave behind dangling.
        // Without a camera there is nothing to join; the count starts all the same.
        Kch_CameraChannel* camera = eval.cameraChannel();
        if (camera != nullptr && eval.cameraChildIndex() == -1) {
            eval.cameraChildIndex() = camera->SetChild(&eval.self, -1, -1);
        }
        count = 0;
    }
    return static_cast<float>(count);
}
