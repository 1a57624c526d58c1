// The allocation functions, on the C runtime's heap. Aligned allocations use its aligned heap,
// whose blocks must go back through _aligned_free.
#include <malloc.h>

#include <cstdlib>
#include <new>

namespace {

void* Allocate(std::size_t size) {
    if (size == 0) size = 1;
    for (;;) {
        if (void* block = std::malloc(size)) return block;
        std::new_handler handler = std::get_new_handler();
        if (!handler) throw std::bad_alloc();
        handler();
    }
}

void* AllocateAligned(std::size_t size, std::align_val_t alignment) {
    if (size == 0) size = 1;
    for (;;) {
        if (void* block = _aligned_malloc(size, static_cast<std::size_t>(alignment))) return block;
        std::new_handler handler = std::get_new_handler();
        if (!handler) throw std::bad_alloc();
        handler();
    }
}

std::new_handler currentHandler = nullptr;

}  // namespace

const std::nothrow_t std::nothrow{};

std::new_handler std::set_new_handler(std::new_handler handler) noexcept {
    return __atomic_exchange_n(&currentHandler, handler, __ATOMIC_ACQ_REL);
}
std::new_handler std::get_new_handler() noexcept {
    return __atomic_load_n(&currentHandler, __ATOMIC_ACQUIRE);
}

void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return Allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
    return operator new(size, tag);
}
void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete[](void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}

void* operator new(std::size_t size, std::align_val_t alignment) {
    return AllocateAligned(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
    return AllocateAligned(size, alignment);
}
void operator delete(void* block, std::align_val_t) noexcept {
    _aligned_free(block);
}
void operator delete[](void* block, std::align_val_t) noexcept {
    _aligned_free(block);
}
void operator delete(void* block, std::size_t, std::align_val_t) noexcept {
    _aligned_free(block);
}
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept {
    _aligned_free(block);
}
