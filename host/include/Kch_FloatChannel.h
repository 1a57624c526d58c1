// The float channel: a channel whose value is one 32-bit float.
#pragma once

#include "Orn_Channel.h"

class Kch_FloatChannel : public Orn_Channel {
public:
    Kch_FloatChannel();
    Kch_FloatChannel(const Kch_FloatChannel& other);
    Kch_FloatChannel& operator=(const Kch_FloatChannel& other);
    ~Kch_FloatChannel() override;

    const ChannelType* GetChannelType() override;
    ChannelFeedback* GetFeedbackClass() override;

    // The 11 virtual operations the float channel adds, in the engine's order.
    // The current value.
    virtual float GetFloat();
    // The value before the last SetFloat.
    virtual float GetOldFloat();
    // Stores the value; the time stamp is renewed when the stored bits change.
    virtual void SetFloat(float value);
    virtual float GetDefaultFloat();
    virtual void SetDefaultFloat(float value);
    virtual bool GetDefaultFloatSetting();
    virtual void SetDefaultFloatSetting(bool setting);
    virtual float GetSliderMinValue();
    virtual float GetSliderMaxValue();
    virtual void SetSliderMinValue(float value);
    virtual void SetSliderMaxValue(float value);

protected:
    float currentValue = 0.0f;

private:
    float oldValue = 0.0f;
    float defaultValue = 0.0f;
    bool defaultSetting = false;
    float sliderMin = 0.0f;
    float sliderMax = 1.0f;
};
