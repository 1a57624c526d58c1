// Thread-safe initialisation of function-local statics, as the compiler expects to find it:
// a static's guard holds 0 before, -1 during and an epoch number after its initialisation, and
// each thread remembers the last epoch it saw, so that a finished static costs one compare.
#include <windows.h>

#include <climits>

extern "C" {

int _Init_global_epoch = INT_MIN;
__declspec(thread) int _Init_thread_epoch = INT_MIN;

}  // extern "C"

namespace {

constexpr int kUninitialized = 0;
constexpr int kBeingInitialized = -1;

SRWLOCK lock = SRWLOCK_INIT;
CONDITION_VARIABLE finished = CONDITION_VARIABLE_INIT;

}  // namespace

extern "C" void __cdecl _Init_thread_header(int* guard) {
    AcquireSRWLockExclusive(&lock);
    if (*guard == kUninitialized) {
        *guard = kBeingInitialized;
    } else {
        // Another thread is initialising it: wait until it finishes or gives up.
        while (*guard == kBeingInitialized) {
            SleepConditionVariableSRW(&finished, &lock, INFINITE, 0);
            if (*guard == kUninitialized) {
                *guard = kBeingInitialized;
                ReleaseSRWLockExclusive(&lock);
                return;
            }
        }
        _Init_thread_epoch = _Init_global_epoch;
    }
    ReleaseSRWLockExclusive(&lock);
}

extern "C" void __cdecl _Init_thread_footer(int* guard) {
    AcquireSRWLockExclusive(&lock);
    ++_Init_global_epoch;
    *guard = _Init_global_epoch;
    _Init_thread_epoch = _Init_global_epoch;
    ReleaseSRWLockExclusive(&lock);
    WakeAllConditionVariable(&finished);
}

// The initialiser threw: the next use tries again.
extern "C" void __cdecl _Init_thread_abort(int* guard) {
    AcquireSRWLockExclusive(&lock);
    *guard = kUninitialized;
    ReleaseSRWLockExclusive(&lock);
    WakeAllConditionVariable(&finished);
}
