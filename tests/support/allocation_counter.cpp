#include "allocation_counter.h"

#include <cstdlib>
#include <new>

namespace {
thread_local bool counting = false;
thread_local std::size_t allocations = 0;
}  // namespace

// AddressSanitizer and ThreadSanitizer own operator new themselves, and libraries bound to their version would free
// through ours. (GCC names them with macros, clang with __has_feature.)
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define SANITIZER_OWNS_NEW 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define SANITIZER_OWNS_NEW 1
#endif
#endif

#if !defined(SANITIZER_OWNS_NEW)
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
#if defined(SANITIZER_OWNS_NEW)
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
