// The engine stand-in behind `globalEngine` (Orn_EngineInterface.h), the frame timer it makes,
// and the scoped replacement of the global engine.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Kch_FloatChannel.h"
#include "Orn_EngineInterface.h"
#include "Orn_Types.h"

// The frame timer: a float channel whose value is the engine's current frame time.
class Kch_FrameTimer : public Kch_FloatChannel {
public:
    explicit Kch_FrameTimer(const float* source);
    ~Kch_FrameTimer() override;
    float GetFloat() override;

    // How many timers exist now; lets a host check that every timer was released.
    static int LiveCount();

private:
    const float* source;
};

// The engine stand-in: a registry of channels by interface GUID and name, a frame time that
// timers report, and a main window.
class OrnEngine : public EngineInterface {
public:
    OrnEngine();
    ~OrnEngine() override;

    OrnWindow GetMainWindow() override { return mainWindow; }
    Orn_Channel* CreateObject(const OrnGuid& classGuid, int arg1, int arg2) override;
    Orn_Channel* FindChannel(const OrnGuid& interfaceGuid, const char* name) override;

    // Registers a channel (not owned) under a GUID and an optional name; a later registration
    // under the same GUID and name replaces the earlier one.
    void RegisterChannel(const OrnGuid& interfaceGuid, const char* name, Orn_Channel* channel);
    void UnregisterChannel(Orn_Channel* channel);
    void SetMainWindow(OrnWindow window) { mainWindow = window; }
    // With a frame time set, CreateObject makes frame timers that report it; without, none.
    void SetFrameTime(std::optional<float> seconds);
    int CreatedObjects() const { return createdObjects; }

private:
    struct Entry {
        OrnGuid guid;
        std::optional<std::string> name;
        Orn_Channel* channel;
    };
    std::vector<Entry> registry;
    OrnWindow mainWindow = nullptr;
    bool hasFrameTime = false;
    std::unique_ptr<float> frameTime;  // timers keep its address
    int createdObjects = 0;
};

// Points `globalEngine` at another engine for the lifetime of this object.
class ScopedGlobalEngine {
public:
    explicit ScopedGlobalEngine(EngineInterface& engine);
    ~ScopedGlobalEngine();
    ScopedGlobalEngine(const ScopedGlobalEngine&) = delete;
    ScopedGlobalEngine& operator=(const ScopedGlobalEngine&) = delete;

private:
    EngineInterface* previous;
};
