// The plug-in, loaded as the engine loads it: a shared library entered through GetType and
// InitDLL, found by name and never linked.
#pragma once

#include <string>

#include "DynamicLibrary.h"
#include "Kch_Quantifier.h"

namespace quantifier_run {

class QuantifierPlugin {
public:
    // Loads the library at `path` (made absolute and checked to exist by the caller, so that the
    // system's loader does not search its own folders) and finds both entry points; throws
    // RunError when it cannot, or when the type it describes is not a float channel.
    explicit QuantifierPlugin(const std::string& path);

    // A new channel object from InitDLL, owned by the caller (released by its deleting
    // destructor). Throws RunError when the plug-in makes none.
    Kch_Quantifier* Create() const;

    const std::string& Path() const { return path; }

private:
    using GetTypeEntry = ChannelType* (*)();
    using InitDllEntry = Kch_Quantifier* (*)();

    std::string path;
    platform::DynamicLibrary library;
    InitDllEntry initDll = nullptr;
};

// Where the plug-in is looked for without --plugin: beside the running executable.
std::string DefaultPluginPath();

}  // namespace quantifier_run
