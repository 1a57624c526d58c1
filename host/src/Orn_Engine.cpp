#include "Orn_Engine.h"

#include <algorithm>

#include "Orn_Guids.h"

namespace {
OrnEngine defaultEngine;
int liveTimers = 0;
}  // namespace

EngineInterface* globalEngine = &defaultEngine;

EngineInterface::~EngineInterface() = default;

Kch_FrameTimer::Kch_FrameTimer(const float* source) : source(source) { ++liveTimers; }
Kch_FrameTimer::~Kch_FrameTimer() { --liveTimers; }
float Kch_FrameTimer::GetFloat() { return source ? *source : 0.0f; }
int Kch_FrameTimer::LiveCount() { return liveTimers; }

OrnEngine::OrnEngine() : frameTime(std::make_unique<float>(0.0f)) {}
OrnEngine::~OrnEngine() = default;

Orn_Channel* OrnEngine::CreateObject(const OrnGuid& classGuid, int, int) {
    if (classGuid != orn_guid::kFrameTimerClass || !hasFrameTime) return nullptr;
    ++createdObjects;
    return new Kch_FrameTimer(frameTime.get());
}

Orn_Channel* OrnEngine::FindChannel(const OrnGuid& interfaceGuid, const char* name) {
    for (const Entry& entry : registry) {
        if (entry.guid != interfaceGuid) continue;
        if (name == nullptr || (entry.name && *entry.name == name)) return entry.channel;
    }
    return nullptr;
}

void OrnEngine::RegisterChannel(const OrnGuid& interfaceGuid, const char* name,
                                Orn_Channel* channel) {
    std::optional<std::string> key;
    if (name != nullptr) key = name;
    for (Entry& entry : registry) {
        if (entry.guid == interfaceGuid && entry.name == key) {
            entry.channel = channel;
            return;
        }
    }
    registry.push_back({interfaceGuid, std::move(key), channel});
}

void OrnEngine::UnregisterChannel(Orn_Channel* channel) {
    std::erase_if(registry, [channel](const Entry& entry) { return entry.channel == channel; });
}

void OrnEngine::SetFrameTime(std::optional<float> value) {
    hasFrameTime = value.has_value();
    *frameTime = value.value_or(0.0f);
}

ScopedGlobalEngine::ScopedGlobalEngine(EngineInterface& engine) : previous(globalEngine) {
    globalEngine = &engine;
}
ScopedGlobalEngine::~ScopedGlobalEngine() { globalEngine = previous; }
