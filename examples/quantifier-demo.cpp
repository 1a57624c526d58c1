// Loads the plug-in as the engine does, prints its type record and evaluates one channel:
// the distance between two points, over three renders while one point moves.
#include <cstdio>
#include <memory>
#include <string>

#include "DynamicLibrary.h"
#include "Kch_Quantifier.h"
#include "Kch_VectorChannel.h"
#include "OperationTable.h"
#include "Orn_Engine.h"

int main(int argc, char** argv) {
    const std::string path = argc > 1 ? argv[1] : QUANTIFIER_PLUGIN_PATH;
    std::string error;
    const auto plugin = platform::DynamicLibrary::Open(path, &error);
    if (!plugin.IsOpen()) {
        std::fprintf(stderr, "quantifier-demo: cannot load %s: %s\n", path.c_str(), error.c_str());
        return 1;
    }
    auto getType = reinterpret_cast<ChannelType* (*)()>(plugin.Symbol("GetType"));
    auto initDll = reinterpret_cast<Kch_Quantifier* (*)()>(plugin.Symbol("InitDLL"));
    if (getType == nullptr || initDll == nullptr) {
        std::fprintf(stderr, "quantifier-demo: %s lacks GetType or InitDLL\n", path.c_str());
        return 1;
    }
    const ChannelType* type = getType();
    std::printf("type %s  guid %s  interface %s\n", type->name, OrnGuidToString(type->typeGuid).c_str(),
                OrnGuidToString(type->interfaceGuid).c_str());

    Kch_VectorChannel a({1, 1, 1, 0});
    Kch_VectorChannel b({4, 5, 1, 1});
    std::unique_ptr<Kch_Quantifier> q(initDll());
    q->SetOperationType(static_cast<int>(OperationId::VectorDistance));
    q->SetChild(&a, -1, 0);
    q->SetChild(&b, -1, 0);
    for (int frame = 0; frame < 3; ++frame) {
        globalEngine->BeginRender();
        std::printf("frame %d  VectorDistance = %g\n", frame, q->GetFloat());
        b.SetVector({4.0f + 3.0f * static_cast<float>(frame + 1), 5, 1, 1});
    }
    return 0;
}
