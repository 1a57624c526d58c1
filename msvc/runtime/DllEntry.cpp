// The entry of a DLL: the module starts before its DllMain sees the process attach, and ends
// after DllMain sees the detach. Built with /GS-, as the cookie changes under it.
#include <windows.h>

#include <cstdlib>

#include "ModuleStart.h"

// A module without a DllMain of its own gets this one.
extern "C" BOOL WINAPI QuantifierDefaultDllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
#pragma comment(linker, "/alternatename:DllMain=QuantifierDefaultDllMain")
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID);

extern "C" BOOL WINAPI _DllMainCRTStartup(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        if (!QuantifierStartModule()) return FALSE;
        if (!DllMain(instance, reason, reserved)) {
            QuantifierEndModule();
            return FALSE;
        }
        return TRUE;
    }
    const BOOL result = DllMain(instance, reason, reserved);
    if (reason == DLL_PROCESS_DETACH) QuantifierEndModule();
    return result;
}
