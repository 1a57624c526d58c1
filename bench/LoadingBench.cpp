// Loading: the plug-in loaded, asked for its type and for one channel, which is destroyed, and
// unloaded again, beside a module with the same two entry points and nothing behind them; and a
// scene of 10,000 quantifiers saved into a stream and loaded from it, in memory (writing a file
// is the disk's time, not ours).
#include <benchmark/benchmark.h>

#include <fstream>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "Orn_FileStream.h"
#include "Orn_Scene.h"

namespace {

constexpr int kSceneChannels = 10000;

// Whether a library with this file name is mapped into the process; unknown (false) where the
// system does not list the mappings.
bool IsMapped(const std::string& path) {
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
        if (line.find(path) != std::string::npos) return true;
    }
    return false;
}

enum class Module { Plugin, Empty };

void LoadModule(benchmark::State& state, Module module) {
    const std::string path =
        module == Module::Plugin ? bench::PluginPath() : bench::EmptyModulePath();
    // The time of a real load needs a library that nothing else holds: a second open only
    // counts a reference.
    if (IsMapped(path)) {
        state.SkipWithError("the library is already loaded; the figure would not be a load");
        return;
    }
    OrnEngine engine;
    engine.SetFrameTime(1.0f / 60.0f);
    ScopedGlobalEngine useEngine{engine};
    using Entry = void* (*)();
    for (auto _ : state) {
        std::string error;
        auto library = platform::DynamicLibrary::Open(path, &error);
        const auto getType = reinterpret_cast<Entry>(library.Symbol("GetType"));
        const auto initDll = reinterpret_cast<Entry>(library.Symbol("InitDLL"));
        if (getType == nullptr || initDll == nullptr) {
            state.SkipWithError(("cannot load " + path + ": " + error).c_str());
            break;
        }
        void* type = getType();
        benchmark::DoNotOptimize(type);
        void* channel = initDll();
        benchmark::DoNotOptimize(channel);
        // The engine destroys a channel through its virtual deleting destructor.
        if (module == Module::Plugin) delete static_cast<Kch_Quantifier*>(channel);
    }
    if (IsMapped(path)) state.SkipWithError("the library stayed loaded after closing");
}

// A scene of quantifiers of every operation; every third one saves its evaluation state too.
bool BuildScene(bench::Stage& stage) {
    for (int i = 0; i < kSceneChannels; ++i) {
        Kch_Quantifier* quantifier = stage.Add(static_cast<OperationId>(i % kOperationCount));
        if (quantifier == nullptr) return false;
        quantifier->SetStoreCurrentValue(i % 3 == 0);
        quantifier->SetUpdateChannelname(i % 2 == 0);
    }
    return true;
}

std::vector<Orn_Channel*> ChannelsOf(const bench::Stage& stage) {
    std::vector<Orn_Channel*> channels;
    for (const auto& quantifier : stage.quantifiers)
        channels.push_back(quantifier.get());
    return channels;
}

std::vector<uint8_t> SavedStream(const std::vector<Orn_Channel*>& channels) {
    OrnFileSaver saver;
    if (!OrnSaveScene(saver, channels)) return {};
    return saver.Data();
}

void SaveScene(benchmark::State& state) {
    bench::Stage stage;
    if (!bench::RequireOpen(state, stage.plugin) || !BuildScene(stage)) return;
    const std::vector<Orn_Channel*> channels = ChannelsOf(stage);
    for (auto _ : state) {
        OrnFileSaver saver;
        const bool saved = OrnSaveScene(saver, channels);
        benchmark::DoNotOptimize(saved);
        benchmark::DoNotOptimize(saver.Data().data());
    }
    const std::vector<uint8_t> stream = SavedStream(channels);
    if (stream.empty()) state.SkipWithError("the scene could not be saved");
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(stream.size()));
}

// The saving baseline: the same bytes copied into a new buffer.
void CopyStream(benchmark::State& state) {
    bench::Stage stage;
    if (!bench::RequireOpen(state, stage.plugin) || !BuildScene(stage)) return;
    const std::vector<uint8_t> stream = SavedStream(ChannelsOf(stage));
    for (auto _ : state) {
        std::vector<uint8_t> copy(stream);
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(stream.size()));
}

// Both loading sides make their channels through InitDLL and destroy them within the iteration.
void LoadScene(benchmark::State& state) {
    bench::Stage stage;
    if (!bench::RequireOpen(state, stage.plugin) || !BuildScene(stage)) return;
    const std::vector<uint8_t> stream = SavedStream(ChannelsOf(stage));
    const OrnChannelMaker make = [&] {
        return std::unique_ptr<Orn_Channel>(stage.plugin.Make().release());
    };
    std::vector<std::unique_ptr<Orn_Channel>> loaded;
    for (auto _ : state) {
        OrnFileLoader loader(stream);
        const bool ok = OrnLoadScene(loader, make, nullptr, loaded);
        benchmark::DoNotOptimize(ok);
        loaded.clear();
    }
    // The last load, checked: every channel back with its operation and options.
    OrnFileLoader loader(stream);
    std::string error;
    if (!OrnLoadScene(loader, make, nullptr, loaded, &error) ||
        loaded.size() != stage.quantifiers.size()) {
        state.SkipWithError(("the scene did not load: " + error).c_str());
        return;
    }
    for (size_t i = 0; i < loaded.size(); ++i) {
        auto& copy = static_cast<Kch_Quantifier&>(*loaded[i]);
        Kch_Quantifier& original = *stage.quantifiers[i];
        if (copy.GetOperationType() != original.GetOperationType() ||
            copy.GetStoreCurrentValue() != original.GetStoreCurrentValue() ||
            copy.GetUpdateChannelname() != original.GetUpdateChannelname()) {
            state.SkipWithError("a loaded channel differs from the saved one");
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(stream.size()));
}

// The loading baseline: the same number of channels made and destroyed, nothing read.
void MakeChannels(benchmark::State& state) {
    bench::Stage stage;
    if (!bench::RequireOpen(state, stage.plugin)) return;
    std::vector<std::unique_ptr<Kch_Quantifier>> made;
    made.reserve(kSceneChannels);
    for (auto _ : state) {
        for (int i = 0; i < kSceneChannels; ++i)
            made.push_back(stage.plugin.Make());
        benchmark::DoNotOptimize(made.data());
        made.clear();
    }
}

const bool registeredLoadingBenchmarks = [] {
    benchmark::RegisterBenchmark("Load/plugin", LoadModule, Module::Plugin)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("Load/empty-module", LoadModule, Module::Empty)
        ->Unit(benchmark::kMicrosecond);
    bench::AddRatio("Plug-in load (dlopen, GetType, InitDLL, delete, dlclose) / empty module",
                    "Load/plugin", "Load/empty-module");

    benchmark::RegisterBenchmark("Scene/save/10000", SaveScene)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("Scene/save/copy-bytes", CopyStream)
        ->Unit(benchmark::kMicrosecond);
    bench::AddRatio("Scene of 10,000 saved to a stream / copying its bytes", "Scene/save/10000",
                    "Scene/save/copy-bytes");
    benchmark::RegisterBenchmark("Scene/load/10000", LoadScene)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("Scene/load/make-only", MakeChannels)
        ->Unit(benchmark::kMicrosecond);
    bench::AddRatio("Scene of 10,000 loaded from a stream / making its channels",
                    "Scene/load/10000", "Scene/load/make-only");
    return true;
}();

}  // namespace
