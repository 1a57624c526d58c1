// Watches a live scene while its frames run, through the engine's own accounting of reads and
// its lookup reports, and gives what it saw as an Observation.
#pragma once

#include <map>

#include "engine/LiveScene.h"
#include "engine/Observation.h"

namespace quantifier_run {

class SceneObserver {
public:
    // Starts watching `live` (whose engine is the global one) for a run of `frames` frames.
    // `loaded`: a stream was loaded into it, whose stored current values are where its
    // quantifiers start.
    SceneObserver(LiveScene& live, const ObserveRequest& request, size_t frames, bool loaded);
    // Stops being told of reads and lookups.
    ~SceneObserver();
    SceneObserver(const SceneObserver&) = delete;
    SceneObserver& operator=(const SceneObserver&) = delete;

    void BeforeFrame(size_t frame);
    // After the frame's outputs were read: samples the values the frame left.
    void AfterFrame(size_t frame);
    Observation Take() { return std::move(observation); }

private:
    static void OnRenderCheck(Orn_Channel* channel, bool evaluates, void* context);
    static void OnLookup(const Orn_Channel* parent, const OrnGuid& guid, int index, void* context);
    // The channel's value now, read so that nothing is evaluated or counted.
    std::optional<Cell> QuietRead(size_t index);
    void Resolve(size_t parent, ObservedLookup& lookup);

    LiveScene& live;
    ObserveRequest request;
    size_t frames;
    std::map<const Orn_Channel*, size_t> indexOf;
    std::vector<uint32_t> reads, evaluations;
    std::vector<std::optional<float>> lastValue;
    bool counting = true;
    bool watchingLookups = false;
    Observation observation;
};

}  // namespace quantifier_run
