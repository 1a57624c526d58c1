#include <windows.h>

#include <exception>

#include "StackThread.h"

namespace platform {
namespace {
struct Job {
    const std::function<void()>* work;
    std::exception_ptr failure;
};

DWORD WINAPI RunJob(void* argument) {
    auto* job = static_cast<Job*>(argument);
    try {
        (*job->work)();
    } catch (...) {
        job->failure = std::current_exception();
    }
    return 0;
}
}  // namespace

bool RunWithStack(size_t stackBytes, const std::function<void()>& work) {
    Job job{&work, nullptr};
    // The size is reserved address space; pages are committed as the stack grows.
    const HANDLE thread =
        CreateThread(nullptr, stackBytes, RunJob, &job, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (thread == nullptr) return false;
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    if (job.failure) std::rethrow_exception(job.failure);
    return true;
}

}  // namespace platform
