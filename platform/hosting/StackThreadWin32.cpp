#include <windows.h>

#include "StackThread.h"

namespace platform {
namespace {
DWORD WINAPI RunJob(void* argument) noexcept {
    (*static_cast<const std::function<void()>*>(argument))();
    return 0;
}
}  // namespace

bool RunWithStack(size_t stackBytes, const std::function<void()>& work) {
    // The size is reserved address space; pages are committed as the stack grows.
    const HANDLE thread =
        CreateThread(nullptr, stackBytes, RunJob, const_cast<std::function<void()>*>(&work),
                     STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (thread == nullptr) return false;
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    return true;
}

}  // namespace platform
