#include "engine/Plugin.h"

#include "Orn_Guids.h"
#include "Process.h"
#include "engine/RunError.h"

namespace quantifier_run {

QuantifierPlugin::QuantifierPlugin(const std::string& file) : path(file) {
    std::string reason;
    library = platform::DynamicLibrary::Open(path, &reason);
    if (!library.IsOpen())
        throw RunError(kExitFailure, "cannot load the plug-in " + path + ": " + reason);
    // Entry points are plain C functions found by name.
    const auto getType = reinterpret_cast<GetTypeEntry>(library.Symbol("GetType"));
    initDll = reinterpret_cast<InitDllEntry>(library.Symbol("InitDLL"));
    if (getType == nullptr)
        throw RunError(kExitFailure, "the plug-in " + path + " has no entry point GetType");
    if (initDll == nullptr)
        throw RunError(kExitFailure, "the plug-in " + path + " has no entry point InitDLL");
    const ChannelType* type = getType();
    if (type == nullptr || type->interfaceGuid != orn_guid::kFloatInterface)
        throw RunError(kExitFailure,
                       "the plug-in " + path + " does not describe a float channel type");
}

Kch_Quantifier* QuantifierPlugin::Create() const {
    Kch_Quantifier* channel = initDll();
    if (channel == nullptr)
        throw RunError(kExitFailure,
                       "the plug-in " + path + " made no channel (InitDLL gave null)");
    return channel;
}

std::string DefaultPluginPath() {
    const std::string executable = platform::ExecutablePath();
    const std::string file = platform::PluginFileName("Quantifier");
    const size_t folderEnd = executable.find_last_of(platform::PathSeparators());
    if (folderEnd == std::string::npos) return file;
    return executable.substr(0, folderEnd + 1) + file;
}

}  // namespace quantifier_run
