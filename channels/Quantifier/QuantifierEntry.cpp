// The two entry points the engine finds by name, and the module's type record.
#include <cstring>

#include "Kch_Quantifier.h"
#include "Orn_Guids.h"

#if defined(_WIN32)
#include <windows.h>
#define QUANTIFIER_ENTRY extern "C" __declspec(dllexport)
#else
#define QUANTIFIER_ENTRY extern "C" __attribute__((visibility("default")))
#endif

namespace {
// Built by the engine's constructor when the module's static objects are initialised,
// before the engine can ask for it.
ChannelType quantifierType;

constexpr OrnGuid kQuantifierTypeGuid = OrnGuidOf("{3164909D-47F3-43EF-8DF8-E8E95E8E22ED}");
}  // namespace

QUANTIFIER_ENTRY ChannelType* GetType() {
    std::strcpy(quantifierType.name, "Quantifier");
    quantifierType.typeGuid = kQuantifierTypeGuid;
    quantifierType.interfaceGuid = orn_guid::kFloatInterface;
    quantifierType.typeVersion = 1;
    return &quantifierType;
}

QUANTIFIER_ENTRY Kch_Quantifier* InitDLL() {
    return new Kch_Quantifier();
}

#if defined(_WIN32)
#if defined(__MINGW32__)
// The loader refuses to switch off thread notifications for a module with a TLS directory,
// and MinGW's runtime gives every DLL one through its TLS start-up support. The plug-in keeps
// no thread-local data, so it stands in for that support's only hook (read only when not
// null) and the support, with the directory, stays out of the DLL. Should anything in the
// plug-in come to need thread-local storage, the support returns and the link fails on this
// duplicate definition instead of quietly dropping the support.
extern "C" const PIMAGE_TLS_CALLBACK __dyn_tls_init_callback = nullptr;
#endif

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    return TRUE;
}
#endif
