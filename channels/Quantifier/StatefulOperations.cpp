// Accumulators, the clamp, toggles, the random seed, the child time stamp and the camera
// invalidation counter: operations whose result depends on earlier evaluations.
#include "Operations.h"

namespace {
// A switch counts as on at 1.0 or more.
bool IsOn(float value) { return value >= 1.0f; }

float Flipped(float state) { return IsOn(state) ? 0.0f : 1.0f; }

float Toggle(Evaluation& eval) {
    Kch_FloatChannel* trigger = eval.FloatChild(0);
    if (trigger != nullptr && IsOn(trigger->GetFloat())) eval.toggleState() = Flipped(eval.toggleState());
    return eval.toggleState();
}
}  // namespace

float EvaluateStatefulOperation(OperationId id, Evaluation& eval) {
    switch (id) {
        case OperationId::Toggle: return Toggle(eval);
        default: return 0.0f;  // not built yet
    }
}
