#include <pthread.h>

#include "StackThread.h"

namespace platform {
namespace {
void* RunJob(void* argument) noexcept {
    (*static_cast<const std::function<void()>*>(argument))();
    return nullptr;
}
}  // namespace

bool RunWithStack(size_t stackBytes, const std::function<void()>& work) {
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0) return false;
    void* argument = const_cast<std::function<void()>*>(&work);
    pthread_t thread;
    const bool started = pthread_attr_setstacksize(&attributes, stackBytes) == 0 &&
                         pthread_create(&thread, &attributes, RunJob, argument) == 0;
    pthread_attr_destroy(&attributes);
    if (!started) return false;
    pthread_join(thread, nullptr);
    return true;
}

}  // namespace platform
