#include "allocation_counter.h"

#include <cstdlib>
#include <new>

namespace {
thread_local bool counting = false;
thread_local std::size_t allocations = 0;
}  // namespace

// AddressSanitizer owns operator new itself, and libraries bound to its version would free through ours.
#if !defined(__SANITIZE_ADDRESS__)
void* operator new(std::size_t size) {
    if (counting) ++allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#endif

namespace testing_support {

bool AllocationCounter::available() {
#if defined(__SANITIZE_ADDRESS__)
    return false;
#else
    return true;
#endif
}

AllocationCounter::AllocationCounter() {
    allocations = 0;
    counting = true;
}

AllocationCounter::~AllocationCounter() { counting = false; }

std::size_t AllocationCounter::count() const { return allocations; }

}  // namespace testing_support
