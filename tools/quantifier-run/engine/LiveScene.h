// A scene made real: the engine, its camera, timer, windows and groups, and every channel,
// linked as the scene says. Lives for one run.
#pragma once

#include <memory>
#include <span>
#include <vector>

#include "Kch_CameraChannel.h"
#include "Kch_Quantifier.h"
#include "Orn_ChannelInternal.h"
#include "Orn_Engine.h"
#include "engine/Cell.h"
#include "engine/Plugin.h"
#include "engine/Scene.h"

namespace quantifier_run {

class LiveScene {
public:
    // Builds everything before the first frame. `plugin` must outlive the scene: the channels
    // it made run its code until they are destroyed.
    LiveScene(const Scene& scene, const QuantifierPlugin& plugin);
    // Quantifiers go first: they leave the camera's children and release their timers while
    // the camera, their children and the engine still exist.
    ~LiveScene();
    LiveScene(const LiveScene&) = delete;
    LiveScene& operator=(const LiveScene&) = delete;

    // Starts frame `frame`: a new render, then the frame's timer, camera and channel values.
    void BeginFrame(size_t frame);
    void Apply(const ActionSpec& action);
    // Reads a channel as a parent would; a quantifier evaluates at its first read in a render.
    Cell Read(size_t channel);

    size_t ChannelCount() const { return channels.size(); }
    Orn_Channel& Channel(size_t index) { return *channels[index]; }
    const ChannelSpec& Definition(size_t index) const { return scene.channels[index]; }
    std::span<const ChannelSpec> Definitions() const { return scene.channels; }
    // The group a channel belongs to, or null.
    Orn_ChannelGroup* Group(size_t index) const;

private:
    // Forgets the engine's entries for the channels and destroys them, quantifiers first.
    void Release();
    void CreateChannels(const QuantifierPlugin& plugin);
    void Link();
    void SetValue(size_t index, const Value& value);

    const Scene& scene;
    OrnEngine engine;
    ScopedGlobalEngine engineScope{engine};
    // Window handles are the addresses of these: distinct, stable and never null.
    std::vector<std::unique_ptr<char>> windows;
    std::vector<std::unique_ptr<Orn_ChannelGroup>> groups;
    std::unique_ptr<Kch_CameraChannel> camera;
    std::vector<std::unique_ptr<Orn_Channel>> ownedChannels;  // everything but quantifiers
    std::vector<std::unique_ptr<Kch_Quantifier>> quantifiers;
    std::vector<Orn_Channel*> channels;  // by scene index
};

}  // namespace quantifier_run
