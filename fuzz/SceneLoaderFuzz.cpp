// Arbitrary bytes as a scene: the scene loader, then every well-formed record on its own through
// Kch_Quantifier::LoadChannel. Beyond the sanitizers' checks, a scene that loads must save and
// load again to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "Kch_Quantifier.h"
#include "Orn_FileStream.h"
#include "Orn_Scene.h"

namespace {
std::unique_ptr<Orn_Channel> MakeQuantifier() {
    return std::make_unique<Kch_Quantifier>();
}

std::vector<uint8_t> Save(const std::vector<std::unique_ptr<Orn_Channel>>& channels) {
    std::vector<Orn_Channel*> pointers;
    for (const auto& channel : channels)
        pointers.push_back(channel.get());
    OrnFileSaver saver;
    if (!OrnSaveScene(saver, pointers)) std::abort();  // a loaded channel must save
    return saver.Data();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> bytes(data, data + size);

    OrnFileLoader sceneLoader(bytes);
    std::vector<std::unique_ptr<Orn_Channel>> scene;
    if (OrnLoadScene(sceneLoader, MakeQuantifier, nullptr, scene)) {
        const std::vector<uint8_t> saved = Save(scene);
        OrnFileLoader again(saved);
        std::vector<std::unique_ptr<Orn_Channel>> reloaded;
        if (!OrnLoadScene(again, MakeQuantifier, nullptr, reloaded) ||
            reloaded.size() != scene.size() || Save(reloaded) != saved) {
            std::abort();
        }
    } else if (!scene.empty()) {
        std::abort();  // a failed load hands out nothing
    }

    // Records after a refused one still reach a channel, and a channel may refuse each.
    OrnFileLoader records(bytes);
    while (records.NextChannel()) {
        Kch_Quantifier channel;
        channel.LoadChannel(records, nullptr);
        channel.GetFloat();
    }
    return 0;
}
