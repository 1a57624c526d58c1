// What the Microsoft toolchain's static start-up code does for a module, for modules linked
// without it: the stack cookie, the C and C++ static initialisers in the .CRT$X* sections, a
// module's own exit list (its static destructors run when the module is unloaded, not when the
// process ends), the TLS directory the thread-safe statics need, and the entry points.
// Built with /GS-: the cookie is still being made while this code runs.
#include <windows.h>

#include <stdlib.h>
#include <cstdint>
#include <cstdlib>

extern "C" {

// Any floating-point use makes the compiler refer to this; the value is the customary one.
int _fltused = 0x9875;

// The stack cookie: a fixed value until start-up replaces it, as the toolchain's own does.
constexpr uint64_t kDefaultCookie = 0x00002B992DDFA232ull;
uint64_t __security_cookie = kDefaultCookie;
uint64_t __security_cookie_complement = ~kDefaultCookie;

void __cdecl __security_check_cookie(uint64_t cookie) {
    if (cookie != __security_cookie) __fastfail(FAST_FAIL_STACK_COOKIE_CHECK_FAILURE);
}

static void InitSecurityCookie() {
    if (__security_cookie != kDefaultCookie) return;
    FILETIME time{};
    GetSystemTimeAsFileTime(&time);
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    uint64_t cookie = (uint64_t{time.dwHighDateTime} << 32) ^ time.dwLowDateTime;
    cookie ^= GetCurrentThreadId();
    cookie ^= GetCurrentProcessId();
    cookie ^=
        static_cast<uint64_t>(counter.QuadPart) << 32 ^ static_cast<uint64_t>(counter.QuadPart);
    cookie ^= reinterpret_cast<uintptr_t>(&cookie);
    // The top 16 bits stay clear, as in the toolchain's own cookie.
    cookie &= 0x0000FFFFFFFFFFFFull;
    if (cookie == kDefaultCookie) cookie = kDefaultCookie + 1;
    __security_cookie = cookie;
    __security_cookie_complement = ~cookie;
}

// The initialiser tables: the compiler files each static constructor under .CRT$XCU and each
// C initialiser under .CRT$XIU; the linker sorts the sections by name, so these bracket them.
using Initialiser = void(__cdecl*)();
using CInitialiser = int(__cdecl*)();
#pragma section(".CRT$XIA", long, read)
#pragma section(".CRT$XIZ", long, read)
#pragma section(".CRT$XCA", long, read)
#pragma section(".CRT$XCZ", long, read)
#pragma section(".CRT$XPA", long, read)
#pragma section(".CRT$XPZ", long, read)
#pragma section(".CRT$XTA", long, read)
#pragma section(".CRT$XTZ", long, read)
__declspec(allocate(".CRT$XIA")) CInitialiser __xi_a = nullptr;
__declspec(allocate(".CRT$XIZ")) CInitialiser __xi_z = nullptr;
__declspec(allocate(".CRT$XCA")) Initialiser __xc_a = nullptr;
__declspec(allocate(".CRT$XCZ")) Initialiser __xc_z = nullptr;
__declspec(allocate(".CRT$XPA")) Initialiser __xp_a = nullptr;
__declspec(allocate(".CRT$XPZ")) Initialiser __xp_z = nullptr;
__declspec(allocate(".CRT$XTA")) Initialiser __xt_a = nullptr;
__declspec(allocate(".CRT$XTZ")) Initialiser __xt_z = nullptr;

// The TLS directory. Thread-safe statics keep their epoch in a thread-local variable, which
// the loader lays out from this directory, for a DLL loaded at run time too.
ULONG _tls_index = 0;
#pragma section(".tls", read, write)
#pragma section(".tls$ZZZ", read, write)
__declspec(allocate(".tls")) char _tls_start = 0;
__declspec(allocate(".tls$ZZZ")) char _tls_end = 0;
#pragma section(".CRT$XLA", long, read)
#pragma section(".CRT$XLZ", long, read)
__declspec(allocate(".CRT$XLA")) PIMAGE_TLS_CALLBACK __xl_a = nullptr;
__declspec(allocate(".CRT$XLZ")) PIMAGE_TLS_CALLBACK __xl_z = nullptr;
#pragma section(".rdata$T", long, read)
__declspec(allocate(".rdata$T")) extern const IMAGE_TLS_DIRECTORY64 _tls_used = {
    reinterpret_cast<ULONGLONG>(&_tls_start),
    reinterpret_cast<ULONGLONG>(&_tls_end),
    reinterpret_cast<ULONGLONG>(&_tls_index),
    reinterpret_cast<ULONGLONG>(&__xl_a + 1),
    0,
    {}};

}  // extern "C"

// The module's exit list: static destructors register here, and run in reverse order when the
// module is unloaded or the program returns from main.
namespace {

SRWLOCK exitLock = SRWLOCK_INIT;
Initialiser* exitList = nullptr;
size_t exitCount = 0;
size_t exitCapacity = 0;

bool RunCInitialisers() {
    for (CInitialiser* entry = &__xi_a + 1; entry < &__xi_z; ++entry)
        if (*entry && (*entry)() != 0) return false;
    return true;
}

void RunInitialisers(Initialiser* first, Initialiser* last) {
    for (Initialiser* entry = first; entry < last; ++entry)
        if (*entry) (*entry)();
}

void RunExitList() {
    for (;;) {
        AcquireSRWLockExclusive(&exitLock);
        Initialiser last = exitCount > 0 ? exitList[--exitCount] : nullptr;
        ReleaseSRWLockExclusive(&exitLock);
        if (!last) break;
        last();
    }
    std::free(exitList);
    exitList = nullptr;
    exitCapacity = 0;
}

}  // namespace

extern "C" bool QuantifierStartModule() {
    InitSecurityCookie();
    if (!RunCInitialisers()) return false;
    RunInitialisers(&__xc_a + 1, &__xc_z);
    return true;
}

extern "C" void QuantifierEndModule() {
    RunExitList();
    RunInitialisers(&__xp_a + 1, &__xp_z);
    RunInitialisers(&__xt_a + 1, &__xt_z);
}

extern "C" int __cdecl atexit(Initialiser function) {
    AcquireSRWLockExclusive(&exitLock);
    int result = 0;
    if (exitCount == exitCapacity) {
        const size_t capacity = exitCapacity ? exitCapacity * 2 : 32;
        auto* grown =
            static_cast<Initialiser*>(std::realloc(exitList, capacity * sizeof(Initialiser)));
        if (grown) {
            exitList = grown;
            exitCapacity = capacity;
        }
    }
    if (exitCount < exitCapacity)
        exitList[exitCount++] = function;
    else
        result = -1;
    ReleaseSRWLockExclusive(&exitLock);
    return result;
}
