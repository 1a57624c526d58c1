// The entry of a program: arguments from the C runtime, main, then this module's exit list before
// the C runtime's own exit flushes the streams. Built with /GS-, as the cookie changes under it.
#include <windows.h>

#include <stdlib.h>
#include <cstdlib>

#include "ModuleStart.h"

extern "C" int __cdecl _configure_narrow_argv(int mode);
extern "C" __declspec(dllimport) int* __cdecl __p___argc();
int main(int argc, char** argv);

extern "C" int __cdecl mainCRTStartup() {
    if (!QuantifierStartModule()) std::exit(255);
    _configure_narrow_argv(1);  // the arguments as given, no wildcard expansion
    const int code = main(*__p___argc(), *__p___argv());
    QuantifierEndModule();
    std::exit(code);
}
