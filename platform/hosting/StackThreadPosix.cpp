#include <pthread.h>

#include <exception>

#include "StackThread.h"

namespace platform {
namespace {
struct Job {
    const std::function<void()>* work;
    std::exception_ptr failure;
};

void* RunJob(void* argument) {
    auto* job = static_cast<Job*>(argument);
    try {
        (*job->work)();
    } catch (...) {
        job->failure = std::current_exception();
    }
    return nullptr;
}
}  // namespace

bool RunWithStack(size_t stackBytes, const std::function<void()>& work) {
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0) return false;
    Job job{&work, nullptr};
    pthread_t thread;
    const bool started = pthread_attr_setstacksize(&attributes, stackBytes) == 0 &&
                         pthread_create(&thread, &attributes, RunJob, &job) == 0;
    pthread_attr_destroy(&attributes);
    if (!started) return false;
    pthread_join(thread, nullptr);
    if (job.failure) std::rethrow_exception(job.failure);
    return true;
}

}  // namespace platform
