#include "Plugin.h"

#include <filesystem>

#include "Orn_Guids.h"
#include "Process.h"
#include "RunError.h"

namespace quantifier_run {

QuantifierPlugin::QuantifierPlugin(const std::string& file) {
    // The system's loader searches its own folders for a bare file name; a path names a file.
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(file, error);
    path = error ? file : absolute.string();
    if (!std::filesystem::exists(path, error))
        throw RunError(kExitFailure, "cannot load the plug-in " + path + ": no such file");
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
    const std::filesystem::path executable = platform::ExecutablePath();
    const std::string file = platform::PluginFileName("Quantifier");
    if (executable.empty()) return file;
    return (executable.parent_path() / file).string();
}

}  // namespace quantifier_run
