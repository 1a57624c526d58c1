#include "BenchSupport.h"

#include <bit>

#include "Orn_Guids.h"

namespace bench {

Plugin::Plugin() {
    library = platform::DynamicLibrary::Open(PluginPath(), &error);
    if (!library.IsOpen()) return;
    // The engine asks for the type before it makes any channel; so do we.
    using GetTypeEntry = ChannelType* (*)();
    const auto getType = reinterpret_cast<GetTypeEntry>(library.Symbol("GetType"));
    const auto make = reinterpret_cast<InitDllEntry>(library.Symbol("InitDLL"));
    if (getType == nullptr || make == nullptr || getType() == nullptr) {
        error = std::string(PluginPath()) + ": GetType or InitDLL missing or failing";
        return;
    }
    initDll = make;
}

std::unique_ptr<Kch_Quantifier> Plugin::Make() const {
    return std::unique_ptr<Kch_Quantifier>(initDll != nullptr ? initDll() : nullptr);
}

std::unique_ptr<Kch_Quantifier> Plugin::Make(OperationId operation) const {
    auto channel = Make();
    if (channel) channel->SetOperationType(static_cast<int>(operation));
    return channel;
}

Stage::Stage() {
    engine.SetFrameTime(1.0f / 60.0f);
    // A camera turned 30 degrees about y and standing at (3, 2, 10): its view matrix is the
    // inverse of that placement.
    const float c = 0.8660254f, s = 0.5f;
    const float px = 3.0f, py = 2.0f, pz = 10.0f;
    camera.SetViewMatrix({{{c, 0.0f, s, 0.0f},
                           {0.0f, 1.0f, 0.0f, 0.0f},
                           {-s, 0.0f, c, 0.0f},
                           {-(px * c - pz * s), -py, -(px * s + pz * c), 1.0f}}});
    engine.RegisterChannel(orn_guid::kCameraChannel, nullptr, &camera);
}

Kch_Quantifier* Stage::Add(OperationId operation) {
    auto channel = plugin.Make(operation);
    if (!channel) return nullptr;
    quantifiers.push_back(std::move(channel));
    return quantifiers.back().get();
}

const char* PluginPath() {
    return QUANTIFIER_PLUGIN_PATH;
}
const char* EmptyModulePath() {
    return QUANTIFIER_EMPTY_MODULE_PATH;
}

bool RequireOpen(benchmark::State& state, const Plugin& plugin) {
    if (plugin.IsOpen()) return true;
    state.SkipWithError(("cannot load the plug-in: " + plugin.Error()).c_str());
    return false;
}

bool SameBits(float a, float b) {
    return std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b);
}

namespace {
std::vector<Comparison>& Registry() {
    static std::vector<Comparison> comparisons;
    return comparisons;
}
}  // namespace

void AddRatio(std::string figure, std::string measured, std::string baseline, double limit) {
    Registry().push_back({Comparison::Kind::Ratio,
                          std::move(figure),
                          std::move(measured),
                          std::move(baseline),
                          limit,
                          0.0,
                          {}});
}

void AddRate(std::string figure, std::string measured, double itemsPerIteration,
             std::string itemName, double limit) {
    Registry().push_back({Comparison::Kind::Rate,
                          std::move(figure),
                          std::move(measured),
                          {},
                          limit,
                          itemsPerIteration,
                          std::move(itemName)});
}
const std::vector<Comparison>& Comparisons() {
    return Registry();
}

}  // namespace bench
