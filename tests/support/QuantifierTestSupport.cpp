#include "support/QuantifierTestSupport.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "Orn_Guids.h"

LookupRecorder::LookupRecorder() {
    OrnSetLookupObserver(&LookupRecorder::Observe, this);
}
LookupRecorder::~LookupRecorder() {
    OrnSetLookupObserver(nullptr, nullptr);
}

void LookupRecorder::Observe(const Orn_Channel*, const OrnGuid& guid, int index, void* self) {
    static_cast<LookupRecorder*>(self)->lookups.push_back({guid, index});
}

Kch_Quantifier& QuantifierTest::NewQuantifier(int operation) {
    quantifiers.emplace_back(InitDLL());
    quantifiers.back()->SetOperationType(operation);
    return *quantifiers.back();
}

Kch_FloatChannel& QuantifierTest::AddFloat(Orn_Channel& parent, float value) {
    auto channel = std::make_unique<Kch_FloatChannel>();
    channel->SetFloat(value);
    return Adopt(parent, std::move(channel));
}

Kch_VectorChannel& QuantifierTest::AddVector(Orn_Channel& parent, XMFLOAT4 value) {
    return Adopt(parent, std::make_unique<Kch_VectorChannel>(value));
}

Kch_MatrixChannel& QuantifierTest::AddMatrix(Orn_Channel& parent, const XMMATRIX& value) {
    return Adopt(parent, std::make_unique<Kch_MatrixChannel>(value));
}

Kch_TextChannel& QuantifierTest::AddText(Orn_Channel& parent, const std::string& narrow) {
    auto channel = std::make_unique<Kch_TextChannel>();
    channel->SetNarrowText(narrow);
    return Adopt(parent, std::move(channel));
}

Kch_TextChannel& QuantifierTest::AddWideText(Orn_Channel& parent, const std::u16string& wide) {
    auto channel = std::make_unique<Kch_TextChannel>();
    channel->SetWideText(wide);
    return Adopt(parent, std::move(channel));
}

Kch_TextChannel& QuantifierTest::AddNoText(Orn_Channel& parent) {
    return Adopt(parent, std::make_unique<Kch_TextChannel>());
}

Kch_CameraChannel& QuantifierTest::AddCamera(const XMMATRIX& view) {
    auto camera = std::make_unique<Kch_CameraChannel>();
    camera->SetViewMatrix(view);
    engine.RegisterChannel(orn_guid::kCameraChannel, nullptr, camera.get());
    return Keep(std::move(camera));
}

::testing::AssertionResult SameBits(float expected, float actual) {
    if (std::bit_cast<uint32_t>(expected) == std::bit_cast<uint32_t>(actual)) {
        return ::testing::AssertionSuccess();
    }
    char text[128];
    std::snprintf(text, sizeof text, "expected %.9g (0x%08X), got %.9g (0x%08X)", expected,
                  std::bit_cast<uint32_t>(expected), actual, std::bit_cast<uint32_t>(actual));
    return ::testing::AssertionFailure() << text;
}

::testing::AssertionResult SameValue(float expected, float actual) {
    constexpr uint32_t kDefaultNaN = 0x7FC00000u;
    if ((std::bit_cast<uint32_t>(expected) & 0x7FFFFFFFu) == kDefaultNaN && std::isnan(actual)) {
        return ::testing::AssertionSuccess();
    }
    return SameBits(expected, actual);
}
