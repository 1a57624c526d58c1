// The two engine objects a quantifier holds, each with the copy rules its ownership needs, so
// that the channel's own copy operations can be the member-by-member defaults.
#pragma once

#include <cstdint>
#include <memory>

#include "Kch_CameraChannel.h"
#include "Kch_FloatChannel.h"

// The frame timer the channel owns. A copy asks the engine for a timer of its own; an
// assignment keeps the target's. Empty until Acquire, and whenever the engine makes none.
class OwnedFrameTimer {
public:
    OwnedFrameTimer() = default;
    OwnedFrameTimer(const OwnedFrameTimer&) { Acquire(); }
    OwnedFrameTimer& operator=(const OwnedFrameTimer&) { return *this; }
    ~OwnedFrameTimer() = default;

    // A new timer from the global engine, or none without an engine.
    void Acquire();
    // Releases the timer through its deleting destructor.
    void Release() { timer.reset(); }
    Kch_FloatChannel* get() const { return timer.get(); }

private:
    std::unique_ptr<Kch_FloatChannel> timer;
};

// The engine's camera and the channel's entry among its children, with the invalidation count
// that entry serves. The entry belongs to the object that made it: a copy starts unregistered
// with no count, and an assignment keeps the target's entry and count (and, once registered,
// the camera it registered with).
class CameraRegistration {
public:
    CameraRegistration() = default;
    CameraRegistration(const CameraRegistration& other) : channel(other.channel) {}
    CameraRegistration& operator=(const CameraRegistration& other) {
        if (childIndex == -1) channel = other.channel;
        return *this;
    }
    // Leaves the camera's children if it joined them.
    ~CameraRegistration();

    // The engine's camera channel, or null when the engine has none.
    void Find();

    Kch_CameraChannel* channel = nullptr;  // not owned
    int32_t invalidateCount = -1;
    int32_t childIndex = -1;  // the handle SetChild gave, or -1
};
