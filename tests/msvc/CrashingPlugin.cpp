// A plug-in that crashes as soon as the host asks for its type, with the system's window library
// loaded as the real plug-in loads it: with that library, Wine asks in a dialog whether to debug
// a crash. Built by scripts/msvc-build.sh; scripts/msvc-compare.sh checks that a crashed engine
// process and a crashed program under Wine end at once.
#include <windows.h>

extern "C" __declspec(dllexport) void* GetType() {
    static_cast<void>(GetDesktopWindow());
    RaiseException(EXCEPTION_ACCESS_VIOLATION, EXCEPTION_NONCONTINUABLE, 0, nullptr);
    return nullptr;
}

extern "C" __declspec(dllexport) void* InitDLL() {
    return nullptr;
}
