#pragma once

#include <cstddef>

namespace testing_support {

// Counts operator new calls on the calling thread while a counter is alive: a program that uses it replaces the
// global operator new (the GL driver's own threads are not counted).
class AllocationCounter {
public:
    // False in AddressSanitizer and ThreadSanitizer builds, which keep their own operator new.
    static bool available();
    AllocationCounter();
    ~AllocationCounter();
    std::size_t count() const;
};

}  // namespace testing_support
