// Memory exhaustion in TextCompare: the copies of the texts fail in a chosen place, and what
// was allocated is released. This needs the program's operator new to serve the plug-in too,
// as one global operator does for a whole POSIX process; a Windows DLL keeps the allocator it
// was linked with.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>

#include "support/QuantifierTestSupport.h"

// Allocations of at least kLargeAllocation bytes can be made to fail, to exhaust memory in a
// chosen place; every allocation is counted while counting is on.
namespace {
constexpr size_t kLargeAllocation = 16 * 1024;
int largeAllocationsBeforeFailure = -1;  // -1: never fail
bool countingAllocations = false;
long liveAllocations = 0;
}  // namespace

void* operator new(size_t size) {
    if (size >= kLargeAllocation && largeAllocationsBeforeFailure >= 0) {
        if (largeAllocationsBeforeFailure == 0) throw std::bad_alloc();
        --largeAllocationsBeforeFailure;
    }
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) throw std::bad_alloc();
    if (countingAllocations) ++liveAllocations;
    return block;
}
void operator delete(void* block) noexcept {
    if (block != nullptr && countingAllocations) --liveAllocations;
    std::free(block);
}
void operator delete(void* block, size_t) noexcept {
    operator delete(block);
}
// Every other plain form goes through the two above, so that no block allocated here is freed
// by another allocator's delete (the sanitizers' runtime defines all of them).
void* operator new[](size_t size) {
    return operator new(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    try {
        return operator new(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    return operator new(size, std::nothrow);
}
void operator delete[](void* block) noexcept {
    operator delete(block);
}
void operator delete[](void* block, size_t) noexcept {
    operator delete(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
    operator delete(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
    operator delete(block);
}

namespace {

class PosixTextMemory : public QuantifierTest {};

TEST_F(PosixTextMemory, TextCompareLetsMemoryExhaustionThroughWithoutLeaking) {
    const std::u16string first(kLargeAllocation, u'a'), second(kLargeAllocation, u'b');
    Kch_Quantifier& q = NewQuantifier(OperationId::TextCompare);
    AddWideText(q, first);
    AddWideText(q, second);
    // Fail the copy of child 0's text, then the copy of child 1's after child 0's was made.
    for (int allowed : {0, 1}) {
        SCOPED_TRACE(allowed);
        liveAllocations = 0;
        countingAllocations = true;
        largeAllocationsBeforeFailure = allowed;
        EXPECT_THROW(q.CalculateValue(), std::bad_alloc);
        largeAllocationsBeforeFailure = -1;
        countingAllocations = false;
        EXPECT_EQ(liveAllocations, 0);
    }
    EXPECT_EQ(q.CalculateValue(), -1.0f);
}

}  // namespace
