// A small engine set-up for tests: an engine of their own, children owned by the fixture,
// quantifiers made through the plug-in's InitDLL, and renders advanced on demand.
#pragma once

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "Kch_CameraChannel.h"
#include "Kch_MatrixChannel.h"
#include "Kch_ObjectChannel.h"
#include "Kch_Quantifier.h"
#include "Kch_TextChannel.h"
#include "Kch_ValueChannels.h"
#include "Kch_VectorChannel.h"
#include "OperationTable.h"
#include "Orn_ChannelInternal.h"
#include "Orn_Engine.h"

// The float extremes the operation tests feed in.
inline constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
inline constexpr float kInf = std::numeric_limits<float>::infinity();

// The plug-in's entry points, as exported.
extern "C" ChannelType* GetType();
extern "C" Kch_Quantifier* InitDLL();

// Records child lookups (interface, index) of any channel while alive.
class LookupRecorder {
public:
    struct Lookup {
        OrnGuid interfaceGuid;
        int index;
    };
    LookupRecorder();
    ~LookupRecorder();
    const std::vector<Lookup>& Lookups() const { return lookups; }

private:
    static void Observe(const Orn_Channel*, const OrnGuid& guid, int index, void* self);
    std::vector<Lookup> lookups;
};

class QuantifierTest : public ::testing::Test {
protected:
    // A quantifier made by InitDLL with the operation set; owned by the fixture and destroyed
    // before any child or camera of the fixture.
    Kch_Quantifier& NewQuantifier(int operation);
    Kch_Quantifier& NewQuantifier(OperationId operation) {
        return NewQuantifier(static_cast<int>(operation));
    }

    // Children made and owned by the fixture, linked to `parent` in call order.
    Kch_FloatChannel& AddFloat(Orn_Channel& parent, float value);
    Kch_VectorChannel& AddVector(Orn_Channel& parent, XMFLOAT4 value);
    Kch_MatrixChannel& AddMatrix(Orn_Channel& parent, const XMMATRIX& value);
    Kch_TextChannel& AddText(Orn_Channel& parent, const std::string& narrow);
    Kch_TextChannel& AddWideText(Orn_Channel& parent, const std::u16string& wide);
    Kch_TextChannel& AddNoText(Orn_Channel& parent);
    // Takes ownership of any channel and links it to `parent`.
    template <class T>
    T& Adopt(Orn_Channel& parent, std::unique_ptr<T> channel) {
        T& ref = *channel;
        parent.SetChild(&ref, -1, 0);
        owned.push_back(std::move(channel));
        return ref;
    }
    // Takes ownership without linking.
    template <class T>
    T& Keep(std::unique_ptr<T> channel) {
        T& ref = *channel;
        owned.push_back(std::move(channel));
        return ref;
    }

    // A camera registered with the engine; make it before the quantifiers that should see it.
    Kch_CameraChannel& AddCamera(const XMMATRIX& view = IdentityMatrix());

    // Starts a new render and reads the channel's value once in it.
    float Evaluate(Kch_Quantifier& quantifier) {
        engine.BeginRender();
        return quantifier.GetFloat();
    }

    OrnEngine engine;
    ScopedGlobalEngine useEngine{engine};
    std::vector<std::unique_ptr<Orn_Channel>> owned;
    std::vector<std::unique_ptr<Kch_Quantifier>> quantifiers;  // destroyed first
};

// Bit-exact float comparison (distinguishes -0 from +0 and compares NaN payloads).
::testing::AssertionResult SameBits(float expected, float actual);
// As SameBits, but an expected NaN with the default payload, of either sign, accepts any NaN:
// the processor chooses the sign and payload of the NaNs its arithmetic makes. A NaN with a
// payload of its own is still compared bit for bit.
::testing::AssertionResult SameValue(float expected, float actual);
