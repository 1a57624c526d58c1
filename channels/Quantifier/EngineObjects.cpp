#include "EngineObjects.h"

#include "Orn_Engine.h"
#include "Orn_Guids.h"

void OwnedFrameTimer::Acquire() {
    if (globalEngine == nullptr) return;
    // The frame timer presents a float getter; the engine makes it as a float channel.
    timer.reset(static_cast<Kch_FloatChannel*>(
        globalEngine->CreateObject(orn_guid::kFrameTimerClass, 0, 0)));
}

void CameraRegistration::Find() {
    if (globalEngine == nullptr) return;
    channel = static_cast<Kch_CameraChannel*>(
        globalEngine->FindChannel(orn_guid::kCameraChannel, nullptr));
}

CameraRegistration::~CameraRegistration() {
    if (childIndex != -1 && channel != nullptr) channel->RemoveChild(childIndex);
}
