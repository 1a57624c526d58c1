// What the benchmarks share: the plug-in, loaded as the engine loads it (by file name, entered
// through GetType and InitDLL, never linked), and the comparisons the summary reports at the end
// of a run: a measured benchmark beside the baseline it is divided by, or a rate.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "DynamicLibrary.h"
#include "Kch_CameraChannel.h"
#include "Kch_Quantifier.h"
#include "OperationTable.h"
#include "Orn_Engine.h"

namespace bench {

// The plug-in for the lifetime of this object. Every channel made through it must be destroyed
// before it: closing the library unloads the channel's code.
class Plugin {
public:
    Plugin();
    bool IsOpen() const { return initDll != nullptr; }
    const std::string& Error() const { return error; }
    // A new channel from InitDLL with the operation set; null when the plug-in is not open.
    std::unique_ptr<Kch_Quantifier> Make(OperationId operation) const;
    std::unique_ptr<Kch_Quantifier> Make() const;

private:
    using InitDllEntry = Kch_Quantifier* (*)();
    platform::DynamicLibrary library;
    InitDllEntry initDll = nullptr;
    std::string error;
};

// An engine of its own (made the global engine while the stage lives) with a frame time and a
// camera, the plug-in, and the channels of one benchmark. Quantifiers are destroyed first, the
// plug-in last.
class Stage {
public:
    Stage();
    Stage(const Stage&) = delete;
    Stage& operator=(const Stage&) = delete;

    // A host channel owned by the stage.
    template <class T>
    T& Own(std::unique_ptr<T> channel) {
        T& ref = *channel;
        children.push_back(std::move(channel));
        return ref;
    }
    // A quantifier from the plug-in, owned by the stage; null when the plug-in is not open.
    Kch_Quantifier* Add(OperationId operation);

    Plugin plugin;
    OrnEngine engine;
    ScopedGlobalEngine useEngine{engine};
    Kch_CameraChannel camera;
    std::vector<std::unique_ptr<Orn_Channel>> children;
    std::vector<std::unique_ptr<Kch_Quantifier>> quantifiers;
};

// Where the benchmarks find the plug-in and the baseline module.
const char* PluginPath();
const char* EmptyModulePath();

// Marks the benchmark failed, unless `plugin` is open. Returns whether it is.
bool RequireOpen(benchmark::State& state, const Plugin& plugin);

// True when both floats have the same bits (-0 differs from +0, NaN payloads count).
bool SameBits(float a, float b);

struct Comparison {
    enum class Kind {
        Ratio,  // median of `measured` / median of `baseline`, against `limit` when it is > 0
        Rate,   // `itemsPerIteration` / median of `measured`, against `limit` when it is > 0
    };
    Kind kind;
    std::string figure;    // the row's name in the summary
    std::string measured;  // benchmark names as registered
    std::string baseline;
    double limit = 0.0;  // the target: a ratio at most this, a rate at least this; 0: none
    double itemsPerIteration = 0.0;
    std::string itemName;  // what a Rate counts, e.g. "evaluations"
};

// Add a row to the summary printed after the run: measured / baseline, with a target when
// `limit` is above 0; or items per second of the measured benchmark.
void AddRatio(std::string figure, std::string measured, std::string baseline, double limit = 0.0);
void AddRate(std::string figure, std::string measured, double itemsPerIteration,
             std::string itemName, double limit);
const std::vector<Comparison>& Comparisons();

}  // namespace bench
