// std::exception_ptr over the C++ runtime's own exception pointers, which know how exceptions
// are thrown in this ABI. The library's exception_ptr holds one pointer: here, a counted block
// around the runtime's two-word pointer.
#include <cstdlib>
#include <exception>
#include <new>

// The C++ runtime's own functions, with C++ names (msvcp140.def).
void __cdecl __ExceptionPtrCreate(void* pointer);
void __cdecl __ExceptionPtrDestroy(void* pointer);
void __cdecl __ExceptionPtrCurrentException(void* pointer);
[[noreturn]] void __cdecl __ExceptionPtrRethrow(const void* pointer);
bool __cdecl __ExceptionPtrToBool(const void* pointer);

namespace {

struct Held {
    long references;
    void* runtimePointer[2];
};

}  // namespace

namespace std::__exception_ptr {

exception_ptr::exception_ptr(void* held) noexcept : _M_exception_object(held) {
    _M_addref();
}

void exception_ptr::_M_addref() noexcept {
    if (_M_exception_object)
        __atomic_add_fetch(&static_cast<Held*>(_M_exception_object)->references, 1,
                           __ATOMIC_ACQ_REL);
}

void exception_ptr::_M_release() noexcept {
    auto* held = static_cast<Held*>(_M_exception_object);
    if (held && __atomic_sub_fetch(&held->references, 1, __ATOMIC_ACQ_REL) == 0) {
        __ExceptionPtrDestroy(held->runtimePointer);
        std::free(held);
    }
    _M_exception_object = nullptr;
}

}  // namespace std::__exception_ptr

std::exception_ptr std::current_exception() noexcept {
    auto* held = static_cast<Held*>(std::malloc(sizeof(Held)));
    if (!held) return {};
    held->references = 0;
    __ExceptionPtrCreate(held->runtimePointer);
    __ExceptionPtrCurrentException(held->runtimePointer);
    if (!__ExceptionPtrToBool(held->runtimePointer)) {
        __ExceptionPtrDestroy(held->runtimePointer);
        std::free(held);
        return {};
    }
    return std::exception_ptr(held);
}

void std::rethrow_exception(std::exception_ptr pointer) {
    __ExceptionPtrRethrow(static_cast<Held*>(pointer._M_exception_object)->runtimePointer);
}
