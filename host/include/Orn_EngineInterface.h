// The engine object plug-ins reach through `globalEngine`: the main window, the object
// factory and the channel lookup, plus the render counter the engine advances once a render.
// Apart from Orn_Engine.h so that the channel base can read the render counter inline.
#pragma once

#include <cstdint>

#include "Orn_Types.h"

class Orn_Channel;

class EngineInterface {
public:
    // The three virtual operations, in the engine's order.
    // The engine's main window; null when it has none.
    virtual OrnWindow GetMainWindow() = 0;
    // A new object of the class with that GUID, owned by the caller and released through its
    // deleting destructor; null when the engine makes no such object.
    virtual Orn_Channel* CreateObject(const OrnGuid& classGuid, int arg1, int arg2) = 0;
    // The channel registered under that interface GUID and name; with a null name, the first
    // registered under the GUID. Null when there is none.
    virtual Orn_Channel* FindChannel(const OrnGuid& interfaceGuid, const char* name) = 0;
    virtual ~EngineInterface();

    // Starts a new render: every channel's CheckRenderCount answers true once again.
    void BeginRender() { ++renderCount; }
    uint64_t GetRenderCount() const { return renderCount; }

    // The engine's accounting of reads: called at every CheckRenderCount with the channel and
    // whether that read evaluates it (the first in the render) or gets the value the render
    // already holds. Null: nobody is told, and a read costs one more test.
    using RenderCheckObserver = void (*)(Orn_Channel* channel, bool evaluates, void* context);
    void SetRenderCheckObserver(RenderCheckObserver observer, void* context) {
        renderCheckObserver = observer;
        renderCheckContext = context;
    }
    bool ObservesRenderChecks() const { return renderCheckObserver != nullptr; }

    // A time stamp different from every stamp this engine handed out before (until 2^32 have
    // been). Each engine numbers its own, as it counts its own renders, so that a host that
    // makes a new engine for each run sees the same stamps in every run.
    uint32_t NextTimeStamp() { return ++lastTimeStamp; }
    // Tells the observer, which must be set, and gives `evaluates` back. Out of line, so that the
    // render check keeps nothing across the call when nobody listens.
    [[gnu::noinline, gnu::cold]] bool ReportRenderCheck(Orn_Channel* channel,
                                                        bool evaluates) const {
        renderCheckObserver(channel, evaluates, renderCheckContext);
        return evaluates;
    }

private:
    uint64_t renderCount = 0;
    // After the render count, whose place readers of this object already rely on.
    RenderCheckObserver renderCheckObserver = nullptr;
    void* renderCheckContext = nullptr;
    uint32_t lastTimeStamp = 0;
};

// The engine every channel uses. Never null while the engine library is loaded: it points at
// the library's own OrnEngine unless a host replaces it (see ScopedGlobalEngine).
// Data the engine library exports; Microsoft-ABI builds import it explicitly (see OrnHost).
#ifndef ORN_ENGINE_DATA
#define ORN_ENGINE_DATA
#endif
extern ORN_ENGINE_DATA EngineInterface* globalEngine;
