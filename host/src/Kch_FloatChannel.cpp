#include "Kch_FloatChannel.h"

#include <bit>

#include "Orn_Guids.h"
#include "TypeRecords.h"

Kch_FloatChannel::Kch_FloatChannel() { SetLinkInterface(orn_guid::kFloatInterface); }
Kch_FloatChannel::Kch_FloatChannel(const Kch_FloatChannel& other) = default;
Kch_FloatChannel& Kch_FloatChannel::operator=(const Kch_FloatChannel& other) = default;
Kch_FloatChannel::~Kch_FloatChannel() = default;

const ChannelType* Kch_FloatChannel::GetChannelType() {
    static const ChannelType type = orn_detail::MakeType(
        "Float", OrnGuidOf("{7A1C3F52-0B6E-4D2A-9C41-52E3D8F0A611}"), orn_guid::kFloatInterface);
    return &type;
}

ChannelFeedback* Kch_FloatChannel::GetFeedbackClass() {
    static ChannelFeedback feedback;
    return &feedback;
}

float Kch_FloatChannel::GetFloat() { return currentValue; }
float Kch_FloatChannel::GetOldFloat() { return oldValue; }

void Kch_FloatChannel::SetFloat(float value) {
    // Compared as bits: a NaN that stays NaN is no change, and -0 differs from +0.
    const bool changed = std::bit_cast<uint32_t>(value) != std::bit_cast<uint32_t>(currentValue);
    oldValue = currentValue;
    currentValue = value;
    if (changed) SetTimeStamp();
}

float Kch_FloatChannel::GetDefaultFloat() { return defaultValue; }
void Kch_FloatChannel::SetDefaultFloat(float value) { defaultValue = value; }
bool Kch_FloatChannel::GetDefaultFloatSetting() { return defaultSetting; }
void Kch_FloatChannel::SetDefaultFloatSetting(bool setting) { defaultSetting = setting; }
float Kch_FloatChannel::GetSliderMinValue() { return sliderMin; }
float Kch_FloatChannel::GetSliderMaxValue() { return sliderMax; }
void Kch_FloatChannel::SetSliderMinValue(float value) { sliderMin = value; }
void Kch_FloatChannel::SetSliderMaxValue(float value) { sliderMax = value; }
